// The world's queries against the demo level (two rooms, a corridor, a
// ramp; see tools/DemoLevel.h).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <utility>
#include <vector>

#include "WorldTestSupport.h"
#include "engine/OmMatrix4.h"
#include "engine/OmMaxLight.h"
#include "engine/OmRef.h"
#include "platform/CameraMatrix.h"

using namespace worldtest;

namespace {

// Room for quantisation: a cell is 8 units wide and the level 3.25 high,
// in 65535 steps.
constexpr float kTolerance = 2.0e-3f;

class DemoLevelTest : public WorldTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(HaveDemoLevel()) << "the demo level is missing: run tools/make-data BUILD_DIR";
        world = ImportDemo();
        ASSERT_NE(world, nullptr);
    }
    // The camera ten units above room A's centre, looking down.
    void LookDownOnRoomA()
    {
        float values[16];
        plat::MatrixPerspectiveFovLH(values, 1.0f, 640.0f / 480.0f, 0.5f, 100.0f);
        OmMatrix4 view, projection;
        projection.Set(values);
        BuildLookAtMatrix(OmVector3(4, 10, 4.01f), OmVector3(4, 0, 4), OmVector3(0, 1, 0), view);
        renderer.SetViewMatrix(&view);
        renderer.SetProjectionMatrix(&projection);
    }
    OmRef<TsWorld> world;
};

} // namespace

TEST_F(DemoLevelTest, SegmentsStopAtWallsAndPassThroughDoorways)
{
    struct Case {
        const char* what;
        OmVector3 from, to;
        bool hits;
        OmVector3 point, normal;
    } cases[] = {
        {"room A's west wall", {4, 1, 4}, {-1, 1, 4}, true, {0, 1, 4}, {1, 0, 0}},
        {"room A's east wall beside the door", {4, 1, 1}, {10, 1, 1}, true, {8, 1, 1}, {-1, 0, 0}},
        {"room A's north wall", {2, 2, 4}, {2, 2, 12}, true, {2, 2, 8}, {0, 0, -1}},
        {"room B's east wall, slanting", {13, 1.5f, 2}, {22, 1.5f, 6.5f}, true, {20, 1.5f, 5.5f}, {-1, 0, 0}},
        {"the corridor's south wall", {10, 1, 4}, {10, 1, 0}, true, {10, 1, 3}, {0, 0, 1}},
        {"through both doorways", {4, 1, 4}, {16, 1, 4}, false, {}, {}},
        {"along the corridor's floor", {9, 0.5f, 4}, {11, 0.5f, 4}, false, {}, {}},
        {"the floor from above", {5, 2, 5}, {5, -2, 5}, true, {5, 0, 5}, {0, 1, 0}},
        {"the ramp's slope", {16, 3, 2}, {16, -1, 2}, true, {16, 0.5f, 2}, {-0.2425f, 0.9701f, 0}},
        {"a wall from behind (back faces)", {-0.1f, 1, 4}, {4, 1, 4}, false, {}, {}},
        {"over the walls", {4, 3.5f, 4}, {16, 3.5f, 4}, false, {}, {}},
        {"outside the level", {-10, 1, -10}, {-20, 1, -20}, false, {}, {}},
    };
    for (const Case& c : cases) {
        TsWorldHit hit;
        const bool hits = world->CastSegmentStatic(c.from, c.to, hit, false);
        EXPECT_EQ(hits, c.hits) << c.what;
        if (!hits || !c.hits)
            continue;
        EXPECT_LT((hit.point - c.point).Length(), kTolerance) << c.what;
        EXPECT_LT((hit.normal - c.normal).Length(), 1e-3f) << c.what;
        EXPECT_NEAR(hit.distance, (hit.point - c.from).Length(), 1e-4f) << c.what;
        // The reported triangle holds the point.
        OmVector3 cross;
        CrossProduct(hit.corner1 - hit.corner0, hit.corner2 - hit.corner0, cross);
        EXPECT_NEAR(std::fabs((hit.point - hit.corner0).Dot(cross)) / cross.Length(), 0.0f, kTolerance) << c.what;
    }
}

