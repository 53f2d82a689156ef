#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/OmMath.h"
#include "engine/OmPlane.h"
#include "engine/OmProjection.h"
#include "engine/OmSphere.h"

namespace {

// The shape of a mesh vertex: position first, then other data.
struct FakeVertex {
    float position[3];
    float rest[11];
};
static_assert(sizeof(FakeVertex) == OM_SPHERE_POINT_STRIDE);

FakeVertex Vertex(float x, float y, float z)
{
    FakeVertex v;
    std::memset(&v, 0x7F, sizeof v); // large values that must be ignored
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    return v;
}

void ExpectSphere(const OmSphere& s, float x, float y, float z, float r)
{
    EXPECT_NEAR(s.centre.x, x, 1e-5f);
    EXPECT_NEAR(s.centre.y, y, 1e-5f);
    EXPECT_NEAR(s.centre.z, z, 1e-5f);
    EXPECT_NEAR(s.radius, r, 1e-5f);
}

} // namespace

TEST(OmPlane, ThroughThreePointsAndClassify)
{
    // Points at height 2 ordered so that the normal is +y.
    const OmPlane plane(OmVector3(0, 2, 1), OmVector3(1, 2, 0), OmVector3(0, 2, 0));
    EXPECT_TRUE(plane.normal.Equals(OmVector3(0, 1, 0)));
    EXPECT_FLOAT_EQ(plane.d, 2.0f);
    EXPECT_EQ(plane.Classify(OmVector3(5, 3, 5)), 1);
    EXPECT_EQ(plane.Classify(OmVector3(7, 2, -4)), 0);
    EXPECT_EQ(plane.Classify(OmVector3(0, 1, 0)), 2);
    // The reverse winding faces the other way.
    const OmPlane flipped(OmVector3(0, 2, 0), OmVector3(1, 2, 0), OmVector3(0, 2, 1));
    EXPECT_TRUE(flipped.normal.Equals(OmVector3(0, -1, 0)));
    EXPECT_EQ(flipped.Classify(OmVector3(5, 3, 5)), 2);
}

TEST(OmSphere, FromPointsUsesTheBoxMidpointAndTheFarthestPoint)
{
    const FakeVertex v[] = {Vertex(0, 0, 0), Vertex(2, 0, 0), Vertex(0, 4, 0), Vertex(1, 1, 6)};
    OmSphere s;
    OmVector3 lo, hi;
    OmSphere::FromPoints(v, 4, s, &lo, &hi);
    ExpectSphere(s, 1, 2, 3, std::sqrt(14.0f));
    EXPECT_TRUE(lo.Equals(OmVector3(0, 0, 0)));
    EXPECT_TRUE(hi.Equals(OmVector3(2, 4, 6)));

    OmSphere one;
    OmSphere::FromPoints(v + 3, 1, one);
    ExpectSphere(one, 1, 1, 6, 0);
    EXPECT_FALSE(one.IsEmpty());

    OmSphere none(OmVector3(5, 5, 5), 3);
    OmVector3 untouched(9, 9, 9);
    OmSphere::FromPoints(v, 0, none, &untouched);
    EXPECT_TRUE(none.IsEmpty());
    ExpectSphere(none, 0, 0, 0, -1);
    EXPECT_TRUE(untouched.Equals(OmVector3(9, 9, 9)));
}

TEST(OmSphere, EncloseGrowsCopiesOrLeavesAlone)
{
    OmSphere big(OmVector3(0, 0, 0), 5);
    EXPECT_FALSE(big.Enclose(OmSphere(OmVector3(1, 0, 0), 2)));
    ExpectSphere(big, 0, 0, 0, 5);

    OmSphere small(OmVector3(1, 0, 0), 1);
    EXPECT_TRUE(small.Enclose(big));
    ExpectSphere(small, 0, 0, 0, 5);

    OmSphere a(OmVector3(0, 0, 0), 1);
    EXPECT_TRUE(a.Enclose(OmSphere(OmVector3(4, 0, 0), 1)));
    ExpectSphere(a, 2, 0, 0, 3);

    // Unequal radii: the result spans -1..13 on x.
    OmSphere b(OmVector3(0, 0, 0), 1);
    EXPECT_TRUE(b.Enclose(OmSphere(OmVector3(10, 0, 0), 3)));
    ExpectSphere(b, 6, 0, 0, 7);
}

TEST(OmSphere, EncloseWithAnEmptySphereNeverReachesTheOrigin)
{
    const OmSphere far(OmVector3(10, 0, 0), 1);
    OmSphere empty;
    EXPECT_TRUE(empty.Enclose(far));
    ExpectSphere(empty, 10, 0, 0, 1);

    OmSphere s = far;
    EXPECT_FALSE(s.Enclose(OmSphere()));
    ExpectSphere(s, 10, 0, 0, 1);

    OmSphere both;
    EXPECT_FALSE(both.Enclose(OmSphere()));
    EXPECT_TRUE(both.IsEmpty());

    // Building a bound from nothing, one child at a time.
    OmSphere bound;
    bound.Enclose(OmSphere(OmVector3(10, 0, 0), 1));
    bound.Enclose(OmSphere(OmVector3(14, 0, 0), 1));
    ExpectSphere(bound, 12, 0, 0, 3);
}

TEST(OmSphere, IntersectsIsFalseForEmptySpheres)
{
    const OmSphere a(OmVector3(0, 0, 0), 1);
    EXPECT_TRUE(a.Intersects(OmSphere(OmVector3(2, 0, 0), 1))) << "touching";
    EXPECT_FALSE(a.Intersects(OmSphere(OmVector3(2.01f, 0, 0), 1)));
    EXPECT_FALSE(a.Intersects(OmSphere()));
    EXPECT_FALSE(OmSphere().Intersects(a));
    EXPECT_FALSE(OmSphere(OmVector3(0, 0, 0), -0.5f).Intersects(a));
}

