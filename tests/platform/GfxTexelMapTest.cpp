// Which draws lay a texture on the screen texel for pixel, where the device
// reads it with the nearest filter for the same picture at less cost.
#include "platform/GfxTexelMap.h"

#include "GfxTestSupport.h"

#include <vector>

using namespace gfxtest;

namespace {

struct Vertex {
    float x, y, z, rhw, u, v;
};

// A w x h texel corner of a 16 x 8 texture (u0, v0 in texels) with its
// first pixel's centre at (left, top): half a pixel back is its edge.
std::vector<Vertex> Quad(float left, float top, float w, float h, float u0 = 0.0f, float v0 = 0.0f, float scale = 1.0f)
{
    const float x0 = left - 0.5f, y0 = top - 0.5f, x1 = x0 + w * scale, y1 = y0 + h * scale;
    const float s0 = u0 / 16.0f, t0 = v0 / 8.0f, s1 = (u0 + w) / 16.0f, t1 = (v0 + h) / 8.0f;
    return {{x0, y0, 0, 1, s0, t0}, {x1, y0, 0, 1, s1, t0}, {x0, y1, 0, 1, s0, t1}, {x1, y1, 0, 1, s1, t1}};
}

bool Strip(const std::vector<Vertex>& v, uint32_t width = 16, uint32_t height = 8)
{
    const GfxDrawnTriangles draw{GfxPrimitive::TriangleStrip, uint32_t(v.size()), reinterpret_cast<const uint8_t*>(v.data()),
                                 uint32_t(v.size()), sizeof(Vertex), nullptr, 2, 0};
    return GfxLaysTexelForPixel(draw, 16, width, height);
}

} // namespace

TEST(TexelMap, AQuadMovedButNotScaledLaysItsTexelsOnPixels)
{
    struct Case {
        const char* what;
        std::vector<Vertex> quad;
        bool texelForPixel;
        uint32_t width = 16;
    };
    std::vector<Vertex> tilted = Quad(3, 2, 8, 4);
    tilted[3].y += 1.0f;
    std::vector<Vertex> nearer = Quad(3, 2, 8, 4);
    nearer[1].rhw = 0.5f;
    std::vector<Vertex> mirrored = Quad(3, 2, 8, 4);
    std::swap(mirrored[0].u, mirrored[1].u);
    std::swap(mirrored[2].u, mirrored[3].u);
    const Case cases[] = {
        {"at a whole pixel", Quad(3, 2, 8, 4), true},
        {"a corner of the texture", Quad(40, 7, 4, 4, 12, 4), true},
        {"half a pixel across", Quad(3.5f, 2, 8, 4), false},
        {"twice the size", Quad(3, 2, 8, 4, 0, 0, 2.0f), false},
        {"one corner pulled", tilted, false},
        {"at two depths of view", nearer, false},
        {"mirrored", mirrored, false},
        {"on a texture whose size is no power of two", Quad(3, 2, 6, 4), false, 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Strip(c.quad, c.width), c.texelForPixel) << c.what;
}

TEST(TexelMap, GatheredQuadsEachMovedTheirOwnWayAreLaidTexelForPixel)
{
    std::vector<Vertex> both = Quad(3, 2, 8, 4);
    const std::vector<Vertex> second = Quad(100, 50, 4, 2, 8, 2);
    both.insert(both.end(), second.begin(), second.end());
    const uint16_t indices[12] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
    GfxDrawnTriangles draw{GfxPrimitive::TriangleList, 12, reinterpret_cast<const uint8_t*>(both.data()), 8,
                           sizeof(Vertex), indices, 2, 0};
    EXPECT_TRUE(GfxLaysTexelForPixel(draw, 16, 16, 8));
    both[5].x += 2.0f; // the second quad stretched
    EXPECT_FALSE(GfxLaysTexelForPixel(draw, 16, 16, 8));
}

TEST_F(DeviceTest, AStretchedTextureDrawnAfterOneLaidTexelForPixelIsStillFiltered)
{
    ASSERT_TRUE(Make(8, 1));
    GfxTexture* texture = Hold(MakeTexture(2, 1, {0xFF000000, 0xFFFFFFFF}));
    ASSERT_NE(texture, nullptr);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, GfxTss::MagFilter, GfxFilter::Linear);
    device->SetTextureStageState(0, GfxTss::MinFilter, GfxFilter::Linear);
    device->BeginScene();
    ClearTo(0xFF000000);
    DrawTexQuad(*device, -0.5f, -0.5f, 1.5f, 0.5f, 0xFFFFFFFF); // pixels 0 and 1, one texel each
    DrawTexQuad(*device, 1.5f, -0.5f, 5.5f, 0.5f, 0xFFFFFFFF);  // pixels 2 to 5, half a texel each
    device->EndScene();
    EXPECT_EQ(Rgb(0, 0), 0u);
    EXPECT_EQ(Rgb(1, 0), 0xFFFFFFu);
    const uint32_t between = Rgb(3, 0) & 0xFF;
    EXPECT_TRUE(between > 0x20 && between < 0xE0) << "pixel 3 lies between the texels: " << between;
}
