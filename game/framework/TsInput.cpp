#include "game/framework/TsInput.h"

#include <algorithm>
#include <cstring>

#include "game/framework/TsLog.h"
#include "platform/InputDevices.h"
#include "platform/KeyCodes.h"
#include "platform/Window.h"

namespace {

constexpr TsAction kWheelUpAction = TS_ACTION_PREVIOUS_WEAPON;
constexpr TsAction kWheelDownAction = TS_ACTION_NEXT_WEAPON;
constexpr int kReacquireAttempts = 5;

// A read that reports lost input tries to take the device back; the state
// of this read stays empty either way.
void RecoverLostDevice(plat::InputDevice& device, plat::InputResult result)
{
    for (int i = 0; i < kReacquireAttempts && result == plat::InputResult::InputLost; ++i) {
        result = device.Acquire();
    }
}

} // namespace

TsInput::TsInput()
{
    bindings_.SetDefaults();
}

TsInput::~TsInput()
{
    Destroy();
}

bool TsInput::Create(plat::Window* window, bool exclusive, bool foreground)
{
    if (exclusive && !foreground) {
        LogError("Input: exclusive use of the keyboard and mouse in the background is refused");
        return false;
    }
    Destroy();
    plat::InputResult result = plat::InputResult::Ok;
    system_ = plat::InputSystem::Create(&result);
    if (!system_) {
        LogError("Input: no keyboard or mouse without a display");
        return false;
    }
    mouseDevice_ = system_->CreateMouse();
    keyboard_ = system_->CreateKeyboard();
    keyboard_->SetBufferSize(kMaxBufferedKeys);
    const plat::CooperativeLevel level{exclusive, foreground};
    if (mouseDevice_->SetCooperativeLevel(window, level) != plat::InputResult::Ok ||
        keyboard_->SetCooperativeLevel(window, level) != plat::InputResult::Ok) {
        LogError("Input: the keyboard and mouse cannot be set up for the window");
        Destroy();
        return false;
    }
    window_ = window;
    return true;
}

void TsInput::Destroy()
{
    Unacquire();
    keyboard_.reset();
    mouseDevice_.reset();
    system_.reset();
    window_ = nullptr;
}

void TsInput::Acquire()
{
    if (keyboard_) {
        keyboard_->Acquire();
    }
    if (mouseDevice_ && plat::InputSucceeded(mouseDevice_->Acquire()) && window_) {
        SyncCursorToWindow(*window_);
    }
}

void TsInput::Unacquire()
{
    if (keyboard_) {
        keyboard_->Unacquire();
    }
    if (mouseDevice_) {
        mouseDevice_->Unacquire();
    }
}

void TsInput::Reacquire()
{
    Acquire();
    ClearState();
}

void TsInput::ClearState()
{
    current_ = State{};
    previous_ = State{};
    std::memset(waitingPress_, 0, sizeof(waitingPress_));
    std::memset(tickKeys_, 0, sizeof(tickKeys_));
    std::memset(lastTickKeys_, 0, sizeof(lastTickKeys_));
    std::memset(waitingKeyPress_, 0, sizeof(waitingKeyPress_));
    cursorInside_ = 0;
    if (window_) {
        SyncCursorToWindow(*window_);
    }
}

bool TsInput::ReadKeyboard(uint8_t (&state)[plat::kKeyCodeCount], bool poll)
{
    std::memset(state, 0, sizeof(state));
    if (!keyboard_) {
        return false;
    }
    const plat::InputResult r = poll ? keyboard_->GetDeviceState(state) : keyboard_->GetHeldKeys(state);
    if (plat::InputSucceeded(r)) {
        return true;
    }
    std::memset(state, 0, sizeof(state));
    RecoverLostDevice(*keyboard_, r);
    return false;
}

bool TsInput::ReadMouse()
{
    mouse_ = MouseInput{};
    if (!mouseDevice_) {
        return false;
    }
    plat::MouseState state;
    const plat::InputResult r = mouseDevice_->GetDeviceState(state);
    if (!plat::InputSucceeded(r)) {
        RecoverLostDevice(*mouseDevice_, r);
        return false;
    }
    mouse_.x = state.x;
    mouse_.y = state.y;
    mouse_.wheel = state.z;
    std::memcpy(mouse_.buttons, state.buttons, sizeof(mouse_.buttons));
    return true;
}

bool TsInput::KeyIsDown(int32_t keyCode) const
{
    return keyCode >= 0 && keyCode < plat::kKeyCodeCount && keys_[keyCode] != 0;
}

