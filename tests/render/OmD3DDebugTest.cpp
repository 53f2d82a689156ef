// Developer drawing: the polynomial sine and cosine over the whole circle,
// the frame's debug lines, and screenshots read back from the file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <tuple>

#include "engine/OmMath.h"
#include "platform/BmpFile.h"
#include "platform/ImageFile.h"
#include "tests/render/RendererFixture.h"
#include "tests/render/ResourceTestSupport.h"

using namespace plat;
using namespace rtest;

using DebugDrawTest = RendererTest;

TEST(FastTrigTest, FoldedPolynomialsFollowSineAndCosineRoundTheCircle)
{
    EXPECT_FLOAT_EQ(FastCos(0.0f), 1.0f);
    EXPECT_NEAR(FastSin(OM_HALF_PI), 1.0f, 0.0002f);
    for (int i = -40; i <= 80; ++i) {
        const float a = float(i) * OM_TWO_PI / 40.0f;
        float s = 0, c = 0;
        FastSinCos(a, s, c);
        EXPECT_NEAR(s, std::sin(a), 0.004f) << a;
        EXPECT_NEAR(c, std::cos(a), 0.004f) << a;
    }
}

TEST_F(DebugDrawTest, DebugLinesDrawOnceAtTheEndOfTheFrame)
{
    ASSERT_TRUE(Open(640, 480));
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    ClearTo(0, 0, 0);
    // A view straight down z with one unit per 100 pixels around the centre.
    OmProjectionParams ortho;
    ortho.halfWidth = 3.2f, ortho.halfHeight = 2.4f;
    ortho.nearDistance = 0.0f, ortho.farDistance = 100.0f, ortho.orthographic = 1;
    renderer->SetProjection(&ortho);
    renderer->SetViewMatrix(&OmMatrix4::Identity());
    renderer->SetWorldMatrix(&OmMatrix4::Identity());
    // The store stops at 256 lines; a line past it leaves the last one be.
    for (uint32_t i = 1; i <= 256; ++i)
        ASSERT_EQ(renderer->AddDebugLine(-1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f), i);
    EXPECT_EQ(renderer->AddDebugLine(0, 0, 0, 2, 2, 2, 0, 1, 0, 1), 256u);
    EXPECT_FLOAT_EQ(renderer->GetDebugLine(255).to.x, 1.0f);
    EXPECT_FLOAT_EQ(renderer->GetDebugLine(255).colour[0], 1.0f);
    EXPECT_FLOAT_EQ(renderer->GetDebugLine(255).colour[1], 0.0f);
    EXPECT_EQ(renderer->GetDebugLineCount(), 256u);
    renderer->SetLighting(true);
    Device()->ResetCallCounts();
    renderer->EndScene();
    EXPECT_EQ(Device()->CallCount(GfxCall::DrawPrimitive), 1u);
    EXPECT_EQ(renderer->GetFrameStats()->words[OmRenderStats::kPrimitives], 256u);
    EXPECT_EQ(renderer->GetDebugLineCount(), 0u);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::Lighting), 1u);
    ExpectPixels(ReadPixels(), {{320, 140, 0xFFFF0000u}, {320, 300, 0xFF000000u}});

    ASSERT_TRUE(renderer->BeginScene(0.0f));
    Device()->ResetCallCounts();
    renderer->EndScene();
    EXPECT_EQ(Device()->CallCount(GfxCall::DrawPrimitive), 0u);
}

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
