// Conversations and banter characters for scripts: the level's incidental
// conversation is built line by line and run; entity scripts make the
// characters that start banter.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsBanterObject.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsConversation.h"

namespace script::bind {

namespace {

constexpr const char* kConversation = "TsConversation";
constexpr const char* kCharacter = "TsCharacterObject";
constexpr const char* kBanter = "TsBanterObject";

// A line id, then the speaker and the listener (either may be nil: a line
// without a speaker is left out, one without a listener faces nobody).
int AddFragment(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kConversation, &err) || !IsNumber(L, 2, &err) ||
        !IsObject(L, 3, kCharacter, NilArg::Allow, &err) || !IsObject(L, 4, kCharacter, NilArg::Allow, &err) ||
        !IsEnd(L, 5, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("AddFragment"), &err);
    auto* self = ToObject<TsConversation>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("AddFragment"));
    // The conversation takes references of its own to the characters of a
    // line: they stay the script's as well.
    self->AddFragment(ToInt(L, 2), ToObject<TsCharacterObject>(L, 3), ToObject<TsCharacterObject>(L, 4));
    return 0;
}

int Run(lua_State* L)
{
    SelfOnly<TsConversation>(L, kConversation, OM_TYPE_ERROR("Run"), OM_SELF_ERROR("Run"))->Run();
    return 0;
}

int HasConversationStarted(lua_State* L)
{
    PushBool(L, SelfOnly<const TsConversation>(L, "const TsConversation", OM_TYPE_ERROR("HasConversationStarted"),
                                               OM_SELF_ERROR("HasConversationStarted"))
                    ->HasConversationStarted());
    return 1;
}

int SetOverrideLockout(lua_State* L)
{
    SelfWith<TsConversation>(L, kConversation, {Arg::Bool}, OM_TYPE_ERROR("SetOverrideLockout"),
                             OM_SELF_ERROR("SetOverrideLockout"))
        ->SetOverrideLockout(ToBool(L, 2));
    return 0;
}

int SetLuaBanterScript(lua_State* L)
{
    SelfWith<TsBanterObject>(L, kBanter, {Arg::String}, OM_TYPE_ERROR("SetLuaBanterScript"),
                             OM_SELF_ERROR("SetLuaBanterScript"))
        ->SetLuaBanterScript(ToString(L, 2));
    return 0;
}

int GetBanterState(lua_State* L)
{
    PushInt(L, SelfOnly<TsBanterObject>(L, kBanter, OM_TYPE_ERROR("GetBanterState"), OM_SELF_ERROR("GetBanterState"))
                   ->GetBanterState());
    return 1;
}

int SetBanterState(lua_State* L)
{
    SelfWith<TsBanterObject>(L, kBanter, {Arg::Number}, OM_TYPE_ERROR("SetBanterState"),
                             OM_SELF_ERROR("SetBanterState"))
        ->SetBanterState(ToInt(L, 2));
    return 0;
}

} // namespace

void TsBanterObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsBanterObject, &kBanter>);
    tolua_function(L, "delete", PooledDelete<TsBanterObject, &kBanter>);
    tolua_function(L, "SetLuaBanterScript", SetLuaBanterScript);
    tolua_function(L, "GetBanterState", GetBanterState);
    tolua_function(L, "SetBanterState", SetBanterState);
}

void TsConversationClass(lua_State* L)
{
    tolua_function(L, "AddFragment", AddFragment);
    tolua_function(L, "Run", Run);
    tolua_function(L, "HasConversationStarted", HasConversationStarted);
    tolua_function(L, "SetOverrideLockout", SetOverrideLockout);
}

} // namespace script::bind
