// A temporary folder of one test's own, removed with everything in it when
// the test ends; by default it is the test's working directory meanwhile.
// The game's path cache forgets it both times, so lookups see exactly what
// the test wrote.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/FilePath.h"

class ScratchDir {
public:
    enum WorkingDir { kEnter, kStayOutside };

    explicit ScratchDir(WorkingDir working = kEnter)
    {
        // A fresh name every time: a folder left by a crashed run of a
        // process with the same id must not be reused.
        std::string pattern = (std::filesystem::temp_directory_path() / "ts_fw_XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::filesystem::filesystem_error("cannot make a scratch folder", std::error_code(errno,
                                                    std::generic_category()));
        m_root = pattern;
        if (working == kEnter) {
            m_previous = std::filesystem::current_path();
            std::filesystem::current_path(m_root);
        }
        plat::ClearPathCache();
    }
    ~ScratchDir()
    {
        if (!m_previous.empty())
            std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
        plat::ClearPathCache();
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes the bytes (a string or a byte vector), making the folders on
    // the way, and answers the file's full path.
    template <class Bytes>
    std::string Write(const std::string& relative, const Bytes& bytes) const
    {
        const std::filesystem::path path = m_root / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        if constexpr (std::is_convertible_v<const Bytes&, std::string_view>)
            out << std::string_view(bytes);
        else
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        plat::ClearPathCache();
        return path.generic_string();
    }
    std::string Read(const std::string& relative) const
    {
        std::ifstream in(m_root / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Links the demo's data and scripts folders (from OM_SOURCE_DIR, else the
    // folder the test started in, or works in) into this one; false when the demo data
    // has not been made.
    bool LinkDemoData() const
    {
        const char* dir = std::getenv("OM_SOURCE_DIR");
        const std::filesystem::path source =
            dir ? std::filesystem::path(dir) : m_previous.empty() ? std::filesystem::current_path() : m_previous;
        for (const char* shared : {"data", "scripts"})
            std::filesystem::create_directory_symlink(source / shared, m_root / shared);
        plat::ClearPathCache();
        return std::filesystem::exists(source / "data" / "frontend" / "helmer" / "helmer.pbf");
    }
    const std::filesystem::path& Root() const { return m_root; }
    std::string Path() const { return m_root.generic_string(); }
    std::string File(const std::string& relative) const { return (m_root / relative).generic_string(); }

private:
    std::filesystem::path m_previous; // empty when the test stayed outside
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
