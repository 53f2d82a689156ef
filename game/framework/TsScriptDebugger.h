// The script debugger: a line/call/return hook on the game's Lua state that
// stops at breakpoints and steps, showing the source line, the locals and
// the call stack in the shell and taking its commands ("'n" step over, "'s"
// step into, "'c" run) from the shell's input. Anything else typed while
// stopped runs as Lua. "scripts/yield.lua" puts the table Y over the
// functions registered here.
#pragma once

#include <string>
#include <vector>

struct lua_State;

class TsScriptDebugger {
public:
    static constexpr int kMaxBreakpoints = 1024;

    static TsScriptDebugger& Instance();

    // The globals "DebuggerOpen", "DebuggerClose", "DebuggerSetBreakPoint",
    // "DebuggerToggleBreakPoint" and "DebuggerBreakPoints".
    static void Register(lua_State* L);

    void Open(lua_State* L);
    void Close(lua_State* L);
    bool IsOpen() const { return m_state != nullptr; }

    // Files are compared by their full path, case and separators ignored.
    bool SetBreakpoint(const char* file, int line, bool on);
    bool HasBreakpoint(const char* file, int line) const;
    // "n n n " for the shell's breakpoint list of one file.
    std::string BreakpointList(const char* file) const;
    void ClearBreakpoints() { m_breakpoints.clear(); }

    // How many times execution has stopped (tests).
    int StopCount() const { return m_stops; }

private:
    enum class Step { Run, Into, Over };
    struct Breakpoint {
        std::string file; // normalised
        int line;
    };

    static void Hook(lua_State* L, struct lua_Debug* ar);
    void OnLine(lua_State* L, struct lua_Debug* ar);
    void Stop(lua_State* L, struct lua_Debug* ar);
    bool MatchesBreakpoint(const char* source, int line) const;

    lua_State* m_state = nullptr;
    std::vector<Breakpoint> m_breakpoints;
    Step m_step = Step::Run;
    int m_depth = 0;      // calls minus returns since the debugger opened
    int m_stepDepth = 0;  // depth at which "step over" was given
    int m_stops = 0;
    bool m_stopped = false;
    mutable std::string m_lastSource;
    mutable std::string m_lastNormalised;
};
