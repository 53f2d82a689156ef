#pragma once

// Getters and setters of member variables and member arrays that scripts
// read and write directly (records such as the level info). One template
// instance per field; each names its own field in its messages.
//
// A getter or setter receives the object at position 1 untested (tolua only
// calls it for objects of the class) and the new value at position 2.

#include "script/ScriptWrap.h"

#include "engine/OmString.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace script {

constexpr const char* kVarTypeError = "#vinvalid type in variable assignment.";
// An object assigned that is there no more (a view whose owner has gone).
constexpr const char* kVarValueError = "invalid value in variable assignment.";
constexpr const char* kArrayIndexTypeError = "invalid type in array indexing.";
constexpr const char* kArrayRangeError = "array indexing out of range.";
constexpr const char* kArraySelfError = "invalid 'self' in array indexing.";

template <class C, auto Member>
using FieldOf = std::remove_reference_t<decltype(std::declval<C&>().*Member)>;

template <class C>
inline C* VariableSelf(lua_State* L, const char* selfError)
{
    C* self = ToObject<C>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

// An integer or float field.
template <class C, auto Member, const char* SelfError>
int GetNumberVar(lua_State* L)
{
    PushNumber(L, VariableSelf<C>(L, SelfError)->*Member);
    return 1;
}

template <class C, auto Member, const char* SelfError>
int SetNumberVar(lua_State* L)
{
    C* self = VariableSelf<C>(L, SelfError);
    tolua_Error err;
    if (!IsNumber(L, 2, &err))
        RaiseTypeError(L, kVarTypeError, &err);
    using F = FieldOf<C, Member>;
    if constexpr (std::is_floating_point_v<F>)
        self->*Member = static_cast<F>(lua_tonumber(L, 2));
    else
        self->*Member = static_cast<F>(NumberToInt(lua_tonumber(L, 2)));
    return 0;
}

// A byte flag, read and written as the script boolean.
template <class C, auto Member, const char* SelfError>
int GetFlagVar(lua_State* L)
{
    PushBool(L, (VariableSelf<C>(L, SelfError)->*Member) != 0);
    return 1;
}

template <class C, auto Member, const char* SelfError>
int SetFlagVar(lua_State* L)
{
    C* self = VariableSelf<C>(L, SelfError);
    tolua_Error err;
    if (!IsBool(L, 2, &err))
        RaiseTypeError(L, kVarTypeError, &err);
    self->*Member = ToBool(L, 2) ? 1 : 0;
    return 0;
}

// A field that crosses as an object of its own (a text holder, a colour)
// reads as a view of the record's field: changing it changes the record,
// and it dies with the record.
template <class C, auto Member, const char* SelfError>
int GetFieldView(lua_State* L, const char* type)
{
    PushView(L, 1, &(VariableSelf<C>(L, SelfError)->*Member), type);
    return 1;
}

// An OmString field reads as the record's own holder, so holder:Set changes
// the record; assigning takes a holder and copies its text (a plain string
// is the wrong type, as for any other variable).
template <class C, auto Member, const char* SelfError>
int GetOmStringVar(lua_State* L)
{
    return GetFieldView<C, Member, SelfError>(L, "OmString");
}

template <class C, auto Member, const char* SelfError>
int SetOmStringVar(lua_State* L)
{
    C* self = VariableSelf<C>(L, SelfError);
    tolua_Error err;
    if (!IsObject(L, 2, "const OmString", NilArg::Reject, &err))
        RaiseTypeError(L, kVarTypeError, &err);
    (self->*Member).Set(ToLiveObject<const OmString>(L, 2, kVarValueError).Get());
    return 0;
}

// Member arrays: the record's variable reads as the array's table, a view
// that dies with the record (TsScriptHandles::PushArrayView); indexing it
// hands the table at position 1 and the index at position 2. Scripts index
// from 1. The object is null once the record has gone.
template <class C>
inline C* ArraySelf(lua_State* L)
{
    return static_cast<C*>(TsScriptHandles::ArrayViewOwner(L, 1));
}

// The 0-based element index, or raises.
inline std::size_t ArrayIndex(lua_State* L, std::size_t length)
{
    if (lua_type(L, 2) != LUA_TNUMBER)
        Raise(L, kArrayIndexTypeError);
    const std::int64_t index = ClampToInt64(lua_tonumber(L, 2));
    if (index < 1 || index > static_cast<std::int64_t>(length))
        Raise(L, kArrayRangeError);
    return static_cast<std::size_t>(index - 1);
}

template <class C, auto Member>
int GetIntArray(lua_State* L)
{
    constexpr std::size_t n = std::extent_v<FieldOf<C, Member>>;
    C* self = ArraySelf<C>(L);
    const std::size_t i = ArrayIndex(L, n);
    if (!self)
        Raise(L, kArraySelfError);
    PushNumber(L, (self->*Member)[i]);
    return 1;
}

template <class C, auto Member>
int SetIntArray(lua_State* L)
{
    constexpr std::size_t n = std::extent_v<FieldOf<C, Member>>;
    C* self = ArraySelf<C>(L);
    const std::size_t i = ArrayIndex(L, n);
    tolua_Error err;
    if (!IsNumber(L, 3, &err))
        RaiseTypeError(L, kVarTypeError, &err);
    if (!self)
        Raise(L, kArraySelfError);
    (self->*Member)[i] = NumberToInt(lua_tonumber(L, 3));
    return 0;
}

// The variable of an integer member array (registered with tolua_variable
// and no setter: scripts assign its elements, not the array).
template <class C, auto Member, const char* SelfError>
int GetIntArrayVar(lua_State* L)
{
    VariableSelf<C>(L, SelfError);
    TsScriptHandles::PushArrayView(L, 1, GetIntArray<C, Member>, SetIntArray<C, Member>);
    return 1;
}

} // namespace script
