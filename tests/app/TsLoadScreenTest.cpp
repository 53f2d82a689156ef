// The load screen: held until Space, then one frame of the prompt, then the
// mode carries on with its clock restarted at the present.
#include "game/framework/TsLoadScreen.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

using LoadScreen = AppTest;

TEST_F(LoadScreen, HoldsTheModeUntilSpaceThenPromptsForOneFrame)
{
    Start();
    FrameAfter(10);
    const size_t ticks = Script().ticks.size();
    const size_t renders = Script().renders.size();
    const uint32_t tickCount = app->GetTickCount();

    g_loadScreen.held = 1;
    EXPECT_STREQ(g_loadScreen.Text(), "Loading....");
    for (int i = 0; i < 3; ++i) {
        FrameAfter(100);
    }
    // Neither ticked nor drawn, and the count stands still.
    EXPECT_EQ(Script().ticks.size(), ticks);
    EXPECT_EQ(Script().renders.size(), renders);
    EXPECT_EQ(app->GetTickCount(), tickCount);
    EXPECT_EQ(g_loadScreen.held, 1);

    // Space ends the hold within one tick and selects the prompt.
    PressKey(TsLoadScreen::kSpaceKey);
    app->Tick();
    EXPECT_EQ(g_loadScreen.held, 0);
    EXPECT_EQ(g_loadScreen.prompt, 1);
    EXPECT_STREQ(g_loadScreen.Text(), "Press Space To Continue");
    EXPECT_EQ(Script().ticks.size(), ticks);

    // The frame that draws the prompt clears it and the clock...
    FrameAfter(100);
    EXPECT_EQ(g_loadScreen.prompt, 0);
    EXPECT_EQ(app->GetTickBase(), 0);
    EXPECT_EQ(Script().renders.size(), renders);
    // ...so the next frame runs two ticks, drops the backlog and draws.
    FrameAfter(10);
    EXPECT_EQ(Script().ticks.size(), ticks + 2);
    EXPECT_EQ(Script().renders.size(), renders + 1);
    EXPECT_EQ(app->GetTickBase(), GetPerformanceTicks());
}

TEST_F(LoadScreen, AMissingImageIsReportedAndTheScreenStillWaits)
{
    Start();
    LoadLoadScreenImage("no such screen.tga");
    EXPECT_EQ(g_loadScreen.image, nullptr);
    EXPECT_TRUE(log.Contains("no such screen.tga"));
    g_loadScreen.held = 1;
    FrameAfter(100);
    EXPECT_EQ(g_loadScreen.held, 1);
}

TEST(LoadScreenPulse, RisesByAFifthEachTickAndStartsOverAfterOnePointTwo)
{
    TsLoadScreen screen;
    std::vector<float> next;
    for (int i = 0; i < 8; ++i) {
        screen.TickPulse();
        next.push_back(screen.pulse.next);
    }
    const float expected[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 1.2f, 0.2f, 0.4f};
    for (size_t i = 0; i < next.size(); ++i) {
        EXPECT_NEAR(next[i], expected[i], 1e-5f) << "tick " << i;
    }
    // The value drawn lies between this tick's and the next.
    screen.pulse.Interpolate(0.5f);
    EXPECT_NEAR(screen.pulse.interpolated, 0.3f, 1e-5f);
}

} // namespace
} // namespace apptest
