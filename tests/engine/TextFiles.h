// Small text files written for a test and removed with it.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "tests/engine/ArchiveTestSupport.h"

namespace texttest {

class TempFile : public archive_test::TestFile {
public:
    TempFile(const std::string& name, const std::string& text) : TestFile(name)
    {
        std::ofstream(c_str(), std::ios::binary) << text;
    }
    const char* Path() const { return c_str(); }
};

// A bone as the bone file lists it: pivot (1, 2, 3), identity bind matrix.
inline std::string Bone(int number, const std::string& name, int parent, const std::string& bindTranslation = "0 0 0")
{
    const std::string identity = "1 0 0\n0 1 0\n0 0 1\n";
    return "// Bone # " + std::to_string(number) + "\r\n<" + name + ">\r\n" + std::to_string(parent) +
           "\r\n1 2 3\r\n" + identity + "0 0 0\n" + identity + bindTranslation + "\n";
}

// One vertex's entry in the bone file's vertex list.
inline std::string Influences(const std::vector<std::pair<int, float>>& list)
{
    std::string text = "0.5 1.5 2.5\n" + std::to_string(list.size()) + "\n(bone weight)\n";
    for (auto [bone, weight] : list)
        text += std::to_string(bone) + " " + std::to_string(weight) + "\n";
    return text;
}

} // namespace texttest
