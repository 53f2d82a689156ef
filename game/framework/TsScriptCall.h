// The protected-call protocol shared by every place that enters Lua. Lua
// 5.1 raises errors with longjmp, so callers keep no object with a
// destructor alive across these calls and pass plain data only.
#pragma once

struct lua_State;

namespace TsScriptCall {

using CFunction = int (*)(lua_State*);

// Pushes the C function as the one script value made for it in this state
// and kept in the registry: a plain push makes a new closure every time,
// garbage that calls made every tick would leave behind. Inside a protected
// call only (the first push of a function makes its value).
void PushFunction(lua_State* L, CFunction function);

// Runs entry protected with request as its one (light user data) argument,
// as lua_cpcall does but without making a closure for each call. Answers
// the lua_pcall status; the stack above the caller's top is the caller's to
// clear.
int HostCall(lua_State* L, CFunction entry, void* request);

// Pushes the message handler: it hands the error message to the current
// global _ERRORMESSAGE while the failing stack is still there to inspect.
void PushHandler(lua_State* L);

// lua_pcall of the function and `nargs` arguments on top of the stack, with
// the handler pushed just below the function. Answers a TsScriptCode.
int Protected(lua_State* L, int nargs, int nresults);

// Loads and runs a chunk (text, or the file at `hostPath` when text is
// null) with the handler; load errors reach _ERRORMESSAGE as well. Safe to
// call outside any protected call. Leaves the stack top as it was.
int RunChunk(lua_State* L, const char* text, const char* hostPath);

// Hands a message to _ERRORMESSAGE; false when that itself failed.
bool ReportToErrorMessage(lua_State* L, const char* message);

// Pushes a game object as a user value of its script class; nil for a null
// object or a class the scripts do not know (exactly one value either way).
void PushObject(lua_State* L, void* object, const char* className);

// A lua_pcall/lua_cpcall status as a TsScriptCode.
int CodeFromLua(int status);

} // namespace TsScriptCall
