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
    }
    void TearDown() override
    {
        *TsAccess::Options() = saved_;
        TsAccess::SetExitMovie(nullptr);
        LuaTest::TearDown();
    }

    LogCapture log_; // the accessors of missing objects log
    TsOptions saved_ = *TsAccess::Options();
};

char g_audio[8];

} // namespace

TEST_F(AccessTest, StaticFunctionsWorkWithDotAndColonButNotWithAnArgument)
{
    EXPECT_EQ(Type("(TsAccess:Options() == TsAccess.Options()) or nil"), "boolean");
    EXPECT_EQ(String("tolua.type(TsAccess:Options())"), "TsOptions");
    EXPECT_EQ(Number("TsAccess:TicksPerSecond()"), 10);
    EXPECT_EQ(Number("TsAccess.TicksPerSecond()"), 10);
    EXPECT_FLOAT_EQ(Number("TsAccess:TickDuration()"), 0.1f);
    ExpectTypeErrors({"TsAccess:Options(1)", "TsAccess.TicksPerSecond(1, 2)"});
}

TEST_F(AccessTest, LevelObjectsAndTutorialsAreNilOutsideALevel)
{
    for (const char* call : {"TsAccess:Level()", "TsAccess:CutScene()", "TsAccess:HUDe()",
                             "TsAccess:TutorialDialog('intro')", "TsAccess:StartTutorialDialog(3)",
                             "TsAccess:TutorialDialogAddFragment(100, -1)"})
        EXPECT_EQ(Type(call), "nil") << call;
    // A method through that nil fails in the script, not in the game.
    EXPECT_NE(Run("TsAccess:Level():Pause(1)"), "");
    ExpectTypeErrors({"TsAccess:TutorialDialog()", "TsAccess:TutorialDialog(nil)",
                      "TsAccess:StartTutorialDialog('3')", "TsAccess:TutorialDialogAddFragment(5)"});
}

TEST_F(AccessTest, ExitMovieIsStoredAndClearedByAnEmptyText)
{
    EXPECT_EQ(Type("TsAccess:GetExitMovie()"), "nil");
    ASSERT_EQ(Run("TsAccess:SetExitMovie('outro.bik')"), "");
    EXPECT_EQ(String("TsAccess:GetExitMovie()"), "outro.bik");
    ASSERT_EQ(Run("TsAccess:SetExitMovie('')"), "");
    EXPECT_EQ(Type("TsAccess:GetExitMovie()"), "nil");
    ExpectTypeErrors({"TsAccess:SetExitMovie(nil)"});
}

TEST_F(AccessTest, OptionsStoreNumbersTruncatedAndSwitchesFromNilZeroNumbersAndBooleans)
{
    ASSERT_EQ(Run("options:SetGamma(1.25); options:SetSpeechVolume(7.9); options:SetMusicVolume(-2.9); "
                  "options:SetEffectsVolume(-3000); options:SetAnimDetailLevel(1.5); "
                  "options:SetTransparentCam(2); options:SetAnimatingInventory(true); options:SetUseMouseWheel(1)"),
              "");
    EXPECT_EQ(Number("options:GetGamma()"), 1.25);
    EXPECT_EQ(Number("options:GetSpeechVolume()"), 7);
    EXPECT_EQ(Number("options:GetMusicVolume()"), -2);
    EXPECT_EQ(Number("options:GetEffectsVolume()"), -3000);
    EXPECT_EQ(TsAccess::Options()->GetAnimDetailLevel(), 1);
    EXPECT_EQ(Number("options:IsTransparentCam()"), 1);
    EXPECT_EQ(Number("options:IsAnimatingInventory()"), 1);
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().useMouseWheel, 1);
    ASSERT_EQ(Run("options:SetTransparentCam(0); options:SetAnimatingInventory(nil)"), "");
    EXPECT_EQ(Type("options:IsTransparentCam()"), "nil");
    EXPECT_EQ(Type("options:IsAnimatingInventory()"), "nil");
}

TEST_F(AccessTest, KeyBindingsOutsideTheKeyRangeAreIgnored)
{
    ASSERT_EQ(Run("options:SetKeyBinding(5, 30)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), 30);
    ASSERT_EQ(Run("options:SetKeyBinding(5, 256); options:SetKeyBinding(5, -2)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), 30);
    ASSERT_EQ(Run("options:SetKeyBinding(5, -1)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), -1);
}

TEST_F(AccessTest, OptionsMethodsRefuseWrongArgumentsWrongSelfAndNullSelf)
{
    tolua_pushusertype(L, g_audio, "TsAudio");
    lua_setglobal(L, "audio");
    ExpectTypeErrors({"options:GetGamma(1)", "options:SetGamma(1, 2)", "TsOptions.GetGamma(audio)",
                      "TsOptions.SetGamma(audio, 1)", "TsOptions:GetGamma()", "options:SetTransparentCam('on')",
                      "options:SetTransparentCam()", "options:SetKeyBinding(5)"});
    ExpectSelfErrors({"TsOptions.GetGamma(nil)", "TsOptions.SetSpeechVolume(nil, 1)"});
}

TEST_F(AccessTest, DialogDisplayStringReportsItsErrorThroughTheEarlierForm)
{
    // No dialogue strings yet: nil, and the missing service is logged.
    EXPECT_EQ(Type("TsAccess:GetDialogDisplayString(30684)"), "nil");
    EXPECT_TRUE(log_.Contains("dialogue strings"));
    ExpectTypeErrors({"TsAccess:GetDialogDisplayString('x')", "TsAccess:GetDialogDisplayString(1, 2)"});
}
