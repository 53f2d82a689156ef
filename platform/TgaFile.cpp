// Targa reader: colour-mapped, true-colour and grey images, plain or
// run-length encoded, 8 to 32 bits, any of the four origins, rows stored in
// order or two- or four-way interleaved. Targa has no
// signature, so the header is checked strictly: anything that does not look
// like one of these kinds is refused.
#include <cassert>
#include <vector>

#include "platform/ImageCodecs.h"
#include "platform/PixelFormat.h"

namespace plat::codec {
namespace {

struct TgaHeader {
    uint8_t idLength = 0, mapType = 0, imageType = 0;
    uint16_t mapFirst = 0, mapLength = 0;
    uint8_t mapEntryBits = 0;
    uint16_t width = 0, height = 0;
    uint8_t bits = 0, descriptor = 0;

    uint32_t Kind() const { return imageType & 7u; } // 1 mapped, 2 true colour, 3 grey
    bool Rle() const { return imageType >= 9; }
    uint32_t AlphaBits() const { return descriptor & 0x0Fu; }
    bool RightToLeft() const { return descriptor & 0x10u; }
    bool TopDown() const { return descriptor & 0x20u; }
    // Row interleaving: 1 (none), 2 (even rows, then odd) or 4 ways.
    uint32_t Interleave() const { return descriptor >> 6 == 1 ? 2u : descriptor >> 6 == 2 ? 4u : 1u; }
};

bool ReadHeader(ByteReader& in, TgaHeader& h, std::string& error)
{
    h.idLength = in.U8();
    h.mapType = in.U8();
    h.imageType = in.U8();
    h.mapFirst = in.U16();
    h.mapLength = in.U16();
    h.mapEntryBits = in.U8();
    in.Skip(4); // x and y origin: only the descriptor's bits place the rows
    h.width = in.U16();
    h.height = in.U16();
    h.bits = in.U8();
    h.descriptor = in.U8();
    if (in.Failed()) {
        error = "not a Targa image (header cut short)";
        return false;
    }
    const uint32_t type = h.imageType;
    const bool knownType = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 ||
                           type == 11;
    if (!knownType || h.mapType > 1 || (h.descriptor & 0xC0u) == 0xC0u) { // the last interleave is reserved
        error = "not a Targa image (unknown image type)";
        return false;
    }
    const uint32_t b = h.bits;
    const bool bitsOk = h.Kind() == 1   ? (b == 8 || b == 16)
                        : h.Kind() == 2 ? (b == 15 || b == 16 || b == 24 || b == 32)
                                        : (b == 8 || b == 16);
    if (!bitsOk) {
        error = "Targa image has an unsupported pixel depth";
        return false;
    }
    if (h.Kind() == 1) {
        const uint32_t e = h.mapEntryBits;
        if (h.mapType != 1 || h.mapLength == 0 || !(e == 15 || e == 16 || e == 24 || e == 32)) {
            error = "Targa image has a bad colour map";
            return false;
        }
    }
    return CheckImageSize(h.width, h.height, error);
}

// Format of a true-colour (or colour-map) entry of the given bit count.
uint32_t EntryFormat(uint32_t bits, uint32_t alphaBits)
{
    switch (bits) {
    case 15: return fmt::X1R5G5B5;
    case 16: return alphaBits ? fmt::A1R5G5B5 : fmt::X1R5G5B5;
    case 24: return fmt::R8G8B8;
    default: return fmt::A8R8G8B8; // see KeepAlpha

    }
}

uint32_t FileFormat(const TgaHeader& h)
{
    switch (h.Kind()) {
    case 1: return EntryFormat(h.mapEntryBits, h.AlphaBits());
    case 2: return EntryFormat(h.bits, h.AlphaBits());
    default: return h.bits == 8 ? fmt::L8 : fmt::A8L8;
    }
}

// One stored colour (of entry size bits) as A8R8G8B8.
uint32_t ReadColour(const uint8_t* p, uint32_t bits, bool alpha)
{
    switch (bits) {
    case 15:
    case 16: {
        const uint32_t v = uint32_t(p[0] | p[1] << 8);
        const uint32_t a = (bits == 16 && alpha) ? ((v & 0x8000u) ? 0xFFu : 0u) : 0xFFu;
        return Argb(a, Widen(v >> 10 & 31, 5), Widen(v >> 5 & 31, 5), Widen(v & 31, 5));
    }
    case 24: return Argb(0xFF, p[2], p[1], p[0]);
    default: return Argb(p[3], p[2], p[1], p[0]);
    }
}

// Many painting programs write 32-bit Targa files with real alpha but an
// alpha-bit count of 0 in the descriptor, so the fourth byte is kept as
// alpha - unless the count is 0 and every such byte is 0, which only means
// the byte was never filled in: those pixels are opaque.
void KeepAlpha(const TgaHeader& h, uint32_t entryBits, std::vector<uint32_t>& pixels)
{
    if (entryBits != 32 || h.AlphaBits() != 0) return;
    for (uint32_t p : pixels) {
        if (p >> 24) return;
    }
    for (uint32_t& p : pixels) p |= 0xFF000000u;
}

class PixelSource {
public:
    PixelSource(const TgaHeader& h, const std::vector<uint32_t>& map)
        : h_(h), map_(map), bytes_((h.bits + 7u) / 8u), alpha_(h.AlphaBits() != 0)
    {
    }
    uint32_t Bytes() const { return bytes_; }

