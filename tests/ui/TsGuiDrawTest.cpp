// Sprite quads and frames, measured on the pixels the real renderer draws.
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"
#include "tests/ui/GuiFixture.h"
#include "ui/TsGuiDialog.h"

namespace guitest {
namespace {

using GuiPlacement = GuiTest;

TEST_F(GuiPlacement, SpritesTruncateTheirPositionTurnTheirSizeAndKeepTheBlendAsked)
{
    Start();
    OmD3D* r = OmD3D::Instance();
    // Left half red, right half green, so a mirror shows.
    TsGuiSprite* wide = PatternSprite(64, 32, [](int x, int) { return x < 32 ? 0xFFFF0000u : 0xFF00FF00u; });
    struct Case {
        int orientation;
        bool mirrorX;
        int w, h;
        uint32_t leftColour; // at the quad's left middle
    };
    const Case cases[] = {
        {0, false, 64, 32, 0xFF0000}, {1, false, 32, 64, 0xFF0000}, {2, false, 64, 32, 0x00FF00},
        {3, false, 32, 64, 0xFF0000}, {7, false, 64, 32, 0xFF0000}, {0, true, 64, 32, 0x00FF00},
    };
    for (const Case& c : cases) {
        r->Clear(nullptr, 0);
        ASSERT_TRUE(r->BeginScene(0.0f));
        wide->DrawMirrored(r, 10.7f, 20.2f, c.orientation, c.mirrorX, false, 0);
        r->EndScene();
        r->Present();
        const std::vector<uint32_t> screen = ReadScreen();
        Box box = FindColour(screen, 0xFF0000);
        const Box green = FindColour(screen, 0x00FF00);
        box.left = std::min(box.left, green.left), box.right = std::max(box.right, green.right);
        box.top = std::min(box.top, green.top), box.bottom = std::max(box.bottom, green.bottom);
        EXPECT_EQ(box.Width(), c.w) << "orientation " << c.orientation;
        EXPECT_EQ(box.Height(), c.h) << "orientation " << c.orientation;
        EXPECT_NEAR(box.left, 10, 1); // trunc(10.7) + 0.5
        EXPECT_NEAR(box.top, 20, 1);
        if (c.orientation != 1 && c.orientation != 3) { // turned, the halves lie top and bottom
            EXPECT_EQ(Pixel(screen, box.left + 2, box.top + c.h / 2), c.leftColour) << c.orientation;
        }
    }
    // A sprite without a texture measures nothing and draws nothing.
    TsGuiSprite none;
    EXPECT_EQ(none.GetPixelWidth(), 0.0f);
    TsGuiSpritePlacement empty;
    EXPECT_EQ(empty.GetPixelHeight(), 0.0f);
    empty.Draw(0.0f, 0.0f);
    // The keep blend mode leaves the blend state as it was.
    TsGuiSprite* white = SolidSprite(8, 8, 0xFFFFFFFF);
    ASSERT_TRUE(r->BeginScene(0.0f));
    r->SetBlendMode(0x40);
    const uint32_t src = r->GetRenderState(plat::GfxRs::SrcBlend), dst = r->GetRenderState(plat::GfxRs::DestBlend);
    const uint32_t on = r->GetRenderState(plat::GfxRs::AlphaBlendEnable);
    white->DrawMirrored(r, 0.0f, 0.0f, 0, true, true, TsGuiSprite::kKeepBlend);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::SrcBlend), src);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::DestBlend), dst);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::AlphaBlendEnable), on);
    // Any other mode is set for the draw and put back to 0 after it.
    white->Draw(r, 0.0f, 0.0f, 0, 0x40);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::AlphaBlendEnable), 0u);
    r->EndScene();
    r->Present();
}

TEST_F(GuiPlacement, FrameEdgesWithoutSpritesAreLinesOnlyWhenAskedAndEmptyTilesEndTheFrame)
{
    Start();
    TsGuiSprite* corner = SolidSprite(16, 16, 0xFFFF0000);
    const TsGuiSpritePlacement frame[TS_FRAME_SLOTS] = {Place(corner), {}, Place(corner), {}, {},
                                                        Place(corner), {}, Place(corner)};
    OmD3D* r = OmD3D::Instance();
    for (bool lines : {false, true}) {
        r->Clear(nullptr, 0);
        ASSERT_TRUE(r->BeginScene(0.0f));
        DrawGuiFrame(100.0f, 100.0f, 200.0f, 120.0f, frame, lines);
        r->EndScene();
        r->Present();
        const std::vector<uint32_t> screen = ReadScreen();
        EXPECT_EQ(Pixel(screen, 105, 105), 0xFF0000u); // the corners either way
        EXPECT_EQ(Pixel(screen, 290, 210), 0xFF0000u);
        // The middle of the top edge: a gap, or a one-pixel white line.
        const Box white = FindColour(screen, 0xFFFFFF);
        EXPECT_EQ(white.Empty(), !lines);
        if (lines) {
            EXPECT_EQ(Pixel(screen, 200, 100), 0xFFFFFFu);
            EXPECT_NE(Pixel(screen, 200, 101), 0xFFFFFFu);
            EXPECT_EQ(Pixel(screen, 100, 160), 0xFFFFFFu); // left edge
        }
    }
    // A tile that measures nothing does not hang the frame.
    TsGuiSprite unloaded; // a texture id with no texture behind it
    unloaded.textureId = 4000;
    const TsGuiSpritePlacement edges[TS_FRAME_SLOTS] = {{}, Place(&unloaded), {}, Place(&unloaded), Place(&unloaded),
                                                        {}, Place(&unloaded), {}};
    ASSERT_TRUE(r->BeginScene(0.0f));
    DrawGuiFrame(10.0f, 10.0f, 100.0f, 100.0f, edges, true); // returns
    DrawGuiShade(10.0f, 10.0f, 100.0f, 100.0f);
    r->EndScene();
    r->Present();
}

} // namespace
} // namespace guitest
