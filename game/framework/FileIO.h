// A small text file object for scripts: open, read and write lines.
// Every call on a closed object answers nil (null) or false instead of
// touching a stream that is not there.
#pragma once

#include <cstdio>

class FileIO {
public:
    static constexpr int kLineLength = 255;

    FileIO() = default;
    ~FileIO() { Close(); }
    FileIO(const FileIO&) = delete;
    FileIO& operator=(const FileIO&) = delete;

    // Opens a file named the game's way; a stream already open is closed
    // first. Modes are those of fopen ("r", "w", "a", with "b" or "+").
    bool Open(const char* name, const char* mode);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // The next line without its line break, at most 255 characters (the
    // rest of a longer line comes with the next call). Null when closed.
    const char* ReadLine();
    // Writes the text and a line feed; false when closed or on failure.
    bool WriteLine(const char* text);
    // True at the end of the file, and for a closed object (there is
    // nothing left to read, so a read loop ends).
    bool Eof() const;

    // Starts a program with the parameters (split at blanks, double quotes
    // keeping a stretch together; no shell in between), or opens a document
    // with the desktop's opener, in directory. False, with a log line, when
    // nothing could be started.
    bool Execute(const char* file, const char* parameters, const char* directory);
    // Saves the screen as the first free "<prefix><n>.bmp"; the name
    // "<n>.bmp", or null when nothing was saved.
    const char* Screenshot(const char* prefix);
    // The first n for which "<prefix><n>.bmp" does not exist.
    static int FirstFreeScreenshotNumber(const char* prefix);

private:
    std::FILE* m_file = nullptr;
    char m_line[kLineLength + 1] = {};
};
