#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptHandles.h"

#include <cstring>
#include <lua.hpp>
#include <tolua++.h>

#include "game/framework/TsScriptHost.h"

namespace {

// Set by the handler when _ERRORMESSAGE itself raised; one state, one thread.
bool g_handlerFailed = false;

// _ERRORMESSAGE takes a text, but Lua raises any value: a number goes as
// its text, anything else as nil (no message). The value raised stays.
int MessageHandler(lua_State* L)
{
    lua_getfield(L, LUA_GLOBALSINDEX, "_ERRORMESSAGE");
    if (lua_isfunction(L, -1)) {
        lua_pushvalue(L, 1);
        if (lua_isstring(L, -1)) {
            lua_tostring(L, -1); // turns the copy only into text
        } else {
            lua_pop(L, 1);
            lua_pushnil(L);
        }
        if (lua_pcall(L, 1, 0, 0) != 0) {
            g_handlerFailed = true;
            lua_pop(L, 1);
        }
    } else {
        lua_pop(L, 1);
    }
    lua_settop(L, 1);
    return 1;
}

struct ChunkRequest {
    const char* text;
    const char* hostPath;
    int code;
};

int ChunkEntry(lua_State* L)
{
    auto* request = static_cast<ChunkRequest*>(lua_touserdata(L, 1));
    lua_settop(L, 0);
    TsScriptCall::PushHandler(L);
    const int status = request->text
        ? luaL_loadbuffer(L, request->text, std::strlen(request->text), request->text)
        : luaL_loadfile(L, request->hostPath);
    if (status != 0) {
        // A chunk that does not load never reaches the handler by itself.
        const char* message = lua_tostring(L, -1);
        const bool reported = TsScriptCall::ReportToErrorMessage(L, message ? message : "(no message)");
        request->code = reported ? TsScriptCall::CodeFromLua(status) : TS_SCRIPT_HANDLER_ERROR;
        return 0;
    }
    request->code = TsScriptCall::Protected(L, 0, 0);
    return 0;
}

// A function's stored value is keyed in the registry by its address.
void* KeyOf(TsScriptCall::CFunction function)
{
    return reinterpret_cast<void*>(function);
}

bool PushStored(lua_State* L, TsScriptCall::CFunction function)
{
    lua_pushlightuserdata(L, KeyOf(function));
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_isfunction(L, -1)) {
        return true;
    }
    lua_pop(L, 1);
    return false;
}

// Makes the function's value: may raise a memory error, so only inside a
// protected call.
void Store(lua_State* L, TsScriptCall::CFunction function)
{
    lua_pushlightuserdata(L, KeyOf(function));
    lua_pushcfunction(L, function);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

int StoreEntry(lua_State* L)
{
    Store(L, *static_cast<TsScriptCall::CFunction*>(lua_touserdata(L, 1)));
    return 0;
}

} // namespace

namespace TsScriptCall {

void PushFunction(lua_State* L, CFunction function)
{
    if (!PushStored(L, function)) {
        Store(L, function);
        PushStored(L, function);
    }
}

int HostCall(lua_State* L, CFunction entry, void* request)
{
    const int top = lua_gettop(L);
    if (!lua_checkstack(L, 2)) {
        return lua_cpcall(L, entry, request);
    }
    if (!PushStored(L, entry)) {
        // The first call in this state makes the value, itself protected.
        CFunction stored = entry;
        if (lua_cpcall(L, &StoreEntry, &stored) != 0 || !PushStored(L, entry)) {
            lua_settop(L, top);
            return lua_cpcall(L, entry, request);
        }
    }
    lua_pushlightuserdata(L, request);
    return lua_pcall(L, 1, 0, 0);
}

void PushHandler(lua_State* L)
{
    PushFunction(L, &MessageHandler);
}

int Protected(lua_State* L, int nargs, int nresults)
{
    const int handler = lua_gettop(L) - nargs - 1;
    const bool outerFailed = g_handlerFailed;
    g_handlerFailed = false;
    const int status = lua_pcall(L, nargs, nresults, handler);
    const bool failed = g_handlerFailed;
    g_handlerFailed = outerFailed;
    if (status != 0 && failed) {
        return TS_SCRIPT_HANDLER_ERROR;
    }
    return CodeFromLua(status);
}

int RunChunk(lua_State* L, const char* text, const char* hostPath)
{
    ChunkRequest request{text, hostPath, TS_SCRIPT_OK};
    const int top = lua_gettop(L);
    const int outer = HostCall(L, &ChunkEntry, &request);
    lua_settop(L, top);
    return outer != 0 ? CodeFromLua(outer) : request.code;
}

bool ReportToErrorMessage(lua_State* L, const char* message)
{
    lua_pushcfunction(L, &MessageHandler);
    lua_pushstring(L, message);
    const bool outerFailed = g_handlerFailed;
    g_handlerFailed = false;
    const int status = lua_pcall(L, 1, 0, 0);
    const bool ok = status == 0 && !g_handlerFailed;
    g_handlerFailed = outerFailed;
    if (status != 0) {
        lua_pop(L, 1);
    }
    return ok;
}

void PushObject(lua_State* L, void* object, const char* className)
{
    if (!object || !className) {
        lua_pushnil(L);
        return;
    }
    TsScriptHandles::Push(L, object, className);
}

int CodeFromLua(int status)
{
    switch (status) {
    case 0: return TS_SCRIPT_OK;
    case LUA_ERRSYNTAX: return TS_SCRIPT_SYNTAX_ERROR;
    case LUA_ERRMEM: return TS_SCRIPT_MEMORY_ERROR;
    case LUA_ERRERR: return TS_SCRIPT_HANDLER_ERROR;
    case LUA_ERRFILE: return TS_SCRIPT_FILE_ERROR;
    default: return TS_SCRIPT_RUN_ERROR;
    }
}

} // namespace TsScriptCall
