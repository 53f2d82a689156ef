#include "engine/OmString.h"

#include <cstring>

#include "engine/OmArchive.h"

char* OmCopyText(const char* text)
{
    if (!text)
        return nullptr;
    const size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

OmString::~OmString()
{
    // Cleared before freeing so a stale pointer to the text reads empty;
    // a string that never held text has nothing to clear.
    if (m_text) {
        m_text[0] = 0;
        delete[] m_text;
    }
    m_text = nullptr;
}

void OmString::Set(const char* text)
{
    char* copy = OmCopyText(text);
    delete[] m_text;
    m_text = copy;
}

void OmString::Write(OmArchive& archive) const
{
    archive.WriteString(m_text);
}

void OmString::Read(OmArchive& archive)
{
    archive.ReadString(m_text);
}
