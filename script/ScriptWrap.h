#pragma once

// The building blocks every script wrapper is made of: argument tests,
// conversions, pushes and the two error messages.
//
// Lua raises errors with longjmp, which skips C++ destructors. A wrapper
// therefore runs all its tests on plain values first and raises before it
// creates anything with a destructor; nothing in this header allocates.
//
// Argument positions: methods have self at 1 and their arguments from 2;
// static functions ignore position 1 and read their arguments from 2;
// global functions read theirs from 1. After the last argument a wrapper
// tests IsEnd so a surplus argument is an error.

#include <tolua++.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "game/framework/TsScriptHandles.h"
#include "game/framework/TsScriptNumber.h"

struct OmTuple3;
class OmVector3;
class OmString;
class OmWideString;

// The messages of a wrapper, built at compile time from its Lua name.
// tolua_error expands the leading "#f" into the failing argument's details.
// An argument of the right type that is null names what it should have been.
#define OM_TYPE_ERROR(fn) "#ferror in function '" fn "'."
#define OM_INVALID_ERROR(what, fn) "invalid " what " in function '" fn "'"
#define OM_SELF_ERROR(fn) OM_INVALID_ERROR("'self'", fn)
#define OM_VAR_SELF_ERROR(var) "invalid 'self' in accessing variable '" var "'"

namespace script {

// Whether an object or string parameter may be nil (a null pointer). Most
// operations dereference what they are given, so nil is refused unless the
// operation is known to take it.
enum class NilArg { Reject, Allow };

inline bool Fail(tolua_Error* err, int lo, const char* expected)
{
    err->index = lo;
    err->array = 0;
    err->type = expected;
    return false;
}

inline bool Absent(lua_State* L, int lo) { return lua_gettop(L) < lo; }

// Lua numbers only: a numeric string is not a number here.
inline bool IsNumber(lua_State* L, int lo, tolua_Error* err, bool optional = false)
{
    if (optional && Absent(L, lo))
        return true;
    return lua_type(L, lo) == LUA_TNUMBER || Fail(err, lo, "number");
}

// nil, any number or a Lua boolean. An argument that is not there at all is
// missing unless it is optional.
inline bool IsBool(lua_State* L, int lo, tolua_Error* err, bool optional = false)
{
    if (optional && Absent(L, lo))
        return true;
    const int t = lua_type(L, lo);
    return t == LUA_TNIL || t == LUA_TNUMBER || t == LUA_TBOOLEAN || Fail(err, lo, "boolean");
}

inline bool IsString(lua_State* L, int lo, NilArg nil, tolua_Error* err, bool optional = false)
{
    if (optional && Absent(L, lo))
        return true;
    const int t = lua_type(L, lo);
    if (t == LUA_TSTRING)
        return true;
    if (t == LUA_TNIL && nil == NilArg::Allow)
        return true;
    return Fail(err, lo, "string");
}

namespace detail {

// The metatables of the classes tested most recently, so the common case (an
// object of exactly the tested class) costs one pointer comparison instead
// of a look-up by name. An entry is trusted only for the Lua state (or
// thread) it was taken from and only since the last package open: a state
// that closed in between cannot be confused with a new one, which must open
// the package before any wrapper runs in it.
struct ClassCacheEntry {
    const char* type = nullptr;
    unsigned generation = 0;
    const lua_State* state = nullptr;
    const void* metatable = nullptr;
};
constexpr std::size_t kClassCacheSize = 64;
extern ClassCacheEntry g_classCache[kClassCacheSize];
extern unsigned g_generation;

inline ClassCacheEntry& CacheSlot(const char* type)
{
    return g_classCache[(reinterpret_cast<std::uintptr_t>(type) >> 3) % kClassCacheSize];
}

bool IsObjectSlow(lua_State* L, int lo, const char* type, NilArg nil, tolua_Error* err,
                  bool optional);

} // namespace detail

// A userdata of the class, or of a class derived from it. An object of
// exactly the class is recognised from the cache; everything else (nil,
// other values, derived classes, the "const" forms) goes through tolua's
// own test, which walks the class tree.
inline bool IsObject(lua_State* L, int lo, const char* type, NilArg nil, tolua_Error* err,
                     bool optional = false)
{
    if (lo > 0 && lua_touserdata(L, lo) && lua_getmetatable(L, lo)) {
        const detail::ClassCacheEntry& slot = detail::CacheSlot(type);
        const bool hit = slot.type == type && slot.generation == detail::g_generation &&
                         slot.state == L && slot.metatable == lua_topointer(L, -1);
        lua_settop(L, -2);
        if (hit)
            return true;
    }
    return detail::IsObjectSlow(L, lo, type, nil, err, optional);
}

// Called when the package opens a state: class look-ups cached for earlier
// states are not trusted any more.
void ForgetClassCache();

// self may be nil here: a null self gets its own message after the tests.
inline bool IsSelf(lua_State* L, const char* type, tolua_Error* err)
{
    return IsObject(L, 1, type, NilArg::Allow, err);
}

inline bool IsEnd(lua_State* L, int lo, tolua_Error* err)
{
    return Absent(L, lo) || Fail(err, lo, "[no object]");
}

// Raise the wrapper's type-error message (built with OM_TYPE_ERROR).
[[noreturn]] void RaiseTypeError(lua_State* L, const char* message, tolua_Error* err);
// Raise a message as it is (null self, bad index, refused value).
[[noreturn]] void Raise(lua_State* L, const char* message);

// A script number as a 64-bit integer: truncated toward zero, NaN as 0, and
// values past the 64-bit range (infinities included) held at its ends.
inline std::int64_t ClampToInt64(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= 9223372036854775808.0)
        return INT64_MAX;
    if (d < -9223372036854775808.0)
        return INT64_MIN;
    return static_cast<std::int64_t>(d);
}

