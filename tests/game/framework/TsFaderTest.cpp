// The screen fader: the pattern edges (no 0 / 0 at the start point, t held
// to 0..1), progress per tick and what stays on screen afterwards, and the
// wipe and iris drawn on a real device at t = 0, 0.5 and 1 with the frame's
// render states left as they were.
#include "tests/render/RendererFixture.h"

#include <cmath>

#include "game/framework/TsFader.h"

namespace {

namespace GfxRs = plat::GfxRs;

TEST(FaderProgress, AFadeOutStaysOnScreenAndAFadeInStopsDrawing)
{
    for (bool out : {true, false}) {
        TsFader fader; // no renderer: it counts, it cannot draw
        fader.Start(TS_FADE_UNIFORM, 0.4f, out, OmColour(0, 0, 0, 1));
        for (int i = 0; i < 4; ++i)
            fader.Update();
        EXPECT_FALSE(fader.IsComplete());
        fader.Update();
        fader.Update();
        EXPECT_TRUE(fader.IsComplete());
        EXPECT_EQ(fader.IsRendering(), out);
        EXPECT_FLOAT_EQ(fader.BlendAt(0.5f), 1.0f);
    }
}

TEST(FaderProgress, ThePatternBlendIsDefinedAtItsStartAndHeldToTheEnds)
{
    EXPECT_FLOAT_EQ(TsFader::PatternBlend(0.0f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(TsFader::PatternBlend(1.0f, 1.5f), 1.0f);
    EXPECT_FLOAT_EQ(TsFader::PatternBlend(0.5f, -0.5f), 0.0f);
}

TEST(FaderProgress, AFadeOfNoTimeIsOverAtTheNextTickAndNeverPastTheEnd)
{
    TsFader instant;
    instant.Start(TS_FADE_UNIFORM, 0.0f, true, OmColour());
    instant.Update();
    instant.Update();
    EXPECT_TRUE(instant.IsComplete());
    EXPECT_FLOAT_EQ(instant.BlendAt(1.0f), 1.0f);
}

class FaderPixels : public rtest::ScreenTest {
protected:
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

// White faded to black, drawn at t: the grey (0 black, 255 white) at
// points of the 640 x 480 frame. The wipe covers from the left; the iris
// opens from the centre (no 0 / 0 there), the closing iris from the edges.
TEST_F(FaderPixels, EachPatternCoversTheScreenInItsOrder)
{
    struct Point {
        uint32_t x, y, grey, tolerance;
    };
    const struct {
        TsFadeKind kind;
        float t;
        std::vector<Point> points;
    } cases[] = {
        {TS_FADE_WIPE_LR, 0.0f, {{1, 240, 255, 0}, {320, 240, 255, 0}, {638, 240, 255, 0}}},
        {TS_FADE_WIPE_LR, 0.5f, {{20, 240, 0, 2}, {630, 240, 128, 8}}}, // t / r = 0.5 at 630
        {TS_FADE_WIPE_LR, 1.0f, {{1, 240, 0, 2}, {320, 240, 0, 2}, {638, 240, 0, 2}}},
        {TS_FADE_IRIS, 0.0f, {{320, 240, 255, 0}, {2, 2, 255, 0}, {637, 477, 255, 0}}},
        {TS_FADE_IRIS, 0.5f, {{320, 240, 0, 2}, {1, 1, 128, 10}}},
        {TS_FADE_IRIS, 1.0f, {{320, 240, 0, 2}, {2, 2, 0, 2}, {637, 477, 0, 2}}},
        {TS_FADE_IRIS_CLOSING, 0.5f, {{1, 1, 0, 4}, {320, 240, 128, 10}}},
        {TS_FADE_UNIFORM, 0.5f, {{320, 240, 128, 4}, {2, 2, 128, 4}}},
    };
    for (const auto& c : cases) {
        const auto pixels = DrawAt(c.kind, c.t);
        for (const Point& p : c.points)
            EXPECT_NEAR(double(Grey(Pixel(pixels, p.x, p.y))), double(p.grey), double(p.tolerance))
                << "kind " << int(c.kind) << " t " << c.t << " at " << p.x << "," << p.y;
    }
    // Darker toward the wipe's front.
    const auto half = DrawAt(TS_FADE_WIPE_LR, 0.5f);
    EXPECT_GT(Grey(Pixel(half, 630, 240)), Grey(Pixel(half, 400, 240)));
}

// A level's warm-up draws the grid with its buffers made: all clear, and
// no fade begins.
TEST_F(FaderPixels, AWarmUpLeavesTheFrameAsItWasAndStartsNoFade)
{
    TsFader fader;
    ClearTo(1.0f, 1.0f, 1.0f);
    ASSERT_EQ(Device()->BeginScene(), plat::GfxResult::Ok);
    fader.WarmUp();
    Device()->EndScene();
    EXPECT_GE(fader.GetVertexBufferId(), 0);
    EXPECT_FALSE(fader.IsRendering());
    EXPECT_EQ(Grey(Pixel(ReadPixels(), 320, 240)), 255u);
}

TEST_F(FaderPixels, DrawingAFadePutsBackTheFramesRenderStates)
{
    renderer->DispatchRenderState(GfxRs::ZEnable, 0);
    renderer->DispatchRenderState(GfxRs::CullMode, plat::GfxCull::Cw);
    renderer->DispatchRenderState(GfxRs::ZWriteEnable, 1);
    renderer->DispatchRenderState(GfxRs::Lighting, 1);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
    for (TsFadeKind kind : {TS_FADE_WIPE_LR, TS_FADE_IRIS, TS_FADE_IRIS_CLOSING, TS_FADE_UNIFORM})
        DrawAt(kind, 0.5f);
    ExpectStates({{GfxRs::ZEnable, 0},
                  {GfxRs::CullMode, plat::GfxCull::Cw},
                  {GfxRs::ZWriteEnable, 1},
                  {GfxRs::Lighting, 1},
                  {GfxRs::AlphaBlendEnable, 0}});
    ExpectCacheMatchesDevice({GfxRs::ZEnable, GfxRs::CullMode, GfxRs::AlphaBlendEnable});
}

} // namespace
