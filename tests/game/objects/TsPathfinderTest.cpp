#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsWaypointObject.h"
#include "game/world/TsAIMap.h"
#include "tests/game/world/AIMapTestSupport.h"

using namespace aimap_test;

namespace {

constexpr int32_t kSide = TsPathfinder::kSide;
constexpr int32_t kNoRoute = -1;

// A 256 x 256 map of rooms: random wall blocks and wall lines with gaps,
// tiles of 0.5 m from the world origin.
void RoomsMap(TsAIMap& map, uint32_t seed)
{
    std::vector<std::string> rows(kSide, std::string(kSide, '.'));
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int i = 0; i < 60; ++i) { // blocks
        const int x = pick(0, 240), z = pick(0, 240), w = pick(2, 15), h = pick(2, 15);
        for (int r = z; r < z + h; ++r)
            for (int c = x; c < x + w; ++c)
                rows[size_t(r)][size_t(c)] = '#';
    }
    for (int i = 0; i < 12; ++i) { // long walls with a door
        const bool across = i % 2 == 0;
        const int at = pick(10, 245), door = pick(0, 250), from = pick(0, 100), to = pick(150, 255);
        for (int k = from; k <= to; ++k) {
            if (k >= door && k < door + 4)
                continue;
            (across ? rows[size_t(at)][size_t(k)] : rows[size_t(k)][size_t(at)]) = '#';
        }
    }
    FillMap(map, rows, 0.5f);
}

// Least steps from one cell to another over the cells the pathfinder lets
// through (the start cell itself is not tested), by breadth-first search:
// every step costs one.
int32_t Dijkstra(const TsPathfinder& finder, int32_t start, int32_t goal)
{
    if (!finder.IsPassable(goal))
        return kNoRoute;
    std::vector<int32_t> steps(TsPathfinder::kCellCount, kNoRoute);
    std::deque<int32_t> open{start};
    steps[size_t(start)] = 0;
    while (!open.empty()) {
        const int32_t cell = open.front();
        open.pop_front();
        if (cell == goal)
            return steps[size_t(cell)];
        for (int dz = -1; dz <= 1; ++dz)
            for (int dx = -1; dx <= 1; ++dx) {
                const int32_t next = TsPathfinder::CellIndex(cell % kSide + dx, cell / kSide + dz);
                if (next < 0 || steps[size_t(next)] != kNoRoute || !finder.IsPassable(next))
                    continue;
                steps[size_t(next)] = steps[size_t(cell)] + 1;
                open.push_back(next);
            }
    }
    return kNoRoute;
}

int32_t Chebyshev(int32_t a, int32_t b)
{
    return std::max(std::abs(a % kSide - b % kSide), std::abs(a / kSide - b / kSide));
}

// Steps of a found path: a straight walk is two points whose cells lie a
// Chebyshev distance apart; a searched route steps from cell to neighbouring cell.
int32_t PathSteps(const TsPathfinder& finder, const OmArray<OmVector3>& path, bool straight)
{
    const int32_t first = finder.CellFromWorld(path[0].x, path[0].z);
    if (straight)
        return Chebyshev(first, finder.CellFromWorld(path[1].x, path[1].z));
    for (uint32_t i = 1; i < path.GetCount(); ++i) {
        const int32_t a = finder.CellFromWorld(path[i - 1].x, path[i - 1].z);
        const int32_t b = finder.CellFromWorld(path[i].x, path[i].z);
        if (Chebyshev(a, b) != 1 || !finder.IsPassable(b))
            return -100; // not a walkable chain of neighbours
    }
    return int32_t(path.GetCount()) - 1;
}

