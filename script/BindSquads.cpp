// Teams and squads for scripts: mission scripts make the level's teams,
// set who is hostile to whom, and make the squads that drive the
// non-player characters.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"

namespace script::bind {

namespace {

constexpr const char* kTeam = "TsTeam";
constexpr const char* kSquad = "TsSquadObject";

#define OM_TEAM(fn, ...) SelfWith<TsTeam>(L, kTeam, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_SQUAD(fn, ...) SelfWith<TsSquadObject>(L, kSquad, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int SetTeamID(lua_State* L)
{
    OM_TEAM("SetTeamID", Arg::Number)->SetTeamID(ToInt(L, 2));
    return 0;
}

// A team id outside the table's reach is refused by the team (logged).
int SetAlliance(lua_State* L)
{
    SelfWith<TsTeam>(L, kTeam, {Arg::Number, Arg::Number}, OM_TYPE_ERROR("SetAlliance"),
                     OM_SELF_ERROR("lua_SetAlliance"))
        ->SetAlliance(ToInt(L, 2), ToInt(L, 3));
    return 0;
}

int GetAllianceById(lua_State* L)
{
    PushInt(L, OM_TEAM("GetAlliance", Arg::Number)->GetAlliance(ToInt(L, 2)));
    return 1;
}

// The other team's object first; anything else goes to the id form.
int GetAllianceByTeam(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kTeam, &err) || !IsObject(L, 2, "const TsTeam", NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        return GetAllianceById(L);
    auto* self = ToObject<TsTeam>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("GetAlliance"));
    PushInt(L, self->GetAlliance(ToObject<const TsTeam>(L, 2)));
    return 1;
}

int SetOrigin(lua_State* L)
{
    OM_SQUAD("SetOrigin", Arg::Number, Arg::Number, Arg::Number)->SetOrigin(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4));
    return 0;
}

int GetTeam(lua_State* L)
{
    PushObject(L, SelfOnly<const TsSquadObject>(L, "const TsSquadObject", OM_TYPE_ERROR("GetTeam"),
                                                OM_SELF_ERROR("GetTeam"))
                      ->GetTeam(),
               kTeam);
    return 1;
}

int AliveMemberCount(lua_State* L)
{
    PushInt(L, OM_SQUAD("AliveMemberCount")->AliveMemberCount());
    return 1;
}

int SetTeam(lua_State* L)
{
    OM_SQUAD("SetTeam", Arg::Number)->SetTeam(ToInt(L, 2));
    return 0;
}

int SetIndex(lua_State* L)
{
    OM_SQUAD("SetIndex", Arg::Number)->SetIndex(ToInt(L, 2));
    return 0;
}

int SetBehaviour(lua_State* L)
{
    OM_SQUAD("SetBehaviour", Arg::Number)->SetBehaviour(ToInt(L, 2));
    return 0;
}

int SetPatrolPath(lua_State* L)
{
    OM_SQUAD("SetPatrolPath", Arg::String)->SetPatrolPath(ToString(L, 2));
    return 0;
}

int SetFormation(lua_State* L)
{
    OM_SQUAD("SetFormation", Arg::Number)->SetFormation(ToInt(L, 2));
    return 0;
}

int GetFormation(lua_State* L)
{
    PushInt(L, SelfOnly<const TsSquadObject>(L, "const TsSquadObject", OM_TYPE_ERROR("GetFormation"),
                                             OM_SELF_ERROR("GetFormation"))
                   ->GetFormation());
    return 1;
}

int SetRange(lua_State* L)
{
    OM_SQUAD("SetRange", Arg::Number)->SetRange(ToFloat(L, 2));
    return 0;
}

int ForceActive(lua_State* L)
{
    OM_SQUAD("ForceActive", Arg::Bool)->ForceActive(ToBool(L, 2));
    return 0;
}

} // namespace

void TsTeamClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsTeam, &kTeam>);
    tolua_function(L, "delete", PooledDelete<TsTeam, &kTeam>);
    tolua_function(L, "SetTeamID", SetTeamID);
    tolua_function(L, "SetAlliance", SetAlliance);
    tolua_function(L, "GetAlliance", GetAllianceById);
    tolua_function(L, "GetAlliance", GetAllianceByTeam);
}

void TsSquadObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsSquadObject, &kSquad>);
    tolua_function(L, "delete", PooledDelete<TsSquadObject, &kSquad>);
    tolua_function(L, "SetOrigin", SetOrigin);
    tolua_function(L, "GetTeam", GetTeam);
    tolua_function(L, "AliveMemberCount", AliveMemberCount);
    tolua_function(L, "SetTeam", SetTeam);
    tolua_function(L, "SetIndex", SetIndex);
    tolua_function(L, "SetBehaviour", SetBehaviour);
    tolua_function(L, "SetPatrolPath", SetPatrolPath);
    tolua_function(L, "SetFormation", SetFormation);
    tolua_function(L, "GetFormation", GetFormation);
    tolua_function(L, "SetOrigin", SetOrigin);
    tolua_function(L, "SetRange", SetRange);
    tolua_function(L, "ForceActive", ForceActive);
}

} // namespace script::bind
