#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/FilePath.h"

namespace fs = std::filesystem;

namespace {

class FilePathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("om_path_" + std::to_string(::getpid()));
        fs::create_directories(root_ / "Data" / "FX");
        std::ofstream(root_ / "Data" / "AnimDB.tsa") << "x";
        std::ofstream(root_ / "Data" / "FX" / "Blob2.TGA") << "y";
        plat::ClearPathCache();
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string Root() const { return root_.string(); }

    fs::path root_;
};

TEST_F(FilePathTest, BackslashesAndCaseResolveToTheFileOnDisk)
{
    EXPECT_EQ(plat::ResolvePath(Root() + "\\data\\animdb.tsa"), Root() + "/Data/AnimDB.tsa");
    EXPECT_EQ(plat::ResolvePath(Root() + "/DATA/fx\\blob2.tga"), Root() + "/Data/FX/Blob2.TGA");
    EXPECT_TRUE(plat::PathExists(Root() + "\\DATA\\FX\\BLOB2.tga"));
}

TEST_F(FilePathTest, MissingComponentsKeepTheirSpellingAfterTheLastMatch)
{
    EXPECT_EQ(plat::ResolvePath(Root() + "\\data\\New Folder\\Save1.sav"),
              Root() + "/Data/New Folder/Save1.sav");
    EXPECT_FALSE(plat::PathExists(Root() + "/data/none.txt"));
}

TEST_F(FilePathTest, FilesCreatedAfterAListingAreStillFound)
{
    EXPECT_FALSE(plat::PathExists(Root() + "/data/Later.lua"));
    std::ofstream(root_ / "Data" / "LATER.lua") << "z";
    EXPECT_EQ(plat::ResolvePath(Root() + "/data/later.LUA"), Root() + "/Data/LATER.lua");
}

TEST_F(FilePathTest, RelativePathsAndDotComponents)
{
    EXPECT_EQ(plat::ResolvePath("./scripts/init.lua").rfind("scripts/init.lua", 0), 0u);
    EXPECT_EQ(plat::ResolvePath(""), ".");
    std::FILE* f = plat::OpenFile(Root() + "\\data\\ANIMDB.TSA", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 'x');
    std::fclose(f);
}

} // namespace
