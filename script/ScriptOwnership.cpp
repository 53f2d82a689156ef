#include "script/ScriptOwnership.h"

#include <cstring>
#include <utility>
#include <vector>

#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"
#include "script/ScriptWrap.h"

namespace script {

namespace {

constexpr const char* kOwnedKey = "om_script_created";
constexpr const char* kDeletedKey = "om_script_deleted";

// Pushes the registry table at key, creating it on first use.
void PushRegistryTable(lua_State* L, const char* key)
{
    lua_getfield(L, LUA_REGISTRYINDEX, key);
    if (lua_istable(L, -1))
        return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, key);
}

// The table of marked objects.
void PushOwnedTable(lua_State* L)
{
    PushRegistryTable(L, kOwnedKey);
}

// The mark is the destroy function, or true when there is none.
void SetMark(lua_State* L, void* object, bool on, DestroyFn destroy)
{
    PushOwnedTable(L);
    lua_pushlightuserdata(L, object);
    if (on && destroy)
        lua_pushlightuserdata(L, reinterpret_cast<void*>(destroy));
    else if (on)
        lua_pushboolean(L, 1);
    else
        lua_pushnil(L);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

int RaiseDeleted(lua_State* L)
{
    Raise(L, "object was deleted");
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

void PushDeletedMetatable(lua_State* L)
{
    PushRegistryTable(L, kDeletedKey);
    lua_getfield(L, -1, "__index");
    const bool made = !lua_isnil(L, -1);
    lua_pop(L, 1);
    if (made)
        return;
    lua_pushcfunction(L, RaiseDeleted);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, RaiseDeleted);
    lua_setfield(L, -2, "__newindex");
}

// Whether the address lies in a cell of a registered class's pool that holds
// no live object: what pointed there was freed.
bool IsInFreeCell(const void* address)
{
    const char* at = static_cast<const char*>(address);
    const OmClassRegistry& registry = OmClassRegistry::Instance();
    for (uint32_t i = 0; i < registry.GetCount(); ++i) {
        const OmFastAlloc* pool = registry.GetPool(int32_t(i));
        const size_t stride = pool->GetStride(), bytes = stride * pool->GetCellsPerPage();
        OmFastAllocIterator it;
        pool->BeginIteration(it);
        for (const OmFastAllocPage* page = it.page; page; page = page->next) {
            if (at >= page->block && at < page->block + bytes)
                return !OmFastAlloc::IsLive(page->block + size_t(at - page->block) / stride * stride);
        }
    }
    return false;
}

// After a delete, every userdata whose object went with the deleted one (a
// character's inventory and the articles it held, a weapon's attribute
// blocks) dies too, found in tolua's userdata caches by the pools' answer:
// forgotten like the deleted object's own, and given a metatable whose every
// look-up or assignment raises, so neither a method call nor a variable
// reaches the freed memory.
void KillFreedUserdata(lua_State* L)
{
    const int top = lua_gettop(L);
    lua_newtable(L); // the distinct caches: one per class tree, and tolua's own
    const int caches = lua_gettop(L);
    for (lua_pushnil(L); lua_next(L, LUA_REGISTRYINDEX); lua_pop(L, 1)) {
        const bool isCache = lua_type(L, -2) == LUA_TSTRING && std::strcmp(lua_tostring(L, -2), "tolua_ubox") == 0;
        if (isCache) {
            lua_pushvalue(L, -1);
        } else if (lua_istable(L, -1)) {
            lua_pushstring(L, "tolua_ubox");
            lua_rawget(L, -2);
        } else {
            lua_pushnil(L);
        }
        if (lua_istable(L, -1)) {
            lua_pushboolean(L, 1);
            lua_rawset(L, caches);
        } else {
            lua_pop(L, 1);
        }
    }
    for (lua_pushnil(L); lua_next(L, caches); lua_pop(L, 1)) {
        const int cache = lua_gettop(L) - 1;
        for (lua_pushnil(L); lua_next(L, cache); lua_pop(L, 1)) {
            if (!lua_islightuserdata(L, -2) || !lua_isuserdata(L, -1) ||
                !IsInFreeCell(lua_touserdata(L, -2)))
                continue;
            SetMark(L, lua_touserdata(L, -2), false, nullptr); // nothing left to let go of
            *static_cast<void**>(lua_touserdata(L, -1)) = nullptr;
            PushDeletedMetatable(L);
            lua_setmetatable(L, -2);
            lua_pushvalue(L, -2);
            lua_pushnil(L);
            lua_rawset(L, cache); // clearing a field met is allowed mid-traversal
        }
    }
    lua_settop(L, top);
}

} // namespace

void MarkScriptCreated(lua_State* L, void* object, DestroyFn destroy) { SetMark(L, object, true, destroy); }

void ForgetFreedObjects(lua_State* L) { KillFreedUserdata(L); }

void HandToGame(lua_State* L, void* object) { SetMark(L, object, false, nullptr); }

void DestroyScriptHeld(lua_State* L)
{
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
    lua_setfield(L, LUA_REGISTRYINDEX, kOwnedKey);
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
                 void (*destroy)(void*), bool (*held)(void*))
{
    tolua_Error err;
    if (!IsSelf(L, type, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    void* object = tolua_tousertype(L, 1, nullptr);
    if (!object)
        Raise(L, selfError);
    if (!IsScriptCreated(L, object))
        Raise(L, "object not owned by the script in function 'delete'");
    if (held && held(object))
        Raise(L, "object still held by the game in function 'delete'");
    HandToGame(L, object);
    ForgetUserdata(L, 1, object);
    destroy(object);
    KillFreedUserdata(L);
    return 0;
}

} // namespace script
