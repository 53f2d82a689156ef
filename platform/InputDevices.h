// Keyboard and mouse devices over SDL, read the way the game reads its input:
// a 256-byte key state indexed by key code (KeyCodes.h), a buffer of key
// events, and a mouse state of movement since the last read, wheel and eight
// buttons. A device must be acquired before it can be read; a foreground
// device loses its acquisition when the window loses the focus, and the next
// read reports the input as lost.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

union SDL_Event;

namespace plat {

class Window;

enum class InputResult {
    Ok,
    BufferOverflow,      // success, but key events were dropped since the last fetch
    NotAcquired,
    InputLost,           // acquisition was taken away (the window lost the focus)
    OtherAppHasPriority, // a foreground device cannot be acquired without the focus
    InvalidParam,
    NoDevice,
};

constexpr bool InputSucceeded(InputResult r)
{
    return r == InputResult::Ok || r == InputResult::BufferOverflow;
}

struct CooperativeLevel {
    bool exclusive = false;
    bool foreground = true;
};

inline constexpr uint8_t kKeyDownBit = 0x80;
inline constexpr int kWheelNotch = 120; // wheel units per notch
inline constexpr int kMouseButtonCount = 8;

struct MouseState {
    int32_t x = 0; // movement since the last read, back-buffer pixels
    int32_t y = 0;
    int32_t z = 0; // wheel movement, kWheelNotch a notch, positive away from the user
    uint8_t buttons[kMouseButtonCount] = {}; // kKeyDownBit while held
};

struct KeyEvent {
    uint32_t code = 0; // key code
    uint32_t data = 0; // kKeyDownBit for a press, 0 for a release
};

class InputDevice {
public:
    virtual ~InputDevice();
    InputDevice(const InputDevice&) = delete;
    InputDevice& operator=(const InputDevice&) = delete;

    InputResult SetCooperativeLevel(Window* window, CooperativeLevel level);
    InputResult Acquire();
    InputResult Unacquire();
    bool IsAcquired() const { return acquired_; }

protected:
    InputDevice();
    // Brings waiting system events in, then answers whether a read may go on.
    InputResult PrepareRead();
    bool IsForWindow(uint32_t windowId) const;
    virtual void OnEvent(const SDL_Event& event) = 0;

    Window* window_ = nullptr;
    CooperativeLevel level_;
    bool acquired_ = false;
    bool lost_ = false;

private:
    static int Watch(void* self, SDL_Event* event);
};

class KeyboardDevice final : public InputDevice {
public:
    // state receives kKeyCodeCount bytes: the keys down now, and once more
    // down any key pressed since the last call, so a tap that went down and
    // up between two reads is not lost. The game's once-a-frame poll reads
    // this way; anything else that looks at the keyboard uses GetHeldKeys.
    InputResult GetDeviceState(uint8_t* state);
    // The keys down at this moment; taps are left for GetDeviceState.
    InputResult GetHeldKeys(uint8_t* state);
    // Fetches up to count buffered events, oldest first; count becomes the
    // number fetched. Unfetched events stay for the next call.
    InputResult GetBufferedEvents(KeyEvent* out, uint32_t& count);
    void SetBufferSize(uint32_t events);
    void Flush();

private:
    void OnEvent(const SDL_Event& event) override;

    uint8_t keys_[256] = {};
    uint8_t unreportedPress_[256] = {}; // pressed while acquired, not yet polled
    std::vector<KeyEvent> buffer_;
    uint32_t bufferSize_ = 0;
    bool overflow_ = false;
};

class MouseDevice final : public InputDevice {
public:
    InputResult GetDeviceState(MouseState& state);
    // The next read measures movement from the pointer's place now: what
    // moved it before was taken in by whoever put a cursor there.
    void RestartMovement();

private:
    void OnEvent(const SDL_Event& event) override;

    uint8_t buttons_[kMouseButtonCount] = {};
    // A press no read has reported yet: a click quicker than a frame still
    // reads as down once.
    uint8_t unreportedPress_[kMouseButtonCount] = {};
    int32_t wheel_ = 0;
    int reportedX_ = 0; // the pointer position the last read reported up to
    int reportedY_ = 0;
};

// Makes the devices. Creation fails without a display: SDL's video must be
// running (a window exists).
class InputSystem {
public:
    static std::unique_ptr<InputSystem> Create(InputResult* result = nullptr);
    std::unique_ptr<KeyboardDevice> CreateKeyboard();
    std::unique_ptr<MouseDevice> CreateMouse();

private:
    InputSystem() = default;
};

} // namespace plat
