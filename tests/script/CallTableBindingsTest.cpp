// Bound names that scripts reach but no other test calls: for each, a call
// that works with what it answers in a bare state (no level running), and
// calls that are refused with the function's own message; the options as
// scripts set them.

#include "tests/script/LuaTestState.h"

#include "game/framework/TsAccess.h"
#include "game/framework/TsOptions.h"
#include "game/objects/TsPlayer.h"
#include "platform/KeyCodes.h"
#include "tests/game/framework/LogCapture.h"

namespace {

class CallTableBindingsTest : public PackageTest {
protected:
    void SetUp() override
    {
        PackageTest::SetUp();
        Publish("player", &player, "TsPlayer");
        Publish("audio", m_audio, "TsAudio");
        ASSERT_EQ(Run("sw = TsSwitchObject:new() door = TsDoorObject:new() level = TsLevel:new()\n"
                      "npc = TsNPCObject:new() pc = TsPCObject:new() banter = TsBanterObject:new()\n"
                      "weapon = TsWeaponObject:new() item = TsItemObject:new() opts = TsAccess:Options()"),
                  "");
    }

    void TearDown() override
    {
        *TsAccess::Options() = m_saved;
        LuaTest::TearDown();
    }

    TsPlayer player;
    LogCapture m_quiet; // the accessors of missing objects log
    TsOptions m_saved = *TsAccess::Options();
    char m_audio[8] = {};
};

TEST_F(CallTableBindingsTest, UntestedNamesAnswerAndRefuseAsTheyShould)
{
    ExpectRows({
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
        {"npc:SetMaxVitality(40) npc:SetVitalityRecovery(2) npc:SetHealthRecovery(3) return 0", "0"},
        {"weapon:SetMode(1) return weapon:IsBimodal()", "nil"},
        {"local a = weapon:Attributes(nil) a:SetAutoAimRange(12) a:SetEquipType(2) return 0", "0"},
        {"weapon:Attributes(nil):SetAutoAimRange()", "error:error in function 'SetAutoAimRange'."},
        {"weapon:Attributes(nil):SetEquipType('belt')", "error:error in function 'SetEquipType'."},
        {"item:SetCanEquip(1) return item:CanEquip()", "1"},
        {"item:SetCanEquip(0) return item:CanEquip()", "nil"},
        {"item:OnRemove() return 0", "0"},
        {"return weapon:Attributes(false):GetStun()", "number"},
        {"local n = TsNPCObject:new() n:SetWeaponName('Rifle') n:SetItemName('Medkit') n:delete() return 0", "0"},
        {"local t = TsTriggerObject:new() t:SaveTownStash() t:delete() return 0", "0"},
        {"return pc:SetStartPosition()", "nil"},
        {"player:RemoveSquadMember(nil) player:RemoveSquadMember(npc) player:RemoveAllSquadMembers() "
         "return player:GetTeamCount()", "0"},
        {"return level:GetIncidentalConversation()", "userdata"},
        {"level:GetIncidentalConversation():SetOverrideLockout(1) return 0", "0"},
        {"return TsAccess.FrameDelta()", "0"},
        {"return TsAccess.TickCount", "nil"}, // no such function
        {"return TsLevel.GetConversationCamera", "nil"},
        {"return (TsAccess:Options() == TsAccess.Options()) or nil", "true"},
        {"return TsAccess:TicksPerSecond() + TsAccess.TicksPerSecond()", "20"},
        {"TsAccess:SetExitMovie('outro.bik') return TsAccess:GetExitMovie()", "'outro.bik'"},
        {"TsAccess:SetExitMovie('') return TsAccess:GetExitMovie()", "nil"},
        // No dialogue strings yet: nil.
        {"return TsAccess:GetDialogDisplayString(30684)", "nil"},
        // A method through a missing level fails in the script, not in the game.
        {"TsAccess:Level():Pause(1)", "error:attempt to index a nil value"},
        {"TsAccess:SetTutorialDialogExitScript('Done') return 0", "0"},
        {"local h = GetHostName() return type(h) == 'string' or h == nil", "true"},
    });
    // The access point with no game running.
    EXPECT_FLOAT_EQ(Number("TsAccess:TickDuration()"), 0.1f);
    for (const char* fn : {"AnimDB()", "Audio()", "CameraHelper()", "Conversation()", "CurrentCharacter()",
                           "EntityDB()", "FrontEnd()", "Input()", "LevelInfo()", "LocalPlayer()", "Pathfinder()",
                           "Radar()", "World()", "Level()", "CutScene()", "HUDe()", "TutorialDialog('intro')",
                           "StartTutorialDialog(3)", "TutorialDialogAddFragment(100, -1)"})
        EXPECT_EQ(Type(std::string("TsAccess:") + fn), "nil") << fn;
    // One call for each kind of bad argument: a wrong type, one missing, one
    // too many, an object of another class, nil for a string, a nil self.
    ExpectTypeErrors({"sw:SetActivateAnim('x')", "door:SetDoorSpeed()", "door:CloseDoor(1, 1, 1)",
                      "TsSwitchObject.IsDisabled(door)", "sw:SetActivateScript(nil)", "level:MakeDetectionMap('a')",
                      "level:SaveWorld()", "level:BeginConvert(1)", "level:EndConvert(1)"});
    ExpectSelfErrors({"TsCutScene.IsCameraZooming(nil)", "TsOptions.GetGamma(nil)", "TsObject.SetName(nil, 'x')",
                      "TsAudio.FlagSoundForLoading(nil, 4)", "TsCutScene.MoveCamera(nil, 1, 2, 3, 4)",
                      "TsBoundObject.AddPlane(nil, 0, 1,2,3, 4,5,6, 7,8,9)"});
}

// Numbers are truncated toward zero; switches take nil, 0, numbers and
// booleans; a key outside 0..255 (other than -1, none) is ignored.
TEST_F(CallTableBindingsTest, OptionsTruncateNumbersAndGuardKeys)
{
    ExpectRows({
        {"opts:SetGamma(1.25) return opts:GetGamma()", "1.25"},
        {"opts:SetMusicVolume(-2.9) return opts:GetMusicVolume()", "-2"},
        {"opts:SetEffectsVolume(-3000) return opts:GetEffectsVolume()", "-3000"},
        {"opts:SetTransparentCam(2) return opts:IsTransparentCam()", "1"},
        {"opts:SetTransparentCam(0) return opts:IsTransparentCam()", "nil"},
        {"opts:SetAnimatingInventory(true) return opts:IsAnimatingInventory()", "1"},
        {"opts:SetAnimatingInventory(nil) return opts:IsAnimatingInventory()", "nil"},
        {"opts:SetKeyBinding(5, 30) return 0", "0"},
    });
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(TS_ACTION_CAMERA_LEFT), plat::kKeyA);
    ASSERT_EQ(Run("opts:SetKeyBinding(5, 256); opts:SetKeyBinding(5, -2)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(TS_ACTION_CAMERA_LEFT), plat::kKeyA);
    ASSERT_EQ(Run("opts:SetKeyBinding(5, -1)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(TS_ACTION_CAMERA_LEFT), -1);
    ExpectTypeErrors({"TsOptions.GetGamma(audio)", "TsOptions:GetGamma()", "opts:SetTransparentCam('on')"});
}

} // namespace
