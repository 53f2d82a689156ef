// The message box the game draws itself: the caption as its title, the text
// word-wrapped, and one OK button. Players expect the keyboard to answer a
// box, so Return, the keypad's Enter, Escape and Space answer it as a click
// on OK does; closing the window answers it too.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DialogSurface.h"
#include "platform/FontRaster.h"

namespace plat {

class MessageBoxWindow {
public:
    static constexpr int kWidth = 420;

    // Null (with the reason in *error when given) when no window can be made.
    static std::unique_ptr<MessageBoxWindow> Create(std::string_view caption, std::string_view text,
                                                    std::string* error = nullptr);
    ~MessageBoxWindow();
    MessageBoxWindow(const MessageBoxWindow&) = delete;
    MessageBoxWindow& operator=(const MessageBoxWindow&) = delete;

    // Handles the input that waits; true once the box is answered.
    bool Step();
    // Until the box is answered.
    void RunModal();
    bool Answered() const { return answered_; }

    Window& GetWindow() { return surface_->GetWindow(); }
    const DialogSurface& GetSurface() const { return *surface_; }
    // The OK button, in window pixels.
    int ButtonX() const { return (kWidth - kButtonWidth) / 2; }
    int ButtonY() const { return buttonY_; }
    static constexpr int kButtonWidth = 90;
    static constexpr int kButtonHeight = 26;
    // The text's lines as drawn.
    const std::vector<std::string>& GetLines() const { return lines_; }

private:
    MessageBoxWindow() = default;
    void Wrap(std::string_view text);
    void Draw();
    void Handle(const DialogInput& in);
    bool OnButton(int x, int y) const;

    std::unique_ptr<DialogSurface> surface_;
    FontRaster font_;
    std::vector<std::string> lines_;
    int buttonY_ = 0;
    bool pressedOnButton_ = false;
    bool answered_ = false;
};

} // namespace plat
