#include "platform/GfxTexelMap.h"

#include "platform/GfxTypes.h"

#include <cmath>
#include <cstring>

namespace plat {

namespace {

struct ScreenVertex {
    float x, y, rhw;
    float u, v;
};

bool PowerOfTwo(uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

// A whole or half number well inside a float's exact range: differences of
// such numbers are exact.
bool WholeOrHalf(float f) { return std::fabs(f) < 1048576.0f && std::floor(2.0f * f) == 2.0f * f; }

class TexelForPixelCheck {
public:
    TexelForPixelCheck(const GfxDrawnTriangles& draw, uint32_t texOffset, uint32_t width, uint32_t height)
        : draw_(draw), texOffset_(texOffset), width_(float(width)), height_(float(height))
    {
    }

    bool Triangle(uint32_t a, uint32_t b, uint32_t c)
    {
        ScreenVertex p[3];
        if (!Read(a, p[0]) || !Read(b, p[1]) || !Read(c, p[2]))
            return false;
        // The texel position less the screen position is the same at all
        // three corners: the triangle is the texture moved, nothing else.
        const float du = p[0].u * width_ - p[0].x, dv = p[0].v * height_ - p[0].y;
        for (const ScreenVertex& q : p) {
            if (!WholeOrHalf(q.x) || !WholeOrHalf(q.y) || !WholeOrHalf(q.u * width_) || !WholeOrHalf(q.v * height_))
                return false;
            if (q.rhw != rhw_ || q.u * width_ - q.x != du || q.v * height_ - q.y != dv)
                return false;
        }
        // A pixel's centre x meets texel x + du: a texel's centre when du
        // is a whole number and a half.
        return std::floor(du) + 0.5f == du && std::floor(dv) + 0.5f == dv;
    }

private:
    bool Read(uint32_t index, ScreenVertex& out)
    {
        uint32_t at = index;
        if (draw_.indices) {
            if (draw_.indexSize == 4) {
                std::memcpy(&at, static_cast<const uint8_t*>(draw_.indices) + 4 * size_t(index), 4);
            } else {
                uint16_t shortIndex;
                std::memcpy(&shortIndex, static_cast<const uint8_t*>(draw_.indices) + 2 * size_t(index), 2);
                at = shortIndex;
            }
            at = uint32_t(int64_t(at) + draw_.baseVertex);
        }
        if (at >= draw_.vertexCount)
            return false;
        const uint8_t* vertex = draw_.vertices + size_t(at) * draw_.stride;
        float position[4];
        std::memcpy(position, vertex, sizeof position);
        std::memcpy(&out.u, vertex + texOffset_, 2 * sizeof(float));
        out.x = position[0];
        out.y = position[1];
        out.rhw = position[3];
        if (first_) {
            rhw_ = out.rhw;
            first_ = false;
        }
        return true;
    }

    const GfxDrawnTriangles& draw_;
    uint32_t texOffset_;
    float width_, height_;
    float rhw_ = 0.0f;
    bool first_ = true;
};

} // namespace

bool GfxLaysTexelForPixel(const GfxDrawnTriangles& draw, uint32_t texOffset, uint32_t width, uint32_t height)
{
    if (!PowerOfTwo(width) || !PowerOfTwo(height) || draw.count < 3 || texOffset + 8 > draw.stride)
        return false;
    TexelForPixelCheck check(draw, texOffset, width, height);
    switch (draw.type) {
    case GfxPrimitive::TriangleList:
        for (uint32_t i = 0; i + 2 < draw.count; i += 3)
            if (!check.Triangle(i, i + 1, i + 2))
                return false;
        return true;
    case GfxPrimitive::TriangleStrip:
        for (uint32_t i = 0; i + 2 < draw.count; ++i)
            if (!check.Triangle(i, i + 1, i + 2))
                return false;
        return true;
    case GfxPrimitive::TriangleFan:
        for (uint32_t i = 1; i + 1 < draw.count; ++i)
            if (!check.Triangle(0, i, i + 1))
                return false;
        return true;
    default:
        return false;
    }
}

} // namespace plat
