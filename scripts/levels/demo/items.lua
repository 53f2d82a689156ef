-- The demo level's articles, stash and light effect: run with the level's
-- entities when the level is first built.

PlaceItem("medkitA", "ItemTemplateMedkit", 2, 2)
PlaceItem("healthPackA", "ItemTemplateHealthPack", 3, 1)
PlaceItem("ammoA", "ItemTemplateBlasterAmmo", 5, 6)
PlaceItem("vestA", "ItemTemplateVest", 6, 5)
PlaceItem("vaultKey", "ItemTemplateVaultKey", 4.5, 1)

-- A chest in room B holding a medkit.
local chest = TsStashObject:new()
chest:SetName("demoChest")
chest:SetMdl("chest.pbf")
chest:SetPayloadType("TsItemObject")
chest:SetPayloadTemplate("ItemTemplateMedkit")
chest:SetOrigin(16, 0, 6)
TsAccess.EntityDB():AddObject(chest)

-- Room A's lamp flickers.
local flicker = TsLightEffectObject:new()
flicker:SetName("lampAFlicker")
flicker:SetLight("lampA")
flicker:SetEffect(TsLightEffectObject.FLICKER1)
TsAccess.EntityDB():AddObject(flicker)
