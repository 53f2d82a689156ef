// The four log functions every part of the game reports through, plus the
// coloured variant. Lines go to the developer console (TsConsole); errors
// also go to the engine's error report. Every call pumps the window message
// queue so that long loading work keeps the game window responsive.
#pragma once

#define TS_PRINTF_LIKE(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))

// A null text logs "(no message)".
void LogInfo(const char* text);                      // blue
void LogError(const char* text);                     // red, also ReportError
void LogColour(const char* text, int r, int g, int b); // components 0..255

// printf-style; a format without '%' is written as it stands followed by an
// empty line, otherwise the message (at most 1023 bytes) ends in one line break.
void LogInfoF(const char* format, ...) TS_PRINTF_LIKE(1, 2);
void LogErrorF(const char* format, ...) TS_PRINTF_LIKE(1, 2);

// A fault that would repeat every tick or frame is logged the first time
// only: said is the caller's flag (a function's static or a member), set by
// the first call; while it is set nothing is logged. Text and format are
// written as by the forms above.
void LogErrorOnce(bool& said, const char* text);
void LogErrorOnceF(bool& said, const char* format, ...) TS_PRINTF_LIKE(2, 3);
void LogInfoOnce(bool& said, const char* text);

// The application installs its message pump here once its window exists;
// until then log calls pump nothing.
using TsLogPumpHook = void (*)();
void SetLogPumpHook(TsLogPumpHook hook);
// Runs the installed pump once (code that waits for the developer).
void LogPumpMessages();
