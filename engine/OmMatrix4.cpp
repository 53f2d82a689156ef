#include "engine/OmMatrix4.h"

#include <cmath>
#include <utility>

const OmMatrix4& OmMatrix4::Identity()
{
    static const OmMatrix4 identity;
    return identity;
}

void OmMatrix4::Set(const float values[16])
{
    for (int i = 0; i < 16; ++i) {
        m[i] = values[i];
    }
}

void OmMatrix4::SetIdentity() { *this = Identity(); }

bool OmMatrix4::Equals(const OmMatrix4& o) const
{
    for (int i = 0; i < 16; ++i) {
        if (m[i] != o.m[i]) {
            return false;
        }
    }
    return true;
}

void OmMatrix4::SetTranslation(const OmVector3& v)
{
    m[12] = v.x;
    m[13] = v.y;
    m[14] = v.z;
}

void OmMatrix4::Translate(float x, float y, float z)
{
    m[12] += x;
    m[13] += y;
    m[14] += z;
}

void OmMatrix4::GetRotation(OmMatrix3& out) const
{
    out.Set(m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]);
}

void OmMatrix4::SetRow3(int row, const OmVector3& v)
{
    m[4 * row] = v.x;
    m[4 * row + 1] = v.y;
    m[4 * row + 2] = v.z;
}

void OmMatrix4::Compose(const OmMatrix3& r, const OmVector3& t, float s)
{
    const float* e = r.m;
    const float values[16] = {s * e[0], e[1], e[2], 0,
                              e[3], s * e[4], e[5], 0,
                              e[6], e[7], s * e[8], 0,
                              t.x, t.y, t.z, 1};
    Set(values);
}

void OmMatrix4::Transpose()
{
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            std::swap(m[4 * i + j], m[4 * j + i]);
        }
    }
}

void OmMatrix4::ScaleDiagonal(float s)
{
    m[0] *= s;
    m[5] *= s;
    m[10] *= s;
}

void MultiplyMatrix4(const OmMatrix4& a, const OmMatrix4& b, OmMatrix4& out)
{
    for (int i = 0; i < 4; ++i) {
        const float* r = a.m + 4 * i;
        for (int j = 0; j < 4; ++j) {
            out.m[4 * i + j] = r[0] * b.m[j] + r[1] * b.m[4 + j] + r[2] * b.m[8 + j] + r[3] * b.m[12 + j];
        }
    }
}

void MultiplyMatrix4Safe(const OmMatrix4& a, const OmMatrix4& b, OmMatrix4& out)
{
    OmMatrix4 product;
    MultiplyMatrix4(a, b, product);
    out = product;
}

void OmMatrix4::PostMultiply(const OmMatrix4& b) { MultiplyMatrix4Safe(*this, b, *this); }

void OmMatrix4::SetProduct(const OmMatrix4& a, const OmMatrix4& b) { MultiplyMatrix4Safe(a, b, *this); }

bool InvertMatrix4(const OmMatrix4& matrix, OmMatrix4& out)
{
    // Cofactors from the 2x2 minors of the top and bottom row pairs.
    const float* a = matrix.m;
    const float s0 = a[0] * a[5] - a[4] * a[1];
    const float s1 = a[0] * a[6] - a[4] * a[2];
    const float s2 = a[0] * a[7] - a[4] * a[3];
    const float s3 = a[1] * a[6] - a[5] * a[2];
    const float s4 = a[1] * a[7] - a[5] * a[3];
    const float s5 = a[2] * a[7] - a[6] * a[3];
    const float c5 = a[10] * a[15] - a[14] * a[11];
    const float c4 = a[9] * a[15] - a[13] * a[11];
    const float c3 = a[9] * a[14] - a[13] * a[10];
    const float c2 = a[8] * a[15] - a[12] * a[11];
    const float c1 = a[8] * a[14] - a[12] * a[10];
    const float c0 = a[8] * a[13] - a[12] * a[9];
    const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det == 0.0f || std::isnan(det)) {
        return false;
    }
    const float k = 1.0f / det;
    const float inv[16] = {
        (a[5] * c5 - a[6] * c4 + a[7] * c3) * k,
        (-a[1] * c5 + a[2] * c4 - a[3] * c3) * k,
        (a[13] * s5 - a[14] * s4 + a[15] * s3) * k,
        (-a[9] * s5 + a[10] * s4 - a[11] * s3) * k,
        (-a[4] * c5 + a[6] * c2 - a[7] * c1) * k,
        (a[0] * c5 - a[2] * c2 + a[3] * c1) * k,
        (-a[12] * s5 + a[14] * s2 - a[15] * s1) * k,
        (a[8] * s5 - a[10] * s2 + a[11] * s1) * k,
        (a[4] * c4 - a[5] * c2 + a[7] * c0) * k,
        (-a[0] * c4 + a[1] * c2 - a[3] * c0) * k,
        (a[12] * s4 - a[13] * s2 + a[15] * s0) * k,
        (-a[8] * s4 + a[9] * s2 - a[11] * s0) * k,
        (-a[4] * c3 + a[5] * c1 - a[6] * c0) * k,
        (a[0] * c3 - a[1] * c1 + a[2] * c0) * k,
        (-a[12] * s3 + a[13] * s1 - a[14] * s0) * k,
        (a[8] * s3 - a[9] * s1 + a[10] * s0) * k,
    };
    out.Set(inv);
    return true;
}

