// TsModel for scripts: the model file, heading and facing, the HUD sprite
// and the display texts of objects with a visible model.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsModel.h"

namespace script::bind {

namespace {

constexpr const char* kModel = "TsModel";

enum class Arg { Number, String };

// Tests self and the kinds given from position 2, then the end; raises the
// wrapper's messages, else returns self (never null). Strings may be nil.
TsModel* ModelWith(lua_State* L, std::initializer_list<Arg> args, const char* typeError, const char* selfError)
{
    tolua_Error err;
    bool ok = IsSelf(L, kModel, &err);
    int lo = 2;
    for (Arg arg : args) {
        if (!ok)
            break;
        ok = arg == Arg::Number ? IsNumber(L, lo, &err) : IsString(L, lo, NilArg::Allow, &err);
        ++lo;
    }
    if (!ok || !IsEnd(L, lo, &err))
        RaiseTypeError(L, typeError, &err);
    auto* self = ToObject<TsModel>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

#define OM_MODEL(fn, ...) ModelWith(L, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int SetMdl(lua_State* L)
{
    OM_MODEL("SetMdl", Arg::String)->SetMdl(ToString(L, 2));
    return 0;
}

int GetHeading(lua_State* L)
{
    PushNumber(L, OM_MODEL("GetHeading")->GetHeading());
    return 1;
}

int SetHeadingDegrees(lua_State* L)
{
    OM_MODEL("SetHeadingDegrees", Arg::Number)->SetHeadingDegrees(ToFloat(L, 2));
    return 0;
}

int SetSpriteName(lua_State* L)
{
    OM_MODEL("SetSpriteName", Arg::String)->SetSpriteName(ToString(L, 2));
    return 0;
}

int GetSpriteName(lua_State* L)
{
    const auto* self = SelfOnly<const TsModel>(L, "const TsModel", OM_TYPE_ERROR("GetSpriteName"),
                                               OM_SELF_ERROR("GetSpriteName"));
    PushString(L, self->GetSpriteName());
    return 1;
}

// Accepted for the entity scripts that call them: the display texts come
// from the game text by id (SetDisplayNameID).
int SetDisplayName(lua_State* L)
{
    OM_MODEL("SetDisplayName", Arg::String);
    return 0;
}

int GetDisplayName(lua_State* L)
{
    PushString(L, OM_MODEL("GetDisplayName")->GetDisplayName());
    return 1;
}

int SetDisplayDescription(lua_State* L)
{
    OM_MODEL("SetDisplayDescription", Arg::String);
    return 0;
}

int SetDirection(lua_State* L)
{
    OM_MODEL("SetDirection", Arg::Number, Arg::Number)->SetDirection(ToFloat(L, 2), ToFloat(L, 3));
    return 0;
}

int SetDisplayNameID(lua_State* L)
{
    OM_MODEL("SetDisplayNameID", Arg::Number)->SetDisplayNameID(ToInt(L, 2));
    return 0;
}

int SetDisplayDescriptionID(lua_State* L)
{
    OM_MODEL("SetDisplayDescriptionID", Arg::Number)->SetDisplayDescriptionID(ToInt(L, 2));
    return 0;
}

#undef OM_MODEL

} // namespace

void TsModelClass(lua_State* L)
{
    tolua_function(L, "SetMdl", SetMdl);
    tolua_function(L, "GetHeading", GetHeading);
    tolua_function(L, "SetHeadingDegrees", SetHeadingDegrees);
    tolua_function(L, "SetSpriteName", SetSpriteName);
    tolua_function(L, "GetSpriteName", GetSpriteName);
    tolua_function(L, "SetDisplayName", SetDisplayName);
    tolua_function(L, "GetDisplayName", GetDisplayName);
    tolua_function(L, "SetDisplayDescription", SetDisplayDescription);
    tolua_function(L, "SetDirection", SetDirection);
    tolua_function(L, "SetDisplayNameID", SetDisplayNameID);
    tolua_function(L, "SetDisplayDescriptionID", SetDisplayDescriptionID);
}

} // namespace script::bind
