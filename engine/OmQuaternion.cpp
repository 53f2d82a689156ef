#include "engine/OmQuaternion.h"

#include <cmath>

#include "engine/OmMath.h"
#include "engine/OmMatrix3.h"
#include "engine/OmMatrix4.h"

const OmQuaternion& OmQuaternion::Zero()
{
    static const OmQuaternion zero(0, 0, 0, 0);
    return zero;
}

const OmQuaternion& OmQuaternion::Identity()
{
    static const OmQuaternion identity(0, 0, 0, 1);
    return identity;
}

namespace {

// Elements of a 3x3 rotation by row and column.
struct Rot3 {
    float e[3][3];
};

OmQuaternion FromRotation(const Rot3& r)
{
    const auto& m = r.e;
    const float trace = m[0][0] + m[1][1] + m[2][2];
    OmQuaternion q;
    if (trace >= 0.0f) {
        const float s = std::sqrt(trace + 1.0f);
        const float k = 0.5f / s;
        q.Set((m[2][1] - m[1][2]) * k, (m[0][2] - m[2][0]) * k, (m[1][0] - m[0][1]) * k, s * 0.5f);
    } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
        const float s = std::sqrt(m[0][0] - (m[1][1] + m[2][2]) + 1.0f);
        const float k = 0.5f / s;
        q.Set(s * 0.5f, (m[0][1] + m[1][0]) * k, (m[0][2] + m[2][0]) * k, (m[2][1] - m[1][2]) * k);
    } else if (m[1][1] >= m[2][2]) {
        const float s = std::sqrt(m[1][1] - (m[0][0] + m[2][2]) + 1.0f);
        const float k = 0.5f / s;
        q.Set((m[0][1] + m[1][0]) * k, s * 0.5f, (m[1][2] + m[2][1]) * k, (m[0][2] - m[2][0]) * k);
    } else {
        const float s = std::sqrt(m[2][2] - (m[0][0] + m[1][1]) + 1.0f);
        const float k = 0.5f / s;
        q.Set((m[0][2] + m[2][0]) * k, (m[1][2] + m[2][1]) * k, s * 0.5f, (m[1][0] - m[0][1]) * k);
    }
    return q;
}

// The cheap sine the interpolation was tuned with; good on 0..pi after
// folding the upper half back.
float PolySin(float x)
{
    if (x > OM_HALF_PI) {
        x = OM_PI - x;
    }
    const float x2 = x * x;
    return ((0.00761f * x2 - 0.16605f) * x2 + 1.0f) * x;
}

} // namespace

void OmQuaternion::SetFromMatrix(const OmMatrix3& m)
{
    Rot3 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.e[i][j] = m.m[3 * i + j];
        }
    }
    *this = FromRotation(r);
}

void OmQuaternion::SetFromMatrix(const OmMatrix4& m)
{
    Rot3 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.e[i][j] = m.m[4 * i + j];
        }
    }
    *this = FromRotation(r);
}

void OmQuaternion::Slerp(float t, const OmQuaternion& q1, const OmQuaternion& q2, OmQuaternion& out)
{
    const float d = q1.Dot(q2);
    const float cosTheta = std::fabs(d);
    float w1, w2;
    if (1.0f - cosTheta > 0.001f) {
        const float theta = std::acos(cosTheta);
        const float inv = 1.0f / PolySin(theta);
        w1 = PolySin((1.0f - t) * theta) * inv;
        w2 = PolySin(t * theta) * inv;
    } else {
        w1 = 1.0f - t;
        w2 = t;
    }
    if (d < 0.0f) {
        w2 = -w2;
    }
    out.Set(w1 * q1.x + w2 * q2.x, w1 * q1.y + w2 * q2.y, w1 * q1.z + w2 * q2.z,
            w1 * q1.w + w2 * q2.w);
}
