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

    // Each component clamped to 0..1 and scaled to a byte: R<<24 | G<<16 | B<<8 | A.
    uint32_t PackRGBA() const;
};

static_assert(sizeof(OmVector4) == 16 && sizeof(OmColour) == 16);
