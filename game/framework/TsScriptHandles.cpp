#include "game/framework/TsScriptHandles.h"

#include <lua.hpp>
#include <tolua++.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/OmObject.h"
#include "game/framework/TsAccess.h"

namespace TsScriptHandles {

namespace {

// The handles that hold a reference, in the Lua state's registry: each
// handle's userdata (a weak key, so the table keeps no handle alive) to the
// object it holds, as a light userdata.
constexpr const char* kHandlesKey = "om_handles";
// The metatables of the counted classes, as keys.
constexpr const char* kCountedKey = "om_counted_classes";
// The marks: each object a script made and may still delete, as a light
// userdata, to the function that ends the script's hold on it.
constexpr const char* kScriptCreatedKey = "om_script_created";
// The views of objects that are not counted: each owner, as a light
// userdata, to the set of its views (weak keys, so the set keeps no view
// alive), which also keeps its array tables by their get function.
constexpr const char* kViewsKey = "om_views";

// The references handles and marks hold, by object, over every state.
std::unordered_map<const OmObject*, uint32_t>& Counts()
{
    static std::unordered_map<const OmObject*, uint32_t> counts;
    return counts;
}

void NewTable(lua_State* L, const char* mode)
{
    lua_newtable(L);
    if (mode) {
        lua_newtable(L);
        lua_pushstring(L, mode);
        lua_setfield(L, -2, "__mode");
        lua_setmetatable(L, -2);
    }
}

void NewRegistryTable(lua_State* L, const char* key, const char* mode)
{
    NewTable(L, mode);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, key);
}

void PushRegistryTable(lua_State* L, const char* key, const char* mode)
{
    lua_getfield(L, LUA_REGISTRYINDEX, key);
    if (lua_istable(L, -1))
        return;
    lua_pop(L, 1);
    NewRegistryTable(L, key, mode);
}

void PushHandles(lua_State* L) { PushRegistryTable(L, kHandlesKey, "k"); }

// tolua's userdata cache for the class tree of the metatable on top (its
// own, else the shared one in the registry), in place of the metatable.
void ReplaceMetatableWithCache(lua_State* L)
{
    lua_pushstring(L, "tolua_ubox");
    lua_rawget(L, -2);
    lua_remove(L, -2);
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        lua_pushstring(L, "tolua_ubox");
        lua_rawget(L, LUA_REGISTRYINDEX);
    }
}

// The cache for the type's class tree, or nil.
void PushCache(lua_State* L, const char* type)
{
    luaL_getmetatable(L, type);
    if (!lua_istable(L, -1))
        return; // nil stands for no cache
    ReplaceMetatableWithCache(L);
}

// With a class's metatable on top, in its place: whether the class is
// counted.
bool ReplaceMetatableWithCounted(lua_State* L)
{
    PushRegistryTable(L, kCountedKey, nullptr);
    lua_insert(L, -2);
    lua_rawget(L, -2);
    const bool counted = lua_toboolean(L, -1) != 0;
    lua_pop(L, 2);
    return counted;
}

bool IsCounted(lua_State* L, const char* type)
{
    luaL_getmetatable(L, type);
    return ReplaceMetatableWithCounted(L);
}

bool IsCountedHandle(lua_State* L, int index)
{
    return lua_getmetatable(L, index) && ReplaceMetatableWithCounted(L);
}

int Absolute(lua_State* L, int index) { return index < 0 ? lua_gettop(L) + index + 1 : index; }

// The object a handle holds: null for a dead handle or anything else.
void* HandleObject(lua_State* L, int index)
{
    if (lua_type(L, index) != LUA_TUSERDATA)
        return nullptr;
    return *static_cast<void**>(lua_touserdata(L, index));
}

// A script's reference, a handle's or a mark's, taken and given back with
// its count.
void HoldForScript(OmObject& object)
{
    object.AddRef();
    ++Counts()[&object];
}

void LetGoForScript(OmObject& object)
{
    auto it = Counts().find(&object);
    if (it != Counts().end() && --it->second == 0)
        Counts().erase(it);
    object.Release();
}

// The handle on top of the stack takes a reference to whole.
void Hold(lua_State* L, OmObject* whole)
{
    PushHandles(L);
    lua_pushvalue(L, -2);
    lua_pushlightuserdata(L, whole);
    lua_rawset(L, -3);
    lua_pop(L, 1);
    HoldForScript(*whole);
}

