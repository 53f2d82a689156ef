#include "script/ScriptOwnership.h"

#include "script/ScriptWrap.h"

namespace script {

namespace {

constexpr const char* kOwnedKey = "om_script_created";

// Pushes the registry table of marked objects, creating it on first use.
void PushOwnedTable(lua_State* L)
{
    lua_getfield(L, LUA_REGISTRYINDEX, kOwnedKey);
    if (lua_istable(L, -1))
        return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, kOwnedKey);
}

void SetMark(lua_State* L, void* object, bool on)
{
    PushOwnedTable(L);
    lua_pushlightuserdata(L, object);
    if (on)
        lua_pushboolean(L, 1);
    else
        lua_pushnil(L);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

// Drops the object from tolua's userdata cache so a new object at the same
// address gets a fresh userdata, and nulls the one scripts still hold.
void ForgetUserdata(lua_State* L, int selfIndex, void* object)
{
    if (lua_getmetatable(L, selfIndex)) {
        lua_pushstring(L, "tolua_ubox");
        lua_rawget(L, -2);
        if (lua_istable(L, -1)) {
            lua_pushlightuserdata(L, object);
            lua_pushnil(L);
            lua_rawset(L, -3);
        }
        lua_pop(L, 2);
    }
    *static_cast<void**>(lua_touserdata(L, selfIndex)) = nullptr;
}

} // namespace

void MarkScriptCreated(lua_State* L, void* object) { SetMark(L, object, true); }

void HandToGame(lua_State* L, void* object) { SetMark(L, object, false); }

bool IsScriptCreated(lua_State* L, void* object)
{
    PushOwnedTable(L);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, -2);
    const bool marked = lua_toboolean(L, -1) != 0;
    lua_pop(L, 2);
    return marked;
}

int NewObject(lua_State* L, const char* type, const char* typeError, void* (*create)())
{
    tolua_Error err;
    if (!IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    void* object = create();
    if (!object) {
        lua_pushnil(L);
        return 1;
    }
    MarkScriptCreated(L, object);
    PushObject(L, object, type);
    return 1;
}

int DeleteObject(lua_State* L, const char* type, const char* typeError, const char* selfError,
                 void (*destroy)(void*))
{
    tolua_Error err;
    if (!IsSelf(L, type, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    void* object = tolua_tousertype(L, 1, nullptr);
    if (!object)
        Raise(L, selfError);
    if (!IsScriptCreated(L, object))
        Raise(L, "object not owned by the script in function 'delete'");
    HandToGame(L, object);
    ForgetUserdata(L, 1, object);
    destroy(object);
    return 0;
}

} // namespace script
