// 4x4 transforms, row-major (element 4 * row + column), applied to row
// vectors: p' = p * M. Rows 0-2 hold rotation and scale, elements 12-14 the
// translation, element 15 is 1 for affine transforms. The renderer hands
// these to the device as they are.
#pragma once

#include "engine/OmMatrix3.h"
#include "engine/OmVector3.h"
#include "engine/OmVector4.h"

class OmMatrix4 {
public:
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    constexpr OmMatrix4() = default;

    static const OmMatrix4& Identity();

    // Sixteen values in element order.
    void Set(const float values[16]);
    void SetIdentity();
    void Assign(const OmMatrix4& o) { *this = o; }
    bool Equals(const OmMatrix4& o) const;
    float* Data() { return m; }
    const float* Data() const { return m; }
    float* Row(int i) { return m + 4 * i; }
    const float* Row(int i) const { return m + 4 * i; }

    void SetTranslation(const OmVector3& v);
    OmVector3 GetTranslation() const { return OmVector3(m[12], m[13], m[14]); }
    // Adds to the translation.
    void Translate(float x, float y, float z);
    // The upper-left 3x3 block.
    void GetRotation(OmMatrix3& out) const;
    // The first three elements of a row.
    void SetRow0(const OmVector3& v) { SetRow3(0, v); }
    void SetRow1(const OmVector3& v) { SetRow3(1, v); }
    void SetRow2(const OmVector3& v) { SetRow3(2, v); }

    // Rotation with s scaling only the diagonal of the 3x3 block (not the
    // whole block), then the translation t.
    void Compose(const OmMatrix3& r, const OmVector3& t, float s);

    void Transpose();
    // Multiplies elements 0, 5 and 10 only.
    void ScaleDiagonal(float s);

    // this = this * b.
    void PostMultiply(const OmMatrix4& b);
    // this = a * b; this may be a or b.
    void SetProduct(const OmMatrix4& a, const OmMatrix4& b);

    // (x, y, z, 1) * M.
    OmVector3 TransformPoint(const OmVector3& p) const;
    OmVector4 TransformVector4(const OmVector4& v) const;

    // Rotation by a about the axis (x, y, z), used as given. The 3x3 block is
    // the transpose of OmMatrix3::SetAxisRotation; translation 0.
    void SetAxisRotation(float a, float x, float y, float z);
    void SetAxisRotationV(float a, const OmVector3& axis) { SetAxisRotation(a, axis.x, axis.y, axis.z); }

    // this = this * R(a) on rows 0-2, with the elementary rotations of
    // OmMatrix3; the translation row stays. Note the sign differs from
    // OmMatrix3::RotateX/RotateY, which turn by -a.
    void RotateX(float a);
    void RotateY(float a);
    void RotateZ(float a);
    // this = RotY(a) * this on rows 0-2.
    void PreRotateY(float a);

private:
    void SetRow3(int row, const OmVector3& v);
    void PostMultiplyBlock(const OmMatrix3& r);
};

// out = a * b; out must be distinct from a and b.
void MultiplyMatrix4(const OmMatrix4& a, const OmMatrix4& b, OmMatrix4& out);
// out = a * b; out may alias an input.
void MultiplyMatrix4Safe(const OmMatrix4& a, const OmMatrix4& b, OmMatrix4& out);
// The full inverse into out; false (out unchanged) when the determinant is 0
// or not a number.
bool InvertMatrix4(const OmMatrix4& m, OmMatrix4& out);

// (p, 1) * M, first three components.
void TransformPoint4(const OmVector3& p, const OmMatrix4& m, OmVector3& out);
// (p, 1) * M with its fourth component.
void TransformPoint4W(const OmVector3& p, const OmMatrix4& m, OmVector4& out);
// (v, 0) * M: rotation and scale without translation.
void TransformDirection4(const OmVector3& v, const OmMatrix4& m, OmVector3& out);

// Left-handed view matrix looking from eye at target, viewing along +z.
void BuildLookAtMatrix(const OmVector3& eye, const OmVector3& target, const OmVector3& up, OmMatrix4& out);

// Handed to the device as sixteen consecutive floats.
static_assert(sizeof(OmMatrix4) == 64);
