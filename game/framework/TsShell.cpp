#include "game/framework/TsShell.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <strings.h>
#include <unistd.h>

#include "game/framework/TsConsole.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptQuote.h"
#include "platform/FilePath.h"
#include "platform/MessageBox.h"

namespace {

constexpr TsColour kBlack{0, 0, 0};
constexpr TsColour kBreakpointRed{255, 0, 0};
constexpr TsColour kCurrentGreen{0, 50, 0};

bool SameNoCase(const std::string& a, const char* b)
{
    return ::strcasecmp(a.c_str(), b) == 0;
}

std::string WithSlashes(const char* text)
{
    std::string out(text);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

// The stand-in for the "Open Lua File" dialog: the path is typed.
void RunScriptFile(std::int32_t)
{
    TsShell& shell = TsShell::Instance();
    LogInfo("Open Lua File: type the path of a Lua source (*.lua) file");
    char path[TsShell::kMaxInputLine + 1];
    if (!shell.WaitForLine(shell.LuaState(), path) || path[0] == '\0') {
        return;
    }
    std::FILE* file = plat::OpenFile(path, "rb");
    if (!file) {
        LogErrorF("Can't find %s", path);
        return;
    }
    std::fclose(file);
    const std::string command = "dofile(" + TsScriptQuote(WithSlashes(path)) + ")";
    shell.ExecuteCommand(command.c_str());
}

void WriteSection(const char* title)
{
    TsConsole::Write(std::string("--- ") + title + " ---\n", kBlack, false);
}

} // namespace

TsShell& TsShell::Instance()
{
    static TsShell shell;
    return shell;
}

bool TsShell::Create()
{
    if (m_created) {
        return true;
    }
    if (!TsConsole::OpenLogFile("shell.log")) {
        LogError("Could not open shell.log; the log goes to the terminal only");
    }
    AddToolsItem("&Run Script File", &RunScriptFile, 0);
    SwitchMode(false);
    m_created = true;
    return true;
}

void TsShell::Show(bool show)
{
    m_shown = show;
}

void TsShell::Destroy()
{
    TsConsole::CloseLogFile();
    if (m_breakpointFile) {
        std::fclose(m_breakpointFile);
    }
    // Back to the state of a shell not yet created (the next Create starts
    // afresh: the program's exit, and each test).
    *this = TsShell();
}

void TsShell::ForgetLuaState(lua_State* L)
{
    if (m_lua == L) {
        m_lua = nullptr;
    }
    if (m_reader == L) {
        m_reader = nullptr;
    }
}

void TsShell::ExecuteCommand(const char* text)
{
    if (!text) {
        return;
    }
    if (m_readState == READ_WAITING) {
        m_readLine.assign(text, strnlen(text, kMaxInputLine));
        m_lineArrived = true;
        m_readState = READ_IDLE;
        return;
    }
    LogColour(text, 0, 64, 128);
    if (!m_lua) {
        LogError("No script state is open to run the command in");
        return;
    }
    TsScriptHost::DoString(m_lua, text);
}

void TsShell::Close()
{
    m_readState = READ_CLOSING;
}

void TsShell::Exit()
{
    Close();
    if (m_closeHook) {
        m_closeHook();
    } else {
        LogInfo("The console is closed; there is no game window to close with it");
    }
}

void TsShell::SetInputHook(InputHook hook, void* user)
{
    m_inputHook = hook;
    m_inputUser = user;
    m_inputEnded = false;
    m_pendingInput.clear();
    if (m_readState == READ_CLOSING) {
        m_readState = READ_IDLE;
    }
}

bool TsShell::ReadInputLine(std::string* line, bool wait)
{
    if (m_inputHook) {
        return m_inputHook(line, m_inputUser);
    }
    if (m_inputEnded || !::isatty(STDIN_FILENO)) {
        return false;
    }
    for (;;) {
        const std::size_t end = m_pendingInput.find('\n');
        if (end != std::string::npos) {
            line->assign(m_pendingInput, 0, end);
            m_pendingInput.erase(0, end + 1);
            return true;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, wait ? 100 : 0);
        if (ready < 0 && errno != EINTR) {
            m_inputEnded = true;
            return false;
        }
        if (ready <= 0) {
            if (!wait) {
                return false;
            }
            LogPumpMessages();
            continue;
        }
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            m_inputEnded = true;
            return false;
        }
        m_pendingInput.append(buffer, static_cast<std::size_t>(got));
    }
}

