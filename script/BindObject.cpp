// TsObject for scripts: the name every game object carries.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "engine/OmObject.h"

namespace script::bind {

namespace {

// Every class under TsObject has OmObject as its first base, so the object
// pointer a script holds is also the OmObject pointer.
OmObject* ObjectSelf(lua_State* L) { return ToObject<OmObject>(L, 1); }

// nil clears the name.
int SetName(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, "TsObject", &err) || !IsString(L, 2, NilArg::Allow, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("SetName"), &err);
    OmObject* self = ObjectSelf(L);
    if (!self)
        Raise(L, OM_SELF_ERROR("SetName"));
    self->SetName(ToString(L, 2));
    return 0;
}

int GetName(lua_State* L)
{
    SelfOnly<void>(L, "const TsObject", OM_TYPE_ERROR("GetName"), OM_SELF_ERROR("GetName"));
    PushString(L, ObjectSelf(L)->GetName());
    return 1;
}

} // namespace

void TsObjectClass(lua_State* L)
{
    tolua_function(L, "SetName", SetName);
    tolua_function(L, "GetName", GetName);
}

} // namespace script::bind
