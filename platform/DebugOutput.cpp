#include "platform/DebugOutput.h"

#include <cstdio>
#include <cstdlib>

namespace plat {
namespace {
DebugOutputHook& Hook()
{
    static DebugOutputHook hook;
    return hook;
}
} // namespace

void DebugOutput(std::string_view text)
{
    if (Hook()) {
        Hook()(text);
        return;
    }
    static const bool enabled = std::getenv("TESSARAN_DEBUG_OUTPUT") != nullptr;
    if (enabled) {
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

DebugOutputHook SetDebugOutputHook(DebugOutputHook hook)
{
    DebugOutputHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace plat
