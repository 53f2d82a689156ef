// Where a window lies on the screen, and where it shows the game's picture.
#pragma once

#include <cstdint>

#include "platform/GfxTypes.h"

namespace plat {

// The rectangle of an SDL window on the screen; for no window (a device
// with a hidden window of its own) the image sits at the top left at its
// own size.
GfxRect WindowScreenRect(void* window, uint32_t ownWidth, uint32_t ownHeight);

// Where an SDL window of windowWidth x windowHeight pixels shows a picture
// of width x height: stretched over all of it, except in full screen, where
// the picture keeps its shape, centred between black bars wherever the
// desktop's shape differs. The picture is drawn there and the pointer read
// through it, so the game's cursor stays under the mouse.
GfxRect ShownPictureRect(void* window, int windowWidth, int windowHeight, uint32_t width, uint32_t height);

} // namespace plat
