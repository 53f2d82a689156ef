// The developer console's output pane. Lines go to standard error (coloured
// with ANSI escapes when it is a terminal) and, once the shell has opened
// it, to "shell.log" in the working directory. Tests can take the lines with
// a hook instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct TsColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const TsColour&) const = default;
};

class TsConsole {
public:
    // Normalises a log text to whole lines: carriage returns are dropped,
    // at most 4093 input characters are kept, trailing line breaks are
    // removed and exactly one line feed is appended.
    static std::string ConvertText(std::string_view text);

    // Appends text in a colour; `convert` applies ConvertText first (log
    // lines and variable listings do, source listings do not).
    static void Write(std::string_view text, TsColour colour, bool convert);

    // Starts (or restarts) copying every line into the given file.
    static bool OpenLogFile(const char* path);
    static void CloseLogFile();

    // Empties the visible output (File > Clear Output): on a terminal this
    // prints a separator, the log file keeps its history.
    static void Clear();

    // Replaces standard error and the log file (null restores them).
    using Hook = void (*)(std::string_view text, TsColour colour, void* user);
    static void SetHook(Hook hook, void* user);
};
