// A* on a 256 x 256 map of rooms, walls and doors: the game's pathfinder
// (search state packed into the 16-bit cell words, a heap of packed
// entries) against a plain A* over the same cells with std::priority_queue,
// on the same queries with the same moves, estimate and rules (three steps
// a tile of Manhattan distance, each cell settled when first reached, no
// route past the step limit). The queries are those whose shortest route
// takes 20 to 254 steps; the searches find good routes, not always the
// shortest, and miss some of the longest. Prints the ratio, the routes
// each found and their mean length.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <queue>
#include <random>
#include <utility>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/OmArray.h"
#include "game/objects/TsPathfinder.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldAIMap.h"

namespace {

constexpr int32_t kSide = TsPathfinder::kSide;
constexpr float kTile = 0.5f;
constexpr int kQueries = 200;

struct Query {
    float x1, z1, x2, z2;
};

// Rooms: random wall blocks and long walls with doors.
void BuildMap(TsAIMap& map)
{
    std::vector<uint8_t> open(size_t(kSide * kSide), 1);
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int i = 0; i < 60; ++i) {
        const int x = pick(0, 240), z = pick(0, 240), w = pick(2, 15), h = pick(2, 15);
        for (int r = z; r < z + h; ++r)
            for (int c = x; c < x + w; ++c)
                open[size_t(r * kSide + c)] = 0;
    }
    for (int i = 0; i < 12; ++i) {
        const bool across = i % 2 == 0;
        const int at = pick(10, 245), door = pick(0, 250), from = pick(0, 100), to = pick(150, 255);
        for (int k = from; k <= to; ++k)
            if (k < door || k >= door + 4)
                open[size_t(across ? at * kSide + k : k * kSide + at)] = 0;
    }
    map.aiRows = map.aiColumns = kSide;
    map.aiLastColumn = map.aiLastRow = kSide - 1;
    map.aiTileSize = kTile;
    map.aiTileSizeInverse = 1.0f / kTile;
    map.codes.Resize(uint32_t(kSide * kSide));
    for (int32_t i = 0; i < kSide * kSide; ++i)
        map.codes.Set(uint32_t(i), open[size_t(i)]);
}

// The plain A*: g and parent arrays, a std::priority_queue of (f, cell),
// every step costing 1. Shortest: the larger axis distance as the
// estimate, stale entries skipped (the queries are chosen with it). Else
// the game's rules. Answers the step count (-1 for none) and fills the
// path's cell centres.
class PlainAStar {
public:
    // The walkable cells are read once, so the search tests a byte in its
    // own array instead of calling into the pathfinder.
    explicit PlainAStar(const TsPathfinder& finder, bool shortest)
        : m_finder(finder), m_shortest(shortest), m_passable(kSide * kSide), m_g(kSide * kSide),
          m_parent(kSide * kSide)
    {
        for (int32_t i = 0; i < kSide * kSide; ++i)
            m_passable[size_t(i)] = finder.IsPassable(i);
    }

    int Find(int32_t start, int32_t goal, std::vector<std::pair<float, float>>& path)
    {
        std::fill(m_g.begin(), m_g.end(), INT32_MAX);
        using Entry = std::pair<int32_t, int32_t>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
        m_g[size_t(start)] = 0;
        open.push({Estimate(start, goal), start});
        while (!open.empty()) {
            const auto [f, cell] = open.top();
            open.pop();
            const int32_t g = m_g[size_t(cell)];
            if (m_shortest && f != g + Estimate(cell, goal))
                continue;
            if (!m_shortest && g > TsPathfinder::kMaxSteps)
                return -1;
            if (cell == goal)
                return Rebuild(start, goal, path);
            const int32_t cx = cell % kSide, cz = cell / kSide;
            for (int dz = -1; dz <= 1; ++dz)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int32_t next = TsPathfinder::CellIndex(cx + dx, cz + dz);
                    if ((dx == 0 && dz == 0) || next < 0 || !m_passable[size_t(next)])
                        continue;
                    if (m_shortest ? m_g[size_t(next)] <= g + 1 : m_g[size_t(next)] != INT32_MAX)
                        continue;
                    m_g[size_t(next)] = g + 1;
                    m_parent[size_t(next)] = cell;
                    open.push({g + 1 + Estimate(next, goal), next});
                }
        }
        return -1;
    }

private:
    int32_t Estimate(int32_t a, int32_t b) const
    {
        const int32_t dx = std::abs(a % kSide - b % kSide), dz = std::abs(a / kSide - b / kSide);
        return m_shortest ? std::max(dx, dz) : int32_t(TsPathfinder::kEstimateWeight) * (dx + dz);
    }
    int Rebuild(int32_t start, int32_t goal, std::vector<std::pair<float, float>>& path)
    {
        path.clear();
        for (int32_t cell = goal;; cell = m_parent[size_t(cell)]) {
            float x, z;
            m_finder.CellCentre(cell, x, z);
            path.emplace_back(x, z);
            if (cell == start)
                break;
        }
        std::reverse(path.begin(), path.end());
        return m_g[size_t(goal)];
    }

    const TsPathfinder& m_finder;
    bool m_shortest;
    std::vector<uint8_t> m_passable;
    std::vector<int32_t> m_g;
    std::vector<int32_t> m_parent;
};

