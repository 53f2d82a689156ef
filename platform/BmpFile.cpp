// Windows bitmap files: reading 1/4/8-bit palette images (4 and 8 bits also
// run-length encoded), 16, 24 and 32-bit images (plain or with channel masks,
// bottom-up or top-down) and writing the 24-bit bottom-up screenshot file.
#include "platform/BmpFile.h"

#include <bit>
#include <cstdio>
#include <vector>

#include "platform/FilePath.h"
#include "platform/ImageCodecs.h"
#include "platform/PixelFormat.h"

namespace plat {
namespace codec {
namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

struct BmpHeader {
    uint32_t pixelOffset = 0, headerSize = 0;
    int32_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0, paletteCount = 0;
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    bool topDown = false;
    size_t paletteOffset = 0;
    uint32_t paletteEntryBytes = 4;
};

bool ReadInfoHeader(ByteReader& in, BmpHeader& h)
{
    if (h.headerSize == 12) { // the old OS/2 layout: 16-bit sizes, 3-byte palette entries
        h.width = in.U16();
        h.height = in.U16();
        in.Skip(2);
        h.bits = in.U16();
        h.paletteEntryBytes = 3;
        return !in.Failed();
    }
    h.width = in.I32();
    h.height = in.I32();
    in.Skip(2); // planes
    h.bits = in.U16();
    h.compression = in.U32();
    in.Skip(12); // image size and resolution
    h.paletteCount = in.U32();
    in.Skip(4);
    const bool masked = h.compression == kBitFields || h.compression == kAlphaBitFields;
    // Masks sit inside the newer, longer headers, or right after a 40-byte one.
    const uint32_t maskCount = h.headerSize >= 56 ? 4
                               : h.headerSize >= 52 ? 3
                               : !masked            ? 0
                               : h.compression == kAlphaBitFields ? 4 : 3;
    for (uint32_t i = 0; i < maskCount; ++i) h.masks[i] = in.U32();
    return !in.Failed();
}

bool ReadHeader(ByteReader& in, BmpHeader& h, std::string& error)
{
    if (in.U8() != 'B' || in.U8() != 'M') {
        error = "not a BMP image";
        return false;
    }
    in.Skip(8);
    h.pixelOffset = in.U32();
    h.headerSize = in.U32();
    const bool knownHeader = h.headerSize == 12 || (h.headerSize >= 40 && h.headerSize <= 124);
    if (in.Failed() || !knownHeader || !ReadInfoHeader(in, h)) {
        error = "BMP header is damaged or cut short";
        return false;
    }
    const bool masked = h.compression == kBitFields || h.compression == kAlphaBitFields;
    if (h.headerSize == 40 && masked) {
        h.paletteOffset = in.Pos();
    } else {
        h.paletteOffset = 14 + size_t(h.headerSize);
    }
    h.topDown = h.height < 0;
    const int64_t height = h.topDown ? -int64_t(h.height) : h.height;
    if (h.width <= 0 || !CheckImageSize(uint64_t(h.width), uint64_t(height), error)) {
        if (error.empty()) error = "BMP image has a bad size";
        return false;
    }
    const uint32_t b = h.bits;
    const bool bitsOk = b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    const bool rleOk = (h.compression == kRle8 && b == 8) || (h.compression == kRle4 && b == 4);
    if (!bitsOk || (h.compression != kRgb && !masked && !rleOk) || (masked && b != 16 && b != 32)) {
        error = "BMP image uses an unsupported pixel layout or compression";
        return false;
    }
    if (rle && h.topDown) {
        error = "BMP run-length image is stored top-down, which the format does not allow";
        return false;
    }
    // Without masks the layout is fixed, whatever masks a long header holds:
    // 16-bit is 5-5-5 and 32-bit leaves its top byte unused.
    if (!masked && b == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F, h.masks[3] = 0;
    }
    if (!masked && b == 32) {
        h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF, h.masks[3] = 0;
    }
    return true;
}

uint32_t Height(const BmpHeader& h) { return uint32_t(h.topDown ? -int64_t(h.height) : h.height); }

uint32_t MaskBits(uint32_t mask) { return uint32_t(std::popcount(mask)); }

uint32_t FileFormat(const BmpHeader& h)
{
    if (h.bits <= 8 || h.bits == 24) return fmt::R8G8B8;
    const uint32_t r = MaskBits(h.masks[0]), g = MaskBits(h.masks[1]), bl = MaskBits(h.masks[2]),
                   a = MaskBits(h.masks[3]);
    if (h.bits == 16) {
        if (r == 5 && g == 6 && bl == 5) return fmt::R5G6B5;
        if (r == 4 && g == 4 && bl == 4) return a ? fmt::A4R4G4B4 : fmt::X4R4G4B4;
        return a ? fmt::A1R5G5B5 : fmt::X1R5G5B5;
    }
    return a ? fmt::A8R8G8B8 : fmt::X8R8G8B8;
}

bool ReadPalette(std::span<const uint8_t> data, const BmpHeader& h, std::vector<uint32_t>& pal,
                 std::string& error)
{
    if (h.bits > 8) return true;
    const uint32_t full = 1u << h.bits;
    const uint32_t count = (h.paletteCount == 0 || h.paletteCount > full) ? full : h.paletteCount;
    ByteReader in(data);
    in.Skip(h.paletteOffset);
    if (!in.Has(size_t(count) * h.paletteEntryBytes)) {
        error = "BMP palette is cut short";
        return false;
    }
    pal.assign(full, Argb(0xFF, 0, 0, 0)); // indices past the stored entries read black
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = in.Here();
        pal[i] = Argb(0xFF, p[2], p[1], p[0]);
        in.Skip(h.paletteEntryBytes);
    }
    return true;
}

// A channel through its mask, widened to 8 bits.
uint32_t Channel(uint32_t value, uint32_t mask, uint32_t fallback)
{
    if (mask == 0) return fallback;
    const uint32_t shift = uint32_t(std::countr_zero(mask));
    const uint32_t bits = MaskBits(mask);
    const uint32_t v = (value & mask) >> shift;
    if (bits > 8) return v >> (bits - 8);
    return Widen(v, bits);
}

uint32_t ReadPixel(const uint8_t* row, uint32_t x, const BmpHeader& h,
                   const std::vector<uint32_t>& pal)
{
    switch (h.bits) {
    case 1:
    case 4:
    case 8: {
        const uint32_t bitPos = x * h.bits;
        const uint32_t byte = row[bitPos / 8];
        const uint32_t index = (byte >> (8 - h.bits - bitPos % 8)) & ((1u << h.bits) - 1);
        return pal[index];
    }
    case 24: {
        const uint8_t* p = row + size_t(x) * 3;
        return Argb(0xFF, p[2], p[1], p[0]);
    }
    default: {
        const uint8_t* p = row + size_t(x) * (h.bits / 8);
        uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8;
        if (h.bits == 32) v |= uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        return Argb(Channel(v, h.masks[3], 0xFF), Channel(v, h.masks[0], 0),
                    Channel(v, h.masks[1], 0), Channel(v, h.masks[2], 0));
    }
    }
}

// Run-length data fills rows from the bottom. A run repeats one byte's
// index (4-bit images alternate its two halves); an escape ends a row, ends
// the image, skips ahead or copies literal indices padded to 16 bits.
// Pixels the data skips keep the first palette colour. Nothing may pass the
// end of a row or of the image.
class RleReader {
public:
    RleReader(std::span<const uint8_t> data, const BmpHeader& h, const std::vector<uint32_t>& pal, Image& out)
        : in_(data, h.pixelOffset), bits_(h.bits), pal_(pal), out_(out)
    {
    }

