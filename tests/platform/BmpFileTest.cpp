#include <gtest/gtest.h>

#include <filesystem>

#include "platform/BmpFile.h"
#include "platform/ImageFile.h"
#include "tests/platform/TempFolder.h"

namespace fs = std::filesystem;

namespace {

uint32_t Word(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint32_t Half(const std::vector<uint8_t>& b, size_t at) { return uint32_t(b[at] | b[at + 1] << 8); }

TEST(BmpWriter, RowsSteppedByPitchReadBackBottomUp)
{
    // 3 x 2 pixels in a surface whose rows are 5 pixels apart; the gap holds
    // junk that must not reach the file.
    std::vector<uint32_t> surface = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xDEADBEEF, 0xDEADBEEF,
                                     0xFF101010, 0xFF202020, 0xFF303030, 0xDEADBEEF, 0xDEADBEEF};
    const std::vector<uint8_t> file = plat::EncodeBmp24(surface.data(), 3, 2, 5 * 4);
    ASSERT_EQ(file.size(), 54u + 12u * 2);
    EXPECT_EQ(file[54], 0x10); // the bottom row comes first
    EXPECT_EQ(file[54 + 9], 0); // padding is zero
    plat::Image image;
    std::string error;
    ASSERT_TRUE(plat::DecodeImage(file, image, nullptr, &error)) << error;
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF101010,
                                                   0xFF202020, 0xFF303030}));
}

TEST(BmpWriter, WritesThroughGamePathsAndReportsFailure)
{
    testfs::TempFolder root("om_bmp");
    fs::create_directories(root.Root() / "Shots");
    const uint32_t pixels[2] = {0xFF0000FF, 0xFFFFFFFF};
    std::string error;
    ASSERT_TRUE(plat::WriteBmp24(root.Path() + "\\shots\\shot0.bmp", pixels, 2, 1, 8, &error)) << error;
    plat::Image image;
    ASSERT_TRUE(plat::LoadImageFile(root.File("Shots/shot0.bmp"), image, nullptr, &error)) << error;
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFFFFFFFF}));

    EXPECT_FALSE(plat::WriteBmp24(root.File("missing/dir/shot.bmp"), pixels, 2, 1, 8, &error));
    EXPECT_NE(error.find("shot.bmp"), std::string::npos) << error;
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(plat::WriteBmp24("/dev/full", pixels, 2, 1, 8, &error)); // the disk is full
    }
}

} // namespace