// The reference the handle at index holds goes (last: a destructor may
// run scripts).
void LetGo(lua_State* L, int index)
{
    index = index < 0 ? lua_gettop(L) + index + 1 : index;
    PushHandles(L);
    lua_pushvalue(L, index);
    lua_rawget(L, -2);
    auto* whole = static_cast<OmObject*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    if (whole) {
        lua_pushvalue(L, index);
        lua_pushnil(L);
        lua_rawset(L, -3);
    }
    lua_pop(L, 1);
    if (whole)
        LetGoForScript(*whole);
}

// Drops the handle at index from its class tree's cache and empties it.
void Empty(lua_State* L, int index)
{
    index = index < 0 ? lua_gettop(L) + index + 1 : index;
    void** box = static_cast<void**>(lua_touserdata(L, index));
    if (!box || !*box)
        return;
    if (lua_getmetatable(L, index)) {
        ReplaceMetatableWithCache(L);
        if (lua_istable(L, -1)) {
            lua_pushlightuserdata(L, *box);
            lua_rawget(L, -2);
            const bool same = lua_rawequal(L, -1, index) != 0;
            lua_pop(L, 1);
            if (same) {
                lua_pushlightuserdata(L, *box);
                lua_pushnil(L);
                lua_rawset(L, -3);
            }
        }
        lua_pop(L, 1);
    }
    *box = nullptr;
}

// Every class's __gc: the handle's reference goes, then tolua's own
// collector (upvalue 1) runs as before. What the script made stays the
// script's (its mark holds it) until it deletes it, hands it to the game or
// the level closes.
int Collect(lua_State* L)
{
    if (lua_type(L, 1) == LUA_TUSERDATA)
        LetGo(L, 1);
    if (lua_isfunction(L, lua_upvalueindex(1))) {
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_pushvalue(L, 1);
        lua_call(L, 1, 0);
    }
    return 0;
}

void WrapOne(lua_State* L, const std::string& type)
{
    luaL_getmetatable(L, type.c_str());
    if (lua_istable(L, -1)) {
        lua_pushstring(L, "__gc");
        lua_rawget(L, -2);
        const bool wrapped = lua_tocfunction(L, -1) == &Collect;
        if (!wrapped) {
            lua_pushcclosure(L, &Collect, 1);
            lua_pushstring(L, "__gc");
            lua_insert(L, -2);
            lua_rawset(L, -3);
        } else {
            lua_pop(L, 1);
        }
    }
    lua_pop(L, 1);
}

void CountOne(lua_State* L, const std::string& type)
{
    PushRegistryTable(L, kCountedKey, nullptr);
    luaL_getmetatable(L, type.c_str());
    if (lua_istable(L, -1)) {
        lua_pushboolean(L, 1);
        lua_rawset(L, -3);
    } else {
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
}

void PushMarks(lua_State* L) { PushRegistryTable(L, kScriptCreatedKey, nullptr); }

// What a counted object's mark does when the level closes: it gives back
// its reference.
void ReleaseMarked(void* object) { LetGoForScript(*static_cast<OmObject*>(object)); }

// The mark is the function that ends the script's hold (null: no mark).
void SetMark(lua_State* L, void* object, DestroyFn destroy)
{
    PushMarks(L);
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
    PushMarks(L);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, -2);
    auto destroy = reinterpret_cast<DestroyFn>(lua_touserdata(L, -1));
    lua_pop(L, 2);
    if (destroy)
        SetMark(L, object, nullptr);
    return destroy;
}

