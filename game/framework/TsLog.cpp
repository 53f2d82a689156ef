#include "game/framework/TsLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/OmReport.h"
#include "game/framework/TsConsole.h"

namespace {

TsLogPumpHook g_pump = nullptr;

constexpr TsColour kInfoColour{0, 0, 255};
constexpr TsColour kErrorColour{255, 0, 0};

const char* OrNoMessage(const char* text)
{
    return text ? text : "(no message)";
}

void Pump()
{
    if (g_pump) {
        g_pump();
    }
}

std::uint8_t Component(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Formats into the 1024-byte message buffer, keeping room for the line
// break so a long message is cut rather than losing its end of line.
void FormatMessage(char (&buffer)[1024], const char* format, std::va_list args)
{
    constexpr std::size_t kRoom = sizeof(buffer) - 2;
    const int written = std::vsnprintf(buffer, kRoom, format, args);
    std::size_t length = 0;
    if (written > 0) {
        length = std::min(static_cast<std::size_t>(written), kRoom - 1);
    }
    buffer[length] = '\r';
    buffer[length + 1] = '\n';
    buffer[length + 2] = '\0';
}

// A format without '%' is logged as it stands and then a line break, so
// text that only looks like a format is never run through printf.
void LogFormatted(void (*log)(const char*), const char* format, std::va_list args)
{
    if (!format || !std::strchr(format, '%')) {
        log(format);
        log("\r\n");
        return;
    }
    char buffer[1024];
    FormatMessage(buffer, format, args);
    log(buffer);
}

} // namespace

void LogColour(const char* text, int r, int g, int b)
{
    TsConsole::Write(OrNoMessage(text), TsColour{Component(r), Component(g), Component(b)}, true);
    Pump();
}

void LogInfo(const char* text)
{
    TsConsole::Write(OrNoMessage(text), kInfoColour, true);
    Pump();
}

void LogError(const char* text)
{
    text = OrNoMessage(text);
    TsConsole::Write(text, kErrorColour, true);
    // Script errors often hold '%': the text is data, never a format.
    ReportError("%s", text);
    Pump();
}

void LogInfoF(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    LogFormatted(LogInfo, format, args);
    va_end(args);
}

void LogErrorF(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    LogFormatted(LogError, format, args);
    va_end(args);
}

void LogErrorOnce(bool& said, const char* text)
{
    if (!said) {
        said = true;
        LogError(text);
    }
}

void LogErrorOnceF(bool& said, const char* format, ...)
{
    if (said) {
        return;
    }
    said = true;
    std::va_list args;
    va_start(args, format);
    LogFormatted(LogError, format, args);
    va_end(args);
}

void LogInfoOnce(bool& said, const char* text)
{
    if (!said) {
        said = true;
        LogInfo(text);
    }
}

void SetLogPumpHook(TsLogPumpHook hook)
{
    g_pump = hook;
}

void LogPumpMessages()
{
    Pump();
}
