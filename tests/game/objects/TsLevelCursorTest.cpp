// The level cursor: edge turning, the picked point and entity, its state,
// the direction table, and whether the character may go where it points.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/OmCamera.h"
#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevelCursorQueries.h"
#include "game/objects/TsDirectionTable.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPathfinder.h"
#include "tests/engine/TestClass.h"
#include "tests/game/world/AIMapTestSupport.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

OM_TEST_CLASS(Prop, TsEntity);
OM_IMPLEMENT_CLASS(Prop, TsEntity)

class FakeLevel : public TsCursorQueries {
public:
    int PickSurface(int, int, OmVector3* points, int max) override
    {
        int n = 0;
        for (const OmVector3& p : surface)
            if (n < max)
                points[n++] = p;
        return n;
    }
    float ControlledHeight() override { return height; }
    bool CanReach(float x, float) override { return x < 5.0f; }

    std::vector<OmVector3> surface;
    float height = 0.0f;
};

struct CursorTest : ::testing::Test {
    void SetUp() override
    {
        LookDownFrom(10.0f);
        OmProjection p;
        p.halfWidth = p.halfHeight = 1.0f;
        p.nearDistance = 1.0f;
        p.farDistance = 100.0f;
        camera->SetProjection(p);
    }
    void LookDownFrom(float height)
    {
        camera->SetFrame(OmVector3(0, height, 0), OmVector3(1, 0, 0), OmVector3(0, 0, 1), OmVector3(0, -1, 0));
    }
    Prop* AddProp(float x, float z, bool model)
    {
        auto* prop = new Prop;
        prop->SetPosition(x, 0.0f, z);
        prop->SetRadius(1.0f);
        prop->SetHeight(2.0f);
        if (model)
            prop->SetFlag(TS_ENTITY_MODEL);
        db->AddEntity(OmRef<TsEntity>::Adopt(prop));
        return prop;
    }
    void At(int x, int y) { cursor.Update(x, y, kWidth, kHeight, camera, &level, db); }

    OmRef<OmCamera> camera = OmMakeRef<OmCamera>();
    OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    FakeLevel level;
    TsLevelCursor cursor;
};

TEST_F(CursorTest, EdgesTurnTheViewExceptInTheTopAndBottomBands)
{
    const float expected[] = {-0.2f, -0.4f, -0.6f, -0.8f, -1.0f, -1.0f};
    for (float turn : expected) {
        At(0, kHeight / 2);
        EXPECT_NEAR(cursor.GetTurn(), turn * OM_PI, 1e-5f);
    }
    EXPECT_EQ(cursor.GetLeftCount(), 5);
    At(kWidth - 1, kHeight / 2); // the other edge: the left count is dropped
    EXPECT_EQ(cursor.GetLeftCount(), 0);
    EXPECT_NEAR(cursor.GetTurn(), 0.2f * OM_PI, 1e-5f);
    At(kWidth / 2, kHeight / 2); // away from the edge the count runs down
    EXPECT_EQ(cursor.GetRightCount(), 0);
    EXPECT_NEAR(cursor.GetTurn(), 0.0f, 1e-6f);
    // No turn in the top or bottom band, but the dwell is counted all along.
    for (int y : {2, kHeight - 2}) {
        for (int i = 0; i < 5; ++i)
            At(0, y);
        EXPECT_EQ(cursor.GetTurn(), 0.0f) << y;
    }
    At(0, kHeight / 2);
    EXPECT_NEAR(cursor.GetTurn(), -OM_PI, 1e-5f);
}

