#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmMath.h"
#include "engine/OmMatrix3.h"
#include "engine/OmMatrix4.h"

namespace {

void ExpectVectorNear(const OmVector3& v, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void ExpectMatrix3Near(const OmMatrix3& a, const OmMatrix3& b, float eps = 1e-5f)
{
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
    }
}

void ExpectMatrix4Near(const OmMatrix4& a, const OmMatrix4& b, float eps = 1e-5f)
{
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
    }
}

OmMatrix4 Make4(std::initializer_list<float> values)
{
    float v[16];
    std::copy(values.begin(), values.end(), v);
    OmMatrix4 m;
    m.Set(v);
    return m;
}

} // namespace

TEST(OmMatrix3, ElementaryRotationsTurnRowVectorsAsWritten)
{
    const float a = OM_HALF_PI;
    OmMatrix3 r;
    r.SetRotationZ(a); // rows (c, s, 0), (-s, c, 0)
    ExpectVectorNear(r.Transform(OmVector3(1, 0, 0)), 0, 1, 0);
    r.SetRotationX(a); // rows (1,0,0), (0, c, s), (0, -s, c)
    ExpectVectorNear(r.Transform(OmVector3(0, 1, 0)), 0, 0, 1);
    r.SetRotationY(a); // rows (c, 0, -s), (0,1,0), (s, 0, c)
    ExpectVectorNear(r.Transform(OmVector3(1, 0, 0)), 0, 0, -1);
    ExpectVectorNear(r.Transform(OmVector3(0, 0, 1)), 1, 0, 0);
    EXPECT_FLOAT_EQ(r.GetColumn(2).x, r.m[2]);
    EXPECT_FLOAT_EQ(r.GetColumn(2).z, r.m[8]);

    // The axis form about a unit axis matches each elementary rotation.
    OmMatrix3 axis;
    const float b = 0.7f;
    axis.SetAxisRotation(b, 1, 0, 0);
    r.SetRotationX(b);
    ExpectMatrix3Near(axis, r);
    axis.SetAxisRotation(b, 0, 1, 0);
    r.SetRotationY(b);
    ExpectMatrix3Near(axis, r);
    axis.SetAxisRotation(b, 0, 0, 1);
    r.SetRotationZ(b);
    ExpectMatrix3Near(axis, r);
}

TEST(OmMatrix3, EulerAppliesZThenXThenYToRowVectors)
{
    OmMatrix3 e, rx, ry, rz, expected;
    e.SetEuler(0.3f, 0.5f, 0.7f);
    rx.SetRotationX(0.3f);
    ry.SetRotationY(0.5f);
    rz.SetRotationZ(0.7f);
    OmMatrix3::Multiply(ry, rx, expected);
    expected.PostMultiply(rz);
    ExpectMatrix3Near(e, expected);
    // Order matters: the reverse product is different.
    OmMatrix3 reverse;
    OmMatrix3::Multiply(rz, rx, reverse);
    reverse.PostMultiply(ry);
    EXPECT_GT(std::fabs(reverse.m[1] - e.m[1]), 1e-3f);
}

