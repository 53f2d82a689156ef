// TsCutScene for scripts: camera moves, turns and zooms over time, the
// screen fade, the followed entity and the scene's locks.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsCutScene.h"
#include "game/framework/TsEntity.h"

namespace script::bind {

namespace {

constexpr const char* kCutScene = "TsCutScene";

// Numbers from position 2, then optional numbers, then the end.
TsCutScene* SceneWith(lua_State* L, int numbers, int optionalNumbers, const char* typeError, const char* selfError)
{
    tolua_Error err;
    bool ok = IsSelf(L, kCutScene, &err);
    int lo = 2;
    for (int i = 0; ok && i < numbers + optionalNumbers; ++i, ++lo)
        ok = IsNumber(L, lo, &err, i >= numbers);
    if (!ok || !IsEnd(L, lo, &err))
        RaiseTypeError(L, typeError, &err);
    auto* self = ToObject<TsCutScene>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

// One boolean at position 2 (optional when asked).
TsCutScene* SceneWithBool(lua_State* L, bool optional, const char* typeError, const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, kCutScene, &err) || !IsBool(L, 2, &err, optional) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, typeError, &err);
    auto* self = ToObject<TsCutScene>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

const TsCutScene* ConstScene(lua_State* L, const char* typeError, const char* selfError)
{
    return SelfOnly<const TsCutScene>(L, "const TsCutScene", typeError, selfError);
}

#define OM_QUERY(fn, call)                                                   \
    int fn(lua_State* L)                                                     \
    {                                                                        \
        PushBool(L, ConstScene(L, OM_TYPE_ERROR(#fn), OM_SELF_ERROR(#fn))->call()); \
        return 1;                                                            \
    }

OM_QUERY(IsCutSceneActive, IsCutSceneActive)
OM_QUERY(IsCameraMoving, IsCameraMoving)
OM_QUERY(IsCameraRotating, IsCameraRotating)
OM_QUERY(IsCameraZooming, IsCameraZooming)
OM_QUERY(IsFadeComplete, IsFadeComplete)
OM_QUERY(IsPlayerLockedOut, IsPlayerLockedOut)
OM_QUERY(IsActiveLocked, IsActiveLocked)

#undef OM_QUERY

int SetCutSceneActive(lua_State* L)
{
    SceneWithBool(L, true, OM_TYPE_ERROR("SetCutSceneActive"), OM_SELF_ERROR("SetCutSceneActive"))
        ->SetCutSceneActive(ToBool(L, 2, true));
    return 0;
}

int MoveCamera(lua_State* L)
{
    SceneWith(L, 4, 1, OM_TYPE_ERROR("MoveCamera"), OM_SELF_ERROR("MoveCamera"))
        ->MoveCamera(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4), ToFloat(L, 5), ToInt(L, 6, 1));
    return 0;
}

int RotateCamera(lua_State* L)
{
    SceneWith(L, 2, 1, OM_TYPE_ERROR("RotateCamera"), OM_SELF_ERROR("RotateCamera"))
        ->RotateCamera(ToFloat(L, 2), ToFloat(L, 3), ToInt(L, 4, 1));
    return 0;
}

int ZoomCamera(lua_State* L)
{
    SceneWith(L, 2, 1, OM_TYPE_ERROR("ZoomCamera"), OM_SELF_ERROR("ZoomCamera"))
        ->ZoomCamera(ToFloat(L, 2), ToFloat(L, 3), ToInt(L, 4, 1));
    return 0;
}

int FadeCamera(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kCutScene, &err) || !IsNumber(L, 2, &err) || !IsNumber(L, 3, &err) || !IsBool(L, 4, &err) ||
        !IsEnd(L, 5, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("FadeCamera"), &err);
    auto* self = ToObject<TsCutScene>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("FadeCamera"));
    self->FadeCamera(ToInt(L, 2), ToFloat(L, 3), ToBool(L, 4));
    return 0;
}

int StopRenderingFader(lua_State* L)
{
    SceneWith(L, 0, 0, OM_TYPE_ERROR("StopRenderingFader"), OM_SELF_ERROR("StopRenderingFader"))
        ->StopRenderingFader();
    return 0;
}

// nil stops following.
int SetFollowTarget(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kCutScene, &err) || !IsObject(L, 2, "TsEntity", NilArg::Allow, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("SetFollowTarget"), &err);
    auto* self = ToObject<TsCutScene>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("SetFollowTarget"));
    // The camera takes a reference of its own: the target outlives the
    // script's delete while it is followed.
    self->SetFollowTarget(ToObject<TsEntity>(L, 2));
    return 0;
}

int SetPlayerLockedOut(lua_State* L)
{
    SceneWithBool(L, false, OM_TYPE_ERROR("SetPlayerLockedOut"), OM_SELF_ERROR("SetPlayerLockedOut"))
        ->SetPlayerLockedOut(ToBool(L, 2));
    return 0;
}

int LockActive(lua_State* L)
{
    SceneWithBool(L, false, OM_TYPE_ERROR("LockActive"), OM_SELF_ERROR("LockActive"))->LockActive(ToBool(L, 2));
    return 0;
}

} // namespace

void TsCutSceneClass(lua_State* L)
{
    tolua_function(L, "SetCutSceneActive", SetCutSceneActive);
    tolua_function(L, "IsCutSceneActive", IsCutSceneActive);
    tolua_function(L, "MoveCamera", MoveCamera);
    tolua_function(L, "RotateCamera", RotateCamera);
    tolua_function(L, "ZoomCamera", ZoomCamera);
    tolua_function(L, "FadeCamera", FadeCamera);
    tolua_function(L, "IsCameraMoving", IsCameraMoving);
    tolua_function(L, "IsCameraRotating", IsCameraRotating);
    tolua_function(L, "IsCameraZooming", IsCameraZooming);
    tolua_function(L, "IsFadeComplete", IsFadeComplete);
    tolua_function(L, "StopRenderingFader", StopRenderingFader);
    tolua_function(L, "SetFollowTarget", SetFollowTarget);
    tolua_function(L, "SetPlayerLockedOut", SetPlayerLockedOut);
    tolua_function(L, "IsPlayerLockedOut", IsPlayerLockedOut);
    tolua_function(L, "LockActive", LockActive);
    tolua_function(L, "IsActiveLocked", IsActiveLocked);
}

} // namespace script::bind
