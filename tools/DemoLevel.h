// The demo level's layout, shared by the tool that writes it
// (make_demo_level) and the tests that check the world built from it.
// Engine units, Y up: room A spans X 0..8 and Z 0..8, room B X 12..20 and
// Z 0..8, joined by a corridor along Z 3..5; walls are 3 units high and a
// quarter thick, the floor top is Y 0. A ramp in room B rises from Y 0 at
// X 14 to Y 1 at X 18 over Z 1..3; a water pool lies in room A.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmVector3.h"

namespace demolevel {

struct Box {
    OmVector3 min, max;
};

struct Solid {
    const char* what;
    Box box;
    const char* texture = "stone";
    bool ramp = false;  // cut by a slope rising along +X to the box's top
    bool water = false; // the pool: a liquid surface, not a solid
    const char* nodeName = nullptr;
    bool wall = false;  // blocks the AI map
};

// Cells of two units: a cast tests the cells around its path, not the level.
constexpr float kCellEdge = 2.0f;
constexpr float kWall = 0.25f;
constexpr float kHeight = 3.0f;
constexpr float kRampLow = 14.0f, kRampHigh = 18.0f, kRampTop = 1.0f;
constexpr float kRampZ0 = 1.0f, kRampZ1 = 3.0f;
constexpr float kDoorZ0 = 3.0f, kDoorZ1 = 5.0f;
inline const OmVector3 kCratePosition{6.0f, 0.4f, 2.0f};
inline const OmVector3 kSmokePosition{18.0f, 0.5f, 7.0f};

inline Box B(float x0, float y0, float z0, float x1, float y1, float z1)
{
    return Box{OmVector3(x0, y0, z0), OmVector3(x1, y1, z1)};
}

inline const std::vector<Solid>& Solids()
{
    constexpr float t = kWall, h = kHeight;
    static const std::vector<Solid> solids = {
        {"floor of room A", B(-t, -t, -t, 8 + t, 0, 8 + t)},
        {"floor of room B", B(12 - t, -t, -t, 20 + t, 0, 8 + t)},
        {"floor of the corridor", B(8, -t, kDoorZ0 - t, 12, 0, kDoorZ1 + t)},
        {"room A west wall", B(-t, 0, -t, 0, h, 8 + t), "stone", false, false, nullptr, true},
        {"room A south wall", B(0, 0, -t, 8, h, 0), "stone", false, false, nullptr, true},
        {"room A north wall", B(0, 0, 8, 8, h, 8 + t), "stone", false, false, nullptr, true},
        {"room A east wall, south of the door", B(8, 0, -t, 8 + t, h, kDoorZ0), "stone", false, false, nullptr, true},
        {"room A east wall, north of the door", B(8, 0, kDoorZ1, 8 + t, h, 8 + t), "stone", false, false, nullptr, true},
        {"room B east wall", B(20, 0, -t, 20 + t, h, 8 + t), "stone", false, false, nullptr, true},
        {"room B south wall", B(12, 0, -t, 20, h, 0), "stone", false, false, nullptr, true},
        {"room B north wall", B(12, 0, 8, 20, h, 8 + t), "stone", false, false, nullptr, true},
        {"room B west wall, south of the door", B(12 - t, 0, -t, 12, h, kDoorZ0), "stone", false, false, nullptr, true},
        {"room B west wall, north of the door", B(12 - t, 0, kDoorZ1, 12, h, 8 + t), "stone", false, false, nullptr,
         true},
        {"corridor south wall", B(8 + t, 0, kDoorZ0 - t, 12 - t, h, kDoorZ0), "stone", false, false, nullptr, true},
        {"corridor north wall", B(8 + t, 0, kDoorZ1, 12 - t, h, kDoorZ1 + t), "stone", false, false, nullptr, true},
        {"ramp", B(kRampLow, 0, kRampZ0, kRampHigh, kRampTop, kRampZ1), "stone", true},
        {"water pool", B(1, 0, 5, 3, 0.2f, 7), "water", false, true, "fx_water"},
    };
    return solids;
}

struct Lamp {
    const char* name;
    OmVector3 position;
    OmVector3 colour;
    float reach; // units
};

inline const std::vector<Lamp>& Lamps()
{
    static const std::vector<Lamp> lamps = {
        {"lampA", OmVector3(4, 2.5f, 4), OmVector3(1.0f, 0.9f, 0.8f), 8.0f},
        {"dyn_lampB", OmVector3(16, 2.5f, 4), OmVector3(0.6f, 0.7f, 1.0f), 8.0f},
    };
    return lamps;
}

inline bool Inside(const Box& b, float x, float z)
{
    return x >= b.min.x && x <= b.max.x && z >= b.min.z && z <= b.max.z;
}

// Where a character may stand: the two rooms and the corridor (the same
// boxes make_demo_level gives its plan as floors).
inline bool OnFloor(float x, float z)
{
    return Inside(B(0, 0, 0, 8, 0, 8), x, z) || Inside(B(12, 0, 0, 20, 0, 8), x, z) ||
           Inside(B(8, 0, kDoorZ0, 12, 0, kDoorZ1), x, z);
}

inline bool InWall(float x, float z)
{
    for (const Solid& solid : Solids())
        if (solid.wall && Inside(solid.box, x, z))
            return true;
    return false;
}

// The corridor's middle is marked (green) for squads holding the key.
inline bool Marked(float x, float z)
{
    return Inside(B(9, 0, 3.5f, 11, 0, 4.5f), x, z);
}

// 0xRRGGBB per pixel, row 0 at the smallest Z; a square image whose side
// spans the world's X extent.
struct AIMapImage {
    uint32_t size = 64;
    float tile = 0.0f;
    std::vector<uint32_t> rgb;
};

// Paints the image over the world's extent with the level's own tests:
// blocked(x, z) is red, marked(x, z) green, the rest white floor.
template <typename Blocked, typename MarkedTest>
AIMapImage PaintAIMap(const OmVector3& min, const OmVector3& max, Blocked blocked, MarkedTest marked)
{
    AIMapImage image;
    image.tile = (max.x - min.x) / float(image.size);
    image.rgb.resize(size_t(image.size) * image.size);
    for (uint32_t row = 0; row < image.size; ++row) {
        for (uint32_t col = 0; col < image.size; ++col) {
            const float x = min.x + (float(col) + 0.5f) * image.tile;
            const float z = min.z + (float(row) + 0.5f) * image.tile;
            uint32_t colour = 0xFFFFFF;
            if (blocked(x, z))
                colour = 0xFF0000;
            else if (marked(x, z))
                colour = 0x00FF00;
            image.rgb[size_t(row) * image.size + col] = colour;
        }
    }
    return image;
}

inline AIMapImage PaintAIMap(const OmVector3& min, const OmVector3& max)
{
    return PaintAIMap(
        min, max, [](float x, float z) { return InWall(x, z) || !OnFloor(x, z); },
        [](float x, float z) { return Marked(x, z); });
}

} // namespace demolevel
