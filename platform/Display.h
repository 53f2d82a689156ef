// Whether there is a screen to show windows on. Without one SDL falls back
// to drivers that draw nowhere (offscreen, dummy); a game started there
// would wait for a player who cannot see it.
#pragma once

#include <string>

namespace plat {

// True when the video system runs on a real display, or on a driver the
// user chose by name (SDL_VIDEODRIVER). Otherwise false, with the reason.
bool HasDisplay(std::string* reason = nullptr);

} // namespace plat
