// Bound names that scripts reach but no other test calls: for each, a call
// that works with what it answers in a bare state (no level running), and
// calls that are refused with the function's own message. A row's chunk
// returns the value that is checked.

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

struct Row {
    const char* chunk;
    const char* expected; // "nil", "userdata", "string", a number, or "error:" and the message's start
};


TEST_F(CallTableBindingsTest, UntestedNamesAnswerAndRefuseAsTheyShould)
{
    LogCapture quiet;
    const Row rows[] = {
        // The switch and the door.
        {"sw:SetDisabled(1) return sw:IsDisabled()", "1"},
        {"sw:SetDisabled(nil) return sw:IsDisabled()", "nil"},
        {"sw:SetActivateAnim(3) sw:SetDeactivateAnim(4) return 0", "0"},
        {"sw:SetActivateScript('Open') sw:SetDeactivateScript('Shut') return 0", "0"},
        {"return sw:GetHotspot()", "userdata"},
        {"return TsDynGeometry:_DebugDynGeometry(1)", "nil"},
        {"sw:SetActivateAnim('x')", "error:error in function 'SetActivateAnim'."},
        {"sw:SetDeactivateAnim()", "error:error in function 'SetDeactivateAnim'."},
        {"sw:SetActivateScript(nil)", "error:error in function 'SetActivateScript'."},
        {"sw:SetDeactivateScript(1, 2)", "error:error in function 'SetDeactivateScript'."},
        {"sw:SetDisabled('yes')", "error:error in function 'SetDisabled'."},
        {"TsSwitchObject.IsDisabled(door)", "error:error in function 'IsDisabled'."},
        {"TsSwitchObject.GetHotspot(door)", "error:error in function 'GetHotspot'."},
        {"TsDynGeometry:_DebugDynGeometry('x')", "error:error in function '_DebugDynGeometry'."},
        {"door:SetDoorSpeed(2.5) return door:GetDoorSpeed()", "2.5"},
        {"return door:IsLocked()", "nil"},
        {"return door:GetTransitionState()", "0"},
        {"door:CloseDoor() door:CloseDoor(1) door:CloseDoor(1, 0) return 0", "0"},
        {"door:SetDoorSpeed()", "error:error in function 'SetDoorSpeed'."},
        {"door:IsLocked(1)", "error:error in function 'IsLocked'."},
        {"door:CloseDoor(1, 1, 1)", "error:error in function 'CloseDoor'."},
        {"TsDoorObject.GetTransitionState(sw)", "error:error in function 'GetTransitionState'."},
        // Characters, weapons and items.
        {"local m = TsMineObject:new() m:SetDetonationDelay(1e300) m:SetDetonationDelay(-1e300) "
         "m:SetDetonationDelay(0/0) m:delete() return 0",
         "0"},
        {"npc:SetMaxVitality(40) npc:SetVitalityRecovery(2) npc:SetHealthRecovery(3) return 0", "0"},
        {"npc:SetMaxVitality('many')", "error:error in function 'SetMaxVitality'."},
        {"npc:SetVitalityRecovery()", "error:error in function 'SetVitalityRecovery'."},
        {"TsCharacterObject.SetHealthRecovery(sw, 1)", "error:error in function 'SetHealthRecovery'."},
        {"weapon:SetMode(1) return weapon:IsBimodal()", "nil"},
        {"weapon:SetMode({})", "error:error in function 'SetMode'."},
        {"weapon:IsBimodal(1)", "error:error in function 'IsBimodal'."},
        {"local a = weapon:Attributes(nil) a:SetAutoAimRange(12) a:SetEquipType(2) return 0", "0"},
        {"weapon:Attributes(nil):SetAutoAimRange()", "error:error in function 'SetAutoAimRange'."},
        {"weapon:Attributes(nil):SetEquipType('belt')", "error:error in function 'SetEquipType'."},
        {"item:SetCanEquip(1) return item:CanEquip()", "1"},
        {"item:SetCanEquip(0) return item:CanEquip()", "nil"},
        {"item:SetCanEquip()", "error:error in function 'SetCanEquip'."},
        {"TsCollectibleObject.CanEquip(door)", "error:error in function 'CanEquip'."},
        {"item:OnRemove() return 0", "0"},
        {"item:OnRemove(1)", "error:error in function 'OnRemove'."},
        {"return pc:SetStartPosition()", "nil"},
        {"TsPCObject.SetStartPosition(npc)", "error:error in function 'SetStartPosition'."},
        {"TsConversation.SetOverrideLockout(nil, 1)", "error:invalid 'self' in function 'SetOverrideLockout'"},
        {"TsConversation.SetOverrideLockout(banter, 1)", "error:error in function 'SetOverrideLockout'."},
        // The player's squad.
        {"player:RemoveSquadMember(nil) player:RemoveSquadMember(npc) player:RemoveAllSquadMembers() "
         "return player:GetTeamCount()",
         "0"},
        {"player:RemoveSquadMember(sw)", "error:error in function 'RemoveSquadMember'."},
        {"player:RemoveAllSquadMembers(1)", "error:error in function 'RemoveAllSquadMembers'."},
        // The level's conversion tools and the rest of the level.
        {"return level:GetIncidentalConversation()", "userdata"},
        {"level:GetIncidentalConversation():SetOverrideLockout(1) return 0", "0"},
        {"level:ActivateIngameFrontEnd()", "error:error in function 'ActivateIngameFrontEnd'."},
        {"level:ImportWorld('a', 'b', 1, 1, 1, 1)", "error:error in function 'ImportWorld'."},
        {"level:MakeDetectionMap('a')", "error:error in function 'MakeDetectionMap'."},
        {"level:SaveWorld()", "error:error in function 'SaveWorld'."},
        {"level:Initialise(1)", "error:error in function 'Initialise'."},
        {"level:BeginConvert(1)", "error:error in function 'BeginConvert'."},
        {"level:EndConvert(1)", "error:error in function 'EndConvert'."},
        {"TsLevel.GetIncidentalConversation(sw)", "error:error in function 'GetIncidentalConversation'."},
        // The access point with no game running.
        {"return TsAccess:AnimDB()", "nil"},
        {"return TsAccess:Audio()", "nil"},
        {"return TsAccess:CameraHelper()", "nil"},
        {"return TsAccess:Conversation()", "nil"},
        {"return TsAccess:CurrentCharacter()", "nil"},
        {"return TsAccess:EntityDB()", "nil"},
        {"return TsAccess:FrontEnd()", "nil"},
        {"return TsAccess:Input()", "nil"},
        {"return TsAccess:LevelInfo()", "nil"},
        {"return TsAccess:LocalPlayer()", "nil"},
        {"return TsAccess:Pathfinder()", "nil"},
        {"return TsAccess:Radar()", "nil"},
        {"return TsAccess:World()", "nil"},
        {"return TsAccess.FrameDelta()", "0"},
        {"TsAccess:SetTutorialDialogExitScript('Done') return 0", "0"},
        {"TsAccess:SetTutorialDialogExitScript(nil)", "error:error in function 'SetTutorialDialogExitScript'."},
        {"TsAccess:World(1)", "error:error in function 'World'."},
        {"TsAccess:ScreenWidth(1)", "error:error in function 'ScreenWidth'."},
        {"TsAccess:ScreenHeight(1)", "error:error in function 'ScreenHeight'."},
        {"TsAccess:FrameDelta(1)", "error:error in function 'FrameDelta'."},
        // Options.
        {"opts:SetScreenWidth(1024) opts:SetScreenHeight(768) opts:SetBitDepth(32) opts:SetAdapter(0) "
         "opts:SetTexDetailLevel(1) opts:SetFXDetailLevel(2) return 0",
         "0"},
        {"opts:SetScreenWidth('wide')", "error:error in function 'SetScreenWidth'."},
        {"opts:SetScreenHeight()", "error:error in function 'SetScreenHeight'."},
        {"opts:SetBitDepth(1, 2)", "error:error in function 'SetBitDepth'."},
        {"opts:SetAdapter(nil)", "error:error in function 'SetAdapter'."},
        {"opts:SetTexDetailLevel({})", "error:error in function 'SetTexDetailLevel'."},
        {"opts:SetFXDetailLevel()", "error:error in function 'SetFXDetailLevel'."},
        // The HUD, the cut scene's questions and the host name.
        {"TsHUDe.DisplayDialog(nil, 'x')", "error:invalid 'self' in function 'DisplayDialog'"},
        {"TsCutScene.IsCameraZooming(nil)", "error:invalid 'self' in function 'IsCameraZooming'"},
        {"TsCutScene.IsPlayerLockedOut(nil)", "error:invalid 'self' in function 'IsPlayerLockedOut'"},
        {"GetHostName(1)", "error:error in function 'GetHostName'."},
        {"local h = GetHostName() return type(h) == 'string' or h == nil", "true"},
    };
    for (const Row& row : rows) {
        const std::string expected = row.expected;
        if (expected.rfind("error:", 0) == 0) {
            const std::string message = WithoutPosition(Run(row.chunk));
            EXPECT_EQ(message.substr(0, expected.size() - 6), expected.substr(6)) << row.chunk;
            continue;
        }
        ASSERT_EQ(Run(std::string("result = (function() ") + row.chunk + " end)()"), "") << row.chunk;
        if (expected == "nil" || expected == "userdata" || expected == "string")
            EXPECT_EQ(Type("result"), expected) << row.chunk;
        else if (expected == "true")
            EXPECT_EQ(Type("result"), "boolean") << row.chunk;
        else
            EXPECT_EQ(Number("result"), std::stod(expected)) << row.chunk;
    }
}

} // namespace
