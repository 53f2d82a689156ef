#pragma once

// The game's script binding package: every class table, global function and
// numeric constant that Lua scripts see. The script host opens it once per
// Lua state, after the standard libraries, and closes it before closing the
// state.

struct lua_State;

// Registers the whole package into L; returns 1.
int tolua_game_open(lua_State* L);

// Sets every global the package registered back to nil. Class-scoped
// constants and tolua++'s own tables go with the state when it is closed.
void tolua_game_close(lua_State* L);

// What a script made with new and never handed to the game is destroyed by
// TsScriptHandles::DestroyScriptHeld, before the game's pools go.
