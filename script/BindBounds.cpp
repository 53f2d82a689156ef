// TsBoundObject for scripts: entity scripts build convex bounds plane by
// plane and ask whether points lie inside.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "engine/OmVector3.h"
#include "game/objects/TsBoundObject.h"

namespace script::bind {

namespace {

constexpr const char* kBound = "TsBoundObject";
constexpr int kPlaneNumbers = 10; // the volume and three points

OmVector3 PointAt(lua_State* L, int lo)
{
    return OmVector3(ToFloat(L, lo), ToFloat(L, lo + 1), ToFloat(L, lo + 2));
}

// The plane count the operation answers is not handed to the script.
int AddPlane(lua_State* L)
{
    tolua_Error err;
    bool ok = IsSelf(L, kBound, &err);
    for (int lo = 2; ok && lo < 2 + kPlaneNumbers; ++lo)
        ok = IsNumber(L, lo, &err);
    if (!ok || !IsEnd(L, 2 + kPlaneNumbers, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("AddPlane"), &err);
    TsBoundObject* self = ToObject<TsBoundObject>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("AddPlane"));
    self->AddPlane(ToInt(L, 2), PointAt(L, 3), PointAt(L, 6), PointAt(L, 9));
    return 0;
}

int IsInsideBound(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kBound, &err) || !IsObject(L, 2, "const OmVector3", NilArg::Reject, &err) ||
        !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("IsInsideBound"), &err);
    const TsBoundObject* self = ToObject<const TsBoundObject>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("IsInsideBound"));
    PushBool(L, self->IsInsideBound(ToLiveObject<const OmVector3>(L, 2, OM_INVALID_ERROR("point", "IsInsideBound"))));
    return 1;
}

} // namespace

void TsBoundObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsBoundObject, &kBound>);
    tolua_function(L, "delete", PooledDelete<TsBoundObject, &kBound>);
    tolua_function(L, "AddPlane", AddPlane);
    tolua_function(L, "IsInsideBound", IsInsideBound);
}

} // namespace script::bind
