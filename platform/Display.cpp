#include "platform/Display.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace plat {

bool HasDisplay(std::string* reason)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (reason) {
            *reason = SDL_GetError();
        }
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    const bool drawsNowhere = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    const bool userChoice = chosen && driver && SDL_strcasecmp(chosen, driver) == 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (!driver || (drawsNowhere && !userChoice)) {
        if (reason) {
            *reason = driver ? std::string("only the ") + driver + " video driver is available" : "no video driver";
        }
        return false;
    }
    return true;
}

} // namespace plat
