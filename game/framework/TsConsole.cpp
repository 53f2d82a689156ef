#include "game/framework/TsConsole.h"

#include <cstdio>
#include <unistd.h>

namespace {

struct ConsoleState {
    std::FILE* logFile = nullptr;
    TsConsole::Hook hook = nullptr;
    void* hookUser = nullptr;
    int colourTerminal = -1; // -1 not yet asked
};

ConsoleState& State()
{
    static ConsoleState state;
    return state;
}

bool StderrIsTerminal()
{
    ConsoleState& s = State();
    if (s.colourTerminal < 0) {
        s.colourTerminal = ::isatty(STDERR_FILENO) ? 1 : 0;
    }
    return s.colourTerminal == 1;
}

void WriteTerminal(std::string_view text, TsColour colour)
{
    // Black is the pane's ordinary text; on a terminal it stays in the
    // terminal's own colour so it is readable on dark backgrounds too.
    const bool tint = StderrIsTerminal() && !(colour == TsColour{});
    if (tint) {
        std::fprintf(stderr, "\x1b[38;2;%d;%d;%dm", colour.r, colour.g, colour.b);
    }
    if (!tint) {
        std::fwrite(text.data(), 1, text.size(), stderr);
    } else {
        // The colour ends before the line break so the next line starts plain.
        const bool newline = !text.empty() && text.back() == '\n';
        std::fwrite(text.data(), 1, text.size() - (newline ? 1 : 0), stderr);
        std::fputs(newline ? "\x1b[0m\n" : "\x1b[0m", stderr);
    }
    std::fflush(stderr);
}

// The pane's buffer held 4096 bytes; a longer text is cut, not spilled.
constexpr std::size_t kPaneBuffer = 4096;

// The converted text, written into out (kPaneBuffer bytes) and viewed there:
// a log line written mid-game makes no string.
std::string_view ConvertInto(std::string_view text, char* out)
{
    constexpr std::size_t kMaxInput = kPaneBuffer - 3;
    constexpr std::size_t kMaxOutput = kPaneBuffer - 2;
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size() && i < kMaxInput; ++i) {
        const char c = text[i];
        if (c == '\0') {
            break;
        }
        if (c == '\r') {
            continue;
        }
        if (n >= kMaxOutput) {
            break;
        }
        out[n++] = c;
    }
    while (n > 0 && (out[n - 1] == '\n' || out[n - 1] == '\r')) {
        --n;
    }
    out[n++] = '\n';
    return {out, n};
}

} // namespace

std::string TsConsole::ConvertText(std::string_view text)
{
    char buffer[kPaneBuffer];
    return std::string(ConvertInto(text, buffer));
}

void TsConsole::Write(std::string_view text, TsColour colour, bool convert)
{
    ConsoleState& s = State();
    char converted[kPaneBuffer];
    if (convert) {
        text = ConvertInto(text, converted);
    }
    if (s.hook) {
        s.hook(text, colour, s.hookUser);
        return;
    }
    WriteTerminal(text, colour);
    if (s.logFile) {
        std::fwrite(text.data(), 1, text.size(), s.logFile);
        std::fflush(s.logFile);
    }
}

bool TsConsole::OpenLogFile(const char* path)
{
    CloseLogFile();
    State().logFile = std::fopen(path, "w");
    return State().logFile != nullptr;
}

void TsConsole::CloseLogFile()
{
    if (State().logFile) {
        std::fclose(State().logFile);
        State().logFile = nullptr;
    }
}

void TsConsole::Clear()
{
    if (!State().hook && StderrIsTerminal()) {
        std::fputs("\x1b[2J\x1b[H", stderr);
        std::fflush(stderr);
    }
}

void TsConsole::SetHook(Hook hook, void* user)
{
    State().hook = hook;
    State().hookUser = user;
}
