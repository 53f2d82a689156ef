#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <tuple>

#include "platform/ImageFile.h"
#include "platform/PixelFormat.h"
#include "tests/platform/ImageTestFiles.h"
#include "tests/platform/JpegTestFiles.h"

using namespace imgtest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

plat::Image Decode(const Bytes& file, plat::ImageInfo* info = nullptr)
{
    plat::Image image;
    std::string error;
    EXPECT_TRUE(plat::DecodeImage(file, image, info, &error)) << error;
    return image;
}

Bytes Cat(Bytes b, std::initializer_list<uint8_t> more)
{
    b.insert(b.end(), more);
    return b;
}

// The reason a file is refused (empty when it decodes); a refused file leaves no pixels.
std::string Refusal(const Bytes& file)
{
    plat::Image image;
    std::string error;
    if (plat::DecodeImage(file, image, nullptr, &error)) return "";
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(image.pixels.empty());
    return error;
}

struct DecodeCase {
    const char* name;
    Bytes file;
    std::vector<uint32_t> pixels;
    uint32_t format;
};

void ExpectDecodes(std::initializer_list<DecodeCase> cases)
{
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        plat::ImageInfo info;
        EXPECT_EQ(Decode(c.file, &info).pixels, c.pixels);
        EXPECT_EQ(info.format, c.format);
    }
}

// Every proper prefix of a valid file is refused with a reason and leaves
// no pixels behind - except, from acceptedFrom on, a cut that loses nothing
// but trailing bytes after the pixels.
void ExpectEveryTruncationFails(const Bytes& file, size_t acceptedFrom = SIZE_MAX)
{
    for (size_t n = 0; n < std::min(file.size(), acceptedFrom); ++n) {
        EXPECT_NE(Refusal(Bytes(file.begin(), file.begin() + ptrdiff_t(n))), "") << "length " << n;
    }
}

// A 2 x 2 image: red, green on top; blue and a fourth colour below.
Bytes Tga24BottomUp()
{
    Bytes b = TgaStart({.width = 2, .height = 2, .bits = 24});
    b.insert(b.end(), {0xFF, 0, 0, 0xFF, 0xFF, 0xFF}); // bottom row: blue, white
    b.insert(b.end(), {0, 0, 0xFF, 0, 0xFF, 0});       // top row: red, green
    return b;
}

