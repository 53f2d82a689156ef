-- The HUD's sprite table: the level calls LoadHUDSprites when it starts,
-- and each slot gets its image from data\hud\.

local g_hudImages = {
    [TsHUDe.DUMMY] = "dummy",
    [TsHUDe.VITALITY] = "vitality",
    [TsHUDe.HEALTH] = "health",
    [TsHUDe.PLATE] = "plate",
    [TsHUDe.FOLLOW_ON] = "follow_on",
    [TsHUDe.FOLLOW_OFF] = "follow_off",
    [TsHUDe.SHOOT_ON] = "shoot_on",
    [TsHUDe.SHOOT_OFF] = "shoot_off",
    [TsHUDe.COMMS] = "comms",
    [TsHUDe.INV_EMPTY] = "inv_empty",
    [TsHUDe.INV_ITEM] = "inv_item",
    [TsHUDe.INV_PHYS] = "inv_phys",
    [TsHUDe.INV_CHEM] = "inv_chem",
    [TsHUDe.INV_ENERGY] = "inv_energy",
    [TsHUDe.INV_ITEM_HI] = "inv_item_hi",
    [TsHUDe.INV_PHYS_HI] = "inv_phys_hi",
    [TsHUDe.INV_CHEM_HI] = "inv_chem_hi",
    [TsHUDe.INV_ENERGY_HI] = "inv_energy_hi",
    [TsHUDe.HOLO_HADLEY] = "holo0",
    [TsHUDe.HOLO_ORRICK] = "holo1",
    [TsHUDe.HOLO_TAMSA] = "holo2",
    [TsHUDe.HOLO_PELLIN] = "holo3",
    [TsHUDe.HOLO_BRUSK] = "holo4",
    [TsHUDe.HOLO_VESSA] = "holo5",
    [TsHUDe.HOLO_RECRUIT] = "holo6",
    [TsHUDe.SECONDARY_FIREON] = "secondary_on",
    [TsHUDe.SECONDARY_FIREOFF] = "secondary_off",
    [TsHUDe.DIAG_BAR] = "diag_bar",
    [TsHUDe.TBAR] = "tbar",
    [TsHUDe.MAIN_OPEN] = "main_open",
    [TsHUDe.CURSOR_NORMAL] = "cursor",
    [TsHUDe.CURSOR_NORMAL_HI] = "cursor_hi",
    [TsHUDe.CURSOR_SELECT] = "cursor_select",
    [TsHUDe.CURSOR_SELECT_HI] = "cursor_select_hi",
    [TsHUDe.CURSOR_INVALID] = "cursor_invalid",
    [TsHUDe.BANTER_FRAME] = "banter_frame",
    [TsHUDe.TARGET_LOCKED] = "target",
    [TsHUDe.COMBAT_ICON] = "combat_icon",
    [TsHUDe.NEG_ICON] = "neg_icon",
    [TsHUDe.TECH_ICON] = "tech_icon",
    [TsHUDe.BETA_BANNER] = "beta",
    [TsHUDe.HAND] = "hand",
}

function LoadHUDSprites()
    local hud = TsAccess.HUDe()
    for slot = TsHUDe.DUMMY, TsHUDe.HAND do
        hud:CreateSprite(slot, "data\\hud\\" .. g_hudImages[slot] .. ".tga")
    end
end