class PathfinderTest : public ::testing::Test {
protected:
    // A small map drawn in text, the window at its corner.
    void Use(const std::vector<std::string>& rows, float tileSize = 1.0f)
    {
        world = WorldWith(rows, tileSize);
        finder.SetWorld(world.Get());
        finder.CentreOn(0, 0);
    }
    // The world coordinate of the centre of cell i, along x or z (row 0 at the bottom).
    static float At(int32_t i) { return float(i) + 0.5f; }
    bool Find(int32_t x1, int32_t z1, int32_t x2, int32_t z2, bool keyA = false, bool occupiedOK = false,
              int32_t limit = 100000)
    {
        return finder.FindPath(At(x1), At(z1), At(x2), At(z2), 1, keyA, occupiedOK, limit, path);
    }
    WorldPtr world;
    TsPathfinder finder;
    OmArray<OmVector3> path;
};

} // namespace

// A thousand random pairs on a map of rooms: every route the pathfinder
// finds is a walk from neighbour to neighbour that ends in the goal's cell;
// it finds none where the brute-force search finds none, and every one
// whose shortest route takes no more than half the step limit (its own
// routes run longer than the shortest, so nearer the limit it may miss).
TEST_F(PathfinderTest, RoutesWalkToTheGoalWhereABruteForceSearchFindsOne)
{
    TsAIMap map;
    RoomsMap(map, 7);
    world = WorldWith(std::move(map));
    finder.SetWorld(world.Get());
    finder.CentreOn(64, 64);
    int found = 0, refused = 0;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coordinate(0.0f, 127.99f);
    for (int i = 0; i < 1000; ++i) {
        const float x1 = coordinate(rng), z1 = coordinate(rng), x2 = coordinate(rng), z2 = coordinate(rng);
        const bool straight = finder.IsStraightWalkable(x1, z1, x2, z2, 1, false, false);
        finder.SetRequirements(1, false, false);
        const int32_t start = finder.CellFromWorld(x1, z1), goal = finder.CellFromWorld(x2, z2);
        const int32_t best = Dijkstra(finder, start, goal);
        path.RemoveAll();
        const bool ok = finder.FindPath(x1, z1, x2, z2, 1, false, false, 1 << 30, path);
        SCOPED_TRACE(std::to_string(i) + ": " + std::to_string(start) + " -> " + std::to_string(goal));
        if (best == kNoRoute) {
            EXPECT_FALSE(ok);
            ++refused;
            continue;
        }
        if (straight || best <= TsPathfinder::kMaxSteps / 2) {
            ASSERT_TRUE(ok) << best << " steps at least";
        }
        if (!ok)
            continue;
        ++found;
        EXPECT_EQ(finder.CellFromWorld(path[0].x, path[0].z), start);
        const int32_t steps = PathSteps(finder, path, straight);
        EXPECT_GE(steps, best);
        EXPECT_LE(steps, straight ? best : TsPathfinder::kMaxSteps);
        float goalX = x2, goalZ = z2;
        if (!straight)
            finder.CellCentre(goal, goalX, goalZ);
        EXPECT_FLOAT_EQ(path[path.GetCount() - 1].x, goalX);
        EXPECT_FLOAT_EQ(path[path.GetCount() - 1].z, goalZ);
    }
    EXPECT_GT(found, 500);
    EXPECT_GT(refused, 20);
}

// A wall across the way to a goal up and to the right, open only at its
// far end: the search slides along it toward the goal and finds the way
// round within the few hundred cells a non-player character may search.
TEST_F(PathfinderTest, ALongDetourIsFoundWithinANonPlayerCharactersSearch)
{
    constexpr int32_t kWidth = 120, kHeight = 110, kWallRow = 50, kGap = 96;
    constexpr int32_t kNonPlayerLimit = 500;
    std::vector<std::string> rows(kHeight, std::string(kWidth, '.'));
    for (int32_t x = 0; x < kGap; ++x)
        rows[size_t(kHeight - 1 - kWallRow)][size_t(x)] = '#';
    Use(rows);
    ASSERT_TRUE(Find(10, 10, 100, 100, false, false, kNonPlayerLimit));
    bool throughTheGap = false;
    for (uint32_t i = 0; i < path.GetCount(); ++i)
        throughTheGap |= finder.CellFromWorld(path[i].x, path[i].z) / kSide == kWallRow;
    EXPECT_TRUE(throughTheGap);
    EXPECT_EQ(PathSteps(finder, path, false), int32_t(path.GetCount()) - 1) << "a walk of neighbours";
}

