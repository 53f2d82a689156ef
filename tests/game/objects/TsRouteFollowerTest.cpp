#include <gtest/gtest.h>

#include <cmath>

#include "game/objects/TsRouteFollower.h"

// A square loop four units a side, walked 0.2 a step: once round in 80
// steps, every step on its edges, and never done.
TEST(RouteFollower, ALoopIsFollowedRoundAndRoundOnItsEdges)
{
    TsRouteFollower follower;
    TsPathTrack& track = follower.GetTrack();
    const float corners[4][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    track.GetPoints().Resize(4);
    for (uint32_t i = 0; i < 4; ++i) {
        track.GetPoints()[i] = TsPathTrack::Point{.x = corners[i][0], .z = corners[i][1], .start = 0.25f * float(i)};
        TsPathTrack::AimAt(track.GetPoints()[i], corners[(i + 1) % 4][0], corners[(i + 1) % 4][1]);
    }
    track.SetLength(16.0f);
    track.SetClosed(true);
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
