// The two string holders for scripts. OmString crosses as a Lua string; the
// wide holder's text crosses as an opaque "const TCHAR" object that only a
// wide holder's Set accepts.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "engine/OmString.h"

#include <cstring>
#include <new>

namespace script::bind {

namespace {

constexpr const char* kConstText = "const TCHAR";

// nil clears the text.
int StringSet(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, "OmString", &err) || !IsString(L, 2, NilArg::Allow, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("Set"), &err);
    OmString* self = ToObject<OmString>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("Set"));
    self->Set(ToString(L, 2));
    return 0;
}

int StringGet(lua_State* L)
{
    PushString(L, SelfOnly<const OmString>(L, "const OmString", OM_TYPE_ERROR("Get"),
                                           OM_SELF_ERROR("Get"))->Get());
    return 1;
}

int WideSet(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, "OmWideString", &err) || !IsObject(L, 2, kConstText, NilArg::Reject, &err) ||
        !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("Set"), &err);
    OmWideString* self = ToObject<OmWideString>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("Set"));
    self->Set(ToObject<const char>(L, 2));
    return 0;
}

// The text object is a copy that belongs to Lua: a pointer into the holder
// would dangle as soon as the holder's text changed, and a later Set would
// read freed memory.
int WideGet(lua_State* L)
{
    const char* text = SelfOnly<const OmWideString>(L, "const OmWideString", OM_TYPE_ERROR("Get"),
                                                    OM_SELF_ERROR("Get"))
                           ->Get();
    if (!text) {
        lua_pushnil(L);
        return 1;
    }
    const std::size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    if (!copy) {
        lua_pushnil(L);
        return 1;
    }
    std::memcpy(copy, text, size);
    tolua_pushusertype(L, copy, kConstText);
    tolua_register_gc(L, lua_gettop(L));
    return 1;
}

} // namespace

int CollectText(lua_State* L)
{
    delete[] ToObject<char>(L, 1);
    return 0;
}

void OmStringClass(lua_State* L)
{
    tolua_function(L, "Set", StringSet);
    tolua_function(L, "Get", StringGet);
}

void OmWideStringClass(lua_State* L)
{
    tolua_function(L, "Set", WideSet);
    tolua_function(L, "Get", WideGet);
}

} // namespace script::bind
