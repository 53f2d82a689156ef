// Writing Windows bitmap files: the screenshot format, 24 bits per pixel,
// rows stored bottom-up and padded to four bytes. (Reading them is part of
// ImageFile.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Size of the two headers in front of the pixels.
constexpr uint32_t kBmpHeaderBytes = 54;

// Bytes of one stored row of a 24-bit bitmap (padded to a multiple of four).
constexpr uint32_t Bmp24RowBytes(uint32_t width) { return (width * 3 + 3) & ~3u; }

// The whole file for width x height pixels of 4 bytes each, taken from rows
// that start pitch bytes apart, the top row first. Each stored pixel is the
// first three bytes of the source pixel (blue, green, red).
std::vector<uint8_t> EncodeBmp24(const void* pixels, uint32_t width, uint32_t height,
                                 size_t pitch);

// Encodes and writes the file (through OpenFile, mode "wb"). False, with a
// message in error, when the file cannot be created or fully written.
bool WriteBmp24(std::string_view gamePath, const void* pixels, uint32_t width, uint32_t height,
                size_t pitch, std::string* error = nullptr);

} // namespace plat
