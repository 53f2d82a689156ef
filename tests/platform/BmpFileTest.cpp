#include <gtest/gtest.h>

#include <filesystem>

#include "platform/BmpFile.h"
#include "platform/ImageFile.h"
#include "testing/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

TEST(BmpWriter, WritesThroughGamePathsAndReportsFailure)
{
    ScratchDir root(ScratchDir::kStayOutside);
    fs::create_directories(root.Root() / "Shots");
    // 2 x 2 pixels of a surface whose rows are three apart: the junk between is not the picture's.
    const uint32_t pixels[6] = {0xFF0000FF, 0xFFFFFFFF, 0xDEADBEEF, 0xFF102030, 0xFFFF0000, 0xDEADBEEF};
    std::string error;
    ASSERT_TRUE(plat::WriteBmp24(root.Path() + "\\shots\\shot0.bmp", pixels, 2, 2, 12, &error)) << error;
    plat::Image image;
    ASSERT_TRUE(plat::LoadImageFile(root.File("Shots/shot0.bmp"), image, nullptr, &error)) << error;
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFFFFFFFF, 0xFF102030, 0xFFFF0000}));
    EXPECT_FALSE(plat::WriteBmp24(root.File("missing/dir/shot.bmp"), pixels, 2, 1, 8, &error));
    EXPECT_NE(error.find("shot.bmp"), std::string::npos) << error;
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(plat::WriteBmp24("/dev/full", pixels, 2, 1, 8, &error)); // the disk is full
    }
}

} // namespace
