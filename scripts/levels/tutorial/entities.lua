-- The tutorial's entities: run once when the level is first built. The
-- party starts in the first room with a vest lying four steps ahead; the
-- door in the corridor is locked and worked by the switch beside it; the
-- guide waits in the second room.

MakePartyOnce(2, 4)
PlacePartyStarts(2, 4)

PlaceItem("tutorialVest", "ItemTemplateVest", 6, 4)

tutorialDoor = PlaceDoor("tutorialDoor", 10, 4, true)
tutorialSwitch = PlaceSwitch("tutorialSwitch", 7.5, 2.5, "OnTutorialSwitch")

-- The guide talks when used, as a click on him orders (TalkToGuide in the
-- tutorial's mission script).
guide = TsBanterObject:new()
guide:SetName("Guide")
guide:SetMdl("walker.pbf")
guide:SetOrigin(16, 0, 4)
guide:SetLuaBanterScript("TalkToGuide")
TsAccess.EntityDB():AddEntity(guide)
