#include "game/framework/TsScriptHost.h"

#include <cstdlib>
#include <cstring>
#include <lua.hpp>
#include <tolua++.h>

#include "engine/OmObject.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptHandles.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsShellFunctions.h"

namespace {

const TsScriptPackage* g_package = nullptr;
char* g_menuCommands[TsScriptHost::kMaxMenuCommands] = {};
int g_menuCommandCount = 0;

int ReportCode(int code)
{
    if (code != TS_SCRIPT_OK) {
        LogColour(TsScriptHost::CodeText(code), 255, 0, 0);
    }
    return code;
}

// Looks up the global named by argument 1 and calls it with the remaining
// arguments. Runs inside lua_pcall, so a strict _G
// that raises on unknown names is caught like any other script error.
int CallGlobalBody(lua_State* L)
{
    const int nargs = lua_gettop(L) - 1;
    lua_pushvalue(L, 1);
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_replace(L, 1);
    lua_call(L, nargs, LUA_MULTRET);
    return lua_gettop(L);
}

struct IntCallRequest {
    const char* function;
    int result;
    int code;
};

int IntCallEntry(lua_State* L)
{
    auto* request = static_cast<IntCallRequest*>(lua_touserdata(L, 1));
    lua_settop(L, 0);
    TsScriptCall::PushHandler(L);
    TsScriptCall::PushFunction(L, &CallGlobalBody);
    lua_pushstring(L, request->function);
    request->code = TsScriptCall::Protected(L, 1, 1);
    if (request->code == TS_SCRIPT_OK && lua_isnumber(L, -1)) {
        request->result = TsShellFunctions::ToInt(L, -1);
    }
    return 0;
}

struct TemplateRequest {
    const char* function;
    void* object;
    const char* className;
    const char* text; // second argument when not null
    int results;
    int code;
};

int TemplateEntry(lua_State* L)
{
    auto* request = static_cast<TemplateRequest*>(lua_touserdata(L, 1));
    lua_settop(L, 0);
    TsScriptCall::PushHandler(L);
    TsScriptCall::PushFunction(L, &CallGlobalBody);
    lua_pushstring(L, request->function);
    int nargs = 1;
    if (request->className) {
        TsScriptCall::PushObject(L, request->object, request->className);
        ++nargs;
    }
    if (request->text) {
        lua_pushstring(L, request->text);
        ++nargs;
    }
    request->code = TsScriptCall::Protected(L, nargs, request->results);
    return 0;
}

int RunTemplateRequest(lua_State* L, TemplateRequest& request)
{
    if (!L || !request.function) {
        return TS_SCRIPT_RUN_ERROR;
    }
    const int top = lua_gettop(L);
    request.code = TS_SCRIPT_OK;
    const int outer = TsScriptCall::HostCall(L, &TemplateEntry, &request);
    lua_settop(L, top);
    return ReportCode(outer != 0 ? TsScriptCall::CodeFromLua(outer) : request.code);
}

struct GlobalRequest {
    const char* name;
    int type;
    double number;
    std::string* text;
};

// Reads a global inside a protected call: a script may give _G an __index
// that raises for unknown names.
int GlobalEntry(lua_State* L)
{
    auto* request = static_cast<GlobalRequest*>(lua_touserdata(L, 1));
    lua_getfield(L, LUA_GLOBALSINDEX, request->name);
    request->type = lua_type(L, -1);
    if (request->type == LUA_TNUMBER) {
        request->number = lua_tonumber(L, -1);
    }
    if (request->text && (request->type == LUA_TSTRING || request->type == LUA_TNUMBER)) {
        std::size_t length = 0;
        const char* text = lua_tolstring(L, -1, &length);
        request->text->assign(text, length);
    }
    return 0;
}

int GlobalType(lua_State* L, GlobalRequest& request)
{
    request.type = LUA_TNONE;
    if (!L || !request.name) {
        return LUA_TNONE;
    }
    const int top = lua_gettop(L);
    if (TsScriptCall::HostCall(L, &GlobalEntry, &request) != 0) {
        request.type = LUA_TNONE;
    }
    lua_settop(L, top);
    return request.type;
}

int OpenEntry(lua_State* L)
{
    // The game's scripts get exactly these libraries, in this order.
    const luaL_Reg libraries[] = {
        {"", luaopen_base}, {LUA_STRLIBNAME, luaopen_string}, {LUA_MATHLIBNAME, luaopen_math}};
    for (const luaL_Reg& library : libraries) {
        lua_pushcfunction(L, library.func);
        lua_pushstring(L, library.name);
        lua_call(L, 1, 0);
    }
    lua_settop(L, 0);
    // tolua++'s own tables: the host pushes objects to scripts through
    // them, with or without the package (which opens them too; once is
    // enough).
    tolua_open(L);
    lua_settop(L, 0);
    if (g_package) {
        g_package->open(L);
        lua_settop(L, 0);
    }
    TsShellFunctions::Register(L);
    return 0;
}

int CloseEntry(lua_State* L)
{
    if (g_package) {
        g_package->close(L);
    }
    return 0;
}

} // namespace