// A part of a counted object, or the object itself (part == whole): the
// handle takes a reference to the whole when tolua makes it.
void PushPart(lua_State* L, void* part, const char* type, OmObject* whole)
{
    if (!part) {
        lua_pushnil(L);
        return;
    }
    PushCache(L, type);
    bool cached = false;
    if (lua_istable(L, -1)) {
        lua_pushlightuserdata(L, part);
        lua_rawget(L, -2);
        cached = lua_type(L, -1) == LUA_TUSERDATA;
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    const int top = lua_gettop(L);
    tolua_pushusertype(L, part, type);
    if (lua_gettop(L) == top) {
        lua_pushnil(L);
        return;
    }
    if (!cached && whole && lua_type(L, -1) == LUA_TUSERDATA)
        Hold(L, whole);
}

// The owner's set of views, pushed (nil when it has none and create is
// false).
void PushViewSet(lua_State* L, const void* owner, bool create)
{
    PushRegistryTable(L, kViewsKey, nullptr);
    lua_pushlightuserdata(L, const_cast<void*>(owner));
    lua_rawget(L, -2);
    if (create && !lua_istable(L, -1)) {
        lua_pop(L, 1);
        NewTable(L, "k");
        lua_pushlightuserdata(L, const_cast<void*>(owner));
        lua_pushvalue(L, -2);
        lua_rawset(L, -4);
    }
    lua_remove(L, -2);
}

// The view on top joins its owner's set.
void AddView(lua_State* L, const void* owner)
{
    PushViewSet(L, owner, true);
    lua_pushvalue(L, -2);
    lua_pushboolean(L, 1);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

// Kills every view of the owner: a part's handle as any handle, an array's
// table by forgetting its owner. The set goes first, so a view is killed
// once and the owner's next view starts a new one.
void KillViews(lua_State* L, const void* owner)
{
    const int top = lua_gettop(L);
    PushViewSet(L, owner, false);
    if (!lua_istable(L, -1)) {
        lua_settop(L, top);
        return;
    }
    PushRegistryTable(L, kViewsKey, nullptr);
    lua_pushlightuserdata(L, const_cast<void*>(owner));
    lua_pushnil(L);
    lua_rawset(L, -3);
    lua_pop(L, 1);
    const int set = top + 1;
    lua_newtable(L);
    const int list = top + 2;
    int count = 0;
    for (lua_pushnil(L); lua_next(L, set); lua_pop(L, 1)) {
        if (lua_type(L, -1) == LUA_TBOOLEAN) {
            lua_pushvalue(L, -2);
            lua_rawseti(L, list, ++count);
        }
    }
    for (int i = 1; i <= count; ++i) {
        lua_rawgeti(L, list, i);
        if (lua_istable(L, -1)) {
            lua_pushstring(L, ".self");
            lua_pushnil(L);
            lua_rawset(L, -3);
        } else {
            Kill(L, -1);
        }
        lua_pop(L, 1);
    }
    lua_settop(L, top);
}

} // namespace

void MakeCounted(lua_State* L, const char* type)
{
    CountOne(L, type);
    CountOne(L, std::string("const ") + type);
}

void WrapCollector(lua_State* L, const char* type)
{
    WrapOne(L, type);
    WrapOne(L, std::string("const ") + type);
}

void Push(lua_State* L, void* object, const char* type)
{
    if (!object || !type) {
        lua_pushnil(L);
        return;
    }
    luaL_getmetatable(L, type);
    const bool known = lua_istable(L, -1);
    lua_pop(L, 1);
    if (!known) {
        lua_pushnil(L); // tolua would push nothing at all
        return;
    }
    if (IsCounted(L, type))
        PushPart(L, object, type, static_cast<OmObject*>(object));
    else
        tolua_pushusertype(L, object, type);
}

void PushView(lua_State* L, int ownerIndex, void* part, const char* type)
{
    ownerIndex = Absolute(L, ownerIndex);
    void* owner = HandleObject(L, ownerIndex);
    if (!owner || !part) {
        lua_pushnil(L);
        return;
    }
    if (IsCountedHandle(L, ownerIndex)) {
        PushPart(L, part, type, static_cast<OmObject*>(owner));
        return;
    }
    const int top = lua_gettop(L);
    tolua_pushusertype(L, part, type);
    if (lua_gettop(L) == top)
        lua_pushnil(L); // a type the package does not know
    else
        AddView(L, owner);
}

void PushArrayView(lua_State* L, int ownerIndex, lua_CFunction get, lua_CFunction set)
{
    ownerIndex = Absolute(L, ownerIndex);
    void* owner = HandleObject(L, ownerIndex);
    if (!owner) {
        lua_pushnil(L);
        return;
    }
    if (IsCountedHandle(L, ownerIndex))
        luaL_error(L, "a counted object's member array has no view for scripts");
    PushViewSet(L, owner, true);
    void* key = reinterpret_cast<void*>(get);
    lua_pushlightuserdata(L, key);
    lua_rawget(L, -2);
    if (lua_istable(L, -1)) {
        lua_remove(L, -2);
        return;
    }
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushstring(L, ".self"); // where tolua's array tables keep their object
    lua_pushlightuserdata(L, owner);
    lua_rawset(L, -3);
    lua_newtable(L);
    lua_pushcfunction(L, get);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, set);
    lua_setfield(L, -2, "__newindex");
    lua_setmetatable(L, -2);
    lua_pushlightuserdata(L, key); // the set keeps the table, one per array
    lua_pushvalue(L, -2);
    lua_rawset(L, -4);
    lua_remove(L, -2);
    AddView(L, owner);
}