void TsShell::PollInput()
{
    std::string line;
    while (m_readState != READ_WAITING && ReadInputLine(&line, false)) {
        HandleInputLine(line.c_str());
    }
}

bool TsShell::WaitForLine(lua_State* L, char (&line)[kMaxInputLine + 1])
{
    line[0] = '\0';
    if (m_readState == READ_CLOSING) {
        return false;
    }
    m_reader = L;
    m_readState = READ_WAITING;
    m_lineArrived = false;
    std::string typed;
    while (m_readState == READ_WAITING) {
        if (!ReadInputLine(&typed, true)) {
            m_readState = READ_IDLE;
            break;
        }
        HandleInputLine(typed.c_str());
    }
    m_reader = nullptr;
    if (!m_lineArrived) {
        return false;
    }
    m_lineArrived = false;
    std::snprintf(line, sizeof line, "%s", m_readLine.c_str());
    return true;
}

bool TsShell::AddToolsItem(const char* label, ToolsCallback callback, std::int32_t argument)
{
    if (!label || !callback) {
        return false;
    }
    if (static_cast<int>(m_tools.size()) >= kMaxToolsItems) {
        LogErrorF("The Tools menu is full; \"%.64s\" was not added", label);
        return false;
    }
    m_tools.push_back({std::string(label, strnlen(label, kMaxPath)), callback, argument});
    return true;
}

bool TsShell::RunToolsItem(int index)
{
    if (index < 0 || index >= static_cast<int>(m_tools.size())) {
        LogErrorF("There is no Tools item %d", index);
        return false;
    }
    m_tools[static_cast<std::size_t>(index)].callback(m_tools[static_cast<std::size_t>(index)].argument);
    return true;
}

void TsShell::AddRecentFile(const char* fullPath)
{
    if (!fullPath || strnlen(fullPath, kMaxPath) >= static_cast<std::size_t>(kMaxPath)) {
        return;
    }
    for (const std::string& known : m_recent) {
        if (SameNoCase(known, fullPath)) {
            return;
        }
    }
    if (static_cast<int>(m_recent.size()) < kMaxRecentFiles) {
        m_recent.emplace_back(fullPath);
    }
}

const char* TsShell::RecentFile(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_recent.size())) {
        return nullptr;
    }
    return m_recent[static_cast<std::size_t>(index)].c_str();
}

std::string TsShell::FullPath(const char* gamePath)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path resolved(plat::ResolvePath(gamePath ? gamePath : ""));
    fs::path full = fs::absolute(resolved, error);
    if (error) {
        full = resolved;
    }
    return full.lexically_normal().generic_string();
}

void TsShell::SwitchMode(bool debugger)
{
    m_debugger = debugger;
    WriteSection(debugger ? (std::string("debugger: ") + m_prompt).c_str() : "Shell");
}

void TsShell::SetPrompt(const char* text)
{
    m_prompt = text ? std::string(text, strnlen(text, kMaxPath)) : kDefaultPrompt;
    if (m_debugger) {
        WriteSection((std::string("debugger: ") + m_prompt).c_str());
    }
}

void TsShell::SetLocals(const char* text)
{
    if (text) {
        WriteSection("locals");
        TsConsole::Write(text, kBlack, true);
    }
}

void TsShell::SetStackFrame(const char* text)
{
    if (text) {
        WriteSection("stack");
        TsConsole::Write(text, kBlack, true);
    }
}

void TsShell::SetSourceWindowFromLocation(const char* text)
{
    if (!text) {
        return;
    }
    const char* at = std::strchr(text, '@');
    if (!at) {
        return;
    }
    const char* file = at + 1;
    const std::size_t length = std::strlen(file);
    // Skip the first two characters so a drive ("C:") is not taken for the
    // line separator.
    const char* colon = length > 2 ? std::strchr(file + 2, ':') : nullptr;
    if (!colon || colon - file >= kMaxPath) {
        return;
    }
    const std::string name(file, static_cast<std::size_t>(colon - file));
    const long line = std::strtol(colon + 1, nullptr, 10);
    ShowSource(name.c_str(), static_cast<int>(std::clamp(line, 0L, 1L << 30)) - 1, true);
}

int TsShell::SourceLineCount() const
{
    return m_lineTable.empty() ? 0 : static_cast<int>(m_lineTable.size()) - 1;
}

bool TsShell::LineInRange(int line) const
{
    return line >= 1 && line <= SourceLineCount();
}

