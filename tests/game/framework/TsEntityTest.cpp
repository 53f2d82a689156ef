#include <gtest/gtest.h>

#include <cfloat>

#include "engine/OmRef.h"
#include "game/framework/TsEntity.h"
#include "tests/game/framework/TestEntities.h"

namespace {

// A world stand-in for the ground queries: a floor at a fixed height, or
// no floor at all; it remembers what it was asked.
class FlatGround : public TsGroundProbe {
public:
    explicit FlatGround(bool hasFloor, float floor = 0.0f) : m_hasFloor(hasFloor), m_floor(floor)
    {
        TsEntity::SetGroundProbe(this);
    }
    ~FlatGround() override { TsEntity::SetGroundProbe(nullptr); }

    bool CastSegmentStatic(const OmVector3& from, const OmVector3& to, float& hitHeight) override
    {
        castFrom = from, castTo = to, hitHeight = m_floor;
        return m_hasFloor;
    }
    float GetGroundHeight(const OmVector3& point) override
    {
        groundPoint = point;
        return m_hasFloor ? m_floor : FLT_MAX;
    }

    OmVector3 castFrom, castTo, groundPoint;

private:
    bool m_hasFloor;
    float m_floor;
};

void ExpectAt(const OmVector3& v, float x, float y, float z, const char* what = "")
{
    SCOPED_TRACE(what);
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

OmRef<TestThing> Thing(float x, float y, float z, float radius, float height)
{
    auto thing = OmMakeRef<TestThing>();
    thing->SetPosition(x, y, z);
    thing->SetRadius(radius);
    thing->SetHeight(height);
    return thing;
}

} // namespace

TEST(TsEntity, OverlapsTouchingCylindersAndNotSeparatedOnes)
{
    const OmRef<TestThing> a = Thing(0, 0, 0, 1.0f, 2.0f);
    const OmRef<TestThing> b = Thing(3, 0, 0, 2.0f, 1.0f);
    float d2 = -1.0f;
    EXPECT_TRUE(TsEntity::Overlaps(*a, *b, &d2)) << "distance equal to the radii touches";
    EXPECT_FLOAT_EQ(d2, 9.0f);
    b->SetPosition(3.0f, 0, 0.5f);
    EXPECT_FALSE(TsEntity::Overlaps(*a, *b, &d2));
    EXPECT_FLOAT_EQ(d2, 9.25f) << "the distance is reported even when apart";

    b->SetPosition(0, 2.0f, 0);
    EXPECT_TRUE(TsEntity::Overlaps(*a, *b)) << "standing exactly on top";
    b->SetPosition(0, 2.01f, 0);
    EXPECT_FALSE(TsEntity::Overlaps(*a, *b));
    b->SetPosition(0, -1.0f, 0);
    EXPECT_TRUE(TsEntity::Overlaps(*a, *b)) << "a stands exactly on b";
    b->SetPosition(0, -1.01f, 0);
    EXPECT_FALSE(TsEntity::Overlaps(*a, *b)) << "b's own height counts below a";
    b->SetPosition(0, 100.0f, 0);
    EXPECT_FALSE(TsEntity::Overlaps(*b, *a)) << "the test is the same from either side";
}

TEST(TsEntity, PlacingOnTheGroundFollowsTheWorldAndSurvivesAHole)
{
    const OmRef<TestThing> thing = Thing(0, 0, 0, 1, 3);
    thing->SetOrigin(5, 50, 7);
    ExpectAt(thing->GetPosition(), 5, 0, 7, "origin, no world: dropped to zero");
    thing->SetPositionOnGround(OmVector3(1, 8, 2));
    ExpectAt(thing->GetPosition(), 1, 8, 2, "on the ground, no world: the height is kept");
    {
        FlatGround ground(true, 12.5f);
        thing->SetOrigin(5, 50, 7);
        ExpectAt(thing->GetPosition(), 5, 12.5f, 7, "origin on a floor");
        ExpectAt(ground.castFrom, 5, 150, 7);
        ExpectAt(ground.castTo, 5, -50, 7);
        thing->SetPositionOnGround(OmVector3(1, 8, 2));
        ExpectAt(thing->GetPosition(), 1, 12.5f, 2, "on the ground on a floor");
        ExpectAt(ground.groundPoint, 1, 11, 2, "searched from the entity's height above");
    }
    FlatGround hole(false);
    thing->SetOrigin(5, 50, 7);
    ExpectAt(thing->GetPosition(), 5, 0, 7, "origin over a hole");
    thing->SetPositionOnGround(OmVector3(1, 8, 2));
    ExpectAt(thing->GetPosition(), 1, 8, 2, "on the ground over a hole");
}
