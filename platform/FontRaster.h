// TrueType glyphs for the bitmap font. The game adds its font files for the
// process, then asks for faces by family name; a name that no added file
// holds falls back to DejaVu Sans. Glyphs are measured and drawn the way the
// font texture is built: white anti-aliased text on black, each character
// placed by the top-left corner of its cell, a cell as high as the font's
// ascent plus descent and as wide as the character's advance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Makes the faces of a font file available by their family names (matched
// without regard to case). Returns the number of faces added, 0 when the
// file cannot be read or holds no face. Adding a file twice needs two
// removals.
int AddFontFile(std::string_view gamePath);

// Undoes one AddFontFile of the same file; false when it was not added.
bool RemoveFontFile(std::string_view gamePath);

// Where a face comes from, and which styles must be made up because the
// file does not hold them.
struct FontMatch {
    std::string path;      // host path of the file
    int faceIndex = 0;     // face within the file
    std::string family;    // the family name the file reports
    bool fallback = false; // no added file holds the name
    bool emboldened = false;
    bool slanted = false;
};

// The fallback face files (regular, bold, oblique, bold oblique).
extern const char* const kFallbackFontFiles[4];

// Finds the face for a name and style: the added file of that family whose
// own style is closest, else the DejaVu Sans file of the style (or the
// regular one with the style made up). False only when not even the
// fallback file exists.
bool FindFontFace(std::string_view faceName, bool bold, bool italic, FontMatch& out);

// a * b / c rounded to the nearest integer (halves away from zero) without
// overflow; -1 when c is 0.
int MulDiv(int a, int b, int c);

// Pixel height of the em square for a size in points at 96 dots per inch,
// after the point size (times the text scale) is cut to an integer.
int FontPixelHeight(float points);

class FontRaster {
public:
    FontRaster();
    ~FontRaster();
    FontRaster(const FontRaster&) = delete;
    FontRaster& operator=(const FontRaster&) = delete;

    // Opens the face for the name and style with an em square of pixelHeight
    // pixels. False, with a message, when no face file can be loaded.
    bool Open(std::string_view faceName, int pixelHeight, bool bold, bool italic,
              std::string* error = nullptr);
    bool IsOpen() const;
    const FontMatch& Match() const;

    // Cell metrics in pixels: ascent above the baseline, descent below it,
    // their sum the height of every cell.
    uint32_t Ascent() const;
    uint32_t Descent() const;
    uint32_t CellHeight() const;

    // How far the pen moves after the character (character codes are
    // Latin-1); 0 before Open.
    uint32_t Advance(unsigned char c) const;

    // Width of the text on one line (the sum of its advances).
    uint32_t TextWidth(std::string_view text) const;

    // Draws the character with its cell's top-left corner at (x, y) into an
    // 8-bit coverage bitmap of width x height, rows pitch bytes apart. Ink is
    // combined by taking the larger coverage and clipped to the bitmap.
    // Opaque first clears the cell to 0, as text drawn with an opaque
    // background does.
    void DrawChar(unsigned char c, int x, int y, uint8_t* bits, uint32_t width, uint32_t height,
                  size_t pitch, bool opaque = false) const;

    // The same into 32-bit pixels (pitch in bytes): coverage goes into blue,
    // green and red, the top byte stays 0 - white text on black.
    void DrawChar(unsigned char c, int x, int y, uint32_t* bits, uint32_t width, uint32_t height,
                  size_t pitch, bool opaque = false) const;

    // Draws a whole line from (x, y) into an 8-bit bitmap; returns the
    // x after its last character.
    int DrawText(std::string_view text, int x, int y, uint8_t* bits, uint32_t width,
                 uint32_t height, size_t pitch) const;

private:
    struct Face;
    // Coverage of one glyph: a bitmap and its offset from the cell corner.
    struct Glyph {
        int left = 0, top = 0;
        uint32_t width = 0, rows = 0;
        std::vector<uint8_t> coverage;
    };
    bool Render(unsigned char c, Glyph& out) const;
    template <typename Pixel, typename Write>
    void Blit(unsigned char c, int x, int y, Pixel* bits, uint32_t width, uint32_t height,
              size_t pitch, bool opaque, Write write) const;

    std::unique_ptr<Face> face_;
    FontMatch match_;
    uint32_t ascent_ = 0, descent_ = 0;
    uint32_t advances_[256] = {};
};

} // namespace plat
