#include "platform/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <string>

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
    std::string c(caption), t(text);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, c.c_str(), t.c_str(), nullptr) != 0) {
        std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    }
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    MessageBoxHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace plat
