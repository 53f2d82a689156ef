// Bound names that scripts reach but no other test calls: for each, a call
// that works with what it answers in a bare state (no level running), and
// calls that are refused with the function's own message.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsPlayer.h"
#include "tests/game/framework/LogCapture.h"

namespace {

class CallTableBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        tolua_pushusertype(L, &player, "TsPlayer");
        lua_setglobal(L, "player");
        ASSERT_EQ(Run("sw = TsSwitchObject:new() door = TsDoorObject:new() level = TsLevel:new()\n"
                      "npc = TsNPCObject:new() pc = TsPCObject:new() banter = TsBanterObject:new()\n"
                      "weapon = TsWeaponObject:new() item = TsItemObject:new() opts = TsAccess:Options()"),
                  "");
    }

    TsPlayer player;
};

TEST_F(CallTableBindingsTest, UntestedNamesAnswerAndRefuseAsTheyShould)
{
    LogCapture quiet;
    ExpectRows({
        // The switch and the door.
        {"sw:SetDisabled(1) return sw:IsDisabled()", "1"},
        {"sw:SetDisabled(nil) return sw:IsDisabled()", "nil"},
        {"sw:SetActivateAnim(3) sw:SetDeactivateAnim(4) return 0", "0"},
        {"sw:SetActivateScript('Open') sw:SetDeactivateScript('Shut') return 0", "0"},
        {"return sw:GetHotspot()", "userdata"},
        {"return TsDynGeometry:_DebugDynGeometry(1)", "nil"},
        {"door:SetDoorSpeed(2.5) return door:GetDoorSpeed()", "2.5"},
        {"return door:IsLocked()", "nil"},
        {"return door:GetTransitionState()", "0"},
        {"door:CloseDoor() door:CloseDoor(1) door:CloseDoor(1, 0) return 0", "0"},
        // Characters, weapons and items.
        {"local m = TsMineObject:new() m:SetDetonationDelay(1e300) m:SetDetonationDelay(-1e300) "
         "m:SetDetonationDelay(0/0) m:delete() return 0", "0"},
        {"npc:SetMaxVitality(40) npc:SetVitalityRecovery(2) npc:SetHealthRecovery(3) return 0", "0"},
        {"weapon:SetMode(1) return weapon:IsBimodal()", "nil"},
        {"local a = weapon:Attributes(nil) a:SetAutoAimRange(12) a:SetEquipType(2) return 0", "0"},
        {"weapon:Attributes(nil):SetAutoAimRange()", "error:error in function 'SetAutoAimRange'."},
        {"weapon:Attributes(nil):SetEquipType('belt')", "error:error in function 'SetEquipType'."},
        {"item:SetCanEquip(1) return item:CanEquip()", "1"},
        {"item:SetCanEquip(0) return item:CanEquip()", "nil"},
        {"item:OnRemove() return 0", "0"},
        {"return pc:SetStartPosition()", "nil"},
        // The player's squad.
        {"player:RemoveSquadMember(nil) player:RemoveSquadMember(npc) player:RemoveAllSquadMembers() "
         "return player:GetTeamCount()", "0"},
        // The level's conversion tools and the rest of the level.
        {"return level:GetIncidentalConversation()", "userdata"},
        {"level:GetIncidentalConversation():SetOverrideLockout(1) return 0", "0"},
        {"return TsAccess.FrameDelta()", "0"},
        {"TsAccess:SetTutorialDialogExitScript('Done') return 0", "0"},
        // Options.
        {"opts:SetScreenWidth(1024) opts:SetScreenHeight(768) opts:SetBitDepth(32) opts:SetAdapter(0) "
         "opts:SetTexDetailLevel(1) opts:SetFXDetailLevel(2) return 0", "0"},
        {"local h = GetHostName() return type(h) == 'string' or h == nil", "true"},
    });
    // The access point with no game running.
    for (const char* fn : {"AnimDB", "Audio", "CameraHelper", "Conversation", "CurrentCharacter", "EntityDB",
                           "FrontEnd", "Input", "LevelInfo", "LocalPlayer", "Pathfinder", "Radar", "World"})
        EXPECT_EQ(Type(std::string("TsAccess:") + fn + "()"), "nil") << fn;
    ExpectTypeErrors({"sw:SetActivateAnim('x')", "sw:SetDeactivateAnim()", "sw:SetActivateScript(nil)",
        "sw:SetDeactivateScript(1, 2)", "sw:SetDisabled('yes')", "TsSwitchObject.IsDisabled(door)",
        "TsSwitchObject.GetHotspot(door)", "TsDynGeometry:_DebugDynGeometry('x')", "door:SetDoorSpeed()",
        "door:IsLocked(1)", "door:CloseDoor(1, 1, 1)", "TsDoorObject.GetTransitionState(sw)",
        "npc:SetMaxVitality('many')", "npc:SetVitalityRecovery()", "TsCharacterObject.SetHealthRecovery(sw, 1)",
        "weapon:SetMode({})", "weapon:IsBimodal(1)", "item:SetCanEquip()", "TsCollectibleObject.CanEquip(door)",
        "item:OnRemove(1)", "TsPCObject.SetStartPosition(npc)", "TsConversation.SetOverrideLockout(banter, 1)",
        "player:RemoveSquadMember(sw)", "player:RemoveAllSquadMembers(1)", "level:ActivateIngameFrontEnd()",
        "level:ImportWorld('a', 'b', 1, 1, 1, 1)", "level:MakeDetectionMap('a')", "level:SaveWorld()",
        "level:Initialise(1)", "level:BeginConvert(1)", "level:EndConvert(1)",
        "TsLevel.GetIncidentalConversation(sw)", "TsAccess:SetTutorialDialogExitScript(nil)", "TsAccess:World(1)",
        "TsAccess:ScreenWidth(1)", "TsAccess:ScreenHeight(1)", "TsAccess:FrameDelta(1)",
        "opts:SetScreenWidth('wide')", "opts:SetScreenHeight()", "opts:SetBitDepth(1, 2)", "opts:SetAdapter(nil)",
        "opts:SetTexDetailLevel({})", "opts:SetFXDetailLevel()", "GetHostName(1)"});
    ExpectSelfErrors({"TsConversation.SetOverrideLockout(nil, 1)", "TsHUDe.DisplayDialog(nil, 'x')",
        "TsCutScene.IsCameraZooming(nil)", "TsCutScene.IsPlayerLockedOut(nil)"});
}

} // namespace