void* ArrayViewOwner(lua_State* L, int index)
{
    index = Absolute(L, index);
    if (!lua_istable(L, index))
        return nullptr;
    lua_pushstring(L, ".self");
    lua_rawget(L, index);
    void* owner = lua_type(L, -1) == LUA_TLIGHTUSERDATA ? lua_touserdata(L, -1) : nullptr;
    lua_pop(L, 1);
    if (!owner)
        return nullptr;
    // KillViews clears the tables it made, but a script can copy ".self"
    // into a table of its own and give it the array's metatable: only a
    // table still in its owner's set is a view of a live owner.
    PushViewSet(L, owner, false);
    bool live = false;
    if (lua_istable(L, -1)) {
        lua_pushvalue(L, index);
        lua_rawget(L, -2);
        live = lua_toboolean(L, -1) != 0;
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return live ? owner : nullptr;
}

void Kill(lua_State* L, int index)
{
    index = Absolute(L, index);
    if (lua_type(L, index) != LUA_TUSERDATA)
        return;
    void* object = HandleObject(L, index);
    Empty(L, index);
    if (object)
        KillViews(L, object);
    LetGo(L, index);
}

void KillObject(lua_State* L, void* object, const char* type)
{
    if (!L || !object || !type)
        return;
    PushCache(L, type);
    if (lua_istable(L, -1)) {
        lua_pushlightuserdata(L, object);
        lua_rawget(L, -2);
        Kill(L, -1);
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    KillViews(L, object); // the handle may be gone while a view is kept
}

void Forget(void* object, const char* type) { KillObject(TsAccess::LuaState(), object, type); }

void ReleaseAll(lua_State* L)
{
    if (!L)
        return;
    const int top = lua_gettop(L);
    PushHandles(L);
    const int old = top + 1;
    lua_newtable(L);
    const int list = top + 2;
    int count = 0;
    for (lua_pushnil(L); lua_next(L, old); lua_pop(L, 1)) {
        lua_pushvalue(L, -2);
        lua_rawseti(L, list, ++count);
    }
    // Handles a destructor below makes go into a fresh table.
    NewRegistryTable(L, kHandlesKey, "k");
    lua_pop(L, 1);
    for (int i = 1; i <= count; ++i) {
        lua_rawgeti(L, list, i);
        lua_pushvalue(L, -1);
        lua_rawget(L, old);
        auto* whole = static_cast<OmObject*>(lua_touserdata(L, -1));
        lua_pop(L, 1);
        Empty(L, -1);
        lua_pop(L, 1);
        if (whole)
            LetGoForScript(*whole);
    }
    lua_settop(L, top);
}

void MarkScriptCreated(lua_State* L, OmObject* object)
{
    if (!object || IsScriptCreated(L, object))
        return;
    HoldForScript(*object);
    SetMark(L, object, ReleaseMarked);
}

void MarkScriptCreated(lua_State* L, void* object, DestroyFn destroy) { SetMark(L, object, destroy); }

bool IsScriptCreated(lua_State* L, void* object)
{
    PushMarks(L);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, -2);
    const bool marked = lua_toboolean(L, -1) != 0;
    lua_pop(L, 2);
    return marked;
}

// Last: the mark's reference may be the object's last.
void HandToGame(lua_State* L, void* object)
{
    if (TakeMark(L, object) == ReleaseMarked)
        ReleaseMarked(object);
}

void DestroyScriptHeld(lua_State* L)
{
    ReleaseAll(L);
    std::vector<std::pair<void*, DestroyFn>> held;
    PushMarks(L);
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        if (lua_type(L, -1) == LUA_TLIGHTUSERDATA)
            held.emplace_back(lua_touserdata(L, -2), reinterpret_cast<DestroyFn>(lua_touserdata(L, -1)));
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    lua_pushnil(L);
    lua_setfield(L, LUA_REGISTRYINDEX, kScriptCreatedKey);
    for (const auto& [object, destroy] : held)
        destroy(object);
}

uint32_t References(const OmObject& object)
{
    auto it = Counts().find(&object);
    return it == Counts().end() ? 0 : it->second;
}

uint32_t GameReferences(const OmObject& object) { return object.GetRefCount() - References(object); }

bool HeldOnlyByScripts(const OmObject& object, uint32_t callerHolds)
{
    return GameReferences(object) == callerHolds;
}

} // namespace TsScriptHandles