// One-pixel rows counted from the origin: 0 red, 1 green, 2 blue, 3 white,
// 4 black, 5 grey; stored in the given order, each as a raw packet of one
// when run-length encoded.
Bytes InterleavedRows(const TgaHeader& h, std::initializer_list<int> order)
{
    const uint32_t colour[6] = {kRed, kGreen, kBlue, kWhite, 0xFF000000u, 0xFF808080u};
    Bytes b = TgaStart(h);
    for (int row : order) {
        if (h.type == 10) Put8(b, 0);
        const uint32_t c = colour[row];
        b.insert(b.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    }
    return b;
}

TEST(TgaReader, TrueColourDepthsAndOrigins)
{
    plat::ImageInfo info;
    EXPECT_EQ(Decode(Tga24BottomUp(), &info).pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(std::tuple(info.width, info.height, info.depth, info.mipLevels), std::tuple(2u, 2u, 1u, 1u));
    EXPECT_EQ(std::pair(info.format, info.fileFormat), std::pair(plat::fmt::R8G8B8, plat::imagefile::Tga));
    const Bytes noAlphaBits = TgaStart({.width = 2, .height = 1, .bits = 32, .descriptor = 0x20});
    ExpectDecodes({
        {"32 bits, top-down, 8 alpha bits: alpha is kept",
         Cat(TgaStart({.width = 2, .height = 1, .bits = 32, .descriptor = 0x28}), {0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0x40}),
         {kRed, 0x400000FFu}, plat::fmt::A8R8G8B8},
        // Alpha bytes that were never filled in (all 0) read opaque; real ones are kept.
        {"32 bits, no alpha bits declared, all alpha 0", Cat(noAlphaBits, {0, 0xFF, 0, 0x00, 0xFF, 0, 0, 0x00}),
         {kGreen, kBlue}, plat::fmt::A8R8G8B8},
        {"32 bits, no alpha bits declared, real alpha", Cat(noAlphaBits, {0, 0xFF, 0, 0x00, 0xFF, 0, 0, 0x80}),
         {0x0000FF00u, 0x800000FFu}, plat::fmt::A8R8G8B8},
        // Stored first = rightmost: transparent white (0x7FFF), then opaque red (0xFC00).
        {"16 bits, one alpha bit, right-to-left, bottom-up",
         Cat(TgaStart({.width = 2, .height = 1, .bits = 16, .descriptor = 0x11}), {0xFF, 0x7F, 0x00, 0xFC}),
         {kRed, 0x00FFFFFFu}, plat::fmt::A1R5G5B5},
        {"15 bits: the top bit is ignored, every pixel opaque",
         Cat(TgaStart({.width = 1, .height = 1, .bits = 15, .descriptor = 0x20}), {0x1F, 0x00}), {kBlue},
         plat::fmt::X1R5G5B5},
    });
}

TEST(TgaReader, DamagedHeadersAndDataAreRefused)
{
    ExpectEveryTruncationFails(Tga24BottomUp());
    // An unknown type, an odd depth, no pixels, no colour map, and a
    // run-length file far too short for its size (which fails at once).
    for (const Bytes& bad :
         {TgaStart({.type = 4, .width = 1, .height = 1}), TgaStart({.width = 1, .height = 1, .bits = 12}),
          TgaStart({.width = 0, .height = 1}), TgaStart({.type = 1, .width = 1, .height = 1, .bits = 8}),
          Cat(TgaStart({.type = 10, .width = 4096, .height = 4096}), {0xFF, 1, 2, 3})})
        EXPECT_NE(Refusal(bad), "");
    // A header asking for 65535 x 65535 pixels is refused before allocating.
    plat::ImageInfo big;
    std::string error;
    EXPECT_FALSE(plat::ReadImageInfo(TgaStart({.width = 65535, .height = 65535}), big, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    // A run longer than the pixels left is damage, not an overrun.
    EXPECT_NE(Refusal(Cat(TgaStart({.type = 10, .width = 2, .height = 1}), {0x85, 0, 0, 0xFF})).find("overruns"),
              std::string::npos);
}

TEST(TgaReader, InterleavedRowsLandWhereTheirPassPutsThem)
{
    const Bytes rle = InterleavedRows({.type = 10, .width = 1, .height = 4, .descriptor = 0x40}, {0, 2, 1, 3});
    ExpectDecodes({
        {"two-way, bottom-up: even rows, then odd",
         InterleavedRows({.width = 1, .height = 4, .descriptor = 0x40}, {0, 2, 1, 3}), {kWhite, kBlue, kGreen, kRed},
         plat::fmt::R8G8B8},
        {"two-way, odd height, top-down", InterleavedRows({.width = 1, .height = 3, .descriptor = 0x60}, {0, 2, 1}),
         {kRed, kGreen, kBlue}, plat::fmt::R8G8B8},
        {"four-way, top-down", InterleavedRows({.width = 1, .height = 6, .descriptor = 0xA0}, {0, 4, 1, 5, 2, 3}),
         {kRed, kGreen, kBlue, kWhite, 0xFF000000u, 0xFF808080u}, plat::fmt::R8G8B8},
        {"run-length encoded, two-way", rle, {kWhite, kBlue, kGreen, kRed}, plat::fmt::R8G8B8},
    });
    ExpectEveryTruncationFails(rle);
    // The fourth interleave is reserved: such a file is not a Targa image we know.
    EXPECT_NE(Refusal(InterleavedRows({.width = 1, .height = 1, .descriptor = 0xC0}, {0})), "");
}

TEST(TgaReader, ColourMappedAndGreyImagesAndAnIndexOutsideTheMapIsRefused)
{
    // An id field of 3 bytes, a map of two 24-bit entries numbered from 5.
    Bytes b = TgaStart({.idLength = 3, .mapType = 1, .type = 1, .mapFirst = 5, .mapLength = 2,
                        .mapBits = 24, .width = 3, .height = 1, .bits = 8, .descriptor = 0x20});
    b.insert(b.end(), {0, 0, 0xFF, 0xFF, 0, 0}); // entries 5 red, 6 blue
    b.insert(b.end(), {6, 5, 6});
    ExpectDecodes({
        {"colour-mapped", b, {kBlue, kRed, kBlue}, plat::fmt::R8G8B8},
        {"colour-mapped, run-length encoded",
         Cat(TgaStart({.mapType = 1, .type = 9, .mapLength = 2, .mapBits = 24, .width = 3, .height = 1, .bits = 8,
                       .descriptor = 0x20}), {0, 0, 0xFF, 0xFF, 0, 0, 0x82, 1}),
         {kBlue, kBlue, kBlue}, plat::fmt::R8G8B8},
        {"grey", Cat(TgaStart({.type = 3, .width = 2, .height = 1, .bits = 8, .descriptor = 0x20}), {0x40, 0xFF}),
         {0xFF404040u, kWhite}, plat::fmt::L8},
        {"grey and alpha", Cat(TgaStart({.type = 3, .width = 1, .height = 1, .bits = 16, .descriptor = 0x28}), {0x80, 0x10}),
         {0x10808080u}, plat::fmt::A8L8},
    });
    // An index outside the map is damage.
    b.back() = 9;
    EXPECT_NE(Refusal(b), "");
}

// Palette 0 red, 1 green, 2 blue, 3 white.
const Bytes kRlePalette = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};

Bytes Rle8(int32_t width, int32_t height, const Bytes& data) { return BmpFile(width, height, 8, 1, kRlePalette, data, 40, 4); }
Bytes Rle4(int32_t width, int32_t height, const Bytes& data) { return BmpFile(width, height, 4, 2, kRlePalette, data, 40, 4); }

TEST(BmpReader, PaletteDepthsAndAnIndexPastTheStoredEntriesReadsBlack)
{
    const Bytes palette = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0}; // 0 red, 1 blue
    ExpectDecodes({
        {"8 bits: indices 1, 0, 1 on one row (padded to 4)", BmpFile(3, 1, 8, 0, palette, {1, 0, 1, 0}, 40, 2),
         {kBlue, kRed, kBlue}, plat::fmt::R8G8B8},
        {"4 bits: high nibble first", BmpFile(3, 1, 4, 0, palette, {0x10, 0x10, 0, 0}, 40, 2), {kBlue, kRed, kBlue},
         plat::fmt::R8G8B8},
        {"1 bit: most significant bit first; a palette count of 0 means all entries",
         BmpFile(3, 1, 1, 0, palette, {0xA0, 0, 0, 0}), {kBlue, kRed, kBlue}, plat::fmt::R8G8B8},
        {"an index past the stored entries reads black instead of running off",
         BmpFile(1, 1, 8, 0, palette, {200, 0, 0, 0}, 40, 2), {0xFF000000u}, plat::fmt::R8G8B8},
    });
}

TEST(BmpReader, UnsupportedOrDamagedFilesAreRefused)
{
    const Bytes rows = {0, 0, 0xFF, 0};
    Bytes farOffset = BmpFile(1, 1, 24, 0, {}, rows);
    farOffset[10] = 0xF0; // pixels said to start past the end
    for (const Bytes& bad : {BmpFile(1, 1, 24, 1, {}, rows),                    // run-length 24 bits
                             BmpFile(-1, 1, 24, 0, {}, rows),                    // negative width
                             BmpFile(1, 1, 24, 0, {}, rows, 30),                 // unknown header size
                             farOffset,
                             BmpFile(1, 1, 8, 0, {1, 2}, {0, 0, 0, 0}, 40, 200)}) // palette cut short
        EXPECT_NE(Refusal(bad), "");
}

TEST(BmpReader, SixteenBitsAndChannelMasks)
{
    const Bytes masks565 = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const Bytes v5masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF}; // red, green, blue, alpha
    const Bytes px32 = {0x00, 0x00, 0xFF, 0x80};                                       // 0x80FF0000
    ExpectDecodes({
        {"plain 5-5-5", BmpFile(2, 1, 16, 0, {}, {0x00, 0x7C, 0x1F, 0x00}), {kRed, kBlue}, plat::fmt::X1R5G5B5},
        {"5-6-5 masks", BmpFile(2, 1, 16, 3, masks565, {0xE0, 0x07, 0, 0}), {kGreen, 0xFF000000u}, plat::fmt::R5G6B5},
        {"version 5 header with an alpha mask keeps alpha", BmpFile(1, 1, 32, 3, {}, px32, 124, 0, v5masks),
         {0x80FF0000u}, plat::fmt::A8R8G8B8},
        {"the same without the masks flag: its masks mean nothing", BmpFile(1, 1, 32, 0, {}, px32, 124, 0, v5masks),
         {kRed}, plat::fmt::X8R8G8B8},
    });
}

TEST(BmpReader, RunLengthImagesDecodeAndEveryCutOneIsRefused)
{
    // Bottom row: a run of 4 green. Middle: literal blue, white, blue (padded
    // to 16 bits) and a run of 1 red. Top: skip 2, a run of 2 white, end.
    const Bytes rle8 = Rle8(4, 3, {4, 1, 0, 0, 0, 3, 2, 3, 2, 0, 1, 0, 0, 0, 0, 2, 2, 0, 2, 3, 0, 1});
    ExpectDecodes({
        {"8 bits: runs, literals, a skip; skipped pixels take the first colour", rle8,
         {kRed, kRed, kWhite, kWhite, kBlue, kWhite, kBlue, kRed, kGreen, kGreen, kGreen, kGreen}, plat::fmt::R8G8B8},
        {"8 bits: a skip up a row, and the end before the last rows", Rle8(2, 4, {2, 1, 0, 0, 0, 2, 0, 1, 2, 2, 0, 1}),
         {kRed, kRed, kBlue, kBlue, kRed, kRed, kGreen, kGreen}, plat::fmt::R8G8B8},
        // Bottom row: a run of 3 alternating 1, 2 and literal 3, 2, 1. Top: literal 0, 1, 2, 3, 0 (padded).
        {"4 bits: runs alternate the byte's halves", Rle4(6, 2, {3, 0x12, 0, 3, 0x32, 0x10, 0, 0, 0, 5, 0x01, 0x23, 0x00, 0, 0, 1}),
         {kRed, kGreen, kBlue, kWhite, kRed, kRed, kGreen, kBlue, kGreen, kWhite, kBlue, kGreen}, plat::fmt::R8G8B8},
    });
    ExpectEveryTruncationFails(rle8);
}

TEST(BmpReader, DamagedRunLengthDataIsRefusedWithoutOverrun)
{
    const struct {
        const char* name;
        Bytes file;
        const char* reason;
    } cases[] = {
        {"a run past the end of its row", Rle8(4, 1, {5, 1, 0, 1}), "end of a row"},
        {"a literal past the end of its row", Rle8(2, 1, {0, 3, 1, 1, 1, 0, 0, 1}), "end of a row"},
        {"a run above the top row", Rle8(1, 1, {1, 1, 0, 0, 1, 1, 0, 1}), "end of a row"},
        {"a row ended above the top", Rle8(1, 1, {1, 1, 0, 0, 0, 0, 0, 1}), "top row"},
        {"a skip out of the image", Rle8(2, 2, {0, 2, 1, 3, 0, 1}), "skip"},
        {"4-bit literal cut inside its padding", Rle4(3, 1, {0, 3, 0x12, 0x30}), "cut short"},
        {"no end of the image", Rle8(1, 1, {1, 1}), "cut short"},
        {"stored top-down", Rle8(1, -1, {1, 1, 0, 1}), "top-down"},
        {"4-bit runs in an 8-bit image", BmpFile(1, 1, 8, 2, kRlePalette, {1, 1, 0, 1}, 40, 4), "unsupported"},
    };
    for (const auto& c : cases) {
        const std::string error = Refusal(c.file);
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
}

TEST(PngReader, ColourTypesAndTheirFormats)
{
    ExpectDecodes({
        {"RGBA", PngFile(2, 1, 8, 6, {0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0x80}), {kRed, 0x800000FFu}, plat::fmt::A8R8G8B8},
        {"RGB, the second row with the up filter (adds the row above)", PngFile(1, 2, 8, 2, {0, 0, 0xFF, 0, 2, 0xFF, 0, 0}),
         {kGreen, 0xFFFFFF00u}, plat::fmt::R8G8B8},
        {"grey", PngFile(2, 1, 8, 0, {0, 0x40, 0xFF}), {0xFF404040u, kWhite}, plat::fmt::L8},
        {"palette with a transparent entry", PngFile(2, 1, 8, 3, {0, 1, 0}, {0xFF, 0, 0, 0, 0, 0xFF}, {0x00}),
         {kBlue, 0x00FF0000u}, plat::fmt::A8R8G8B8},
    });
    plat::ImageInfo info;
    Decode(PngFile(1, 1, 8, 0, {0, 0}), &info);
    EXPECT_EQ(info.fileFormat, plat::imagefile::Png);
}

TEST(PngReader, DamagedFilesAreRefused)
{
    const Bytes file = PngFile(2, 1, 8, 6, {0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0x80});
    // Only the closing chunk may be missing: the pixels are all there.
    ExpectEveryTruncationFails(file, file.size() - 12);
    Bytes badCrc = file;
    badCrc[50] ^= 0x55; // inside the image data: its checksum no longer matches
    EXPECT_NE(Refusal(badCrc).find("PNG"), std::string::npos);
}

// 16 x 8: a red left half and a blue right half; a dark and a light grey
// half; red and blue ink (cyan, magenta, yellow, black; 255 the most) as
// stored plain, inverted by Adobe's programs, and inverted as YCCK.
Bytes TwoHalvesJpeg() { return HalvesJpeg(JCS_RGB, JCS_YCbCr, false, {0xFF, 0, 0}, {0, 0, 0xFF}); }
Bytes TwoGreysJpeg() { return HalvesJpeg(JCS_GRAYSCALE, JCS_GRAYSCALE, false, {0x28}, {0xC8}); }
Bytes InkJpeg(J_COLOR_SPACE stored, bool adobe)
{
    return adobe ? HalvesJpeg(JCS_CMYK, stored, true, {255, 0, 0, 255}, {0, 0, 255, 255})
                 : HalvesJpeg(JCS_CMYK, stored, false, {0, 255, 255, 0}, {255, 255, 0, 0});
}

TEST(JpegReader, DamagedFilesAreRefused)
{
    ExpectEveryTruncationFails(TwoHalvesJpeg());
    ExpectEveryTruncationFails(InkJpeg(JCS_YCCK, true));
    const Bytes good = TwoGreysJpeg();
    const uint8_t frameMarker[2] = {0xFF, 0xC0};
    const auto sof = std::search(good.begin(), good.end(), frameMarker, frameMarker + 2);
    ASSERT_NE(sof, good.end());
    Bytes badFrame = good;
    badFrame[size_t(sof - good.begin()) + 9] = 0; // no components
    Bytes badScan = good;
    badScan[badScan.size() - 4] = 0xFF; // a restart marker inside the scan
    badScan[badScan.size() - 3] = 0xD5;
    for (const Bytes& bad : {badFrame, badScan})
        EXPECT_NE(Refusal(bad).find("JPEG"), std::string::npos);
}

TEST(JpegReader, ColourGreyAndFourChannelInkImagesDecode)
{
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {{"colour", TwoHalvesJpeg()}, {"plain CMYK", InkJpeg(JCS_CMYK, false)},
                 {"Adobe's inverted CMYK", InkJpeg(JCS_CMYK, true)}, {"Adobe's YCCK", InkJpeg(JCS_YCCK, true)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plat::ImageInfo info;
        const plat::Image image = Decode(c.file, &info);
        ASSERT_EQ(image.pixels.size(), 16u * 8u);
        EXPECT_EQ(info.format, plat::fmt::X8R8G8B8);
        EXPECT_TRUE(Near(image.At(2, 4), kRed, 12)) << std::hex << image.At(2, 4);
        EXPECT_TRUE(Near(image.At(13, 1), kBlue, 12)) << std::hex << image.At(13, 1);
    }
    EXPECT_TRUE(Near(Decode(TwoGreysJpeg()).At(14, 6), 0xFFC8C8C8u, 4));
    // Black ink darkens every channel alike.
    const plat::Image grey = Decode(HalvesJpeg(JCS_CMYK, JCS_CMYK, true, {255, 255, 255, 191}, {255, 255, 255, 191}));
    EXPECT_TRUE(Near(grey.At(3, 3), 0xFFBFBFBFu, 4)) << std::hex << grey.At(3, 3);
}

} // namespace
