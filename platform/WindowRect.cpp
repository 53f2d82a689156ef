#include "platform/WindowRect.h"

#include <SDL.h>

#include <algorithm>

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

GfxRect ShownPictureRect(void* window, int windowWidth, int windowHeight, uint32_t width, uint32_t height)
{
    const bool fullScreen = window && (SDL_GetWindowFlags(static_cast<SDL_Window*>(window)) & SDL_WINDOW_FULLSCREEN);
    if (!fullScreen || windowWidth <= 0 || windowHeight <= 0 || width == 0 || height == 0)
        return {0, 0, windowWidth, windowHeight};
    const double scale = std::min(static_cast<double>(windowWidth) / width, static_cast<double>(windowHeight) / height);
    const int w = static_cast<int>(width * scale + 0.5), h = static_cast<int>(height * scale + 0.5);
    const int x = (windowWidth - w) / 2, y = (windowHeight - h) / 2;
    return {x, y, x + w, y + h};
}

} // namespace plat
