-- The town's entities: run once when the level is first built. The party
-- is made here (the campaign starts in town); the trader stands behind his
-- booth, and the smith by the fountain has a word for the party.

MakePartyOnce(2, 6)
PlacePartyStarts(2, 6)

trader = TsNPCObject:new()
trader:SetName("WeaponTrader")
trader:SetMdl("walker.pbf")
trader:SetAnimationClass(0)
trader:SetRadius(0.3)
trader:SetHeight(1.8)
trader:SetOrigin(8, 0, 10)
TsAccess.EntityDB():AddEntity(trader)

smith = TsNPCObject:new()
smith:SetName("Smith")
smith:SetMdl("walker.pbf")
smith:SetAnimationClass(0)
smith:SetRadius(0.3)
smith:SetHeight(1.8)
smith:SetOrigin(4, 0, 6)
TsAccess.EntityDB():AddEntity(smith)

PlaceItem("townMedkit", "ItemTemplateMedkit", 12, 2)

-- The way out: stepping into the dead end past the east gap takes the
-- party to the mission.
wayOut = TsTriggerObject:new()
wayOut:SetName("wayOut")
wayOut:SetOrigin(17, 0, 6)
wayOut:SetRadius(0.8)
wayOut:SetTriggerScript("OnWayOut")
TsAccess.EntityDB():AddEntity(wayOut)
