#include "platform/Window.h"

#include <SDL.h>

#include "platform/GfxGL.h"
#include "platform/WindowRect.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace plat {
namespace {

std::deque<Message>& Queue()
{
    static std::deque<Message> queue;
    return queue;
}

std::vector<Window*>& LiveWindows()
{
    static std::vector<Window*> windows;
    return windows;
}

void Post(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Queue().push_back(Message{window, message, wParam, lParam});
}

// Events carry the id of the window they belong to; 0 means the event did
// not say, which only events pushed by hand do.
bool IsFor(const Window& window, uint32_t windowId)
{
    return windowId == window.Id() || windowId == 0;
}

// A pointer coordinate in the window (of size pixels) to the picture's, which
// stands in [shownFrom, shownTo) of the window and is pictureSize pixels
// across. Over a black bar beside the picture the pointer reads as the
// picture's nearest edge.
int ToPicture(int value, int size, int shownFrom, int shownTo, int pictureSize)
{
    if (shownTo <= shownFrom) {
        return value;
    }
    if (value >= 0 && value < size) {
        value = std::clamp(value, shownFrom, shownTo - 1);
    }
    return static_cast<int>(static_cast<int64_t>(value - shownFrom) * pictureSize / (shownTo - shownFrom));
}

} // namespace

void TranslateEvent(const SDL_Event& event);

Window::Window(SDL_Window* window, WindowProc proc, int width, int height)
    : window_(window), id_(SDL_GetWindowID(window)), proc_(proc),
      backBufferWidth_(width), backBufferHeight_(height)
{
    focused_ = (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

std::unique_ptr<Window> Window::Create(const WindowDesc& desc, WindowProc proc, std::string* error)
{
    // Closing the window is the game's decision (its procedure posts the
    // quit message), so SDL must not add a quit event of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error) {
            *error = SDL_GetError();
        }
        return nullptr;
    }
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (desc.fullScreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    SDL_Window* native = SDL_CreateWindow(desc.title.c_str(), 0, 0, desc.width, desc.height, flags);
    if (!native) {
        if (error) {
            *error = SDL_GetError();
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // SDL loaded the X and GL libraries for this window; keep them loaded so
    // closing it does not unload code that leak reports must still name.
    GfxPinGLDriver();
    std::unique_ptr<Window> window(new Window(native, proc, desc.width, desc.height));
    SDL_AddEventWatch(&Window::Watch, window.get());
    LiveWindows().push_back(window.get());
    return window;
}

Window::~Window()
{
    SDL_DelEventWatch(&Window::Watch, this);
    auto& live = LiveWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    auto& queue = Queue();
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [this](const Message& m) { return m.window == this; }),
                queue.end());
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// Runs as each event enters SDL's queue, so focus and pointer position are
// current when input devices are read, however far the message loop lags.
int Window::Watch(void* self, SDL_Event* event)
{
    auto* window = static_cast<Window*>(self);
    if (event->type == SDL_WINDOWEVENT && IsFor(*window, event->window.windowID)) {
        if (event->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            window->focused_ = true;
        } else if (event->window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            window->focused_ = false;
        }
    } else if (event->type == SDL_MOUSEMOTION && IsFor(*window, event->motion.windowID)) {
        window->cursorX_ = event->motion.x;
        window->cursorY_ = event->motion.y;
    }
    return 0;
}

void Window::Show()
{
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

void Window::GetClientSize(int& width, int& height) const
{
    SDL_GetWindowSize(window_, &width, &height);
}

void Window::SetBackBufferSize(int width, int height)
{
    backBufferWidth_ = width;
    backBufferHeight_ = height;
}

void Window::GetBackBufferSize(int& width, int& height) const
{
    width = backBufferWidth_;
    height = backBufferHeight_;
}

void Window::GetCursorPosition(int& x, int& y) const
{
    int width = 0, height = 0;
    GetClientSize(width, height);
    const GfxRect shown = ShownPictureRect(window_, width, height, static_cast<uint32_t>(backBufferWidth_),
                                           static_cast<uint32_t>(backBufferHeight_));
    x = ToPicture(cursorX_, width, shown.left, shown.right, backBufferWidth_);
    y = ToPicture(cursorY_, height, shown.top, shown.bottom, backBufferHeight_);
}

intptr_t Window::Send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return proc_ ? proc_(this, message, wParam, lParam) : DefaultWindowProc(this, message, wParam, lParam);
}

Window* Window::FromId(uint32_t id)
{
    for (Window* w : LiveWindows()) {
        if (w->id_ == id) {
            return w;
        }
    }
    return nullptr;
}

// Window events become messages. Keyboard and mouse events are not messages:
// the input devices take those as they arrive (see InputDevices).
void TranslateEvent(const SDL_Event& event)
{
    if (event.type == SDL_QUIT) {
        // An interrupt or terminate signal: close every window the way the
        // close button would.
        for (Window* w : LiveWindows()) {
            if (!w->destroyPosted_) {
                w->destroyPosted_ = true;
                Post(w, kMsgDestroy, 0, 0);
            }
        }
        return;
    }
    if (event.type != SDL_WINDOWEVENT) {
        return;
    }
    Window* window = Window::FromId(event.window.windowID);
    if (!window) {
        return;
    }
    switch (event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        Post(window, kMsgActivateApp, 1, 0);
        Post(window, kMsgActivate, kActivateActive, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Post(window, kMsgActivate, kActivateInactive, 0);
        Post(window, kMsgActivateApp, 0, 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        const auto w = static_cast<uint16_t>(event.window.data1);
        const auto h = static_cast<uint16_t>(event.window.data2);
        Post(window, kMsgSize, 0, static_cast<intptr_t>(w | (static_cast<uint32_t>(h) << 16)));
        break;
    }
    case SDL_WINDOWEVENT_CLOSE:
        if (!window->destroyPosted_) {
            window->destroyPosted_ = true;
            Post(window, kMsgDestroy, 0, 0);
        }
        break;
    default:
        break;
    }
}

intptr_t DefaultWindowProc(Window*, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

bool PeekWindowMessage(Message& out, bool remove)
{
    auto& queue = Queue();
    SDL_Event event;
    while (queue.empty() && SDL_WasInit(SDL_INIT_VIDEO) && SDL_PollEvent(&event)) {
        TranslateEvent(event);
    }
    if (queue.empty()) {
        return false;
    }
    out = queue.front();
    if (remove) {
        queue.pop_front();
    }
    return true;
}

intptr_t DispatchWindowMessage(const Message& message)
{
    return message.window ? message.window->Send(message.message, message.wParam, message.lParam) : 0;
}

void PostQuit(int exitCode)
{
    Post(nullptr, kMsgQuit, static_cast<uintptr_t>(static_cast<intptr_t>(exitCode)), 0);
}

bool DrainMessages()
{
    Message message;
    while (PeekWindowMessage(message, false)) {
        if (message.message == kMsgQuit) {
            return false;
        }
        Queue().pop_front();
        DispatchWindowMessage(message);
    }
    return true;
}

void ShowCursor(bool visible)
{
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

} // namespace plat