lua_State* TsScriptHost::OpenLua()
{
    // A saved game counts no reference a script's handle holds.
    OmObject::SetUnsavedReferences(&TsScriptHandles::References);
    lua_State* L = luaL_newstate();
    if (!L) {
        LogError("Could not create the script state");
        return nullptr;
    }
    if (lua_cpcall(L, &OpenEntry, nullptr) != 0) {
        LogErrorF("Could not open the script libraries: %s", lua_tostring(L, -1));
        lua_close(L);
        return nullptr;
    }
    return L;
}

void TsScriptHost::CloseLua(lua_State* L)
{
    if (!L) {
        return;
    }
    TsShell::Instance().ForgetLuaState(L);
    if (lua_cpcall(L, &CloseEntry, nullptr) != 0) {
        LogErrorF("Could not close the script bindings: %s", lua_tostring(L, -1));
    }
    // The handles and the script's own objects let go while the state can
    // still run what their destructors ask of it.
    DestroyScriptObjects(L);
    TsScriptHandles::ReleaseAll(L);
    lua_close(L);
}

void TsScriptHost::DestroyScriptObjects(lua_State* L)
{
    if (L && g_package)
        g_package->destroyHeld(L);
}

void TsScriptHost::SetPackage(const TsScriptPackage* package)
{
    g_package = package;
}

int TsScriptHost::DoString(lua_State* L, const char* text)
{
    if (!L || !text) {
        return ReportCode(TS_SCRIPT_RUN_ERROR);
    }
    const int top = lua_gettop(L);
    const int code = TsScriptCall::RunChunk(L, text, nullptr);
    lua_settop(L, top);
    return ReportCode(code);
}

int TsScriptHost::DoFile(lua_State* L, const char* gamePath)
{
    if (!L || !gamePath) {
        return ReportCode(TS_SCRIPT_FILE_ERROR);
    }
    // Chunks carry their full path, so script locations name one file
    // wherever the working folder is.
    const std::string path = TsShell::FullPath(gamePath);
    const int top = lua_gettop(L);
    const int code = TsScriptCall::RunChunk(L, nullptr, path.c_str());
    lua_settop(L, top);
    return ReportCode(code);
}

int TsScriptHost::ShellDoFile(lua_State* L, const char* gamePath)
{
    const std::string fullPath = TsShell::FullPath(gamePath ? gamePath : "");
    const int code = DoFile(L, fullPath.c_str());
    if (code != TS_SCRIPT_OK) {
        LogErrorF("dofile() could not open %s", fullPath.c_str());
        return code;
    }
    TsShell::Instance().AddRecentFile(fullPath.c_str());
    return code;
}

bool TsScriptHost::RunTemplate(lua_State* L, const char* function, void* object, const char* className)
{
    TemplateRequest request{function, object, className ? className : "", nullptr, 0, TS_SCRIPT_OK};
    return RunTemplateRequest(L, request) == TS_SCRIPT_OK;
}

