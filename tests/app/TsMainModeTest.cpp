// Mode switching: requests served between frames, the game systems torn
// down and built again, and modes that cannot start.
#include <string>

#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsScriptHost.h"
#include "engine/OmRenderer.h"
#include "game/world/TsExplosion.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

using ModeSwitch = AppTest;

// Each switch builds the script state (the demo's scripts run in it), the
// pools, the audio and the explosion table afresh; twenty of them leave
// nothing behind (the process's leak check covers the rest at exit).
TEST_F(ModeSwitch, ASwitchRebuildsScriptStatePoolsAndAudio)
{
    TsMain::SetModeFactory(TS_MODE_OBJECT_VIEW, &MakeObjectView);
    Start();
    FrameAfter(10);
    ASSERT_EQ(RunLua("Marker = SecondsToTicks(1.55)"), TS_SCRIPT_OK);
    EXPECT_EQ(LuaNumber("Marker"), 15.0) << "init.lua ran";
    EXPECT_TRUE(TsInitialExplosions::Spawn(0, OmVector3(2, 0, 2), OmVector3(0, 1, 0), 1.0f));
    ASSERT_NE(app->GetAudio(), nullptr);

    app->RequestMode(TS_MODE_FRONT_END);
    FrameAfter(10);
    EXPECT_EQ(LuaNumber("Marker"), -1.0); // a fresh state...
    EXPECT_TRUE(TsScriptHost::IsFunctionDefined(TsAccess::LuaState(), "LuaTick")); // ...with the scripts run
    EXPECT_NE(app->GetAudio(), nullptr);
    EXPECT_EQ(app->GetAudio()->GetVoiceCount(), 0);
    EXPECT_EQ(TsExplosionTable::Count(), 1);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 0u);
    EXPECT_EQ(OmRenderer::Current()->GetLoadState(), 1u);
    EXPECT_EQ(app->GetTickCount(), 0u);
    for (int i = 0; i < 20; ++i) {
        const TsModeType next = i % 2 ? TS_MODE_FRONT_END : TS_MODE_OBJECT_VIEW;
        auto* thing = new TestThing;
        const void* cell = thing;
        thing->Release(); // its cell stays in the pool, whose pages the switch releases
        ASSERT_TRUE(TestThing::s_pool.Holds(cell));
        ASSERT_EQ(RunLua("Junk = {} for i = 1, 1000 do Junk[i] = i end"), TS_SCRIPT_OK);
        app->RequestMode(next);
        FrameAfter(10);
        ASSERT_EQ(app->GetMode()->GetModeType(), next);
        EXPECT_FALSE(TestThing::s_pool.Holds(cell));
    }
    EXPECT_EQ(Script().made, 22);
    EXPECT_EQ(Script().destroyed, 21);
    EXPECT_EQ(TestThing::s_pool.GetLiveCount(), 0u);
    EXPECT_EQ(LuaNumber("Junk"), -1.0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ModeSwitch, OfTwoRequestsInOneFrameTheLaterWins)
{
    TsMain::SetModeFactory(TS_MODE_OBJECT_VIEW, &MakeObjectView);
    Start();
    FrameAfter(10);
    app->RequestMode(TS_MODE_OBJECT_VIEW);
    app->RequestMode(TS_MODE_FRONT_END);
    FrameAfter(10);
    EXPECT_FALSE(app->ModeRequestPending());
    EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);
    EXPECT_EQ(app->GetFrontEnd(), app->GetMode());
    EXPECT_EQ(Script().made, 2) << "the earlier request made no mode";
}

TEST_F(ModeSwitch, AModeThatCannotStartIsReportedOnceAndTheFrontEndComesBack)
{
    TsMain::SetModeFactory(TS_MODE_OBJECT_VIEW, &MakeObjectView);
    Start();
    Script().importResult = false;
    app->RequestMode(TS_MODE_OBJECT_VIEW);
    FrameAfter(10);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "TessaranApp");
    EXPECT_NE(boxes[0].text.find("object viewer could not be started"), std::string::npos);
    EXPECT_TRUE(log.Contains("object viewer could not be started"));
    EXPECT_EQ(app->GetMode(), nullptr);
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_FRONT_END);

    // The front end starts in the next frame and the game goes on from it.
    Script().importResult = true;
    FrameAfter(10);
    ASSERT_NE(app->GetMode(), nullptr);
    EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);
    const int imports = Script().imports;
    Frames(5, 100);
    EXPECT_EQ(Script().imports, imports);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Script().made, Script().destroyed + 1);
}

