#include "game/framework/FileIO.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "game/framework/TsLog.h"
#include "platform/FilePath.h"
#include "platform/Process.h"
#include "render/OmD3D.h"

namespace {

bool ValidMode(const char* mode)
{
    if (!mode || !std::strchr("rwa", mode[0])) {
        return false;
    }
    return std::strspn(mode + 1, "b+t") == std::strlen(mode + 1);
}

} // namespace

bool FileIO::Open(const char* name, const char* mode)
{
    Close();
    if (!name || !ValidMode(mode)) {
        return false;
    }
    m_file = plat::OpenFile(name, mode);
    return m_file != nullptr;
}

void FileIO::Close()
{
    // What the script wrote reaches the disk only now: a full disk is told.
    if (m_file && std::fclose(m_file) != 0) {
        LogError("FileIO:Close: what was written could not all be saved");
    }
    m_file = nullptr;
}

const char* FileIO::ReadLine()
{
    if (!m_file) {
        return nullptr;
    }
    int length = 0;
    int c = std::fgetc(m_file);
    while (c != EOF && c != '\n' && c != '\r' && length < kLineLength) {
        m_line[length++] = static_cast<char>(c);
        c = std::fgetc(m_file);
    }
    if (length == kLineLength && c != '\n' && c != '\r') {
        // The line goes on: leave the rest for the next call.
        if (c != EOF) {
            std::ungetc(c, m_file);
        }
        m_line[length] = '\0';
        return m_line;
    }
    while (c == '\n' || c == '\r') {
        c = std::fgetc(m_file);
    }
    if (c != EOF) {
        std::ungetc(c, m_file);
    }
    m_line[length] = '\0';
    return m_line;
}

bool FileIO::WriteLine(const char* text)
{
    if (!m_file || !text) {
        return false;
    }
    return std::fprintf(m_file, "%s\n", text) >= 0;
}

bool FileIO::Eof() const
{
    if (!m_file) {
        return true;
    }
    // The end flag is only set by a read that fails: look one character ahead.
    const int c = std::fgetc(m_file);
    if (c == EOF) {
        return true;
    }
    std::ungetc(c, m_file);
    return false;
}

namespace {

// A game path made absolute, as the desktop's opener wants it.
std::string AbsolutePath(const char* gamePath)
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(plat::ResolvePath(gamePath), error);
    return error ? plat::ResolvePath(gamePath) : path.lexically_normal().string();
}

// The program Execute should start itself: the named file when it is one,
// or a bare name found on PATH; empty for a document.
std::string ProgramNamed(const char* file, const std::string& path)
{
    if (plat::IsProgram(path)) {
        return path;
    }
    const bool bareName = !std::strpbrk(file, "/\\");
    return bareName && !plat::PathExists(file) ? plat::FindProgram(file) : std::string();
}

// Parameters as a command line writes them: words apart at blanks, and a
// double-quoted stretch kept in one word (the quotes left out).
std::vector<std::string> SplitParameters(const char* parameters)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* c = parameters ? parameters : ""; *c; ++c) {
        if (*c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (*c == ' ' || *c == '\t')) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else {
            word += *c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

} // namespace

// A program is started with the parameters; a document is opened with the
// desktop's own opener, as a double click would, which takes no parameters.
bool FileIO::Execute(const char* file, const char* parameters, const char* directory)
{
    if (!file || !*file) {
        LogError("FileIO:Execute: no file was named");
        return false;
    }
    const std::string document = AbsolutePath(file);
    const std::string folder = directory && *directory ? AbsolutePath(directory) : std::string();
    const std::string program = ProgramNamed(file, document);
    if (!program.empty()) {
        if (plat::StartProgram(program, SplitParameters(parameters), folder) == plat::OpenResult::kStarted) {
            return true;
        }
        LogErrorF("FileIO:Execute(%s): the program could not be started", file);
        return false;
    }
    if (parameters && *parameters) {
        LogInfoF("FileIO:Execute(%s): the desktop opener takes no parameters; \"%s\" is not passed", file, parameters);
    }
    switch (plat::OpenWithDesktop(document, folder)) {
    case plat::OpenResult::kStarted:
        return true;
    case plat::OpenResult::kNoOpener:
        LogErrorF("FileIO:Execute(%s): no desktop opener (xdg-open) is installed, so the file cannot be opened", file);
        return false;
    case plat::OpenResult::kFailed:
        break;
    }
    LogErrorF("FileIO:Execute(%s): the desktop opener could not be started", file);
    return false;
}

int FileIO::FirstFreeScreenshotNumber(const char* prefix)
{
    const std::string base = prefix ? prefix : "";
    for (int n = 0; n < 100000; ++n) {
        if (!plat::PathExists(base + std::to_string(n) + ".bmp")) {
            return n;
        }
    }
    return -1;
}

const char* FileIO::Screenshot(const char* prefix)
{
    const int n = FirstFreeScreenshotNumber(prefix);
    const std::string name = (prefix ? prefix : "") + std::to_string(n) + ".bmp";
    OmD3D* renderer = OmD3D::Instance();
    if (n < 0 || !renderer || !renderer->SaveScreenshot(name.c_str())) {
        LogErrorF("FileIO:Screenshot: %s was not saved", name.c_str());
        return nullptr;
    }
    static char answer[32]; // the script copies the answer at once
    std::snprintf(answer, sizeof answer, "%d.bmp", n);
    return answer;
}
