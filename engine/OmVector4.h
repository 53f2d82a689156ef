// Four-component vectors and colours.
#pragma once

#include <cstdint>

struct OmVector4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr OmVector4() = default;
    constexpr OmVector4(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}

    void Set(float ax, float ay, float az, float aw)
    {
        x = ax;
        y = ay;
        z = az;
        w = aw;
    }
    bool Equals(const OmVector4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }

    // (0, 0, 0, 1), built on first use.
    static const OmVector4& UnitW();
};

// A colour of four floats, nominally 0..1.
struct OmColour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    constexpr OmColour() = default;
    constexpr OmColour(float ar, float ag, float ab, float aa) : r(ar), g(ag), b(ab), a(aa) {}

    void Set(float ar, float ag, float ab, float aa)
    {
        r = ar;
        g = ag;
        b = ab;
        a = aa;
    }
    bool Equals(const OmColour& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }

    // Each component as OmColourByte gives it: R<<24 | G<<16 | B<<8 | A.
    uint32_t PackRGBA() const;
};

// The one rule for turning a colour component into a byte: saturate to 0..1
// (NaN counts as 0, so a damaged value never reaches the integer cast), then
// truncate, so 1.0 is 255 and anything above it stays 255 rather than wrapping.
uint32_t OmColourByte(float v);
// The same rule for a level already scaled to 0..255.
uint32_t OmLevelByte(float level);

// The device's A8R8G8B8 word from components packed by OmColourByte.
inline uint32_t OmPackARGB(float r, float g, float b, float a)
{
    return OmColourByte(a) << 24 | OmColourByte(r) << 16 | OmColourByte(g) << 8 | OmColourByte(b);
}
inline uint32_t OmPackColour(const float rgba[4]) { return OmPackARGB(rgba[0], rgba[1], rgba[2], rgba[3]); }
inline uint32_t OmPackColour(const OmColour& c) { return OmPackARGB(c.r, c.g, c.b, c.a); }

static_assert(sizeof(OmVector4) == 16 && sizeof(OmColour) == 16);
