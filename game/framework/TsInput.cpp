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
    m_bindings.SetDefaults();
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
    m_system = plat::InputSystem::Create(&result);
    if (!m_system) {
        LogError("Input: no keyboard or mouse without a display");
        return false;
    }
    m_mouseDevice = m_system->CreateMouse();
    m_keyboard = m_system->CreateKeyboard();
    m_keyboard->SetBufferSize(kMaxBufferedKeys);
    const plat::CooperativeLevel level{exclusive, foreground};
    if (m_mouseDevice->SetCooperativeLevel(window, level) != plat::InputResult::Ok ||
        m_keyboard->SetCooperativeLevel(window, level) != plat::InputResult::Ok) {
        LogError("Input: the keyboard and mouse cannot be set up for the window");
        Destroy();
        return false;
    }
    m_window = window;
    return true;
}

void TsInput::Destroy()
{
    Unacquire();
    m_keyboard.reset();
    m_mouseDevice.reset();
    m_system.reset();
    m_window = nullptr;
}

void TsInput::Acquire()
{
    if (m_keyboard) {
        m_keyboard->Acquire();
    }
    if (m_mouseDevice && plat::InputSucceeded(m_mouseDevice->Acquire()) && m_window) {
        SyncCursorToWindow(*m_window);
    }
}

void TsInput::Unacquire()
{
    if (m_keyboard) {
        m_keyboard->Unacquire();
    }
    if (m_mouseDevice) {
        m_mouseDevice->Unacquire();
    }
}

void TsInput::Reacquire()
{
    Acquire();
    ClearState();
}

void TsInput::ClearState()
{
    m_current = State{};
    m_previous = State{};
    std::memset(m_waitingPress, 0, sizeof(m_waitingPress));
    std::memset(m_tickKeys, 0, sizeof(m_tickKeys));
    std::memset(m_lastTickKeys, 0, sizeof(m_lastTickKeys));
    std::memset(m_waitingKeyPress, 0, sizeof(m_waitingKeyPress));
    m_cursorInside = 0;
    if (m_window) {
        SyncCursorToWindow(*m_window);
    }
}

bool TsInput::ReadKeyboard(uint8_t (&state)[plat::kKeyCodeCount], bool poll)
{
    std::memset(state, 0, sizeof(state));
    if (!m_keyboard) {
        return false;
    }
    const plat::InputResult r = poll ? m_keyboard->GetDeviceState(state) : m_keyboard->GetHeldKeys(state);
    if (plat::InputSucceeded(r)) {
        return true;
    }
    std::memset(state, 0, sizeof(state));
    RecoverLostDevice(*m_keyboard, r);
    return false;
}

bool TsInput::ReadMouse()
{
    m_mouse = MouseInput{};
    if (!m_mouseDevice) {
        return false;
    }
    plat::MouseState state;
    const plat::InputResult r = m_mouseDevice->GetDeviceState(state);
    if (!plat::InputSucceeded(r)) {
        RecoverLostDevice(*m_mouseDevice, r);
        return false;
    }
    m_mouse.x = state.x;
    m_mouse.y = state.y;
    m_mouse.wheel = state.z;
    std::memcpy(m_mouse.buttons, state.buttons, sizeof(m_mouse.buttons));
    return true;
}

bool TsInput::KeyIsDown(int32_t keyCode) const
{
    return keyCode >= 0 && keyCode < plat::kKeyCodeCount && m_keys[keyCode] != 0;
}