TEST(OmMatrix3, InPlaceRotationsTurnByTheNegatedAngle)
{
    OmMatrix3 base;
    base.SetEuler(0.2f, 0.4f, 0.1f);
    const float a = 0.6f;
    struct Case {
        const char* name;
        void (OmMatrix3::*turn)(float);
        void (OmMatrix3::*set)(float);
        bool before; // the turn multiplies from the left
    } cases[] = {{"RotateY", &OmMatrix3::RotateY, &OmMatrix3::SetRotationY, false},
                 {"RotateX", &OmMatrix3::RotateX, &OmMatrix3::SetRotationX, false},
                 {"PreRotateZ", &OmMatrix3::PreRotateZ, &OmMatrix3::SetRotationZ, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OmMatrix3 m = base, r, expected;
        (m.*c.turn)(a);
        (r.*c.set)(-a);
        c.before ? OmMatrix3::Multiply(r, base, expected) : OmMatrix3::Multiply(base, r, expected);
        ExpectMatrix3Near(m, expected);
    }
}

TEST(OmMatrix3, InverseUndoesTheTransformAndScaleTouchesOnlyTheDiagonal)
{
    OmMatrix3 m;
    m.Set(2, 0, 1, 1, 3, 0, 0, 1, 4); // determinant 25
    OmMatrix3 inv, product;
    m.Invert(inv);
    OmMatrix3::Multiply(m, inv, product);
    ExpectMatrix3Near(product, OmMatrix3::Identity());
    // Cofactor (0,0) over the determinant: (3*4 - 0*1) / 25.
    EXPECT_NEAR(inv.m[0], 12.0f / 25.0f, 1e-6f);
    // Inverting in place works too.
    OmMatrix3 same = m;
    same.Invert(same);
    ExpectMatrix3Near(same, inv);

    m.ScaleDiagonal(2);
    EXPECT_EQ(m.m[0], 4);
    EXPECT_EQ(m.m[4], 6);
    EXPECT_EQ(m.m[8], 8);
    EXPECT_EQ(m.m[2], 1);
    EXPECT_EQ(m.m[3], 1);
}

TEST(OmMatrix4, ComposeScalesOnlyTheDiagonalAndPutsTranslationInTheLastRow)
{
    OmMatrix4 m;
    m.Compose(OmMatrix3::Identity(), OmVector3(1, 2, 3), 2.0f);
    ExpectMatrix4Near(m, Make4({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1}), 0);

    OmMatrix3 r;
    r.Set(1, 2, 3, 4, 5, 6, 7, 8, 9);
    m.Compose(r, OmVector3(0, 0, 0), 10.0f);
    ExpectMatrix4Near(m, Make4({10, 2, 3, 0, 4, 50, 6, 0, 7, 8, 90, 0, 0, 0, 0, 1}), 0);
    OmMatrix3 back;
    m.GetRotation(back);
    EXPECT_EQ(back.m[4], 50);
    EXPECT_EQ(back.m[7], 8);

    // A point is moved by the translation after rotation: (1,0,0) * RotZ(90) + t.
    r.SetRotationZ(OM_HALF_PI);
    m.Compose(r, OmVector3(10, 20, 30), 1.0f);
    ExpectVectorNear(m.TransformPoint(OmVector3(1, 0, 0)), 10, 21, 30);
    OmVector3 dir;
    TransformDirection4(OmVector3(1, 0, 0), m, dir);
    ExpectVectorNear(dir, 0, 1, 0);
    m.Translate(1, 1, 1);
    ExpectVectorNear(m.GetTranslation(), 11, 21, 31);
}

TEST(OmMatrix4, ProductsByHandAndWithAliasedOutputs)
{
    const OmMatrix4 a = Make4({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const OmMatrix4 b = Make4({2, 0, 1, 0, 0, 1, 0, 3, 1, 0, 2, 0, 0, 4, 0, 1});
    OmMatrix4 separate;
    MultiplyMatrix4(a, b, separate);
    // Row 0 of a times b by hand: (1*2+3*1, 2*1+4*4, 1*1+3*2, 2*3+4*1).
    EXPECT_EQ(separate.m[0], 5);
    EXPECT_EQ(separate.m[1], 18);
    EXPECT_EQ(separate.m[2], 7);
    EXPECT_EQ(separate.m[3], 10);
    OmMatrix4 aliased = a;
    MultiplyMatrix4Safe(aliased, b, aliased);
    ExpectMatrix4Near(aliased, separate, 0);
    aliased = b;
    MultiplyMatrix4Safe(a, aliased, aliased);
    ExpectMatrix4Near(aliased, separate, 0);
    OmMatrix4 post = a;
    post.PostMultiply(b);
    ExpectMatrix4Near(post, separate, 0);
    OmMatrix4 set = b;
    set.SetProduct(a, set);
    ExpectMatrix4Near(set, separate, 0);
}

TEST(OmMatrix4, InverseOfAGeneralMatrixAndSingularLeavesOutputAlone)
{
    const OmMatrix4 m = Make4({2, 0, 0, 1, 0, 3, 1, 0, 1, 0, 1, 0, 4, 5, 6, 1});
    OmMatrix4 inv;
    ASSERT_TRUE(InvertMatrix4(m, inv));
    OmMatrix4 product;
    MultiplyMatrix4(m, inv, product);
    ExpectMatrix4Near(product, OmMatrix4::Identity());
    MultiplyMatrix4(inv, m, product);
    ExpectMatrix4Near(product, OmMatrix4::Identity());

    const OmMatrix4 singular = Make4({1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 5, 5, 5, 5});
    OmMatrix4 out = Make4({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    const OmMatrix4 before = out;
    EXPECT_FALSE(InvertMatrix4(singular, out));
    EXPECT_TRUE(out.Equals(before));
    OmMatrix4 withNaN = m;
    withNaN.m[5] = NAN;
    EXPECT_FALSE(InvertMatrix4(withNaN, out));
    EXPECT_TRUE(out.Equals(before));
}

TEST(OmMatrix4, AxisRotationIsTheTransposeOfTheThreeByThreeForm)
{
    OmMatrix3 r3;
    OmMatrix4 r4;
    const float x = 0.3f, y = -0.5f, z = 0.81f;
    r3.SetAxisRotation(1.1f, x, y, z);
    r4.SetAxisRotationV(1.1f, OmVector3(x, y, z));
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_FLOAT_EQ(r4.m[4 * i + j], r3.m[3 * j + i]);
        }
    }
    EXPECT_EQ(r4.m[3], 0);
    EXPECT_EQ(r4.m[12], 0);
    EXPECT_EQ(r4.m[15], 1);
}

TEST(OmMatrix4, InPlaceRotationsTurnByThePositiveAngleAndKeepTranslation)
{
    OmMatrix3 base;
    base.SetEuler(0.2f, 0.4f, 0.1f);
    OmMatrix4 m;
    m.Compose(base, OmVector3(7, 8, 9), 1.0f);
    const float a = 0.6f;
    struct Case {
        const char* name;
        void (OmMatrix4::*turn)(float);
        void (OmMatrix3::*set)(float);
        bool before;
    } cases[] = {{"RotateY", &OmMatrix4::RotateY, &OmMatrix3::SetRotationY, false},
                 {"RotateX", &OmMatrix4::RotateX, &OmMatrix3::SetRotationX, false},
                 {"RotateZ", &OmMatrix4::RotateZ, &OmMatrix3::SetRotationZ, false},
                 {"PreRotateY", &OmMatrix4::PreRotateY, &OmMatrix3::SetRotationY, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OmMatrix4 turned = m;
        (turned.*c.turn)(a);
        OmMatrix3 r, expected, block;
        (r.*c.set)(a);
        c.before ? OmMatrix3::Multiply(r, base, expected) : OmMatrix3::Multiply(base, r, expected);
        turned.GetRotation(block);
        ExpectMatrix3Near(block, expected);
        ExpectVectorNear(turned.GetTranslation(), 7, 8, 9, 0);
    }
    // The 3x3 RotateY with the same angle turns the other way.
    OmMatrix3 other = base, block;
    other.RotateY(a);
    OmMatrix4 turned = m;
    turned.RotateY(a);
    turned.GetRotation(block);
    EXPECT_GT(std::fabs(other.m[0] - block.m[0]) + std::fabs(other.m[2] - block.m[2]), 1e-2f);
}

TEST(OmMatrix4, FourComponentTransformsAndTranspose)
{
    OmMatrix4 m = Make4({1, 0, 0, 2, 0, 1, 0, 3, 0, 0, 1, 4, 5, 6, 7, 8});
    OmVector4 w;
    TransformPoint4W(OmVector3(1, 1, 1), m, w);
    EXPECT_TRUE(w.Equals(OmVector4(6, 7, 8, 2 + 3 + 4 + 8)));
    EXPECT_TRUE(m.TransformVector4(OmVector4(1, 1, 1, 0)).Equals(OmVector4(1, 1, 1, 9)));
    m.Transpose();
    EXPECT_EQ(m.m[3], 5);
    EXPECT_EQ(m.m[12], 2);
    EXPECT_EQ(m.m[14], 4);
    EXPECT_EQ(m.m[15], 8);
}

TEST(OmMatrix4, LookAtIsALeftHandedViewAlongPlusZ)
{
    OmMatrix4 view;
    BuildLookAtMatrix(OmVector3(0, 0, -5), OmVector3(0, 0, 0), OmVector3(0, 1, 0), view);
    ExpectVectorNear(view.TransformPoint(OmVector3(0, 0, 0)), 0, 0, 5);
    ExpectVectorNear(view.TransformPoint(OmVector3(1, 2, 0)), 1, 2, 5);

    // Looking down +x from (1, 2, 3): right is -z, up stays +y.
    BuildLookAtMatrix(OmVector3(1, 2, 3), OmVector3(2, 2, 3), OmVector3(0, 1, 0), view);
    ExpectVectorNear(view.TransformPoint(OmVector3(5, 2, 3)), 0, 0, 4);
    ExpectVectorNear(view.TransformPoint(OmVector3(1, 2, 2)), 1, 0, 0);
    ExpectVectorNear(view.TransformPoint(OmVector3(1, 3, 3)), 0, 1, 0);
    // The third column is the forward axis in world space.
    ExpectVectorNear(OmVector3(view.m[2], view.m[6], view.m[10]), 1, 0, 0);
}
