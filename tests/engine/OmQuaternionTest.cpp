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
    // The scaled form multiplies every element.
    OmMatrix3 scaled, plain;
    q = OmQuaternion(0.1f, 0.7f, -0.1f, 0.7f);
    plain.SetFromQuaternion(q);
    scaled.SetFromQuaternionScaled(q, 3.0f);
    for (int i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(scaled.m[i], plain.m[i] * 3.0f);
}
