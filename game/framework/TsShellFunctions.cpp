#include "game/framework/TsShellFunctions.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <lua.hpp>
#include <tolua++.h>

#include "engine/OmClass.h"
#include "engine/OmObject.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLevelHost.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptDebugger.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptNumber.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsShellTools.h"

// Every function here may raise a script error, which longjmps out of it:
// argument checks come first and no object with a destructor is alive when
// a Lua call that can raise is made.
namespace {

int RaiseText(lua_State* L, const char* text)
{
    lua_pushstring(L, text);
    return lua_error(L);
}

const char* TextOrNull(lua_State* L, int index)
{
    return lua_isstring(L, index) ? lua_tostring(L, index) : nullptr;
}

int ShellRead(lua_State* L)
{
    TsShell& shell = TsShell::Instance();
    if (shell.GetReadState() == TsShell::READ_CLOSING) {
        return 0;
    }
    char line[TsShell::kMaxInputLine + 1];
    shell.WaitForLine(L, line);
    lua_pushstring(L, line);
    return 1;
}

int Print(lua_State* L)
{
    const int count = lua_gettop(L);
    for (int i = 1; i <= count; ++i) {
        char text[512];
        if (lua_type(L, i) == LUA_TSTRING || lua_type(L, i) == LUA_TNUMBER) {
            LogColour(lua_tostring(L, i), 0, 0, 0);
            continue;
        }
        tolua_Error error;
        if (lua_type(L, i) == LUA_TUSERDATA && tolua_isusertype(L, i, "OmObject", 0, &error)) {
            const auto* object = static_cast<const OmObject*>(tolua_tousertype(L, i, nullptr));
            const char* name = object ? object->GetName() : nullptr;
            tolua_typename(L, i);
            std::snprintf(text, sizeof text, "%s '%s': %p", lua_tostring(L, -1), name ? name : "",
                          static_cast<const void*>(object));
            lua_pop(L, 1);
        } else if (lua_type(L, i) == LUA_TUSERDATA) {
            std::snprintf(text, sizeof text, "userdata: %p", lua_touserdata(L, i));
        } else {
            std::snprintf(text, sizeof text, "%s:%p", lua_typename(L, lua_type(L, i)), lua_topointer(L, i));
        }
        LogColour(text, 0, 0, 0);
    }
    return 0;
}

void RunMenuCommand(std::int32_t index)
{
    TsShell::Instance().ExecuteCommand(TsScriptHost::MenuCommand(index));
}

int AddMenuItem(lua_State* L)
{
    if (lua_gettop(L) != 2) {
        return RaiseText(L, "incorrect number of arguments to function 'AddMenuItem'");
    }
    if (lua_type(L, 1) != LUA_TSTRING || lua_type(L, 2) != LUA_TSTRING) {
        return RaiseText(L, "incorrect argument to function 'AddMenuItem'");
    }
    const int index = TsScriptHost::AddMenuCommand(lua_tostring(L, 2));
    if (index < 0) {
        LogError("AddMenuItem: all 256 menu commands are in use");
        return 0;
    }
    if (!TsShell::Instance().AddToolsItem(lua_tostring(L, 1), &RunMenuCommand, index)) {
        TsScriptHost::FreeMenuCommand(index);
    }
    return 0;
}

int FindObject(lua_State* L)
{
    if (lua_type(L, 1) != LUA_TSTRING || lua_type(L, 2) != LUA_TSTRING) {
        return RaiseText(L, "incorrect argument to function 'FindObject'");
    }
    const char* className = lua_tostring(L, 1);
    int32_t index = -1;
    if (!OmClassRegistry::Instance().FindClassIndex(className, index)) {
        lua_pushfstring(L, "could not find registered class of type %s", className);
        return lua_error(L);
    }
    OmObject* object = OmClassRegistry::Instance().FindObject(index, lua_tostring(L, 2));
    TsScriptCall::PushObject(L, object, className);
    return 1;
}

int NextLevel(lua_State*)
{
    if (TsMain* app = TsMain::Instance()) {
        app->WritePlayerTemp();
    } else {
        LogError("NextLevel: there is no application");
    }
    return 0;
}

int TestMission(lua_State* L)
{
    if (lua_type(L, 1) != LUA_TSTRING) {
        return RaiseText(L, "incorrect argument to function 'TestMission'");
    }
    TsMain* app = TsMain::Instance();
    if (!app) {
        LogError("TestMission: there is no application");
        return 0;
    }
    if (app->StartMission("Test", "OnDefaultGame", lua_tostring(L, 1), 0)) {
        app->RequestMode(TS_MODE_LEVEL);
    }
    return 0;
}

int CreateSave(lua_State* L)
{
    if (lua_type(L, 1) != LUA_TSTRING) {
        return RaiseText(L, "incorrect argument to function 'CreateSaveMission'");
    }
    const int number = TsShellFunctions::ToInt(L, 2);
    TsMain* app = TsMain::Instance();
    if (!app) {
        LogError("CreateSave: there is no application");
        return 0;
    }
    app->StartMission("Test", "OnDefaultGame", lua_tostring(L, 1), number - 1);
    return 0;
}

// The level's debug switches, through the level's host.
int LevelSwitch(lua_State* L)
{
    const TsMain* app = TsMain::Instance();
    TsLevelHost* host = app ? app->GetLevelHost() : nullptr;
    if (!host || !host->ToggleDebugSwitch(static_cast<int>(lua_tointeger(L, lua_upvalueindex(2))))) {
        LogErrorF("%s: no level is loaded", lua_tostring(L, lua_upvalueindex(1)));
    }
    return 0;
}

// A level being played (or inside its own LuaTick) is never replaced under
// the running game: the request is refused and logged.
int CreateLevel(lua_State*)
{
    TsMain* app = TsMain::Instance();
    TsLevelHost* host = app ? app->GetLevelHost() : nullptr;
    if (!host) {
        LogError(app ? "CreateLevel: this program has no level to build"
                     : "CreateLevel: there is no application to hold a level");
        return 0;
    }
    const TsGameMode* old = app->GetLevel();
    if (old && (old == app->GetMode() || host->IsInScriptTick(old))) {
        LogError("CreateLevel: refused: the level is being played; leave it first");
        return 0;
    }
    app->ReplaceLevel(host->NewLevel());
    return 0;
}

int GetCurrentLevel(lua_State* L)
{
    // Nil outside a level.
    TsScriptCall::PushObject(L, TsAccess::CurrentLevel(), "TsLevel");
    return 1;
}

// The globals the package leaves to the host follow its wrappers' rules:
// each argument of its kind from position 1 (a Lua number, not a numeric
// text; a text may be nil unless refused), nothing after the last, and the
// wrapper's own type error, whose "#f" tolua++ fills in with the argument.
#define OM_TYPE_ERROR(fn) "#ferror in function '" fn "'."
enum class ArgKind { Text, TextNotNil, Number };

bool ArgFits(lua_State* L, int lo, ArgKind kind)
{
    const int type = lua_type(L, lo);
    switch (kind) {
    case ArgKind::Number: return type == LUA_TNUMBER;
    case ArgKind::Text: return type == LUA_TSTRING || type == LUA_TNIL;
    case ArgKind::TextNotNil: return type == LUA_TSTRING;
    }
    return false;
}

[[noreturn]] void RaiseTypeError(lua_State* L, const char* typeError, int lo, const char* expected)
{
    tolua_Error err;
    err.index = lo;
    err.array = 0;
    err.type = expected;
    tolua_error(L, typeError, &err);
    __builtin_unreachable();
}

void CheckArgs(lua_State* L, std::initializer_list<ArgKind> kinds, const char* typeError)
{
    int lo = 1;
    for (ArgKind kind : kinds) {
        if (!ArgFits(L, lo, kind))
            RaiseTypeError(L, typeError, lo, kind == ArgKind::Number ? "number" : "string");
        ++lo;
    }
    if (lua_gettop(L) >= lo)
        RaiseTypeError(L, typeError, lo, "[no object]");
}

int ShellWrite(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text}, OM_TYPE_ERROR("ShellWrite"));
    LogInfo(TextOrNull(L, 1));
    return 0;
}

