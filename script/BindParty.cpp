// Non-player and player characters for scripts: entity scripts make the
// level's creatures and name their equipment; mission scripts make the
// party's characters.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"

namespace script::bind {

namespace {

constexpr const char* kNPC = "TsNPCObject";
constexpr const char* kPC = "TsPCObject";

#define OM_NPC(fn, ...) SelfWith<TsNPCObject>(L, kNPC, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_PC(fn, ...) SelfWith<TsPCObject>(L, kPC, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int SetWeaponName(lua_State* L)
{
    OM_NPC("SetWeaponName", Arg::String)->SetWeaponName(ToString(L, 2));
    return 0;
}

int SetItemName(lua_State* L)
{
    OM_NPC("SetItemName", Arg::String)->SetItemName(ToString(L, 2));
    return 0;
}

int SetNPCType(lua_State* L)
{
    OM_NPC("SetNPCType", Arg::Number)->SetNPCType(ToInt(L, 2));
    return 0;
}

int SetStartPosition(lua_State* L)
{
    PushBool(L, OM_PC("SetStartPosition")->SetStartPosition());
    return 1;
}

int SetStay(lua_State* L)
{
    OM_PC("SetStay", Arg::Bool)->SetStay(ToBool(L, 2));
    return 0;
}

int GetStay(lua_State* L)
{
    PushBool(L, OM_PC("GetStay")->GetStay());
    return 1;
}

int SetPCType(lua_State* L)
{
    OM_PC("SetPCType", Arg::Number)->SetPCType(ToInt(L, 2));
    return 0;
}

} // namespace

void TsNPCObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsNPCObject, &kNPC>);
    tolua_function(L, "delete", PooledDelete<TsNPCObject, &kNPC>);
    tolua_function(L, "SetWeaponName", SetWeaponName);
    tolua_function(L, "SetItemName", SetItemName);
    tolua_function(L, "SetNPCType", SetNPCType);
}

void TsPCObjectClass(lua_State* L)
{
    tolua_function(L, "SetStartPosition", SetStartPosition);
    tolua_function(L, "SetStay", SetStay);
    tolua_function(L, "GetStay", GetStay);
    tolua_function(L, "SetStay", SetStay);
    tolua_function(L, "GetStay", GetStay);
    tolua_function(L, "SetPCType", SetPCType);
    tolua_function(L, "new", PooledNew<TsPCObject, &kPC>);
    tolua_function(L, "delete", PooledDelete<TsPCObject, &kPC>);
}

} // namespace script::bind
