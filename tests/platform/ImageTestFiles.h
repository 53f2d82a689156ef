// Small image files built byte by byte for the image tests: every variant of
// Targa, BMP and PNG the readers handle.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace imgtest {

using Bytes = std::vector<uint8_t>;

inline void Put8(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); }
inline void Put16(Bytes& b, uint32_t v)
{
    Put8(b, v);
    Put8(b, v >> 8);
}
inline void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Put32BE(Bytes& b, uint32_t v)
{
    Put8(b, v >> 24);
    Put8(b, v >> 16);
    Put8(b, v >> 8);
    Put8(b, v);
}

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
    Put8(b, h.idLength);
    Put8(b, h.mapType);
    Put8(b, h.type);
    Put16(b, h.mapFirst);
    Put16(b, h.mapLength);
    Put8(b, h.mapBits);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, h.width);
    Put16(b, h.height);
    Put8(b, h.bits);
    Put8(b, h.descriptor);
    for (int i = 0; i < h.idLength; ++i) Put8(b, 'i');
    return b;
}

// A BMP file: header fields, optional masks/palette bytes, then pixel rows as given.
inline Bytes BmpFile(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                     const Bytes& extra, const Bytes& rows, uint32_t headerSize = 40,
                     uint32_t paletteCount = 0, const Bytes& headerTail = {})
{
    Bytes b{'B', 'M'};
    const uint32_t offset = 14 + headerSize + uint32_t(extra.size());
    Put32(b, offset + uint32_t(rows.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, headerSize);
    Put32(b, uint32_t(width));
    Put32(b, uint32_t(height));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, uint32_t(rows.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, paletteCount);
    Put32(b, 0);
    // Longer headers carry their masks (headerTail) inside themselves.
    b.insert(b.end(), headerTail.begin(), headerTail.end());
    while (b.size() < 14 + headerSize) Put8(b, 0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

inline uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void PngChunk(Bytes& b, const char* type, const Bytes& data)
{
    Put32BE(b, uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    b.insert(b.end(), body.begin(), body.end());
    Put32BE(b, Crc32(body.data(), body.size()));
}

// A PNG whose scanlines (each already starting with its filter byte) are
// stored uncompressed inside the zlib stream.
inline Bytes PngFile(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                     const Bytes& scanlines, const Bytes& palette = {}, const Bytes& trns = {})
{
    Bytes b{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    Put32BE(ihdr, width);
    Put32BE(ihdr, height);
    Put8(ihdr, bitDepth);
    Put8(ihdr, colourType);
    Put8(ihdr, 0);
    Put8(ihdr, 0);
    Put8(ihdr, 0);
    PngChunk(b, "IHDR", ihdr);
    if (!palette.empty()) PngChunk(b, "PLTE", palette);
    if (!trns.empty()) PngChunk(b, "tRNS", trns);
    Bytes z{0x78, 0x01, 0x01};
    Put16(z, uint32_t(scanlines.size()));
    Put16(z, ~uint32_t(scanlines.size()) & 0xFFFF);
    z.insert(z.end(), scanlines.begin(), scanlines.end());
    uint32_t a = 1, s = 0;
    for (uint8_t v : scanlines) {
        a = (a + v) % 65521;
        s = (s + a) % 65521;
    }
    Put32BE(z, s << 16 | a);
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

inline bool WriteFile(const std::string& path, const Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace imgtest
