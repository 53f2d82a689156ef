#include "platform/PlaybackWatch.h"

#include <SDL.h>

#include "platform/KeyCodes.h"

namespace plat {
namespace {

bool IsSkipKey(const SDL_KeyboardEvent& key)
{
    if (key.repeat) {
        return false;
    }
    const int code = KeyCodeFromScancode(key.keysym.scancode);
    return code == kKeyEscape || code == kKeyReturn || code == kKeySpace;
}

} // namespace

PlaybackWatch::PlaybackWatch()
{
    SDL_AddEventWatch(&PlaybackWatch::Watch, this);
}

PlaybackWatch::~PlaybackWatch()
{
    SDL_DelEventWatch(&PlaybackWatch::Watch, this);
}

void PlaybackWatch::PumpEvents()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_PumpEvents();
    }
}

int PlaybackWatch::Watch(void* self, SDL_Event* event)
{
    auto* watch = static_cast<PlaybackWatch*>(self);
    switch (event->type) {
    case SDL_KEYDOWN:
        watch->skip_ = watch->skip_ || IsSkipKey(event->key);
        break;
    case SDL_MOUSEBUTTONUP:
        watch->skip_ = watch->skip_ || event->button.button == SDL_BUTTON_LEFT;
        break;
    case SDL_WINDOWEVENT:
        watch->close_ = watch->close_ || event->window.event == SDL_WINDOWEVENT_CLOSE;
        break;
    case SDL_QUIT:
        watch->close_ = true;
        break;
    default:
        break;
    }
    return 0;
}

} // namespace plat
