// Opens and closes the game's Lua state and runs script text, files and
// global functions for the game. Every entry into Lua is protected: a script
// error is reported through the global _ERRORMESSAGE (which logs it) and
// answered as a code, it never ends the program.
#pragma once

#include <string>

struct lua_State;
class OmObject;

// Results of running script code, by what went wrong.
enum TsScriptCode : int {
    TS_SCRIPT_OK = 0,
    TS_SCRIPT_RUN_ERROR = 1,
    TS_SCRIPT_FILE_ERROR = 2,
    TS_SCRIPT_SYNTAX_ERROR = 3,
    TS_SCRIPT_MEMORY_ERROR = 4,
    TS_SCRIPT_HANDLER_ERROR = 5,
};

// The game's binding package: every class and function scripts see. It
// names the whole game, so it lives above the host, and the game hands it
// over at start-up (SetPackage); until then a state gets the libraries and
// the shell functions alone.
struct TsScriptPackage {
    int (*open)(lua_State* L);         // registers the package into L
    void (*close)(lua_State* L);       // sets its globals back to nil
    void (*destroyHeld)(lua_State* L); // the objects scripts made and hold
};

class TsScriptHost {
public:
    // The package every state opened from now on gets (null: none). The
    // functions must live as long as the program.
    static void SetPackage(const TsScriptPackage* package);

    // A new state with the base, string and math libraries, the game's
    // binding package and the shell functions. Null when Lua cannot start.
    static lua_State* OpenLua();
    // Closes the binding package, then the state (null is ignored).
    static void CloseLua(lua_State* L);
    // Destroys the objects scripts made and still hold (null is ignored):
    // the level closes, and the state with it.
    static void DestroyScriptObjects(lua_State* L);

    // Runs a chunk of text; a non-zero code is also logged in red.
    static int DoString(lua_State* L, const char* text);
    // Runs a script file named the game's way (backslashes, any case).
    static int DoFile(lua_State* L, const char* gamePath);
    // The shell's dofile: as DoFile, then the file joins the recent files.
    // Failures log "dofile() could not open <full path>".
    static int ShellDoFile(lua_State* L, const char* gamePath);

    // Calls global `function` with the object as a user value of class
    // `className`; true when the call succeeded.
    static bool RunTemplate(lua_State* L, const char* function, void* object, const char* className);
    // The same with the class the object's class record names.
    static bool RunTemplate(lua_State* L, const char* function, OmObject* object);
    // Calls global `function` without arguments; its result as an integer,
    // 0 when it fails or answers something that is not a number.
    static int CallIntFunction(lua_State* L, const char* function);
    // Calls global `function` without arguments or results.
    static int CallFunction(lua_State* L, const char* function);
    // Calls the script's "InitLevelInfo" with the level info and a text.
    static int CallInitLevelInfo(lua_State* L, void* levelInfo, const char* text);

    static bool IsFunctionDefined(lua_State* L, const char* name);
    static bool IsTable(lua_State* L, const char* name);
    static bool GetGlobalNumber(lua_State* L, const char* name, double* value);
    static bool GetGlobalString(lua_State* L, const char* name, std::string* value);

    // The text logged for a non-zero code.
    static const char* CodeText(int code);

    // The Tools menu's command texts added by scripts ("AddMenuItem").
    static constexpr int kMaxMenuCommands = 256;
    static const char* MenuCommand(int index);
    static int AddMenuCommand(const char* command); // index, -1 when full
    static void FreeMenuCommand(int index);
    static int MenuCommandCount();
};
