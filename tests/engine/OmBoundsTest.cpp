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

namespace {

// The planes of a camera at eye with the given axes.
struct Frustum {
    OmPlane planes[OM_FRUSTUM_PLANES];
    Frustum(const OmProjection& projection, const OmVector3& eye, const OmVector3& right, const OmVector3& up,
            const OmVector3& forward)
    {
        float sides[4];
        ComputeFrustumSideNormals(projection, sides);
        BuildFrustumPlanes(projection, sides, eye, right, up, forward, planes);
    }
    bool Contains(const OmVector3& p) const { return IsPointInFrustum(planes, p); }
};

} // namespace

TEST(OmFrustum, SideFactorsFromTheProjection)
{
    OmProjection projection;
    projection.halfWidth = 3.0f;
    projection.halfHeight = 0.75f;
    projection.nearDistance = 4.0f; // Lw = 5, Lh = sqrt(16.5625) = 4.0697
    float sides[4];
    ComputeFrustumSideNormals(projection, sides);
    EXPECT_FLOAT_EQ(sides[0], -0.8f);
    EXPECT_FLOAT_EQ(sides[1], 0.6f);
    EXPECT_FLOAT_EQ(sides[2], -4.0f / std::sqrt(16.5625f));
    EXPECT_FLOAT_EQ(sides[3], 0.75f / std::sqrt(16.5625f));
}

TEST(OmFrustum, PointsInsideAndOutsideEachPlane)
{
    OmProjection projection; // half-size 0.5, near 1, far 2
    const Frustum f(projection, OmVector3(0, 0, 0), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    EXPECT_TRUE(f.Contains(OmVector3(0, 0, 1.5f)));
    EXPECT_FALSE(f.Contains(OmVector3(0, 0, 0.5f)));
    EXPECT_FALSE(f.Contains(OmVector3(0, 0, 2.5f)));
    // At depth 1.5 the sides are at +-0.75.
    EXPECT_TRUE(f.Contains(OmVector3(0.7f, 0, 1.5f)));
    EXPECT_TRUE(f.Contains(OmVector3(-0.7f, 0.7f, 1.5f)));
    EXPECT_FALSE(f.Contains(OmVector3(0.8f, 0, 1.5f)));
    EXPECT_FALSE(f.Contains(OmVector3(-0.8f, 0, 1.5f)));
    EXPECT_FALSE(f.Contains(OmVector3(0, 0.8f, 1.5f)));
    EXPECT_FALSE(f.Contains(OmVector3(0, -0.8f, 1.5f)));

    // Plane order: near, far, then (w f + n r), (w f - n r), (h f - n u), (h f + n u).
    EXPECT_TRUE(f.planes[OM_PLANE_NEAR].normal.Equals(OmVector3(0, 0, 1)));
    EXPECT_FLOAT_EQ(f.planes[OM_PLANE_NEAR].d, 1.0f);
    EXPECT_TRUE(f.planes[OM_PLANE_FAR].normal.Equals(OmVector3(0, 0, -1)));
    EXPECT_FLOAT_EQ(f.planes[OM_PLANE_FAR].d, -2.0f);
    const float l = std::sqrt(1.25f);
    const float expected[4][3] = {{1 / l, 0, 0.5f / l}, {-1 / l, 0, 0.5f / l}, {0, -1 / l, 0.5f / l},
                                  {0, 1 / l, 0.5f / l}};
    for (int i = 0; i < 4; ++i) {
        const OmPlane& plane = f.planes[OM_PLANE_SIDE0 + i];
        EXPECT_FLOAT_EQ(plane.normal.x, expected[i][0]) << "side " << i;
        EXPECT_FLOAT_EQ(plane.normal.y, expected[i][1]) << "side " << i;
        EXPECT_FLOAT_EQ(plane.normal.z, expected[i][2]) << "side " << i;
        EXPECT_FLOAT_EQ(plane.d, 0.0f);
    }
}

TEST(OmFrustum, MovedCameraAndSpheresAgainstItsPlanes)
{
    // At x = 10 looking down -x; right = up x forward = +z.
    OmProjection projection;
    projection.halfWidth = 1.0f;
    projection.nearDistance = 1.0f;
    projection.farDistance = 10.0f;
    const Frustum f(projection, OmVector3(10, 0, 0), OmVector3(0, 0, 1), OmVector3(0, 1, 0), OmVector3(-1, 0, 0));
    EXPECT_TRUE(f.Contains(OmVector3(5, 0, 0)));
    EXPECT_FALSE(f.Contains(OmVector3(9.5f, 0, 0)));
    EXPECT_FALSE(f.Contains(OmVector3(-0.5f, 0, 0)));
    EXPECT_TRUE(f.Contains(OmVector3(5, 0, 4.9f))); // width grows 1:1 with depth
    EXPECT_FALSE(f.Contains(OmVector3(5, 0, 5.1f)));
    EXPECT_TRUE(f.Contains(OmVector3(5, 2.4f, 0))); // height 0.5 per unit
    EXPECT_FALSE(f.Contains(OmVector3(5, 2.6f, 0)));
    // The sides are planes through the eye.
    for (int i = OM_PLANE_SIDE0; i < OM_FRUSTUM_PLANES; ++i) {
        EXPECT_FLOAT_EQ(f.planes[i].SignedDistance(OmVector3(10, 0, 0)), 0.0f);
    }

    const OmSphere straddlesNear(OmVector3(9, 0, 0), 0.5f);
    EXPECT_EQ(straddlesNear.ClassifyPlane(f.planes[OM_PLANE_NEAR]), 0);
    const OmSphere straddlesSide(OmVector3(5, 0, 5), 0.5f);
    // The first side plane bounds the left edge, the second the right edge.
    EXPECT_EQ(straddlesSide.ClassifyPlane(f.planes[OM_PLANE_SIDE0]), 1);
    EXPECT_EQ(straddlesSide.ClassifyPlane(f.planes[OM_PLANE_SIDE1]), 0);
    const OmSphere beyondFar(OmVector3(-5, 0, 0), 1);
    EXPECT_EQ(beyondFar.ClassifyPlane(f.planes[OM_PLANE_FAR]), 2);
    const OmSphere inside(OmVector3(5, 0, 0), 1);
    for (int i = 0; i < OM_FRUSTUM_PLANES; ++i) {
        EXPECT_EQ(inside.ClassifyPlane(f.planes[i]), 1) << "plane " << i;
    }
}
