// Triggers, waypoints, target points and start markers for scripts: the
// small objects entity scripts create and place.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsPCStartObject.h"
#include "game/objects/TsTargetObject.h"
#include "game/objects/TsTriggerObject.h"
#include "game/objects/TsWaypointObject.h"

namespace script::bind {

namespace {

constexpr const char* kTrigger = "TsTriggerObject";
constexpr const char* kWaypoint = "TsWaypointObject";
constexpr const char* kTarget = "TsTargetObject";
constexpr const char* kStart = "TsPCStartObject";

#define OM_TRIGGER(fn, ...) \
    SelfWith<TsTriggerObject>(L, kTrigger, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int SetTriggerScript(lua_State* L)
{
    OM_TRIGGER("SetTriggerScript", Arg::String)->SetTriggerScript(ToString(L, 2));
    return 0;
}

int GetTriggerScript(lua_State* L)
{
    PushString(L, SelfOnly<const TsTriggerObject>(L, "const TsTriggerObject", OM_TYPE_ERROR("GetTriggerScript"),
                                                  OM_SELF_ERROR("GetTriggerScript"))
                      ->GetTriggerScript());
    return 1;
}

int IsActive(lua_State* L)
{
    PushBool(L, SelfOnly<const TsTriggerObject>(L, "const TsTriggerObject", OM_TYPE_ERROR("IsActive"),
                                                OM_SELF_ERROR("IsActive"))
                    ->IsActive());
    return 1;
}

int SetActive(lua_State* L)
{
    OM_TRIGGER("SetActive", Arg::Bool)->SetActive(ToBool(L, 2));
    return 0;
}

int SetActivationType(lua_State* L)
{
    OM_TRIGGER("SetActivationType", Arg::Number)->SetActivationType(uint32_t(ToInt(L, 2)));
    return 0;
}

int SetAcceptType(lua_State* L)
{
    OM_TRIGGER("SetAcceptType", Arg::Number)->SetAcceptType(uint32_t(ToInt(L, 2)));
    return 0;
}

// Kept for the town scripts that call it; the town stash needs no saving here.
int SaveTownStash(lua_State* L)
{
    OM_TRIGGER("SaveTownStash");
    return 0;
}

int SetExitTrigger(lua_State* L)
{
    OM_TRIGGER("SetExitTrigger", Arg::Bool)->SetExitTrigger(ToBool(L, 2));
    return 0;
}

int SetTarget(lua_State* L)
{
    SelfWith<TsWaypointObject>(L, kWaypoint, {Arg::String}, OM_TYPE_ERROR("SetTarget"), OM_SELF_ERROR("SetTarget"))
        ->SetTarget(ToString(L, 2));
    return 0;
}

// Accepted for the scripts that call it; SetTarget names the next waypoint.
int SetTargetname(lua_State* L)
{
    SelfWith<TsWaypointObject>(L, kWaypoint, {Arg::String}, OM_TYPE_ERROR("SetTargetname"),
                               OM_SELF_ERROR("SetTargetname"));
    return 0;
}

// Accepted for the scripts that call it; a target is known by its object name.
int SetTargetName(lua_State* L)
{
    SelfWith<TsTargetObject>(L, kTarget, {Arg::String}, OM_TYPE_ERROR("SetTargetName"),
                             OM_SELF_ERROR("SetTargetName"));
    return 0;
}

int SetTargetOrigin(lua_State* L)
{
    SelfWith<TsTargetObject>(L, kTarget, {Arg::Number, Arg::Number, Arg::Number}, OM_TYPE_ERROR("SetOrigin"),
                             OM_SELF_ERROR("SetOrigin"))
        ->SetOrigin(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4));
    return 0;
}

} // namespace

void TsTriggerObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsTriggerObject, &kTrigger>);
    tolua_function(L, "delete", PooledDelete<TsTriggerObject, &kTrigger>);
    tolua_function(L, "SetTriggerScript", SetTriggerScript);
    tolua_function(L, "GetTriggerScript", GetTriggerScript);
    tolua_function(L, "IsActive", IsActive);
    tolua_function(L, "SetActive", SetActive);
    tolua_function(L, "SetActivationType", SetActivationType);
    tolua_function(L, "SetAcceptType", SetAcceptType);
    tolua_function(L, "SaveTownStash", SaveTownStash);
    tolua_function(L, "SetExitTrigger", SetExitTrigger);
}

void TsWaypointObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsWaypointObject, &kWaypoint>);
    tolua_function(L, "delete", PooledDelete<TsWaypointObject, &kWaypoint>);
    tolua_function(L, "SetTarget", SetTarget);
    tolua_function(L, "SetTargetname", SetTargetname);
}

void TsPCStartObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsPCStartObject, &kStart>);
    tolua_function(L, "delete", PooledDelete<TsPCStartObject, &kStart>);
}

void TsTargetObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsTargetObject, &kTarget>);
    tolua_function(L, "delete", PooledDelete<TsTargetObject, &kTarget>);
    tolua_function(L, "SetTargetName", SetTargetName);
    tolua_function(L, "SetOrigin", SetTargetOrigin);
}

} // namespace script::bind