bool TsInput::Update(int width, int height)
{
    const bool mouseRead = ReadMouse();
    const bool keyboardRead = ReadKeyboard(keys_, true);
    if (!mouseRead || !keyboardRead) {
        return false;
    }
    for (int code = 0; code < plat::kKeyCodeCount; ++code) {
        Latch(tickKeys_[code], lastTickKeys_[code], waitingKeyPress_[code], keys_[code] != 0);
    }
    // An action is latched once a poll, down while its key or its mouse
    // button is: latched for each in turn, a held button would see the
    // key's "up" change the action and wait a tick to press it again.
    for (int i = 0; i < kActionCount; ++i) {
        const int32_t key = bindings_.KeyOf(i);
        const int32_t button = bindings_.MouseButtonOf(i);
        if (key >= 0 || button >= 0) {
            const bool down = KeyIsDown(key) || (button >= 0 && mouse_.buttons[button] != 0);
            Latch(current_.actions[i], previous_.actions[i], waitingPress_[i], down);
        }
    }
    current_.moveX += mouse_.x;
    current_.moveY += mouse_.y;
    current_.wheel += mouse_.wheel;
    current_.cursorX = std::clamp(current_.cursorX + mouse_.x, 0, std::max(width, 0));
    current_.cursorY = std::clamp(current_.cursorY + mouse_.y, 0, std::max(height, 0));
    return true;
}

// An action or a key changes at most once between two ticks: a press and
// release that both fall between ticks still shows as one tick down, and two
// taps in one tick as one. A press after a release latched in this tick is
// kept for the next, so a quick second tap is not lost.
void TsInput::Latch(uint8_t& now, uint8_t before, uint8_t& waitingPress, bool down)
{
    if (now == before) {
        now = (down || waitingPress) ? 1 : 0;
        waitingPress = 0;
    } else if (down && now == 0) {
        waitingPress = 1;
    }
}

void TsInput::EndTick()
{
    const int32_t wheel = current_.wheel;
    previous_ = current_;
    std::memcpy(lastTickKeys_, tickKeys_, sizeof(lastTickKeys_));
    current_.moveX = 0;
    current_.moveY = 0;
    current_.wheel = 0;
    if (!bindings_.useMouseWheel) {
        return;
    }
    // The wheel turned in this tick becomes a press of its action in the
    // next one (and a release in the one after), like a key tapped between
    // ticks.
    if (wheel > 0) {
        current_.actions[kWheelUpAction] = 1;
        current_.actions[kWheelDownAction] = 0;
    } else if (wheel < 0) {
        current_.actions[kWheelDownAction] = 1;
        current_.actions[kWheelUpAction] = 0;
    } else {
        current_.actions[kWheelDownAction] = KeyIsDown(bindings_.KeyOf(kWheelDownAction)) ? 1 : 0;
        current_.actions[kWheelUpAction] = KeyIsDown(bindings_.KeyOf(kWheelUpAction)) ? 1 : 0;
    }
}

void TsInput::SyncCursorToWindow(const plat::Window& window)
{
    int x = 0, y = 0, width = 0, height = 0;
    window.GetCursorPosition(x, y);
    window.GetBackBufferSize(width, height);
    const bool inside = x >= 0 && y >= 0 && x < width && y < height;
    cursorInside_ = inside ? 1 : 0;
    current_.cursorX = inside ? x : std::clamp(x, 0, std::max(width - 1, 0));
    current_.cursorY = inside ? y : std::clamp(y, 0, std::max(height - 1, 0));
    current_.moveX = 0;
    current_.moveY = 0;
    if (mouseDevice_) {
        mouseDevice_->RestartMovement();
    }
}

bool TsInput::IsKeyDown(int keyCode) const
{
    return keyCode >= 0 && keyCode < plat::kKeyCodeCount && tickKeys_[keyCode] != 0;
}

bool TsInput::IsActionDown(int action) const
{
    return ValidAction(action) && current_.actions[action] != 0;
}

bool TsInput::IsActionPressed(int action) const
{
    return ValidAction(action) && current_.actions[action] != 0 && previous_.actions[action] == 0;
}

bool TsInput::IsActionReleased(int action) const
{
    return ValidAction(action) && current_.actions[action] == 0 && previous_.actions[action] != 0;
}

int TsInput::GetBufferedKeys(int n, TsKeyEvent* out)
{
    uint8_t state[plat::kKeyCodeCount];
    if (!ReadKeyboard(state, false)) {
        return 0;
    }
    plat::KeyEvent events[kMaxBufferedKeys];
    uint32_t fetched = kMaxBufferedKeys;
    if (!plat::InputSucceeded(keyboard_->GetBufferedEvents(events, fetched))) {
        return 0;
    }
    const int written = out ? std::min(std::max(n, 0), static_cast<int>(fetched)) : 0;
    for (int i = 0; i < written; ++i) {
        out[i].code = events[i].code;
        out[i].pressed = events[i].data != 0 ? 1 : 0;
    }
    return written;
}

void TsInput::FlushKeyboard()
{
    if (keyboard_) {
        keyboard_->Flush();
    }
}
