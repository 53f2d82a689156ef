// A small window drawn in software for modal dialogs, shown before the game's
// device exists or over the game: a canvas of A8R8G8B8 pixels with
// rectangles and FreeType text, copied to the window on Present, and the
// keyboard and mouse input that arrived for the window, in order. What the
// dialog takes from the game while it stands, the game has back when it
// goes: its GL context current, and the keyboard.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Window.h"

union SDL_Event;

namespace plat {

class FontRaster;

struct DialogInput {
    enum class Kind { KeyDown, MouseMove, MouseDown, MouseUp, Wheel };
    Kind kind = Kind::KeyDown;
    int key = 0;    // key code (KeyCodes.h) for KeyDown
    int x = 0, y = 0; // pointer position in window pixels
    int button = 0; // 0 left, 1 right, 2 middle
    int wheel = 0;  // notches, positive away from the user
};

class DialogSurface {
public:
    // Null on failure, with the reason in *error when given.
    static std::unique_ptr<DialogSurface> Create(const std::string& title, int width, int height,
                                                 std::string* error = nullptr);
    ~DialogSurface();
    DialogSurface(const DialogSurface&) = delete;
    DialogSurface& operator=(const DialogSurface&) = delete;

    Window& GetWindow() { return *window_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    uint32_t PixelAt(int x, int y) const;

    void Fill(int x, int y, int w, int h, uint32_t colour);
    void Outline(int x, int y, int w, int h, uint32_t colour);
    // A w x h picture of A8R8G8B8 words (top row first) with its top-left
    // corner at (x, y), drawn opaque and clipped to the canvas.
    void Picture(int x, int y, int w, int h, const uint32_t* pixels);
    // Anti-aliased text with its top-left cell corner at (x, y), clipped to
    // the rectangle (x, y, clipWidth, the font's cell height).
    void Text(const FontRaster& font, std::string_view text, int x, int y, int clipWidth, uint32_t colour);
    // Shows the canvas in the window.
    void Present();

    // The next input for the window; false when none is waiting. Window
    // messages of every window are dispatched on the way.
    bool NextInput(DialogInput& out);
    // The close button was pressed or the program was asked to end.
    bool CloseRequested() const { return closeRequested_; }
    // True once after the window system showed the window again (it was
    // uncovered or restored), when the picture must be presented anew.
    bool TakeExposed();

private:
    DialogSurface(std::unique_ptr<Window> window, int width, int height, uint32_t focusedBefore);
    static int Watch(void* self, SDL_Event* event);
    void RestoreGLContext() const;
    void Blend(int x, int y, uint8_t coverage, uint32_t colour);

    std::unique_ptr<Window> window_;
    int width_, height_;
    std::vector<uint32_t> pixels_;
    std::vector<uint8_t> textScratch_;
    std::deque<DialogInput> input_;
    bool closeRequested_ = false;
    bool exposed_ = false;
    int pointerX_ = 0, pointerY_ = 0;
    // What was current before the dialog: the GL context and its window,
    // and the id of the window with the keyboard (0 for none).
    SDL_Window* glWindowBefore_ = nullptr;
    void* glContextBefore_ = nullptr;
    uint32_t focusedBefore_ = 0;
};

} // namespace plat
