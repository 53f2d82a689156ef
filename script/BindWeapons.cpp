// Projectile types, weapon attribute blocks, weapons and mines for scripts.
// "LoadProjectileAttributes" fetches each projectile record with
// TsProjectileAttributes:_Attributes and fills its variables; weapon and mine
// templates set their attributes through the functions. Ids (projectile
// types, explosion types) are stored as given and checked where they are
// used, so a template may set them before the tables are filled.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptVariables.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsLog.h"
#include "game/objects/TsMineObject.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsWeaponAttributes.h"
#include "game/objects/TsWeaponObject.h"

namespace script::bind {

namespace {

using P = TsProjectileAttributes;
constexpr const char* kProjectile = "TsProjectileAttributes";
constexpr const char* kAttributes = "TsWeaponAttributes";
constexpr const char* kWeapon = "TsWeaponObject";
constexpr const char* kMine = "TsMineObject";

#define OM_VAR_NAME(var) constexpr char k_##var[] = OM_VAR_SELF_ERROR(#var);
OM_VAR_NAME(m_lifetime)
OM_VAR_NAME(m_gravity)
OM_VAR_NAME(m_initialSpeed)
OM_VAR_NAME(m_verticalSpeed)
OM_VAR_NAME(m_thrust)
OM_VAR_NAME(m_thrustDelay)
OM_VAR_NAME(m_thrustDuration)
OM_VAR_NAME(m_steerForce)
OM_VAR_NAME(m_drag)
OM_VAR_NAME(m_targetAttractConstant)
OM_VAR_NAME(m_targetAttractLinear)
OM_VAR_NAME(m_spiralRadius)
OM_VAR_NAME(m_spiralRate)
OM_VAR_NAME(m_altitudeAdjust)
OM_VAR_NAME(m_cruiseAltitude)
OM_VAR_NAME(m_leachRate)
OM_VAR_NAME(m_leachRadius)
OM_VAR_NAME(m_bExplode)
OM_VAR_NAME(m_iExposionID)
OM_VAR_NAME(m_fExplosionRangeInner)
OM_VAR_NAME(m_fExplosionRangeOuter)
OM_VAR_NAME(m_bExhaustRelative)
OM_VAR_NAME(m_bRay)
OM_VAR_NAME(m_laserARGB)
OM_VAR_NAME(m_laserLength)
OM_VAR_NAME(m_laserScale)
OM_VAR_NAME(m_szExhaustEffect1)
OM_VAR_NAME(m_szExhaustEffect2)
OM_VAR_NAME(m_szMuzzleFX)
OM_VAR_NAME(m_szImpactFX)
OM_VAR_NAME(m_szLaserTexture)
#undef OM_VAR_NAME

// ---- TsProjectileAttributes --------------------------------------------------

// The colour crosses as a pointer to the record's word; assigning takes
// such a pointer and copies the word it points at.
int GetLaserARGB(lua_State* L)
{
    return GetFieldView<P, &P::m_laserARGB, k_m_laserARGB>(L, "uint");
}

int SetLaserARGB(lua_State* L)
{
    P* self = VariableSelf<P>(L, k_m_laserARGB);
    tolua_Error err;
    if (!IsObject(L, 2, "const uint", NilArg::Reject, &err))
        RaiseTypeError(L, kVarTypeError, &err);
    self->m_laserARGB = ToLiveObject<const uint32_t>(L, 2, kVarValueError);
    return 0;
}

int SetLaserColour(lua_State* L)
{
    SelfWith<P>(L, kProjectile, {Arg::Number, Arg::Number, Arg::Number}, OM_TYPE_ERROR("SetLaserColour"),
                OM_SELF_ERROR("SetLaserColour"))
        ->SetLaserColour(ToInt(L, 2), ToInt(L, 3), ToInt(L, 4));
    return 0;
}

// A class function: position 1 holds the class table. An index outside
// the table gives nil and a logged error instead of a record that is not
// there.
int Attributes(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("_Attributes"), &err);
    const int32_t index = ToInt(L, 2);
    P* record = P::_Attributes(index);
    if (!record)
        LogErrorF("TsProjectileAttributes:_Attributes: %d is not a projectile type (0..%d)", index, P::kCount - 1);
    PushObject(L, record, kProjectile);
    return 1;
}

// ---- TsWeaponAttributes ----------------------------------------------------------

#define OM_ATTRIBUTES(fn, ...) \
    SelfWith<TsWeaponAttributes>(L, kAttributes, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

#define OM_INT_SETTER(fn)                                   \
    int fn(lua_State* L)                                    \
    {                                                       \
        OM_ATTRIBUTES(#fn, Arg::Number)->fn(ToInt(L, 2));   \
        return 0;                                           \
    }
#define OM_FLOAT_SETTER(fn)                                 \
    int fn(lua_State* L)                                    \
    {                                                       \
        OM_ATTRIBUTES(#fn, Arg::Number)->fn(ToFloat(L, 2)); \
        return 0;                                           \
    }

OM_INT_SETTER(SetWeaponType)
OM_INT_SETTER(SetEquipType)
OM_INT_SETTER(SetAmmoType)
OM_INT_SETTER(SetMatterType)
OM_INT_SETTER(SetAmmoPerShot)
OM_FLOAT_SETTER(SetEfficiency)
OM_FLOAT_SETTER(SetRange)
OM_FLOAT_SETTER(SetAutoAimRange)
OM_FLOAT_SETTER(SetSpread)
OM_FLOAT_SETTER(SetReload)
OM_FLOAT_SETTER(SetStun)
OM_INT_SETTER(SetProjectileID)

int GetStun(lua_State* L)
{
    PushNumber(L, SelfOnly<const TsWeaponAttributes>(L, "const TsWeaponAttributes", OM_TYPE_ERROR("GetStun"),
                                                     OM_SELF_ERROR("GetStun"))
                      ->GetStun());
    return 1;
}

#undef OM_INT_SETTER
#undef OM_FLOAT_SETTER

// ---- TsWeaponObject -------------------------------------------------------------

#define OM_WEAPON(fn, ...) SelfWith<TsWeaponObject>(L, kWeapon, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_CONST_WEAPON(fn) \
    SelfOnly<const TsWeaponObject>(L, "const TsWeaponObject", OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int IsSecondary(lua_State* L)
{
    PushBool(L, OM_CONST_WEAPON("IsSecondary")->IsSecondary());
    return 1;
}

int SetBimodal(lua_State* L)
{
    OM_WEAPON("SetBimodal", Arg::Bool)->SetBimodal(ToBool(L, 2));
    return 0;
}

int IsBimodal(lua_State* L)
{
    PushBool(L, OM_CONST_WEAPON("IsBimodal")->IsBimodal());
    return 1;
}

int SetMode(lua_State* L)
{
    OM_WEAPON("SetMode", Arg::Bool)->SetMode(ToBool(L, 2));
    return 0;
}

int ToggleMode(lua_State* L)
{
    PushBool(L, OM_WEAPON("ToggleMode")->ToggleMode());
    return 1;
}

int SetMuzzleOffset(lua_State* L)
{
    OM_WEAPON("SetMuzzleOffset", Arg::Number, Arg::Number, Arg::Number)
        ->SetMuzzleOffset(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4));
    return 0;
}

// The block lives inside the weapon: its handle keeps the weapon alive.
int WeaponAttributes(lua_State* L)
{
    TsWeaponObject* weapon = OM_WEAPON("Attributes", Arg::Bool);
    PushView(L, 1, &weapon->Attributes(ToBool(L, 2)), kAttributes);
    return 1;
}

int GetCurrentWeaponType(lua_State* L)
{
    PushInt(L, OM_WEAPON("GetCurrentWeaponType")->GetCurrentWeaponType());
    return 1;
}

int WeaponFlagSoundForLoading(lua_State* L)
{
    OM_WEAPON("FlagSoundForLoading", Arg::Number, Arg::Number)->FlagSoundForLoading(ToInt(L, 2), ToInt(L, 3));
    return 0;
}

#undef OM_WEAPON
#undef OM_CONST_WEAPON

// ---- TsMineObject ----------------------------------------------------------------

#define OM_MINE(fn, ...) SelfWith<TsMineObject>(L, kMine, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int SetAnimationClass(lua_State* L)
{
    OM_MINE("SetAnimationClass", Arg::Number)->SetAnimationClass(ToInt(L, 2));
    return 0;
}

int SetDetonationDelay(lua_State* L)
{
    OM_MINE("SetDetonationDelay", Arg::Number)->SetDetonationDelay(ToFloat(L, 2));
    return 0;
}

int MineSetProjectileID(lua_State* L)
{
    OM_MINE("SetProjectileID", Arg::Number)->SetProjectileID(ToInt(L, 2));
    return 0;
}

int SetDamage(lua_State* L)
{
    OM_MINE("SetDamage", Arg::Number)->SetDamage(ToFloat(L, 2));
    return 0;
}

int MineSetMatterType(lua_State* L)
{
    OM_MINE("SetMatterType", Arg::Number)->SetMatterType(ToInt(L, 2));
    return 0;
}

#undef OM_MINE

} // namespace

#define OM_NUMBER_VAR(var) \
    tolua_variable(L, #var, GetNumberVar<P, &P::var, k_##var>, SetNumberVar<P, &P::var, k_##var>)
#define OM_FLAG_VAR(var) tolua_variable(L, #var, GetFlagVar<P, &P::var, k_##var>, SetFlagVar<P, &P::var, k_##var>)
#define OM_STRING_VAR(var) tolua_variable(L, #var, GetOmStringVar<P, &P::var, k_##var>, SetOmStringVar<P, &P::var, k_##var>)

void TsProjectileAttributesClass(lua_State* L)
{
    OM_NUMBER_VAR(m_lifetime);
    OM_NUMBER_VAR(m_gravity);
    OM_NUMBER_VAR(m_initialSpeed);
    OM_NUMBER_VAR(m_verticalSpeed);
    OM_NUMBER_VAR(m_thrust);
    OM_NUMBER_VAR(m_thrustDelay);
    OM_NUMBER_VAR(m_thrustDuration);
    OM_NUMBER_VAR(m_steerForce);
    OM_NUMBER_VAR(m_drag);
    OM_NUMBER_VAR(m_targetAttractConstant);
    OM_NUMBER_VAR(m_targetAttractLinear);
    OM_NUMBER_VAR(m_spiralRadius);
    OM_NUMBER_VAR(m_spiralRate);
    OM_NUMBER_VAR(m_altitudeAdjust);
    OM_NUMBER_VAR(m_cruiseAltitude);
    OM_NUMBER_VAR(m_leachRate);
    OM_NUMBER_VAR(m_leachRadius);
    OM_FLAG_VAR(m_bExplode);
    OM_NUMBER_VAR(m_iExposionID);
    OM_NUMBER_VAR(m_fExplosionRangeInner);
    OM_NUMBER_VAR(m_fExplosionRangeOuter);
    OM_FLAG_VAR(m_bExhaustRelative);
    OM_FLAG_VAR(m_bRay);
    tolua_variable(L, "m_laserARGB", GetLaserARGB, SetLaserARGB);
    OM_NUMBER_VAR(m_laserLength);
    OM_NUMBER_VAR(m_laserScale);
    OM_STRING_VAR(m_szExhaustEffect1);
    OM_STRING_VAR(m_szExhaustEffect2);
    OM_STRING_VAR(m_szMuzzleFX);
    OM_STRING_VAR(m_szImpactFX);
    OM_STRING_VAR(m_szLaserTexture);
    tolua_function(L, "SetLaserColour", SetLaserColour);
    tolua_function(L, "_Attributes", Attributes);
}

#undef OM_NUMBER_VAR
#undef OM_FLAG_VAR
#undef OM_STRING_VAR

void TsWeaponAttributesClass(lua_State* L)
{
    tolua_function(L, "SetWeaponType", SetWeaponType);
    tolua_function(L, "SetEquipType", SetEquipType);
    tolua_function(L, "SetAmmoType", SetAmmoType);
    tolua_function(L, "SetMatterType", SetMatterType);
    tolua_function(L, "SetAmmoPerShot", SetAmmoPerShot);
    tolua_function(L, "SetEfficiency", SetEfficiency);
    tolua_function(L, "SetRange", SetRange);
    tolua_function(L, "SetAutoAimRange", SetAutoAimRange);
    tolua_function(L, "SetSpread", SetSpread);
    tolua_function(L, "SetReload", SetReload);
    tolua_function(L, "SetStun", SetStun);
    tolua_function(L, "GetStun", GetStun);
    tolua_function(L, "SetProjectileID", SetProjectileID);
}

void TsWeaponObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsWeaponObject, &kWeapon>);
    tolua_function(L, "delete", PooledDelete<TsWeaponObject, &kWeapon>);
    tolua_function(L, "IsSecondary", IsSecondary);
    tolua_function(L, "SetBimodal", SetBimodal);
    tolua_function(L, "IsBimodal", IsBimodal);
    tolua_function(L, "SetMode", SetMode);
    tolua_function(L, "ToggleMode", ToggleMode);
    tolua_function(L, "SetMuzzleOffset", SetMuzzleOffset);
    tolua_function(L, "Attributes", WeaponAttributes);
    tolua_function(L, "GetCurrentWeaponType", GetCurrentWeaponType);
    tolua_function(L, "FlagSoundForLoading", WeaponFlagSoundForLoading);
}

void TsMineObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsMineObject, &kMine>);
    tolua_function(L, "delete", PooledDelete<TsMineObject, &kMine>);
    tolua_function(L, "SetAnimationClass", SetAnimationClass);
    tolua_function(L, "SetDetonationDelay", SetDetonationDelay);
    tolua_function(L, "SetProjectileID", MineSetProjectileID);
    tolua_function(L, "SetDamage", SetDamage);
    tolua_function(L, "SetMatterType", MineSetMatterType);
}

} // namespace script::bind
