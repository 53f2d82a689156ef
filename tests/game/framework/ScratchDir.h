// A temporary folder that is the working directory for one test.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/FilePath.h"

class ScratchDir {
public:
    ScratchDir()
    {
        static int counter = 0;
        previous_ = std::filesystem::current_path();
        root_ = std::filesystem::temp_directory_path()
                / ("ts_fw_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(root_);
        std::filesystem::current_path(root_);
        plat::ClearPathCache();
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        plat::ClearPathCache();
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes a file (folders are made) and answers its full path.
    std::string Write(const std::string& relative, const std::string& text) const
    {
        const std::filesystem::path path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        plat::ClearPathCache();
        return path.generic_string();
    }
    std::string Read(const std::string& relative) const
    {
        std::ifstream in(root_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string Path() const { return root_.generic_string(); }

private:
    std::filesystem::path previous_;
    std::filesystem::path root_;
};
