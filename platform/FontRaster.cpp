#include "platform/FontRaster.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include "platform/FilePath.h"
#include "platform/ImageFile.h"

namespace plat {

const char* const kFallbackFontFiles[4] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf",
};

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct Library {
    FT_Library handle = nullptr;
    Library() { FT_Init_FreeType(&handle); }
    ~Library()
    {
        if (handle) FT_Done_FreeType(handle);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

struct RegisteredFace {
    std::string path;
    int faceIndex = 0;
    std::string family, familyKey;
    bool bold = false, italic = false;
};

struct Registry {
    std::mutex mutex;
    std::vector<RegisteredFace> faces;
};

Registry& Fonts()
{
    static Registry registry;
    return registry;
}

// Reads the family name and style of every face of a font file in memory.
std::vector<RegisteredFace> ScanFaces(const std::string& path, const std::vector<uint8_t>& data)
{
    std::vector<RegisteredFace> found;
    Library lib;
    if (!lib.handle) return found;
    FT_Long count = 1;
    for (FT_Long i = 0; i < count; ++i) {
        FT_Face face = nullptr;
        if (FT_New_Memory_Face(lib.handle, data.data(), FT_Long(data.size()), i, &face) != 0) break;
        count = face->num_faces;
        if (face->family_name) {
            RegisteredFace entry;
            entry.path = path;
            entry.faceIndex = int(i);
            entry.family = face->family_name;
            entry.familyKey = Lower(entry.family);
            entry.bold = face->style_flags & FT_STYLE_FLAG_BOLD;
            entry.italic = face->style_flags & FT_STYLE_FLAG_ITALIC;
            found.push_back(std::move(entry));
        }
        FT_Done_Face(face);
    }
    return found;
}

bool FileExists(const char* path) { return PathExists(path); }

} // namespace

int AddFontFile(std::string_view gamePath)
{
    std::vector<uint8_t> data;
    if (!ReadWholeFile(gamePath, data, nullptr)) return 0;
    std::vector<RegisteredFace> faces = ScanFaces(ResolvePath(gamePath), data);
    Registry& reg = Fonts();
    std::lock_guard lock(reg.mutex);
    for (auto& f : faces) reg.faces.push_back(std::move(f));
    return int(faces.size());
}

bool RemoveFontFile(std::string_view gamePath)
{
    const std::string path = ResolvePath(gamePath);
    Registry& reg = Fonts();
    std::lock_guard lock(reg.mutex);
    // The newest addition goes first: one entry per face index.
    bool removed = false;
    std::vector<int> seen;
    for (auto it = reg.faces.end(); it != reg.faces.begin();) {
        --it;
        if (it->path != path || std::find(seen.begin(), seen.end(), it->faceIndex) != seen.end()) {
            continue;
        }
        seen.push_back(it->faceIndex);
        it = reg.faces.erase(it);
        removed = true;
    }
    return removed;
}

bool FindFontFace(std::string_view faceName, bool bold, bool italic, FontMatch& out)
{
    out = FontMatch{};
    {
        const std::string key = Lower(faceName);
        Registry& reg = Fonts();
        std::lock_guard lock(reg.mutex);
        const RegisteredFace* best = nullptr;
        int bestCost = 3;
        for (const auto& f : reg.faces) {
            const int cost = int(f.bold != bold) + int(f.italic != italic);
            if (f.familyKey == key && cost < bestCost) best = &f, bestCost = cost;
        }
        if (best) {
            out.path = best->path;
            out.faceIndex = best->faceIndex;
            out.family = best->family;
            out.emboldened = bold && !best->bold;
            out.slanted = italic && !best->italic;
            return true;
        }
    }
    out.fallback = true;
    out.family = "DejaVu Sans";
    const char* styled = kFallbackFontFiles[int(bold) + 2 * int(italic)];
    if (FileExists(styled)) {
        out.path = styled;
        return true;
    }
    out.path = kFallbackFontFiles[0];
    out.emboldened = bold;
    out.slanted = italic;
    return FileExists(kFallbackFontFiles[0]);
}

int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    const int64_t product = int64_t(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t magnitude = uint64_t(product < 0 ? -product : product);
    const uint64_t divisor = uint64_t(c < 0 ? -int64_t(c) : int64_t(c));
    const uint64_t q = (magnitude + divisor / 2) / divisor;
    if (q > uint64_t(INT32_MAX)) return -1;
    return negative ? -int(q) : int(q);
}

int FontPixelHeight(float points)
{
    const float clamped = std::clamp(points, 0.0f, 100000.0f);
    return MulDiv(int(clamped), 96, 72);
}

struct FontRaster::Face {
    Library lib;
    FT_Face face = nullptr;
    std::vector<uint8_t> data; // FreeType reads the file from here while the face lives
    ~Face()
    {
        if (face) FT_Done_Face(face);
    }
};

FontRaster::FontRaster() = default;
FontRaster::~FontRaster() = default;

bool FontRaster::IsOpen() const { return face_ != nullptr; }
const FontMatch& FontRaster::Match() const { return match_; }
uint32_t FontRaster::Ascent() const { return ascent_; }
uint32_t FontRaster::Descent() const { return descent_; }
uint32_t FontRaster::CellHeight() const { return ascent_ + descent_; }
uint32_t FontRaster::Advance(unsigned char c) const { return advances_[c]; }

bool FontRaster::Open(std::string_view faceName, int pixelHeight, bool bold, bool italic,
                      std::string* error)
{
    face_.reset();
    ascent_ = descent_ = 0;
    std::fill(std::begin(advances_), std::end(advances_), 0u);
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        face_.reset();
        return false;
    };
    if (pixelHeight <= 0 || pixelHeight > 4096) return fail("font height out of range");
    if (!FindFontFace(faceName, bold, italic, match_)) return fail("no font file for " + std::string(faceName));

    auto face = std::make_unique<Face>();
    if (!face->lib.handle || !ReadWholeFile(match_.path, face->data, error)) {
        return fail("cannot read font file " + match_.path);
    }
    if (FT_New_Memory_Face(face->lib.handle, face->data.data(), FT_Long(face->data.size()),
                           match_.faceIndex, &face->face) != 0 ||
        FT_Set_Pixel_Sizes(face->face, 0, FT_UInt(pixelHeight)) != 0) {
        return fail("cannot load font face from " + match_.path);
    }
    face_ = std::move(face);

    // Windows places text by the font's own ascent and descent, found in
    // its OS/2 table; other fonts use the sizes FreeType reports.
    const FT_Face f = face_->face;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0 &&
        f->units_per_EM > 0) {
        const double scale = double(pixelHeight) / f->units_per_EM;
        ascent_ = uint32_t(std::lround(os2->usWinAscent * scale));
        descent_ = uint32_t(std::lround(os2->usWinDescent * scale));
    } else {
        ascent_ = uint32_t(std::max<FT_Pos>(0, (f->size->metrics.ascender + 63) >> 6));
        descent_ = uint32_t(std::max<FT_Pos>(0, (-f->size->metrics.descender + 63) >> 6));
    }
    for (int c = 0; c < 256; ++c) {
        if (FT_Load_Char(f, FT_ULong(c), FT_LOAD_DEFAULT) != 0) continue;
        const FT_Pos advance = (f->glyph->advance.x + 32) >> 6;
        // A made-up bold is one pixel wider, as Windows draws it.
        advances_[c] = uint32_t(std::max<FT_Pos>(0, advance)) + (match_.emboldened ? 1 : 0);
    }
    return true;
}

