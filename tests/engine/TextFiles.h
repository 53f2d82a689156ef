// Small text files written for a test and removed with it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace texttest {

class TempFile {
public:
    TempFile(const std::string& name, const std::string& text)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = (std::filesystem::temp_directory_path() /
                  (std::string("om_") + info->name() + "_" + name))
                     .string();
        std::FILE* file = std::fopen(m_path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    ~TempFile() { std::remove(m_path.c_str()); }
    const char* Path() const { return m_path.c_str(); }

private:
    std::string m_path;
};

} // namespace texttest
