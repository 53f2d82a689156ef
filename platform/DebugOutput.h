// The debugger output channel: text meant for a developer watching the
// process, never for the player. It is written to standard error only when
// TESSARAN_DEBUG_OUTPUT is set; tests can capture it with a hook.
#pragma once

#include <functional>
#include <string_view>

namespace plat {

void DebugOutput(std::string_view text);

// Replaces the sink (null restores the default). Returns the previous hook.
using DebugOutputHook = std::function<void(std::string_view)>;
DebugOutputHook SetDebugOutputHook(DebugOutputHook hook);

} // namespace plat
