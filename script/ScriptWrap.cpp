#include "script/ScriptWrap.h"

#include "engine/OmVector3.h"

#include <new>

namespace script {

namespace {
long g_liveVectorCopies = 0;
}

bool IsObject(lua_State* L, int lo, const char* type, NilArg nil, tolua_Error* err, bool optional)
{
    if (lo < 0) // tolua's test pushes values, so it needs an absolute index
        lo = lua_gettop(L) + lo + 1;
    if (optional && Absent(L, lo))
        return true;
    const int t = lua_type(L, lo);
    if (t == LUA_TNIL)
        return nil == NilArg::Allow || Fail(err, lo, type);
    if (t != LUA_TUSERDATA)
        return Fail(err, lo, type);
    if (lua_getmetatable(L, lo)) {
        luaL_getmetatable(L, type);
        const bool exact = lua_rawequal(L, -1, -2) != 0;
        lua_pop(L, 2);
        if (exact)
            return true;
    }
    return tolua_isusertype(L, lo, type, 0, err) != 0;
}

void RaiseTypeError(lua_State* L, const char* message, tolua_Error* err)
{
    tolua_error(L, message, err);
    __builtin_unreachable();
}

void Raise(lua_State* L, const char* message)
{
    // As a format argument, so a '%' in a message is printed as it is.
    luaL_error(L, "%s", message);
    __builtin_unreachable();
}

void PushVectorCopy(lua_State* L, const OmVector3& v)
{
    OmVector3* copy = new (std::nothrow) OmVector3(v);
    if (!copy) {
        lua_pushnil(L);
        return;
    }
    ++g_liveVectorCopies;
    tolua_pushusertype(L, copy, "OmVector3");
    tolua_register_gc(L, lua_gettop(L));
}

long LiveVectorCopies() { return g_liveVectorCopies; }

int CollectVector(lua_State* L)
{
    delete static_cast<OmVector3*>(tolua_tousertype(L, 1, nullptr));
    --g_liveVectorCopies;
    return 0;
}

} // namespace script
