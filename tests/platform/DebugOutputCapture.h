// Collects what reaches the developer's output channel while it lives, and
// puts the previous hook back when it goes, so an assertion that returns
// early never leaves a hook pointing at a test's dead locals.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "platform/DebugOutput.h"

class DebugOutputCapture {
public:
    DebugOutputCapture()
    {
        m_previous = plat::SetDebugOutputHook([this](std::string_view text) { m_text += text; });
    }
    ~DebugOutputCapture() { plat::SetDebugOutputHook(std::move(m_previous)); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    const std::string& Text() const { return m_text; }
    bool Contains(std::string_view part) const { return m_text.find(part) != std::string::npos; }
    // How often what occurs in the text (overlapping occurrences count).
    size_t Count(std::string_view what) const
    {
        size_t n = 0;
        for (size_t at = m_text.find(what); at != std::string::npos; at = m_text.find(what, at + 1))
            ++n;
        return n;
    }
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
    plat::DebugOutputHook m_previous;
};
