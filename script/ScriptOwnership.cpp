#include "script/ScriptOwnership.h"

#include <utility>
#include <vector>

#include "engine/OmObject.h"
#include "game/framework/TsScriptHandles.h"
#include "script/ScriptWrap.h"

namespace script {

namespace {

// Pushes the table of marked objects, creating it on first use.
void PushOwnedTable(lua_State* L)
{
    lua_getfield(L, LUA_REGISTRYINDEX, TsScriptHandles::kScriptCreatedKey);
    if (lua_istable(L, -1))
        return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, TsScriptHandles::kScriptCreatedKey);
}

// What a counted object's mark does when the level closes: it gives back
// its reference.
void ReleaseMarked(void* object) { TsScriptHandles::LetGoForScript(*static_cast<OmObject*>(object)); }

// The mark is the function that ends the script's hold (null: no mark).
void SetMark(lua_State* L, void* object, DestroyFn destroy)
{
    PushOwnedTable(L);
    lua_pushlightuserdata(L, object);
    if (destroy)
        lua_pushlightuserdata(L, reinterpret_cast<void*>(destroy));
    else
        lua_pushnil(L);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

// Drops the object's mark and gives what it was.
DestroyFn TakeMark(lua_State* L, void* object)
{
    PushOwnedTable(L);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, -2);
    auto destroy = reinterpret_cast<DestroyFn>(lua_touserdata(L, -1));
    lua_pop(L, 2);
    if (destroy)
        SetMark(L, object, nullptr);
    return destroy;
}

// The tests every delete starts with: self of the type, no further
// argument, not null, and the script's own. Returns the object.
void* OwnedSelf(lua_State* L, const char* type, const char* typeError, const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, type, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    void* object = tolua_tousertype(L, 1, nullptr);
    if (!object)
        Raise(L, selfError);
    if (!IsScriptCreated(L, object))
        Raise(L, "object not owned by the script in function 'delete'");
    return object;
}

} // namespace

void MarkScriptCreated(lua_State* L, OmObject* object)
{
    if (!object || IsScriptCreated(L, object))
        return;
    TsScriptHandles::HoldForScript(*object);
    SetMark(L, object, ReleaseMarked);
}

void MarkScriptCreated(lua_State* L, void* object, DestroyFn destroy) { SetMark(L, object, destroy); }

// Last: the mark's reference may be the object's last.
void HandToGame(lua_State* L, void* object)
{
    if (TakeMark(L, object) == ReleaseMarked)
        ReleaseMarked(object);
}

void DestroyScriptHeld(lua_State* L)
{
    TsScriptHandles::ReleaseAll(L);
    std::vector<std::pair<void*, DestroyFn>> held;
    PushOwnedTable(L);
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        if (lua_type(L, -1) == LUA_TLIGHTUSERDATA)
            held.emplace_back(lua_touserdata(L, -2), reinterpret_cast<DestroyFn>(lua_touserdata(L, -1)));
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    lua_pushnil(L);
    lua_setfield(L, LUA_REGISTRYINDEX, TsScriptHandles::kScriptCreatedKey);
    for (const auto& [object, destroy] : held)
        destroy(object);
}

bool IsScriptCreated(lua_State* L, void* object)
{
    PushOwnedTable(L);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, -2);
    const bool marked = lua_toboolean(L, -1) != 0;
    lua_pop(L, 2);
    return marked;
}

int NewObject(lua_State* L, const char* type, const char* typeError, void* (*create)(), DestroyFn destroy)
{
    tolua_Error err;
    if (!IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    void* object = create();
    if (!object) {
        lua_pushnil(L);
        return 1;
    }
    MarkScriptCreated(L, object, destroy);
    PushObject(L, object, type);
    return 1;
}

int DeleteObject(lua_State* L, const char* type, const char* typeError, const char* selfError,
                 void (*destroy)(void*))
{
    void* object = OwnedSelf(L, type, typeError, selfError);
    TakeMark(L, object);
    TsScriptHandles::Kill(L, 1);
    destroy(object);
    return 0;
}

int NewCounted(lua_State* L, const char* type, const char* typeError, OmObject* (*create)())
{
    tolua_Error err;
    if (!IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    OmObject* object = create();
    if (!object) {
        lua_pushnil(L);
        return 1;
    }
    // The mark and the handle take references of their own; the one the
    // object was made with goes.
    MarkScriptCreated(L, object);
    PushObject(L, object, type);
    object->Release();
    return 1;
}

int DeleteCounted(lua_State* L, const char* type, const char* typeError, const char* selfError)
{
    void* object = OwnedSelf(L, type, typeError, selfError);
    HandToGame(L, object);       // the handle still holds it
    TsScriptHandles::Kill(L, 1); // last: the object may go, running its destructor
    return 0;
}

} // namespace script
