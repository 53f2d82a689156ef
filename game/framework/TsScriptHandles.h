// Who holds an object a script can reach, told in one place. A script holds
// a game object in two ways, both kept in the Lua state's registry, so they
// go with the state, and read and written only here:
//
// Handles. An object reaches a script only through Push. The binding
// package says, class by class, whether a handle is counted or borrowed. A
// counted handle (the pooled, counted classes: entities, inventories,
// squads, teams, conversations, bounds …) holds a reference of its own,
// taken when tolua makes the handle's userdata and given back when Lua
// collects it, so no script can reach a counted object that has gone.
// tolua keeps one userdata per object while a script can reach it, so an
// object has one handle and one such reference at a time (a handle Lua has
// not yet collected may add a second, briefly). A borrowed handle holds
// nothing: its object (a game mode, the player, the entity database, a
// level's cut scene, HUD or radar, a file) is destroyed outright rather
// than released, and kills the game's handle of it as it goes (Forget), or
// has its handle killed by the script's delete.
//
// Marks. What a script made with new, or took back from the game (an
// article removed from an inventory), carries a mark: it is the script's.
// delete refuses anything unmarked, so a script cannot take a game-owned
// object from the game. The mark goes when the script hands the object to
// the game (the entity database, an inventory, the party), when it deletes
// it, or when the level closes. Until then the object stays however the
// script keeps it, even in a local only, for what looks it up by name
// later (a light effect its bound, a switch its door): a counted object's
// mark holds a reference of its own, besides its handle's; one that is not
// counted is destroyed by delete, or by the function it was marked with
// when the level closes.
//
// Views. A part that lives inside an object (the radar's objective vector,
// a record's text, colour, number or member array, a weapon's attribute
// block) reaches a script only as a view of that object, made through
// PushView or PushArrayView with the owner's handle on the stack, so no
// view outlives what it is part of. A counted owner is held by the view,
// which holds a reference of its own as a handle does. Any other owner
// takes its views with it: when its handle is killed, or it forgets itself
// as it goes (Forget), each of its views is killed too, and a script that
// kept one gets the null-self message (for an array, the array's own)
// instead of the freed memory.
//
// A handle can be killed: its reference, if it holds one, goes at once and
// it holds null from then on, so a call through it gets the wrapper's
// null-self message rather than reach freed memory. delete kills the
// script's handle; a counted object then lives on while some other holder
// keeps it (a camera following it, a squad, a light effect's bound), and
// goes back to its pool when the last lets go. When the level closes,
// every handle lets go, every mark of a counted object lets go, and every
// marked object that is not counted is destroyed.
//
// What handles and marks hold is counted over every state (References): a
// saved game leaves it out, as neither survives into the game it loads, and
// the entity database asks HeldOnlyByScripts as the level closes.
#pragma once

#include <cstdint>

struct lua_State;
typedef int (*lua_CFunction)(lua_State* L);
class OmObject;

namespace TsScriptHandles {

// Called once the package's classes exist: handles of the named class hold
// references (the class must be a counted one, with OmObject at the start of
// its objects). Every class's collector is wrapped so a handle gives its
// reference back whatever class it was last tagged with.
void MakeCounted(lua_State* L, const char* type);
void WrapCollector(lua_State* L, const char* type);

// The one way a game object reaches a script: nil for null or for a type
// the package does not know.
void Push(lua_State* L, void* object, const char* type);
// The one way a part of an object reaches a script: a view of part, of the
// type, inside the object whose handle is at ownerIndex. nil for null, or
// when that handle is dead.
void PushView(lua_State* L, int ownerIndex, void* part, const char* type);
// A member array of the object whose handle is at ownerIndex, as the table
// scripts index (one per array and owner): reading an element calls get,
// writing one calls set, each with the table at position 1 and the index at
// 2. A table cannot hold a reference, so a counted owner's array is refused
// with a script error.
void PushArrayView(lua_State* L, int ownerIndex, lua_CFunction get, lua_CFunction set);
// The object whose array the table at index shows: null once that object
// has gone, and for a table PushArrayView did not make.
void* ArrayViewOwner(lua_State* L, int index);

// Kills the handle at index (a userdata of the package), and the views of
// its object: its reference, if it holds one, goes; it is dropped from
// tolua's cache so the object's next push makes a new one.
void Kill(lua_State* L, int index);
// Kills the handle tolua's cache keeps for the object under the type's
// class tree, if any, and the object's views.
void KillObject(lua_State* L, void* object, const char* type);
// Kills the game's script state's handle of an object that is not counted,
// and its views, as the object goes (its destructor calls this).
void Forget(void* object, const char* type);
// Every handle of the state lets go (the game stops, the state closes).
void ReleaseAll(lua_State* L);

// How an object a script made, and that is not counted, is destroyed.
using DestroyFn = void (*)(void*);

// Marks a counted object as the script's: the mark takes a reference of its
// own (none more when it is marked already).
void MarkScriptCreated(lua_State* L, OmObject* object);
// Marks an object that is not counted: destroy is what DestroyScriptHeld
// uses.
void MarkScriptCreated(lua_State* L, void* object, DestroyFn destroy);
bool IsScriptCreated(lua_State* L, void* object);
// The mark goes, and with it a counted object's mark's reference: called by
// every operation that hands a script-made object to the game, while the
// game or the script's handle still holds it, and by delete. An object that
// is not counted is no longer the script's to destroy.
void HandToGame(lua_State* L, void* object);
// The level closes for good: every handle lets go of its reference, every
// mark of a counted object lets go of its own, and every object the script
// made and kept that is not counted is destroyed with the function it was
// marked with. The marks are forgotten.
void DestroyScriptHeld(lua_State* L);

// How many references handles and marks hold to the object, in every state.
uint32_t References(const OmObject& object);
// How many references to the object something other than a script holds.
uint32_t GameReferences(const OmObject& object);
// Whether handles and marks are all that keep the object, besides the
// references the caller says it holds itself.
bool HeldOnlyByScripts(const OmObject& object, uint32_t callerHolds = 0);

} // namespace TsScriptHandles