TEST_F(PathfinderTest, GoalsThatCannotBeReachedOrEnteredGiveNoRoute)
{
    Use({"..........",
         ".####.....",
         ".#..#..kk.",
         ".####..kk.",
         ".........."});
    path.RemoveAll();
    EXPECT_FALSE(Find(0, 0, 2, 2)) << "a closed room";
    EXPECT_FALSE(Find(0, 0, 1, 1)) << "a wall";
    EXPECT_FALSE(Find(9, 4, 7, 1)) << "a marked tile without the key, however near";
    EXPECT_EQ(path.GetCount(), 0u) << "a failure leaves the path alone";
    EXPECT_TRUE(Find(9, 4, 7, 1, true));
    EXPECT_FALSE(Find(0, 0, 300, 0)) << "outside the window";
    EXPECT_FALSE(finder.FindPath(std::nanf(""), 0.5f, 3.5f, 0.5f, 1, false, false, 1000, path));
}

TEST_F(PathfinderTest, OccupiedCellsAreWallsUnlessTheSearchMayCrossThem)
{
    Use({"..#..",
         "..#..",
         ".....",
         "..#..",
         "..#.."});
    const int32_t door = TsPathfinder::CellIndex(2, 2);
    finder.MarkOccupied(door, 0);
    EXPECT_FALSE(Find(0, 2, 4, 2));
    EXPECT_TRUE(Find(0, 2, 4, 2, false, true));
    finder.ClearOccupied(door, 0);
    EXPECT_TRUE(Find(0, 2, 4, 2));
}

// The last cell of the window can be marked too (it used to be refused);
// cells outside it are ignored, and a square about a corner cell is clipped.
TEST_F(PathfinderTest, OccupiedMarksReachTheWindowsEdgesAndStopThere)
{
    Use({"..."});
    finder.MarkOccupied(TsPathfinder::kCellCount - 1, 0);
    EXPECT_TRUE(finder.GetCell(TsPathfinder::kCellCount - 1) & TsPathfinder::kOccupied);
    finder.MarkOccupied(TsPathfinder::kCellCount, 0);
    finder.MarkOccupied(-1, 3);
    EXPECT_FALSE(finder.GetCell(0) & TsPathfinder::kOccupied);
    finder.MarkOccupied(0, 1); // half size 1 about cell 0
    EXPECT_TRUE(finder.GetCell(TsPathfinder::CellIndex(1, 1)) & TsPathfinder::kOccupied);
    EXPECT_FALSE(finder.GetCell(TsPathfinder::CellIndex(2, 1)) & TsPathfinder::kOccupied);
}

TEST_F(PathfinderTest, StartAndGoalInOneCellGiveTheTwoPointsThemselves)
{
    Use({"..."});
    ASSERT_TRUE(finder.FindPath(0.2f, 0.3f, 0.7f, 0.9f, 1, false, false, 10, path));
    ASSERT_EQ(path.GetCount(), 2u);
    EXPECT_FLOAT_EQ(path[0].x, 0.2f);
    EXPECT_FLOAT_EQ(path[1].z, 0.9f);
}

// A diamond of blocked cells that meet only at their corners.
const std::vector<std::string> kDiagonalGap = {".#...", "#.#..", ".#...", "....."};

TEST_F(PathfinderTest, ARouteSqueezesDiagonallyBetweenTwoBlockedCells)
{
    Use(kDiagonalGap);
    ASSERT_TRUE(Find(0, 3, 1, 2));
    ASSERT_TRUE(Find(0, 3, 0, 1));
    EXPECT_EQ(path.GetCount(), 3u);
    EXPECT_FLOAT_EQ(path[1].x, 1.5f);
    EXPECT_FLOAT_EQ(path[1].z, 2.5f);
}

