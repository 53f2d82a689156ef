#include "platform/MessageBox.h"

#include <cstdio>
#include <memory>

#include "platform/Display.h"
#include "platform/MessageBoxWindow.h"

namespace plat {
namespace {
MessageBoxHook& Hook()
{
    static MessageBoxHook hook;
    return hook;
}
} // namespace

void ShowMessageBox(std::string_view caption, std::string_view text)
{
    if (Hook()) {
        Hook()(caption, text);
        return;
    }
    // Drawn by the game, so that the keyboard answers it whatever holds the
    // display's focus; with no display the text goes to standard error.
    std::unique_ptr<MessageBoxWindow> box = HasDisplay() ? MessageBoxWindow::Create(caption, text) : nullptr;
    if (!box) {
        std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
        return;
    }
    box->RunModal();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    MessageBoxHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace plat
