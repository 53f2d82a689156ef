// Reading a render-target texture back to find where its pixels are not
// black: what a picture drawn from it can add to lies only there.
#include "platform/GfxDeviceImpl.h"

#include <cstring>

namespace plat {

namespace {

// How one stored pixel of each kind of target storage is read: its size,
// and the bits of each channel, red, green and blue.
struct StoredPixel {
    uint32_t bytes;
    uint32_t red, green, blue;
};

StoredPixel StoredPixelOf(const GfxTargetFormat& f)
{
    if (f.type == GL_UNSIGNED_INT_8_8_8_8_REV)
        return {4, 0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    if (f.type == GL_UNSIGNED_SHORT_5_6_5)
        return {2, 0xF800u, 0x07E0u, 0x001Fu};
    return {2, 0x7C00u, 0x03E0u, 0x001Fu}; // one bit of alpha on top
}

// The stored bits a scan looks at: those of the channels asked for, in one
// pixel and in each pixel of eight bytes.
struct PixelLayout {
    uint32_t bytes;
    uint32_t colour;
    uint64_t colourWord;
};

PixelLayout LayoutFor(const StoredPixel& stored, uint32_t channels)
{
    uint32_t colour = 0;
    colour |= (channels & 0x00FF0000u) ? stored.red : 0;
    colour |= (channels & 0x0000FF00u) ? stored.green : 0;
    colour |= (channels & 0x000000FFu) ? stored.blue : 0;
    const uint64_t word = stored.bytes == 4 ? uint64_t(colour) * 0x0000000100000001ull
                                            : uint64_t(colour) * 0x0001000100010001ull;
    return {stored.bytes, colour, word};
}

uint32_t At(const uint8_t* row, uint32_t x, uint32_t bytes)
{
    if (bytes == 2) {
        uint16_t value;
        std::memcpy(&value, row + 2 * size_t(x), 2);
        return value;
    }
    uint32_t value;
    std::memcpy(&value, row + 4 * size_t(x), 4);
    return value;
}

uint64_t WordAt(const uint8_t* row, uint32_t x, uint32_t bytes)
{
    uint64_t value;
    std::memcpy(&value, row + size_t(x) * bytes, 8);
    return value;
}

// The first pixel in [from, to) with colour, or to. Black runs are passed
// over eight bytes at a time.
uint32_t FirstPainted(const uint8_t* row, uint32_t from, uint32_t to, const PixelLayout& layout)
{
    const uint32_t perWord = 8 / layout.bytes;
    uint32_t x = from;
    while (x + perWord <= to && !(WordAt(row, x, layout.bytes) & layout.colourWord))
        x += perWord;
    for (; x < to; ++x)
        if (At(row, x, layout.bytes) & layout.colour)
            return x;
    return to;
}

// One past the last pixel in [from, to) with colour, or from.
uint32_t LastPainted(const uint8_t* row, uint32_t from, uint32_t to, const PixelLayout& layout)
{
    const uint32_t perWord = 8 / layout.bytes;
    uint32_t end = to;
    while (end >= from + perWord && !(WordAt(row, end - perWord, layout.bytes) & layout.colourWord))
        end -= perWord;
    for (; end > from; --end)
        if (At(row, end - 1, layout.bytes) & layout.colour)
            return end;
    return from;
}

// Widens [left, right) to take in the row's painted pixels; only the
// pixels outside what the band already holds are looked at.
void TakeInRow(const uint8_t* row, uint32_t width, const PixelLayout& layout, uint32_t& left, uint32_t& right)
{
    if (left >= right) {
        const uint32_t first = FirstPainted(row, 0, width, layout);
        if (first < width)
            left = first, right = LastPainted(row, first, width, layout);
        return;
    }
    left = FirstPainted(row, 0, left, layout);
    right = LastPainted(row, right, width, layout);
}

} // namespace

bool GfxDevice::GetPaintedSpans(GfxSurface* level, uint32_t bandRows, const uint32_t* channels, uint32_t sets,
                                GfxSpan* spans, uint32_t capacity)
{
    if (!level || level->GetKind() != GfxSurface::Kind::TextureLevel || !IsTargetSurface(level) || bandRows == 0
        || !spans || !channels)
        return false;
    const uint32_t width = level->Width(), height = level->Height();
    const uint32_t bands = (height + bandRows - 1) / bandRows;
    if (capacity < bands * sets)
        return false;
    FlushBatch();
    const GfxTargetFormat format = GfxTargetFormatOf(level->Format());
    const StoredPixel stored = StoredPixelOf(format);
    // Made once at the target's size: later frames read into the same room.
    scratch_.resize(size_t(width) * height * stored.bytes);
    MakeCopyFramebuffers();
    ReadWhole(FramebufferOf(level, nullptr, gl_->copyReadFbo), width, height, format.format, format.type,
              scratch_.data());
    // The device draws with y flipped: OpenGL's row 0 is the picture's top.
    const size_t pitch = size_t(width) * stored.bytes;
    for (uint32_t set = 0; set < sets; ++set) {
        const PixelLayout layout = LayoutFor(stored, channels[set]);
        for (uint32_t band = 0; band < bands; ++band) {
            uint32_t left = width, right = 0;
            for (uint32_t y = band * bandRows; y < std::min(height, (band + 1) * bandRows); ++y)
                TakeInRow(scratch_.data() + y * pitch, width, layout, left, right);
            spans[set * bands + band] = left < right ? GfxSpan{int32_t(left), int32_t(right)} : GfxSpan{0, 0};
        }
    }
    return true;
}

} // namespace plat
