// Three-component vectors in 32-bit floats. Points are row vectors: they are
// transformed as p * M (see OmMatrix4.h).
#pragma once

#include <cfloat>
#include <cmath>

// Three floats; the base of vectors, and of colours and biases that need no
// vector arithmetic.
struct OmTuple3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr OmTuple3() = default;
    constexpr OmTuple3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    void Set(float ax, float ay, float az)
    {
        x = ax;
        y = ay;
        z = az;
    }
    void SetAll(float v) { x = y = z = v; }
};

// Lengths at or below this count as zero when normalising.
constexpr float OM_NORMALISE_EPSILON = 1e-6f;

class OmVector3 : public OmTuple3 {
public:
    constexpr OmVector3() = default;
    constexpr OmVector3(float ax, float ay, float az) : OmTuple3(ax, ay, az) {}
    constexpr explicit OmVector3(const OmTuple3& t) : OmTuple3(t) {}

    // Shared constants, built on first use.
    static const OmVector3& Zero();
    static const OmVector3& UnitX();
    static const OmVector3& UnitY();

    void Copy(const OmVector3& v) { *this = v; }

    float Dot(const OmVector3& v) const { return x * v.x + y * v.y + z * v.z; }
    float LengthSquared() const { return x * x + y * y + z * z; }
    float Length() const { return std::sqrt(LengthSquared()); }

    // Scales to unit length and returns the old length; a vector no longer
    // than OM_NORMALISE_EPSILON becomes zero and 0 is returned.
    float Normalise();
    // The normalised copy into out (this is left as it is).
    void Unit(OmVector3& out) const;

    void Add(const OmVector3& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
    }
    void Subtract(const OmVector3& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
    }
    void Scale(float s)
    {
        x *= s;
        y *= s;
        z *= s;
    }
    OmVector3 Scaled(float s) const { return OmVector3(x * s, y * s, z * s); }
    // This times s into out.
    void ScaleTo(float s, OmVector3& out) const { out.Set(x * s, y * s, z * s); }
    OmVector3 Negated() const { return OmVector3(-x, -y, -z); }

    OmVector3 operator+(const OmVector3& v) const { return OmVector3(x + v.x, y + v.y, z + v.z); }
    OmVector3 operator-(const OmVector3& v) const { return OmVector3(x - v.x, y - v.y, z - v.z); }
    OmVector3 operator-() const { return Negated(); }
    OmVector3 operator*(float s) const { return Scaled(s); }
    OmVector3& operator+=(const OmVector3& v)
    {
        Add(v);
        return *this;
    }
    OmVector3& operator-=(const OmVector3& v)
    {
        Subtract(v);
        return *this;
    }
    OmVector3& operator*=(float s)
    {
        Scale(s);
        return *this;
    }
    // Division by zero saturates every component to the largest finite float
    // instead of producing infinities or NaN.
    OmVector3& operator/=(float s);

    // Exact component-wise equality.
    bool Equals(const OmVector3& v) const { return x == v.x && y == v.y && z == v.z; }
    static bool NearlyEqual(const OmVector3& a, const OmVector3& b, float epsilon)
    {
        return std::fabs(a.x - b.x) <= epsilon && std::fabs(a.y - b.y) <= epsilon &&
               std::fabs(a.z - b.z) <= epsilon;
    }

    // a * (1 - t) + b * t into out.
    static void Lerp(const OmVector3& a, const OmVector3& b, float t, OmVector3& out)
    {
        const float u = 1.0f - t;
        out.Set(a.x * u + b.x * t, a.y * u + b.y * t, a.z * u + b.z * t);
    }
};

inline OmVector3 operator*(float s, const OmVector3& v) { return v.Scaled(s); }

// Free forms used throughout the engine. Out arguments may alias inputs.
void CrossProduct(const OmVector3& a, const OmVector3& b, OmVector3& out);
inline float DotProduct(const OmVector3& a, const OmVector3& b) { return a.Dot(b); }
inline float VectorLength(const OmVector3& v) { return v.Length(); }
// Normalised v into out; returns the old length (0 when too short).
float NormaliseInto(const OmVector3& v, OmVector3& out);
float NormaliseInPlace(OmVector3& v);
inline float DistanceSquared(const OmVector3& a, const OmVector3& b) { return (b - a).LengthSquared(); }
inline float Distance(const OmVector3& a, const OmVector3& b) { return (b - a).Length(); }
// No component is infinite or NaN.
inline bool IsFinite(const OmVector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// On the ground plane (x and z; y is up). Inline, as the characters' senses
// measure every neighbour with them each tick.
inline float GroundDistanceSquared(const OmVector3& a, const OmVector3& b)
{
    const float dx = b.x - a.x, dz = b.z - a.z;
    return dx * dx + dz * dz;
}
// Unit vector on the ground plane from `from` to `to`; false (and out
// untouched) when the two points coincide there.
inline bool GroundDirection(const OmVector3& from, const OmVector3& to, OmVector3& out)
{
    const float dx = to.x - from.x, dz = to.z - from.z;
    const float length = std::sqrt(dx * dx + dz * dz);
    if (!(length > OM_NORMALISE_EPSILON))
        return false;
    out.Set(dx / length, 0.0f, dz / length);
    return true;
}
// Turned about the up axis by the angle whose cosine and sine are c and s
// (y is kept).
inline OmVector3 GroundRotated(const OmVector3& p, float c, float s)
{
    return OmVector3(p.x * c + p.z * s, p.y, -p.x * s + p.z * c);
}

// Vectors are stored raw in mesh vertices and archive records.
static_assert(sizeof(OmVector3) == 12);