TEST_F(CursorTest, ThePickedPointIsTheOneNearestTheCharactersHeight)
{
    level.surface = {OmVector3(1, 8, 1), OmVector3(1, 0.5f, 1), OmVector3(1, -3, 1)};
    level.height = 1.0f;
    At(kWidth / 2, kHeight / 2);
    ASSERT_TRUE(cursor.HasPicked());
    EXPECT_FLOAT_EQ(cursor.GetPickedPoint().y, 0.5f);
    // A view along the ground picks nothing.
    camera->SetFrame(OmVector3(0, 1, 0), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    At(kWidth / 2, kHeight / 2);
    EXPECT_FALSE(cursor.HasPicked());
}

// The fake level reaches points with x under 5; with nothing picked there
// is nothing to refuse.
TEST_F(CursorTest, TheStateSaysWhetherThePickedPointCanBeReached)
{
    const struct {
        float x;
        bool picks, control;
        TsCursorState state;
    } cases[] = {
        {1, true, true, TS_CURSOR_REACHABLE},
        {9, true, true, TS_CURSOR_UNREACHABLE},
        {1, true, false, TS_CURSOR_DISABLED},
        {9, false, true, TS_CURSOR_REACHABLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.picks << " " << c.control);
        level.surface.clear();
        if (c.picks)
            level.surface.push_back(OmVector3(c.x, 0, 0));
        At(kWidth / 2, kHeight / 2);
        cursor.UpdateState(c.control, &level);
        EXPECT_EQ(cursor.GetState(), c.state);
    }
}

// The ray's direction is about a unit long; an entity fifty units below
// the camera is still found.
TEST_F(CursorTest, TheModelUnderTheCursorIsHoveredFromAnyHeight)
{
    level.surface = {OmVector3(0, 0, 0)};
    AddProp(8.0f, 0.0f, true);
    Prop* under = AddProp(0.0f, 0.0f, true);
    AddProp(0.0f, 0.0f, false); // no model flag: never hovered
    for (float height : {10.0f, 50.0f}) {
        LookDownFrom(height);
        At(kWidth / 2, kHeight / 2);
        EXPECT_EQ(cursor.GetHovered(), under) << height;
        cursor.UpdateState(true, &level);
        EXPECT_EQ(cursor.GetState(), TS_CURSOR_ENTITY);
    }
    At(kWidth - 10, 10); // off to the corner: nothing there
    EXPECT_EQ(cursor.GetHovered(), nullptr);
}

TEST(CursorCylinder, SegmentsMeetCylindersThroughTheSideOrTheCaps)
{
    const OmVector3 base(0, 0, 0);
    const struct {
        OmVector3 from, dir;
        bool hit;
        float along;
    } cases[] = {
        {{-5, 1, 0}, {10, 0, 0}, true, 0.4f},  // through the side
        {{0, 5, 0}, {0, -10, 0}, true, 0.3f},  // down through the top cap
        {{0, 5, 0}, {0, 2, 0}, false, 0.0f},   // straight up above it
        {{-5, 3, 0}, {10, 0, 0}, false, 0.0f}, // over the top
        {{-5, 1, 2}, {10, 0, 0}, false, 0.0f}, // beside it
        {{0.5f, 1, 0}, {1, 0, 0}, true, 0.0f}, // starts inside
        {{-5, 1, 0}, {2, 0, 0}, false, 0.0f},  // stops short
    };
    for (const auto& c : cases) {
        float along = -1.0f;
        EXPECT_EQ(TsLevelCursor::SegmentHitsCylinder(c.from, c.dir, base, 1.0f, 2.0f, along), c.hit)
            << c.from.x << "," << c.from.y << "," << c.from.z;
        if (c.hit) {
            EXPECT_NEAR(along, c.along, 1e-5f);
        }
    }
}

TEST(DirectionTable, EightTurnsOfAnEighthFromItsStart)
{
    const TsDirectionTable table(0.0f);
    OmVector3 out;
    table.RotateOffset(out, OmVector3(1, 0, 0), 2, 3.0f);
    EXPECT_NEAR(out.x, 0.0f, 1e-5f);
    EXPECT_NEAR(out.z, 3.0f, 1e-5f);
    EXPECT_FLOAT_EQ(out.y, 0.0f);
    const TsDirectionTable shifted(-OM_PI / 4);
    EXPECT_NEAR(shifted.GetAngle(0), 7 * OM_PI / 4, 1e-5f); // wrapped into [0, 2 pi)
    EXPECT_NEAR(shifted.GetAngle(1), 0.0f, 1e-5f);
    for (int i = 0; i < TsDirectionTable::kCount; ++i)
        EXPECT_NEAR(table.GetSine(i), std::sin(i * OM_PI / 4), 1e-5f);
}

// A keyed room ('k') and a corridor of narrow cells ('.') off wide open floor ('3').
TEST(CursorReach, ReachFollowsTheCharactersSizeAndKeyButNotWhoStandsThere)
{
    auto world = aimap_test::WorldWith({
        "33333",
        "3...3",
        "3kk#3",
    });
    TsPathfinder finder;
    finder.SetWorld(world.Get());
    finder.CentreOn(0, 0);
    const float open[2] = {0.5f, 2.5f}, narrow[2] = {1.5f, 1.5f}, keyed[2] = {1.5f, 0.5f}, wall[2] = {3.5f, 0.5f};
    const struct {
        const char* what;
        const float* at;
        float radius;
        bool key, reachable;
    } reaches[] = {
        {"open floor, narrow body", open, 0.3f, false, true},
        {"open floor, wide body", open, 1.2f, false, true},
        {"narrow gap, narrow body", narrow, 0.3f, false, true},
        {"narrow gap, wide body", narrow, 1.2f, false, false},
        {"keyed room without the key", keyed, 0.3f, false, false},
        {"keyed room with the key", keyed, 0.3f, true, true},
        {"wall, with the key", wall, 0.3f, true, false},
    };
    auto pc = OmMakeRef<TsPCObject>();
    for (const auto& c : reaches) {
        SCOPED_TRACE(c.what);
        pc->SetRadius(c.radius);
        if (c.key)
            pc->GivePathKeyA();
        ASSERT_EQ(finder.ClassForRadius(c.radius), c.radius < 0.5f ? 1 : 2) << "the sizes the map was drawn for";
        EXPECT_EQ(TsLevelCursorQueries::CanWalkTo(&finder, pc, c.at[0], c.at[1]), c.reachable);
        finder.MarkOccupied(finder.CellFromWorld(c.at[0], c.at[1]), 0);
        EXPECT_EQ(TsLevelCursorQueries::CanWalkTo(&finder, pc, c.at[0], c.at[1]), c.reachable) << "occupied";
        finder.ClearOccupied(finder.CellFromWorld(c.at[0], c.at[1]), 0);
    }
    EXPECT_FALSE(TsLevelCursorQueries::CanWalkTo(&finder, nullptr, open[0], open[1])) << "nobody to walk";
    EXPECT_FALSE(TsLevelCursorQueries::CanWalkTo(nullptr, pc, open[0], open[1])) << "no map";
}

} // namespace
