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
    if (created_) {
        return true;
    }
    if (!TsConsole::OpenLogFile("shell.log")) {
        LogError("Could not open shell.log; the log goes to the terminal only");
    }
    AddToolsItem("&Run Script File", &RunScriptFile, 0);
    SwitchMode(false);
    created_ = true;
    return true;
}

void TsShell::Show(bool show)
{
    shown_ = show;
}

void TsShell::Destroy()
{
    TsConsole::CloseLogFile();
    if (breakpointFile_) {
        std::fclose(breakpointFile_);
    }
    // Back to the state of a shell not yet created (the next Create starts
    // afresh: the program's exit, and each test).
    *this = TsShell();
}

void TsShell::ForgetLuaState(lua_State* L)
{
    if (lua_ == L) {
        lua_ = nullptr;
    }
    if (reader_ == L) {
        reader_ = nullptr;
    }
}

void TsShell::ExecuteCommand(const char* text)
{
    if (!text) {
        return;
    }
    if (readState_ == READ_WAITING) {
        readLine_.assign(text, strnlen(text, kMaxInputLine));
        lineArrived_ = true;
        readState_ = READ_IDLE;
        return;
    }
    LogColour(text, 0, 64, 128);
    if (!lua_) {
        LogError("No script state is open to run the command in");
        return;
    }
    TsScriptHost::DoString(lua_, text);
}

void TsShell::Close()
{
    readState_ = READ_CLOSING;
}

void TsShell::Exit()
{
    Close();
    if (closeHook_) {
        closeHook_();
    } else {
        LogInfo("The console is closed; there is no game window to close with it");
    }
}

void TsShell::SetInputHook(InputHook hook, void* user)
{
    inputHook_ = hook;
    inputUser_ = user;
    inputEnded_ = false;
    pendingInput_.clear();
    if (readState_ == READ_CLOSING) {
        readState_ = READ_IDLE;
    }
}

bool TsShell::ReadInputLine(std::string* line, bool wait)
{
    if (inputHook_) {
        return inputHook_(line, inputUser_);
    }
    if (inputEnded_ || !::isatty(STDIN_FILENO)) {
        return false;
    }
    for (;;) {
        const std::size_t end = pendingInput_.find('\n');
        if (end != std::string::npos) {
            line->assign(pendingInput_, 0, end);
            pendingInput_.erase(0, end + 1);
            return true;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, wait ? 100 : 0);
        if (ready < 0 && errno != EINTR) {
            inputEnded_ = true;
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
            inputEnded_ = true;
            return false;
        }
        pendingInput_.append(buffer, static_cast<std::size_t>(got));
    }
}

void TsShell::PollInput()
{
    std::string line;
    while (readState_ != READ_WAITING && ReadInputLine(&line, false)) {
        HandleInputLine(line.c_str());
    }
}

bool TsShell::WaitForLine(lua_State* L, char (&line)[kMaxInputLine + 1])
{
    line[0] = '\0';
    if (readState_ == READ_CLOSING) {
        return false;
    }
    reader_ = L;
    readState_ = READ_WAITING;
    lineArrived_ = false;
    std::string typed;
    while (readState_ == READ_WAITING) {
        if (!ReadInputLine(&typed, true)) {
            readState_ = READ_IDLE;
            break;
        }
        HandleInputLine(typed.c_str());
    }
    reader_ = nullptr;
    if (!lineArrived_) {
        return false;
    }
    lineArrived_ = false;
    std::snprintf(line, sizeof line, "%s", readLine_.c_str());
    return true;
}

bool TsShell::AddToolsItem(const char* label, ToolsCallback callback, std::int32_t argument)
{
    if (!label || !callback) {
        return false;
    }
    if (static_cast<int>(tools_.size()) >= kMaxToolsItems) {
        LogErrorF("The Tools menu is full; \"%.64s\" was not added", label);
        return false;
    }
    tools_.push_back({std::string(label, strnlen(label, kMaxPath)), callback, argument});
    return true;
}

