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
    void SetLuaState(lua_State* L) { lua_ = L; }
    lua_State* LuaState() const { return lua_; }
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
    ReadState GetReadState() const { return readState_; }
    void Close(); // the console is going away: waiting reads end
    // The console's Exit closes the game window too: the application
    // installs how (null until then).
    using CloseHook = void (*)();
    void SetCloseHook(CloseHook hook) { closeHook_ = hook; }
    void Exit();

    bool AddToolsItem(const char* label, ToolsCallback callback, std::int32_t argument);
    int ToolsItemCount() const { return static_cast<int>(tools_.size()); }
    bool RunToolsItem(int index);

    void AddRecentFile(const char* fullPath);
    int RecentFileCount() const { return static_cast<int>(recent_.size()); }
    const char* RecentFile(int index) const;
    // The absolute host path of a game path ('\\' or '/', any case).
    static std::string FullPath(const char* gamePath);

    // Debugger panes.
    void SwitchMode(bool debugger);
    bool DebuggerMode() const { return debugger_; }
    void SetPrompt(const char* text);
    const std::string& Prompt() const { return prompt_; }
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
    const std::string& SourceFile() const { return sourceFile_; }
    int SourceLineCount() const;
    int HighlightedLine() const { return highlighted_; }
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

    bool created_ = false;
    bool shown_ = false;
    bool debugger_ = false;
    lua_State* lua_ = nullptr;
    std::string prompt_ = kDefaultPrompt;
    std::vector<std::string> recent_;
    std::vector<ToolsItem> tools_;
    std::string sourceFile_;
    std::string sourceText_;
    std::vector<std::uint32_t> lineTable_;
    std::vector<LineMark> marks_;
    int highlighted_ = -1; // 0-based
    ReadState readState_ = READ_IDLE;
    lua_State* reader_ = nullptr;
    std::string readLine_;
    bool lineArrived_ = false;
    std::FILE* breakpointFile_ = nullptr;
    CloseHook closeHook_ = nullptr;
    InputHook inputHook_ = nullptr;
    void* inputUser_ = nullptr;
    std::string pendingInput_;
    bool inputEnded_ = false;
};
