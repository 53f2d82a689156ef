#pragma once

// Which objects a script may delete. A script's new marks the object it
// makes; the mark goes when the game takes the script's reference over (the
// entity database, an inventory, the current level) or when the script
// deletes it. delete refuses anything unmarked, so a script cannot free a
// game-owned object or free one twice. A holder that takes a reference of
// its own (a cut scene's camera, the player, a conversation) leaves the
// mark: delete refuses the object while it is held, and the script's
// reference goes when the level closes.
//
// The marks live in the Lua state's registry, so they go with the state.

#include "script/ScriptWrap.h"

namespace script {

// How an object a script still holds is destroyed when the game stops.
// Objects marked without one are left to whoever made them.
using DestroyFn = void (*)(void*);

void MarkScriptCreated(lua_State* L, void* object, DestroyFn destroy = nullptr);
bool IsScriptCreated(lua_State* L, void* object);
// Called by every operation that hands a script-made object to the game.
void HandToGame(lua_State* L, void* object);

// After a call that makes one of the game's holders let go (a camera's
// target, the player's squad or party, a conversation's speakers): every
// userdata whose object went raises "object was deleted" from then on, as
// after a delete.
void ForgetFreedObjects(lua_State* L);

// Lets go of every object a script made and still holds, with the destroy
// function it was marked with (the level closes: nothing else would free
// what it owns), and
// forgets the marks. The state must close afterwards: a script's userdata
// of such an object is not cleared.
void DestroyScriptHeld(lua_State* L);

// The body of every new wrapper: tests that no argument follows position 1,
// makes the object with create (nil when that yields null), marks and
// pushes it; destroy is what DestroyScriptHeld uses.
int NewObject(lua_State* L, const char* type, const char* typeError, void* (*create)(), DestroyFn destroy);

// The body of every delete wrapper: tests self, refuses objects the script
// does not own, destroys the object, and leaves every userdata of it null so
// a later call through it gets the null-self message instead of touching
// freed memory. A userdata of anything that went with it (a character's
// inventory and articles, a weapon's attribute blocks) raises "object was
// deleted" from then on.
// held, when given, tells whether the game still holds a reference to the
// object (a timer, a list): such an object is not the script's to free.
int DeleteObject(lua_State* L, const char* type, const char* typeError, const char* selfError,
                 void (*destroy)(void*), bool (*held)(void*) = nullptr);

// new and delete of a pooled game class: the object comes from its class's
// pool and goes back to it through its virtual destructor.
template <class T>
void DestroyAs(void* object)
{
    delete static_cast<T*>(object);
}

// What DestroyScriptHeld does with a pooled object: the script's reference
// goes, and a holder that took one of its own (a cut scene's camera, the
// player, a conversation) keeps the object until it lets go.
template <class T>
void ReleaseAs(void* object)
{
    static_cast<T*>(object)->Release();
}

template <class T>
int NewPooled(lua_State* L, const char* type, const char* typeError)
{
    return NewObject(L, type, typeError, []() -> void* { return new T; }, ReleaseAs<T>);
}

template <class T>
int DeletePooled(lua_State* L, const char* type, const char* typeError, const char* selfError)
{
    // The script's own reference is the one the object was made with.
    return DeleteObject(L, type, typeError, selfError, DestroyAs<T>,
                        [](void* object) { return static_cast<T*>(object)->GetRefCount() > 1; });
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
    return DeletePooled<T>(L, *type, OM_TYPE_ERROR("delete"), OM_SELF_ERROR("delete"));
}

} // namespace script