bool TsInput::Update(int width, int height)
{
    const bool mouseRead = ReadMouse();
    const bool keyboardRead = ReadKeyboard(m_keys, true);
    if (!mouseRead || !keyboardRead) {
        return false;
    }
    for (int code = 0; code < plat::kKeyCodeCount; ++code) {
        Latch(m_tickKeys[code], m_lastTickKeys[code], m_waitingKeyPress[code], m_keys[code] != 0);
    }
    // An action is latched once a poll, down while its key or its mouse
    // button is: latched for each in turn, a held button would see the
    // key's "up" change the action and wait a tick to press it again.
    for (int i = 0; i < kActionCount; ++i) {
        const int32_t key = m_bindings.KeyOf(i);
        const int32_t button = m_bindings.MouseButtonOf(i);
        if (key >= 0 || button >= 0) {
            const bool down = KeyIsDown(key) || (button >= 0 && m_mouse.buttons[button] != 0);
            Latch(m_current.actions[i], m_previous.actions[i], m_waitingPress[i], down);
        }
    }
    m_current.moveX += m_mouse.x;
    m_current.moveY += m_mouse.y;
    m_current.wheel += m_mouse.wheel;
    m_current.cursorX = std::clamp(m_current.cursorX + m_mouse.x, 0, std::max(width, 0));
    m_current.cursorY = std::clamp(m_current.cursorY + m_mouse.y, 0, std::max(height, 0));
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
    const int32_t wheel = m_current.wheel;
    m_previous = m_current;
    std::memcpy(m_lastTickKeys, m_tickKeys, sizeof(m_lastTickKeys));
    m_current.moveX = 0;
    m_current.moveY = 0;
    m_current.wheel = 0;
    if (!m_bindings.useMouseWheel) {
        return;
    }
    // The wheel turned in this tick becomes a press of its action in the
    // next one (and a release in the one after), like a key tapped between
    // ticks.
    if (wheel > 0) {
        m_current.actions[kWheelUpAction] = 1;
        m_current.actions[kWheelDownAction] = 0;
    } else if (wheel < 0) {
        m_current.actions[kWheelDownAction] = 1;
        m_current.actions[kWheelUpAction] = 0;
    } else {
        m_current.actions[kWheelDownAction] = KeyIsDown(m_bindings.KeyOf(kWheelDownAction)) ? 1 : 0;
        m_current.actions[kWheelUpAction] = KeyIsDown(m_bindings.KeyOf(kWheelUpAction)) ? 1 : 0;
    }
}

void TsInput::SyncCursorToWindow(const plat::Window& window)
{
    int x = 0, y = 0, width = 0, height = 0;
    window.GetCursorPosition(x, y);
    window.GetBackBufferSize(width, height);
    const bool inside = x >= 0 && y >= 0 && x < width && y < height;
    m_cursorInside = inside ? 1 : 0;
    m_current.cursorX = inside ? x : std::clamp(x, 0, std::max(width - 1, 0));
    m_current.cursorY = inside ? y : std::clamp(y, 0, std::max(height - 1, 0));
    m_current.moveX = 0;
    m_current.moveY = 0;
    if (m_mouseDevice) {
        m_mouseDevice->RestartMovement();
    }
}

bool TsInput::IsKeyDown(int keyCode) const
{
    return keyCode >= 0 && keyCode < plat::kKeyCodeCount && m_tickKeys[keyCode] != 0;
}

bool TsInput::IsActionDown(int action) const
{
    return ValidAction(action) && m_current.actions[action] != 0;
}

bool TsInput::IsActionPressed(int action) const
{
    return ValidAction(action) && m_current.actions[action] != 0 && m_previous.actions[action] == 0;
}

bool TsInput::IsActionReleased(int action) const
{
    return ValidAction(action) && m_current.actions[action] == 0 && m_previous.actions[action] != 0;
}

int TsInput::GetBufferedKeys(int n, TsKeyEvent* out)
{
    uint8_t state[plat::kKeyCodeCount];
    if (!ReadKeyboard(state, false)) {
        return 0;
    }
    plat::KeyEvent events[kMaxBufferedKeys];
    uint32_t fetched = kMaxBufferedKeys;
    if (!plat::InputSucceeded(m_keyboard->GetBufferedEvents(events, fetched))) {
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
    if (m_keyboard) {
        m_keyboard->Flush();
    }
}