// Integers follow the game's one rule for script numbers.
inline std::int32_t NumberToInt(double d)
{
    return TsScriptNumberToInt(d);
}

inline std::int32_t ToInt(lua_State* L, int lo, std::int32_t def = 0)
{
    return Absent(L, lo) ? def : NumberToInt(lua_tonumber(L, lo));
}

inline std::uint32_t ToUInt(lua_State* L, int lo, std::uint32_t def = 0)
{
    return Absent(L, lo) ? def : static_cast<std::uint32_t>(NumberToInt(lua_tonumber(L, lo)));
}

inline float ToFloat(lua_State* L, int lo, float def = 0.0f)
{
    return Absent(L, lo) ? def : static_cast<float>(lua_tonumber(L, lo));
}

inline double ToDouble(lua_State* L, int lo, double def = 0.0)
{
    return Absent(L, lo) ? def : lua_tonumber(L, lo);
}

// nil and 0 are false, any other number true, a boolean is itself.
inline bool ToBool(lua_State* L, int lo, bool def = false)
{
    switch (lua_type(L, lo)) {
    case LUA_TNONE: return def;
    case LUA_TNUMBER: return lua_tonumber(L, lo) != 0.0;
    case LUA_TBOOLEAN: return lua_toboolean(L, lo) != 0;
    default: return false;
    }
}

// The text of a string argument, null for nil. Valid for the call only.
inline const char* ToString(lua_State* L, int lo)
{
    return lua_type(L, lo) == LUA_TSTRING ? lua_tostring(L, lo) : nullptr;
}

// The object of a userdata argument that passed IsObject; null for nil or
// an absent argument.
template <class T>
inline T* ToObject(lua_State* L, int lo)
{
    void* box = lua_touserdata(L, lo);
    return box ? static_cast<T*>(*static_cast<void**>(box)) : nullptr;
}

// An object argument that must be there: a null one (nil where nil passes,
// or a view whose owner has gone) raises nullError instead.
template <class T>
inline T& ToLiveObject(lua_State* L, int lo, const char* nullError)
{
    T* object = ToObject<T>(L, lo);
    if (!object)
        Raise(L, nullError);
    return *object;
}

inline void PushInt(lua_State* L, std::int32_t v) { lua_pushnumber(L, v); }
inline void PushNumber(lua_State* L, double v) { lua_pushnumber(L, v); }

// true is the number 1 and false is nil, which scripts test with if/not.
inline void PushBool(lua_State* L, bool v)
{
    if (v)
        lua_pushnumber(L, 1);
    else
        lua_pushnil(L);
}

inline void PushString(lua_State* L, const char* s)
{
    if (s)
        lua_pushstring(L, s);
    else
        lua_pushnil(L);
}

// Values that only ever live inside something else: a pointer to one is a
// view of its owner.
template <class T>
constexpr bool kIsPartType = std::is_arithmetic_v<T> || std::is_same_v<T, OmTuple3> ||
                             std::is_same_v<T, OmVector3> || std::is_same_v<T, OmString> ||
                             std::is_same_v<T, OmWideString>;

// A game object: the handle of a counted one holds a reference of its own
// (TsScriptHandles), any other is borrowed. nil for null.
template <class T>
inline void PushObject(lua_State* L, T* object, const char* type)
{
    static_assert(!kIsPartType<std::remove_cv_t<T>>,
                  "a part of an object reaches scripts through PushView, which ties it to its owner");
    TsScriptHandles::Push(L, object, type);
}

// A part of the object whose handle is at ownerIndex (a member vector,
// colour, text holder or number, an attribute block): it dies with its
// owner (TsScriptHandles::PushView). nil for null.
inline void PushView(lua_State* L, int ownerIndex, void* part, const char* type)
{
    TsScriptHandles::PushView(L, ownerIndex, part, type);
}

// A vector result: a heap copy that belongs to Lua and is deleted by the
// OmVector3 collector when the userdata is collected. nil when out of memory.
void PushVectorCopy(lua_State* L, const OmVector3& v);

// How many vector copies handed to Lua are still alive (for tests).
long LiveVectorCopies();

// The OmVector3 class collector: deletes a copy made by PushVectorCopy.
int CollectVector(lua_State* L);

} // namespace script

namespace script {

// The common method shape: self of the class and no further argument.
// Raises the wrapper's messages, else returns self (never null).
template <class T>
inline T* SelfOnly(lua_State* L, const char* type, const char* typeError, const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, type, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    T* self = ToObject<T>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

// The common static shape: no argument from position 2 on, so the function
// can be called with a colon on its class table or with a dot.
inline void NoArgs(lua_State* L, const char* typeError)
{
    tolua_Error err;
    if (!IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
}

// The kinds of plain argument a method may take after self.
enum class Arg { Number, Bool, String };

// Self of the class, then arguments of the given kinds from position 2 (a
// string argument refuses nil), then the end. Raises the wrapper's
// messages, else returns self (never null).
template <class T>
inline T* SelfWith(lua_State* L, const char* type, std::initializer_list<Arg> args, const char* typeError,
                   const char* selfError)
{
    tolua_Error err;
    bool ok = IsSelf(L, type, &err);
    int lo = 2;
    for (Arg arg : args) {
        if (!ok)
            break;
        ok = arg == Arg::Number ? IsNumber(L, lo, &err)
             : arg == Arg::Bool ? IsBool(L, lo, &err)
                                : IsString(L, lo, NilArg::Reject, &err);
        ++lo;
    }
    if (!ok || !IsEnd(L, lo, &err))
        RaiseTypeError(L, typeError, &err);
    T* self = ToObject<T>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

} // namespace script
