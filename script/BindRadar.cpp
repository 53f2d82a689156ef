// TsRadar for scripts: show or hide the radar and its objective marker, and
// move the objective.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "engine/OmVector3.h"
#include "ui/TsRadar.h"

namespace script::bind {

namespace {

constexpr const char* kRadar = "TsRadar";

// A view of the radar's own vector: changing it moves the objective, and
// it dies with the radar.
int GetObjective(lua_State* L)
{
    TsRadar* self = SelfOnly<TsRadar>(L, kRadar, OM_TYPE_ERROR("GetObjective"), OM_SELF_ERROR("GetObjective"));
    PushView(L, 1, &self->GetObjective(), "OmVector3");
    return 1;
}

int SetObjectiveNumbers(lua_State* L)
{
    SelfWith<TsRadar>(L, kRadar, {Arg::Number, Arg::Number, Arg::Number}, OM_TYPE_ERROR("SetObjective"),
                      OM_SELF_ERROR("SetObjective"))
        ->SetObjective(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4));
    return 0;
}

// The vector form is tried first; anything else is the three numbers' call.
int SetObjective(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kRadar, &err) || !IsObject(L, 2, "const OmVector3", NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        return SetObjectiveNumbers(L);
    auto* self = ToObject<TsRadar>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("SetObjective"));
    self->SetObjective(ToLiveObject<const OmVector3>(L, 2, OM_INVALID_ERROR("vector", "SetObjective")));
    return 0;
}

int UseRadar(lua_State* L)
{
    SelfWith<TsRadar>(L, kRadar, {Arg::Bool}, OM_TYPE_ERROR("UseRadar"), OM_SELF_ERROR("UseRadar"))
        ->UseRadar(ToBool(L, 2));
    return 0;
}

int UseObjective(lua_State* L)
{
    SelfWith<TsRadar>(L, kRadar, {Arg::Bool}, OM_TYPE_ERROR("UseObjective"), OM_SELF_ERROR("UseObjective"))
        ->UseObjective(ToBool(L, 2));
    return 0;
}

} // namespace

void TsRadarClass(lua_State* L)
{
    tolua_function(L, "GetObjective", GetObjective);
    tolua_function(L, "SetObjective", SetObjectiveNumbers);
    tolua_function(L, "SetObjective", SetObjective);
    tolua_function(L, "UseRadar", UseRadar);
    tolua_function(L, "UseObjective", UseObjective);
}

} // namespace script::bind
