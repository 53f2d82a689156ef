#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmMath.h"
#include "engine/OmMatrix3.h"
#include "engine/OmMatrix4.h"
#include "engine/OmQuaternion.h"

namespace {

void ExpectQuatNear(const OmQuaternion& q, float x, float y, float z, float w, float eps = 1e-5f)
{
    EXPECT_NEAR(q.x, x, eps) << q.x << " " << q.y << " " << q.z << " " << q.w;
    EXPECT_NEAR(q.y, y, eps);
    EXPECT_NEAR(q.z, z, eps);
    EXPECT_NEAR(q.w, w, eps);
}

} // namespace

// Large turns about axes leaning to x, y and z (and small ones) reach every branch.
TEST(OmQuaternion, MatrixConversionsThroughEveryBranch)
{
    OmMatrix3 m;
    m.SetRotationZ(OM_HALF_PI); // rows (0,1,0), (-1,0,0), (0,0,1)
    OmQuaternion q, q4;
    q.SetFromMatrix(m);
    ExpectQuatNear(q, 0, 0, -OM_HALF_SQRT2, OM_HALF_SQRT2);
    OmMatrix4 m4; // the 4x4 form reads the same block
    m4.Compose(m, OmVector3(4, 5, 6), 1.0f);
    q4.SetFromMatrix(m4);
    ExpectQuatNear(q4, q.x, q.y, q.z, q.w, 0);
    for (const OmVector3& axis : {OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1)}) {
        m.SetAxisRotation(OM_PI, axis.x, axis.y, axis.z);
        q.SetFromMatrix(m);
        ExpectQuatNear(q, axis.x, axis.y, axis.z, 0);
    }

    const float axes[][3] = {{0.9f, 0.3f, 0.1f}, {0.2f, 0.95f, -0.2f}, {-0.1f, 0.25f, 0.96f}, {0.5f, 0.5f, 0.7f}};
    for (const auto& a : axes) {
        OmVector3 axis(a[0], a[1], a[2]);
        axis.Normalise();
        for (float angle : {0.4f, 2.9f, -2.7f}) {
            m.SetAxisRotation(angle, axis.x, axis.y, axis.z);
            q.SetFromMatrix(m);
            EXPECT_NEAR(q.Dot(q), 1.0f, 1e-5f);
            OmMatrix3 back;
            back.SetFromQuaternion(q);
            for (int i = 0; i < 9; ++i)
                EXPECT_NEAR(back.m[i], m.m[i], 1e-5f) << "element " << i;
        }
    }
    OmMatrix3 scaled, plain;
    q = OmQuaternion(0.1f, 0.7f, -0.1f, 0.7f);
    plain.SetFromQuaternion(q);
    scaled.SetFromQuaternionScaled(q, 3.0f);
    for (int i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(scaled.m[i], plain.m[i] * 3.0f);
}

// The weights come from the polynomial sine, whose error (a few 1e-5 here)
// the tolerance sees; a negated end is the same rotation and takes the short
// arc; ends closer than 0.001 in cosine blend linearly, unnormalised.
TEST(OmQuaternion, SlerpUsesThePolynomialSineTheShortArcAndALinearBlendWhenClose)
{
    const OmQuaternion identity = OmQuaternion::Identity();
    const OmQuaternion quarterZ(0, 0, OM_HALF_SQRT2, OM_HALF_SQRT2);
    const OmQuaternion thirdX(0.8660254f, 0, 0, 0.5f);
    const OmQuaternion nearZ(0, 0, std::sin(0.02f), std::cos(0.02f));
    const auto negated = [](const OmQuaternion& q) { return OmQuaternion(-q.x, -q.y, -q.z, -q.w); };
    const struct {
        const char* what;
        float t;
        OmQuaternion to;
        float x, z, w; // true sine: 0.382683, 0.923880 / 0.5, 0.866025 / linear w 0.99995
    } cases[] = {
        {"quarter turn", 0.5f, quarterZ, 0, 0.382648f, 0.923794f},
        {"quarter turn, negated end", 0.5f, negated(quarterZ), 0, 0.382648f, 0.923794f},
        {"third of a turn", 0.5f, thirdX, 0.500023f, 0, 0.866066f},
        {"close ends", 0.5f, nearZ, 0, 0.0099993f, 0.9999000f},
        {"close ends, negated", 0.5f, negated(nearZ), 0, 0.0099993f, 0.9999000f},
        {"start", 0.0f, quarterZ, 0, 0, 1},
        {"end", 1.0f, quarterZ, 0, OM_HALF_SQRT2, OM_HALF_SQRT2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OmQuaternion out;
        OmQuaternion::Slerp(c.t, identity, c.to, out);
        ExpectQuatNear(out, c.x, 0, c.z, c.w, 5e-6f);
    }
}
