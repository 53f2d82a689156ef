// Full screen at the display mode the game chose. A mode the display offers
// is switched to, so the picture fills the screen pixel for pixel; a size it
// does not offer is drawn at the desktop's mode, scaled with black bars, and
// a line says so.
#pragma once

#include <vector>

struct SDL_Window;

namespace plat {

struct ScreenMode {
    int width = 0;
    int height = 0;
    int refreshRate = 0; // 0: any
};

// The entry of modes with exactly the wanted size: the one at the wanted
// refresh rate when there is one, else the first of that size. -1 when the
// size is not there.
int FindScreenMode(const std::vector<ScreenMode>& modes, const ScreenMode& wanted);

// Puts the window full screen and returns the mode the display shows then:
// the wanted one, or the desktop's when the display cannot take it.
ScreenMode EnterFullScreen(SDL_Window* window, const ScreenMode& wanted);

} // namespace plat
