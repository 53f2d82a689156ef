// Dynamic geometry, switches and doors for scripts: entity scripts create
// them and hand them to the entity database; mission scripts drive them.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "game/objects/TsDoorObject.h"
#include "game/objects/TsDynGeometry.h"
#include "game/objects/TsSwitchObject.h"

namespace script::bind {

namespace {

constexpr const char* kSwitch = "TsSwitchObject";
constexpr const char* kDoor = "TsDoorObject";

#define OM_SWITCH(fn, ...) \
    SelfWith<TsSwitchObject>(L, kSwitch, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_DOOR(fn, ...) SelfWith<TsDoorObject>(L, kDoor, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_CONST_DOOR(fn) \
    SelfOnly<const TsDoorObject>(L, "const TsDoorObject", OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

// The static debug switches: one boolean from position 2, any first value.
bool StaticBool(lua_State* L, const char* typeError)
{
    tolua_Error err;
    if (!IsBool(L, 2, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, typeError, &err);
    return ToBool(L, 2);
}

int DebugDynGeometry(lua_State* L)
{
    TsDynGeometry::_DebugDynGeometry(StaticBool(L, OM_TYPE_ERROR("_DebugDynGeometry")));
    return 0;
}

int DebugSwitches(lua_State* L)
{
    TsSwitchObject::_DebugSwitches(StaticBool(L, OM_TYPE_ERROR("_DebugSwitches")));
    return 0;
}

// ---- switches -------------------------------------------------------------------

int SwitchTick(lua_State* L)
{
    OM_SWITCH("Tick", Arg::Number)->Tick(ToUInt(L, 2));
    return 0;
}

int SetActivateAnim(lua_State* L)
{
    OM_SWITCH("SetActivateAnim", Arg::Number)->SetActivateAnim(ToInt(L, 2));
    return 0;
}

int SetDeactivateAnim(lua_State* L)
{
    OM_SWITCH("SetDeactivateAnim", Arg::Number)->SetDeactivateAnim(ToInt(L, 2));
    return 0;
}

int ActivateSwitch(lua_State* L)
{
    OM_SWITCH("ActivateSwitch")->ActivateSwitch();
    return 0;
}

int DeactivateSwitch(lua_State* L)
{
    OM_SWITCH("DeactivateSwitch")->DeactivateSwitch();
    return 0;
}

int SetActivateScript(lua_State* L)
{
    OM_SWITCH("SetActivateScript", Arg::String)->SetActivateScript(ToString(L, 2));
    return 0;
}

int SetDeactivateScript(lua_State* L)
{
    OM_SWITCH("SetDeactivateScript", Arg::String)->SetDeactivateScript(ToString(L, 2));
    return 0;
}

int SetDisabled(lua_State* L)
{
    OM_SWITCH("SetDisabled", Arg::Bool)->SetDisabled(ToBool(L, 2));
    return 0;
}

int IsDisabled(lua_State* L)
{
    PushBool(L, SelfOnly<const TsSwitchObject>(L, "const TsSwitchObject", OM_TYPE_ERROR("IsDisabled"),
                                               OM_SELF_ERROR("IsDisabled"))
                    ->IsDisabled());
    return 1;
}

int GetHotspot(lua_State* L)
{
    PushVectorCopy(L, OM_SWITCH("GetHotspot")->GetHotspot());
    return 1;
}

// The five names of each list behave the same: each appends one line.
#define OM_ACTION_LINE(fn, add)                                       \
    int fn(lua_State* L)                                              \
    {                                                                 \
        OM_SWITCH(#fn, Arg::String)->add(ToString(L, 2));             \
        return 0;                                                     \
    }
OM_ACTION_LINE(SetAct1, AddActivateActionText)
OM_ACTION_LINE(SetAct2, AddActivateActionText)
OM_ACTION_LINE(SetAct3, AddActivateActionText)
OM_ACTION_LINE(SetAct4, AddActivateActionText)
OM_ACTION_LINE(SetAct5, AddActivateActionText)
OM_ACTION_LINE(SetDeact1, AddDeactivateActionText)
OM_ACTION_LINE(SetDeact2, AddDeactivateActionText)
OM_ACTION_LINE(SetDeact3, AddDeactivateActionText)
OM_ACTION_LINE(SetDeact4, AddDeactivateActionText)
OM_ACTION_LINE(SetDeact5, AddDeactivateActionText)
#undef OM_ACTION_LINE

// ---- doors -----------------------------------------------------------------------

int SetDoorType(lua_State* L)
{
    OM_DOOR("SetDoorType", Arg::Number)->SetDoorType(ToInt(L, 2));
    return 0;
}

int GetDoorType(lua_State* L)
{
    PushInt(L, OM_CONST_DOOR("GetDoorType")->GetDoorType());
    return 1;
}

int SetLock(lua_State* L)
{
    OM_DOOR("SetLock", Arg::Bool)->SetLock(ToBool(L, 2));
    return 0;
}

int SetBuddy(lua_State* L)
{
    OM_DOOR("SetBuddy", Arg::String)->SetBuddy(ToString(L, 2));
    return 0;
}

int IsLocked(lua_State* L)
{
    PushBool(L, OM_DOOR("IsLocked")->IsLocked());
    return 1;
}

// Up to `optional` booleans after self, each defaulting to false.
TsDoorObject* DoorWithBools(lua_State* L, int optional, const char* typeError, const char* selfError)
{
    tolua_Error err;
    bool ok = IsSelf(L, kDoor, &err);
    for (int i = 0; ok && i < optional; ++i)
        ok = IsBool(L, 2 + i, &err, true);
    if (!ok || !IsEnd(L, 2 + optional, &err))
        RaiseTypeError(L, typeError, &err);
    auto* self = ToObject<TsDoorObject>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

int OpenDoor(lua_State* L)
{
    DoorWithBools(L, 1, OM_TYPE_ERROR("OpenDoor"), OM_SELF_ERROR("OpenDoor"))->OpenDoor(ToBool(L, 2, false));
    return 0;
}

int CloseDoor(lua_State* L)
{
    DoorWithBools(L, 2, OM_TYPE_ERROR("CloseDoor"), OM_SELF_ERROR("CloseDoor"))
        ->CloseDoor(ToBool(L, 2, false), ToBool(L, 3, false));
    return 0;
}

int IsOpen(lua_State* L)
{
    PushBool(L, OM_CONST_DOOR("IsOpen")->IsOpen());
    return 1;
}

int SetDoorSpeed(lua_State* L)
{
    OM_DOOR("SetDoorSpeed", Arg::Number)->SetDoorSpeed(ToFloat(L, 2));
    return 0;
}

int GetDoorSpeed(lua_State* L)
{
    PushNumber(L, OM_CONST_DOOR("GetDoorSpeed")->GetDoorSpeed());
    return 1;
}

int GetTransitionState(lua_State* L)
{
    PushInt(L, OM_DOOR("GetTransitionState")->GetTransitionState());
    return 1;
}

} // namespace

void TsDynGeometryClass(lua_State* L)
{
    tolua_function(L, "_DebugDynGeometry", DebugDynGeometry);
}

void TsSwitchObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsSwitchObject, &kSwitch>);
    tolua_function(L, "delete", PooledDelete<TsSwitchObject, &kSwitch>);
    tolua_function(L, "Tick", SwitchTick);
    tolua_function(L, "SetActivateAnim", SetActivateAnim);
    tolua_function(L, "SetDeactivateAnim", SetDeactivateAnim);
    tolua_function(L, "ActivateSwitch", ActivateSwitch);
    tolua_function(L, "DeactivateSwitch", DeactivateSwitch);
    tolua_function(L, "SetActivateScript", SetActivateScript);
    tolua_function(L, "SetDeactivateScript", SetDeactivateScript);
    tolua_function(L, "SetDisabled", SetDisabled);
    tolua_function(L, "IsDisabled", IsDisabled);
    tolua_function(L, "GetHotspot", GetHotspot);
    tolua_function(L, "SetAct1", SetAct1);
    tolua_function(L, "SetAct2", SetAct2);
    tolua_function(L, "SetAct3", SetAct3);
    tolua_function(L, "SetAct4", SetAct4);
    tolua_function(L, "SetAct5", SetAct5);
    tolua_function(L, "SetDeact1", SetDeact1);
    tolua_function(L, "SetDeact2", SetDeact2);
    tolua_function(L, "SetDeact3", SetDeact3);
    tolua_function(L, "SetDeact4", SetDeact4);
    tolua_function(L, "SetDeact5", SetDeact5);
    tolua_function(L, "_DebugSwitches", DebugSwitches);
}

void TsDoorObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsDoorObject, &kDoor>);
    tolua_function(L, "delete", PooledDelete<TsDoorObject, &kDoor>);
    tolua_function(L, "SetDoorType", SetDoorType);
    tolua_function(L, "GetDoorType", GetDoorType);
    tolua_function(L, "SetLock", SetLock);
    tolua_function(L, "SetBuddy", SetBuddy);
    tolua_function(L, "IsLocked", IsLocked);
    tolua_function(L, "OpenDoor", OpenDoor);
    tolua_function(L, "CloseDoor", CloseDoor);
    tolua_function(L, "IsOpen", IsOpen);
    tolua_function(L, "SetDoorSpeed", SetDoorSpeed);
    tolua_function(L, "GetDoorSpeed", GetDoorSpeed);
    tolua_function(L, "GetTransitionState", GetTransitionState);
}

} // namespace script::bind
