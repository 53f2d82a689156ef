// A small level made through the world importer, for the tests that draw
// the world: a 16 x 16 floor, a wall across it at z = 12, a water pool, a
// dynamic lamp, and Targa files for the blob shadow and the clouds.
#pragma once

#include <cstdint>
#include <string>

#include "engine/OmVector3.h"

class TsWorld;
class OmRenderer;

namespace worldtest {

// An uncompressed 32-bit Targa, top row first; pixel(x, y) gives ARGB.
template <class Pixel>
std::string Targa(uint32_t width, uint32_t height, Pixel pixel)
{
    std::string out(18, '\0');
    out[2] = 2;
    out[12] = char(width), out[13] = char(width >> 8);
    out[14] = char(height), out[15] = char(height >> 8);
    out[16] = 32;
    out[17] = 0x28; // top-left origin, 8 alpha bits
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t c = pixel(x, y);
            out += {char(c), char(c >> 8), char(c >> 16), char(c >> 24)};
        }
    return out;
}

struct SceneColours {
    float floor[4] = {0.25f, 0.25f, 0.25f, 1.0f};
    float wall[4] = {0.5f, 0.0f, 0.0f, 1.0f};
};

// Imports the level into world (cells of 8 units); the lamp "dyn_lamp"
// stands at (4, 1, 4) and reaches 3 units. False when the import fails.
bool BuildWorld(TsWorld& world, OmRenderer& renderer, bool withWall, bool withWater);

} // namespace worldtest
