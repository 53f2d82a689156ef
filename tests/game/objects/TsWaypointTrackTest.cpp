// Waypoint chains flattened into tracks, smoothed and released, and the
// tracks characters follow along them.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmArray.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsObject.h"
#include "game/objects/TsPathTrack.h"
#include "game/objects/TsWaypointObject.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"
#include "tests/game/objects/WaypointChain.h"

namespace {

std::vector<float> Starts(const TsPathTrack& track)
{
    std::vector<float> starts;
    for (uint32_t i = 0; i < track.GetCount(); ++i)
        starts.push_back(track.GetPoints()[i].start);
    return starts;
}

// Walls at the given x: a straight walk may not cross any of them.
struct Walls : TsStraightWalkTest {
    std::vector<float> xs;
    bool CanWalkStraight(float fromX, float, float toX, float) override
    {
        for (float x : xs) {
            if ((fromX < x) != (toX < x))
                return false;
        }
        return true;
    }
};

} // namespace

TEST(TsWaypointTrack, ChainsFlattenIntoTracksWithEachPointAtItsShareOfTheLength)
{
    const struct {
        const char* what;
        std::vector<std::pair<float, float>> points;
        int closeOnto; // index the last node links back to, -1 for none
        bool closed;
        std::vector<float> starts; // empty: the track is done at once
    } cases[] = {
        {"two points", {{0, 0}, {3, 4}}, -1, false, {0.0f, 1.0f}},
        {"closed triangle", {{0, 0}, {3, 0}, {3, 4}}, 0, true, {0.0f, 3.0f / 12.0f, 7.0f / 12.0f}},
        {"loop onto the middle", {{0, 0}, {2, 0}, {2, 2}}, 1, false, {0.0f, 2.0f / 6.0f, 4.0f / 6.0f, 1.0f}},
        {"one point", {{5, 5}}, -1, false, {}},
        {"all on one spot", {{1, 1}, {1, 1}}, -1, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WaypointChain chain(c.points);
        if (c.closeOnto >= 0)
            chain.nodes.back()->SetNext(chain[size_t(c.closeOnto)]);
        TsPathTrack track;
        chain[0]->BuildTrack(track);
        EXPECT_EQ(track.IsDone(), c.starts.empty());
        if (!c.starts.empty()) {
            EXPECT_EQ(track.IsClosed(), c.closed);
            const std::vector<float> starts = Starts(track);
            ASSERT_EQ(starts.size(), c.starts.size());
            for (size_t i = 0; i < starts.size(); ++i)
                EXPECT_NEAR(starts[i], c.starts[i], 1e-6f) << "point " << i;
        }
    }
}

// The open end of a route (no target) imports, saying so, and ends its chain.
TEST(TsWaypointTrack, ARouteEndsWithoutATargetButATargetNamingNothingFailsTheImport)
{
    struct End {
        const char* target;
        bool imported;
        const char* logged;
    } ends[] = {
        {nullptr, true, "Waypoint end has no target: its route ends there"},
        {"", true, "Waypoint end has no target: its route ends there"},
        {"nowhere", false, ""},
    };
    for (const End& c : ends) {
        LogCapture log;
        auto point = OmMakeRef<TsWaypointObject>();
        point->SetName("end");
        if (c.target)
            point->SetTarget(c.target);
        EXPECT_EQ(point->Import(), c.imported) << (c.target ? c.target : "(none)");
        EXPECT_EQ(point->GetNext(), nullptr);
        EXPECT_EQ(log.Contains(c.logged), true) << log.All();
        if (!*c.logged) {
            EXPECT_EQ(log.All().find("route ends"), std::string::npos);
        }
    }
}

// A zigzag with a wall between x = 2 and x = 3: the corner at x = 2
// must stay, the nodes in the open stretches go, and go free.
TEST(TsWaypointTrack, SmoothingKeepsTheCornersAWallNeedsAndFreesTheRest)
{
    const uint32_t live = TsWaypointObject::s_pool.GetLiveCount();
    OmArray<OmVector3> points;
    for (auto [x, z] : {std::pair{0.0f, 0.0f}, {1.0f, 1.0f}, {2.0f, 0.0f}, {2.5f, 5.0f}, {4.0f, 0.0f},
                        {5.0f, 1.0f}, {6.0f, 0.0f}})
        points.Add(OmVector3(x, 0.0f, z));
    const OmRef<TsWaypointObject> path = TsWaypointObject::MakePath(points);
    Walls walls;
    walls.xs = {2.25f};
    path->Smooth(walls);

    std::vector<float> kept;
    for (const TsWaypointObject* n = path; n; n = n->GetNext())
        kept.push_back(n->GetPosition().x);
    EXPECT_EQ(kept, (std::vector<float>{0.0f, 2.0f, 2.5f, 6.0f}));
    EXPECT_EQ(TsWaypointObject::s_pool.GetLiveCount(), live + 4) << "the three cut nodes are freed";
}

// A route's waypoints are the level's, however straight the way between them.
TEST(TsWaypointTrack, SmoothingARouteLeavesTheLevelsWaypointsAlone)
{
    WaypointChain loop({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    loop[3]->SetNext(loop[0]);
    Walls open;
    loop[0]->Smooth(open);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loop[i]->GetNext(), loop[(i + 1) % 4]);
        EXPECT_EQ(loop[i]->GetRefCount(), 1u);
    }
}

// Any saved object can carry a track: a character saves the one it follows.
class TrackHolder : public TsObject {
    OM_DECLARE_TEST_CLASS(TrackHolder, TsObject)
    void Write(OmArchive& archive) override
    {
        TsObject::Write(archive);
        track.Write(archive);
    }
    void Read(OmArchive& archive) override
    {
        TsObject::Read(archive);
        track.Read(archive);
    }
    TsPathTrack track;
};
OM_IMPLEMENT_CLASS(TrackHolder, TsObject)

TEST(TsWaypointTrack, TracksAndChainsSurviveTheArchive)
{
    ScratchDir dir;
    WaypointChain chain({{0, 0}, {0, 3}, {4, 3}});
    chain[0]->SetName("first");
    chain[1]->SetName("second");
    const auto holder = OmMakeRef<TrackHolder>();
    chain[0]->BuildTrack(holder->track);
    holder->track.SetCursor(1);
    ASSERT_TRUE(SaveRoots({chain[0], holder}, "chain.sav"));
    const std::vector<OmRef<OmObject>> roots = LoadRoots("chain.sav");
    const TsWaypointObject* first = RootAs<TsWaypointObject>(roots, 0);
    const TrackHolder* loaded = RootAs<TrackHolder>(roots, 1);
    ASSERT_TRUE(first && loaded);
    ASSERT_NE(first->GetNext(), nullptr);
    const auto second = OmRef<TsWaypointObject>::Adopt(first->GetNext()); // the loaded copies' own
    const auto third = OmRef<TsWaypointObject>::Adopt(second->GetNext());
    EXPECT_STREQ(second->GetName(), "second");
    const std::vector<float> starts = Starts(loaded->track);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_FLOAT_EQ(starts[1], 3.0f / 7.0f);
    EXPECT_FLOAT_EQ(loaded->track.GetLength(), 7.0f);
    EXPECT_EQ(loaded->track.GetCursor(), 1);
}
