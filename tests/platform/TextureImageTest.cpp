#include <gtest/gtest.h>

#include "platform/TextureImage.h"
#include "tests/platform/ImageTestFiles.h"
#include "testing/ScratchDir.h"

using namespace imgtest;

namespace {

TEST(TextureImage, DefaultsComeFromTheFileAndTheDevice)
{
    ScratchDir root(ScratchDir::kStayOutside);
    // A flat-coloured Targa file of the given size and kind.
    const auto flat = [&](const char* name, uint16_t w, uint16_t h, uint8_t type = 2, uint8_t bits = 24) {
        Bytes b = TgaStart({.type = type, .width = w, .height = h, .bits = bits,
                            .descriptor = uint8_t(bits == 32 ? 8 : 0)});
        for (int i = 0; i < w * h; ++i) {
            if (type == 3) Put8(b, 0x80);
            else b.insert(b.end(), {0x30, 0x20, 0x10});
            if (bits == 32) Put8(b, 0x80);
        }
        return root.Write(name, b);
    };
    plat::TextureRequest request;
    request.levels = 1;
    plat::TextureLevels tex;
    ASSERT_TRUE(plat::LoadTextureLevels(flat("odd.tga", 300, 100), request, {}, tex));
    ASSERT_EQ(tex.levels.size(), 1u);
    EXPECT_EQ(std::pair(tex.levels[0].width, tex.levels[0].height), std::pair(512u, 128u)); // powers of two
    EXPECT_EQ(tex.source.width, 300u); // the file's own size stays in the information
    // A grey file's own format is not held: the nearest that is.
    plat::TextureLimits limits;
    limits.formats = {plat::fmt::A8R8G8B8, plat::fmt::X8R8G8B8, plat::fmt::R5G6B5};
    ASSERT_TRUE(plat::LoadTextureLevels(flat("grey.tga", 4, 4, 3, 8), {}, limits, tex));
    EXPECT_EQ(std::pair(tex.source.format, tex.format), std::pair(plat::fmt::L8, plat::fmt::X8R8G8B8));
    EXPECT_EQ(tex.levels.size(), 3u);
    // A requested format wins over the file's; one the device lacks falls back.
    limits.formats = {plat::fmt::R5G6B5, plat::fmt::A4R4G4B4};
    request = {};
    request.format = plat::fmt::A8R8G8B8;
    request.filter = plat::filter::Point;
    ASSERT_TRUE(plat::LoadTextureLevels(flat("alpha.tga", 2, 2, 2, 32), request, limits, tex));
    EXPECT_EQ(tex.format, plat::fmt::A4R4G4B4);
    EXPECT_EQ(tex.levels[0].pixels[0], 0x80102030u);
}

} // namespace