// Found routes and their mean length in steps, over the queries.
struct Tally {
    int found = 0;
    double steps = 0.0;
    void Add(int length)
    {
        if (length < 0)
            return;
        ++found;
        steps += length;
    }
    double Mean() const { return found > 0 ? steps / found : 0.0; }
};

struct Setup {
    TsWorld* world = new TsWorld; // kept for the program's run
    TsPathfinder finder;
    std::vector<Query> queries;
    std::vector<int> shortest;
    std::vector<int> lengths; // the game's routes, -1 for none
    Tally game, plain;

    Setup()
    {
        TsAIMap map;
        BuildMap(map);
        TsWorldAIMap::Install(*world, std::move(map));
        finder.SetWorld(world);
        finder.CentreOn(64, 64);
        // Queries the search must answer: no straight walk, a route within
        // the step limit (checked with the shortest-route search).
        finder.SetRequirements(1, false, false);
        PlainAStar best(finder, true);
        std::vector<std::pair<float, float>> path;
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> coordinate(0.0f, kSide * kTile - 0.01f);
        while (int(queries.size()) < kQueries) {
            const Query q{coordinate(rng), coordinate(rng), coordinate(rng), coordinate(rng)};
            if (finder.IsStraightWalkable(q.x1, q.z1, q.x2, q.z2, 1, false, false))
                continue;
            const int steps = best.Find(finder.CellFromWorld(q.x1, q.z1), finder.CellFromWorld(q.x2, q.z2), path);
            if (steps < 20 || steps > TsPathfinder::kMaxSteps)
                continue;
            queries.push_back(q);
            shortest.push_back(steps);
        }
        Answer();
    }

    // What each search answers, for the timed runs to hold to.
    void Answer()
    {
        OmArray<OmVector3> route;
        finder.SetRequirements(1, false, false);
        PlainAStar same(finder, false);
        std::vector<std::pair<float, float>> path;
        for (const Query& q : queries) {
            const bool found = finder.FindPath(q.x1, q.z1, q.x2, q.z2, 1, false, false, 1 << 30, route);
            lengths.push_back(found ? int(route.GetCount()) - 1 : -1);
            game.Add(lengths.back());
            finder.SetRequirements(1, false, false);
            plain.Add(same.Find(finder.CellFromWorld(q.x1, q.z1), finder.CellFromWorld(q.x2, q.z2), path));
        }
    }
};

Setup& Shared()
{
    static Setup setup;
    return setup;
}

void BM_Pathfinder(benchmark::State& state)
{
    Setup& s = Shared();
    OmArray<OmVector3> path;
    for (auto _ : state) {
        for (int i = 0; i < kQueries; ++i) {
            const Query& q = s.queries[size_t(i)];
            const bool found = s.finder.FindPath(q.x1, q.z1, q.x2, q.z2, 1, false, false, 1 << 30, path);
            if ((found ? int(path.GetCount()) - 1 : -1) != s.lengths[size_t(i)]) {
                state.SkipWithError("the pathfinder answers a query differently from one run to the next");
                return;
            }
        }
        benchmark::DoNotOptimize(path.GetData());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kQueries);
}

void BM_PlainPriorityQueue(benchmark::State& state)
{
    Setup& s = Shared();
    s.finder.SetRequirements(1, false, false);
    PlainAStar plain(s.finder, false);
    std::vector<std::pair<float, float>> path;
    for (auto _ : state) {
        for (int i = 0; i < kQueries; ++i) {
            const Query& q = s.queries[size_t(i)];
            const int steps =
                plain.Find(s.finder.CellFromWorld(q.x1, q.z1), s.finder.CellFromWorld(q.x2, q.z2), path);
            benchmark::DoNotOptimize(steps);
        }
        benchmark::DoNotOptimize(path.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kQueries);
}

BENCHMARK(BM_PlainPriorityQueue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pathfinder)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double plain = reporter.Time("BM_PlainPriorityQueue");
    const double ours = reporter.Time("BM_Pathfinder");
    if (plain > 0 && ours > 0) {
        const Setup& s = Shared();
        double sum = 0;
        for (int l : s.shortest)
            sum += l;
        std::printf("\n%d searched queries on a 256 x 256 map, shortest routes a mean %.1f steps\n", kQueries,
                    sum / kQueries);
        std::printf("routes found: pathfinder %d, mean %.1f steps; plain %d, mean %.1f steps\n", s.game.found,
                    s.game.Mean(), s.plain.found, s.plain.Mean());
        std::printf("pathfinder: %.3f ms, plain std::priority_queue A*: %.3f ms, ratio %.2f\n", ours, plain,
                    ours / plain);
    }
    benchmark::Shutdown();
    return 0;
}