OmVector3 OmMatrix4::TransformPoint(const OmVector3& p) const
{
    return OmVector3(p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12],
                     p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
                     p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]);
}

OmVector4 OmMatrix4::TransformVector4(const OmVector4& v) const
{
    OmVector4 r;
    float* out[4] = {&r.x, &r.y, &r.z, &r.w};
    for (int j = 0; j < 4; ++j) {
        *out[j] = v.x * m[j] + v.y * m[4 + j] + v.z * m[8 + j] + v.w * m[12 + j];
    }
    return r;
}

void TransformPoint4(const OmVector3& p, const OmMatrix4& m, OmVector3& out) { out = m.TransformPoint(p); }

void TransformPoint4W(const OmVector3& p, const OmMatrix4& m, OmVector4& out)
{
    out = m.TransformVector4(OmVector4(p.x, p.y, p.z, 1.0f));
}

void TransformDirection4(const OmVector3& v, const OmMatrix4& m, OmVector3& out)
{
    const float* e = m.m;
    out.Set(v.x * e[0] + v.y * e[4] + v.z * e[8], v.x * e[1] + v.y * e[5] + v.z * e[9],
            v.x * e[2] + v.y * e[6] + v.z * e[10]);
}

void OmMatrix4::SetAxisRotation(float a, float x, float y, float z)
{
    const float c = std::cos(a), s = std::sin(a), t = 1.0f - c;
    const float values[16] = {t * x * x + c, t * x * y - s * z, t * x * z + s * y, 0,
                              t * x * y + s * z, t * y * y + c, t * y * z - s * x, 0,
                              t * x * z - s * y, t * y * z + s * x, t * z * z + c, 0,
                              0, 0, 0, 1};
    Set(values);
}

void OmMatrix4::PostMultiplyBlock(const OmMatrix3& r)
{
    OmMatrix3 block;
    GetRotation(block);
    block.PostMultiply(r);
    for (int i = 0; i < 3; ++i) {
        SetRow3(i, block.GetRow(i));
    }
}

void OmMatrix4::RotateX(float a)
{
    OmMatrix3 r;
    r.SetRotationX(a);
    PostMultiplyBlock(r);
}

void OmMatrix4::RotateY(float a)
{
    OmMatrix3 r;
    r.SetRotationY(a);
    PostMultiplyBlock(r);
}

void OmMatrix4::RotateZ(float a)
{
    OmMatrix3 r;
    r.SetRotationZ(a);
    PostMultiplyBlock(r);
}

void OmMatrix4::PreRotateY(float a)
{
    OmMatrix3 r, block;
    r.SetRotationY(a);
    GetRotation(block);
    OmMatrix3::Multiply(r, block, block);
    for (int i = 0; i < 3; ++i) {
        SetRow3(i, block.GetRow(i));
    }
}

void BuildLookAtMatrix(const OmVector3& eye, const OmVector3& target, const OmVector3& up, OmMatrix4& out)
{
    OmVector3 f, r, u;
    NormaliseInto(target - eye, f);
    CrossProduct(up, f, r);
    r.Normalise();
    CrossProduct(f, r, u);
    u.Normalise();
    const float values[16] = {r.x, u.x, f.x, 0,
                              r.y, u.y, f.y, 0,
                              r.z, u.z, f.z, 0,
                              -r.Dot(eye), -u.Dot(eye), -f.Dot(eye), 1};
    out.Set(values);
}
