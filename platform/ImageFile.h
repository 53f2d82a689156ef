// Image files for textures, sprites, surfaces and maps: Targa and BMP by our
// own readers, PNG through libpng, JPEG through libjpeg. Every file is
// decoded to 32-bit A8R8G8B8 words, rows top-down. A file that is damaged,
// cut short or of an unknown kind gives an error text, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct Image {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels; // A8R8G8B8, width * height, top row first

    uint32_t& At(uint32_t x, uint32_t y) { return pixels[size_t(y) * width + x]; }
    uint32_t At(uint32_t x, uint32_t y) const { return pixels[size_t(y) * width + x]; }
};

// File kinds, numbered as the image-information record reports them.
namespace imagefile {
constexpr uint32_t Bmp = 0;
constexpr uint32_t Jpg = 1;
constexpr uint32_t Tga = 2;
constexpr uint32_t Png = 3;
} // namespace imagefile

// What a file holds, laid out as the texture loaders report it.
struct ImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;
    uint32_t mipLevels = 1;
    uint32_t format = 0;        // device format code of the stored pixels (PixelFormat.h);
                                // palette images give the format of their entries
    uint32_t resourceType = 3;  // a 2D texture
    uint32_t fileFormat = 0;    // imagefile::Bmp, Jpg, Tga or Png
};

// Largest image accepted (per side and in total), so that a damaged header
// cannot ask for gigabytes.
constexpr uint32_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = uint64_t(16) << 20;

// Reads the whole file (through OpenFile) and decodes it. On failure returns
// false, leaves out empty and puts a message naming the file in error.
bool LoadImageFile(std::string_view gamePath, Image& out, ImageInfo* info = nullptr,
                   std::string* error = nullptr);

// Only the header: size, format and kind, without decoding the pixels.
bool ReadImageFileInfo(std::string_view gamePath, ImageInfo& info, std::string* error = nullptr);

// The same from bytes in memory (the kind is found from the contents).
bool DecodeImage(std::span<const uint8_t> data, Image& out, ImageInfo* info = nullptr,
                 std::string* error = nullptr);
bool ReadImageInfo(std::span<const uint8_t> data, ImageInfo& info, std::string* error = nullptr);

// Whole file into memory through OpenFile; false with a message when it
// cannot be opened or read.
bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& out, std::string* error);

} // namespace plat