    bool Read(std::string& error)
    {
        for (;;) {
            const uint32_t count = in_.U8(), value = in_.U8();
            if (in_.Failed()) return Fail(error, "BMP run-length data is cut short");
            bool ok = true;
            if (count > 0) {
                ok = Run(count, value, error);
            } else if (value == 0) {
                ok = EndRow(error);
            } else if (value == 1) {
                return true;
            } else if (value == 2) {
                ok = Skip(error);
            } else {
                ok = Literal(value, error);
            }
            if (!ok) return false;
        }
    }

private:
    static bool Fail(std::string& error, const char* why)
    {
        error = why;
        return false;
    }

    bool Fits(uint32_t count, std::string& error) const
    {
        if (row_ >= out_.height || count > out_.width - x_) {
            return Fail(error, "BMP run-length data passes the end of a row");
        }
        return true;
    }

    void Put(uint32_t index) { out_.At(x_++, out_.height - 1 - row_) = pal_[index]; }

    // Index k of a packed byte sequence.
    uint32_t IndexAt(const uint8_t* bytes, uint32_t k) const
    {
        if (bits_ == 8) return bytes[k];
        const uint8_t b = bytes[k / 2];
        return k % 2 == 0 ? b >> 4 : b & 0x0Fu;
    }

    bool Run(uint32_t count, uint32_t value, std::string& error)
    {
        if (!Fits(count, error)) return false;
        const uint8_t packed = uint8_t(value);
        for (uint32_t k = 0; k < count; ++k) Put(IndexAt(&packed, bits_ == 8 ? 0 : k % 2));
        return true;
    }

    bool Literal(uint32_t count, std::string& error)
    {
        const size_t bytes = bits_ == 8 ? count : (count + 1) / 2;
        if (!Fits(count, error)) return false;
        if (!in_.Has(bytes + bytes % 2)) return Fail(error, "BMP run-length data is cut short");
        const uint8_t* p = in_.Here();
        for (uint32_t k = 0; k < count; ++k) Put(IndexAt(p, k));
        in_.Skip(bytes + bytes % 2);
        return true;
    }

