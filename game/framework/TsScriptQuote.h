// Quotes a text as a Lua string literal the way string.format's %q does, so
// file names with quotes or backslashes survive being written into script
// commands and the breakpoint file.
#pragma once

#include <string>
#include <string_view>

std::string TsScriptQuote(std::string_view text);
