#include "platform/InputDevices.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/KeyCodes.h"
#include "platform/Window.h"

namespace plat {

InputDevice::InputDevice()
{
    SDL_AddEventWatch(&InputDevice::Watch, this);
}

InputDevice::~InputDevice()
{
    SDL_DelEventWatch(&InputDevice::Watch, this);
}

InputResult InputDevice::SetCooperativeLevel(Window* window, CooperativeLevel level)
{
    // Exclusive use of a device while the game is in the background would
    // take the keyboard from whatever the player switched to.
    if (!window || (level.exclusive && !level.foreground)) {
        return InputResult::InvalidParam;
    }
    window_ = window;
    level_ = level;
    return InputResult::Ok;
}

InputResult InputDevice::Acquire()
{
    if (!window_) {
        return InputResult::InvalidParam;
    }
    if (level_.foreground && !window_->HasFocus()) {
        return InputResult::OtherAppHasPriority;
    }
    acquired_ = true;
    lost_ = false;
    return InputResult::Ok;
}

InputResult InputDevice::Unacquire()
{
    acquired_ = false;
    lost_ = false;
    return InputResult::Ok;
}

InputResult InputDevice::PrepareRead()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_PumpEvents();
    }
    if (acquired_) {
        return InputResult::Ok;
    }
    return lost_ ? InputResult::InputLost : InputResult::NotAcquired;
}

bool InputDevice::IsForWindow(uint32_t windowId) const
{
    return window_ && (windowId == window_->Id() || windowId == 0);
}

// Runs as each event enters SDL's queue, so nothing is missed however late
// the message loop drains it.
int InputDevice::Watch(void* self, SDL_Event* event)
{
    auto* device = static_cast<InputDevice*>(self);
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_FOCUS_LOST &&
        device->IsForWindow(event->window.windowID) && device->acquired_ &&
        device->level_.foreground) {
        device->acquired_ = false;
        device->lost_ = true;
    }
    device->OnEvent(*event);
    return 0;
}

// ---- keyboard ----

void KeyboardDevice::OnEvent(const SDL_Event& event)
{
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST &&
        IsForWindow(event.window.windowID)) {
        // Keys released elsewhere would otherwise stay down.
        std::memset(keys_, 0, sizeof(keys_));
        std::memset(unreportedPress_, 0, sizeof(unreportedPress_));
        return;
    }
    if ((event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) || !IsForWindow(event.key.windowID)) {
        return;
    }
    const uint8_t code = KeyCodeFromScancode(event.key.keysym.scancode);
    const bool pressed = event.type == SDL_KEYDOWN;
    // SDL calls a press a repeat while it believes the key down, and it
    // still does after a release it never saw (the start-up dialog closes on
    // Return going down, and the release comes to no window): only a repeat
    // of a key this device holds down is one.
    if (code == 0 || (pressed && event.key.repeat && keys_[code])) {
        return;
    }
    keys_[code] = pressed ? kKeyDownBit : 0;
    if (!acquired_) {
        return;
    }
    unreportedPress_[code] |= pressed ? 1 : 0;
    if (buffer_.size() < bufferSize_) {
        buffer_.push_back(KeyEvent{code, pressed ? kKeyDownBit : 0u});
    } else if (bufferSize_ > 0) {
        overflow_ = true;
    }
}

InputResult KeyboardDevice::GetDeviceState(uint8_t* state)
{
    const InputResult r = GetHeldKeys(state);
    if (!InputSucceeded(r)) {
        return r;
    }
    for (size_t code = 0; code < sizeof(unreportedPress_); ++code) {
        if (unreportedPress_[code]) {
            state[code] = kKeyDownBit;
        }
    }
    std::memset(unreportedPress_, 0, sizeof(unreportedPress_));
    return r;
}

InputResult KeyboardDevice::GetHeldKeys(uint8_t* state)
{
    const InputResult r = PrepareRead();
    if (!InputSucceeded(r)) {
        return r;
    }
    std::memcpy(state, keys_, sizeof(keys_));
    return InputResult::Ok;
}

