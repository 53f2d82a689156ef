#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/OmMatrix3.h"
#include "engine/OmMatrix4.h"

namespace {

void ExpectVectorNear(const OmVector3& v, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_TRUE(OmVector3::NearlyEqual(v, OmVector3(x, y, z), eps)) << v.x << " " << v.y << " " << v.z;
}

template <class M>
void ExpectMatrixNear(const M& a, const M& b, float eps = 1e-5f)
{
    for (size_t i = 0; i < std::size(a.m); ++i)
        EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
}

OmMatrix4 Make4(std::initializer_list<float> values)
{
    OmMatrix4 m;
    m.Set(std::vector<float>(values).data());
    return m;
}

} // namespace

// 3x3 in-place turns go by the negated angle, 4x4 ones keep the translation.
TEST(OmMatrix, InPlaceRotationsOfBothSizes)
{
    OmMatrix3 base;
    base.SetEuler(0.2f, 0.4f, 0.1f);
    OmMatrix4 base4;
    base4.Compose(base, OmVector3(7, 8, 9), 1.0f);
    const float a = 0.6f;
    const struct {
        void (OmMatrix3::*turn3)(float);
        void (OmMatrix4::*turn4)(float);
        void (OmMatrix3::*set)(float);
        bool before; // the turn multiplies from the left
    } cases[] = {{&OmMatrix3::RotateY, nullptr, &OmMatrix3::SetRotationY, false},
                 {&OmMatrix3::RotateX, nullptr, &OmMatrix3::SetRotationX, false},
                 {&OmMatrix3::PreRotateZ, nullptr, &OmMatrix3::SetRotationZ, true},
                 {nullptr, &OmMatrix4::RotateY, &OmMatrix3::SetRotationY, false},
                 {nullptr, &OmMatrix4::RotateX, &OmMatrix3::SetRotationX, false},
                 {nullptr, &OmMatrix4::RotateZ, &OmMatrix3::SetRotationZ, false},
                 {nullptr, &OmMatrix4::PreRotateY, &OmMatrix3::SetRotationY, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        OmMatrix3 turned = base, r, expected;
        if (c.turn3) {
            (turned.*c.turn3)(a);
            (r.*c.set)(-a);
        } else {
            OmMatrix4 m = base4;
            (m.*c.turn4)(a);
            m.GetRotation(turned);
            ExpectVectorNear(m.GetTranslation(), 7, 8, 9, 0);
            (r.*c.set)(a);
        }
        c.before ? OmMatrix3::Multiply(r, base, expected) : OmMatrix3::Multiply(base, r, expected);
        ExpectMatrixNear(turned, expected);
    }
}

TEST(OmMatrix3, TheInverseUndoesTheTransformAndScaleTouchesOnlyTheDiagonal)
{
    OmMatrix3 m3;
    m3.Set(2, 0, 1, 1, 3, 0, 0, 1, 4); // determinant 25
    OmMatrix3 inv3, product3;
    m3.Invert(inv3);
    OmMatrix3::Multiply(m3, inv3, product3);
    ExpectMatrixNear(product3, OmMatrix3::Identity());
    // Cofactor (0,0) over the determinant: (3*4 - 0*1) / 25.
    EXPECT_NEAR(inv3.m[0], 12.0f / 25.0f, 1e-6f);
    OmMatrix3 same = m3; // in place works too
    same.Invert(same);
    ExpectMatrixNear(same, inv3);

    m3.ScaleDiagonal(2);
    OmMatrix3 scaled;
    scaled.Set(4, 0, 1, 1, 6, 0, 0, 1, 8);
    ExpectMatrixNear(m3, scaled, 0);
}

TEST(OmMatrix4, AGeneralMatrixInvertsAndASingularOneLeavesTheOutputAlone)
{
    const OmMatrix4 m = Make4({2, 0, 0, 1, 0, 3, 1, 0, 1, 0, 1, 0, 4, 5, 6, 1});
    OmMatrix4 inv, product;
    ASSERT_TRUE(InvertMatrix4(m, inv));
    for (bool invFirst : {false, true}) {
        invFirst ? MultiplyMatrix4(inv, m, product) : MultiplyMatrix4(m, inv, product);
        ExpectMatrixNear(product, OmMatrix4::Identity());
    }

    OmMatrix4 withNaN = m;
    withNaN.m[5] = NAN;
    for (const OmMatrix4& bad : {Make4({1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 5, 5, 5, 5}), withNaN}) {
        const OmMatrix4 before = Make4({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
        OmMatrix4 out = before;
        EXPECT_FALSE(InvertMatrix4(bad, out));
        EXPECT_TRUE(out.Equals(before));
    }
}

TEST(OmMatrix4, LookAtBuildsALeftHandedViewAlongPlusZ)
{
    OmMatrix4 view;
    BuildLookAtMatrix(OmVector3(0, 0, -5), OmVector3(0, 0, 0), OmVector3(0, 1, 0), view);
    ExpectVectorNear(view.TransformPoint(OmVector3(1, 2, 0)), 1, 2, 5);

    // Looking down +x from (1, 2, 3): right is -z, up stays +y.
    BuildLookAtMatrix(OmVector3(1, 2, 3), OmVector3(2, 2, 3), OmVector3(0, 1, 0), view);
    ExpectVectorNear(view.TransformPoint(OmVector3(5, 2, 3)), 0, 0, 4);
    ExpectVectorNear(view.TransformPoint(OmVector3(1, 2, 2)), 1, 0, 0);
    ExpectVectorNear(view.TransformPoint(OmVector3(1, 3, 3)), 0, 1, 0);
    // The third column is the forward axis in world space.
    ExpectVectorNear(OmVector3(view.m[2], view.m[6], view.m[10]), 1, 0, 0);
}