TEST_F(PathfinderTest, TheIterationLimitEndsASearchThatNeedsMore)
{
    Use(kDiagonalGap);
    EXPECT_FALSE(Find(0, 3, 0, 1, false, false, 1));
    EXPECT_TRUE(Find(0, 3, 0, 1, false, false, 3));
}

TEST_F(PathfinderTest, TheWindowFollowsItsFocusOverALargerMap)
{
    std::vector<std::string> rows(300, std::string(600, '.'));
    rows[size_t(299 - 10)][500] = '#';
    TsAIMap wide;
    FillMap(wide, rows, 2.0f, 4, 8);
    wide.aiMapOrigin.Set(-100, 0, 50);
    world = WorldWith(std::move(wide));
    finder.SetWorld(world.Get());
    finder.CentreOn(-100 + 2.0f * 504.5f, 50 + 2.0f * 18.5f);
    // Tile (504, 18) of the image is stored column 500, row 10.
    EXPECT_FALSE(finder.IsPassableAt(-100 + 2.0f * 504.5f, 50 + 2.0f * 18.5f, 1, false, false));
    EXPECT_TRUE(finder.IsPassableAt(-100 + 2.0f * 503.5f, 50 + 2.0f * 18.5f, 1, false, false));
    // Near the map's far side the window stops at the map's edge.
    EXPECT_FLOAT_EQ(finder.GetOriginX(), -100 + 2.0f * float(4 + 600 - 256));
    EXPECT_FLOAT_EQ(finder.GetOriginZ(), 50 + 2.0f * 8.0f);
    // Rows past the map's 300 are blocked.
    finder.CentreOn(-100, 50 + 2.0f * 1000);
    EXPECT_FLOAT_EQ(finder.GetOriginZ(), 50 + 2.0f * float(8 + 300 - 256));
    finder.CentreOn(-100, 50);
    EXPECT_FLOAT_EQ(finder.GetOriginX(), -100 + 2.0f * 4.0f);
    finder.SetRequirements(1, false, false);
    EXPECT_TRUE(finder.IsPassable(TsPathfinder::CellIndex(255, 255)));
    // A map narrower than the window leaves the rest blocked.
    Use({"...", "..."});
    EXPECT_TRUE(finder.IsPassable(TsPathfinder::CellIndex(2, 1)));
    EXPECT_FALSE(finder.IsPassable(TsPathfinder::CellIndex(3, 1)));
    EXPECT_FALSE(finder.IsPassable(TsPathfinder::CellIndex(0, 2)));
}

TEST_F(PathfinderTest, TheRouteAsAChainOfPathNodesRunsFromTheStartToTheGoal)
{
    Use({"......",
         ".####.",
         "......"});
    const uint32_t live = TsWaypointObject::s_pool.GetLiveCount();
    ASSERT_TRUE(Find(0, 1, 5, 1));
    {
        OmRef<TsWaypointObject> chain;
        ASSERT_TRUE(finder.FindPath(At(0), At(1), At(5), At(1), 1, false, false, 1000, chain));
        uint32_t i = 0;
        for (const TsWaypointObject* node = chain; node; node = node->GetNext(), ++i) {
            ASSERT_LT(i, path.GetCount());
            EXPECT_FLOAT_EQ(node->GetPosition().x, path[i].x);
            EXPECT_FLOAT_EQ(node->GetPosition().z, path[i].z);
        }
        EXPECT_EQ(i, path.GetCount());
    }
    EXPECT_EQ(TsWaypointObject::s_pool.GetLiveCount(), live) << "every node freed with the first";
    OmRef<TsWaypointObject> chain;
    EXPECT_FALSE(finder.FindPath(At(0), At(1), At(2), At(1), 1, false, false, 1000, chain));
    EXPECT_EQ(chain.Get(), nullptr);
}

