// The load screen: held until Space, then one frame of the prompt, then the
// mode carries on with its clock restarted at the present.
#include <filesystem>
#include <vector>

#include "game/framework/TsLoadScreen.h"
#include "platform/BmpFile.h"
#include "tests/app/AppFixture.h"
#include "tests/game/framework/ScratchDir.h"

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
    Frames(3, 100);
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

TEST_F(LoadScreen, ItsImageFillsTheScreenUntilSpace)
{
    Start();
    {
        ScratchDir scratch; // the image is read from .\data\ below the working folder
        const std::vector<uint32_t> red(16 * 16, 0xFFFF0000u);
        std::filesystem::create_directory("data");
        ASSERT_TRUE(plat::WriteBmp24(scratch.Path() + "/data/red.bmp", red.data(), 16, 16, 16 * 4));
        LoadLoadScreenImage("red.bmp");
    }
    ASSERT_NE(g_loadScreen.image, nullptr);

    g_loadScreen.held = 1;
    FrameAfter(100);
    EXPECT_EQ(CentrePixel(), 0xFFFF0000u);
    PressKey(TsLoadScreen::kSpaceKey);
    FrameAfter(100);
    EXPECT_EQ(g_loadScreen.image, nullptr); // released as the hold ends
}

} // namespace
} // namespace apptest