uint32_t FontRaster::TextWidth(std::string_view text) const
{
    uint32_t width = 0;
    for (char c : text) width += advances_[static_cast<unsigned char>(c)];
    return width;
}

bool FontRaster::Render(unsigned char c, Glyph& out) const
{
    if (!face_) return false;
    const FT_Face f = face_->face;
    if (FT_Load_Char(f, FT_ULong(c), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
    FT_GlyphSlot slot = f->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (match_.emboldened) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
        if (match_.slanted) {
            FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000}; // about 12 degrees
            FT_Outline_Transform(&slot->outline, &shear);
        }
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    out.left = slot->bitmap_left;
    out.top = int(ascent_) - slot->bitmap_top;
    out.width = bm.width;
    out.rows = bm.rows;
    out.coverage.assign(size_t(bm.width) * bm.rows, 0);
    const bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
    const uint32_t levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (uint32_t j = 0; j < bm.rows; ++j) {
        const int row = bm.pitch >= 0 ? int(j) : int(bm.rows - 1 - j);
        const unsigned char* src = bm.buffer + ptrdiff_t(row) * std::abs(bm.pitch);
        for (uint32_t i = 0; i < bm.width; ++i) {
            const uint32_t v = mono ? ((src[i / 8] >> (7 - i % 8)) & 1u) * 255u
                                    : uint32_t(src[i]) * 255u / levels;
            out.coverage[size_t(j) * bm.width + i] = uint8_t(std::min(v, 255u));
        }
    }
    return true;
}

template <typename Pixel, typename Write>
void FontRaster::Blit(unsigned char c, int x, int y, Pixel* bits, uint32_t width, uint32_t height,
                      size_t pitch, bool opaque, Write write) const
{
    if (!bits || !face_) return;
    auto* base = reinterpret_cast<uint8_t*>(bits);
    const auto pixel = [&](int px, int py) -> Pixel* {
        if (px < 0 || py < 0 || uint32_t(px) >= width || uint32_t(py) >= height) return nullptr;
        return reinterpret_cast<Pixel*>(base + pitch * uint32_t(py)) + px;
    };
    if (opaque) {
        for (int py = y; py < y + int(CellHeight()); ++py) {
            for (int px = x; px < x + int(advances_[c]); ++px) {
                if (Pixel* p = pixel(px, py)) *p = 0;
            }
        }
    }
    Glyph g;
    if (!Render(c, g)) return;
    for (uint32_t j = 0; j < g.rows; ++j) {
        for (uint32_t i = 0; i < g.width; ++i) {
            const uint8_t cov = g.coverage[size_t(j) * g.width + i];
            Pixel* p = cov ? pixel(x + g.left + int(i), y + g.top + int(j)) : nullptr;
            if (p) write(*p, cov);
        }
    }
}

void FontRaster::DrawChar(unsigned char c, int x, int y, uint8_t* bits, uint32_t width,
                          uint32_t height, size_t pitch, bool opaque) const
{
    Blit(c, x, y, bits, width, height, pitch, opaque,
         [](uint8_t& p, uint8_t cov) { p = std::max(p, cov); });
}

void FontRaster::DrawChar(unsigned char c, int x, int y, uint32_t* bits, uint32_t width,
                          uint32_t height, size_t pitch, bool opaque) const
{
    Blit(c, x, y, bits, width, height, pitch, opaque, [](uint32_t& p, uint8_t cov) {
        const uint32_t v = std::max<uint32_t>(p & 0xFF, cov);
        p = v * 0x010101u;
    });
}

int FontRaster::DrawText(std::string_view text, int x, int y, uint8_t* bits, uint32_t width,
                         uint32_t height, size_t pitch) const
{
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        DrawChar(c, x, y, bits, width, height, pitch);
        x += int(advances_[c]);
    }
    return x;
}

} // namespace plat
