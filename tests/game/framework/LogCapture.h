// Collects console lines for the duration of a test.
#pragma once

#include <string>
#include <vector>

#include "game/framework/TsConsole.h"

struct LoggedLine {
    std::string text;
    TsColour colour;
};

class LogCapture {
public:
    LogCapture() { TsConsole::SetHook(&LogCapture::Take, this); }
    ~LogCapture() { TsConsole::SetHook(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<LoggedLine>& Lines() const { return m_lines; }
    std::string All() const
    {
        std::string all;
        for (const LoggedLine& line : m_lines) {
            all += line.text;
        }
        return all;
    }
    bool Contains(const std::string& piece) const { return All().find(piece) != std::string::npos; }
    // What was logged as an error (red), one line each.
    std::string Errors() const
    {
        std::string errors;
        for (const LoggedLine& line : m_lines)
            if (line.colour == TsColour{255, 0, 0})
                errors += line.text + "\n";
        return errors;
    }
    bool ContainsError(const std::string& piece) const { return Errors().find(piece) != std::string::npos; }
    void Clear() { m_lines.clear(); }
    // Takes the console's lines again after a test lent the hook out.
    void Resume() { TsConsole::SetHook(&LogCapture::Take, this); }

private:
    static void Take(std::string_view text, TsColour colour, void* user)
    {
        static_cast<LogCapture*>(user)->m_lines.push_back({std::string(text), colour});
    }
    std::vector<LoggedLine> m_lines;
};
