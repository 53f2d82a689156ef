// A script's handle to a counted game object (one of the pooled, counted
// classes: entities, inventories, squads, teams, conversations, bounds …)
// holds a reference of its own. It is taken when tolua makes the handle's
// userdata and given back when Lua collects it, so no script can reach an
// object that has gone: the object goes when its last holder, handle or
// game, lets go. tolua keeps one userdata per object while a script can
// reach it, so an object has one handle and one such reference at a time (a
// handle Lua has not yet collected may add a second, briefly).
//
// A handle can also be killed: its reference goes at once and it holds null
// from then on, so a call through it gets the wrapper's null-self message.
// delete does that to the script's handle, and the level does it to the
// handles of what it lets go of when it closes.
//
// Classes that are destroyed outright rather than released (the game modes,
// the player, a level's cut scene, HUD and radar) are not counted: their
// handles borrow, and each such object kills its handle as it goes.
#pragma once

#include <cstdint>

struct lua_State;
class OmObject;

namespace TsScriptHandles {

// The registry table of the objects a script made and may still delete
// (script/ScriptOwnership).
inline constexpr const char* kScriptCreatedKey = "om_script_created";

// Called once the package's classes exist: handles of the named class hold
// references (the class must be a counted one, with OmObject at the start of
// its objects). Every class's collector is wrapped so a handle gives its
// reference back whatever class it was last tagged with.
void MakeCounted(lua_State* L, const char* type);
void WrapCollector(lua_State* L, const char* type);

// The one way a game object reaches a script: nil for null or for a type
// the package does not know.
void Push(lua_State* L, void* object, const char* type);
// A part of a counted object that lives inside it (a weapon's attribute
// block): its handle keeps the whole object alive.
void PushPart(lua_State* L, void* part, const char* type, OmObject* whole);

// Kills the handle at index (a userdata of the package): its reference, if
// it holds one, goes; it is dropped from tolua's cache so the object's next
// push makes a new one.
void Kill(lua_State* L, int index);
// Kills the handle tolua's cache keeps for the object under the type's
// class tree, if any.
void KillObject(lua_State* L, void* object, const char* type);
// Kills the game's script state's handle of an object that is not counted,
// as the object goes (its destructor calls this): a handle of such a class
// borrows, and the script that kept it then gets the null-self message
// rather than reach freed memory.
void Forget(void* object, const char* type);
// Every handle of the state lets go (the game stops, the state closes).
void ReleaseAll(lua_State* L);

// The reference a script's mark holds on a counted object it made
// (script/ScriptOwnership): taken and given back here so that References
// counts it with the handles'.
void HoldForScript(OmObject& object);
void LetGoForScript(OmObject& object);

// How many references handles and the scripts' marks hold to the object, in
// every state: a saved game does not count them, as neither survives into
// the game it loads, and a level closing leaves them to the scripts.
uint32_t References(const OmObject& object);

} // namespace TsScriptHandles