TEST_F(DemoLevelTest, SegmentsThatCannotBeWalkedHitNothing)
{
    const OmVector3 unwalkable[][2] = {
        {{NAN, 1, 4}, {4, 1, 4}},
        {{4, 1, 4}, {INFINITY, 1, 4}},
        {{-3.0e38f, 1, 4}, {3.0e38f, 1, 4}},
        {{1.0e30f, 1, 1.0e30f}, {1.0e30f, -1, 1.0e30f}},
    };
    for (const auto& c : unwalkable) {
        TsWorldHit hit;
        world->CastSegmentStatic(c[0], c[1], hit, true); // must neither crash nor read outside the grid
        EXPECT_TRUE(hit.distance == FLT_MAX || std::isfinite(hit.point.x));
    }
}

TEST_F(DemoLevelTest, ALongSegmentIsClippedToTheGridAndStillWalked)
{
    TsWorldHit hit;
    EXPECT_TRUE(world->CastSegmentStatic(OmVector3(-1.0e6f, 1, 4), OmVector3(1.0e6f, 1, 4), hit, false));
    EXPECT_NEAR(hit.point.x, -0.25f, kTolerance);
}

// The floors span whole 8-unit cells: their triangles' edges run the full
// 16-bit range, whose products overflow 32-bit integers.
TEST_F(DemoLevelTest, GroundHeightsFollowTheFloorAndTheRamp)
{
    struct Ground {
        OmVector3 point;
        float height;
    } grounds[] = {
        {{4, 1, 4}, 0.0f},          {{0.01f, 0.5f, 0.01f}, 0.0f}, {{10, 1, 4}, 0.0f},
        {{14.5f, 1, 2}, 0.125f},    {{16, 1.5f, 2}, 0.5f},        {{17.9f, 2, 1.1f}, 0.975f},
        {{16, 1, 4}, 0.0f},         {{4, 6, 4}, FLT_MAX},         {{4, -1, 4}, FLT_MAX},
        {{30, 1, 4}, FLT_MAX},      {{7.99f, 4.9f, 0.01f}, 0.0f},
    };
    for (const Ground& c : grounds) {
        const float height = world->GetGroundHeight(c.point);
        EXPECT_TRUE(height == c.height || std::fabs(height - c.height) < kTolerance) << c.point.x << "," << c.point.z;
    }
}

// The entities stand on the world made their ground (the played level's),
// never on one merely made or loaded, and no longer on one gone.
TEST_F(DemoLevelTest, EntitiesStandOnTheWorldMadeTheirGroundAlone)
{
    const auto loaded = OmRef<TsWorld>::Adopt(TsWorld::LoadWorld(DemoFile("demo.tsw").c_str()));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(TsEntity::GetGroundProbe(), nullptr) << "a world made or loaded is nobody's ground";
    world->BecomeGround();
    TsGroundProbe* probe = TsEntity::GetGroundProbe();
    ASSERT_NE(probe, nullptr);
    EXPECT_NEAR(probe->GetGroundHeight(OmVector3(16, 1.5f, 2)), 0.5f, kTolerance);
    float height = 0.0f;
    EXPECT_TRUE(probe->CastSegmentStatic(OmVector3(5, 50, 5), OmVector3(5, -50, 5), height));
    EXPECT_NEAR(height, 0.0f, kTolerance);
    world = nullptr;
    EXPECT_EQ(TsEntity::GetGroundProbe(), nullptr) << "a world gone answers no more";
}

