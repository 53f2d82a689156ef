#include "platform/MessageBoxWindow.h"

#include <chrono>
#include <thread>

#include "platform/KeyCodes.h"

namespace plat {
namespace {

constexpr int kMargin = 16;
constexpr int kFontPixels = 14;
constexpr uint32_t kBackground = 0xFFD4D0C8u;
constexpr uint32_t kInk = 0xFF000000u;
constexpr auto kIdleStep = std::chrono::milliseconds(10);

bool AnswersTheBox(int key)
{
    return key == kKeyReturn || key == kKeyNumpadEnter || key == kKeyEscape || key == kKeySpace;
}

} // namespace

std::unique_ptr<MessageBoxWindow> MessageBoxWindow::Create(std::string_view caption, std::string_view text,
                                                           std::string* error)
{
    std::unique_ptr<MessageBoxWindow> box(new MessageBoxWindow);
    // Any face serves: a name no font file holds falls back to the default.
    box->font_.Open("MS Sans Serif", kFontPixels, false, false, error);
    box->Wrap(text);
    const int lineHeight = box->font_.IsOpen() ? static_cast<int>(box->font_.CellHeight()) : kFontPixels;
    box->buttonY_ = kMargin + static_cast<int>(box->lines_.size()) * lineHeight + kMargin;
    const int height = box->buttonY_ + kButtonHeight + kMargin;
    box->surface_ = DialogSurface::Create(std::string(caption), kWidth, height, error);
    if (!box->surface_) {
        return nullptr;
    }
    box->Draw();
    return box;
}

MessageBoxWindow::~MessageBoxWindow() = default;

// Lines break at line feeds and, where a line is wider than the box, at the
// last blank that fits; a word wider than the box keeps a line of its own.
void MessageBoxWindow::Wrap(std::string_view text)
{
    const uint32_t room = kWidth - 2 * kMargin;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string line;
        for (size_t at = start; at < end;) {
            size_t blank = text.find(' ', at);
            if (blank == std::string_view::npos || blank > end) {
                blank = end;
            }
            const std::string word(text.substr(at, blank - at));
            const std::string longer = line.empty() ? word : line + " " + word;
            if (!line.empty() && font_.IsOpen() && font_.TextWidth(longer) > room) {
                lines_.push_back(line);
                line = word;
            } else {
                line = longer;
            }
            at = blank + 1;
        }
        lines_.push_back(line);
        start = end + 1;
    }
}

void MessageBoxWindow::Draw()
{
    DialogSurface& s = *surface_;
    s.Fill(0, 0, s.Width(), s.Height(), kBackground);
    if (font_.IsOpen()) {
        const int lineHeight = static_cast<int>(font_.CellHeight());
        for (size_t i = 0; i < lines_.size(); ++i) {
            s.Text(font_, lines_[i], kMargin, kMargin + static_cast<int>(i) * lineHeight, kWidth - 2 * kMargin,
                   kInk);
        }
        const int textX = ButtonX() + (kButtonWidth - static_cast<int>(font_.TextWidth("OK"))) / 2;
        const int textY = buttonY_ + (kButtonHeight - lineHeight) / 2;
        s.Text(font_, "OK", textX, textY, kButtonWidth, kInk);
    }
    s.Outline(ButtonX(), buttonY_, kButtonWidth, kButtonHeight, kInk);
    s.Present();
}

bool MessageBoxWindow::OnButton(int x, int y) const
{
    return x >= ButtonX() && x < ButtonX() + kButtonWidth && y >= buttonY_ && y < buttonY_ + kButtonHeight;
}

void MessageBoxWindow::Handle(const DialogInput& in)
{
    switch (in.kind) {
    case DialogInput::Kind::KeyDown:
        answered_ = AnswersTheBox(in.key);
        break;
    case DialogInput::Kind::MouseDown:
        pressedOnButton_ = in.button == 0 && OnButton(in.x, in.y);
        break;
    case DialogInput::Kind::MouseUp:
        answered_ = in.button == 0 && pressedOnButton_ && OnButton(in.x, in.y);
        pressedOnButton_ = false;
        break;
    default:
        break;
    }
}

bool MessageBoxWindow::Step()
{
    DialogInput in;
    while (!answered_ && surface_->NextInput(in)) {
        Handle(in);
    }
    if (surface_->CloseRequested()) {
        answered_ = true;
    }
    if (!answered_ && surface_->TakeExposed()) {
        surface_->Present();
    }
    return answered_;
}

void MessageBoxWindow::RunModal()
{
    while (!Step()) {
        std::this_thread::sleep_for(kIdleStep);
    }
}

} // namespace plat
