#include "engine/OmReport.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

namespace {

constexpr std::string_view kErrorPrefix = "** ERROR ** : ";

// Formats into buffer and ends the text with "\r\n". A text too long for the
// buffer is cut so that the line ending always fits.
std::string_view FormatLine(char* buffer, int size, const char* format, va_list args)
{
    const int room = size - 2; // keep space for "\r\n"
    int length = std::vsnprintf(buffer, static_cast<size_t>(room), format ? format : "", args);
    if (length < 0) {
        length = 0;
    } else if (length >= room) {
        length = room - 1;
    }
    buffer[length] = '\r';
    buffer[length + 1] = '\n';
    buffer[length + 2] = '\0';
    return std::string_view(buffer, static_cast<size_t>(length + 2));
}

// The error reporters share one buffer: the program is single-threaded and a
// report is sent out before the next one is formatted.
char g_errorBuffer[OM_REPORT_BUFFER_SIZE];

// Sends an error line to the debugger output; the text stays in the shared
// buffer until the next error.
std::string_view ReportErrorV(const char* format, va_list args)
{
    std::string_view text = FormatLine(g_errorBuffer, OM_REPORT_BUFFER_SIZE, format, args);
    plat::DebugOutput(kErrorPrefix);
    plat::DebugOutput(text);
    return text;
}

} // namespace

void ReportError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    ReportErrorV(format, args);
    va_end(args);
}

void FatalError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string_view text = ReportErrorV(format, args);
    va_end(args);
    plat::ShowMessageBox("Fatal Error", text);
    std::exit(-1);
}

void DebugPrint(const char* format, ...)
{
    char buffer[OM_REPORT_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    std::string_view text = FormatLine(buffer, OM_REPORT_BUFFER_SIZE, format, args);
    va_end(args);
    plat::DebugOutput(text);
}
