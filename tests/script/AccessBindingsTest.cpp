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
    EXPECT_EQ(Type("TsAccess.Options()"), "userdata");
    EXPECT_EQ(Type("(TsAccess:Options() == TsAccess.Options()) or nil"), "boolean");
    EXPECT_EQ(String("tolua.type(TsAccess:Options())"), "TsOptions");
    EXPECT_LUA_ERROR("TsAccess:Options(1)", "error in function 'Options'.");
    EXPECT_LUA_ERROR("TsAccess.TicksPerSecond(1, 2)", "error in function 'TicksPerSecond'.");
    EXPECT_EQ(Number("TsAccess:TicksPerSecond()"), 10);
    EXPECT_EQ(Number("TsAccess.TicksPerSecond()"), 10);
    EXPECT_FLOAT_EQ(Number("TsAccess:TickDuration()"), 0.1f);
}

TEST_F(AccessTest, LevelObjectsAreNilOutsideALevel)
{
    EXPECT_EQ(Type("TsAccess:Level()"), "nil");
    EXPECT_EQ(Type("TsAccess:CutScene()"), "nil");
    EXPECT_EQ(Type("TsAccess:HUDe()"), "nil");
    // A method through that nil fails in the script, not in the game.
    EXPECT_NE(Run("TsAccess:Level():Pause(1)"), "");
}

TEST_F(AccessTest, TutorialFunctionsNeedTheirArgumentsAndALevel)
{
    EXPECT_LUA_ERROR("TsAccess:TutorialDialog()", "error in function 'TutorialDialog'.");
    EXPECT_LUA_ERROR("TsAccess:TutorialDialog(nil)", "error in function 'TutorialDialog'.");
    EXPECT_LUA_ERROR("TsAccess:StartTutorialDialog('3')", "error in function 'StartTutorialDialog'.");
    EXPECT_LUA_ERROR("TsAccess:TutorialDialogAddFragment(5)",
                     "error in function 'TutorialDialogAddFragment'.");
    // Without a level nothing is shown and the script hears false.
    EXPECT_EQ(Type("TsAccess:TutorialDialog('intro')"), "nil");
    EXPECT_EQ(Type("TsAccess:StartTutorialDialog(3)"), "nil");
    EXPECT_EQ(Type("TsAccess:TutorialDialogAddFragment(100, -1)"), "nil");
}

TEST_F(AccessTest, ExitMovieIsStoredAndClearedByAnEmptyText)
{
    EXPECT_EQ(Type("TsAccess:GetExitMovie()"), "nil");
    ASSERT_EQ(Run("TsAccess:SetExitMovie('outro.bik')"), "");
    EXPECT_EQ(String("TsAccess:GetExitMovie()"), "outro.bik");
    ASSERT_EQ(Run("TsAccess:SetExitMovie('')"), "");
    EXPECT_EQ(Type("TsAccess:GetExitMovie()"), "nil");
    EXPECT_LUA_ERROR("TsAccess:SetExitMovie(nil)", "error in function 'SetExitMovie'.");
}

TEST_F(AccessTest, OptionsStoreWhatScriptsGiveWithIntegersTruncated)
{
    ASSERT_EQ(Run("options:SetGamma(1.25); options:SetSpeechVolume(7.9); "
                  "options:SetMusicVolume(-2.9); options:SetEffectsVolume(-3000); "
                  "options:SetTexDetailLevel(2); options:SetAnimDetailLevel(1.5); "
                  "options:SetFXDetailLevel(0); options:SetScreenWidth(1024); "
                  "options:SetScreenHeight(768); options:SetBitDepth(32); options:SetAdapter(1)"),
              "");
    EXPECT_EQ(Number("options:GetGamma()"), 1.25);
    EXPECT_EQ(Number("options:GetSpeechVolume()"), 7);
    EXPECT_EQ(Number("options:GetMusicVolume()"), -2);
    EXPECT_EQ(Number("options:GetEffectsVolume()"), -3000);
    const TsOptions& o = *TsAccess::Options();
    EXPECT_EQ(o.GetTexDetailLevel(), 2);
    EXPECT_EQ(o.GetAnimDetailLevel(), 1);
    EXPECT_EQ(o.GetFXDetailLevel(), 0);
    EXPECT_EQ(o.GetScreenWidth(), 1024);
    EXPECT_EQ(o.GetScreenHeight(), 768);
    EXPECT_EQ(o.GetBitDepth(), 32);
    EXPECT_EQ(o.GetAdapter(), 1);
}

