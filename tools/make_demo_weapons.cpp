// Writes the weapons' images: data/fx/sprites/laser.tga, the streak a laser
// shot leaves, white along its length, bright across its middle and clear
// at its edges and toward its tail. Usage: make_demo_weapons <data folder>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "tools/DemoSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kSize = 16;

// u runs from the tip (0) to the tail (1), v across the streak.
std::vector<uint8_t> LaserTga()
{
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = bytes[14] = uint8_t(kSize);
    bytes[16] = 32;
    bytes[17] = 0x28; // eight alpha bits, top-left origin
    for (uint32_t y = 0; y < kSize; ++y) {
        const float v = (float(y) + 0.5f) / float(kSize);
        for (uint32_t x = 0; x < kSize; ++x) {
            const float u = (float(x) + 0.5f) / float(kSize);
            const float a = std::sin(v * 3.14159265f) * (1.0f - 0.7f * u);
            const auto alpha = uint8_t(std::lround(std::clamp(a, 0.0f, 1.0f) * 255.0f));
            bytes.insert(bytes.end(), {255, 255, 255, alpha});
        }
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_weapons <data folder>\n");
        return 2;
    }
    const fs::path sprites = fs::path(argv[1]) / "fx" / "sprites";
    std::error_code error;
    fs::create_directories(sprites, error);
    const std::vector<uint8_t> laser = LaserTga();
    if (error || !demo::WriteFile(sprites / "laser.tga", laser.data(), laser.size())) {
        std::fprintf(stderr, "make_demo_weapons: cannot write %s\n", (sprites / "laser.tga").string().c_str());
        return 1;
    }
    return 0;
}
