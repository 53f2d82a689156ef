// TsEntity and TsEntityDB for scripts: placing and configuring positioned
// objects, and handing objects over to the level's entity database.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "engine/OmVector3.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"

namespace script::bind {

namespace {

constexpr const char* kEntity = "TsEntity";
constexpr const char* kEntityDB = "TsEntityDB";

#define OM_ENTITY(fn, ...) \
    SelfWith<TsEntity>(L, kEntity, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

int SetOrigin(lua_State* L)
{
    OM_ENTITY("SetOrigin", Arg::Number, Arg::Number, Arg::Number)
        ->SetOrigin(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4));
    return 0;
}

int SetRadius(lua_State* L)
{
    OM_ENTITY("SetRadius", Arg::Number)->SetRadius(ToFloat(L, 2));
    return 0;
}

int GetRadius(lua_State* L)
{
    const auto* self = SelfOnly<const TsEntity>(L, "const TsEntity", OM_TYPE_ERROR("GetRadius"),
                                                OM_SELF_ERROR("GetRadius"));
    PushNumber(L, self->GetRadius());
    return 1;
}

int SetHeight(lua_State* L)
{
    OM_ENTITY("SetHeight", Arg::Number)->SetHeight(ToFloat(L, 2));
    return 0;
}

// Accepted for the entity scripts that call them; entities have no
// visibility or collision switch of their own.
int SetVisible(lua_State* L)
{
    OM_ENTITY("SetVisible", Arg::Bool);
    return 0;
}

int SetCollidable(lua_State* L)
{
    OM_ENTITY("SetCollidable", Arg::Bool);
    return 0;
}

int SetPosition(lua_State* L)
{
    OM_ENTITY("SetPosition", Arg::Number, Arg::Number, Arg::Number)
        ->SetPosition(ToFloat(L, 2), ToFloat(L, 3), ToFloat(L, 4));
    return 0;
}

int GetPosition(lua_State* L)
{
    PushVectorCopy(L, OM_ENTITY("GetPosition")->GetPosition());
    return 1;
}

int SetPositionOnGround(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kEntity, &err) || !IsObject(L, 2, "const OmVector3", NilArg::Reject, &err) ||
        !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("SetPositionOnGround"), &err);
    TsEntity* self = ToObject<TsEntity>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("SetPositionOnGround"));
    self->SetPositionOnGround(ToLiveObject<const OmVector3>(L, 2, OM_INVALID_ERROR("point", "SetPositionOnGround")));
    return 0;
}

int Import(lua_State* L)
{
    PushBool(L, OM_ENTITY("Import")->Import());
    return 1;
}

int SetDormant(lua_State* L)
{
    OM_ENTITY("SetDormant", Arg::Bool)->SetDormant(ToBool(L, 2));
    return 0;
}

int IsDormant(lua_State* L)
{
    PushBool(L, OM_ENTITY("IsDormant")->IsDormant());
    return 1;
}

int LuaClearEntityFlag(lua_State* L)
{
    OM_ENTITY("LuaClearEntityFlag", Arg::Number)->ClearFlag(uint32_t(ToInt(L, 2)));
    return 0;
}

#undef OM_ENTITY

// AddObject and AddEntity: the database takes a reference of its own, and
// the script can no longer delete the object. An object some
// other owner holds (a character's inventory, the party) is refused: it
// would be released twice. So is one the database lists already: it would
// tick twice and stay pickable after it was picked up. An entity handed to
// an inventory in this tick and taken out again by the script is still
// listed until the next pass: given back, it simply stays. A refusal is
// logged and the script goes on, as after any add the game declines.
struct AddMessages {
    const char* type;
    const char* self;
    const char* null;
    const char* listed;
    const char* handedOver;
    const char* owned;
};

#define OM_ADD_MESSAGES(fn)                                                                       \
    AddMessages{OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn), OM_INVALID_ERROR("object", fn),             \
                "object listed already in function '" fn "'",                                   \
                "object taken by another owner in function '" fn "'",                           \
                "object owned by the game in function '" fn "'"}

// Why the object may not be added, or null when it may.
const char* AddRefusal(lua_State* L, const TsEntityDB& db, TsObject* object, const AddMessages& m)
{
    const bool scripts = TsScriptHandles::IsScriptCreated(L, object);
    if (db.IsListed(object)) {
        const TsEntity* entity = TsEntity::Cast(object);
        if (!entity || !entity->IsHandedOver())
            return m.listed;
        return scripts ? nullptr : m.handedOver;
    }
    return scripts || db.HoldsReference(object) ? nullptr : m.owned;
}

template <class T>
int AddTo(lua_State* L, const char* argType, bool (TsEntityDB::*add)(OmRef<T>), const AddMessages& m)
{
    tolua_Error err;
    if (!IsSelf(L, kEntityDB, &err) || !IsObject(L, 2, argType, NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, m.type, &err);
    auto* self = ToObject<TsEntityDB>(L, 1);
    if (!self)
        Raise(L, m.self);
    T* object = ToObject<T>(L, 2);
    if (!object)
        Raise(L, m.null);
    if (const char* refusal = AddRefusal(L, *self, object, m)) {
        LogError(refusal);
        return 0;
    }
    TsScriptHandles::HandToGame(L, object);
    // The database takes its own reference (one in its garbage is listed
    // again with the reference the garbage keeps; one handed over and given
    // back keeps the reference its lists kept all along).
    (self->*add)(OmRef<T>(object));
    return 0;
}

int AddObject(lua_State* L)
{
    return AddTo<TsObject>(L, "TsObject", &TsEntityDB::AddObject, OM_ADD_MESSAGES("AddObject"));
}

int AddEntity(lua_State* L)
{
    return AddTo<TsEntity>(L, kEntity, &TsEntityDB::AddEntity, OM_ADD_MESSAGES("AddEntity"));
}

#undef OM_ADD_MESSAGES

int LivingTeamMembers(lua_State* L)
{
    auto* self = SelfWith<TsEntityDB>(L, kEntityDB, {Arg::Number}, OM_TYPE_ERROR("LivingTeamMembers"),
                                      OM_SELF_ERROR("LivingTeamMembers"));
    PushInt(L, self->LivingTeamMembers(ToInt(L, 2)));
    return 1;
}

} // namespace

void TsEntityClass(lua_State* L)
{
    tolua_function(L, "SetOrigin", SetOrigin);
    tolua_function(L, "SetRadius", SetRadius);
    tolua_function(L, "GetRadius", GetRadius);
    tolua_function(L, "SetHeight", SetHeight);
    tolua_function(L, "SetVisible", SetVisible);
    tolua_function(L, "SetCollidable", SetCollidable);
    tolua_function(L, "SetPosition", SetPosition);
    tolua_function(L, "GetPosition", GetPosition);
    tolua_function(L, "SetPositionOnGround", SetPositionOnGround);
    tolua_function(L, "Import", Import);
    tolua_function(L, "SetDormant", SetDormant);
    tolua_function(L, "IsDormant", IsDormant);
    tolua_function(L, "LuaClearEntityFlag", LuaClearEntityFlag);
}

void TsEntityDBClass(lua_State* L)
{
    tolua_function(L, "AddObject", AddObject);
    tolua_function(L, "AddEntity", AddEntity);
    tolua_function(L, "LivingTeamMembers", LivingTeamMembers);
}

} // namespace script::bind
