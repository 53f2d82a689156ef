#include "platform/PixelFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/ImageCodecs.h"

namespace plat {
namespace {

using codec::Widen;

// 4 x 4 ordered-dither thresholds.
constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

struct Quantiser {
    uint32_t threshold; // 0..254: where in a step the value rounds up

    // An 8-bit value reduced to bits bits.
    uint32_t operator()(uint32_t v, uint32_t bits) const
    {
        if (bits >= 8) return v;
        const uint32_t max = (1u << bits) - 1;
        return (v * max + threshold) / 255;
    }
};

Quantiser MakeQuantiser(bool dither, uint32_t x, uint32_t y)
{
    const uint32_t b = kBayer[y & 3][x & 3];
    return Quantiser{dither ? (2 * b + 1) * 255 / 32 : 127};
}

uint32_t Luminance(uint32_t r, uint32_t g, uint32_t b) { return (r * 77 + g * 150 + b * 29 + 128) >> 8; }

void Store16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Store32(uint8_t* p, uint32_t v)
{
    std::memcpy(p, &v, 4); // the device layout is little-endian, as is the host
}
uint32_t Load16(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8); }
uint32_t Load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void PackPixel(uint32_t argb, uint32_t format, uint8_t* p, const Quantiser& q)
{
    const uint32_t a = argb >> 24, r = argb >> 16 & 0xFF, g = argb >> 8 & 0xFF, b = argb & 0xFF;
    switch (format) {
    case fmt::R8G8B8: p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r); break;
    case fmt::A8R8G8B8: Store32(p, argb); break;
    case fmt::X8R8G8B8: Store32(p, argb | 0xFF000000u); break;
    case fmt::R5G6B5: Store16(p, q(r, 5) << 11 | q(g, 6) << 5 | q(b, 5)); break;
    case fmt::X1R5G5B5: Store16(p, 0x8000u | q(r, 5) << 10 | q(g, 5) << 5 | q(b, 5)); break;
    case fmt::A1R5G5B5: Store16(p, q(a, 1) << 15 | q(r, 5) << 10 | q(g, 5) << 5 | q(b, 5)); break;
    case fmt::A4R4G4B4: Store16(p, q(a, 4) << 12 | q(r, 4) << 8 | q(g, 4) << 4 | q(b, 4)); break;
    case fmt::X4R4G4B4: Store16(p, 0xF000u | q(r, 4) << 8 | q(g, 4) << 4 | q(b, 4)); break;
    case fmt::R3G3B2: p[0] = uint8_t(q(r, 3) << 5 | q(g, 3) << 2 | q(b, 2)); break;
    case fmt::A8: p[0] = uint8_t(a); break;
    case fmt::A8R3G3B2: Store16(p, a << 8 | q(r, 3) << 5 | q(g, 3) << 2 | q(b, 2)); break;
    case fmt::A2B10G10R10: {
        const auto ten = [](uint32_t v) { return v << 2 | v >> 6; };
        Store32(p, q(a, 2) << 30 | ten(b) << 20 | ten(g) << 10 | ten(r));
        break;
    }
    case fmt::G16R16: Store32(p, (g * 257) << 16 | r * 257); break;
    case fmt::L8: p[0] = uint8_t(Luminance(r, g, b)); break;
    case fmt::A8L8: Store16(p, a << 8 | Luminance(r, g, b)); break;
    default: break;
    }
}

uint32_t UnpackPixel(const uint8_t* p, uint32_t format)
{
    using codec::Argb;
    switch (format) {
    case fmt::R8G8B8: return Argb(0xFF, p[2], p[1], p[0]);
    case fmt::A8R8G8B8: return Load32(p);
    case fmt::X8R8G8B8: return Load32(p) | 0xFF000000u;
    case fmt::R5G6B5: {
        const uint32_t v = Load16(p);
        return Argb(0xFF, Widen(v >> 11, 5), Widen(v >> 5 & 63, 6), Widen(v & 31, 5));
    }
    case fmt::X1R5G5B5:
    case fmt::A1R5G5B5: {
        const uint32_t v = Load16(p);
        const uint32_t a = format == fmt::X1R5G5B5 || (v & 0x8000u) ? 0xFFu : 0u;
        return Argb(a, Widen(v >> 10 & 31, 5), Widen(v >> 5 & 31, 5), Widen(v & 31, 5));
    }
    case fmt::A4R4G4B4:
    case fmt::X4R4G4B4: {
        const uint32_t v = Load16(p);
        const uint32_t a = format == fmt::X4R4G4B4 ? 0xFFu : Widen(v >> 12, 4);
        return Argb(a, Widen(v >> 8 & 15, 4), Widen(v >> 4 & 15, 4), Widen(v & 15, 4));
    }
    case fmt::R3G3B2:
    case fmt::A8R3G3B2: {
        const uint32_t v = format == fmt::R3G3B2 ? p[0] : Load16(p);
        const uint32_t a = format == fmt::R3G3B2 ? 0xFFu : v >> 8;
        return Argb(a, Widen(v >> 5 & 7, 3), Widen(v >> 2 & 7, 3), Widen(v & 3, 2));
    }
    case fmt::A8: return uint32_t(p[0]) << 24;
    case fmt::A2B10G10R10: {
        const uint32_t v = Load32(p);
        return Argb(Widen(v >> 30, 2), (v & 1023) >> 2, (v >> 10 & 1023) >> 2, (v >> 20 & 1023) >> 2);
    }
    case fmt::G16R16: {
        const uint32_t v = Load32(p);
        return Argb(0xFF, (v & 0xFFFF) >> 8, v >> 24, 0xFF);
    }
    case fmt::L8: return Argb(0xFF, p[0], p[0], p[0]);
    case fmt::A8L8: return Argb(p[1], p[0], p[0], p[0]);
    default: return 0;
    }
}

} // namespace