TEST_F(ModeSwitch, AFrontEndThatCannotStartLeavesTheGameWithNoModeOnce)
{
    Start();
    Script().initialiseResult = false;
    app->RequestMode(TS_MODE_FRONT_END);
    FrameAfter(10);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("runs with no mode"), std::string::npos);
    const int tried = Script().imports;
    Frames(5, 100);
    EXPECT_EQ(app->GetMode(), nullptr);
    EXPECT_FALSE(app->ModeRequestPending());
    EXPECT_EQ(Script().imports, tried) << "not rebuilt every frame";
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ModeSwitch, ALevelThatCannotStartIsRefusedAndTheFrontEndComesBack)
{
    const struct {
        const char* what;
        bool levelMode; // a level mode is registered
        const char* message;
    } refusals[] = {
        {"no level mode is registered", false, "Mode switch: no level mode is registered with the application"},
        {"the level has no player", true, "the level has no player"},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        TearDown();
        SetUp();
        boxes.clear();
        if (r.levelMode)
            TsMain::SetModeFactory(TS_MODE_LEVEL, &MakeLevel);
        Start();
        app->RequestMode(TS_MODE_LEVEL);
        FrameAfter(10);
        EXPECT_TRUE(log.Contains(r.message));
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_EQ(app->GetMode(), nullptr);
        EXPECT_EQ(app->GetLevel(), nullptr);
        EXPECT_EQ(app->GetModeRequest(), TS_MODE_FRONT_END);
        EXPECT_EQ(Script().made, Script().destroyed);
        FrameAfter(10);
        ASSERT_NE(app->GetMode(), nullptr);
        EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);
    }
}

TEST_F(ModeSwitch, ScriptsRequestModesThatTheNextFrameServes)
{
    Start();
    ASSERT_EQ(RunLua("LevelViewMode()"), TS_SCRIPT_OK);
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_NONE);
    FrameAfter(10);
    EXPECT_EQ(app->GetMode(), nullptr);
    EXPECT_FALSE(app->ModeRequestPending());
    // With no mode nothing ticks, and the screen shows an empty frame.
    const size_t ticks = Script().ticks.size();
    FrameAfter(300);
    EXPECT_EQ(Script().ticks.size(), ticks);
    EXPECT_EQ(CentrePixel() & 0xFFFFFFu, 0u);

    ASSERT_EQ(RunLua("FrontEndMode()"), TS_SCRIPT_OK);
    Script().clearScreen = true;
    FrameAfter(10);
    ASSERT_NE(app->GetMode(), nullptr);
    FrameAfter(10);
    EXPECT_EQ(CentrePixel(), 0xFF00FF00u); // the mode's frame is on the screen
}

TEST_F(ModeSwitch, TheModesGoBeforeTheScriptStateAndAudioTheyUse)
{
    Start();
    FrameAfter(10);
    app.reset();
    EXPECT_EQ(Script().destroyed, 1);
    EXPECT_TRUE(Script().scriptStateAtDestruction);
    EXPECT_TRUE(Script().audioAtDestruction);
    EXPECT_EQ(TsAccess::LuaState(), nullptr);
    EXPECT_EQ(TsMain::Instance(), nullptr);
}

TEST_F(ModeSwitch, WithoutAFrontEndTheGameRunsWithNoModeAndSaysSo)
{
    TsMain::SetModeFactory(TS_MODE_FRONT_END, nullptr);
    Make();
    ASSERT_TRUE(app->Open(false));
    EXPECT_EQ(app->GetMode(), nullptr);
    EXPECT_TRUE(log.Contains("no front end is registered; the game runs with no mode (an empty frame)"));
    FrameAfter(100);
}

} // namespace
} // namespace apptest
