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

TEST(PixelFormat, PackedLayoutsMatchTheDevice)
{
    const auto pack16 = [](uint32_t argb, uint32_t format) {
        uint8_t p[2];
        ConvertFromArgb(&argb, 1, format, p);
        return uint32_t(p[0] | p[1] << 8);
    };
    // Alpha below half is clear in A1R5G5B5; the X bit is set.
    const uint32_t cases[][3] = {{0xFFFF0000, fmt::R5G6B5, 0xF800},   {0xFF00FF00, fmt::R5G6B5, 0x07E0},
                                 {0x80FF8000, fmt::A4R4G4B4, 0x8F80}, {0x7F0000FF, fmt::A1R5G5B5, 0x001F},
                                 {0x800000FF, fmt::A1R5G5B5, 0x801F}, {0x000000FF, fmt::X1R5G5B5, 0x801F},
                                 {0x40FFFFFF, fmt::A8R3G3B2, 0x40FF}};
    for (const auto& c : cases)
        EXPECT_EQ(pack16(c[0], c[1]), c[2]) << std::hex << c[0] << " as format " << std::dec << c[1];

    uint32_t argb = 0xFF102030;
    uint8_t rgb[3];
    ConvertFromArgb(&argb, 1, fmt::R8G8B8, rgb);
    EXPECT_EQ(rgb[0], 0x30);
    EXPECT_EQ(rgb[2], 0x10);

    EXPECT_EQ(BytesPerPixel(fmt::R8G8B8), 3u);
    EXPECT_EQ(BytesPerPixel(99), 0u);
    uint8_t out[4];
    EXPECT_FALSE(ConvertFromArgb(&argb, 1, 99, out));
    EXPECT_FALSE(ConvertToArgb(out, 1, fmt::Unknown, &argb));
}

TEST(PixelFormat, DitherKeepsTheAverageOfAFlatColour)
{
    // Mid grey falls between two 5-bit steps: plain rounding makes every
    // pixel the same; the ordered dither mixes both steps with the right mean.
    Image flat;
    flat.width = flat.height = 4;
    flat.pixels.assign(16, 0xFF868686);
    uint16_t plain[16], dithered[16];
    ASSERT_TRUE(WriteImageRows(flat, fmt::R5G6B5, plain, 8, false));
    ASSERT_TRUE(WriteImageRows(flat, fmt::R5G6B5, dithered, 8, true));
    double sum = 0;
    bool mixed = false;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(plain[i], plain[0]);
        const uint32_t red = dithered[i] >> 11;
        sum += red * 255.0 / 31.0;
        mixed = mixed || dithered[i] != dithered[0];
    }
    EXPECT_TRUE(mixed);
    EXPECT_NEAR(sum / 16, 0x86, 2.0);
    // Exact end points are never dithered away.
    flat.pixels.assign(16, 0xFFFFFFFF);
    ASSERT_TRUE(WriteImageRows(flat, fmt::R5G6B5, dithered, 8, true));
    for (uint16_t v : dithered) EXPECT_EQ(v, 0xFFFF);
}

TEST(PixelFormat, RowsFollowThePitchAndLeaveTheGapAlone)
{
    Image image;
    image.width = 2;
    image.height = 2;
    image.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    uint8_t surface[2 * 10];
    std::memset(surface, 0xAB, sizeof surface);
    ASSERT_TRUE(WriteImageRows(image, fmt::R8G8B8, surface, 10));
    EXPECT_EQ(surface[6], 0xAB); // the bytes after each row's pixels are untouched
    EXPECT_EQ(surface[19], 0xAB);
    Image back;
    ASSERT_TRUE(ReadImageRows(surface, 10, 2, 2, fmt::R8G8B8, back));
    EXPECT_EQ(back.pixels, image.pixels);
}

// --- Scaling and mips -------------------------------------------------------

Image Make(uint32_t w, uint32_t h, std::vector<uint32_t> px)
{
    Image i;
    i.width = w;
    i.height = h;
    i.pixels = std::move(px);
    return i;
}

TEST(ImageScale, FlatImagesStayFlatAtAnySize)
{
    const Image flat = Make(3, 5, std::vector<uint32_t>(15, 0x80406080));
    for (uint32_t filterWord : {filter::Point, filter::Linear, filter::Linear | filter::Mirror, filter::Box}) {
        for (auto [w, h] : {std::pair{1u, 1u}, {7u, 2u}, {16u, 16u}, {2u, 9u}}) {
            const Image s = ScaleImage(flat, w, h, filterWord);
            ASSERT_EQ(s.pixels.size(), size_t(w) * h);
            for (uint32_t p : s.pixels) EXPECT_EQ(p, 0x80406080u);
        }
    }
    EXPECT_TRUE(ScaleImage(flat, 0, 4, filter::Linear).pixels.empty());
}

TEST(ImageScale, LinearEnlargingInterpolatesAndEdgesWrapOrMirror)
{
    const Image ramp = Make(2, 1, {0xFF000000, 0xFFC8C8C8});
    // Mirrored edges repeat the edge pixel: the outer quarters stay flat.
    const Image mirrored = ScaleImage(ramp, 4, 1, filter::Linear | filter::Mirror);
    EXPECT_EQ(mirrored.pixels, (std::vector<uint32_t>{0xFF000000, 0xFF323232, 0xFF969696, 0xFFC8C8C8}));
    // Wrapped edges blend with the far side.
    const Image wrapped = ScaleImage(ramp, 4, 1, filter::Linear);
    EXPECT_EQ(wrapped.pixels[0], 0xFF323232u);
    EXPECT_EQ(wrapped.pixels[3], 0xFF969696u);
}