bool TsShell::RunToolsItem(int index)
{
    if (index < 0 || index >= static_cast<int>(tools_.size())) {
        LogErrorF("There is no Tools item %d", index);
        return false;
    }
    tools_[static_cast<std::size_t>(index)].callback(tools_[static_cast<std::size_t>(index)].argument);
    return true;
}

void TsShell::AddRecentFile(const char* fullPath)
{
    if (!fullPath || strnlen(fullPath, kMaxPath) >= static_cast<std::size_t>(kMaxPath)) {
        return;
    }
    for (const std::string& known : recent_) {
        if (SameNoCase(known, fullPath)) {
            return;
        }
    }
    if (static_cast<int>(recent_.size()) < kMaxRecentFiles) {
        recent_.emplace_back(fullPath);
    }
}

const char* TsShell::RecentFile(int index) const
{
    if (index < 0 || index >= static_cast<int>(recent_.size())) {
        return nullptr;
    }
    return recent_[static_cast<std::size_t>(index)].c_str();
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
    debugger_ = debugger;
    WriteSection(debugger ? (std::string("debugger: ") + prompt_).c_str() : "Shell");
}

void TsShell::SetPrompt(const char* text)
{
    prompt_ = text ? std::string(text, strnlen(text, kMaxPath)) : kDefaultPrompt;
    if (debugger_) {
        WriteSection((std::string("debugger: ") + prompt_).c_str());
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
    return lineTable_.empty() ? 0 : static_cast<int>(lineTable_.size()) - 1;
}

bool TsShell::LineInRange(int line) const
{
    return line >= 1 && line <= SourceLineCount();
}

TsShell::LineMark TsShell::MarkOfLine(int line) const
{
    return LineInRange(line) ? marks_[static_cast<std::size_t>(line - 1)] : MARK_NONE;
}

bool TsShell::ShowSource(const char* file, int line, bool highlight)
{
    if (!file || strnlen(file, kMaxPath) >= static_cast<std::size_t>(kMaxPath)) {
        return false;
    }
    const std::string slashed = WithSlashes(file);
    if (slashed != sourceFile_) {
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
        sourceFile_ = slashed;
        sourceText_ = std::move(text);
        // Lines end at line feeds; the table holds where each one starts.
        lineTable_.assign(1, 0);
        for (std::size_t i = 0; i < sourceText_.size() && lineTable_.size() < kMaxLineTable; ++i) {
            if (sourceText_[i] == '\n') {
                lineTable_.push_back(static_cast<std::uint32_t>(i + 1));
            }
        }
        if (lineTable_.back() != sourceText_.size() && lineTable_.size() < kMaxLineTable) {
            lineTable_.push_back(static_cast<std::uint32_t>(sourceText_.size()));
        }
        marks_.assign(lineTable_.size() - 1, MARK_NONE);
        highlighted_ = -1;
    }
    const int focus = line == -1 ? highlighted_ : line;
    RunBreakpointQuery();
    if (highlight && line != -1) {
        if (LineInRange(highlighted_ + 1)) {
            marks_[static_cast<std::size_t>(highlighted_)] = MARK_NONE;
        }
        highlighted_ = -1;
        RunBreakpointQuery();
        if (LineInRange(line + 1)) {
            marks_[static_cast<std::size_t>(line)] = MARK_CURRENT;
            highlighted_ = line;
        }
    }
    PrintSourceSection(focus);
    return true;
}

void TsShell::RunBreakpointQuery()
{
    if (!lua_ || sourceFile_.empty() || !TsScriptHost::IsTable(lua_, "Y")) {
        return;
    }
    const std::string command = " Y.GetBreakPoints(" + TsScriptQuote(sourceFile_) + ") ";
    TsScriptHost::DoString(lua_, command.c_str());
}

void TsShell::PrintSourceSection(int focusLine) const
{
    const int count = SourceLineCount();
    if (count == 0) {
        return;
    }
    const int first = std::max(0, focusLine - 8);
    const int last = std::min(count, std::max(focusLine, 0) + 9);
    WriteSection(("source: " + sourceFile_).c_str());
    for (int i = first; i < last; ++i) {
        const std::size_t begin = lineTable_[static_cast<std::size_t>(i)];
        std::size_t end = lineTable_[static_cast<std::size_t>(i) + 1];
        while (end > begin && (sourceText_[end - 1] == '\n' || sourceText_[end - 1] == '\r')) {
            --end;
        }
        const LineMark mark = marks_[static_cast<std::size_t>(i)];
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%c%5d  ",
                      mark == MARK_CURRENT ? '>' : mark == MARK_BREAKPOINT ? '*' : ' ', i + 1);
        const TsColour colour = mark == MARK_CURRENT ? kCurrentGreen
                                : mark == MARK_BREAKPOINT ? kBreakpointRed : kBlack;
        TsConsole::Write(prefix + sourceText_.substr(begin, end - begin) + "\n", colour, false);
    }
}

