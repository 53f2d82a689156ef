#include "engine/OmMatrix3.h"

#include <cmath>

#include "engine/OmQuaternion.h"

const OmMatrix3& OmMatrix3::Identity()
{
    static const OmMatrix3 identity;
    return identity;
}

void OmMatrix3::SetIdentity() { *this = Identity(); }

void OmMatrix3::Set(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7,
                    float m8)
{
    m[0] = m0;
    m[1] = m1;
    m[2] = m2;
    m[3] = m3;
    m[4] = m4;
    m[5] = m5;
    m[6] = m6;
    m[7] = m7;
    m[8] = m8;
}

bool OmMatrix3::Equals(const OmMatrix3& o) const
{
    for (int i = 0; i < 9; ++i) {
        if (m[i] != o.m[i]) {
            return false;
        }
    }
    return true;
}

void OmMatrix3::SetRotationX(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    Set(1, 0, 0, 0, c, s, 0, -s, c);
}

void OmMatrix3::SetRotationY(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    Set(c, 0, -s, 0, 1, 0, s, 0, c);
}

void OmMatrix3::SetRotationZ(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    Set(c, s, 0, -s, c, 0, 0, 0, 1);
}

void OmMatrix3::SetEuler(float x, float y, float z)
{
    OmMatrix3 rx, rz;
    SetRotationY(y);
    rx.SetRotationX(x);
    rz.SetRotationZ(z);
    PostMultiply(rx);
    PostMultiply(rz);
}

void OmMatrix3::SetAxisRotation(float a, float x, float y, float z)
{
    const float c = std::cos(a), s = std::sin(a), t = 1.0f - c;
    Set(t * x * x + c, t * x * y + s * z, t * x * z - s * y,
        t * x * y - s * z, t * y * y + c, t * y * z + s * x,
        t * x * z + s * y, t * y * z - s * x, t * z * z + c);
}

void OmMatrix3::SetFromQuaternion(const OmQuaternion& q)
{
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    Set(1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w),
        2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
        2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y));
}

void OmMatrix3::SetFromQuaternionScaled(const OmQuaternion& q, float scale)
{
    SetFromQuaternion(q);
    for (float& e : m) {
        e *= scale;
    }
}

void OmMatrix3::ScaleDiagonal(float s)
{
    m[0] *= s;
    m[4] *= s;
    m[8] *= s;
}

void OmMatrix3::Multiply(const OmMatrix3& a, const OmMatrix3& b, OmMatrix3& out)
{
    OmMatrix3 r; // the output may be one of the inputs
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m[3 * i + j] = a.m[3 * i] * b.m[j] + a.m[3 * i + 1] * b.m[3 + j] + a.m[3 * i + 2] * b.m[6 + j];
        }
    }
    out = r;
}

void OmMatrix3::PostMultiply(const OmMatrix3& b) { Multiply(*this, b, *this); }

OmVector3 OmMatrix3::Transform(const OmVector3& v) const
{
    return OmVector3(v.x * m[0] + v.y * m[3] + v.z * m[6], v.x * m[1] + v.y * m[4] + v.z * m[7],
                     v.x * m[2] + v.y * m[5] + v.z * m[8]);
}

void OmMatrix3::Invert(OmMatrix3& out) const
{
    // The columns of the inverse are the cross products of the rows over the
    // determinant.
    const OmVector3 r0 = GetRow(0), r1 = GetRow(1), r2 = GetRow(2);
    OmVector3 c0, c1, c2;
    CrossProduct(r1, r2, c0);
    CrossProduct(r2, r0, c1);
    CrossProduct(r0, r1, c2);
    const float inv = 1.0f / r0.Dot(c0);
    out.Set(c0.x * inv, c1.x * inv, c2.x * inv,
            c0.y * inv, c1.y * inv, c2.y * inv,
            c0.z * inv, c1.z * inv, c2.z * inv);
}

void OmMatrix3::RotateX(float a)
{
    OmMatrix3 r;
    r.SetRotationX(-a);
    PostMultiply(r);
}

void OmMatrix3::RotateY(float a)
{
    OmMatrix3 r;
    r.SetRotationY(-a);
    PostMultiply(r);
}

void OmMatrix3::PreRotateZ(float a)
{
    OmMatrix3 r;
    r.SetRotationZ(-a);
    Multiply(r, *this, *this);
}
