// Lines of a modelling tool's text file, at most 511 characters each, with
// the line end (and any carriage return) removed. The text readers parse
// each line with a fixed format and stop with a failure at the end of the
// file rather than looping on it.
#pragma once

#include <cstdint>
#include <cstdio>

class OmTextLines {
public:
    static constexpr int kLineSize = 512;

    // Reads from a file the caller opened and closes.
    explicit OmTextLines(std::FILE* file) : m_file(file) {}

    // The next line into Text(); false at the end of the file.
    bool Next();
    const char* Text() const { return m_line; }
    bool AtEnd() const { return m_end; }
    // One-based number of the line last read, for error texts.
    int32_t LineNumber() const { return m_number; }

    // The next line, parsed as one integer (" %d").
    bool NextInt(int32_t& value);
    // The next line, parsed as three floats (" %f %f %f").
    bool NextFloats(float out[3]);
    // Skips count lines; false when the file ends first.
    bool Skip(int32_t count);
    // Reads until a line contains the text; false at the end of the file.
    bool SkipUntilContains(const char* text);
    // Reads until a line gives three floats; false at the end of the file.
    bool SkipUntilFloats(float out[3]);

private:
    std::FILE* m_file;
    char m_line[kLineSize] = {};
    bool m_end = false;
    int32_t m_number = 0;
};
