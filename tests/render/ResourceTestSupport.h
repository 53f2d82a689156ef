// Helpers for the renderer's resource tests: a folder of image files made
// for the test, and screen-space quads drawn with the renderer.
#pragma once

#include "tests/platform/GfxTestSupport.h"
#include "tests/platform/ImageTestFiles.h"
#include "testing/ScratchDir.h"

namespace rtest {

using imgtest::Near;
using imgtest::Tga;

using gfxtest::DrawTexQuad;

inline imgtest::Bytes SolidTga(uint16_t width, uint16_t height, uint32_t rgb)
{
    return Tga(width, height, [rgb](uint32_t, uint32_t) { return rgb; });
}

} // namespace rtest
