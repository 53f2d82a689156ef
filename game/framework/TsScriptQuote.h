// Quotes a text as a Lua string literal the way string.format's %q does, so
// file names with quotes or backslashes survive being written into script
// commands and the breakpoint file.
#pragma once

#include <string>
#include <string_view>

std::string TsScriptQuote(std::string_view text);

// Whether a text can stand as a name in script text built from pieces
// ("%s(%s,%s)"): letters, digits and '_', not starting with a digit. Any
// other object or function name could inject code, so it is refused.
bool TsIsScriptIdentifier(const char* text);
