#include "ui/TsClipRects.h"

#include <algorithm>

using plat::GfxRect;
using plat::GfxSpan;

namespace {

constexpr uint32_t kMostRects = 32; // more are drawn through one rectangle round them all
constexpr uint32_t kMostBands = 128;

int64_t Area(const GfxRect& r) { return int64_t(r.right - r.left) * (r.bottom - r.top); }

GfxRect Hull(const GfxRect& a, const GfxRect& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

int64_t JoinCost(const GfxRect& a, const GfxRect& b) { return Area(Hull(a, b)) - Area(a) - Area(b); }

} // namespace

uint32_t TsJoinBands(const GfxSpan* spans, uint32_t bands, uint32_t bandRows, uint32_t maxRects, uint32_t joinArea,
                     GfxRect* out)
{
    if (maxRects == 0)
        return 0;
    GfxRect rects[kMostBands];
    uint32_t count = 0;
    for (uint32_t b = 0; b < bands; ++b) {
        if (spans[b].left >= spans[b].right)
            continue;
        const GfxRect band{spans[b].left, int32_t(b * bandRows), spans[b].right, int32_t((b + 1) * bandRows)};
        // Past the room for one rectangle a band, the rest join the last.
        if (count == kMostBands)
            rects[count - 1] = Hull(rects[count - 1], band);
        else
            rects[count++] = band;
    }
    // Rectangles lie in order down the picture: only neighbours are joined,
    // so each join spans no rectangle it does not hold.
    while (count > 1) {
        uint32_t best = 0;
        int64_t bestCost = JoinCost(rects[0], rects[1]);
        for (uint32_t i = 1; i + 1 < count; ++i) {
            const int64_t cost = JoinCost(rects[i], rects[i + 1]);
            if (cost < bestCost)
                best = i, bestCost = cost;
        }
        if (bestCost >= int64_t(joinArea) && count <= maxRects)
            break;
        rects[best] = Hull(rects[best], rects[best + 1]);
        std::copy(rects + best + 2, rects + count, rects + best + 1);
        --count;
    }
    std::copy(rects, rects + count, out);
    return count;
}

uint32_t TsDisjointRows(const GfxRect* rects, uint32_t count, GfxRect* out)
{
    // Every top and bottom, in order: between two neighbours the same
    // rectangles cross every row.
    int32_t edges[2 * kMostRects];
    if (count > kMostRects) {
        GfxRect all = rects[0];
        for (uint32_t i = 1; i < count; ++i)
            all = Hull(all, rects[i]);
        out[0] = all;
        return 1;
    }
    uint32_t edgeCount = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (rects[i].left >= rects[i].right || rects[i].top >= rects[i].bottom)
            continue;
        edges[edgeCount++] = rects[i].top;
        edges[edgeCount++] = rects[i].bottom;
    }
    std::sort(edges, edges + edgeCount);
    edgeCount = uint32_t(std::unique(edges, edges + edgeCount) - edges);
    uint32_t written = 0;
    for (uint32_t e = 0; e + 1 < edgeCount; ++e) {
        GfxRect slab{INT32_MAX, edges[e], INT32_MIN, edges[e + 1]};
        for (uint32_t i = 0; i < count; ++i) {
            const GfxRect& r = rects[i];
            if (r.left < r.right && r.top <= slab.top && r.bottom >= slab.bottom) {
                slab.left = std::min(slab.left, r.left);
                slab.right = std::max(slab.right, r.right);
            }
        }
        if (slab.left >= slab.right)
            continue;
        GfxRect* last = written ? &out[written - 1] : nullptr;
        if (last && last->bottom == slab.top && last->left == slab.left && last->right == slab.right)
            last->bottom = slab.bottom;
        else
            out[written++] = slab;
    }
    return written;
}
