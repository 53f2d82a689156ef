#include "platform/DialogSurface.h"

#include <SDL.h>

#include <algorithm>

#include "platform/FontRaster.h"
#include "platform/KeyCodes.h"

namespace plat {
namespace {

int ButtonIndex(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return button - 1;
    }
}

uint32_t Mix(uint32_t under, uint32_t over, uint8_t coverage)
{
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t a = (under >> shift) & 0xFF, b = (over >> shift) & 0xFF;
        out |= ((a * (255u - coverage) + b * coverage + 127u) / 255u) << shift;
    }
    return out;
}

} // namespace

std::unique_ptr<DialogSurface> DialogSurface::Create(const std::string& title, int width, int height,
                                                     std::string* error)
{
    // Taken before the dialog's window can take it.
    SDL_Window* const focused = SDL_GetKeyboardFocus();
    const uint32_t focusedBefore = focused ? SDL_GetWindowID(focused) : 0;
    WindowDesc desc;
    desc.title = title;
    desc.width = width;
    desc.height = height;
    std::unique_ptr<Window> window = Window::Create(desc, nullptr, error);
    if (!window) {
        return nullptr;
    }
    SDL_SetWindowPosition(window->NativeHandle(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    window->Show();
    return std::unique_ptr<DialogSurface>(new DialogSurface(std::move(window), width, height, focusedBefore));
}

DialogSurface::DialogSurface(std::unique_ptr<Window> window, int width, int height, uint32_t focusedBefore)
    : window_(std::move(window)), width_(width), height_(height),
      pixels_(static_cast<size_t>(width) * height, 0xFFD4D0C8u),
      glWindowBefore_(SDL_GL_GetCurrentWindow()), glContextBefore_(SDL_GL_GetCurrentContext()),
      focusedBefore_(focusedBefore)
{
    SDL_AddEventWatch(&DialogSurface::Watch, this);
}

// The window goes first: a GL renderer of its own goes with it and leaves
// no context current. The window that had the keyboard is given it back,
// as no window manager may be there to do it; a game without the keyboard
// counts as in the background, where it neither ticks nor draws.
DialogSurface::~DialogSurface()
{
    SDL_DelEventWatch(&DialogSurface::Watch, this);
    window_.reset();
    RestoreGLContext();
    if (SDL_Window* before = SDL_GetWindowFromID(focusedBefore_)) {
        SDL_RaiseWindow(before);
        SDL_SetWindowInputFocus(before);
    }
}

// The window system may copy the canvas through a GL renderer made for the
// dialog's window, whose context then stays current; the game's device
// draws with whatever context is current, so its own is made current again.
void DialogSurface::RestoreGLContext() const
{
    if (glContextBefore_ && SDL_GL_GetCurrentContext() != glContextBefore_) {
        SDL_GL_MakeCurrent(glWindowBefore_, glContextBefore_);
    }
}

int DialogSurface::Watch(void* self, SDL_Event* event)
{
    auto* surface = static_cast<DialogSurface*>(self);
    const uint32_t id = surface->window_->Id();
    DialogInput in;
    switch (event->type) {
    case SDL_KEYDOWN:
        if (event->key.windowID != id) {
            return 0;
        }
        in.kind = DialogInput::Kind::KeyDown;
        in.key = KeyCodeFromScancode(event->key.keysym.scancode);
        break;
    case SDL_MOUSEMOTION:
        if (event->motion.windowID != id) {
            return 0;
        }
        in.kind = DialogInput::Kind::MouseMove;
        in.x = surface->pointerX_ = event->motion.x;
        in.y = surface->pointerY_ = event->motion.y;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event->button.windowID != id) {
            return 0;
        }
        in.kind = event->type == SDL_MOUSEBUTTONDOWN ? DialogInput::Kind::MouseDown : DialogInput::Kind::MouseUp;
        in.button = ButtonIndex(event->button.button);
        // Injected clicks carry no position: the pointer is where it last moved.
        in.x = surface->pointerX_;
        in.y = surface->pointerY_;
        break;
    case SDL_MOUSEWHEEL:
        if (event->wheel.windowID != id) {
            return 0;
        }
        in.kind = DialogInput::Kind::Wheel;
        in.wheel = event->wheel.y;
        break;
    case SDL_WINDOWEVENT:
        if (event->window.windowID == id && event->window.event == SDL_WINDOWEVENT_CLOSE) {
            surface->closeRequested_ = true;
        } else if (event->window.windowID == id && event->window.event == SDL_WINDOWEVENT_EXPOSED) {
            surface->exposed_ = true;
        }
        return 0;
    case SDL_QUIT:
        surface->closeRequested_ = true;
        return 0;
    default:
        return 0;
    }
    surface->input_.push_back(in);
    return 0;
}

uint32_t DialogSurface::PixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void DialogSurface::Fill(int x, int y, int w, int h, uint32_t colour)
{
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
    for (int row = y0; row < y1; ++row) {
        std::fill(pixels_.begin() + static_cast<ptrdiff_t>(row) * width_ + x0,
                  pixels_.begin() + static_cast<ptrdiff_t>(row) * width_ + x1, colour);
    }
}

void DialogSurface::Picture(int x, int y, int w, int h, const uint32_t* pixels)
{
    if (!pixels)
        return;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
    for (int row = y0; row < y1; ++row) {
        const uint32_t* source = pixels + static_cast<ptrdiff_t>(row - y) * w;
        for (int col = x0; col < x1; ++col)
            pixels_[static_cast<size_t>(row) * static_cast<size_t>(width_) + static_cast<size_t>(col)] =
                source[col - x] | 0xFF000000u;
    }
}

void DialogSurface::Outline(int x, int y, int w, int h, uint32_t colour)
{
    Fill(x, y, w, 1, colour);
    Fill(x, y + h - 1, w, 1, colour);
    Fill(x, y, 1, h, colour);
    Fill(x + w - 1, y, 1, h, colour);
}

void DialogSurface::Blend(int x, int y, uint8_t coverage, uint32_t colour)
{
    if (coverage == 0 || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    uint32_t& pixel = pixels_[static_cast<size_t>(y) * width_ + x];
    pixel = Mix(pixel, colour, coverage);
}

void DialogSurface::Text(const FontRaster& font, std::string_view text, int x, int y, int clipWidth,
                         uint32_t colour)
{
    const int w = std::max(clipWidth, 0);
    const int h = static_cast<int>(font.CellHeight());
    if (w == 0 || h == 0) {
        return;
    }
    textScratch_.assign(static_cast<size_t>(w) * h, 0);
    font.DrawText(text, 0, 0, textScratch_.data(), static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                  static_cast<size_t>(w));
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            Blend(x + col, y + row, textScratch_[static_cast<size_t>(row) * w + col], colour);
        }
    }
}

void DialogSurface::Present()
{
    SDL_Window* native = window_->NativeHandle();
    SDL_Surface* target = SDL_GetWindowSurface(native);
    if (!target) {
        return;
    }
    SDL_Surface* canvas = SDL_CreateRGBSurfaceWithFormatFrom(pixels_.data(), width_, height_, 32, width_ * 4,
                                                             SDL_PIXELFORMAT_ARGB8888);
    if (canvas) {
        SDL_BlitSurface(canvas, nullptr, target, nullptr);
        SDL_FreeSurface(canvas);
        SDL_UpdateWindowSurface(native);
    }
    RestoreGLContext();
}

bool DialogSurface::TakeExposed()
{
    const bool exposed = exposed_;
    exposed_ = false;
    return exposed;
}

bool DialogSurface::NextInput(DialogInput& out)
{
    if (!DrainMessages()) {
        // A quit is waiting for the main loop: the dialog must give way.
        closeRequested_ = true;
    }
    if (input_.empty()) {
        return false;
    }
    out = input_.front();
    input_.pop_front();
    return true;
}

} // namespace plat
