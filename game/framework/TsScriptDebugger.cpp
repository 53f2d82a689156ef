#include "game/framework/TsScriptDebugger.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <lua.hpp>

#include "game/framework/TsScriptHost.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsShellFunctions.h"

namespace {

constexpr int kMaxName = TsShell::kMaxPath;

// A file name in the form breakpoints are kept and compared in: full path,
// forward slashes, lower case; bounded like every name the shell copies.
std::string NormalisedFile(const char* file)
{
    std::string full = TsShell::FullPath(file);
    if (full.size() >= static_cast<std::size_t>(kMaxName)) {
        full.resize(kMaxName - 1);
    }
    std::transform(full.begin(), full.end(), full.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return full;
}

// Appends formatted text to a fixed buffer; stops quietly when it is full.
void Append(char* buffer, std::size_t size, std::size_t* used, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
void Append(char* buffer, std::size_t size, std::size_t* used, const char* format, ...)
{
    if (*used + 1 >= size) {
        return;
    }
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer + *used, size - *used, format, args);
    va_end(args);
    if (written > 0) {
        *used = std::min(size - 1, *used + static_cast<std::size_t>(written));
    }
}

// One value as the locals pane shows it. Runs inside the hook: plain data only.
void DescribeValue(lua_State* L, int index, char* out, std::size_t size)
{
    switch (lua_type(L, index)) {
    case LUA_TNIL: std::snprintf(out, size, "nil"); break;
    case LUA_TBOOLEAN: std::snprintf(out, size, "%s", lua_toboolean(L, index) ? "true" : "false"); break;
    case LUA_TNUMBER: std::snprintf(out, size, "%.14g", lua_tonumber(L, index)); break;
    case LUA_TSTRING: std::snprintf(out, size, "\"%.200s\"", lua_tostring(L, index)); break;
    default:
        std::snprintf(out, size, "%s: %p", lua_typename(L, lua_type(L, index)), lua_topointer(L, index));
        break;
    }
}

const char* SourceFile(const lua_Debug& ar)
{
    return ar.source && ar.source[0] == '@' ? ar.source + 1 : nullptr;
}

int OpenFunction(lua_State* L)
{
    TsScriptDebugger::Instance().Open(L);
    return 0;
}

int CloseFunction(lua_State* L)
{
    TsScriptDebugger::Instance().Close(L);
    return 0;
}

int SetBreakPointFunction(lua_State* L)
{
    const char* file = lua_tostring(L, 1);
    const int line = TsShellFunctions::ToInt(L, 2);
    TsScriptDebugger::Instance().SetBreakpoint(file, line, lua_isnoneornil(L, 3) || TsShellFunctions::ToFlag(L, 3));
    return 0;
}

int ToggleBreakPointFunction(lua_State* L)
{
    const char* file = lua_tostring(L, 1);
    const int line = TsShellFunctions::ToInt(L, 2);
    TsScriptDebugger& debugger = TsScriptDebugger::Instance();
    const bool on = !debugger.HasBreakpoint(file, line);
    debugger.SetBreakpoint(file, line, on);
    if (!on) {
        return 0;
    }
    lua_pushnumber(L, 1);
    return 1;
}

int BreakPointsFunction(lua_State* L)
{
    char list[4096];
    std::snprintf(list, sizeof list, "%s", TsScriptDebugger::Instance().BreakpointList(lua_tostring(L, 1)).c_str());
    lua_pushstring(L, list);
    return 1;
}

} // namespace

TsScriptDebugger& TsScriptDebugger::Instance()
{
    static TsScriptDebugger debugger;
    return debugger;
}

void TsScriptDebugger::Register(lua_State* L)
{
    const luaL_Reg functions[] = {{"DebuggerOpen", &OpenFunction},
                                  {"DebuggerClose", &CloseFunction},
                                  {"DebuggerSetBreakPoint", &SetBreakPointFunction},
                                  {"DebuggerToggleBreakPoint", &ToggleBreakPointFunction},
                                  {"DebuggerBreakPoints", &BreakPointsFunction}};
    for (const luaL_Reg& function : functions) {
        lua_pushcfunction(L, function.func);
        lua_setfield(L, LUA_GLOBALSINDEX, function.name);
    }
}

void TsScriptDebugger::Open(lua_State* L)
{
    if (m_state && m_state != L) {
        Close(m_state);
    }
    m_state = L;
    m_step = Step::Run;
    m_depth = 0;
    m_lastSource.clear();
    m_lastNormalised.clear();
    lua_sethook(L, &TsScriptDebugger::Hook, LUA_MASKCALL | LUA_MASKRET | LUA_MASKLINE, 0);
    TsShell::Instance().SwitchMode(true);
}

void TsScriptDebugger::Close(lua_State* L)
{
    if (!L) {
        return;
    }
    lua_sethook(L, nullptr, 0, 0);
    if (m_state == L) {
        m_state = nullptr;
    }
    m_step = Step::Run;
    TsShell::Instance().SwitchMode(false);
}

bool TsScriptDebugger::SetBreakpoint(const char* file, int line, bool on)
{
    if (!file || line < 1 || line > TsShell::kMaxLineTable) {
        return false;
    }
    const std::string name = NormalisedFile(file);
    const auto found = std::find_if(m_breakpoints.begin(), m_breakpoints.end(),
                                    [&](const Breakpoint& b) { return b.line == line && b.file == name; });
    if (!on) {
        if (found != m_breakpoints.end()) {
            m_breakpoints.erase(found);
        }
        return true;
    }
    if (found != m_breakpoints.end()) {
        return true;
    }
    if (static_cast<int>(m_breakpoints.size()) >= kMaxBreakpoints) {
        return false;
    }
    m_breakpoints.push_back({name, line});
    return true;
}

bool TsScriptDebugger::HasBreakpoint(const char* file, int line) const
{
    if (!file) {
        return false;
    }
    const std::string name = NormalisedFile(file);
    return std::any_of(m_breakpoints.begin(), m_breakpoints.end(),
                       [&](const Breakpoint& b) { return b.line == line && b.file == name; });
}

std::string TsScriptDebugger::BreakpointList(const char* file) const
{
    std::string list;
    if (!file) {
        return list;
    }
    const std::string name = NormalisedFile(file);
    for (const Breakpoint& b : m_breakpoints) {
        if (b.file == name) {
            list += std::to_string(b.line) + " ";
        }
    }
    return list;
}

bool TsScriptDebugger::MatchesBreakpoint(const char* source, int line) const
{
    if (!source || m_breakpoints.empty()) {
        return false;
    }
    // Line events come thousands a second; resolve each source name once.
    if (source != m_lastSource) {
        m_lastSource = source;
        m_lastNormalised = NormalisedFile(source);
    }
    for (const Breakpoint& b : m_breakpoints) {
        if (b.line == line && m_lastNormalised == b.file) {
            return true;
        }
    }
    return false;
}

void TsScriptDebugger::Hook(lua_State* L, lua_Debug* ar)
{
    TsScriptDebugger& self = Instance();
    switch (ar->event) {
    case LUA_HOOKCALL: ++self.m_depth; break;
    case LUA_HOOKRET:
    // A tail call reports a call but no return of its own: its return comes
    // as one of these after the real one.
    case LUA_HOOKTAILRET: --self.m_depth; break;
    case LUA_HOOKLINE: self.OnLine(L, ar); break;
    default: break;
    }
}

void TsScriptDebugger::OnLine(lua_State* L, lua_Debug* ar)
{
    if (m_stopped) {
        return;
    }
    bool stop = m_step == Step::Into || (m_step == Step::Over && m_depth <= m_stepDepth);
    if (!stop && !m_breakpoints.empty()) {
        lua_getinfo(L, "S", ar);
        stop = MatchesBreakpoint(SourceFile(*ar), ar->currentline);
    }
    if (stop) {
        Stop(L, ar);
    }
}

// Everything here runs inside the hook, where a Lua error would longjmp
// through this frame: the panes are filled from fixed buffers.
void TsScriptDebugger::Stop(lua_State* L, lua_Debug* ar)
{
    m_stopped = true;
    ++m_stops;
    lua_getinfo(L, "Sl", ar);
    TsShell& shell = TsShell::Instance();
    if (const char* file = SourceFile(*ar)) {
        shell.ShowSource(file, ar->currentline - 1, true);
    }

    static char pane[8192];
    std::size_t used = 0;
    pane[0] = '\0';
    const char* name;
    for (int i = 1; (name = lua_getlocal(L, ar, i)) != nullptr; ++i) {
        if (name[0] != '(') {
            char value[256];
            DescribeValue(L, -1, value, sizeof value);
            Append(pane, sizeof pane, &used, "%.64s = %s\n", name, value);
        }
        lua_pop(L, 1);
    }
    shell.SetLocals(pane);

    used = 0;
    pane[0] = '\0';
    lua_Debug frame;
    for (int level = 0; lua_getstack(L, level, &frame); ++level) {
        lua_getinfo(L, "Snl", &frame);
        Append(pane, sizeof pane, &used, "#%d %.200s:%d in %.64s\n", level, frame.short_src, frame.currentline,
               frame.name ? frame.name : "?");
    }
    shell.SetStackFrame(pane);

    char command[TsShell::kMaxInputLine + 1];
    for (;;) {
        if (!shell.WaitForLine(L, command)) {
            // No one can answer: run on without the debugger.
            m_step = Step::Run;
            m_breakpoints.clear();
            break;
        }
        if (std::strcmp(command, "'n") == 0 || std::strcmp(command, "'s") == 0
            || std::strcmp(command, "'c") == 0) {
            m_step = command[1] == 'n' ? Step::Over : command[1] == 's' ? Step::Into : Step::Run;
            m_stepDepth = m_depth;
            break;
        }
        TsScriptHost::DoString(L, command);
    }
    m_stopped = false;
}
