// Pixel formats of the graphics device and the image work that texture and
// surface creation needs: converting between our working format (32-bit
// A8R8G8B8 words) and each device format, scaling with a filter, building
// mip chains, and choosing a texture's size, level count and format from what
// a device can hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/GfxTypes.h"
#include "platform/ImageFile.h"

namespace plat {

// The device's format codes under the short name the image code uses.
namespace fmt = GfxFormat;

// Filter words as the texture and surface loaders take them: the low byte
// picks the filter, the high bits add edge mirroring and dithering.
namespace filter {
constexpr uint32_t None = 1;     // no scaling: the source is copied at the top-left
constexpr uint32_t Point = 2;
constexpr uint32_t Linear = 3;
constexpr uint32_t Triangle = 4;
constexpr uint32_t Box = 5;
constexpr uint32_t MirrorU = 0x10000;
constexpr uint32_t MirrorV = 0x20000;
constexpr uint32_t MirrorW = 0x40000;
constexpr uint32_t Mirror = 0x70000;
constexpr uint32_t Dither = 0x80000;
constexpr uint32_t Default = 0xFFFFFFFF; // the loaders' choice: triangle with dither
} // namespace filter

// "Use the default" for sizes, level counts and formats in the requirement
// check and the texture loaders.
constexpr uint32_t kDefaultValue = 0xFFFFFFFF;

struct ChannelBits {
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// Bits per channel of a format; all zero for a format this module does not know.
ChannelBits FormatChannelBits(uint32_t format);

// Bytes one pixel takes, 0 for a format that cannot be converted.
uint32_t BytesPerPixel(uint32_t format);

// True when ConvertToArgb/ConvertFromArgb handle the format.
bool IsConvertibleFormat(uint32_t format);

// Packs count A8R8G8B8 pixels into the format (little-endian, as the device
// lays them out). With dither, the pixels are taken to sit at columns
// x, x + 1, ... of row y and a 4x4 ordered dither spreads the rounding error
// of formats with fewer than 8 bits per channel. False for an unknown format.
bool ConvertFromArgb(const uint32_t* source, size_t count, uint32_t format, void* dest,
                     bool dither = false, uint32_t x = 0, uint32_t y = 0);

// Unpacks count pixels of the format into A8R8G8B8: channels are widened by
// replicating their top bits (so 5-bit 31 becomes 255), a format without
// alpha reads opaque, A8 reads black with its alpha.
bool ConvertToArgb(const void* source, size_t count, uint32_t format, uint32_t* dest);

// Writes a whole image into rows of a surface that start pitch bytes apart.
bool WriteImageRows(const Image& image, uint32_t format, void* dest, size_t pitch,
                    bool dither = false);

// Reads width x height pixels from rows pitch bytes apart into an image.
bool ReadImageRows(const void* source, size_t pitch, uint32_t width, uint32_t height,
                   uint32_t format, Image& out);

// Resamples to width x height with the filter word: Point takes the nearest
// pixel, Linear/Triangle/Box weigh neighbours with a tent that widens when the
// image shrinks, None copies at the top-left and leaves the rest transparent
// black. Edges wrap unless the filter asks to mirror. A zero size gives an
// empty image.
Image ScaleImage(const Image& source, uint32_t width, uint32_t height, uint32_t filterWord);

// The next level of a mip chain: half the size (at least 1) by averaging
// each 2 x 2 block (a 1-pixel-wide edge averages what it has).
Image HalveImage(const Image& source);

// Number of levels of a full chain down to 1 x 1.
uint32_t FullMipCount(uint32_t width, uint32_t height);

// levels images, the first the source itself; 0 or kDefaultValue means the
// full chain. More levels than a full chain are cut to a full chain.
std::vector<Image> BuildMipChain(const Image& top, uint32_t levels);

// What the device can hold, for the requirement check.
struct TextureLimits {
    uint32_t maxWidth = 2048;
    uint32_t maxHeight = 2048;
    bool powerOfTwo = true;   // sizes must be powers of two
    bool square = false;      // width must equal height
    bool mipmaps = true;      // more than one level possible
    std::vector<uint32_t> formats{fmt::R8G8B8,   fmt::A8R8G8B8, fmt::X8R8G8B8, fmt::R5G6B5,
                                  fmt::X1R5G5B5, fmt::A1R5G5B5, fmt::A4R4G4B4, fmt::R3G3B2,
                                  fmt::A8,       fmt::A8R3G3B2, fmt::X4R4G4B4};
};

// Adjusts a texture request to what the device holds, as the texture
// requirement check does: a zero or default size becomes 256 (or the other
// side when only one is given); sizes round up to powers of two when the
// device needs them, then are clamped to the maximum (and made square when
// needed); levels of 0 or default become the full chain and are cut to it;
// an unknown or default format becomes A8R8G8B8; an unsupported format falls
// back to the supported one nearest in channel bits, keeping alpha when any
// supported format has it. Returns false when no format is supported.
bool CheckTextureRequirements(uint32_t& width, uint32_t& height, uint32_t& levels,
                              uint32_t& format, const TextureLimits& limits);

} // namespace plat
