// OmVector3 for scripts: the vector maths and the global component getters.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "engine/OmVector3.h"

namespace script::bind {

namespace {

constexpr const char* kConstVector = "const OmVector3";

int Length(lua_State* L)
{
    const auto* self = SelfOnly<const OmVector3>(L, kConstVector, OM_TYPE_ERROR("Length"),
                                                 OM_SELF_ERROR("Length"));
    PushNumber(L, self->Length());
    return 1;
}

int LengthSquared(lua_State* L)
{
    const auto* self = SelfOnly<const OmVector3>(L, kConstVector, OM_TYPE_ERROR("LengthSquared"),
                                                 OM_SELF_ERROR("LengthSquared"));
    PushNumber(L, self->LengthSquared());
    return 1;
}

int Dot(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kConstVector, &err) || !IsObject(L, 2, "OmVector3", NilArg::Reject, &err) ||
        !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("Dot"), &err);
    const auto* self = ToObject<const OmVector3>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("Dot"));
    PushNumber(L, self->Dot(ToLiveObject<const OmVector3>(L, 2, OM_INVALID_ERROR("vector", "Dot"))));
    return 1;
}

int Cross(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kConstVector, &err) || !IsObject(L, 2, kConstVector, NilArg::Reject, &err) ||
        !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("Cross"), &err);
    const auto* self = ToObject<const OmVector3>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("Cross"));
    OmVector3 result;
    CrossProduct(*self, ToLiveObject<const OmVector3>(L, 2, OM_INVALID_ERROR("vector", "Cross")), result);
    PushVectorCopy(L, result);
    return 1;
}

int Normalise(lua_State* L)
{
    auto* self = SelfOnly<OmVector3>(L, "OmVector3", OM_TYPE_ERROR("Normalise"),
                                     OM_SELF_ERROR("Normalise"));
    PushNumber(L, self->Normalise());
    return 1;
}

int Unit(lua_State* L)
{
    const auto* self =
        SelfOnly<const OmVector3>(L, "OmVector3", OM_TYPE_ERROR("Unit"), OM_SELF_ERROR("Unit"));
    OmVector3 result;
    self->Unit(result);
    PushVectorCopy(L, result);
    return 1;
}

// The globals take the vector at position 1.
const OmVector3& GlobalVectorArg(lua_State* L, const char* typeError, const char* nullError)
{
    tolua_Error err;
    if (!IsObject(L, 1, "OmVector3", NilArg::Reject, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    return ToLiveObject<const OmVector3>(L, 1, nullError);
}

int GetX(lua_State* L)
{
    PushNumber(L, GlobalVectorArg(L, OM_TYPE_ERROR("GetX"), OM_INVALID_ERROR("vector", "GetX")).x);
    return 1;
}

int GetY(lua_State* L)
{
    PushNumber(L, GlobalVectorArg(L, OM_TYPE_ERROR("GetY"), OM_INVALID_ERROR("vector", "GetY")).y);
    return 1;
}

int GetZ(lua_State* L)
{
    PushNumber(L, GlobalVectorArg(L, OM_TYPE_ERROR("GetZ"), OM_INVALID_ERROR("vector", "GetZ")).z);
    return 1;
}

} // namespace

void OmVector3Class(lua_State* L)
{
    tolua_function(L, "Length", Length);
    tolua_function(L, "LengthSquared", LengthSquared);
    tolua_function(L, "Dot", Dot);
    tolua_function(L, "Cross", Cross);
    tolua_function(L, "Normalise", Normalise);
    tolua_function(L, "Unit", Unit);
}

void VectorGlobals(lua_State* L)
{
    tolua_function(L, "GetX", GetX);
    tolua_function(L, "GetY", GetY);
    tolua_function(L, "GetZ", GetZ);
}

} // namespace script::bind
