#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmMath.h"
#include "engine/OmPlane.h"
#include "engine/OmSphere.h"

namespace {

void ExpectSphere(const OmSphere& s, float x, float y, float z, float r)
{
    EXPECT_TRUE(OmVector3::NearlyEqual(s.centre, OmVector3(x, y, z), 1e-5f))
        << s.centre.x << " " << s.centre.y << " " << s.centre.z;
    EXPECT_LT(std::fabs(s.radius - r), 1e-5f) << s.radius;
}

} // namespace

TEST(OmPlane, ThreePointsGiveTheNormalByTheirWindingAndClassifyTheSides)
{
    // Points at height 2 ordered so that the normal is +y.
    const OmPlane plane(OmVector3(0, 2, 1), OmVector3(1, 2, 0), OmVector3(0, 2, 0));
    EXPECT_TRUE(plane.normal.Equals(OmVector3(0, 1, 0)));
    EXPECT_EQ(plane.d, 2.0f);
    // In front, on the plane, behind.
    EXPECT_EQ(plane.Classify(OmVector3(5, 3, 5)), 1);
    EXPECT_EQ(plane.Classify(OmVector3(7, 2, -4)), 0);
    EXPECT_EQ(plane.Classify(OmVector3(0, 1, 0)), 2);
    // The reverse winding faces the other way.
    const OmPlane flipped(OmVector3(0, 2, 0), OmVector3(1, 2, 0), OmVector3(0, 2, 1));
    EXPECT_TRUE(flipped.normal.Equals(OmVector3(0, -1, 0)));
    EXPECT_EQ(flipped.Classify(OmVector3(5, 3, 5)), 2);
}

// An empty sphere on either side never pulls the result towards the origin.
TEST(OmSphere, EncloseGrowsToCoverTheOtherAndAnEmptySphereAddsNothing)
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
}

TEST(OmSphere, SpheresIntersectWhenTheyTouchAndAnEmptySphereMeetsNothing)
{
    const OmSphere a(OmVector3(0, 0, 0), 1), empty;
    EXPECT_TRUE(a.Intersects(OmSphere(OmVector3(2, 0, 0), 1))) << "touching";
    EXPECT_FALSE(a.Intersects(OmSphere(OmVector3(2.01f, 0, 0), 1)));
    EXPECT_FALSE(a.Intersects(empty) || empty.Intersects(a) || OmSphere(OmVector3(), -0.5f).Intersects(a));
}

TEST(OmSphere, TransformScalesByTheLargestAxisAndPlaceTurnsScalesAndMoves)
{
    OmMatrix3 mirror;
    mirror.Set(-3, 0, 0, 0, 1, 0, 0, 0, 1);
    OmMatrix4 m;
    m.Compose(mirror, OmVector3(0, 10, 0), 1.0f);
    OmSphere s(OmVector3(1, 0, 0), 1);
    s.Transform(m);
    // (1,1,1) becomes (-3,1,1): the mirrored axis still scales the radius by 3.
    ExpectSphere(s, -3, 10, 0, 3);
    OmSphere none;
    none.Transform(m);
    EXPECT_TRUE(none.IsEmpty());
    OmMatrix3 turn;
    turn.SetRotationZ(OM_HALF_PI);
    OmSphere placed;
    placed.Place(OmSphere(OmVector3(1, 0, 0), 2), turn, OmVector3(10, 0, 0), 3);
    ExpectSphere(placed, 10, 3, 0, 6);
}
