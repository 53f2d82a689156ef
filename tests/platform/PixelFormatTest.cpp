#include <gtest/gtest.h>

#include <cstring>

#include "platform/PixelFormat.h"

namespace {

using namespace plat;

const uint32_t kAllFormats[] = {fmt::R8G8B8,   fmt::A8R8G8B8, fmt::X8R8G8B8,    fmt::R5G6B5,
                                fmt::X1R5G5B5, fmt::A1R5G5B5, fmt::A4R4G4B4,    fmt::R3G3B2,
                                fmt::A8,       fmt::A8R3G3B2, fmt::X4R4G4B4,    fmt::A2B10G10R10,
                                fmt::G16R16,   fmt::L8,       fmt::A8L8};

uint32_t Channel(uint32_t c, int shift) { return c >> shift & 0xFF; }

// The largest error a channel of n bits may add: half a step, rounded up.
int Tolerance(uint32_t bits) { return bits >= 8 ? 0 : int(255 / ((1u << bits) - 1) / 2 + 1); }

TEST(PixelFormat, EveryFormatRoundTripsWithinItsPrecision)
{
    const uint32_t colours[] = {0xFFFFFFFF, 0x00000000, 0x80FF8000, 0x12345678, 0xFE01C07F,
                                0x7F808080, 0xC0102030};
    for (uint32_t format : kAllFormats) {
        SCOPED_TRACE(format);
        const ChannelBits bits = FormatChannelBits(format);
        uint8_t packed[sizeof colours * 2] = {};
        uint32_t back[std::size(colours)] = {};
        ASSERT_TRUE(ConvertFromArgb(colours, std::size(colours), format, packed));
        ASSERT_TRUE(ConvertToArgb(packed, std::size(colours), format, back));
        for (size_t i = 0; i < std::size(colours); ++i) {
            const uint32_t c = colours[i], b = back[i];
            if (format == fmt::L8 || format == fmt::A8L8) {
                EXPECT_EQ(Channel(b, 16), Channel(b, 0)); // grey
            } else if (format == fmt::A8) {
                EXPECT_EQ(b & 0xFFFFFF, 0u); // only alpha is stored
            } else {
                const uint32_t widths[3] = {bits.red, bits.green, bits.blue};
                for (int ch = 0; ch < 3; ++ch) {
                    if (widths[ch] == 0) continue;
                    const int shift = 16 - 8 * ch;
                    EXPECT_NEAR(int(Channel(b, shift)), int(Channel(c, shift)), Tolerance(widths[ch]))
                        << "colour " << std::hex << c << " channel " << ch;
                }
            }
            if (bits.alpha == 0) {
                EXPECT_EQ(Channel(b, 24), 0xFFu) << "formats without alpha read opaque";
            } else {
                EXPECT_NEAR(int(Channel(b, 24)), int(Channel(c, 24)), bits.alpha == 1 ? 127 : Tolerance(bits.alpha));
            }
        }
    }
}

TEST(PixelFormat, RowsFollowThePitchAndLeaveTheGapAlone)
{
    const Image image{2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}};
    uint8_t surface[2 * 10];
    std::memset(surface, 0xAB, sizeof surface);
    ASSERT_TRUE(WriteImageRows(image, fmt::R8G8B8, surface, 10));
    EXPECT_EQ(surface[6], 0xAB); // the bytes after each row's pixels are untouched
    EXPECT_EQ(surface[19], 0xAB);
    Image back;
    ASSERT_TRUE(ReadImageRows(surface, 10, 2, 2, fmt::R8G8B8, back));
    EXPECT_EQ(back.pixels, image.pixels);
}

// A 4 x 1 row of two 2-pixel blocks.
TEST(ImageScale, ShrinkingAveragesAndAPointFilterPicksTheNearest)
{
    const Image blocks{4, 1, {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}};
    const Image half = ScaleImage(blocks, 2, 1, filter::Linear | filter::Mirror);
    EXPECT_LT(half.pixels[0] & 0xFF, 0x40u); // mostly the dark block
    EXPECT_GT(half.pixels[1] & 0xFF, 0xC0u);
    const Image one = ScaleImage(blocks, 1, 1, filter::Linear | filter::Mirror);
    EXPECT_NEAR(int(one.pixels[0] & 0xFF), 128, 1); // every pixel counted
    const Image point = ScaleImage(Image{2, 2, {1, 2, 3, 4}}, 4, 4, filter::Point);
    EXPECT_EQ(point.pixels, (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
}

TEST(ImageScale, WithoutAFilterTheSourceIsPlacedTopLeftAndTheRestIsClear)
{
    const Image none = ScaleImage(Image{1, 1, {0xFFFFFFFF}}, 2, 2, filter::None);
    EXPECT_EQ(none.pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0, 0, 0}));
}

} // namespace
