// The window's child table and its routing rules; sprite quads and frames,
// measured on the pixels the real renderer draws.
#include <array>
#include <string>

#include "platform/GfxTypes.h"
#include "render/OmD3D.h"
#include "tests/ui/GuiFixture.h"
#include "ui/TsGuiWindow.h"

namespace guitest {
namespace {

// An element or control that writes down which operation ran.
template <class Base> class Probe : public Base {
public:
    template <class... Args>
    explicit Probe(std::string* log, const char* tag, Args... args) : Base(args...), m_log(log), m_tag(tag)
    {
    }
    void OnMouseMove(int32_t, uint32_t) override { Note("move"); }
    void OnMouseDown(int32_t, uint32_t) override { Note("down"); }
    void OnMouseUp(int32_t, uint32_t) override { Note("up"); }
    void Reserved(TsGuiArg, TsGuiArg) override { Note("reserved"); }
    void Render(float f) override { Note("render" + std::to_string(int(f * 100))); }
    void Update(float t) override { Note("update" + std::to_string(int(t * 100))); }

private:
    void Note(const std::string& what) { *m_log += std::string(m_tag) + what + " "; }
    std::string* m_log;
    const char* m_tag;
};

TEST(GuiElement, AWindowHoldsTwentyThreeChildrenAtMost)
{
    TsGuiWindow window(nullptr);
    TsGuiElement children[24];
    window.AddChild(nullptr);
    for (TsGuiElement& child : children)
        window.AddChild(&child);
    EXPECT_EQ(window.GetChildCount(), 23);
    EXPECT_EQ(children[23].GetOwner(), nullptr);
    EXPECT_EQ(window.IndexOfChild(&children[23]), -1);
    EXPECT_EQ(window.GetWidestChild(), 0.0f); // none takes input
}

using GuiWindowRouting = GuiTest;

TEST_F(GuiWindowRouting, PressesReachEveryControlUnderThePointerAndEveryInertChild)
{
    std::string log;
    TsGuiWindow window(&FrontEnd());
    Probe<TsGuiControl> a(&log, "A"), b(&log, "B"), far(&log, "F");
    Probe<TsGuiElement> inert(&log, "I");
    for (TsGuiElement* child : std::initializer_list<TsGuiElement*>{&a, &inert, &b, &far})
        window.AddChild(child);
    a.SetRect(0.1f, 0.1f, 0.3f, 0.3f);
    b.SetRect(0.2f, 0.2f, 0.3f, 0.3f);
    far.SetRect(0.8f, 0.8f, 0.1f, 0.1f);
    EXPECT_FLOAT_EQ(window.GetWidestChild(), 0.3f);
    // Hit tests take both edges in.
    const float right = GuiToPixelsX(far.GetRight()), bottom = GuiToPixelsY(far.GetBottom());
    EXPECT_TRUE(far.HitTest(right, bottom) && far.HitTest(GuiToPixelsX(0.8f), GuiToPixelsY(0.8f)));
    EXPECT_FALSE(far.HitTest(right + 1.0f, bottom) || far.HitTest(right, bottom + 1.0f));

    const int32_t overlap = GuiPackMouse(192, 144); // (0.3, 0.3)
    window.OnMouseDown(overlap, 1);
    window.OnMouseUp(overlap, 0);
    EXPECT_EQ(log, "Adown Idown Bdown Aup Iup Bup ");

    // A move sets every control's hover, then reaches all children.
    log.clear();
    window.OnMouseMove(GuiPackMouse(100, 100), 0);
    EXPECT_EQ(log, "Amove Imove Bmove Fmove ");
    EXPECT_EQ(std::pair(a.IsHovered(), b.IsHovered()), std::pair(true, false));
    window.OnMouseMove(overlap, 0);
    EXPECT_TRUE(b.IsHovered());

    // Nowhere near any control: only the inert child hears it.
    log.clear();
    window.OnMouseDown(GuiPackMouse(639, 10), 1);
    EXPECT_EQ(log, "Idown ");
    // Window events pass to every child whatever the pointer.
    log.clear();
    window.Render(0.5f);
    window.Update(2.0f);
    window.Reserved(0, 0);
    EXPECT_EQ(log, "Arender50 Irender50 Brender50 Frender50 Aupdate200 Iupdate200 Bupdate200 Fupdate200 ");
}

using GuiPlacement = GuiTest;

TEST_F(GuiPlacement, SpritesTruncateTheirPositionAndTurnOrMirrorTheirPicture)
{
    // Left half red, right half green, so a mirror shows.
    TsGuiSprite* wide = PatternSprite(64, 32, [](int x, int) { return x < 32 ? 0xFFFF0000u : 0xFF00FF00u; });
    const struct {
        int orientation;
        bool mirrorX;
        int w, h;
        uint32_t leftColour; // at the quad's left middle
    } cases[] = {
        {0, false, 64, 32, 0xFF0000}, {1, false, 32, 64, 0xFF0000}, {2, false, 64, 32, 0x00FF00},
        {3, false, 32, 64, 0xFF0000}, {7, false, 64, 32, 0xFF0000}, {0, true, 64, 32, 0x00FF00},
    };
    for (const auto& c : cases) {
        const std::vector<uint32_t> screen =
            DrawnAlone([&](OmD3D& r) { wide->DrawMirrored(&r, 10.7f, 20.2f, c.orientation, c.mirrorX, false, 0); });
        const Box box = rtest::FindInk(screen, width, [](uint32_t p) { return p == 0xFF0000 || p == 0x00FF00; });
        EXPECT_EQ(box.Width(), c.w) << "orientation " << c.orientation;
        EXPECT_EQ(box.Height(), c.h) << "orientation " << c.orientation;
        EXPECT_NEAR(box.left, 10, 1); // trunc(10.7) + 0.5
        EXPECT_NEAR(box.top, 20, 1);
        if (c.orientation != 1 && c.orientation != 3) { // turned, the halves lie top and bottom
            EXPECT_EQ(Pixel(screen, box.left + 2, box.top + c.h / 2), c.leftColour) << c.orientation;
        }
    }
}

TEST_F(GuiPlacement, ASpriteWithoutATextureMeasuresAndDrawsNothing)
{
    TsGuiSprite none;
    EXPECT_EQ(none.GetPixelWidth(), 0.0f);
    TsGuiSpritePlacement empty;
    EXPECT_EQ(empty.GetPixelHeight(), 0.0f);
    empty.Draw(0.0f, 0.0f);
}

// The keep blend mode leaves the blend state as it was; any other mode is
// set for the draw and put back to 0 after it.
TEST_F(GuiPlacement, ASpriteDrawsWithTheBlendAskedAndKeepsOrResetsTheState)
{
    OmD3D* r = OmD3D::Instance();
    TsGuiSprite* white = SolidSprite(8, 8, 0xFFFFFFFF);
    ASSERT_TRUE(r->BeginScene(0.0f));
    r->SetBlendMode(0x40);
    const uint32_t src = r->GetRenderState(plat::GfxRs::SrcBlend), dst = r->GetRenderState(plat::GfxRs::DestBlend);
    const uint32_t on = r->GetRenderState(plat::GfxRs::AlphaBlendEnable);
    white->DrawMirrored(r, 0.0f, 0.0f, 0, true, true, TsGuiSprite::kKeepBlend);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::SrcBlend), src);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::DestBlend), dst);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::AlphaBlendEnable), on);
    white->Draw(r, 0.0f, 0.0f, 0, 0x40);
    EXPECT_EQ(r->GetRenderState(plat::GfxRs::AlphaBlendEnable), 0u);
    r->EndScene();
    r->Present();
}

