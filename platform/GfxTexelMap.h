// Whether a draw lays a texture on the screen texel for pixel.
#pragma once

#include <cstdint>

namespace plat {

// The triangles of one draw as the device sends them.
struct GfxDrawnTriangles {
    uint32_t type;        // a GfxPrimitive
    uint32_t count;       // indices, or vertices when there are none
    const uint8_t* vertices;
    uint32_t vertexCount;
    uint32_t stride;
    const void* indices;  // null: the vertices in order
    uint32_t indexSize;   // 2 or 4
    int32_t baseVertex;
};

// True when every triangle of a draw of pre-transformed vertices (all at one
// depth of view) lays the texture coordinates at byte `texOffset` of each
// vertex on the screen moved but not scaled, turned or slanted, with the
// centres of a width x height texture's texels on the centres of pixels
// (whole screen coordinates). Every pixel then reads one texel at its
// centre, where the bilinear filter gives the nearest texel to the bit.
// Only sizes that are powers of two qualify: their coordinates are exact in
// floats, so the rasteriser's interpolation lands on the centres exactly.
bool GfxLaysTexelForPixel(const GfxDrawnTriangles& draw, uint32_t texOffset, uint32_t width, uint32_t height);

} // namespace plat