InputResult KeyboardDevice::GetBufferedEvents(KeyEvent* out, uint32_t& count)
{
    const uint32_t wanted = count;
    count = 0;
    const InputResult r = PrepareRead();
    if (!InputSucceeded(r)) {
        return r;
    }
    if (bufferSize_ == 0) {
        return InputResult::InvalidParam;
    }
    const auto n = static_cast<uint32_t>(std::min<size_t>(wanted, buffer_.size()));
    std::copy_n(buffer_.begin(), n, out);
    buffer_.erase(buffer_.begin(), buffer_.begin() + n);
    count = n;
    const bool overflowed = overflow_;
    overflow_ = false;
    return overflowed ? InputResult::BufferOverflow : InputResult::Ok;
}

void KeyboardDevice::SetBufferSize(uint32_t events)
{
    bufferSize_ = events;
    buffer_.reserve(events);
    if (buffer_.size() > events) {
        buffer_.resize(events);
    }
}

void KeyboardDevice::Flush()
{
    buffer_.clear();
    overflow_ = false;
}

// ---- mouse ----

namespace {
// SDL numbers left, middle, right, X1, X2 from 1; the game counts left,
// right, middle, then the rest, from 0.
int ButtonIndex(uint8_t sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return (sdlButton >= 4 && sdlButton < 4 + kMouseButtonCount - 3) ? sdlButton - 1 : -1;
    }
}
} // namespace

void MouseDevice::OnEvent(const SDL_Event& event)
{
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST &&
        IsForWindow(event.window.windowID)) {
        std::memset(buttons_, 0, sizeof(buttons_));
        std::memset(unreportedPress_, 0, sizeof(unreportedPress_));
    } else if ((event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) &&
               IsForWindow(event.button.windowID)) {
        const int index = ButtonIndex(event.button.button);
        if (index >= 0) {
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            buttons_[index] = down ? kKeyDownBit : 0;
            unreportedPress_[index] |= down ? 1 : 0;
        }
    } else if (event.type == SDL_MOUSEWHEEL && IsForWindow(event.wheel.windowID) && acquired_) {
        const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y
                                                                            : event.wheel.y;
        wheel_ += notches * kWheelNotch;
    }
}

InputResult MouseDevice::GetDeviceState(MouseState& state)
{
    const InputResult r = PrepareRead();
    if (!InputSucceeded(r)) {
        return r;
    }
    // Movement is measured from the pointer's position, so the game's own
    // cursor, moved by it, stays on the pointer.
    int x = 0, y = 0;
    window_->GetCursorPosition(x, y);
    state.x = x - reportedX_;
    state.y = y - reportedY_;
    reportedX_ = x;
    reportedY_ = y;
    state.z = wheel_;
    wheel_ = 0;
    for (int i = 0; i < kMouseButtonCount; ++i) {
        state.buttons[i] = unreportedPress_[i] ? kKeyDownBit : buttons_[i];
        unreportedPress_[i] = 0;
    }
    return InputResult::Ok;
}

void MouseDevice::RestartMovement()
{
    if (window_) {
        window_->GetCursorPosition(reportedX_, reportedY_);
    }
}

// ---- system ----

std::unique_ptr<InputSystem> InputSystem::Create(InputResult* result)
{
    const bool ok = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    if (result) {
        *result = ok ? InputResult::Ok : InputResult::NoDevice;
    }
    return ok ? std::unique_ptr<InputSystem>(new InputSystem) : nullptr;
}

std::unique_ptr<KeyboardDevice> InputSystem::CreateKeyboard()
{
    return std::unique_ptr<KeyboardDevice>(new KeyboardDevice);
}

std::unique_ptr<MouseDevice> InputSystem::CreateMouse()
{
    return std::unique_ptr<MouseDevice>(new MouseDevice);
}

} // namespace plat
