// Which objects a script may delete. A script's new marks the object it
// makes; the mark goes when the game takes the object over (the entity
// database, an inventory, the party) or when the script deletes it. delete
// refuses anything unmarked, so a script cannot take a game-owned object
// from the game.
//
// What a script made is the script's until it deletes it, hands it to the
// game or the level closes, however it keeps it: an object the script holds
// only in a local is still there for what looks it up by name later (a
// light effect its bound, a switch its door). So the mark of a counted
// object holds a reference of its own, and so does each of its handles (see
// TsScriptHandles): Lua collecting a handle lets go of the handle's
// reference only. delete gives back both; an object some holder still keeps
// (a camera following it, a squad, a light effect's bound) lives on until
// the holder lets go. Objects that are not counted (a file, a level) are
// destroyed by delete, or when the level closes if the script kept them.
//
// The marks live in the Lua state's registry, so they go with the state.
#pragma once

#include "script/ScriptWrap.h"

class OmObject;

namespace script {

// How an object a script made, and that is not counted, is destroyed.
using DestroyFn = void (*)(void*);

// Marks a counted object as the script's: the mark takes a reference of its
// own (none more when it is marked already).
void MarkScriptCreated(lua_State* L, OmObject* object);
// Marks an object that is not counted: destroy is what delete and
// DestroyScriptHeld use.
void MarkScriptCreated(lua_State* L, void* object, DestroyFn destroy);
bool IsScriptCreated(lua_State* L, void* object);
// Called by every operation that hands a script-made object to the game,
// after the game has taken what it keeps of it: the mark goes, and with it
// a counted object's mark's reference. An object that is not counted is
// the game's to destroy from then on.
void HandToGame(lua_State* L, void* object);

// The level closes for good: every handle lets go of its reference, every
// mark of a counted object lets go of its own, and every object the script
// made and kept that is not counted is destroyed with the function it was
// marked with. The marks are forgotten.
void DestroyScriptHeld(lua_State* L);

// The body of the new wrapper of an object that is not counted: tests that
// no argument follows position 1, makes the object with create (nil when
// that yields null), marks and pushes it; destroy is what delete and
// DestroyScriptHeld use.
int NewObject(lua_State* L, const char* type, const char* typeError, void* (*create)(), DestroyFn destroy);

// The body of its delete wrapper: tests self, refuses objects the script
// does not own, destroys the object, and leaves the handle null so a later
// call through it gets the null-self message instead of touching freed
// memory.
int DeleteObject(lua_State* L, const char* type, const char* typeError, const char* selfError,
                 void (*destroy)(void*));

// new and delete of a counted class: the object comes from its class's pool;
// its mark keeps the reference it was made with, and its handle takes one of
// its own. delete refuses what the script does not own, drops the mark and
// kills the handle: the object goes back to its pool when no holder is left.
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