TEST(ImageScale, ShrinkingAveragesAndPointPicksNearest)
{
    // A 4 x 1 row of two 2-pixel blocks.
    const Image blocks = Make(4, 1, {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF});
    const Image half = ScaleImage(blocks, 2, 1, filter::Linear | filter::Mirror);
    EXPECT_LT(half.pixels[0] & 0xFF, 0x40u); // mostly the dark block
    EXPECT_GT(half.pixels[1] & 0xFF, 0xC0u);
    const Image one = ScaleImage(blocks, 1, 1, filter::Linear | filter::Mirror);
    EXPECT_NEAR(int(one.pixels[0] & 0xFF), 128, 1); // every pixel counted

    const Image point = ScaleImage(Make(2, 2, {1, 2, 3, 4}), 4, 4, filter::Point);
    EXPECT_EQ(point.pixels, (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));

    // No filter: the source is placed at the top-left, the rest is clear.
    const Image none = ScaleImage(Make(1, 1, {0xFFFFFFFF}), 2, 2, filter::None);
    EXPECT_EQ(none.pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0, 0, 0}));
}

TEST(ImageScale, MipChainsHalveByAveraging)
{
    const Image top = Make(4, 2, {0xFF000000, 0xFF202020, 0xFFFFFFFF, 0xFFFFFFFF,
                                  0xFF404040, 0xFF606060, 0x00FFFFFF, 0x00FFFFFF});
    const std::vector<Image> chain = BuildMipChain(top, 0);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[1].width, 2u);
    EXPECT_EQ(chain[1].height, 1u);
    EXPECT_EQ(chain[1].pixels, (std::vector<uint32_t>{0xFF303030, 0x80FFFFFF}));
    EXPECT_EQ(chain[2].width, 1u);
    EXPECT_EQ(chain[2].pixels, (std::vector<uint32_t>{0xC0989898}));

    EXPECT_EQ(BuildMipChain(top, 2).size(), 2u);
    EXPECT_EQ(BuildMipChain(top, 40).size(), 3u); // cut to a full chain
    EXPECT_EQ(BuildMipChain(top, kDefaultValue).size(), 3u);
    EXPECT_EQ(FullMipCount(512, 128), 10u);
    EXPECT_EQ(FullMipCount(300, 7), 9u);
    EXPECT_TRUE(HalveImage(Image{}).pixels.empty());
    EXPECT_EQ(BuildMipChain(Image{}, 0).size(), 1u);
}

// --- Texture requirements ---------------------------------------------------

TEST(TextureRequirements, SizesLevelsAndFormats)
{
    struct Case {
        const char* name;
        TextureLimits limits;
        uint32_t w, h, levels, format;
        uint32_t wantW, wantH, wantLevels, wantFormat;
    };
    TextureLimits capped, squareNoMips, anySize;
    capped.maxWidth = capped.maxHeight = 1000; // not a power of two itself
    squareNoMips.square = true;
    squareNoMips.mipmaps = false;
    anySize.powerOfTwo = false;
    const Case cases[] = {
        {"all defaults", {}, 0, 0, 0, fmt::Unknown, 256, 256, 9, fmt::A8R8G8B8},
        {"powers of two; supported formats unchanged", {}, 300, 100, 3, fmt::R5G6B5, 512, 128, 3, fmt::R5G6B5},
        {"held to the largest power of two allowed", capped, 5000, kDefaultValue, 20, fmt::R5G6B5, 512, 512, 10,
         fmt::R5G6B5},
        {"square, no mipmaps", squareNoMips, 64, 16, 0, fmt::R5G6B5, 64, 64, 1, fmt::R5G6B5},
        {"any size", anySize, 300, 100, 1, fmt::R5G6B5, 300, 100, 1, fmt::R5G6B5},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(CheckTextureRequirements(c.w, c.h, c.levels, c.format, c.limits));
        EXPECT_EQ(c.w, c.wantW);
        EXPECT_EQ(c.h, c.wantH);
        EXPECT_EQ(c.levels, c.wantLevels);
        EXPECT_EQ(c.format, c.wantFormat);
    }
}

TEST(TextureRequirements, UnsupportedFormatsFallBackToTheNearest)
{
    const auto fallback = [](uint32_t wanted, std::vector<uint32_t> formats) {
        TextureLimits limits;
        limits.formats = std::move(formats);
        uint32_t w = 16, h = 16, levels = 1;
        const bool ok = CheckTextureRequirements(w, h, levels, wanted, limits);
        return ok ? wanted : 0xDEADu;
    };
    const std::vector<uint32_t> sixteen = {fmt::R5G6B5, fmt::X1R5G5B5, fmt::A1R5G5B5, fmt::A4R4G4B4};
    EXPECT_EQ(fallback(fmt::A8R8G8B8, sixteen), fmt::A4R4G4B4); // alpha gradients kept
    EXPECT_EQ(fallback(fmt::X8R8G8B8, sixteen), fmt::R5G6B5);
    EXPECT_EQ(fallback(fmt::R8G8B8, {fmt::A8R8G8B8, fmt::X8R8G8B8}), fmt::X8R8G8B8);
    EXPECT_EQ(fallback(fmt::A8, {fmt::R5G6B5, fmt::A4R4G4B4, fmt::A8R8G8B8}), fmt::A8R8G8B8);
    EXPECT_EQ(fallback(fmt::A1R5G5B5, {fmt::R5G6B5, fmt::A4R4G4B4}), fmt::A4R4G4B4);
    EXPECT_EQ(fallback(fmt::L8, {fmt::X8R8G8B8, fmt::A8R8G8B8}), fmt::X8R8G8B8);
    EXPECT_EQ(fallback(fmt::R5G6B5, {}), 0xDEADu);
}

} // namespace
