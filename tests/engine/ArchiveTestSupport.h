// Archive test helpers: temporary files and the layout of a saved archive.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "tests/platform/DebugOutputCapture.h"

namespace archive_test {

// The class registry with its ids assigned, as archives need it.
inline OmClassRegistry& Registry()
{
    OmClassRegistry::Instance().AssignClassIds();
    return OmClassRegistry::Instance();
}

// Saves the roots (a null one included) to path, with the resources of the
// owner when there is one; false when the save fails.
inline bool SaveRoots(const std::string& path, std::initializer_list<OmObject*> roots,
                      OmResourceOwner* owner = nullptr)
{
    OmArchive archive(Registry());
    archive.SetResourceOwner(owner);
    for (OmObject* root : roots)
        archive.AddRoot(root);
    return archive.Save(path.c_str());
}

// <temp>/om_<pid>.<suite>.<test>.<suffix>, removed when it goes, so an
// early ASSERT leaves no file behind.
class TestFile {
public:
    explicit TestFile(const std::string& suffix)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = (std::filesystem::temp_directory_path() / ("om_" + std::to_string(getpid()) + "." +
                                                             info->test_suite_name() + "." + info->name() + "." +
                                                             suffix))
                     .string();
    }
    ~TestFile() { std::filesystem::remove(m_path); }
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;

    operator const std::string&() const { return m_path; }
    const char* c_str() const { return m_path.c_str(); }

private:
    std::string m_path;
};

inline std::vector<unsigned char> Patched(std::vector<unsigned char> bytes, size_t offset, uint32_t value)
{
    std::memcpy(bytes.data() + offset, &value, 4);
    return bytes;
}

inline std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// What a load gave: whether it succeeded and its roots, the caller's to release.
struct LoadResult {
    bool ok;
    std::vector<OmObject*> roots;
};

inline LoadResult LoadFile(const std::string& path, OmResourceOwner* owner = nullptr)
{
    OmArchive archive(Registry());
    archive.SetResourceOwner(owner);
    LoadResult result{archive.Load(path.c_str()), {}};
    for (uint32_t i = 0; i < archive.GetRootCount(); ++i)
        result.roots.push_back(archive.GetRoot(i));
    return result;
}

inline LoadResult LoadBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    WriteFile(path, bytes);
    return LoadFile(path);
}

inline uint32_t WordAt(const std::vector<unsigned char>& bytes, size_t offset)
{
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

inline void SetWord(std::vector<unsigned char>& bytes, size_t offset, uint32_t value)
{
    std::memcpy(bytes.data() + offset, &value, 4);
}

// Where the words first stand in a row in bytes, searched from the front
// or from the back; npos when they never do.
inline size_t FindWords(const std::vector<unsigned char>& bytes, const std::vector<uint32_t>& words,
                        bool fromBack = false)
{
    const size_t span = 4 * words.size();
    for (size_t i = 0; i + span <= bytes.size(); ++i) {
        const size_t at = fromBack ? bytes.size() - span - i : i;
        size_t matched = 0;
        while (matched < words.size() && WordAt(bytes, at + 4 * matched) == words[matched])
            ++matched;
        if (matched == words.size())
            return at;
    }
    return std::string::npos;
}

// Where things are in a file saved without a resource section.
struct Layout {
    struct ClassRecord {
        uint32_t fileIndex;
        size_t countOffset;
        uint32_t count;
    };
    std::map<std::string, ClassRecord> classes;
    size_t classCountOffset = 0;
    size_t rootsOffset = 0;
};

// The header and class table; rootsOffset is where resources or roots start.
inline Layout ParseLayout(const std::vector<unsigned char>& bytes)
{
    Layout layout;
    size_t at = 75 + 8;
    layout.classCountOffset = at;
    uint32_t classCount = WordAt(bytes, at);
    at += 4;
    for (uint32_t c = 0; c < classCount; ++c) {
        uint32_t length = WordAt(bytes, at);
        std::string name(reinterpret_cast<const char*>(bytes.data() + at + 4), length);
        at += 4 + length;
        layout.classes[name] = {c, at, WordAt(bytes, at)};
        at += 4;
    }
    layout.rootsOffset = at;
    return layout;
}

// The file with its root list replaced: root i names what the saved root
// order[i] named; saved is how many roots the file had.
inline std::vector<unsigned char> WithRoots(const std::vector<unsigned char>& bytes, uint32_t saved,
                                            const std::vector<uint32_t>& order)
{
    const size_t roots = ParseLayout(bytes).rootsOffset;
    std::vector<unsigned char> file(bytes.begin(), bytes.begin() + long(roots) + 4);
    SetWord(file, roots, uint32_t(order.size()));
    for (uint32_t i : order)
        file.insert(file.end(), bytes.begin() + long(roots + 4 + 8 * i), bytes.begin() + long(roots + 12 + 8 * i));
    file.insert(file.end(), bytes.begin() + long(roots + 4 + 8 * saved), bytes.end());
    return file;
}

using ErrorCapture = DebugOutputCapture;

} // namespace archive_test
