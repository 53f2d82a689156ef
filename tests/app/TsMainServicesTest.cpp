// What start-up builds for the whole run and the frame uses: the fonts,
// and the load screen's prompt written with the HUD's one (also after a
// video has reset the device).
#include <algorithm>
#include <string>
#include <vector>

#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsVideo.h"
#include "render/OmD3D.h"
#include "render/OmD3DFont.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

using MainServices = AppTest;

// The prompt is drawn in the row the load screen names, centred, and
// nothing else is on the black screen; so it is after a video.
TEST_F(MainServices, TheLoadScreenWritesItsPromptWithTheHUDFontBeforeAndAfterAVideo)
{
    Start();
    FrameAfter(10);
    g_loadScreen.held = 1;
    g_loadScreen.textY = 200;
    g_loadScreen.pulse.previous = g_loadScreen.pulse.current = 1.0f; // fully lit
    FrameAfter(100);
    int width = 0, height = 0;
    const std::vector<uint32_t> screen = ScreenPixels(width, height);
    ASSERT_FALSE(screen.empty());
    uint32_t size[2] = {};
    ASSERT_EQ(app->GetHUDFont()->GetTextExtent("Loading....", size), 0);
    int lit = 0, litOutside = 0, left = width, right = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((screen[size_t(y) * size_t(width) + size_t(x)] & 0x00FFFFFF) == 0) {
                continue;
            }
            if (y >= 200 && y < 200 + int(size[1])) {
                ++lit;
                left = std::min(left, x);
                right = std::max(right, x);
            } else {
                ++litOutside;
            }
        }
    }
    EXPECT_GT(lit, 20) << "the text is drawn";
    EXPECT_EQ(litOutside, 0);
    EXPECT_NEAR((left + right) / 2.0, width / 2.0, size[0] / 4.0 + 4) << "centred";

    // A video resets the device; the fonts still write after it.
    TsVideo::SetFrameObserver([](int, void*) { TsVideo::Stop(); }, nullptr);
    TsVideo::PlayFMV("data\\FMV\\TitleCards.mpg");
    TsVideo::SetFrameObserver(nullptr, nullptr);
    FrameAfter(100);
    const std::vector<uint32_t> after = ScreenPixels(width, height);
    EXPECT_GT(std::count_if(after.begin(), after.end(), [](uint32_t p) { return (p & 0x00FFFFFF) != 0; }), 20);
}

} // namespace
} // namespace apptest
