#include "platform/EventInjection.h"

#include <SDL.h>

#include "platform/KeyCodes.h"
#include "platform/Window.h"

namespace plat {
namespace {

void PushWindowEvent(const Window& window, Uint8 kind, int data1 = 0, int data2 = 0)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.timestamp = SDL_GetTicks();
    e.window.windowID = window.Id();
    e.window.event = kind;
    e.window.data1 = data1;
    e.window.data2 = data2;
    SDL_PushEvent(&e);
}

Uint8 SdlButton(int button)
{
    switch (button) {
    case 0: return SDL_BUTTON_LEFT;
    case 1: return SDL_BUTTON_RIGHT;
    case 2: return SDL_BUTTON_MIDDLE;
    default: return static_cast<Uint8>(button + 1);
    }
}

} // namespace

bool InjectKey(const Window& window, int keyCode, bool pressed, bool repeat)
{
    const int scancode = ScancodeFromKeyCode(keyCode);
    if (scancode == 0) {
        return false;
    }
    SDL_Event e{};
    e.type = pressed ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.timestamp = SDL_GetTicks();
    e.key.windowID = window.Id();
    e.key.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    SDL_PushEvent(&e);
    return true;
}

void InjectMouseMove(const Window& window, int x, int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.timestamp = SDL_GetTicks();
    e.motion.windowID = window.Id();
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
}

void InjectMouseButton(const Window& window, int button, bool pressed)
{
    SDL_Event e{};
    e.type = pressed ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.timestamp = SDL_GetTicks();
    e.button.windowID = window.Id();
    e.button.button = SdlButton(button);
    e.button.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    SDL_PushEvent(&e);
}

void InjectMouseWheel(const Window& window, int notches)
{
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.timestamp = SDL_GetTicks();
    e.wheel.windowID = window.Id();
    e.wheel.y = notches;
    e.wheel.preciseY = static_cast<float>(notches);
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
}

void InjectFocus(const Window& window, bool gained)
{
    PushWindowEvent(window, gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

void InjectResize(const Window& window, int width, int height)
{
    PushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, width, height);
}

void InjectClose(const Window& window)
{
    PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
}

} // namespace plat
