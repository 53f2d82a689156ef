#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/FilePath.h"
#include "testing/ScratchDir.h"

namespace {

class FilePathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root.Write("Data/AnimDB.tsa", "x");
        m_root.Write("Data/FX/Blob2.TGA", "y");
    }
    std::string Root() const { return m_root.Path(); }
    ScratchDir m_root{ScratchDir::kStayOutside};
};

TEST_F(FilePathTest, BackslashesAndCaseResolveToTheFileOnDisk)
{
    // Missing components keep their spelling after the last match.
    const std::pair<std::string, std::string> cases[] = {
        {"\\data\\animdb.tsa", "/Data/AnimDB.tsa"}, {"/DATA/fx\\blob2.tga", "/Data/FX/Blob2.TGA"},
        {"\\data\\New Folder\\Save1.sav", "/Data/New Folder/Save1.sav"},
        {"\\data\\fx\\", "/Data/FX/"}}; // a folder keeps its separator
    for (const auto& [given, found] : cases)
        EXPECT_EQ(plat::ResolvePath(Root() + given), Root() + found);
    EXPECT_TRUE(plat::PathExists(Root() + "\\DATA\\FX\\BLOB2.tga"));
    EXPECT_FALSE(plat::PathExists(Root() + "/data/none.txt"));
    EXPECT_EQ(plat::ResolvePath(""), ".");
    // Files created after the folder was listed are still found.
    std::ofstream(m_root.Root() / "Data" / "LATER.lua") << "z";
    EXPECT_EQ(plat::ResolvePath(Root() + "/data/later.LUA"), Root() + "/Data/LATER.lua");
}

} // namespace
