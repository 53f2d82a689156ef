// The HUD for scripts: the sprite table that "LoadHUDSprites" fills, and
// the dialogue boxes that conversation scripts end with.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "ui/TsHUDe.h"

namespace script::bind {

namespace {

constexpr const char* kHud = "TsHUDe";

#define OM_HUD(fn, ...) SelfWith<TsHUDe>(L, kHud, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int CreateSprite(lua_State* L)
{
    OM_HUD("CreateSprite", Arg::Number, Arg::String)->CreateSprite(int32_t(ToInt(L, 2)), ToString(L, 3));
    return 0;
}

int ExitDialogue(lua_State* L)
{
    TsHUDe* hud = OM_HUD("ExitDialogue", Arg::String, Arg::String, Arg::Bool);
    PushBool(L, hud->ExitDialogue(ToString(L, 2), ToString(L, 3), ToBool(L, 4)));
    return 1;
}

int DisplayDialog(lua_State* L)
{
    OM_HUD("DisplayDialog", Arg::String)->DisplayDialog(ToString(L, 2));
    return 0;
}

#undef OM_HUD

} // namespace

void TsHUDeClass(lua_State* L)
{
    tolua_function(L, "CreateSprite", CreateSprite);
    tolua_function(L, "ExitDialogue", ExitDialogue);
    tolua_function(L, "DisplayDialog", DisplayDialog);
}

} // namespace script::bind
