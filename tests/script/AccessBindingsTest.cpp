// TsAccess and TsOptions from scripts: static calls with dot and colon, the
// options setters and getters, and the guarded tutorial and key functions.

#include "tests/script/LuaTestState.h"

#include "game/framework/TsAccess.h"
#include "game/framework/TsOptions.h"
#include "tests/game/framework/LogCapture.h"

namespace {

class AccessTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        ASSERT_EQ(Run("options = TsAccess.Options()"), "");
        tolua_pushusertype(L, audio_, "TsAudio");
        lua_setglobal(L, "audio");
    }
    void TearDown() override
    {
        *TsAccess::Options() = saved_;
        TsAccess::SetExitMovie(nullptr);
        LuaTest::TearDown();
    }

    LogCapture log_; // the accessors of missing objects log
    TsOptions saved_ = *TsAccess::Options();
    char audio_[8] = {};
};

} // namespace

TEST_F(AccessTest, StaticCallsLevelObjectsAndTheExitMovie)
{
    ExpectRows({
        {"return (TsAccess:Options() == TsAccess.Options()) or nil", "true"},
        {"return tolua.type(TsAccess:Options())", "'TsOptions'"},
        {"return TsAccess:TicksPerSecond()", "10"},
        {"return TsAccess.TicksPerSecond()", "10"},
        {"return TsAccess:GetExitMovie()", "nil"},
        {"TsAccess:SetExitMovie('outro.bik') return TsAccess:GetExitMovie()", "'outro.bik'"},
        {"TsAccess:SetExitMovie('') return TsAccess:GetExitMovie()", "nil"},
        // No dialogue strings yet: nil, and the missing service is logged.
        {"return TsAccess:GetDialogDisplayString(30684)", "nil"},
        // A method through a missing level fails in the script, not in the game.
        {"TsAccess:Level():Pause(1)", "error:attempt to index a nil value"},
    });
    EXPECT_FLOAT_EQ(Number("TsAccess:TickDuration()"), 0.1f);
    EXPECT_TRUE(log_.Contains("dialogue strings"));
    for (const char* call : {"TsAccess:Level()", "TsAccess:CutScene()", "TsAccess:HUDe()",
                             "TsAccess:TutorialDialog('intro')", "TsAccess:StartTutorialDialog(3)",
                             "TsAccess:TutorialDialogAddFragment(100, -1)"})
        EXPECT_EQ(Type(call), "nil") << call;
    ExpectTypeErrors({"TsAccess:Options(1)", "TsAccess.TicksPerSecond(1, 2)", "TsAccess:TutorialDialog()",
                      "TsAccess:TutorialDialog(nil)", "TsAccess:StartTutorialDialog('3')",
                      "TsAccess:TutorialDialogAddFragment(5)", "TsAccess:SetExitMovie(nil)",
                      "TsAccess:GetDialogDisplayString('x')", "TsAccess:GetDialogDisplayString(1, 2)"});
}

// Numbers are truncated toward zero; switches take nil, 0, numbers and
// booleans; a key outside 0..255 (other than -1, none) is ignored.
TEST_F(AccessTest, OptionsTruncateNumbersAndGuardKeys)
{
    ExpectRows({
        {"options:SetGamma(1.25) return options:GetGamma()", "1.25"},
        {"options:SetSpeechVolume(7.9) return options:GetSpeechVolume()", "7"},
        {"options:SetMusicVolume(-2.9) return options:GetMusicVolume()", "-2"},
        {"options:SetEffectsVolume(-3000) return options:GetEffectsVolume()", "-3000"},
        {"options:SetTransparentCam(2) return options:IsTransparentCam()", "1"},
        {"options:SetTransparentCam(0) return options:IsTransparentCam()", "nil"},
        {"options:SetAnimatingInventory(true) return options:IsAnimatingInventory()", "1"},
        {"options:SetAnimatingInventory(nil) return options:IsAnimatingInventory()", "nil"},
        {"options:SetAnimDetailLevel(1.5) options:SetUseMouseWheel(1) options:SetKeyBinding(5, 30) return 0", "0"},
    });
    EXPECT_EQ(TsAccess::Options()->GetAnimDetailLevel(), 1);
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().useMouseWheel, 1);
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), 30);
    ASSERT_EQ(Run("options:SetKeyBinding(5, 256); options:SetKeyBinding(5, -2)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), 30);
    ASSERT_EQ(Run("options:SetKeyBinding(5, -1)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), -1);
    ExpectTypeErrors({"options:GetGamma(1)", "options:SetGamma(1, 2)", "TsOptions.GetGamma(audio)",
                      "TsOptions.SetGamma(audio, 1)", "TsOptions:GetGamma()", "options:SetTransparentCam('on')",
                      "options:SetTransparentCam()", "options:SetKeyBinding(5)"});
    ExpectSelfErrors({"TsOptions.GetGamma(nil)", "TsOptions.SetSpeechVolume(nil, 1)"});
}
