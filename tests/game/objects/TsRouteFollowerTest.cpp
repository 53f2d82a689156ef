#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "game/objects/TsPathfinder.h"
#include "game/objects/TsRouteFollower.h"
#include "tests/game/objects/WaypointChain.h"
#include "tests/game/world/AIMapTestSupport.h"

// A square loop four units a side, walked 0.2 a step: once round in 80
// steps, every step on its edges, and never done.
TEST(RouteFollower, ALoopIsFollowedRoundAndRoundOnItsEdges)
{
    WaypointChain loop({{0, 0}, {4, 0}, {4, 4}, {0, 4}});
    loop[3]->SetNext(loop[0]);
    TsRouteFollower follower;
    ASSERT_TRUE(follower.Lay(*loop[0]));
    int wraps = 0;
    for (int t = 1; t < 2000; ++t) {
        float progress = 0.0f, x = 0.0f, z = 0.0f;
        ASSERT_TRUE(follower.Step(0.2f, progress, x, z));
        wraps += progress < follower.GetProgress() ? 1 : 0;
        follower.SetProgress(progress);
        const bool onEdge = std::fabs(x) < 1e-3f || std::fabs(x - 4) < 1e-3f || std::fabs(z) < 1e-3f ||
                            std::fabs(z - 4) < 1e-3f;
        ASSERT_TRUE(onEdge) << "step " << t << " at " << x << "," << z;
        ASSERT_FALSE(follower.IsDone(OmVector3(x, 0.0f, z))) << "step " << t;
    }
    EXPECT_EQ(wraps, 24) << "just short of the 25th time round";
}

// Within a hundredth of its last point; a track with nothing on it anywhere.
TEST(RouteFollower, AnOpenTrackIsDoneAtItsEndOrOnceTheProgressGetsThere)
{
    const WaypointChain chain({{0, 0}, {4, 0}});
    const struct {
        float x, progress;
        bool done;
    } cases[] = {{0.0f, 0.0f, false}, {3.98f, 0.99f, false}, {3.995f, 0.5f, true}, {2.0f, 1.0f, true}};
    TsRouteFollower follower;
    ASSERT_TRUE(follower.Lay(*chain[0]));
    for (const auto& c : cases) {
        follower.SetProgress(c.progress);
        EXPECT_EQ(follower.IsDone(OmVector3(c.x, 0.0f, 0.0f)), c.done) << c.x << " at " << c.progress;
    }
    follower.Stop();
    EXPECT_TRUE(follower.IsDone(OmVector3()));
}

// A wall with a gap at its far end: of the pathfinder's route through every
// cell the track keeps the start, the turns on either side of the gap, where
// no straight walk passes the wall, and the goal.
TEST(RouteFollower, APlannedTrackKeepsOnlyTheNodesNoStraightWalkCanSkip)
{
    const aimap_test::WorldPtr world = aimap_test::WorldWith({"..........", "#########.", ".........."});
    TsPathfinder finder;
    finder.SetWorld(world.Get());
    finder.CentreOn(0, 0);
    TsRouteFollower follower;
    ASSERT_TRUE(follower.Plan(finder, OmVector3(0.5f, 0, 0.5f), OmVector3(0.5f, 0, 2.5f), 1, 10000));
    using Points = std::vector<std::pair<float, float>>;
    Points kept;
    const TsPathTrack& track = follower.GetTrack();
    for (uint32_t i = 0; i < track.GetCount(); ++i)
        kept.emplace_back(track.GetPoints()[i].x, track.GetPoints()[i].z);
    EXPECT_EQ(kept, (Points{{0.5f, 0.5f}, {8.5f, 0.5f}, {9.5f, 1.5f}, {8.5f, 2.5f}, {0.5f, 2.5f}}));
    EXPECT_FALSE(follower.Plan(finder, OmVector3(0.5f, 0, 0.5f), OmVector3(4.5f, 0, 1.5f), 1, 10000));
    EXPECT_EQ(follower.GetTrack().GetCount(), 0u) << "a goal in the wall leaves nothing to walk";
}
