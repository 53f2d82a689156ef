// Two-component vectors, used for screen positions and spline keys.
#pragma once

struct OmVector2 {
    float x = 0.0f;
    float y = 0.0f;

    constexpr OmVector2() = default;
    constexpr OmVector2(float ax, float ay) : x(ax), y(ay) {}

    void Set(float ax, float ay)
    {
        x = ax;
        y = ay;
    }
    float Dot(const OmVector2& v) const { return x * v.x + y * v.y; }
    OmVector2 operator+(const OmVector2& v) const { return OmVector2(x + v.x, y + v.y); }
    OmVector2 operator-(const OmVector2& v) const { return OmVector2(x - v.x, y - v.y); }
    OmVector2 operator*(float s) const { return OmVector2(x * s, y * s); }

    // The Catmull-Rom spline through p1 (t = 0) and p2 (t = 1).
    static OmVector2 CatmullRom(const OmVector2& p0, const OmVector2& p1, const OmVector2& p2,
                                const OmVector2& p3, float t);
};

float VectorLength2D(const OmVector2& v);
// As the 3D form: returns the old length, or 0 (and zeroes v) when it is at
// most 1e-6.
float NormaliseInPlace2D(OmVector2& v);