TEST(OmSphere, TransformAndPlace)
{
    OmMatrix3 mirror;
    mirror.Set(-3, 0, 0, 0, 1, 0, 0, 0, 1);
    OmMatrix4 m;
    m.Compose(mirror, OmVector3(0, 10, 0), 1.0f);
    OmSphere s(OmVector3(1, 0, 0), 1);
    s.Transform(m);
    // (1,1,1) becomes (-3,1,1): the mirrored axis still scales the radius by 3.
    ExpectSphere(s, -3, 10, 0, 3);

    OmSphere empty;
    empty.Transform(m);
    EXPECT_TRUE(empty.IsEmpty());

    OmMatrix3 turn;
    turn.SetRotationZ(OM_HALF_PI);
    OmSphere placed;
    placed.Place(OmSphere(OmVector3(1, 0, 0), 2), turn, OmVector3(10, 0, 0), 3);
    ExpectSphere(placed, 10, 3, 0, 6);
}

TEST(OmSphere, AgainstAPlaneInFrontBehindOrStraddling)
{
    const OmPlane ground(OmVector3(0, 1, 0), 2);
    EXPECT_EQ(OmSphere(OmVector3(0, 5, 0), 1).ClassifyPlane(ground), 1);
    EXPECT_EQ(OmSphere(OmVector3(0, 3, 0), 1).ClassifyPlane(ground), 1) << "touching from in front";
    EXPECT_EQ(OmSphere(OmVector3(0, -1, 0), 1).ClassifyPlane(ground), 2);
    EXPECT_EQ(OmSphere(OmVector3(0, 1, 0), 1).ClassifyPlane(ground), 2) << "touching from behind";
    EXPECT_EQ(OmSphere(OmVector3(0, 2.5f, 0), 1).ClassifyPlane(ground), 0);
}

TEST(OmFrustum, PointsInsideAndOutsideEachPlane)
{
    OmProjection projection; // half-size 0.5, near 1, far 2
    OmFrustum f;
    f.SetProjection(projection);
    f.Build(OmVector3(0, 0, 0), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    EXPECT_TRUE(f.ContainsPoint(OmVector3(0, 0, 1.5f)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(0, 0, 0.5f)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(0, 0, 2.5f)));
    // At depth 1.5 the sides are at +-0.75.
    EXPECT_TRUE(f.ContainsPoint(OmVector3(0.7f, 0, 1.5f)));
    EXPECT_TRUE(f.ContainsPoint(OmVector3(-0.7f, 0.7f, 1.5f)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(0.8f, 0, 1.5f)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(-0.8f, 0, 1.5f)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(0, 0.8f, 1.5f)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(0, -0.8f, 1.5f)));

    // Plane order: near, far, then the sides; the first side faces +x.
    EXPECT_TRUE(f.GetPlane(OmFrustum::kNear).normal.Equals(OmVector3(0, 0, 1)));
    EXPECT_FLOAT_EQ(f.GetPlane(OmFrustum::kNear).d, 1.0f);
    EXPECT_TRUE(f.GetPlane(OmFrustum::kFar).normal.Equals(OmVector3(0, 0, -1)));
    EXPECT_FLOAT_EQ(f.GetPlane(OmFrustum::kFar).d, -2.0f);
    const float lw = std::sqrt(1.25f);
    EXPECT_FLOAT_EQ(f.GetPlane(OmFrustum::kSide0).normal.x, 1.0f / lw);
    EXPECT_FLOAT_EQ(f.GetPlane(OmFrustum::kSide0).normal.z, 0.5f / lw);
    EXPECT_FLOAT_EQ(f.GetPlane(OmFrustum::kSide2).normal.y, -1.0f / lw);
}

TEST(OmFrustum, MovedCameraAndSpheresAgainstItsPlanes)
{
    // At x = 10 looking down -x; right = up x forward = +z.
    OmProjection projection;
    projection.halfWidth = 1.0f;
    projection.nearDistance = 1.0f;
    projection.farDistance = 10.0f;
    OmFrustum f;
    f.SetProjection(projection);
    f.Build(OmVector3(10, 0, 0), OmVector3(0, 0, 1), OmVector3(0, 1, 0), OmVector3(-1, 0, 0));
    EXPECT_TRUE(f.ContainsPoint(OmVector3(5, 0, 0)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(9.5f, 0, 0)));
    EXPECT_FALSE(f.ContainsPoint(OmVector3(-0.5f, 0, 0)));
    EXPECT_TRUE(f.ContainsPoint(OmVector3(5, 0, 4.9f))); // width grows 1:1 with depth
    EXPECT_FALSE(f.ContainsPoint(OmVector3(5, 0, 5.1f)));
    EXPECT_TRUE(f.ContainsPoint(OmVector3(5, 2.4f, 0))); // height 0.5 per unit
    EXPECT_FALSE(f.ContainsPoint(OmVector3(5, 2.6f, 0)));

    const OmSphere straddlesNear(OmVector3(9, 0, 0), 0.5f);
    EXPECT_EQ(straddlesNear.ClassifyPlane(f.GetPlane(OmFrustum::kNear)), 0);
    const OmSphere beyondFar(OmVector3(-5, 0, 0), 1);
    EXPECT_EQ(beyondFar.ClassifyPlane(f.GetPlane(OmFrustum::kFar)), 2);
    const OmSphere inside(OmVector3(5, 0, 0), 1);
    for (int i = 0; i < OmFrustum::kPlaneCount; ++i) {
        EXPECT_EQ(inside.ClassifyPlane(f.GetPlane(i)), 1) << "plane " << i;
    }
}
