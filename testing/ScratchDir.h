// A temporary folder that is the working directory for one test.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/FilePath.h"

class ScratchDir {
public:
    ScratchDir()
    {
        m_previous = std::filesystem::current_path();
        // A fresh name every time: a folder left by a crashed run of a
        // process with the same id must not be reused.
        std::string pattern = (std::filesystem::temp_directory_path() / "ts_fw_XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::filesystem::filesystem_error("cannot make a scratch folder", std::error_code(errno,
                                                    std::generic_category()));
        m_root = pattern;
        std::filesystem::current_path(m_root);
        plat::ClearPathCache();
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
        plat::ClearPathCache();
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes a file (folders are made) and answers its full path.
    std::string Write(const std::string& relative, const std::string& text) const
    {
        const std::filesystem::path path = m_root / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        plat::ClearPathCache();
        return path.generic_string();
    }
    std::string Read(const std::string& relative) const
    {
        std::ifstream in(m_root / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Links the demo's data and scripts folders (from OM_SOURCE_DIR, else the
    // folder the test started in) into this one; false when the demo data
    // has not been made.
    bool LinkDemoData() const
    {
        const char* dir = std::getenv("OM_SOURCE_DIR");
        const std::filesystem::path source = dir ? std::filesystem::path(dir) : m_previous;
        for (const char* shared : {"data", "scripts"})
            std::filesystem::create_directory_symlink(source / shared, m_root / shared);
        plat::ClearPathCache();
        return std::filesystem::exists(source / "data" / "frontend" / "helmer" / "helmer.pbf");
    }
    std::string Path() const { return m_root.generic_string(); }
    std::string File(const std::string& relative) const { return (m_root / relative).generic_string(); }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_root;
};

// A stand-in saved game `name` in folder (made if need be), last written at
// `when` (seconds since 1970), by which the save lists date and order it.
inline void MakeSave(const std::string& name, time_t when, const std::string& folder = "Save Games")
{
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/" + name;
    std::ofstream(path) << "save";
    utimbuf times{when, when};
    utime(path.c_str(), &times);
    plat::ClearPathCache();
}