int ErrorMessage(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text}, OM_TYPE_ERROR("_ERRORMESSAGE"));
    LogError(TextOrNull(L, 1));
    return 0;
}

// The run's status: 0 when the file ran, else the code it failed with.
int DoFile(lua_State* L)
{
    CheckArgs(L, {ArgKind::TextNotNil}, OM_TYPE_ERROR("dofile"));
    lua_pushnumber(L, TsScriptHost::ShellDoFile(L, lua_tostring(L, 1)));
    return 1;
}

int SwitchShellMode(lua_State* L)
{
    CheckArgs(L, {ArgKind::Number}, OM_TYPE_ERROR("SwitchShellMode"));
    TsShell::Instance().SwitchMode(TsShellFunctions::ToFlag(L, 1));
    return 0;
}

int SetDebugPrompt(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text}, OM_TYPE_ERROR("SetDebugPrompt"));
    TsShell::Instance().SetPrompt(TextOrNull(L, 1));
    return 0;
}

int SetDebugLocals(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text}, OM_TYPE_ERROR("SetDebugLocals"));
    TsShell::Instance().SetLocals(TextOrNull(L, 1));
    return 0;
}

int SetDebugStackFrame(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text}, OM_TYPE_ERROR("SetDebugStackFrame"));
    TsShell::Instance().SetStackFrame(TextOrNull(L, 1));
    return 0;
}