TEST_F(GuiPlacement, FrameEdgesWithoutSpritesAreLinesOnlyWhenAsked)
{
    TsGuiSprite* corner = SolidSprite(16, 16, 0xFFFF0000);
    const TsGuiSpritePlacement frame[TS_FRAME_SLOTS] = {Place(corner), {}, Place(corner), {}, {},
                                                        Place(corner), {}, Place(corner)};
    for (bool lines : {false, true}) {
        const std::vector<uint32_t> screen =
            DrawnAlone([&](OmD3D&) { DrawGuiFrame(100.0f, 100.0f, 200.0f, 120.0f, frame, lines); });
        EXPECT_EQ(std::pair(Pixel(screen, 105, 105), Pixel(screen, 290, 210)), std::pair(0xFF0000u, 0xFF0000u));
        // The edges: gaps, or one-pixel white lines (top, then left).
        EXPECT_EQ(FindColour(screen, 0xFFFFFF).Empty(), !lines);
        const uint32_t line = lines ? 0xFFFFFFu : 0u;
        EXPECT_EQ((std::array{Pixel(screen, 200, 100), Pixel(screen, 200, 101), Pixel(screen, 100, 160)}),
                  (std::array{line, 0u, line}));
    }
}

TEST_F(GuiPlacement, AnEmptyTileEndsTheFrameInsteadOfHangingIt)
{
    OmD3D* r = OmD3D::Instance();
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
