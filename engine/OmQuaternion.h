// Rotation quaternions (x, y, z, w).
#pragma once

class OmMatrix3;
class OmMatrix4;

struct OmQuaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr OmQuaternion() = default;
    constexpr OmQuaternion(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}

    static const OmQuaternion& Zero();
    static const OmQuaternion& Identity();

    void Set(float ax, float ay, float az, float aw)
    {
        x = ax;
        y = ay;
        z = az;
        w = aw;
    }
    float Dot(const OmQuaternion& q) const { return x * q.x + y * q.y + z * q.z + w * q.w; }

    // From a rotation matrix, or the 3x3 block of a 4x4.
    void SetFromMatrix(const OmMatrix3& m);
    void SetFromMatrix(const OmMatrix4& m);

    // Spherical interpolation from q1 (t = 0) to q2 (t = 1) along the shorter
    // arc; out may alias an input. The result is not normalised.
    static void Slerp(float t, const OmQuaternion& q1, const OmQuaternion& q2, OmQuaternion& out);
};

static_assert(sizeof(OmQuaternion) == 16);
