// Game objects as script globals: an object is published under its name,
// tagged with the nearest class of its ancestry that the binding package
// knows (a class without script functions of its own still reaches those of
// its bases), and forgotten again before it is destroyed so that no script
// value is left pointing at freed memory.
#pragma once

struct lua_State;
class OmObject;

class TsScriptGlobals {
public:
    // The script type of the object: its class's name, or the first of its
    // base classes' names the script state has a type for; null when none.
    static const char* ScriptTypeOf(lua_State* L, const OmObject* object);

    // Assigns the object to the global of its name. False, and nothing
    // published, for a null state or object, a nameless object, an object
    // without a script type, or a script error while assigning.
    static bool Publish(lua_State* L, OmObject* object);

    // Clears the global of the object's name when it holds this object.
    static void Unpublish(lua_State* L, OmObject* object);
    // Unpublish, and kill the object's script handle: its reference goes,
    // and a later call through it raises the invalid-self error instead of
    // reaching the object. Called as the game lets go of the object for
    // good (the level closes), so no script keeps it beyond its level.
    static void Forget(lua_State* L, OmObject* object);
};
