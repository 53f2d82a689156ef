// The main loop run by hand: its fixed 10 Hz clock, and the main window's
// messages as it sees them (focus, the renderer told of it too, closing,
// and the pump that log output runs).
#include "platform/EventInjection.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

// Each test starts with the first frame after the clock reset run: it runs
// one tick, and the next falls due 100 units later.
class MainClock : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Start();
        ASSERT_NE(app->GetMode(), nullptr);
        FrameAfter(10);
        ASSERT_EQ(Script().ticks.size(), 1u);
    }
};

TEST_F(MainClock, FramesBetweenTicksDrawInterpolatedWithoutTicking)
{
    const int64_t due = app->GetTickBase();
    FrameAfter(40); // 50 units since the tick, 50 before the next
    FrameAfter(30);
    EXPECT_EQ(Script().ticks.size(), 1u);
    EXPECT_EQ(app->GetTickBase(), due);
    ASSERT_EQ(Script().renders.size(), 3u);
    EXPECT_NEAR(Script().renders[1].fraction, 0.5f, 1e-4f);
    EXPECT_NEAR(Script().renders[2].fraction, 0.8f, 1e-4f);
    // One tick done: the state drawn lies between tick 1 and tick 2.
    EXPECT_NEAR(Script().renders[1].renderTime, 0.15f, 1e-4f);
    EXPECT_NEAR(app->GetFrameDelta(), 0.8f, 1e-4f);
}

TEST_F(MainClock, ALateFrameRunsTwoTicksAndRestartsTheClockAtThePresent)
{
    clock->Advance(90 + 350); // 0.35 s past the tick that fell due
    const int64_t now = GetPerformanceTicks();
    ASSERT_TRUE(app->Step());
    EXPECT_EQ(Script().ticks.size(), 3u);
    EXPECT_EQ(app->GetTickBase(), now);
    EXPECT_NEAR(Script().renders.back().fraction, 1.0f, 1e-6f);
    EXPECT_EQ(app->GetTickCount(), 3u);
    EXPECT_EQ(Script().ticks, (std::vector<uint32_t>{0, 1, 2}));

    // However late, never more than two.
    FrameAfter(5000);
    EXPECT_EQ(Script().ticks.size(), 5u);
    // Restarted at the present, the next tick is due at once, and the beat
    // goes on from there.
    FrameAfter(30);
    EXPECT_EQ(Script().ticks.size(), 6u);
    EXPECT_NEAR(Script().renders.back().fraction, 0.3f, 1e-4f);
    FrameAfter(30);
    EXPECT_EQ(Script().ticks.size(), 6u);
    EXPECT_NEAR(Script().renders.back().fraction, 0.6f, 1e-4f);
}

TEST_F(MainClock, APausedModeIsDrawnAtTheSameTimeWithNoFraction)
{
    FrameAfter(50);
    const float lastTime = Script().renders.back().renderTime;
    const uint32_t ticks = app->GetTickCount();
    app->GetMode()->SetPaused(true);
    FrameAfter(100);
    FrameAfter(40);
    EXPECT_EQ(Script().ticks.size(), 2u); // the mode still ticks
    EXPECT_EQ(app->GetTickCount(), ticks); // but the count stays
    ASSERT_EQ(Script().renders.size(), 4u);
    for (size_t i = 2; i < 4; ++i) {
        EXPECT_EQ(Script().renders[i].renderTime, lastTime);
        EXPECT_EQ(Script().renders[i].fraction, 0.0f);
    }
    // Resumed, the render time never goes back.
    app->GetMode()->SetPaused(false);
    FrameAfter(10);
    EXPECT_GE(Script().renders.back().renderTime, lastTime);
}

TEST_F(MainClock, AModeRequestInTheFirstTickStopsTheFrame)
{
    Script().requestInTick = TS_MODE_FRONT_END;
    const size_t drawn = Script().renders.size();
    FrameAfter(90 + 350); // late enough for two ticks
    EXPECT_EQ(Script().ticks.size(), 2u);
    EXPECT_EQ(Script().renders.size(), drawn);
    EXPECT_TRUE(app->ModeRequestPending());

    // The next frame switches: a new mode on a clock that starts again.
    FrameAfter(10);
    EXPECT_FALSE(app->ModeRequestPending());
    EXPECT_EQ(Script().made, 2);
    EXPECT_EQ(Script().destroyed, 1);
    EXPECT_EQ(app->GetTickCount(), 0u);
    FrameAfter(10);
    EXPECT_EQ(Script().ticks.back(), 0u);
}

TEST_F(MainClock, FrameRateIsMeasuredEveryThirtyFrames)
{
    app->MeasureFrameRate(); // the first call takes the stamp
    for (int i = 0; i < TsMain::kFrameRateInterval - 1; ++i) {
        clock->Advance(20);
        EXPECT_EQ(app->MeasureFrameRate(), app->GetFramesPerSecond());
    }
    clock->Advance(20);
    // 30 frames in 0.6 s.
    EXPECT_NEAR(app->MeasureFrameRate(), 50.0f, 0.01f);
}

using MainWindow = MainClock;

// The close reaches the loop even when a log line in the middle of loading
// pumped the messages first.
TEST_F(MainWindow, ClosingTheWindowEndsTheLoopWithZero)
{
    plat::InjectClose(*app->GetWindow());
    TsMain::PumpMessages();
    int exitCode = -5;
    EXPECT_FALSE(app->Step(&exitCode));
    EXPECT_EQ(exitCode, 0);
}

TEST_F(MainWindow, WithoutTheFocusTheInputIsLostAndFramesDoNothing)
{
    const size_t ticks = Script().ticks.size();
    const size_t renders = Script().renders.size();

    EXPECT_TRUE(OmD3D::Instance()->IsActive());
    plat::InjectFocus(*app->GetWindow(), false);
    Frames(2, 100);
    EXPECT_EQ(Script().ticks.size(), ticks);
    EXPECT_EQ(Script().renders.size(), renders);
    EXPECT_FALSE(OmD3D::Instance()->IsActive()) << "the renderer hears of it";

    // Back in the foreground, the game goes on.
    plat::InjectFocus(*app->GetWindow(), true);
    Frames(2, 100);
    EXPECT_GT(Script().ticks.size(), ticks);
    EXPECT_GT(Script().renders.size(), renders);
    EXPECT_TRUE(OmD3D::Instance()->IsActive());
}

} // namespace
} // namespace apptest
