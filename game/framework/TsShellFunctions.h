// The global script functions through which scripts and the developer shell
// reach the shell, the modes and the developer tools.
#pragma once

struct lua_State;

namespace TsShellFunctions {

// Registers every shell function as a global of L. Runs inside a protected
// call (it may raise when memory runs out).
void Register(lua_State* L);

// Script truth for a flag argument: nil and 0 are false, any other number
// and true are true; other values are false.
bool ToFlag(lua_State* L, int index);

// A script number as an int, by the game's one rule (TsScriptNumber.h).
int ToInt(lua_State* L, int index);

} // namespace TsShellFunctions
