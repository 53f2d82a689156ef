// The application window and its message queue. SDL events for the window
// become the messages the game's window procedure handles, numbered as that
// procedure knows them, and are fetched with PeekWindowMessage-style polling
// so that the idle loop can run a frame whenever the queue is empty.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace plat {

// The window class name the game registers its window under.
inline constexpr const char* kWindowClassName = "TessaranApp";

// Message numbers.
inline constexpr uint32_t kMsgDestroy = 0x0002;
inline constexpr uint32_t kMsgSize = 0x0005;     // lParam: width | height << 16
inline constexpr uint32_t kMsgActivate = 0x0006; // wParam: kActivateInactive / kActivateActive
inline constexpr uint32_t kMsgQuit = 0x0012;     // wParam: the exit code
inline constexpr uint32_t kMsgActivateApp = 0x001C; // wParam: 1 gained, 0 lost

inline constexpr uintptr_t kActivateInactive = 0;
inline constexpr uintptr_t kActivateActive = 1;

class Window;

using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct Message {
    Window* window = nullptr; // null for the quit message
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

struct WindowDesc {
    std::string title;
    int width = 640;
    int height = 480;
    bool fullScreen = false; // borderless over the whole desktop, until the graphics device sets its mode
};

class Window {
public:
    // Starts SDL's video if needed and creates the window hidden (Show makes
    // it visible), ready for an OpenGL context. Null on failure, with SDL's
    // reason in *error when given.
    static std::unique_ptr<Window> Create(const WindowDesc& desc, WindowProc proc,
                                          std::string* error = nullptr);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // For the graphics device, which makes its GL context on it.
    SDL_Window* NativeHandle() const { return window_; }
    uint32_t Id() const { return id_; }

    void Show();
    bool HasFocus() const { return focused_; }
    void GetClientSize(int& width, int& height) const;

    // The size of the image the renderer draws; pointer positions are
    // reported in its pixels. Until set it is the size the window was asked
    // for, which a full-screen window stretches over the whole desktop.
    void SetBackBufferSize(int width, int height);
    void GetBackBufferSize(int& width, int& height) const;

    // The last pointer position seen over the window, in back-buffer pixels
    // of the picture where the window shows it.
    void GetCursorPosition(int& x, int& y) const;

    // Calls the window procedure at once, as a message sent rather than posted.
    intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam);

    static Window* FromId(uint32_t id);

private:
    Window(SDL_Window* window, WindowProc proc, int width, int height);
    static int Watch(void* self, SDL_Event* event);

    friend void TranslateEvent(const SDL_Event& event);

    SDL_Window* window_;
    uint32_t id_;
    WindowProc proc_;
    bool focused_ = false;
    bool destroyPosted_ = false;
    int cursorX_ = 0; // window pixels
    int cursorY_ = 0;
    int backBufferWidth_ = 0;
    int backBufferHeight_ = 0;
};

// The procedure for messages a window procedure does not handle.
intptr_t DefaultWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The next waiting message, removed from the queue when remove is set.
// False when nothing is waiting.
bool PeekWindowMessage(Message& out, bool remove);

// Hands the message to its window's procedure (the quit message has none).
intptr_t DispatchWindowMessage(const Message& message);

// Queues the quit message with the exit code.
void PostQuit(int exitCode);

// Removes and dispatches every waiting message without running a frame.
// Stops at a quit message, which stays queued for the main loop; returns
// false when it met one.
bool DrainMessages();

// Shows or hides the mouse pointer.
void ShowCursor(bool visible);

} // namespace plat