    bool EndRow(std::string& error)
    {
        if (row_ >= out_.height) return Fail(error, "BMP run-length data runs past the top row");
        x_ = 0;
        ++row_;
        return true;
    }

    bool Skip(std::string& error)
    {
        const uint32_t dx = in_.U8(), dy = in_.U8();
        if (in_.Failed()) return Fail(error, "BMP run-length data is cut short");
        if (dx > out_.width - x_ || dy > out_.height - row_) {
            return Fail(error, "BMP run-length skip leaves the image");
        }
        x_ += dx;
        row_ += dy;
        return true;
    }

    ByteReader in_;
    uint32_t bits_;
    const std::vector<uint32_t>& pal_;
    Image& out_;
    uint32_t x_ = 0, row_ = 0; // row counts up from the bottom
};

bool DecodeRle(std::span<const uint8_t> data, const BmpHeader& h, const std::vector<uint32_t>& pal,
               Image& out, std::string& error)
{
    if (h.pixelOffset > data.size()) {
        error = "BMP pixel data is cut short";
        return false;
    }
    out.width = uint32_t(h.width);
    out.height = Height(h);
    out.pixels.assign(size_t(out.width) * out.height, pal[0]);
    return RleReader(data, h, pal, out).Read(error);
}

} // namespace

bool DecodeBmp(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error)
{
    ByteReader in(data);
    BmpHeader h;
    if (!ReadHeader(in, h, error)) return false;
    info = ImageInfo{};
    info.width = uint32_t(h.width);
    info.height = Height(h);
    info.format = FileFormat(h);
    info.fileFormat = imagefile::Bmp;
    if (!out) return true;

    std::vector<uint32_t> pal;
    if (!ReadPalette(data, h, pal, error)) return false;
    if (h.compression == kRle8 || h.compression == kRle4) return DecodeRle(data, h, pal, *out, error);
    const size_t stride = ((size_t(h.width) * h.bits + 31) / 32) * 4;
    const size_t lastRow = (size_t(h.width) * h.bits + 7) / 8; // the final padding may be missing
    const size_t need = stride * (info.height - 1) + lastRow;
    if (h.pixelOffset > data.size() || data.size() - h.pixelOffset < need) {
        error = "BMP pixel data is cut short";
        return false;
    }
    out->width = info.width;
    out->height = info.height;
    out->pixels.resize(size_t(info.width) * info.height);
    for (uint32_t row = 0; row < info.height; ++row) {
        const uint8_t* src = data.data() + h.pixelOffset + stride * row;
        const uint32_t y = h.topDown ? row : info.height - 1 - row;
        for (uint32_t x = 0; x < info.width; ++x) out->At(x, y) = ReadPixel(src, x, h, pal);
    }
    return true;
}

} // namespace codec

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
} // namespace

std::vector<uint8_t> EncodeBmp24(const void* pixels, uint32_t width, uint32_t height, size_t pitch)
{
    const uint32_t rowBytes = Bmp24RowBytes(width);
    const uint32_t imageSize = rowBytes * height;
    std::vector<uint8_t> file;
    file.reserve(kBmpHeaderBytes + size_t(imageSize));
    file.push_back('B');
    file.push_back('M');
    Put32(file, kBmpHeaderBytes + imageSize);
    Put16(file, 0);
    Put16(file, 0);
    Put32(file, kBmpHeaderBytes);
    Put32(file, 40);
    Put32(file, width);
    Put32(file, height); // positive: rows run bottom-up
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, 0);
    Put32(file, imageSize);
    Put32(file, 18288); // 72 dots per inch, in pixels per metre
    Put32(file, 18288);
    Put32(file, 0);
    Put32(file, 0);
    const auto* base = static_cast<const uint8_t*>(pixels);
    for (uint32_t row = height; row-- > 0;) {
        const uint8_t* src = base + pitch * row;
        for (uint32_t x = 0; x < width; ++x) {
            file.insert(file.end(), src + size_t(x) * 4, src + size_t(x) * 4 + 3);
        }
        file.resize(file.size() + (rowBytes - width * 3), 0);
    }
    return file;
}

bool WriteBmp24(std::string_view gamePath, const void* pixels, uint32_t width, uint32_t height,
                size_t pitch, std::string* error)
{
    const std::vector<uint8_t> bytes = EncodeBmp24(pixels, width, height, pitch);
    std::FILE* f = OpenFile(gamePath, "wb");
    if (!f) {
        if (error) *error = "cannot create " + std::string(gamePath);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!(written && closed)) {
        if (error) *error = "cannot write " + std::string(gamePath);
        return false;
    }
    return true;
}

} // namespace plat
