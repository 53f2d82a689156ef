// The load screen: held until Space, then one frame of the prompt (in the
// HUD's font, also after a video), then the mode carries on with its clock
// restarted at the present; its image.
#include <filesystem>
#include <vector>

#include "game/framework/TsInput.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsVideo.h"
#include "platform/BmpFile.h"
#include "platform/KeyCodes.h"
#include "render/OmD3DFont.h"
#include "tests/app/AppFixture.h"
#include "tests/render/RendererFixture.h"

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

    // Space, as the frame's poll reads it, ends the hold within one tick and
    // selects the prompt.
    Key(plat::kKeySpace, true);
    ASSERT_TRUE(app->GetInput()->Update(app->GetScreenWidth(), app->GetScreenHeight()));
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

// A missing image is reported and the screen still waits.
TEST_F(LoadScreen, ItsImageFillsTheScreenUntilSpace)
{
    Start();
    LoadLoadScreenImage("no such screen.tga");
    EXPECT_EQ(g_loadScreen.image, nullptr);
    EXPECT_TRUE(log.Contains("no such screen.tga"));
    g_loadScreen.held = 1;
    FrameAfter(100);
    EXPECT_EQ(g_loadScreen.held, 1);
    {
        ScratchDir scratch; // the image is read from .\data\ below the working folder
        const std::vector<uint32_t> red(16 * 16, 0xFFFF0000u);
        std::filesystem::create_directory("data");
        ASSERT_TRUE(plat::WriteBmp24(scratch.Path() + "/data/red.bmp", red.data(), 16, 16, 16 * 4));
        LoadLoadScreenImage("red.bmp");
    }
    ASSERT_NE(g_loadScreen.image, nullptr);
    FrameAfter(100);
    EXPECT_EQ(CentrePixel(), 0xFFFF0000u);
    Key(plat::kKeySpace, true);
    FrameAfter(100);
    EXPECT_EQ(g_loadScreen.image, nullptr); // released as the hold ends
}

// The prompt is drawn with the HUD's font in the row the load screen names,
// centred, and nothing else is on the black screen; so it is after a video
// has reset the device.
TEST_F(LoadScreen, ThePromptIsWrittenWithTheHUDFontBeforeAndAfterAVideo)
{
    Start();
    FrameAfter(10);
    g_loadScreen.held = 1;
    g_loadScreen.textY = 200;
    g_loadScreen.pulse.previous = g_loadScreen.pulse.current = 1.0f; // fully lit
    const Picture screen = LookAfter(1);
    ASSERT_FALSE(screen.pixels.empty());
    uint32_t size[2] = {};
    ASSERT_EQ(app->GetHUDFont()->GetTextExtent("Loading....", size), 0);
    const auto lit = [](uint32_t p) { return (p & 0x00FFFFFF) != 0; };
    const rtest::InkBox text = rtest::FindInk(screen.pixels, screen.width, lit);
    EXPECT_GT(text.count, 20) << "the text is drawn";
    EXPECT_GE(text.top, 200) << "nothing lit outside its row";
    EXPECT_LT(text.bottom, 200 + int(size[1]));
    EXPECT_NEAR((text.left + text.right) / 2.0, screen.width / 2.0, size[0] / 4.0 + 4) << "centred";

    TsVideo::SetFrameObserver([](int, void*) { TsVideo::Stop(); }, nullptr);
    TsVideo::PlayFMV("data\\FMV\\TitleCards.mpg");
    TsVideo::SetFrameObserver(nullptr, nullptr);
    const Picture after = LookAfter(1);
    EXPECT_GT(after.Count(0, 0, after.width, after.height, lit), 20);
}

} // namespace
} // namespace apptest
