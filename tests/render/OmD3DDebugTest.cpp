// Screenshots read back from the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/BmpFile.h"
#include "platform/ImageFile.h"
#include "tests/render/RendererFixture.h"
#include "tests/render/ResourceTestSupport.h"

using namespace plat;
using namespace rtest;

using DebugDrawTest = RendererTest;

TEST_F(DebugDrawTest, ScreenshotsReadBackWithThePixelsDrawnFullScreenOrWindowed)
{
    TempFolder folder("om_shots");
    for (bool windowed : {false, true}) {
        SCOPED_TRACE(windowed);
        if (windowed) {
            // On a 1024 x 768 desktop the window's rows are read from a
            // screen-wide surface, a pitch wider than the picture.
            renderer.reset();
            SetGfxTestAdapters({StandardAdapter()});
            renderer = std::make_unique<rtest::TestRenderer>();
            OmRendererSetup setup;
            ASSERT_TRUE(renderer->Initialise(&setup));
        } else {
            ASSERT_TRUE(Open(640, 480));
        }
        ASSERT_TRUE(renderer->BeginScene(0.0f));
        ClearTo(0, 0, 1);
        renderer->SetLighting(false);
        renderer->SetTexture(0, -1);
        DrawQuad(*renderer, 10, 20, 110, 70, 0xFFFF0000);
        renderer->EndScene();
        renderer->Present();
        ReadPixels(); // the size drawn
        ASSERT_LT(width, 1024u);
        const std::string file = folder.File(windowed ? "window.bmp" : "shot.bmp");
        ASSERT_TRUE(renderer->SaveScreenshot(file.c_str()));
        EXPECT_EQ(std::filesystem::file_size(file), 54u + Bmp24RowBytes(width) * height);
        Image image;
        ASSERT_TRUE(LoadImageFile(file, image));
        EXPECT_EQ(std::tie(image.width, image.height), std::tie(width, height));
        for (const Probe p : {Probe{50, 40, 0xFFFF0000u}, Probe{width - 1, height - 1, 0xFF0000FFu},
                              Probe{5, 40, 0xFF0000FFu}})
            EXPECT_EQ(image.At(p.x, p.y) | 0xFF000000u, p.colour) << p.x << "," << p.y;
    }
    EXPECT_FALSE(renderer->SaveScreenshot(folder.File("no/such/folder/shot.bmp").c_str()));
    EXPECT_FALSE(renderer->SaveScreenshot(nullptr));
}
