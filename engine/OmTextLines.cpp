#include "engine/OmTextLines.h"

#include <cstring>

bool OmTextLines::Next()
{
    m_line[0] = 0;
    if (m_end || !m_file || !std::fgets(m_line, kLineSize, m_file)) {
        m_end = true;
        m_line[0] = 0;
        return false;
    }
    ++m_number;
    // Files written on Windows end their lines with a carriage return too.
    size_t length = std::strlen(m_line);
    while (length > 0 && (m_line[length - 1] == '\n' || m_line[length - 1] == '\r'))
        m_line[--length] = 0;
    return true;
}

bool OmTextLines::NextInt(int32_t& value)
{
    int parsed = 0;
    if (!Next() || std::sscanf(m_line, " %d", &parsed) != 1)
        return false;
    value = parsed;
    return true;
}

bool OmTextLines::NextFloats(float out[3])
{
    return Next() && std::sscanf(m_line, " %f %f %f", &out[0], &out[1], &out[2]) == 3;
}

bool OmTextLines::Skip(int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        if (!Next())
            return false;
    return true;
}

bool OmTextLines::SkipUntilContains(const char* text)
{
    while (Next())
        if (std::strstr(m_line, text))
            return true;
    return false;
}

bool OmTextLines::SkipUntilFloats(float out[3])
{
    while (Next())
        if (std::sscanf(m_line, " %f %f %f", &out[0], &out[1], &out[2]) == 3)
            return true;
    return false;
}