ChannelBits FormatChannelBits(uint32_t format)
{
    switch (format) {
    case fmt::R8G8B8:
    case fmt::X8R8G8B8:
    case fmt::L8: return {8, 8, 8, 0};
    case fmt::A8R8G8B8:
    case fmt::A8L8: return {8, 8, 8, 8};
    case fmt::R5G6B5: return {5, 6, 5, 0};
    case fmt::X1R5G5B5: return {5, 5, 5, 0};
    case fmt::A1R5G5B5: return {5, 5, 5, 1};
    case fmt::A4R4G4B4: return {4, 4, 4, 4};
    case fmt::X4R4G4B4: return {4, 4, 4, 0};
    case fmt::R3G3B2: return {3, 3, 2, 0};
    case fmt::A8: return {0, 0, 0, 8};
    case fmt::A8R3G3B2: return {3, 3, 2, 8};
    case fmt::A2B10G10R10: return {10, 10, 10, 2};
    case fmt::G16R16: return {16, 16, 0, 0};
    default: return {};
    }
}

uint32_t BytesPerPixel(uint32_t format)
{
    switch (format) {
    case fmt::R3G3B2:
    case fmt::A8:
    case fmt::L8: return 1;
    case fmt::R5G6B5:
    case fmt::X1R5G5B5:
    case fmt::A1R5G5B5:
    case fmt::A4R4G4B4:
    case fmt::X4R4G4B4:
    case fmt::A8R3G3B2:
    case fmt::A8L8: return 2;
    case fmt::R8G8B8: return 3;
    case fmt::A8R8G8B8:
    case fmt::X8R8G8B8:
    case fmt::A2B10G10R10:
    case fmt::G16R16: return 4;
    default: return 0;
    }
}

bool IsConvertibleFormat(uint32_t format) { return BytesPerPixel(format) != 0; }

bool ConvertFromArgb(const uint32_t* source, size_t count, uint32_t format, void* dest,
                     bool dither, uint32_t x, uint32_t y)
{
    const uint32_t bpp = BytesPerPixel(format);
    if (bpp == 0) return false;
    auto* out = static_cast<uint8_t*>(dest);
    for (size_t i = 0; i < count; ++i) {
        PackPixel(source[i], format, out + i * bpp, MakeQuantiser(dither, x + uint32_t(i), y));
    }
    return true;
}

bool ConvertToArgb(const void* source, size_t count, uint32_t format, uint32_t* dest)
{
    const uint32_t bpp = BytesPerPixel(format);
    if (bpp == 0) return false;
    const auto* in = static_cast<const uint8_t*>(source);
    for (size_t i = 0; i < count; ++i) dest[i] = UnpackPixel(in + i * bpp, format);
    return true;
}

bool WriteImageRows(const Image& image, uint32_t format, void* dest, size_t pitch, bool dither)
{
    if (!IsConvertibleFormat(format)) return false;
    auto* out = static_cast<uint8_t*>(dest);
    for (uint32_t y = 0; y < image.height; ++y) {
        ConvertFromArgb(&image.pixels[size_t(y) * image.width], image.width, format,
                        out + pitch * y, dither, 0, y);
    }
    return true;
}

bool ReadImageRows(const void* source, size_t pitch, uint32_t width, uint32_t height,
                   uint32_t format, Image& out)
{
    if (!IsConvertibleFormat(format)) return false;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * height);
    const auto* in = static_cast<const uint8_t*>(source);
    for (uint32_t y = 0; y < height; ++y) {
        ConvertToArgb(in + pitch * y, width, format, &out.pixels[size_t(y) * width]);
    }
    return true;
}

} // namespace plat
