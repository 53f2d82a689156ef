-- Item templates: each fills in a new item. The game and the level scripts
-- make articles by template name (stash payloads, dropped loot, copies
-- given from one character to another).

-- A medkit the character uses from its inventory: five health, five to a
-- stack, handed over one at a time.
function ItemTemplateMedkit(item)
    item:SetDisplayNameID(6200)
    item:SetDisplayDescriptionID(6201)
    item:SetMdl("medkit.pbf")
    item:SetSpriteName("medkit.tga")
    item:SetHealth(5)
    item:SetUsage(TS_ITEMUSAGE_CAN_USE)
    item:SetMaxStack(5)
    item:SetPackSize(1)
    item:SetCanDrop(1)
    item:SetForSale(1)
    item:SetValue(20)
end

-- A health pack used the moment the current character touches it, when it
-- needs it.
function ItemTemplateHealthPack(item)
    item:SetDisplayNameID(6210)
    item:SetDisplayDescriptionID(6211)
    item:SetMdl("medkit.pbf")
    item:SetSpriteName("medkit.tga")
    item:SetHealth(4)
    item:SetVitality(2)
    item:SetUsage(TS_ITEMUSAGE_AUTO_USE)
    item:SetMaxStack(1)
end

-- Blaster rounds (ammunition type 1), ten to a box.
function ItemTemplateBlasterAmmo(item)
    item:SetDisplayNameID(6220)
    item:SetDisplayDescriptionID(6221)
    item:SetMdl("ammo.pbf")
    item:SetSpriteName("ammo.tga")
    item:SetAmmoType(1)
    item:SetStack(10)
    item:SetMaxStack(60)
    item:SetPackSize(10)
    item:SetCanDrop(1)
    item:SetValue(2)
end

-- Rockets (ammunition type 2), three to a pack.
function ItemTemplateRockets(item)
    item:SetDisplayNameID(6280)
    item:SetDisplayDescriptionID(6281)
    item:SetMdl("ammo.pbf")
    item:SetSpriteName("ammo.tga")
    item:SetAmmoType(2)
    item:SetStack(3)
    item:SetMaxStack(12)
    item:SetPackSize(3)
    item:SetCanDrop(1)
    item:SetValue(5)
end

-- The ammunition a character armed by its weapon template is given, by
-- ammunition type.
g_ammoTemplates = {
    [1] = { Ammo = "ItemTemplateBlasterAmmo" },
    [2] = { Ammo = "ItemTemplateRockets" },
}

-- A vest: two points of defence against physical harm.
function ItemTemplateVest(item)
    item:SetDisplayNameID(6230)
    item:SetDisplayDescriptionID(6231)
    item:SetMdl("armour.pbf")
    item:SetSpriteName("armour.tga")
    item:SetAmmoType(-1)
    item:SetMatterType(TS_MATTER_PHYSICAL)
    item:SetHealth(2)
    item:SetCanDrop(1)
    item:SetValue(50)
end

-- The key of the demo's vault.
function ItemTemplateVaultKey(item)
    item:SetDisplayNameID(6240)
    item:SetDisplayDescriptionID(6241)
    item:SetMdl("key.pbf")
    item:SetSpriteName("key.tga")
    item:SetCanDrop(1)
end

-- A new item of the template, named, placed on the ground at (x, z) and
-- handed to the level.
function PlaceItem(name, template, x, z)
    local item = TsItemObject:new()
    item:SetName(name)
    item:SetTemplate(template)
    _G[template](item)
    item:SetOrigin(x, 0, z)
    TsAccess.EntityDB():AddObject(item)
    return item
end
