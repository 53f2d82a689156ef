// Painting for the demo-data writers: a picture in memory, the Targa file it
// is saved as, and the flat fills and bevelled frames the interface art is
// made of.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "tools/DemoSupport.h"

namespace demo {

inline uint32_t Argb(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255)
{
    return a << 24 | r << 16 | g << 8 | b;
}

struct Picture {
    uint32_t width, height;
    std::vector<uint32_t> argb; // top row first

    Picture(uint32_t w, uint32_t h, uint32_t fill = 0) : width(w), height(h), argb(size_t(w) * h, fill) {}
    uint32_t& At(uint32_t x, uint32_t y) { return argb[size_t(y) * width + x]; }

    void Fill(int x0, int y0, int x1, int y1, uint32_t colour)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (x >= 0 && y >= 0 && uint32_t(x) < width && uint32_t(y) < height)
                    At(uint32_t(x), uint32_t(y)) = colour;
    }

    // A raised frame `depth` pixels thick: light on the top and left edges,
    // dark on the bottom and right, around the rectangle [x0, x1) x [y0, y1).
    void Bevel(int x0, int y0, int x1, int y1, int depth, uint32_t light, uint32_t dark)
    {
        for (int d = 0; d < depth; ++d) {
            Fill(x0 + d, y0 + d, x1 - d, y0 + d + 1, light);
            Fill(x0 + d, y0 + d, x0 + d + 1, y1 - d, light);
            Fill(x0 + d, y1 - d - 1, x1 - d, y1 - d, dark);
            Fill(x1 - d - 1, y0 + d, x1 - d, y1 - d, dark);
        }
    }
};

inline void PutLittle16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t(value >> 8));
}

// Uncompressed 32-bit true colour, rows stored top first.
inline bool WriteTarga(const std::filesystem::path& path, const Picture& picture)
{
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutLittle16(bytes, picture.width);
    PutLittle16(bytes, picture.height);
    bytes.push_back(32);
    bytes.push_back(0x28); // eight alpha bits, top-left origin
    for (uint32_t pixel : picture.argb) {
        bytes.push_back(uint8_t(pixel));
        bytes.push_back(uint8_t(pixel >> 8));
        bytes.push_back(uint8_t(pixel >> 16));
        bytes.push_back(uint8_t(pixel >> 24));
    }
    return WriteFile(path, bytes.data(), bytes.size());
}

} // namespace demo
