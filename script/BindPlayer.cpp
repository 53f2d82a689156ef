// The player for scripts: the script-state words, which is where mission
// scripts keep what must survive a save ("SaveMissionGlobals").

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsPlayer.h"

namespace script::bind {

namespace {

constexpr const char* kPlayer = "TsPlayer";

// Self and `count` numbers from position 2; returns self.
TsPlayer* SelfAndNumbers(lua_State* L, int count, const char* typeError, const char* selfError)
{
    tolua_Error err;
    bool ok = IsSelf(L, kPlayer, &err);
    for (int i = 0; ok && i < count; ++i)
        ok = IsNumber(L, 2 + i, &err);
    if (!ok || !IsEnd(L, 2 + count, &err))
        RaiseTypeError(L, typeError, &err);
    TsPlayer* self = ToObject<TsPlayer>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

int GetScriptState(lua_State* L)
{
    TsPlayer* self = SelfAndNumbers(L, 1, OM_TYPE_ERROR("GetScriptState"), OM_SELF_ERROR("GetScriptState"));
    PushInt(L, self->GetScriptState(ToInt(L, 2)));
    return 1;
}

int SetScriptState(lua_State* L)
{
    TsPlayer* self = SelfAndNumbers(L, 2, OM_TYPE_ERROR("SetScriptState"), OM_SELF_ERROR("SetScriptState"));
    self->SetScriptState(ToInt(L, 2), ToInt(L, 3));
    return 0;
}

} // namespace

void TsPlayerClass(lua_State* L)
{
    tolua_function(L, "GetScriptState", GetScriptState);
    tolua_function(L, "SetScriptState", SetScriptState);
}

} // namespace script::bind
