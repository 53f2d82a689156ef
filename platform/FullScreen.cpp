#include "platform/FullScreen.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/DebugOutput.h"

namespace plat {
namespace {

ScreenMode FromSdl(const SDL_DisplayMode& mode)
{
    return ScreenMode{mode.w, mode.h, mode.refresh_rate};
}

std::vector<SDL_DisplayMode> DisplayModes(int display)
{
    std::vector<SDL_DisplayMode> modes;
    for (int i = 0, n = SDL_GetNumDisplayModes(display); i < n; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(display, i, &mode) == 0) {
            modes.push_back(mode);
        }
    }
    return modes;
}

// Asks the display for the mode; an empty text when it took it (shown is
// then the mode it shows), else why not.
std::string SwitchTo(SDL_Window* window, const ScreenMode& wanted, int display, ScreenMode& shown)
{
    const std::vector<SDL_DisplayMode> modes = DisplayModes(display);
    std::vector<ScreenMode> offered;
    for (const SDL_DisplayMode& mode : modes) {
        offered.push_back(FromSdl(mode));
    }
    const int found = FindScreenMode(offered, wanted);
    if (found < 0) {
        return "the display offers no such mode";
    }
    if (SDL_SetWindowDisplayMode(window, &modes[static_cast<size_t>(found)]) != 0
        || SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
        return SDL_GetError();
    }
    shown = offered[static_cast<size_t>(found)];
    return {};
}

// Full screen at the desktop's mode covers the display. A window manager
// lays a shown full-screen window over the whole display, but a display
// without one (a bare X server, as the virtual ones are) leaves the window at
// its own size while SDL reports the display's: the picture, drawn for the
// display, would show only in the window's corner, the rest of the screen
// cut off. So a shown window is put over the display first, and covers it
// either way. An unshown one keeps its size, which SDL then reports too.
void CoverDisplay(SDL_Window* window, int display)
{
    SDL_Rect bounds{};
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) && SDL_GetDisplayBounds(display, &bounds) == 0) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
        SDL_SetWindowSize(window, bounds.w, bounds.h);
    }
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

} // namespace

int FindScreenMode(const std::vector<ScreenMode>& modes, const ScreenMode& wanted)
{
    int sized = -1;
    for (size_t i = 0; i < modes.size(); ++i) {
        const ScreenMode& mode = modes[i];
        if (mode.width != wanted.width || mode.height != wanted.height) {
            continue;
        }
        if (wanted.refreshRate == 0 || mode.refreshRate == wanted.refreshRate) {
            return static_cast<int>(i);
        }
        if (sized < 0) {
            sized = static_cast<int>(i);
        }
    }
    return sized;
}

ScreenMode EnterFullScreen(SDL_Window* window, const ScreenMode& wanted)
{
    const int display = std::max(SDL_GetWindowDisplayIndex(window), 0);
    SDL_DisplayMode desktop{};
    SDL_GetDesktopDisplayMode(display, &desktop);
    // The desktop already at that size needs no switch, and leaving the
    // game for another window then leaves the desktop as it was.
    if (desktop.w == wanted.width && desktop.h == wanted.height) {
        CoverDisplay(window, display);
        return FromSdl(desktop);
    }
    ScreenMode shown;
    const std::string refused = SwitchTo(window, wanted, display, shown);
    if (refused.empty()) {
        return shown;
    }
    char line[256];
    std::snprintf(line, sizeof line,
                  "Graphics device: full screen at %d x %d is not possible (%s); the picture is scaled to the "
                  "desktop's %d x %d\n",
                  wanted.width, wanted.height, refused.c_str(), desktop.w, desktop.h);
    DebugOutput(line);
    CoverDisplay(window, display);
    return FromSdl(desktop);
}

} // namespace plat
