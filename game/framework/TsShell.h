// The developer shell: a text console of our own. Log lines are printed by
// TsConsole; typed lines (when standard input is a terminal) run as Lua;
// the debugger's prompt, source, locals and stack panes print as text
// sections; the Tools and recent-files menus are console commands
// ("/tools", "/recent") that list and run their entries.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct lua_State;

class TsShell {
public:
    static constexpr int kMaxRecentFiles = 256;
    static constexpr int kMaxToolsItems = 64;
    static constexpr int kMaxPath = 260;
    static constexpr int kMaxLineTable = 65535;
    static constexpr int kMaxInputLine = 1024;
    static constexpr const char* kDefaultPrompt = "dB> ";
    static constexpr const char* kBreakpointFile = "data\\scripts\\Breakpoints.lua";

    enum ReadState { READ_IDLE = 0, READ_WAITING = 1, READ_CLOSING = 2 };
    using ToolsCallback = void (*)(std::int32_t argument);
    // Supplies typed lines in place of standard input (tests); answers false
    // when no more input will come.
    using InputHook = bool (*)(std::string* line, void* user);

    static TsShell& Instance();

    // Opens "shell.log", adds "&Run Script File" to Tools, starts in shell mode.
    bool Create();
    void Show(bool show);
    // Closes the log file and forgets every table, pane and state.
    void Destroy();

    // The state that typed commands run in (the application's).
    void SetLuaState(lua_State* L) { m_lua = L; }
    lua_State* LuaState() const { return m_lua; }
    void ForgetLuaState(lua_State* L);

    // A line from the input box, a menu or a script: answers a waiting
    // read, else is echoed and run as Lua.
    void ExecuteCommand(const char* text);
    // A typed console line: "/..." commands, otherwise ExecuteCommand.
    void HandleInputLine(const char* line);
    // Reads whatever a terminal on standard input has typed, without waiting.
    void PollInput();
    void SetInputHook(InputHook hook, void* user);

    // Waits for a typed line (ShellRead and the stopped debugger). False when
    // the shell is closing or no input can come; `line` is then empty.
    bool WaitForLine(lua_State* L, char (&line)[kMaxInputLine + 1]);
    ReadState GetReadState() const { return m_readState; }
    void Close(); // the console is going away: waiting reads end
    // The console's Exit closes the game window too: the application
    // installs how (null until then).
    using CloseHook = void (*)();
    void SetCloseHook(CloseHook hook) { m_closeHook = hook; }
    void Exit();

    bool AddToolsItem(const char* label, ToolsCallback callback, std::int32_t argument);
    int ToolsItemCount() const { return static_cast<int>(m_tools.size()); }
    bool RunToolsItem(int index);

    void AddRecentFile(const char* fullPath);
    int RecentFileCount() const { return static_cast<int>(m_recent.size()); }
    const char* RecentFile(int index) const;
    // The absolute host path of a game path ('\\' or '/', any case).
    static std::string FullPath(const char* gamePath);

    // Debugger panes.
    void SwitchMode(bool debugger);
    bool DebuggerMode() const { return m_debugger; }
    void SetPrompt(const char* text);
    const std::string& Prompt() const { return m_prompt; }
    void SetLocals(const char* text);
    void SetStackFrame(const char* text);
    // "...@file:line)..." as reported for a script location.
    void SetSourceWindowFromLocation(const char* text);
    // `line` is 0-based, -1 keeps the highlighted line. False when a new
    // file could not be opened (the window is left as it was).
    bool ShowSource(const char* file, int line, bool highlight);
    void SetBreakpointList(const char* file, const char* lines);
    void SetBreakpoint(const char* file, int line, bool on);
    void WriteBreakpointFile();
    void ToggleBreakpoint(int line); // 1-based line of the current source
    void ToggleDebugger();

    // What the source window shows (tests and the text sections).
    enum LineMark : std::uint8_t { MARK_NONE, MARK_BREAKPOINT, MARK_CURRENT };
    const std::string& SourceFile() const { return m_sourceFile; }
    int SourceLineCount() const;
    int HighlightedLine() const { return m_highlighted; }
    LineMark MarkOfLine(int line) const; // 1-based

private:
    TsShell() = default;
    TsShell(const TsShell&) = default;
    TsShell& operator=(const TsShell&) = default;
    bool LineInRange(int line) const;
    void RunBreakpointQuery();
    void PrintSourceSection(int focusLine) const;
    void ListTools() const;
    void ListRecentFiles() const;
    bool ReadInputLine(std::string* line, bool wait);

    struct ToolsItem {
        std::string label;
        ToolsCallback callback;
        std::int32_t argument;
    };

    bool m_created = false;
    bool m_shown = false;
    bool m_debugger = false;
    lua_State* m_lua = nullptr;
    std::string m_prompt = kDefaultPrompt;
    std::vector<std::string> m_recent;
    std::vector<ToolsItem> m_tools;
    std::string m_sourceFile;
    std::string m_sourceText;
    std::vector<std::uint32_t> m_lineTable;
    std::vector<LineMark> m_marks;
    int m_highlighted = -1; // 0-based
    ReadState m_readState = READ_IDLE;
    lua_State* m_reader = nullptr;
    std::string m_readLine;
    bool m_lineArrived = false;
    std::FILE* m_breakpointFile = nullptr;
    CloseHook m_closeHook = nullptr;
    InputHook m_inputHook = nullptr;
    void* m_inputUser = nullptr;
    std::string m_pendingInput;
    bool m_inputEnded = false;
};
