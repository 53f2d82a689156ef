// The decoders behind ImageFile, one per file kind, shared by LoadImageFile
// and the tests. Each fills info from the header; when out is not null it
// also decodes the pixels. All read only inside data and fail with a short
// reason in error.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "platform/ImageFile.h"

namespace plat::codec {

// Pixels are handled as A8R8G8B8 words and as blue, green, red, alpha bytes
// interchangeably, as the device does.
static_assert(std::endian::native == std::endian::little);

bool DecodeTga(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error);
bool DecodeBmp(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error);
bool DecodePng(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error);
bool DecodeJpeg(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error);

// Rejects empty or oversized images before anything is allocated.
bool CheckImageSize(uint64_t width, uint64_t height, std::string& error);

// Little-endian reads that never leave the buffer: a read past the end
// sets the failed flag and yields zero, so a parser checks once per header.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data, size_t pos = 0) : data_(data), pos_(pos) {}

    uint8_t U8()
    {
        if (!Has(1)) return Fail();
        return data_[pos_++];
    }
    uint16_t U16()
    {
        if (!Has(2)) return Fail();
        uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint32_t U32()
    {
        if (!Has(4)) return Fail();
        uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
                     uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    int32_t I32() { return int32_t(U32()); }
    void Skip(size_t n)
    {
        if (!Has(n)) {
            Fail();
            return;
        }
        pos_ += n;
    }
    bool Has(size_t n) const { return !failed_ && n <= data_.size() - pos_; }
    size_t Pos() const { return pos_; }
    size_t Left() const { return failed_ ? 0 : data_.size() - pos_; }
    bool Failed() const { return failed_; }
    const uint8_t* Here() const { return data_.data() + pos_; }

private:
    uint8_t Fail()
    {
        failed_ = true;
        pos_ = data_.size();
        return 0;
    }

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool failed_ = false;
};

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return a << 24 | r << 16 | g << 8 | b;
}

// Widens an n-bit channel value to 8 bits by repeating its top bits.
inline uint32_t Widen(uint32_t v, uint32_t bits)
{
    if (bits == 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t out = 0;
    int shift = 8 - int(bits);
    for (; shift > -int(bits); shift -= int(bits)) {
        out |= shift >= 0 ? v << shift : v >> -shift;
    }
    return out & 0xFF;
}

} // namespace plat::codec
