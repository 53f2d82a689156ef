// TsCharacterObject for scripts: what entity scripts set on the creatures
// they make (health, vitality, defences, speeds, bones, sounds) and the few
// questions and orders missions put to them.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsCharacterObject.h"

namespace script::bind {

namespace {

constexpr const char* kCharacter = "TsCharacterObject";

#define OM_CHARACTER(fn, ...) \
    SelfWith<TsCharacterObject>(L, kCharacter, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

// A setter of one number, converted by the declared parameter type.
template <void (TsCharacterObject::*set)(float)>
int SetReal(lua_State* L, const char* typeError, const char* selfError)
{
    (SelfWith<TsCharacterObject>(L, kCharacter, {Arg::Number}, typeError, selfError)->*set)(ToFloat(L, 2));
    return 0;
}

template <void (TsCharacterObject::*set)(int32_t)>
int SetInteger(lua_State* L, const char* typeError, const char* selfError)
{
    (SelfWith<TsCharacterObject>(L, kCharacter, {Arg::Number}, typeError, selfError)->*set)(ToInt(L, 2));
    return 0;
}

#define OM_REAL_SETTER(fn) \
    int fn(lua_State* L) { return SetReal<&TsCharacterObject::fn>(L, OM_TYPE_ERROR(#fn), OM_SELF_ERROR(#fn)); }
#define OM_INT_SETTER(fn) \
    int fn(lua_State* L) { return SetInteger<&TsCharacterObject::fn>(L, OM_TYPE_ERROR(#fn), OM_SELF_ERROR(#fn)); }

OM_INT_SETTER(SetSquadIndex)
OM_INT_SETTER(SetAnimationClass)
OM_REAL_SETTER(SetWalkSpeed)
OM_REAL_SETTER(SetRunSpeed)
OM_REAL_SETTER(SetMaxHealth)
OM_REAL_SETTER(SetMaxVitality)
OM_REAL_SETTER(SetHealth)
OM_REAL_SETTER(SetVitality)
OM_REAL_SETTER(SetHealthRecovery)
OM_REAL_SETTER(SetVitalityRecovery)
OM_REAL_SETTER(SetPhysicalDefence)
OM_REAL_SETTER(SetChemicalDefence)
OM_REAL_SETTER(SetEnergyDefence)
OM_REAL_SETTER(SetOffenceSkill)
OM_INT_SETTER(SetSkill)
OM_INT_SETTER(SetWaistBone)
OM_INT_SETTER(SetAttackBone)
OM_REAL_SETTER(SetMaxTurnRate)
OM_REAL_SETTER(Stun)
OM_REAL_SETTER(SetAttentionRange)
OM_INT_SETTER(SetDisplayRaceID)

int IsMobile(lua_State* L)
{
    PushBool(L, OM_CHARACTER("IsMobile")->IsMobile());
    return 1;
}

int IsStunned(lua_State* L)
{
    PushBool(L, OM_CHARACTER("IsStunned")->IsStunned());
    return 1;
}

int GetMaxHealth(lua_State* L)
{
    PushNumber(L, OM_CHARACTER("GetMaxHealth")->GetMaxHealth());
    return 1;
}

int IncrementVitality(lua_State* L)
{
    PushNumber(L, OM_CHARACTER("IncrementVitality", Arg::Number)->IncrementVitality(ToFloat(L, 2)));
    return 1;
}

int IncrementHealth(lua_State* L)
{
    PushNumber(L, OM_CHARACTER("IncrementHealth", Arg::Number)->IncrementHealth(ToFloat(L, 2)));
    return 1;
}

int GiveEntireInventory(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kCharacter, &err) || !IsObject(L, 2, kCharacter, NilArg::Allow, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("GiveEntireInventory"), &err);
    auto* self = ToObject<TsCharacterObject>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("GiveEntireInventory"));
    self->GiveEntireInventory(ToObject<TsCharacterObject>(L, 2));
    return 0;
}

int GetSquad(lua_State* L)
{
    PushObject(L, OM_CHARACTER("GetSquad")->GetSquad(), "TsSquadObject");
    return 1;
}

int GetInventory(lua_State* L)
{
    PushObject(L, OM_CHARACTER("GetInventory")->GetInventory(), "TsInventory");
    return 1;
}

int InnateAttack(lua_State* L)
{
    PushObject(L, OM_CHARACTER("InnateAttack")->InnateAttack(), "TsWeaponObject");
    return 1;
}

int GetCurrentAttack(lua_State* L)
{
    PushObject(L, OM_CHARACTER("GetCurrentAttack")->GetCurrentAttack(), "TsWeaponObject");
    return 1;
}

int FlagSoundForLoading(lua_State* L)
{
    OM_CHARACTER("FlagSoundForLoading", Arg::Number, Arg::Number)->FlagSoundForLoading(ToInt(L, 2), ToInt(L, 3));
    return 0;
}

int SetCrouchable(lua_State* L)
{
    OM_CHARACTER("SetCrouchable")->SetCrouchable();
    return 0;
}

int StopMoving(lua_State* L)
{
    OM_CHARACTER("StopMoving")->StopMoving();
    return 0;
}

int GivePathKeyA(lua_State* L)
{
    OM_CHARACTER("GivePathKeyA")->GivePathKeyA();
    return 0;
}

} // namespace

void TsCharacterObjectClass(lua_State* L)
{
    tolua_function(L, "SetSquadIndex", SetSquadIndex);
    tolua_function(L, "SetAnimationClass", SetAnimationClass);
    tolua_function(L, "SetWalkSpeed", SetWalkSpeed);
    tolua_function(L, "SetRunSpeed", SetRunSpeed);
    tolua_function(L, "SetMaxHealth", SetMaxHealth);
    tolua_function(L, "SetMaxVitality", SetMaxVitality);
    tolua_function(L, "SetHealth", SetHealth);
    tolua_function(L, "SetVitality", SetVitality);
    tolua_function(L, "SetHealthRecovery", SetHealthRecovery);
    tolua_function(L, "SetVitalityRecovery", SetVitalityRecovery);
    tolua_function(L, "SetPhysicalDefence", SetPhysicalDefence);
    tolua_function(L, "SetChemicalDefence", SetChemicalDefence);
    tolua_function(L, "SetEnergyDefence", SetEnergyDefence);
    tolua_function(L, "SetOffenceSkill", SetOffenceSkill);
    tolua_function(L, "SetSkill", SetSkill);
    tolua_function(L, "SetWaistBone", SetWaistBone);
    tolua_function(L, "SetAttackBone", SetAttackBone);
    tolua_function(L, "SetMaxTurnRate", SetMaxTurnRate);
    tolua_function(L, "IsMobile", IsMobile);
    tolua_function(L, "Stun", Stun);
    tolua_function(L, "IsStunned", IsStunned);
    tolua_function(L, "SetAttentionRange", SetAttentionRange);
    tolua_function(L, "GetMaxHealth", GetMaxHealth);
    tolua_function(L, "IncrementVitality", IncrementVitality);
    tolua_function(L, "IncrementHealth", IncrementHealth);
    tolua_function(L, "GiveEntireInventory", GiveEntireInventory);
    tolua_function(L, "GetSquad", GetSquad);
    tolua_function(L, "GetInventory", GetInventory);
    tolua_function(L, "InnateAttack", InnateAttack);
    tolua_function(L, "GetCurrentAttack", GetCurrentAttack);
    tolua_function(L, "FlagSoundForLoading", FlagSoundForLoading);
    tolua_function(L, "SetCrouchable", SetCrouchable);
    tolua_function(L, "SetDisplayRaceID", SetDisplayRaceID);
    tolua_function(L, "StopMoving", StopMoving);
    tolua_function(L, "GivePathKeyA", GivePathKeyA);
}

} // namespace script::bind
