// Helpers for the renderer's resource tests: a folder of image files made
// for the test, and screen-space quads drawn with the renderer.
#pragma once

#include "render/OmD3D.h"
#include "tests/platform/GfxTestSupport.h"
#include "tests/platform/ImageTestFiles.h"
#include "testing/ScratchDir.h"

namespace rtest {

using imgtest::Near;
using imgtest::Tga;

// A rectangle in pixels with the whole texture on it.
inline void DrawQuad(OmD3D& renderer, float l, float t, float r, float b, uint32_t colour)
{
    const gfxtest::RhwTexVertex v[4] = {{l, t, 0.5f, 1, colour, 0, 0},
                            {r, t, 0.5f, 1, colour, 1, 0},
                            {l, b, 0.5f, 1, colour, 0, 1},
                            {r, b, 0.5f, 1, colour, 1, 1}};
    renderer.SetVertexShader(plat::GfxFvf::RhwDiffuseTex1);
    renderer.DrawPrimitiveUP(plat::GfxPrimitive::TriangleStrip, 2, v, sizeof v[0]);
}

inline imgtest::Bytes SolidTga(uint16_t width, uint16_t height, uint32_t rgb)
{
    return Tga(width, height, [rgb](uint32_t, uint32_t) { return rgb; });
}

} // namespace rtest
