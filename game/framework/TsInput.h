// The keyboard and the mouse as the game sees them: 38 bindable actions with
// a state for this tick and the last, the mouse cursor in back-buffer pixels,
// mouse movement and wheel per tick, a stream of key events for text entry,
// and the texts of the key-binding screen.
#pragma once

#include <cstdint>
#include <memory>

#include "game/framework/TsKeyBindings.h"
#include "platform/KeyCodes.h"

namespace plat {
class Window;
class InputSystem;
class InputDevice;
class KeyboardDevice;
class MouseDevice;
} // namespace plat

// One buffered key event.
struct TsKeyEvent {
    uint32_t code;   // key code
    uint8_t pressed; // 1 press, 0 release
};

class TsInput {
public:
    static constexpr int kActionCount = TsKeyBindings::kActionCount;
    static constexpr int kActionBytes = 40;
    static constexpr int kMaxBufferedKeys = 32;
    static constexpr int kMouseButtons = 8;

    // The mouse as the last poll read it.
    struct MouseInput {
        int32_t x = 0; // movement
        int32_t y = 0;
        int32_t wheel = 0;
        uint8_t buttons[kMouseButtons] = {};
    };

    TsInput();
    ~TsInput();
    TsInput(const TsInput&) = delete;
    TsInput& operator=(const TsInput&) = delete;

    // Makes the devices for the window. Exclusive use in the background is
    // refused. False when any step fails (the devices are then released).
    bool Create(plat::Window* window, bool exclusive, bool foreground);
    void Destroy();
    // Acquire and ClearState.
    void Reacquire();
    // For the window procedure, as the game gains or loses the focus. A
    // gained focus puts the cursor where the pointer is now.
    void Acquire();
    void Unacquire();
    // Zeroes the actions and movements of this tick and the last. The
    // cursor moves only by the pointer's moves, so it is put where the
    // pointer is rather than in a corner it would never leave again.
    void ClearState();

    // Once per frame with the size the cursor is kept within. False when a
    // device could not be read; no state changes then.
    bool Update(int width, int height);
    // Once per game tick, after the tick has read the actions.
    void EndTick();
    // The cursor takes the pointer's place; the next movement is measured
    // from there.
    void SyncCursorToWindow(const plat::Window& window);

    // Actions are TsAction numbers; any other number is never down.
    bool IsActionDown(int action) const;
    bool IsActionPressed(int action) const;  // down now, not at the last tick
    bool IsActionReleased(int action) const; // down at the last tick, not now
    // A key of the keyboard by key code, down in this tick. Like an action,
    // a key changes at most once a tick: a tap that went down and up between
    // two ticks is down for one.
    bool IsKeyDown(int keyCode) const;
    // Key codes and action numbers overlap (the quit action is Return's
    // code), so handing one where the other belongs does not compile.
    bool IsActionDown(plat::KeyCode) const = delete;
    bool IsActionPressed(plat::KeyCode) const = delete;
    bool IsActionReleased(plat::KeyCode) const = delete;
    bool IsKeyDown(TsAction) const = delete;

    int GetCursorX() const { return m_current.cursorX; }
    int GetCursorY() const { return m_current.cursorY; }
    int GetMouseWheel() const { return m_current.wheel; }
    bool IsCursorInsideWindow() const { return m_cursorInside != 0; }
    const MouseInput& GetMouseState() const { return m_mouse; }

    // Up to n of the buffered key events (the device keeps at most 32),
    // oldest first; those beyond n are dropped. Returns how many were written.
    int GetBufferedKeys(int n, TsKeyEvent* out);
    void FlushKeyboard();
    plat::KeyboardDevice* GetKeyboardDevice() { return m_keyboard.get(); }

    // The character a key types with the shift keys as they are now; 0 for none.
    char KeyToChar(int keyCode);
    // The key's name for the binding screen; empty outside 1..237 and for
    // codes without a name.
    static const char* GetKeyName(int keyCode);

    // Display texts of the binding screen, from the game's text table.
    static const char* GetActionName(int action);
    static const char* GetActionListName(int action);
    static const char* GetMouseButtonName(int button);
    // Their text ids; -1 where the text is empty.
    static int ActionNameTextId(int action);
    static int ActionListNameTextId(int action);
    static int MouseButtonNameTextId(int button);

    // The actions the key screen does not list: immunity, the spares and the gag.
    static bool IsMouseAction(int action) { return action >= TS_ACTION_IMMUNITY && action <= TS_ACTION_GAG; }
    // The mouse actions (select to attack) keep their buttons.
    static bool IsRebindableAction(int action) { return action >= TS_ACTION_CAMERA_LEFT; }

    const TsKeyBindings& GetKeyBindings() const { return m_bindings; }
    void SetKeyBindings(const TsKeyBindings& bindings) { m_bindings = bindings; }

private:
    struct State {
        int32_t cursorX = 0;
        int32_t cursorY = 0;
        int32_t moveX = 0;
        int32_t moveY = 0;
        int32_t wheel = 0; // accumulated since the last EndTick
        uint8_t actions[kActionBytes] = {};
    };

    // The frame's poll (poll true) takes the taps since the last poll with
    // the keys held; any other look takes only the keys held, and leaves the
    // taps to the poll.
    bool ReadKeyboard(uint8_t (&state)[plat::kKeyCodeCount], bool poll);
    static void Latch(uint8_t& now, uint8_t before, uint8_t& waitingPress, bool down);
    bool ReadMouse();
    bool KeyIsDown(int32_t keyCode) const;
    static bool ValidAction(int action) { return action >= 0 && action < kActionBytes; }

    TsKeyBindings m_bindings;
    MouseInput m_mouse;
    uint8_t m_keys[plat::kKeyCodeCount] = {};
    State m_current;
    State m_previous;
    // A press that came after its action's release in the same tick, kept
    // for the next tick (an action changes at most once a tick).
    uint8_t m_waitingPress[kActionBytes] = {};
    // The keys by code as the actions are kept: this tick, the last, and a
    // press waiting for the next tick.
    uint8_t m_tickKeys[plat::kKeyCodeCount] = {};
    uint8_t m_lastTickKeys[plat::kKeyCodeCount] = {};
    uint8_t m_waitingKeyPress[plat::kKeyCodeCount] = {};
    std::unique_ptr<plat::InputSystem> m_system;
    std::unique_ptr<plat::KeyboardDevice> m_keyboard;
    std::unique_ptr<plat::MouseDevice> m_mouseDevice;
    const plat::Window* m_window = nullptr; // borrowed: the window the devices were made for
    int32_t m_cursorInside = 0;
};
