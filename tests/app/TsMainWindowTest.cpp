// The main window's messages as the loop sees them: focus (the renderer told
// of it too), closing, and the pump that log output runs.
#include "platform/EventInjection.h"
#include "platform/Window.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

using MainWindow = AppTest;

// The close reaches the loop even when a log line in the middle of loading
// pumped the messages first.
TEST_F(MainWindow, ClosingTheWindowEndsTheLoopWithZero)
{
    Start();
    FrameAfter(10);
    plat::InjectClose(*app->GetWindow());
    TsMain::PumpMessages();
    int exitCode = -5;
    EXPECT_FALSE(app->Step(&exitCode));
    EXPECT_EQ(exitCode, 0);
}

TEST_F(MainWindow, WithoutTheFocusTheInputIsLostAndFramesDoNothing)
{
    Start();
    FrameAfter(10);
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
