#include "platform/WindowRect.h"

#include <SDL.h>

namespace plat {

GfxRect WindowScreenRect(void* window, uint32_t ownWidth, uint32_t ownHeight)
{
    if (!window)
        return GfxRect{0, 0, static_cast<int32_t>(ownWidth), static_cast<int32_t>(ownHeight)};
    auto* sdl = static_cast<SDL_Window*>(window);
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &w, &h);
    return GfxRect{x, y, x + w, y + h};
}

} // namespace plat
