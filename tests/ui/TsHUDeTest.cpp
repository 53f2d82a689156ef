// The HUD's arithmetic that needs no screen: bar fractions, colour packing,
// the hologram grid and its glitch, the frame's pieces, and the sprite
// table's slot check.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "tests/game/framework/LogCapture.h"
#include "ui/TsFrameWindow.h"
#include "ui/TsHUDPortrait.h"
#include "ui/TsHUDe.h"

namespace {

// A bar shows clamp(value, 0, max) / max of its image's share; a bar with
// no maximum, or no number to show, is empty rather than a division by zero
// or a picture cut at no number.
TEST(HudBars, FractionsClampAndAZeroMaximumIsEmpty)
{
    const struct {
        float value, max, factor, expected;
    } cases[] = {{10, 10, 0.91f, 0.91f}, {0, 10, 0.91f, 0.0f},   {5, 10, 0.76f, 0.38f}, {25, 10, 0.91f, 0.91f},
                 {-3, 10, 0.91f, 0.0f},  {5, 0, 0.91f, 0.0f},    {5, -1, 0.91f, 0.0f},  {NAN, 10, 0.91f, 0.0f},
                 {INFINITY, INFINITY, 0.91f, 0.0f}};
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(TsHUDe::BarFraction(c.value, c.max, c.factor), c.expected) << c.value << "/" << c.max;
}

class HudPortrait : public ::testing::Test {
protected:
    HudPortrait()
    {
        portrait.SetSize(64, 64);
        portrait.SetPlace(100, 200);
    }
    TsHUDPortrait portrait;
};

// A glitch starts only while none runs, with chance dt x 1 % per frame of
// the 15-bit random number, and lasts 15 frames.
TEST_F(HudPortrait, GlitchesStartOnLowRandomNumbersAndRunTheirFrames)
{
    // 33 > 0.1 x 327.67 starts none, 32 does; a running glitch only counts down.
    constexpr int32_t kFull = TsHUDPortrait::kGlitchFrames;
    for (const auto& [random, glitch] : {std::pair(32767, 0), {33, 0}, {32, kFull}, {0, kFull - 1}}) {
        portrait.Update(0.1f, random);
        EXPECT_EQ(portrait.GetGlitch(), glitch) << random;
    }
}

// Corners of the grid, even in a glitch: the picture's edges, the last
// column at 0.99.
TEST_F(HudPortrait, TheGridSpansThePictureWithItsLastColumnShortOfTheEdge)
{
    portrait.Update(0.1f, 0);
    ASSERT_GT(portrait.GetGlitch(), 0);
    EXPECT_FLOAT_EQ(portrait.GetVertex(0).x, 100.0f);
    EXPECT_FLOAT_EQ(portrait.GetVertex(24).u, 0.99f);
    EXPECT_FLOAT_EQ(portrait.GetVertex(24).y, 264.0f);
}

// The scan bands scroll up and come back at the bottom; band 0 stays.
TEST_F(HudPortrait, TheScanBandsScrollUpAndComeBackAtTheBottom)
{
    float lowest = 1.0f;
    for (int i = 0; i < 200; ++i) {
        portrait.Update(0.1f, 32767);
        lowest = std::min(lowest, portrait.GetBand(1));
        ASSERT_GE(portrait.GetBand(1), 0.0f);
    }
    EXPECT_LT(lowest, 0.01f);
    EXPECT_FLOAT_EQ(portrait.GetBand(0), 0.0f);
}

TEST(HudFrame, PiecesSurroundTheRectangleWithTheEdgeImageTurnedOutwards)
{
    TsFrameWindow frame;
    frame.Build(OmVector2(10, 20), OmVector2(100, 50), 5.0f);
    // left, top, right, bottom of each piece: vertex 1 is top-left, 2 bottom-right.
    const float expected[TsFrameWindow::kPieceCount][4] = {
        {5, 15, 10, 20},   {110, 15, 115, 20}, {5, 70, 10, 75},   {110, 70, 115, 75},
        {5, 20, 10, 70},   {110, 20, 115, 70}, {10, 15, 110, 20}, {10, 70, 110, 75},
    };
    for (int i = 0; i < TsFrameWindow::kPieceCount; ++i) {
        const TsScreenQuad& q = frame.GetPiece(i);
        EXPECT_EQ((std::array{q.v[1].x, q.v[1].y, q.v[2].x, q.v[2].y}), std::to_array(expected[i])) << i;
    }
    // The outer corner of a corner piece shows the image's (0, 0).
    const TsScreenVertex& outer = frame.GetPiece(TsFrameWindow::kBottomRight).v[2];
    EXPECT_EQ(std::pair(outer.u, outer.v), std::pair(0.0f, 0.0f));

    // One edge image drawn for the top serves every side: each edge shows the
    // image's v = 0 on its outer side and v = 1 against the rectangle, with u
    // running clockwise; none is mirrored across its width. Each edge's outer
    // vertices (v = 0) and, of those, the one where u is 0:
    const struct {
        int piece;
        int outer[2];
        int start;
    } edges[] = {{TsFrameWindow::kTop, {1, 3}, 1}, {TsFrameWindow::kRight, {2, 3}, 3},
                 {TsFrameWindow::kBottom, {0, 2}, 2}, {TsFrameWindow::kLeft, {0, 1}, 0}};
    for (const auto& e : edges) {
        const TsScreenQuad& q = frame.GetPiece(e.piece);
        for (int i = 0; i < 4; ++i) {
            const bool outer = i == e.outer[0] || i == e.outer[1];
            EXPECT_FLOAT_EQ(q.v[i].v, outer ? 0.0f : 1.0f) << "piece " << e.piece << " vertex " << i;
        }
        EXPECT_FLOAT_EQ(q.v[e.start].u, 0.0f) << "piece " << e.piece;
    }
}

// Slots outside the table are refused with a message, never written.
TEST(HudSprites, SlotsOutsideTheTableAreRefused)
{
    LogCapture log;
    TsHUDe hud;
    for (int slot : {-1, int(HUD_MAX_SPRITES), 1000}) {
        EXPECT_FALSE(hud.CreateSprite(slot, "data\\hud\\plate.tga")) << slot;
        EXPECT_EQ(hud.GetSprite(slot), nullptr);
    }
    EXPECT_TRUE(log.Contains("outside the table"));
    // An empty slot draws nothing (and does not crash).
    hud.DrawSprite(HUD_PLATE, 0, 0);
    hud.DrawSprite(-5, 0, 0);
}

} // namespace
