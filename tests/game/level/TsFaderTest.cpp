// The screen fader: the pattern edges (no 0 / 0 at the start point, t held
// to 0..1), progress per tick and what stays on screen afterwards, and the
// wipe and iris drawn on a real device at t = 0, 0.5 and 1 with the frame's
// render states left as they were.
#include "tests/render/RendererFixture.h"

#include <cmath>

#include "game/level/TsFader.h"

namespace {

namespace GfxRs = plat::GfxRs;

TEST(FaderPattern, TheFrontPassesWithTAndNeverDividesZeroByZero)
{
    struct Case {
        float r, t, blend;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 0.0f},  // the pattern's start point before it moves
        {0.5f, 0.0f, 0.0f},  {1.0f, 0.0f, 0.0f},
        {0.0f, 0.5f, 1.0f},  {0.25f, 0.5f, 1.0f}, // passed
        {0.5f, 0.5f, 1.0f},  {1.0f, 0.5f, 0.5f},  // at and ahead of the front
        {1.0f, 1.0f, 1.0f},  {0.0f, 1.0f, 1.0f},
        {1.0f, 1.5f, 1.0f},  {0.5f, -0.5f, 0.0f}, // t held to 0..1
    };
    for (const Case& c : cases) {
        const float blend = TsFader::PatternBlend(c.r, c.t);
        EXPECT_FALSE(std::isnan(blend));
        EXPECT_FLOAT_EQ(blend, c.blend) << "r " << c.r << " t " << c.t;
    }
}

TEST(FaderProgress, AFadeOutStaysOnScreenAndAFadeInStopsDrawing)
{
    for (bool out : {true, false}) {
        TsFader fader; // no renderer: it counts, it cannot draw
        fader.Start(TS_FADE_UNIFORM, 0.4f, out, OmColour(0, 0, 0, 1));
        EXPECT_TRUE(fader.IsRendering());
        for (int i = 0; i < 4; ++i) {
            EXPECT_FALSE(fader.IsComplete()) << i;
            fader.Update();
        }
        EXPECT_NEAR(fader.BlendAt(1.0f), 1.0f, 1e-5f);
        fader.Update();
        EXPECT_TRUE(fader.IsComplete());
        fader.Update();
        EXPECT_EQ(fader.IsRendering(), out);
        EXPECT_FLOAT_EQ(fader.BlendAt(0.5f), 1.0f);
        fader.StopRendering();
        EXPECT_FALSE(fader.IsRendering());
    }
    TsFader none;
    none.Start(TS_FADE_NONE, 1.0f, true, OmColour());
    EXPECT_TRUE(none.IsComplete());
    TsFader instant; // no time: over at the next tick, never past the end
    instant.Start(TS_FADE_UNIFORM, 0.0f, true, OmColour());
    instant.Update();
    instant.Update();
    EXPECT_TRUE(instant.IsComplete());
    EXPECT_FLOAT_EQ(instant.BlendAt(1.0f), 1.0f);
}

class FaderPixels : public rtest::RendererTest {
protected:
    void SetUp() override { ASSERT_TRUE(Open(640, 480)); }

    // Fades white to black with the kind and draws the frame at t.
    std::vector<uint32_t> DrawAt(TsFadeKind kind, float t)
    {
        TsFader fader;
        EXPECT_TRUE(fader.Start(kind, 1.0f, true, OmColour(0, 0, 0, 1)));
        for (int i = 0; i < int(std::lround(t * 10)); ++i)
            fader.Update();
        ClearTo(1.0f, 1.0f, 1.0f);
        EXPECT_EQ(Device()->BeginScene(), plat::GfxResult::Ok);
        fader.Render(1.0f);
        Device()->EndScene();
        return ReadPixels();
    }

    static uint32_t Grey(uint32_t pixel) { return pixel & 0xFF; }
};

TEST_F(FaderPixels, TheWipeCoversFromTheLeft)
{
    const auto start = DrawAt(TS_FADE_WIPE_LR, 0.0f);
    for (uint32_t x : {1u, 320u, 638u})
        EXPECT_EQ(Pixel(start, x, 240), 0xFFFFFFFFu) << x;
    const auto half = DrawAt(TS_FADE_WIPE_LR, 0.5f);
    EXPECT_LE(Grey(Pixel(half, 20, 240)), 2u);   // the front has passed: black
    const uint32_t right = Grey(Pixel(half, 630, 240)); // t / r = 0.5 there: half covered
    EXPECT_NEAR(double(right), 128.0, 8.0);
    EXPECT_GT(right, Grey(Pixel(half, 400, 240))); // darker toward the front
    const auto end = DrawAt(TS_FADE_WIPE_LR, 1.0f);
    for (uint32_t x : {1u, 320u, 638u})
        EXPECT_LE(Grey(Pixel(end, x, 240)), 2u) << x;
}

TEST_F(FaderPixels, TheIrisOpensFromTheCentre)
{
    const auto start = DrawAt(TS_FADE_IRIS, 0.0f);
    for (auto [x, y] : {std::pair{320u, 240u}, std::pair{2u, 2u}, std::pair{637u, 477u}})
        EXPECT_EQ(Pixel(start, x, y), 0xFFFFFFFFu) << x << "," << y; // the centre too: no 0 / 0
    const auto half = DrawAt(TS_FADE_IRIS, 0.5f);
    EXPECT_LE(Grey(Pixel(half, 320, 240)), 2u);
    EXPECT_NEAR(double(Grey(Pixel(half, 1, 1))), 128.0, 10.0);
    const auto end = DrawAt(TS_FADE_IRIS, 1.0f);
    for (auto [x, y] : {std::pair{320u, 240u}, std::pair{2u, 2u}, std::pair{637u, 477u}})
        EXPECT_LE(Grey(Pixel(end, x, y)), 2u) << x << "," << y;
}

TEST_F(FaderPixels, TheClosingIrisCoversTheEdgesFirst)
{
    const auto half = DrawAt(TS_FADE_IRIS_CLOSING, 0.5f);
    EXPECT_LE(Grey(Pixel(half, 1, 1)), 4u);
    EXPECT_NEAR(double(Grey(Pixel(half, 320, 240))), 128.0, 10.0);
}

// Drawing the fade puts back what the frame had, whatever that was.
TEST_F(FaderPixels, RenderStatesComeBackAsTheFrameHadThem)
{
    renderer->DispatchRenderState(GfxRs::ZEnable, 0);
    renderer->DispatchRenderState(GfxRs::CullMode, plat::GfxCull::Cw);
    renderer->DispatchRenderState(GfxRs::ZWriteEnable, 1);
    renderer->DispatchRenderState(GfxRs::Lighting, 1);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
    DrawAt(TS_FADE_UNIFORM, 0.5f);
    ExpectStates({{GfxRs::ZEnable, 0},
                  {GfxRs::CullMode, plat::GfxCull::Cw},
                  {GfxRs::ZWriteEnable, 1},
                  {GfxRs::Lighting, 1},
                  {GfxRs::AlphaBlendEnable, 0}});
    ExpectCacheMatchesDevice({GfxRs::ZEnable, GfxRs::CullMode, GfxRs::AlphaBlendEnable});
}

TEST_F(FaderPixels, TheUniformFadeBlendsTheWholeScreen)
{
    const auto half = DrawAt(TS_FADE_UNIFORM, 0.5f);
    for (auto [x, y] : {std::pair{320u, 240u}, std::pair{2u, 2u}})
        EXPECT_NEAR(double(Grey(Pixel(half, x, y))), 128.0, 4.0);
}

} // namespace