TEST_F(PathfinderTest, CellsAndTheirCentresComeFromWorldPoints)
{
    Use({"..."}, 2.0f);
    EXPECT_EQ(finder.CellFromWorld(-1.9f, 0.5f), 0) << "up to a cell before the origin is cell 0";
    EXPECT_EQ(finder.CellFromWorld(-2.1f, 0.5f), -1);
    EXPECT_EQ(finder.CellFromWorld(511.9f, 511.9f), TsPathfinder::kCellCount - 1);
    EXPECT_EQ(finder.CellFromWorld(512.0f, 0.0f), -1);
    EXPECT_EQ(finder.CellFromWorld(std::nanf(""), 0.0f), -1);
    float x, z;
    finder.CellCentre(TsPathfinder::CellIndex(3, 2), x, z);
    EXPECT_FLOAT_EQ(x, 7.0f);
    EXPECT_FLOAT_EQ(z, 5.0f);
}

TEST_F(PathfinderTest, AClearanceClassComesFromARadiusInCells)
{
    Use({"..."}, 2.0f);
    struct Case {
        float radius;
        int32_t cls;
    };
    for (const Case& c : {Case{0.9f, 1}, Case{1.0f, 2}, Case{2.9f, 2}, Case{3.0f, 3}})
        EXPECT_EQ(finder.ClassForRadius(c.radius), c.cls) << c.radius;
}

TEST_F(PathfinderTest, AnOpenCellIsKeyAccessibleAndAPointOutsideTheWindowIsNot)
{
    Use({"..."}, 2.0f);
    EXPECT_TRUE(finder.IsKeyAccessible(1, 1, false));
    EXPECT_FALSE(finder.IsKeyAccessible(-5, 1, true));
}

// Six by four cells with a two by two block in the middle.
const std::vector<std::string> kBlockInTheMiddle = {"......",
                                                    "..##..",
                                                    "..##..",
                                                    "......"};

TEST_F(PathfinderTest, ADestinationIsTheNearestWalkablePointBackTowardTheStart)
{
    Use(kBlockInTheMiddle);
    OmVector3 out(0, 7, 0);
    const OmVector3 from(0.5f, 0, 1.5f);
    // A walkable destination is itself, not its cell's centre.
    ASSERT_TRUE(finder.GetValidDestination(from, OmVector3(5.2f, 0, 1.3f), 0.1f, false, false, out));
    EXPECT_FLOAT_EQ(out.x, 5.2f);
    // Inside the wall: the first open cell walking back toward from.
    out.y = 7.0f;
    ASSERT_TRUE(finder.GetValidDestination(from, OmVector3(3.5f, 0, 1.5f), 0.1f, false, false, out));
    EXPECT_FLOAT_EQ(out.x, 1.5f);
    EXPECT_FLOAT_EQ(out.z, 1.5f);
    EXPECT_FLOAT_EQ(out.y, 7.0f) << "y is kept";
    EXPECT_FALSE(finder.GetValidDestination(OmVector3(2.5f, 0, 1.5f), OmVector3(3.5f, 0, 1.5f), 0.1f, false,
                                            false, out))
        << "from inside a wall";
}

TEST_F(PathfinderTest, APositionInAWallIsPushedOutAlongItsDirection)
{
    Use(kBlockInTheMiddle);
    OmVector3 out;
    ASSERT_TRUE(finder.GetValidPosition(OmVector3(2.5f, 0, 2.5f), OmVector3(1, 0, 0), 8.0f, 0.1f, false, false, out));
    EXPECT_FLOAT_EQ(out.x, 4.5f);
    EXPECT_FALSE(finder.GetValidPosition(OmVector3(2.5f, 0, 2.5f), OmVector3(0, 0, 0), 8.0f, 0.1f, false, false,
                                         out))
        << "no direction to push along";
}

TEST_F(PathfinderTest, AStraightWalkIsRefusedWhenItCrossesAWall)
{
    Use(kBlockInTheMiddle);
    EXPECT_TRUE(finder.IsStraightWalkable(0.5f, 0.5f, 5.5f, 0.5f, 1, false, false));
    EXPECT_FALSE(finder.IsStraightWalkable(0.5f, 1.5f, 5.5f, 2.5f, 1, false, false));
}

