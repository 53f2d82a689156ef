// Small image files built byte by byte for the image tests: every variant of
// Targa, BMP and PNG the readers handle; and short video clips.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/MpegEncoder.h"

namespace imgtest {

using Bytes = std::vector<uint8_t>;

// Appends each value as `bytes` bytes, low byte first (or high first when bigEndian).
inline void Put(Bytes& b, int bytes, std::initializer_list<uint32_t> values, bool bigEndian = false)
{
    for (uint32_t v : values) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(uint8_t(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
    }
}
inline void Put8(Bytes& b, uint32_t v) { Put(b, 1, {v}); }
inline void Put32(Bytes& b, uint32_t v) { Put(b, 4, {v}); }

struct TgaHeader {
    uint8_t idLength = 0, mapType = 0, type = 2;
    uint16_t mapFirst = 0, mapLength = 0;
    uint8_t mapBits = 0;
    uint16_t width = 0, height = 0;
    uint8_t bits = 24, descriptor = 0;
};

inline Bytes TgaStart(const TgaHeader& h)
{
    Bytes b;
    Put(b, 1, {h.idLength, h.mapType, h.type});
    Put(b, 2, {h.mapFirst, h.mapLength});
    Put(b, 1, {h.mapBits});
    Put(b, 2, {0, 0, h.width, h.height}); // the origin, then the size
    Put(b, 1, {h.bits, h.descriptor});
    b.insert(b.end(), h.idLength, 'i');
    return b;
}

// A top-down Targa of 24 or 32 bits, coloured by colourAt(x, y) as
// 0xAARRGGBB (the alpha kept at 32 bits).
template <class ColourAt>
Bytes Tga(uint16_t width, uint16_t height, ColourAt colourAt, uint8_t bits = 24)
{
    Bytes b = TgaStart({.width = width, .height = height, .bits = bits, .descriptor = uint8_t(bits == 32 ? 0x28 : 0x20)});
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            Put(b, bits / 8, {colourAt(x, y)});
    return b;
}

// A BMP file: header fields, optional masks/palette bytes, then pixel rows as given.
inline Bytes BmpFile(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const Bytes& extra,
                     const Bytes& rows, uint32_t headerSize = 40, uint32_t paletteCount = 0,
                     const Bytes& headerTail = {})
{
    Bytes b{'B', 'M'};
    const uint32_t offset = 14 + headerSize + uint32_t(extra.size());
    Put(b, 4, {offset + uint32_t(rows.size()), 0, offset, headerSize, uint32_t(width), uint32_t(height)});
    Put(b, 2, {1, bits});
    Put(b, 4, {compression, uint32_t(rows.size()), 2835, 2835, paletteCount, 0});
    // Longer headers carry their masks (headerTail) inside themselves.
    b.insert(b.end(), headerTail.begin(), headerTail.end());
    b.resize(14 + headerSize);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

inline void PngChunk(Bytes& b, const char* type, const Bytes& data)
{
    Put(b, 4, {uint32_t(data.size())}, true);
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    b.insert(b.end(), body.begin(), body.end());
    uint32_t crc = ~0u;
    for (uint8_t byte : body) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    Put(b, 4, {~crc}, true);
}

// A PNG whose scanlines (each already starting with its filter byte) are
// stored uncompressed inside the zlib stream.
inline Bytes PngFile(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                     const Bytes& scanlines, const Bytes& palette = {}, const Bytes& trns = {})
{
    Bytes b{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, ihdr;
    Put(ihdr, 4, {width, height}, true);
    Put(ihdr, 1, {bitDepth, colourType, 0, 0, 0});
    PngChunk(b, "IHDR", ihdr);
    if (!palette.empty()) PngChunk(b, "PLTE", palette);
    if (!trns.empty()) PngChunk(b, "tRNS", trns);
    Bytes z{0x78, 0x01, 0x01};
    Put(z, 2, {uint32_t(scanlines.size()), ~uint32_t(scanlines.size())});
    z.insert(z.end(), scanlines.begin(), scanlines.end());
    uint32_t a = 1, s = 0;
    for (uint8_t v : scanlines) {
        a = (a + v) % 65521;
        s = (s + a) % 65521;
    }
    Put(z, 4, {s << 16 | a}, true);
    PngChunk(b, "IDAT", z);
    PngChunk(b, "IEND", {});
    return b;
}

// Every channel, alpha included, within tolerance of the other colour's.
inline bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// A 160 x 120 clip of `frames` pictures (25 a second) that draw paints,
// with a tone of toneHz (0: silent), written at path, its folder made.
inline std::string MakeClip(const std::string& path, int frames, double toneHz,
                            std::function<void(int, std::uint32_t*, int, int)> draw)
{
    plat::MpegClip clip;
    clip.width = 160, clip.height = 120, clip.frameCount = frames, clip.toneHz = toneHz;
    clip.draw = std::move(draw);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::string error;
    EXPECT_TRUE(plat::EncodeMpegClip(path, clip, error)) << error;
    return path;
}

} // namespace imgtest