    bool Convert(const uint8_t* p, uint32_t& out, std::string& error) const
    {
        if (h_.Kind() == 2) {
            out = ReadColour(p, h_.bits, alpha_);
            return true;
        }
        if (h_.Kind() == 3) {
            const uint32_t l = p[0];
            out = Argb(h_.bits == 16 ? p[1] : 0xFFu, l, l, l);
            return true;
        }
        const uint32_t index = h_.bits == 8 ? p[0] : uint32_t(p[0] | p[1] << 8);
        if (index < h_.mapFirst || index - h_.mapFirst >= map_.size()) {
            error = "Targa colour index outside its colour map";
            return false;
        }
        out = map_[index - h_.mapFirst];
        return true;
    }

private:
    const TgaHeader& h_;
    const std::vector<uint32_t>& map_;
    uint32_t bytes_;
    bool alpha_;
};

bool ReadColourMap(ByteReader& in, const TgaHeader& h, std::vector<uint32_t>& map,
                   std::string& error)
{
    if (h.mapType == 0) return true;
    const uint32_t entryBytes = (h.mapEntryBits + 7u) / 8u;
    if (entryBytes == 0 || entryBytes > 4 || !in.Has(size_t(h.mapLength) * entryBytes)) {
        error = "Targa colour map is cut short";
        return false;
    }
    if (h.Kind() != 1) { // true-colour files may carry a map nobody uses
        in.Skip(size_t(h.mapLength) * entryBytes);
        return true;
    }
    map.resize(h.mapLength);
    for (auto& entry : map) {
        entry = ReadColour(in.Here(), h.mapEntryBits, h.AlphaBits() != 0);
        in.Skip(entryBytes);
    }
    KeepAlpha(h, h.mapEntryBits, map);
    return true;
}

// Pixels in file order (as stored, before the origin is applied).
bool ReadPlain(ByteReader& in, const PixelSource& src, std::vector<uint32_t>& px,
               std::string& error)
{
    if (!in.Has(px.size() * src.Bytes())) {
        error = "Targa image is cut short";
        return false;
    }
    for (auto& p : px) {
        if (!src.Convert(in.Here(), p, error)) return false;
        in.Skip(src.Bytes());
    }
    return true;
}

bool ReadRle(ByteReader& in, const PixelSource& src, std::vector<uint32_t>& px,
             std::string& error)
{
    size_t i = 0;
    while (i < px.size()) {
        const uint32_t packet = in.U8();
        const size_t count = (packet & 0x7Fu) + 1;
        if (in.Failed() || count > px.size() - i) {
            error = in.Failed() ? "Targa image is cut short" : "Targa run overruns the image";
            return false;
        }
        const bool run = packet & 0x80u;
        const size_t need = run ? src.Bytes() : src.Bytes() * count;
        if (!in.Has(need)) {
            error = "Targa image is cut short";
            return false;
        }
        for (size_t k = 0; k < count; ++k) {
            if (!src.Convert(in.Here(), px[i + k], error)) return false;
            if (!run) in.Skip(src.Bytes());
        }
        if (run) in.Skip(src.Bytes());
        i += count;
    }
    return true;
}

// The row, counted from the origin, that the k-th stored row holds: an
// n-way interleaved file stores rows 0, n, 2n, ... first, then 1, n + 1, ...
uint32_t InterleavedRow(uint32_t k, uint32_t height, uint32_t n)
{
    assert(k < height);
    uint32_t pass = 0;
    for (; pass + 1 < n && pass < height; ++pass) {
        const uint32_t rows = (height - pass + n - 1) / n;
        if (k < rows) break;
        k -= rows;
    }
    return pass + k * n;
}

void PlaceRows(const TgaHeader& h, const std::vector<uint32_t>& stored, Image& out)
{
    out.width = h.width;
    out.height = h.height;
    out.pixels.resize(stored.size());
    for (uint32_t k = 0; k < h.height; ++k) {
        const uint32_t row = InterleavedRow(k, h.height, h.Interleave());
        const uint32_t y = h.TopDown() ? row : h.height - 1 - row;
        for (uint32_t col = 0; col < h.width; ++col) {
            const uint32_t x = h.RightToLeft() ? h.width - 1 - col : col;
            out.At(x, y) = stored[size_t(k) * h.width + col];
        }
    }
}

} // namespace

bool DecodeTga(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error)
{
    ByteReader in(data);
    TgaHeader h;
    if (!ReadHeader(in, h, error)) return false;
    info = ImageInfo{};
    info.width = h.width;
    info.height = h.height;
    info.format = FileFormat(h);
    info.fileFormat = imagefile::Tga;
    in.Skip(h.idLength);
    std::vector<uint32_t> map;
    if (in.Failed() || !ReadColourMap(in, h, map, error)) {
        if (error.empty()) error = "Targa image is cut short";
        return false;
    }
    if (!out) return true;

    const PixelSource src(h, map);
    const size_t count = size_t(h.width) * h.height;
    // A run packet covers at most 128 pixels, so a file far too short for
    // its size is refused before the pixels are allocated.
    if (h.Rle() && in.Left() * 128 < count) {
        error = "Targa image is cut short";
        return false;
    }
    std::vector<uint32_t> stored(count);
    const bool ok = h.Rle() ? ReadRle(in, src, stored, error) : ReadPlain(in, src, stored, error);
    if (!ok) return false;
    if (h.Kind() == 2) KeepAlpha(h, h.bits, stored);
    PlaceRows(h, stored, *out);
    return true;
}

} // namespace plat::codec