TEST_F(AccessTest, OptionSwitchesTakeNilZeroNumbersAndBooleans)
{
    ASSERT_EQ(Run("options:SetTransparentCam(2)"), "");
    EXPECT_EQ(Number("options:IsTransparentCam()"), 1);
    ASSERT_EQ(Run("options:SetTransparentCam(0)"), "");
    EXPECT_EQ(Type("options:IsTransparentCam()"), "nil");
    ASSERT_EQ(Run("options:SetAnimatingInventory(true)"), "");
    EXPECT_EQ(Number("options:IsAnimatingInventory()"), 1);
    ASSERT_EQ(Run("options:SetAnimatingInventory(nil)"), "");
    EXPECT_EQ(Type("options:IsAnimatingInventory()"), "nil");
    ASSERT_EQ(Run("options:SetUseMouseWheel(1)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().useMouseWheel, 1);
    EXPECT_LUA_ERROR("options:SetTransparentCam('on')", "error in function 'SetTransparentCam'.");
    EXPECT_LUA_ERROR("options:SetTransparentCam()", "error in function 'SetTransparentCam'.");
}

TEST_F(AccessTest, KeyBindingsOutsideTheKeyRangeAreIgnored)
{
    ASSERT_EQ(Run("options:SetKeyBinding(5, 30)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), 30);
    ASSERT_EQ(Run("options:SetKeyBinding(5, 256); options:SetKeyBinding(5, -2)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), 30);
    ASSERT_EQ(Run("options:SetKeyBinding(5, -1)"), "");
    EXPECT_EQ(TsAccess::Options()->GetKeyBindings().KeyOf(5), -1);
    EXPECT_LUA_ERROR("options:SetKeyBinding(5)", "error in function 'SetKeyBinding'.");
}

TEST_F(AccessTest, OptionsMethodsRefuseWrongSelfAndSurplusArguments)
{
    tolua_pushusertype(L, g_audio, "TsAudio");
    lua_setglobal(L, "audio");
    EXPECT_LUA_ERROR("options:GetGamma(1)", "error in function 'GetGamma'.");
    EXPECT_LUA_ERROR("options:SetGamma(1, 2)", "error in function 'SetGamma'.");
    EXPECT_LUA_ERROR("TsOptions.GetGamma(audio)", "error in function 'GetGamma'.");
    EXPECT_LUA_ERROR("TsOptions.SetGamma(audio, 1)", "error in function 'SetGamma'.");
    EXPECT_LUA_ERROR("TsOptions:GetGamma()", "error in function 'GetGamma'.");
    EXPECT_LUA_ERROR("TsOptions.GetGamma(nil)", "invalid 'self' in function 'GetGamma'");
    EXPECT_LUA_ERROR("TsOptions.SetSpeechVolume(nil, 1)", "invalid 'self' in function 'SetSpeechVolume'");
}

TEST_F(AccessTest, DialogDisplayStringReportsItsErrorThroughTheEarlierForm)
{
    // No dialogue strings yet: nil, and the missing service is logged.
    EXPECT_EQ(Type("TsAccess:GetDialogDisplayString(30684)"), "nil");
    EXPECT_TRUE(log_.Contains("dialogue strings"));
    EXPECT_LUA_ERROR("TsAccess:GetDialogDisplayString('x')", "error in function 'GetDialogDisplayString'.");
    EXPECT_LUA_ERROR("TsAccess:GetDialogDisplayString(1, 2)",
                     "error in function 'GetDialogDisplayString'.");
}