int SetDebugSourceWindow(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text}, OM_TYPE_ERROR("SetDebugSourceWindow"));
    TsShell::Instance().SetSourceWindowFromLocation(TextOrNull(L, 1));
    return 0;
}

int SetDebugBreakpointList(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text, ArgKind::Text}, OM_TYPE_ERROR("SetDebugBreakpointList"));
    TsShell::Instance().SetBreakpointList(TextOrNull(L, 1), TextOrNull(L, 2));
    return 0;
}

int SetDebugBreakpoint(lua_State* L)
{
    CheckArgs(L, {ArgKind::Text, ArgKind::Number, ArgKind::Number}, OM_TYPE_ERROR("SetDebugBreakpoint"));
    const int line = TsShellFunctions::ToInt(L, 2);
    TsShell::Instance().SetBreakpoint(TextOrNull(L, 1), line, TsShellFunctions::ToFlag(L, 3));
    return 0;
}

const char* const kLevelSwitches[] = {"DebugGrid", "DebugRadius", "DebugBehaviours", "DebugPaths",
                                      "DebugPlayerOnly", "DebugCollectibles", "DebugProfile", "DebugText"};
// Where each function's switch sits in the level (grid, behaviours, paths,
// radius, player only, collectibles, profile, text).
const int kSwitchIndex[] = {0, 3, 1, 2, 4, 5, 6, 7};

// The mode functions only store the request; the switch runs between frames.
int RequestMode(lua_State* L)
{
    const int mode = static_cast<int>(lua_tointeger(L, lua_upvalueindex(1)));
    if (TsMain* app = TsMain::Instance()) {
        app->RequestMode(mode);
    } else {
        LogErrorF("%s: there is no application to switch modes", lua_tostring(L, lua_upvalueindex(2)));
    }
    return 0;
}