TEST_F(DemoLevelTest, AllIntersectionsOfADownwardRayOnly)
{
    // The ramp's slope and the floor under the ramp, in walk order.
    OmVector3 points[8];
    ASSERT_EQ(world->FindAllIntersections(OmVector3(15, 5, 2), OmVector3(0, -1, 0), points, 8, false), 2);
    EXPECT_NEAR(std::max(points[0].y, points[1].y), 0.25f, kTolerance);
    EXPECT_NEAR(std::min(points[0].y, points[1].y), 0.0f, kTolerance);
    EXPECT_EQ(world->FindAllIntersections(OmVector3(15, 5, 2), OmVector3(0, -1, 0), points, 1, false), 1)
        << "a full array stops the walk";
    // Upward, sideways, or with no room for an answer: nothing.
    const std::pair<OmVector3, int> misses[] = {{{0, 1, 0}, 8}, {{1, 0, 0}, 8}, {{0, -1, 0}, 0}};
    for (const auto& [direction, room] : misses)
        EXPECT_EQ(world->FindAllIntersections(OmVector3(16, 5, 2), direction, points, room, false), 0);
}

TEST_F(DemoLevelTest, PickingFindsTheFloorUnderAPixel)
{
    LookDownOnRoomA();
    for (const OmVector3& target : {OmVector3(4, 0, 4), OmVector3(6.5f, 0, 2), OmVector3(1.5f, 0, 6.5f)}) {
        float x = 0, y = 0, depth = 0;
        ASSERT_TRUE(world->WorldToScreen(target, x, y, depth));
        EXPECT_GT(depth, 0.5f);
        OmVector3 points[4];
        int32_t count = 0;
        ASSERT_TRUE(world->PickScreenPoint(x * 640.0f, y * 480.0f, points, count, 4));
        // The floor only (a triangle over two touched bins comes once per
        // bin): liquids and back faces are not picked.
        ASSERT_GE(count, 1);
        for (int32_t i = 0; i < count; ++i)
            EXPECT_LT((points[i] - target).Length(), 0.01f);
    }
}

TEST_F(DemoLevelTest, APointAtTheNearPlaneLiesAtHalfDepthAndOneBehindTheEyeIsOff)
{
    LookDownOnRoomA();
    float x = 0, y = 0, depth = 0;
    EXPECT_TRUE(world->WorldToScreen(OmVector3(4, 9.5f, 4.01f), x, y, depth));
    EXPECT_NEAR(depth, 0.5f, 1e-3f);
    EXPECT_FALSE(world->WorldToScreen(OmVector3(4, 10, 4.01f), x, y, depth)) << "w = 0 is not visible";
    EXPECT_FALSE(world->WorldToScreen(OmVector3(4, 20, 4), x, y, depth));
}

// Lights of no strength take no slot; a light is significant above 0.1;
// with more lights than slots the strongest stay. Omni white lights with
// no attenuation shine at their multiplier.
TEST_F(WorldTest, StrongestLightsKeepTheBrightestAndCountTheSignificantOnes)
{
    const struct {
        std::vector<float> multipliers;
        int32_t slots, filled, significant;
        float strongest; // the sum of the kept strengths
    } cases[] = {
        {{0.5f, 0.05f, 0.0f}, 4, 2, 1, 0.55f},
        {{0.3f, 0.6f, 0.2f, 0.9f, 0.4f}, 2, 2, 5, 1.5f},
        {{}, 4, 0, 0, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.multipliers.size());
        const auto world = OmMakeRef<TsWorld>();
        float sum = 0.0f;
        for (float m : c.multipliers) {
            auto light = OmMakeRef<OmMaxLight>();
            light->on = 1;
            light->type = OmMaxLight::kOmni;
            light->position = OmVector3(1, 0, 0);
            light->colour[0] = light->colour[1] = light->colour[2] = 1.0f;
            light->multiplier = m;
            world->GetLights().push_back(std::move(light));
            sum += m;
        }
        OmMaxLight* lights[4];
        float strengths[4], colour[4], total = -1.0f;
        int32_t significant = -1;
        EXPECT_EQ(world->FindStrongestLights(OmVector3(), c.slots, lights, strengths, colour, total, significant),
                  c.filled);
        EXPECT_EQ(significant, c.significant);
        EXPECT_NEAR(total, sum, 1e-5f) << "strength times red, over every light";
        float kept = 0.0f;
        for (int32_t i = 0; i < c.slots; ++i)
            kept += strengths[i];
        EXPECT_NEAR(kept, c.strongest, 1e-5f);
    }
}
