// The engine's error reporters. Texts go to the debugger output channel; only
// a fatal error is shown to the player, and it ends the program.
#pragma once

#define OM_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))

// Formats the text, appends "\r\n" and sends "** ERROR ** : " and the text to
// the debugger output. Nothing is shown to the user.
void ReportError(const char* format, ...) OM_PRINTF_FORMAT(1, 2);

// As ReportError, then shows the text in a box titled "Fatal Error" and ends
// the program with exit code -1.
[[noreturn]] void FatalError(const char* format, ...) OM_PRINTF_FORMAT(1, 2);

// Formats the text, appends "\r\n" and sends it to the debugger output as is.
void DebugPrint(const char* format, ...) OM_PRINTF_FORMAT(1, 2);

// The developer trace: silent in every build. Its texts stay where they are
// sent from, so a developer chasing a fault can route them somewhere.
inline void OmTrace(const char* format, ...) OM_PRINTF_FORMAT(1, 2);
inline void OmTrace(const char*, ...) {}

// Longest text a report carries (including the "\r\n" and terminator); longer
// texts are cut, never written past the buffer.
constexpr int OM_REPORT_BUFFER_SIZE = 1024;
