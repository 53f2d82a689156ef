// The explosion types for the start-up script "LoadExplosionAttributes": it
// fetches each record with FxGetExplosionType and fills its variables. The
// two text fields cross as OmString holders (reading gives the record's own
// holder, so holder:Set changes the record); assigning a holder copies its
// text, and assigning anything else (a plain string or nil too) raises the
// type error. The colour bias reads as an opaque OmTuple3.

#include <cmath>

#include "script/ScriptBinders.h"
#include "script/ScriptVariables.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsLog.h"
#include "game/world/TsExplosionParams.h"

namespace script::bind {

namespace {

using P = TsExplosionParams;
constexpr const char* kParams = "TsExplosionParams";

#define OM_VAR_NAME(var) constexpr char k_##var[] = OM_VAR_SELF_ERROR(#var);
OM_VAR_NAME(m_szParticleType)
OM_VAR_NAME(m_numArms)
OM_VAR_NAME(m_speed)
OM_VAR_NAME(m_gravity)
OM_VAR_NAME(m_friction)
OM_VAR_NAME(m_restitution)
OM_VAR_NAME(m_spread)
OM_VAR_NAME(m_fade)
OM_VAR_NAME(m_shockwave)
OM_VAR_NAME(m_szShockTexture)
OM_VAR_NAME(m_shockLifetime)
OM_VAR_NAME(m_shockColourBias)
OM_VAR_NAME(m_shockMinRadius)
OM_VAR_NAME(m_shockMaxRadius)
OM_VAR_NAME(m_shockWidth)
OM_VAR_NAME(m_shockDelay)
#undef OM_VAR_NAME

int GetColourBias(lua_State* L)
{
    return GetFieldView<P, &P::m_shockColourBias, k_m_shockColourBias>(L, "OmTuple3");
}

int SetColourBiasVar(lua_State* L)
{
    P* self = VariableSelf<P>(L, k_m_shockColourBias);
    tolua_Error err;
    if (!IsObject(L, 2, "const OmTuple3", NilArg::Reject, &err))
        RaiseTypeError(L, kVarTypeError, &err);
    self->m_shockColourBias = ToLiveObject<const OmTuple3>(L, 2, kVarValueError);
    return 0;
}

int SetColourBias(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kParams, &err) || !IsNumber(L, 2, &err) || !IsNumber(L, 3, &err) || !IsNumber(L, 4, &err)
        || !IsEnd(L, 5, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("SetColourBias"), &err);
    P* self = ToObject<P>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("SetColourBias"));
    self->SetColourBias(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4));
    return 0;
}

int FxGetExplosionType(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 1, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("FxGetExplosionType"), &err);
    // Tested on the script's number itself: truncated to 32 bits first, a
    // huge type number could wrap into the table.
    const double index = std::trunc(lua_tonumber(L, 1));
    if (!(index < TsExplosionTable::kMaxTypes))
        luaL_error(L, "FxGetExplosionType: explosion type %f is past the limit of %d types", index,
                   TsExplosionTable::kMaxTypes);
    PushObject(L, index < 0 ? nullptr : TsExplosionTable::Get(static_cast<int32_t>(index)), kParams);
    if (index < 0)
        LogErrorF("FxGetExplosionType: explosion type %.0f is not a valid index", index);
    return 1;
}

int FxSetNumExplosionTypes(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 1, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("FxSetNumExplosionTypes"), &err);
    const double count = std::trunc(lua_tonumber(L, 1));
    if (!(count <= TsExplosionTable::kMaxTypes))
        luaL_error(L, "FxSetNumExplosionTypes: %f explosion types asked for, past the limit of %d types", count,
                   TsExplosionTable::kMaxTypes);
    TsExplosionTable::SetCount(count < 0 ? 0 : static_cast<int32_t>(count));
    return 0;
}

} // namespace

#define OM_NUMBER_VAR(var) \
    tolua_variable(L, #var, GetNumberVar<P, &P::var, k_##var>, SetNumberVar<P, &P::var, k_##var>)
#define OM_FLAG_VAR(var) tolua_variable(L, #var, GetFlagVar<P, &P::var, k_##var>, SetFlagVar<P, &P::var, k_##var>)
#define OM_STRING_VAR(var) tolua_variable(L, #var, GetOmStringVar<P, &P::var, k_##var>, SetOmStringVar<P, &P::var, k_##var>)

void TsExplosionParamsClass(lua_State* L)
{
    OM_STRING_VAR(m_szParticleType);
    OM_NUMBER_VAR(m_numArms);
    OM_NUMBER_VAR(m_speed);
    OM_NUMBER_VAR(m_gravity);
    OM_NUMBER_VAR(m_friction);
    OM_NUMBER_VAR(m_restitution);
    OM_NUMBER_VAR(m_spread);
    OM_FLAG_VAR(m_fade);
    OM_FLAG_VAR(m_shockwave);
    OM_STRING_VAR(m_szShockTexture);
    OM_NUMBER_VAR(m_shockLifetime);
    tolua_variable(L, "m_shockColourBias", GetColourBias, SetColourBiasVar);
    OM_NUMBER_VAR(m_shockMinRadius);
    OM_NUMBER_VAR(m_shockMaxRadius);
    OM_NUMBER_VAR(m_shockWidth);
    OM_NUMBER_VAR(m_shockDelay);
    tolua_function(L, "SetColourBias", SetColourBias);
}

#undef OM_NUMBER_VAR
#undef OM_FLAG_VAR
#undef OM_STRING_VAR

void ExplosionGlobals(lua_State* L)
{
    tolua_function(L, "FxGetExplosionType", FxGetExplosionType);
    tolua_function(L, "FxSetNumExplosionTypes", FxSetNumExplosionTypes);
}

} // namespace script::bind
