// The bodies of the new and delete wrappers of the script classes: the
// argument tests and the messages. Who holds what a script makes, and what
// delete gives back, is told in game/framework/TsScriptHandles.h, which
// keeps the handles and the marks.
#pragma once

#include "game/framework/TsScriptHandles.h"
#include "script/ScriptWrap.h"

class OmObject;

namespace script {

// The body of the new wrapper of an object that is not counted: tests that
// no argument follows position 1, makes the object with create (nil when
// that yields null), marks and pushes it; destroy is what the level closing
// uses.
int NewObject(lua_State* L, const char* type, const char* typeError, void* (*create)(),
              TsScriptHandles::DestroyFn destroy);

// The body of its delete wrapper: tests self, refuses objects the script
// does not own, destroys the object, and leaves the handle null so a later
// call through it gets the null-self message instead of touching freed
// memory.
int DeleteObject(lua_State* L, const char* type, const char* typeError, const char* selfError,
                 void (*destroy)(void*));

// new and delete of a counted class: the object comes from its class's pool
// and is marked. delete refuses what the script does not own, drops the
// mark and kills the handle.
int NewCounted(lua_State* L, const char* type, const char* typeError, OmObject* (*create)());
int DeleteCounted(lua_State* L, const char* type, const char* typeError, const char* selfError);

template <class T>
int NewPooled(lua_State* L, const char* type, const char* typeError)
{
    return NewCounted(L, type, typeError, []() -> OmObject* { return new T; });
}

// The new and delete wrappers themselves, for a class whose script type
// name is *type.
template <class T, const char* const* type>
int PooledNew(lua_State* L)
{
    return NewPooled<T>(L, *type, OM_TYPE_ERROR("new"));
}

template <class T, const char* const* type>
int PooledDelete(lua_State* L)
{
    return DeleteCounted(L, *type, OM_TYPE_ERROR("delete"), OM_SELF_ERROR("delete"));
}

} // namespace script
