#include "script/ScriptOwnership.h"

#include "engine/OmObject.h"
#include "game/framework/TsScriptHandles.h"
#include "script/ScriptWrap.h"

namespace script {

namespace {

// The tests every delete starts with: self of the type, no further
// argument, not null, and the script's own. Returns the object.
void* OwnedSelf(lua_State* L, const char* type, const char* typeError, const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, type, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    void* object = tolua_tousertype(L, 1, nullptr);
    if (!object)
        Raise(L, selfError);
    if (!TsScriptHandles::IsScriptCreated(L, object))
        Raise(L, "object not owned by the script in function 'delete'");
    return object;
}

} // namespace

int NewObject(lua_State* L, const char* type, const char* typeError, void* (*create)(),
              TsScriptHandles::DestroyFn destroy)
{
    tolua_Error err;
    if (!IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    void* object = create();
    if (!object) {
        lua_pushnil(L);
        return 1;
    }
    TsScriptHandles::MarkScriptCreated(L, object, destroy);
    PushObject(L, object, type);
    return 1;
}

int DeleteObject(lua_State* L, const char* type, const char* typeError, const char* selfError,
                 void (*destroy)(void*))
{
    void* object = OwnedSelf(L, type, typeError, selfError);
    TsScriptHandles::HandToGame(L, object); // the mark goes; it holds no reference
    TsScriptHandles::Kill(L, 1);
    destroy(object);
    return 0;
}

int NewCounted(lua_State* L, const char* type, const char* typeError, OmObject* (*create)())
{
    tolua_Error err;
    if (!IsEnd(L, 2, &err))
        RaiseTypeError(L, typeError, &err);
    OmObject* object = create();
    if (!object) {
        lua_pushnil(L);
        return 1;
    }
    // The mark and the handle take references of their own; the one the
    // object was made with goes.
    TsScriptHandles::MarkScriptCreated(L, object);
    PushObject(L, object, type);
    object->Release();
    return 1;
}

int DeleteCounted(lua_State* L, const char* type, const char* typeError, const char* selfError)
{
    void* object = OwnedSelf(L, type, typeError, selfError);
    TsScriptHandles::HandToGame(L, object); // the mark's reference goes; the handle still holds it
    TsScriptHandles::Kill(L, 1);            // last: the object may go, running its destructor
    return 0;
}

} // namespace script
