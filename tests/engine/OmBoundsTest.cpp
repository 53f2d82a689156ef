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

// Growing, copying, leaving alone; an empty sphere on either side never
// pulls the result towards the origin.
TEST(OmSphere, EncloseAndIntersect)
{
    const OmSphere empty;
    const struct {
        OmSphere a, b;
        bool grows;
        OmSphere result;
    } cases[] = {
        {{{0, 0, 0}, 5}, {{1, 0, 0}, 2}, false, {{0, 0, 0}, 5}},
        {{{1, 0, 0}, 1}, {{0, 0, 0}, 5}, true, {{0, 0, 0}, 5}},
        {{{0, 0, 0}, 1}, {{4, 0, 0}, 1}, true, {{2, 0, 0}, 3}},
        {{{0, 0, 0}, 1}, {{10, 0, 0}, 3}, true, {{6, 0, 0}, 7}}, // spans -1..13 on x
        {empty, {{10, 0, 0}, 1}, true, {{10, 0, 0}, 1}},
        {{{10, 0, 0}, 1}, empty, false, {{10, 0, 0}, 1}},
        {empty, empty, false, {{0, 0, 0}, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        OmSphere s = c.a;
        EXPECT_EQ(s.Enclose(c.b), c.grows);
        ExpectSphere(s, c.result.centre.x, c.result.centre.y, c.result.centre.z, c.result.radius);
    }
    OmSphere bound; // built from nothing, one child at a time
    bound.Enclose(OmSphere(OmVector3(10, 0, 0), 1));
    bound.Enclose(OmSphere(OmVector3(14, 0, 0), 1));
    ExpectSphere(bound, 12, 0, 0, 3);

    const OmSphere a(OmVector3(0, 0, 0), 1);
    EXPECT_TRUE(a.Intersects(OmSphere(OmVector3(2, 0, 0), 1))) << "touching";
    EXPECT_FALSE(a.Intersects(OmSphere(OmVector3(2.01f, 0, 0), 1)));
    EXPECT_FALSE(a.Intersects(empty) || empty.Intersects(a) || OmSphere(OmVector3(), -0.5f).Intersects(a));
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
    // In front, touching from in front, behind, touching from behind, across.
    const std::pair<float, int> cases[] = {{5, 1}, {3, 1}, {-1, 2}, {1, 2}, {2.5f, 0}};
    for (auto [y, side] : cases)
        EXPECT_EQ(OmSphere(OmVector3(0, y, 0), 1).ClassifyPlane(ground), side) << y;
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

TEST(OmFrustum, PointsInsideAndOutsideEachPlane)
{
    OmProjection projection; // half-size 0.5, near 1, far 2
    const Frustum f(projection, OmVector3(0, 0, 0), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    // At depth 1.5 the sides are at +-0.75.
    const struct {
        OmVector3 p;
        bool inside;
    } points[] = {{{0, 0, 1.5f}, true},     {{0, 0, 0.5f}, false},      {{0, 0, 2.5f}, false},
                  {{0.7f, 0, 1.5f}, true},  {{-0.7f, 0.7f, 1.5f}, true}, {{0.8f, 0, 1.5f}, false},
                  {{-0.8f, 0, 1.5f}, false}, {{0, 0.8f, 1.5f}, false},   {{0, -0.8f, 1.5f}, false}};
    for (const auto& c : points)
        EXPECT_EQ(f.Contains(c.p), c.inside) << c.p.x << " " << c.p.y << " " << c.p.z;

    // Plane order: near, far, then the sides, which pass through the eye.
    EXPECT_FLOAT_EQ(f.planes[OM_PLANE_NEAR].d, 1.0f);
    EXPECT_FLOAT_EQ(f.planes[OM_PLANE_FAR].d, -2.0f);
    EXPECT_NEAR(f.planes[OM_PLANE_SIDE0].normal.x, 1 / std::sqrt(1.25f), 1e-6f);
}

TEST(OmFrustum, MovedCameraAndSpheresAgainstItsPlanes)
{
    // At x = 10 looking down -x; right = up x forward = +z.
    OmProjection projection;
    projection.halfWidth = 1.0f;
    projection.nearDistance = 1.0f;
    projection.farDistance = 10.0f;
    const Frustum f(projection, OmVector3(10, 0, 0), OmVector3(0, 0, 1), OmVector3(0, 1, 0), OmVector3(-1, 0, 0));
    // The width grows 1:1 with depth, the height by 0.5 a unit.
    for (auto [p, inside] : {std::pair{OmVector3(5, 0, 0), true}, {OmVector3(9.5f, 0, 0), false},
                             {OmVector3(-0.5f, 0, 0), false}, {OmVector3(5, 0, 4.9f), true},
                             {OmVector3(5, 0, 5.1f), false}, {OmVector3(5, 2.4f, 0), true},
                             {OmVector3(5, 2.6f, 0), false}})
        EXPECT_EQ(f.Contains(p), inside) << p.x << " " << p.y << " " << p.z;
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
