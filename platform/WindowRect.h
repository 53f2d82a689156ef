// Where a window lies on the screen, in screen pixels.
#pragma once

#include <cstdint>

#include "platform/GfxTypes.h"

namespace plat {

// The rectangle of an SDL window on the screen; for no window (a device
// with a hidden window of its own) the image sits at the top left at its
// own size.
GfxRect WindowScreenRect(void* window, uint32_t ownWidth, uint32_t ownHeight);

} // namespace plat
