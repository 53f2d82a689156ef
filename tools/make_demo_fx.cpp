// Writes the world effects' images: data/fx/blob2.tga (the round shadow
// under characters, black fading out to clear), data/fx/clouda.tga (soft
// cloud shadows to scroll over the level) and data/fx/sprites/shockring.tga
// (the bright band of an explosion's ring, dim at its edges).
// Usage: make_demo_fx <data folder>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/DemoSupport.h"

namespace fs = std::filesystem;

namespace {

// An uncompressed 32-bit Targa image, top row first.
bool WriteTga(const fs::path& path, uint32_t size, const std::vector<uint32_t>& argb)
{
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = uint8_t(size), bytes[13] = uint8_t(size >> 8);
    bytes[14] = uint8_t(size), bytes[15] = uint8_t(size >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28; // eight alpha bits, top-left origin
    for (uint32_t pixel : argb)
        bytes.insert(bytes.end(), {uint8_t(pixel), uint8_t(pixel >> 8), uint8_t(pixel >> 16), uint8_t(pixel >> 24)});
    return demo::WriteFile(path, bytes.data(), bytes.size());
}

uint32_t Level(float v) { return uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

std::vector<uint32_t> Blob(uint32_t size)
{
    std::vector<uint32_t> out(size * size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float dx = (float(x) + 0.5f) / float(size) * 2 - 1, dy = (float(y) + 0.5f) / float(size) * 2 - 1;
            const float r = std::sqrt(dx * dx + dy * dy);
            out[y * size + x] = Level(0.6f * (1.0f - r) / 0.4f) << 24; // black, clear beyond the rim
        }
    return out;
}

// Grey shadows between white gaps; the pattern wraps on both axes.
std::vector<uint32_t> Clouds(uint32_t size)
{
    std::vector<uint32_t> out(size * size);
    const float k = 2.0f * 3.14159265f / float(size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float n = std::sin(float(x) * k) + std::sin(float(y) * 2 * k + 1.0f) + 0.5f * std::sin(float(x + y) * 3 * k);
            const uint32_t g = Level(0.8f + 0.1f * n);
            out[y * size + x] = 0xFF000000u | g << 16 | g << 8 | g;
        }
    return out;
}

// Across the band (v): bright in the middle, dark at the edges.
std::vector<uint32_t> Ring(uint32_t size)
{
    std::vector<uint32_t> out(size * size);
    for (uint32_t y = 0; y < size; ++y) {
        const float v = (float(y) + 0.5f) / float(size);
        const uint32_t g = Level(std::sin(v * 3.14159265f));
        for (uint32_t x = 0; x < size; ++x)
            out[y * size + x] = 0xFF000000u | g << 16 | g << 8 | g;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_fx <data folder>\n");
        return 2;
    }
    const fs::path fx = fs::path(argv[1]) / "fx";
    std::error_code error;
    fs::create_directories(fx / "sprites", error);
    if (error || !WriteTga(fx / "blob2.tga", 32, Blob(32)) || !WriteTga(fx / "clouda.tga", 64, Clouds(64)) ||
        !WriteTga(fx / "sprites" / "shockring.tga", 16, Ring(16))) {
        std::fprintf(stderr, "make_demo_fx: cannot write the images under %s\n", fx.string().c_str());
        return 1;
    }
    return 0;
}
