// 3x3 rotation/scale matrices, row-major (element 3 * row + column), applied
// to row vectors: v' = v * M, and A * B applies A first.
#pragma once

#include "engine/OmVector3.h"

struct OmQuaternion;

class OmMatrix3 {
public:
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    constexpr OmMatrix3() = default;

    static const OmMatrix3& Identity();

    void SetIdentity();
    void Set(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7, float m8);
    float* Row(int i) { return m + 3 * i; }
    const float* Row(int i) const { return m + 3 * i; }
    OmVector3 GetRow(int i) const { return OmVector3(m[3 * i], m[3 * i + 1], m[3 * i + 2]); }
    OmVector3 GetColumn(int c) const { return OmVector3(m[c], m[c + 3], m[c + 6]); }
    bool Equals(const OmMatrix3& o) const;

    // Elementary rotations; rotation about X has rows (1,0,0), (0,c,s), (0,-s,c).
    void SetRotationX(float a);
    void SetRotationY(float a);
    void SetRotationZ(float a);
    // RotY(y) * RotX(x) * RotZ(z).
    void SetEuler(float x, float y, float z);
    // Rotation by a about the axis (x, y, z), which is used as given (not
    // normalised).
    void SetAxisRotation(float a, float x, float y, float z);
    void SetFromQuaternion(const OmQuaternion& q);
    // As SetFromQuaternion, then every element times scale.
    void SetFromQuaternionScaled(const OmQuaternion& q, float scale);

    // Multiplies elements 0, 4 and 8 only.
    void ScaleDiagonal(float s);

    // this = this * b.
    void PostMultiply(const OmMatrix3& b);
    // out = a * b; out may be a or b.
    static void Multiply(const OmMatrix3& a, const OmMatrix3& b, OmMatrix3& out);

    // v * M.
    OmVector3 Transform(const OmVector3& v) const;

    // The inverse into out (out may be this). The determinant is not tested:
    // only call it on matrices known to be invertible.
    void Invert(OmMatrix3& out) const;

    // These turn by the negated angle: RotateX and RotateY set
    // this = this * R(-a), PreRotateZ sets this = RotZ(-a) * this. Callers rely
    // on that direction; OmMatrix4's rotations use R(a).
    void RotateX(float a);
    void RotateY(float a);
    void PreRotateZ(float a);
};

static_assert(sizeof(OmMatrix3) == 36);
