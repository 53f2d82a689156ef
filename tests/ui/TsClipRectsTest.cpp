// Rectangles that clip a pass to where it can change a pixel: they must hold
// every pixel asked for, and a pass drawn through each must not touch a
// pixel twice.
#include "ui/TsClipRects.h"

#include <gtest/gtest.h>

#include <vector>

using plat::GfxRect;
using plat::GfxSpan;

namespace {

int Holding(const std::vector<GfxRect>& rects, int x, int y)
{
    int n = 0;
    for (const GfxRect& r : rects)
        n += x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    return n;
}

std::vector<GfxRect> Join(const std::vector<GfxSpan>& spans, uint32_t maxRects)
{
    std::vector<GfxRect> out(maxRects);
    out.resize(TsJoinBands(spans.data(), uint32_t(spans.size()), 4, maxRects, 16, out.data()));
    return out;
}

} // namespace

TEST(ClipRects, JoinedBandsHoldEveryPaintedPixelInNoMoreRectanglesThanAllowed)
{
    // A narrow leg under a wide body, a black gap, and a last speck.
    std::vector<GfxSpan> spans = {{2, 30}, {2, 30}, {3, 31}, {10, 14}, {10, 14}, {0, 0}, {0, 0}, {20, 21}};
    for (uint32_t maxRects : {1u, 2u, 3u, 8u}) {
        const std::vector<GfxRect> rects = Join(spans, maxRects);
        EXPECT_LE(rects.size(), maxRects);
        for (size_t b = 0; b < spans.size(); ++b)
            for (int x = spans[b].left; x < spans[b].right; ++x)
                EXPECT_GE(Holding(rects, x, int(b) * 4 + 1), 1) << maxRects << " rectangles, band " << b;
    }
    EXPECT_EQ(Join(spans, 8).size(), 3u) << "body, leg and speck stay apart";
    EXPECT_EQ(Join({{5, 9}, {5, 9}, {5, 9}}, 8).size(), 1u) << "like bands join";
}

TEST(ClipRects, DisjointRowsHoldEveryPixelOfTheRectanglesOnce)
{
    const std::vector<std::vector<GfxRect>> cases = {
        {{0, 0, 10, 10}, {5, 8, 20, 16}},               // overlapping
        {{4, 0, 8, 4}, {0, 4, 12, 8}, {2, 7, 6, 12}},   // stacked with margins that meet
        {{0, 0, 4, 4}, {10, 0, 14, 4}},                 // side by side
        {{3, 3, 3, 9}, {1, 1, 5, 5}},                   // one empty
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        const std::vector<GfxRect>& in = cases[c];
        std::vector<GfxRect> out(2 * in.size());
        out.resize(TsDisjointRows(in.data(), uint32_t(in.size()), out.data()));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x) {
                const int held = Holding(out, x, y);
                EXPECT_TRUE(held == 1 || (held == 0 && !Holding(in, x, y))) << "case " << c << " at " << x << ", " << y;
            }
    }
}