TsShell::LineMark TsShell::MarkOfLine(int line) const
{
    return LineInRange(line) ? m_marks[static_cast<std::size_t>(line - 1)] : MARK_NONE;
}

bool TsShell::ShowSource(const char* file, int line, bool highlight)
{
    if (!file || strnlen(file, kMaxPath) >= static_cast<std::size_t>(kMaxPath)) {
        return false;
    }
    const std::string slashed = WithSlashes(file);
    if (slashed != m_sourceFile) {
        std::FILE* stream = plat::OpenFile(slashed, "rb");
        if (!stream) {
            return false;
        }
        std::string text;
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
            text.append(buffer, got);
        }
        std::fclose(stream);
        m_sourceFile = slashed;
        m_sourceText = std::move(text);
        // Lines end at line feeds; the table holds where each one starts.
        m_lineTable.assign(1, 0);
        for (std::size_t i = 0; i < m_sourceText.size() && m_lineTable.size() < kMaxLineTable; ++i) {
            if (m_sourceText[i] == '\n') {
                m_lineTable.push_back(static_cast<std::uint32_t>(i + 1));
            }
        }
        if (m_lineTable.back() != m_sourceText.size() && m_lineTable.size() < kMaxLineTable) {
            m_lineTable.push_back(static_cast<std::uint32_t>(m_sourceText.size()));
        }
        m_marks.assign(m_lineTable.size() - 1, MARK_NONE);
        m_highlighted = -1;
    }
    const int focus = line == -1 ? m_highlighted : line;
    RunBreakpointQuery();
    if (highlight && line != -1) {
        if (LineInRange(m_highlighted + 1)) {
            m_marks[static_cast<std::size_t>(m_highlighted)] = MARK_NONE;
        }
        m_highlighted = -1;
        RunBreakpointQuery();
        if (LineInRange(line + 1)) {
            m_marks[static_cast<std::size_t>(line)] = MARK_CURRENT;
            m_highlighted = line;
        }
    }
    PrintSourceSection(focus);
    return true;
}

void TsShell::RunBreakpointQuery()
{
    if (!m_lua || m_sourceFile.empty() || !TsScriptHost::IsTable(m_lua, "Y")) {
        return;
    }
    const std::string command = " Y.GetBreakPoints(" + TsScriptQuote(m_sourceFile) + ") ";
    TsScriptHost::DoString(m_lua, command.c_str());
}

void TsShell::PrintSourceSection(int focusLine) const
{
    const int count = SourceLineCount();
    if (count == 0) {
        return;
    }
    const int first = std::max(0, focusLine - 8);
    const int last = std::min(count, std::max(focusLine, 0) + 9);
    WriteSection(("source: " + m_sourceFile).c_str());
    for (int i = first; i < last; ++i) {
        const std::size_t begin = m_lineTable[static_cast<std::size_t>(i)];
        std::size_t end = m_lineTable[static_cast<std::size_t>(i) + 1];
        while (end > begin && (m_sourceText[end - 1] == '\n' || m_sourceText[end - 1] == '\r')) {
            --end;
        }
        const LineMark mark = m_marks[static_cast<std::size_t>(i)];
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%c%5d  ",
                      mark == MARK_CURRENT ? '>' : mark == MARK_BREAKPOINT ? '*' : ' ', i + 1);
        const TsColour colour = mark == MARK_CURRENT ? kCurrentGreen
                                : mark == MARK_BREAKPOINT ? kBreakpointRed : kBlack;
        TsConsole::Write(prefix + m_sourceText.substr(begin, end - begin) + "\n", colour, false);
    }
}

void TsShell::SetBreakpointList(const char* file, const char* lines)
{
    if (!file || !lines) {
        return;
    }
    const bool shown = SameNoCase(m_sourceFile, file);
    const std::string quoted = TsScriptQuote(file);
    const char* cursor = lines;
    for (;;) {
        char* end = nullptr;
        const long n = std::strtol(cursor, &end, 10);
        if (end == cursor) {
            break;
        }
        cursor = end;
        if (n < 1 || n > kMaxLineTable) {
            continue; // not a line any source window can hold
        }
        if (m_breakpointFile) {
            std::fprintf(m_breakpointFile, "Y.SetBreakPoint(%ld, %s)\n", n, quoted.c_str());
        }
        const int line = static_cast<int>(n);
        if (shown && LineInRange(line) && m_marks[static_cast<std::size_t>(line - 1)] != MARK_CURRENT) {
            m_marks[static_cast<std::size_t>(line - 1)] = MARK_BREAKPOINT;
        }
    }
}

