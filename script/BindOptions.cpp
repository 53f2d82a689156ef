// TsOptions for scripts: the settings object that "options.lua" drives. The
// setters store what they are given; only a key binding is range-checked.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsOptions.h"

namespace script::bind {

namespace {

constexpr const char* kOptions = "TsOptions";
constexpr const char* kConstOptions = "const TsOptions";

// Tests self and one argument of the given kind at position 2, raises the
// wrapper's messages, and returns self.
enum class ArgKind { Number, Bool };

TsOptions* SelfAndOne(lua_State* L, ArgKind kind, const char* typeError, const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, kOptions, &err) ||
        !(kind == ArgKind::Number ? IsNumber(L, 2, &err) : IsBool(L, 2, &err)) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, typeError, &err);
    TsOptions* self = ToObject<TsOptions>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

const TsOptions* ConstSelf(lua_State* L, const char* typeError, const char* selfError)
{
    return SelfOnly<const TsOptions>(L, kConstOptions, typeError, selfError);
}

#define OM_OPTIONS_SET_INT(Name)                                                                 \
    int Name(lua_State* L)                                                                       \
    {                                                                                            \
        SelfAndOne(L, ArgKind::Number, OM_TYPE_ERROR(#Name), OM_SELF_ERROR(#Name))->Name(ToInt(L, 2)); \
        return 0;                                                                                \
    }

#define OM_OPTIONS_SET_BOOL(Name)                                                                \
    int Name(lua_State* L)                                                                       \
    {                                                                                            \
        SelfAndOne(L, ArgKind::Bool, OM_TYPE_ERROR(#Name), OM_SELF_ERROR(#Name))->Name(ToBool(L, 2)); \
        return 0;                                                                                \
    }

#define OM_OPTIONS_GET_NUMBER(Name)                                                              \
    int Name(lua_State* L)                                                                       \
    {                                                                                            \
        PushNumber(L, ConstSelf(L, OM_TYPE_ERROR(#Name), OM_SELF_ERROR(#Name))->Name());          \
        return 1;                                                                                \
    }

#define OM_OPTIONS_GET_BOOL(Name)                                                                \
    int Name(lua_State* L)                                                                       \
    {                                                                                            \
        PushBool(L, ConstSelf(L, OM_TYPE_ERROR(#Name), OM_SELF_ERROR(#Name))->Name());            \
        return 1;                                                                                \
    }

OM_OPTIONS_GET_NUMBER(GetSpeechVolume)
OM_OPTIONS_GET_NUMBER(GetMusicVolume)
OM_OPTIONS_GET_NUMBER(GetEffectsVolume)
OM_OPTIONS_SET_INT(SetSpeechVolume)
OM_OPTIONS_SET_INT(SetMusicVolume)
OM_OPTIONS_SET_INT(SetEffectsVolume)
OM_OPTIONS_SET_INT(SetTexDetailLevel)
OM_OPTIONS_SET_INT(SetFXDetailLevel)
OM_OPTIONS_SET_INT(SetAnimDetailLevel)
OM_OPTIONS_GET_NUMBER(GetGamma)
OM_OPTIONS_SET_INT(SetScreenWidth)
OM_OPTIONS_SET_INT(SetScreenHeight)
OM_OPTIONS_SET_INT(SetBitDepth)
OM_OPTIONS_SET_INT(SetAdapter)
OM_OPTIONS_SET_BOOL(SetTransparentCam)
OM_OPTIONS_GET_BOOL(IsTransparentCam)
OM_OPTIONS_SET_BOOL(SetAnimatingInventory)
OM_OPTIONS_GET_BOOL(IsAnimatingInventory)
OM_OPTIONS_SET_BOOL(SetLMoveRFire)
OM_OPTIONS_SET_BOOL(SetUseMouseWheel)

#undef OM_OPTIONS_SET_INT
#undef OM_OPTIONS_SET_BOOL
#undef OM_OPTIONS_GET_NUMBER
#undef OM_OPTIONS_GET_BOOL

int SetGamma(lua_State* L)
{
    SelfAndOne(L, ArgKind::Number, OM_TYPE_ERROR("SetGamma"), OM_SELF_ERROR("SetGamma"))
        ->SetGamma(ToFloat(L, 2));
    return 0;
}

// Key codes are bytes, -1 for none; anything else would land in the
// binding block as a code no key has.
int SetKeyBinding(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kOptions, &err) || !IsNumber(L, 2, &err) || !IsNumber(L, 3, &err) ||
        !IsEnd(L, 4, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("SetKeyBinding"), &err);
    TsOptions* self = ToObject<TsOptions>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("SetKeyBinding"));
    const int key = ToInt(L, 3);
    if (key >= -1 && key <= 255)
        self->SetKeyBinding(ToInt(L, 2), key);
    return 0;
}

} // namespace

void TsOptionsClass(lua_State* L)
{
    tolua_function(L, "GetSpeechVolume", GetSpeechVolume);
    tolua_function(L, "GetMusicVolume", GetMusicVolume);
    tolua_function(L, "GetEffectsVolume", GetEffectsVolume);
    tolua_function(L, "SetSpeechVolume", SetSpeechVolume);
    tolua_function(L, "SetMusicVolume", SetMusicVolume);
    tolua_function(L, "SetEffectsVolume", SetEffectsVolume);
    tolua_function(L, "SetTexDetailLevel", SetTexDetailLevel);
    tolua_function(L, "SetFXDetailLevel", SetFXDetailLevel);
    tolua_function(L, "SetAnimDetailLevel", SetAnimDetailLevel);
    tolua_function(L, "SetGamma", SetGamma);
    tolua_function(L, "GetGamma", GetGamma);
    tolua_function(L, "SetScreenWidth", SetScreenWidth);
    tolua_function(L, "SetScreenHeight", SetScreenHeight);
    tolua_function(L, "SetBitDepth", SetBitDepth);
    tolua_function(L, "SetAdapter", SetAdapter);
    tolua_function(L, "SetTransparentCam", SetTransparentCam);
    tolua_function(L, "IsTransparentCam", IsTransparentCam);
    tolua_function(L, "SetAnimatingInventory", SetAnimatingInventory);
    tolua_function(L, "IsAnimatingInventory", IsAnimatingInventory);
    tolua_function(L, "SetLMoveRFire", SetLMoveRFire);
    tolua_function(L, "SetUseMouseWheel", SetUseMouseWheel);
    tolua_function(L, "SetKeyBinding", SetKeyBinding);
}

} // namespace script::bind
