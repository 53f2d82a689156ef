// A folder of the test's own under the temporary directory, removed with
// everything in it when the test ends; the game's path cache forgets it
// both times, so lookups see exactly what the test wrote.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FilePath.h"

namespace testfs {

class TempFolder {
public:
    explicit TempFolder(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
        plat::ClearPathCache();
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        plat::ClearPathCache();
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Root() const { return m_path; }
    std::string Path() const { return m_path.string(); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Writes the bytes (a string or a byte vector), making the folders on
    // the way, and answers the file's path.
    template <class Bytes>
    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        const std::filesystem::path file = m_path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        plat::ClearPathCache();
        return file.string();
    }

private:
    std::filesystem::path m_path;
};

} // namespace testfs