bool TsScriptHost::RunTemplate(lua_State* L, const char* function, OmObject* object)
{
    const char* className = object ? object->GetClass()->name : "";
    return RunTemplate(L, function, object, className);
}

int TsScriptHost::CallFunction(lua_State* L, const char* function)
{
    TemplateRequest request{function, nullptr, nullptr, nullptr, 0, TS_SCRIPT_OK};
    return RunTemplateRequest(L, request);
}

int TsScriptHost::CallInitLevelInfo(lua_State* L, void* levelInfo, const char* text)
{
    TemplateRequest request{"InitLevelInfo", levelInfo, "TsLevelInfo", text ? text : "", 1, TS_SCRIPT_OK};
    return RunTemplateRequest(L, request);
}

int TsScriptHost::CallIntFunction(lua_State* L, const char* function)
{
    if (!L || !function) {
        return 0;
    }
    IntCallRequest request{function, 0, TS_SCRIPT_OK};
    const int top = lua_gettop(L);
    const int outer = TsScriptCall::HostCall(L, &IntCallEntry, &request);
    lua_settop(L, top);
    ReportCode(outer != 0 ? TsScriptCall::CodeFromLua(outer) : request.code);
    return outer != 0 || request.code != TS_SCRIPT_OK ? 0 : request.result;
}

bool TsScriptHost::IsFunctionDefined(lua_State* L, const char* name)
{
    GlobalRequest request{name, LUA_TNONE, 0.0, nullptr};
    return GlobalType(L, request) == LUA_TFUNCTION;
}

bool TsScriptHost::IsTable(lua_State* L, const char* name)
{
    GlobalRequest request{name, LUA_TNONE, 0.0, nullptr};
    return GlobalType(L, request) == LUA_TTABLE;
}

bool TsScriptHost::GetGlobalNumber(lua_State* L, const char* name, double* value)
{
    GlobalRequest request{name, LUA_TNONE, 0.0, nullptr};
    if (GlobalType(L, request) != LUA_TNUMBER) {
        return false;
    }
    *value = request.number;
    return true;
}

bool TsScriptHost::GetGlobalString(lua_State* L, const char* name, std::string* value)
{
    std::string text;
    GlobalRequest request{name, LUA_TNONE, 0.0, &text};
    const int type = GlobalType(L, request);
    if (type != LUA_TSTRING && type != LUA_TNUMBER) {
        return false;
    }
    *value = std::move(text);
    return true;
}

const char* TsScriptHost::CodeText(int code)
{
    switch (code) {
    case TS_SCRIPT_OK: return "";
    case TS_SCRIPT_RUN_ERROR: return "lua error on running";
    case TS_SCRIPT_FILE_ERROR: return "lua error whilst trying to do file";
    case TS_SCRIPT_SYNTAX_ERROR: return "lua syntax error";
    case TS_SCRIPT_MEMORY_ERROR: return "lua memory allocation error";
    default: return "lua error whilst running _ERRORMESSAGE";
    }
}

const char* TsScriptHost::MenuCommand(int index)
{
    return index >= 0 && index < kMaxMenuCommands ? g_menuCommands[index] : nullptr;
}

int TsScriptHost::AddMenuCommand(const char* command)
{
    if (!command) {
        return -1;
    }
    for (int i = 0; i < kMaxMenuCommands; ++i) {
        if (!g_menuCommands[i]) {
            g_menuCommands[i] = strdup(command);
            if (i >= g_menuCommandCount) {
                g_menuCommandCount = i + 1;
            }
            return i;
        }
    }
    return -1;
}

void TsScriptHost::FreeMenuCommand(int index)
{
    if (index >= 0 && index < kMaxMenuCommands) {
        std::free(g_menuCommands[index]);
        g_menuCommands[index] = nullptr;
    }
}

int TsScriptHost::MenuCommandCount()
{
    return g_menuCommandCount;
}
