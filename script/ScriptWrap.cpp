#include "script/ScriptWrap.h"

#include "engine/OmVector3.h"

#include <new>

namespace script {

namespace {
long g_liveVectorCopies = 0;
}

namespace detail {

ClassCacheEntry g_classCache[kClassCacheSize];
unsigned g_generation = 1;

namespace {

// With the object's metatable on top of the stack: whether it is the class's,
// and the class's metatable remembered for the next test.
bool IsExactClass(lua_State* L, const char* type)
{
    luaL_getmetatable(L, type);
    const bool exact = lua_rawequal(L, -1, -2) != 0;
    if (lua_istable(L, -1))
        CacheSlot(type) = ClassCacheEntry{type, g_generation, L, lua_topointer(L, -1)};
    lua_pop(L, 1);
    return exact;
}

} // namespace

bool IsObjectSlow(lua_State* L, int lo, const char* type, NilArg nil, tolua_Error* err, bool optional)
{
    if (lo < 0) // tolua's test pushes values, so it needs an absolute index
        lo = lua_gettop(L) + lo + 1;
    if (optional && Absent(L, lo))
        return true;
    // Only userdata give a pointer here; light userdata have no metatable of
    // their own and fail tolua's test below.
    if (!lua_touserdata(L, lo)) {
        if (lua_isnil(L, lo))
            return nil == NilArg::Allow || Fail(err, lo, type);
        return Fail(err, lo, type);
    }
    if (lua_getmetatable(L, lo)) {
        const bool exact = IsExactClass(L, type);
        lua_pop(L, 1);
        if (exact)
            return true;
    }
    return tolua_isusertype(L, lo, type, 0, err) != 0;
}

} // namespace detail

void ForgetClassCache() { ++detail::g_generation; }

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