void TsShell::SetBreakpointList(const char* file, const char* lines)
{
    if (!file || !lines) {
        return;
    }
    const bool shown = SameNoCase(sourceFile_, file);
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
        if (breakpointFile_) {
            std::fprintf(breakpointFile_, "Y.SetBreakPoint(%ld, %s)\n", n, quoted.c_str());
        }
        const int line = static_cast<int>(n);
        if (shown && LineInRange(line) && marks_[static_cast<std::size_t>(line - 1)] != MARK_CURRENT) {
            marks_[static_cast<std::size_t>(line - 1)] = MARK_BREAKPOINT;
        }
    }
}

void TsShell::SetBreakpoint(const char* file, int line, bool on)
{
    WriteBreakpointFile();
    if (!on && file && SameNoCase(sourceFile_, file) && LineInRange(line)
        && marks_[static_cast<std::size_t>(line - 1)] == MARK_BREAKPOINT) {
        marks_[static_cast<std::size_t>(line - 1)] = MARK_NONE;
    }
}

void TsShell::WriteBreakpointFile()
{
    if (!lua_ || breakpointFile_) {
        return;
    }
    breakpointFile_ = plat::OpenFile(kBreakpointFile, "w");
    if (!breakpointFile_) {
        LogErrorF("Could not write %s", kBreakpointFile);
        return;
    }
    std::fputs("-- Automagically generated, don't alter\n", breakpointFile_);
    for (const std::string& file : recent_) {
        const std::string command = " Y.GetBreakPoints(" + TsScriptQuote(file) + ") ";
        TsScriptHost::DoString(lua_, command.c_str());
    }
    if (std::fclose(breakpointFile_) != 0) {
        LogErrorF("Could not write %s", kBreakpointFile);
    }
    breakpointFile_ = nullptr;
}

void TsShell::ToggleBreakpoint(int line)
{
    if (sourceFile_.empty() || !LineInRange(line)) {
        LogError("No source line to toggle a breakpoint on");
        return;
    }
    const std::string command =
        "Y.ToggleBreakPoint(" + std::to_string(line) + ", " + TsScriptQuote(sourceFile_) + ")";
    LogColour(command.c_str(), 0, 255, 0);
    if (lua_) {
        TsScriptHost::DoString(lua_, command.c_str());
    }
}

void TsShell::ToggleDebugger()
{
    if (!debugger_) {
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
    for (std::size_t i = 0; i < tools_.size(); ++i) {
        TsConsole::Write(std::to_string(i) + "  " + tools_[i].label + "\n", kBlack, false);
    }
}

void TsShell::ListRecentFiles() const
{
    WriteSection("recent files");
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        TsConsole::Write(std::to_string(i) + "  " + recent_[i] + "\n", kBlack, false);
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
