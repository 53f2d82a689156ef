// The player for scripts: the party, the squad in play, the kitty, the
// script-state words (where mission scripts keep what must survive a save)
// and the hidden display modes.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsScriptHandles.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"

namespace script::bind {

namespace {

constexpr const char* kPlayer = "TsPlayer";

#define OM_PLAYER(fn, ...) SelfWith<TsPlayer>(L, kPlayer, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

// Self and one object argument (nil allowed when `nil` says so); returns
// self.
TsPlayer* SelfAndObject(lua_State* L, const char* type, NilArg nil, const char* typeError, const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, kPlayer, &err) || !IsObject(L, 2, type, nil, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, typeError, &err);
    TsPlayer* self = ToObject<TsPlayer>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

int Clear(lua_State* L)
{
    OM_PLAYER("Clear")->Clear();
    return 0;
}

// The party holds a character with a reference of its own; one the script
// made is the game's from then on (the script can no longer delete it).
int AddCharacter(lua_State* L)
{
    TsPlayer* self = SelfAndObject(L, "TsPCObject", NilArg::Allow, OM_TYPE_ERROR("AddCharacter"),
                                   OM_SELF_ERROR("AddCharacter"));
    TsPCObject* pc = ToObject<TsPCObject>(L, 2);
    if (pc && self->AddCharacter(OmRef<TsPCObject>(pc)))
        TsScriptHandles::HandToGame(L, pc);
    return 0;
}

int AddCharacterToSquad(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kPlayer, &err) || !IsObject(L, 2, "TsPCObject", NilArg::Allow, &err)
        || !IsObject(L, 3, "TsPCObject", NilArg::Allow, &err) || !IsEnd(L, 4, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("AddCharacterToSquad"), &err);
    TsPlayer* self = ToObject<TsPlayer>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("AddCharacterToSquad"));
    // The squad and the level take references of their own: a character the
    // script made stays the script's too (and one refused stays only its).
    self->AddCharacterToSquad(ToObject<TsPCObject>(L, 2), ToObject<TsPCObject>(L, 3));
    return 0;
}

int GetCharacter(lua_State* L)
{
    PushObject(L, OM_PLAYER("GetCharacter", Arg::String)->GetCharacter(ToString(L, 2)), "TsPCObject");
    return 1;
}

int RemoveAllSquadMembers(lua_State* L)
{
    OM_PLAYER("RemoveAllSquadMembers")->RemoveAllSquadMembers();
    return 0;
}

int RemoveSquadMember(lua_State* L)
{
    SelfAndObject(L, "TsCharacterObject", NilArg::Allow, OM_TYPE_ERROR("RemoveSquadMember"),
                  OM_SELF_ERROR("RemoveSquadMember"))
        ->RemoveSquadMember(ToObject<TsCharacterObject>(L, 2));
    return 0;
}

int SetCurrentCharacter(lua_State* L)
{
    OM_PLAYER("SetCurrentCharacter", Arg::Number)->SetCurrentCharacter(ToInt(L, 2));
    return 0;
}

int GetSquad(lua_State* L)
{
    PushObject(L, OM_PLAYER("GetSquad")->GetSquad(), "TsSquadObject");
    return 1;
}

int SetSquad(lua_State* L)
{
    TsPlayer* self = SelfAndObject(L, "TsSquadObject", NilArg::Allow, OM_TYPE_ERROR("SetSquad"),
                                   OM_SELF_ERROR("SetSquad"));
    // The player takes a reference of its own: the squad outlives the
    // script's delete while the player holds it.
    self->SetSquad(ToObject<TsSquadObject>(L, 2));
    return 0;
}

int GetTeamCount(lua_State* L)
{
    PushInt(L, OM_PLAYER("GetTeamCount")->GetTeamCount());
    return 1;
}

int GetKitty(lua_State* L)
{
    PushInt(L, OM_PLAYER("GetKitty")->GetKitty());
    return 1;
}

int AddToKitty(lua_State* L)
{
    PushInt(L, OM_PLAYER("AddToKitty", Arg::Number)->AddToKitty(ToInt(L, 2)));
    return 1;
}

int GetScriptState(lua_State* L)
{
    PushInt(L, OM_PLAYER("GetScriptState", Arg::Number)->GetScriptState(ToInt(L, 2)));
    return 1;
}

int SetScriptState(lua_State* L)
{
    OM_PLAYER("SetScriptState", Arg::Number, Arg::Number)->SetScriptState(ToInt(L, 2), ToInt(L, 3));
    return 0;
}

// Class functions: whatever stands in position 1 is ignored.
int EnableEasterEgg(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsBool(L, 3, &err) || !IsEnd(L, 4, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("_EnableEasterEgg"), &err);
    TsPlayer::_EnableEasterEgg(ToInt(L, 2), ToBool(L, 3));
    return 0;
}

int IsEasterEggEnabled(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("_IsEasterEggEnabled"), &err);
    PushBool(L, TsPlayer::_IsEasterEggEnabled(ToInt(L, 2)));
    return 1;
}

} // namespace

void TsPlayerClass(lua_State* L)
{
    tolua_function(L, "Clear", Clear);
    tolua_function(L, "AddCharacter", AddCharacter);
    tolua_function(L, "AddCharacterToSquad", AddCharacterToSquad);
    tolua_function(L, "GetCharacter", GetCharacter);
    tolua_function(L, "RemoveAllSquadMembers", RemoveAllSquadMembers);
    tolua_function(L, "RemoveSquadMember", RemoveSquadMember);
    tolua_function(L, "SetCurrentCharacter", SetCurrentCharacter);
    tolua_function(L, "GetSquad", GetSquad);
    tolua_function(L, "SetSquad", SetSquad);
    tolua_function(L, "GetTeamCount", GetTeamCount);
    tolua_function(L, "GetKitty", GetKitty);
    tolua_function(L, "AddToKitty", AddToKitty);
    tolua_function(L, "GetKitty", GetKitty);
    tolua_function(L, "GetScriptState", GetScriptState);
    tolua_function(L, "SetScriptState", SetScriptState);
    tolua_function(L, "_EnableEasterEgg", EnableEasterEgg);
    tolua_function(L, "_IsEasterEggEnabled", IsEasterEggEnabled);
}

} // namespace script::bind
