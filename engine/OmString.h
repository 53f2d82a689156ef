// One owned, zero-terminated text (or none).
#pragma once

class OmArchive;

// A new[] copy of text for the caller to delete[]; null for null.
char* OmCopyText(const char* text);

class OmString {
public:
    OmString() = default;
    OmString(const char* text) { Set(text); }
    OmString(const OmString& other) { Set(other.m_text); }
    ~OmString();

    // The copy is made before the old text goes, so assigning a string its
    // own text (or part of it) is safe. Null leaves no text.
    void Set(const char* text);
    OmString& operator=(const char* text)
    {
        Set(text);
        return *this;
    }
    OmString& operator=(const OmString& other)
    {
        Set(other.m_text);
        return *this;
    }

    const char* Get() const { return m_text; }
    // Null or the empty text.
    bool IsEmpty() const { return !m_text || !*m_text; }

    // Archive string form; an empty text reads back as none.
    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);

private:
    char* m_text = nullptr;
};

// The holder the script interface sees; it behaves the same.
class OmWideString : public OmString {
public:
    using OmString::OmString;
    using OmString::operator=;
};