void TsShell::SetBreakpoint(const char* file, int line, bool on)
{
    WriteBreakpointFile();
    if (!on && file && SameNoCase(m_sourceFile, file) && LineInRange(line)
        && m_marks[static_cast<std::size_t>(line - 1)] == MARK_BREAKPOINT) {
        m_marks[static_cast<std::size_t>(line - 1)] = MARK_NONE;
    }
}

void TsShell::WriteBreakpointFile()
{
    if (!m_lua || m_breakpointFile) {
        return;
    }
    m_breakpointFile = plat::OpenFile(kBreakpointFile, "w");
    if (!m_breakpointFile) {
        LogErrorF("Could not write %s", kBreakpointFile);
        return;
    }
    std::fputs("-- Automagically generated, don't alter\n", m_breakpointFile);
    for (const std::string& file : m_recent) {
        const std::string command = " Y.GetBreakPoints(" + TsScriptQuote(file) + ") ";
        TsScriptHost::DoString(m_lua, command.c_str());
    }
    if (std::fclose(m_breakpointFile) != 0) {
        LogErrorF("Could not write %s", kBreakpointFile);
    }
    m_breakpointFile = nullptr;
}

void TsShell::ToggleBreakpoint(int line)
{
    if (m_sourceFile.empty() || !LineInRange(line)) {
        LogError("No source line to toggle a breakpoint on");
        return;
    }
    const std::string command =
        "Y.ToggleBreakPoint(" + std::to_string(line) + ", " + TsScriptQuote(m_sourceFile) + ")";
    LogColour(command.c_str(), 0, 255, 0);
    if (m_lua) {
        TsScriptHost::DoString(m_lua, command.c_str());
    }
}

void TsShell::ToggleDebugger()
{
    if (!m_debugger) {
        ExecuteCommand("dofile(\"scripts/yield.lua\")");
        ExecuteCommand("Y.open()");
        ExecuteCommand("dofile(\"scripts/Breakpoints.lua\")");
    } else {
        ExecuteCommand("Y.close()");
    }
}

void TsShell::ListTools() const
{
    WriteSection("Tools");
    for (std::size_t i = 0; i < m_tools.size(); ++i) {
        TsConsole::Write(std::to_string(i) + "  " + m_tools[i].label + "\n", kBlack, false);
    }
}

void TsShell::ListRecentFiles() const
{
    WriteSection("recent files");
    for (std::size_t i = 0; i < m_recent.size(); ++i) {
        TsConsole::Write(std::to_string(i) + "  " + m_recent[i] + "\n", kBlack, false);
    }
}

void TsShell::HandleInputLine(const char* line)
{
    if (!line) {
        return;
    }
    std::string text(line, strnlen(line, kMaxInputLine));
    text = text.substr(0, text.find_first_of("\r\n"));
    if (text.rfind("//", 0) == 0 || text.empty() || text[0] != '/') {
        ExecuteCommand(text.rfind("//", 0) == 0 ? text.c_str() + 1 : text.c_str());
        return;
    }
    const std::size_t space = text.find(' ');
    const std::string name = text.substr(1, space == std::string::npos ? std::string::npos : space - 1);
    const bool hasNumber = space != std::string::npos;
    const int number = hasNumber ? std::atoi(text.c_str() + space + 1) : -1;
    if (name == "tools") {
        hasNumber ? static_cast<void>(RunToolsItem(number)) : ListTools();
    } else if (name == "recent") {
        if (!hasNumber) {
            ListRecentFiles();
        } else if (const char* file = RecentFile(number)) {
            ShowSource(file, 0, false);
        } else {
            LogErrorF("There is no recent file %d", number);
        }
    } else if (name == "clear") {
        TsConsole::Clear();
    } else if (name == "debug") {
        ToggleDebugger();
    } else if (name == "break") {
        ToggleBreakpoint(number);
    } else if (name == "over" || name == "into" || name == "run") {
        ExecuteCommand(name == "over" ? "'n" : name == "into" ? "'s" : "'c");
    } else if (name == "exit") {
        Exit();
    } else if (name == "about") {
        plat::ShowMessageBox("Tessaran", "Tessaran Shell");
    } else {
        LogInfo("Shell commands: /tools [n], /recent [n], /clear, /debug, /break n, "
                "/over, /into, /run, /exit, /about; //text runs \"/text\"");
    }
}