void SetModeFunction(lua_State* L, const char* name, int mode)
{
    lua_pushinteger(L, mode);
    lua_pushstring(L, name);
    lua_pushcclosure(L, &RequestMode, 2);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

void SetFunction(lua_State* L, const char* name, lua_CFunction function)
{
    lua_pushcfunction(L, function);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

} // namespace

namespace TsShellFunctions {

bool ToFlag(lua_State* L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TNUMBER: return lua_tonumber(L, index) != 0;
    case LUA_TBOOLEAN: return lua_toboolean(L, index) != 0;
    default: return false;
    }
}

int ToInt(lua_State* L, int index)
{
    return TsScriptNumberToInt(lua_tonumber(L, index));
}

void Register(lua_State* L)
{
    SetFunction(L, "ShellRead", &ShellRead);
    SetFunction(L, "Print", &Print);
    SetFunction(L, "SetWireframe", &TsShellTools::SetWireframe);
    SetFunction(L, "ToggleLighting", &TsShellTools::ToggleLighting);
    SetFunction(L, "ToggleTextures", &TsShellTools::ToggleTextures);
    SetFunction(L, "ToggleCulling", &TsShellTools::ToggleCulling);
    SetFunction(L, "AddMenuItem", &AddMenuItem);
    SetFunction(L, "FindObject", &FindObject);
    SetFunction(L, "ToolImportPBF", &TsShellTools::ToolImportPBF);
    SetFunction(L, "ToolImportBoneAnimation", &TsShellTools::ToolImportBoneAnimation);
    SetFunction(L, "ToolImportBoneMesh", &TsShellTools::ToolImportBoneMesh);
    SetFunction(L, "LoadSceneObject", &TsShellTools::LoadSceneObject);
    SetFunction(L, "ToolConvertLevel", &TsShellTools::ToolConvertLevel);
    SetFunction(L, "ToolConvertEnvironment", &TsShellTools::ToolConvertEnvironment);
    SetModeFunction(L, "ObjectMode", TS_MODE_OBJECT_VIEW);
    SetModeFunction(L, "LevelViewMode", TS_MODE_NONE);
    SetModeFunction(L, "LevelPlayMode", TS_MODE_LEVEL);
    SetFunction(L, "SetBackground", &TsShellTools::SetBackground);
    for (int i = 0; i < static_cast<int>(std::size(kLevelSwitches)); ++i) {
        lua_pushstring(L, kLevelSwitches[i]);
        lua_pushinteger(L, kSwitchIndex[i]);
        lua_pushcclosure(L, &LevelSwitch, 2);
        lua_setfield(L, LUA_GLOBALSINDEX, kLevelSwitches[i]);
    }
    SetFunction(L, "GetCurrentLevel", &GetCurrentLevel);
    SetFunction(L, "CreateLevel", &CreateLevel);
    SetModeFunction(L, "LevelMode", TS_MODE_LEVEL);
    SetModeFunction(L, "FrontEndMode", TS_MODE_FRONT_END);
    // "InitLevelInfo" is the script's own function that the game calls
    // (TsScriptHost::CallInitLevelInfo); registering a global of that name
    // here would replace it and call itself forever.
    SetFunction(L, "NextLevel", &NextLevel);
    SetFunction(L, "CreateParFX", &TsShellTools::CreateParFX);
    SetFunction(L, "TestMission", &TestMission);
    SetFunction(L, "CreateSave", &CreateSave);
    SetFunction(L, "PlayFMV", &TsShellTools::PlayFMV);
    SetFunction(L, "ShellWrite", &ShellWrite);
    SetFunction(L, "_ERRORMESSAGE", &ErrorMessage);
    SetFunction(L, "dofile", &DoFile);
    SetFunction(L, "SwitchShellMode", &SwitchShellMode);
    SetFunction(L, "SetDebugPrompt", &SetDebugPrompt);
    SetFunction(L, "SetDebugLocals", &SetDebugLocals);
    SetFunction(L, "SetDebugStackFrame", &SetDebugStackFrame);
    SetFunction(L, "SetDebugSourceWindow", &SetDebugSourceWindow);
    SetFunction(L, "SetDebugBreakpointList", &SetDebugBreakpointList);
    SetFunction(L, "SetDebugBreakpoint", &SetDebugBreakpoint);
    TsScriptDebugger::Register(L);
}

} // namespace TsShellFunctions
