-- The town's entities: run once when the level is first built. The party
-- is made here (the campaign starts in town); the trader stands behind his
-- booth, and the smith by the fountain has a word for the party.

MakePartyOnce(2, 6)
PlacePartyStarts(2, 6)

trader = TsNPCObject:new()
trader:SetName("WeaponTrader")
trader:SetMdl("walker.pbf")
trader:SetSpriteName("trader.tga") -- his picture in the trade panel
trader:SetAnimationClass(0)
trader:SetRadius(0.3)
trader:SetHeight(1.8)
trader:SetOrigin(8, 0, 10)
TsAccess.EntityDB():AddEntity(trader)

-- The trader's stock: a blaster, its rounds and a medkit, each sold again
-- and again (a buyer gets a copy).
local stock = trader:GetInventory()
local gun = TsWeaponObject:new()
gun:SetName("traderBlaster")
gun:SetTemplate("WeaponTemplateBlaster")
WeaponTemplateBlaster(gun)
stock:AddArticle(gun)
local rounds = TsItemObject:new()
rounds:SetName("traderAmmo")
rounds:SetTemplate("ItemTemplateBlasterAmmo")
ItemTemplateBlasterAmmo(rounds)
rounds:SetForSale(true)
stock:AddArticle(rounds)
local kit = TsItemObject:new()
kit:SetName("traderMedkit")
kit:SetTemplate("ItemTemplateMedkit")
ItemTemplateMedkit(kit)
stock:AddArticle(kit)

-- The smith, by the fountain, talks when used, as a click on him orders
-- (TalkToSmith in the town's mission script).
smith = TsBanterObject:new()
smith:SetName("Smith")
smith:SetDisplayNameID(6400) -- his name in the diary and over his lines
smith:SetMdl("walker.pbf")
smith:SetOrigin(6, 0, 3)
smith:SetLuaBanterScript("TalkToSmith")
TsAccess.EntityDB():AddEntity(smith)

-- The jelly by the fountain wobbles where it sits: a morph figure, its
-- folder holds no bones.
jelly = TsNPCObject:new()
jelly:SetName("Jelly")
jelly:SetMdl("jelly.pbf")
jelly:SetRadius(0.4)
jelly:SetHeight(1.2)
jelly:SetOrigin(3.5, 0, 7.5)
TsAccess.EntityDB():AddEntity(jelly)

PlaceItem("townMedkit", "ItemTemplateMedkit", 12, 2)

-- The way out: stepping into the dead end past the east gap takes the
-- party to the mission.
wayOut = TsTriggerObject:new()
wayOut:SetName("wayOut")
wayOut:SetOrigin(17, 0, 6)
wayOut:SetRadius(0.8)
wayOut:SetTriggerScript("OnWayOut")
TsAccess.EntityDB():AddEntity(wayOut)
