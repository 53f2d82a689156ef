// Segment casts and ground heights on the demo level (tools/make-data):
// the world's cell walk against a brute-force test of every triangle of the
// level, 100,000 random queries each, with the median time per query and
// the ratios printed at the end.
#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "engine/OmClass.h"
#include "game/world/TsWorld.h"
#include "render/OmD3D.h"

namespace {

constexpr int kQueries = 100000;

struct Triangle {
    OmVector3 a, b, c, normal;
};

struct Segment {
    OmVector3 from, to;
};

struct Level {
    OmD3D renderer;
    TsWorld* world = nullptr;
    std::vector<Triangle> triangles;
    std::vector<Segment> casts;
    std::vector<OmVector3> points;
};

std::filesystem::path DemoWorld()
{
    const char* source = std::getenv("OM_SOURCE_DIR");
    return std::filesystem::path(source && *source ? source : ".") / "data" / "levels" / "demo" / "demo.tsw";
}

void Collect(Level& level)
{
    const TsWorld& w = *level.world;
    for (int32_t i = 0; i < w.GetCellCount(); ++i) {
        const TsWorldCell& cell = w.Cell(i);
        const TsCellGroup& group = cell.Group(TS_CELL_OPAQUE);
        // The binned triangles only: non-collidable ones are never hit.
        std::vector<bool> binned(group.GetTriangleCount(), false);
        for (int b = 0; b < TsWorldCell::kBinCount; ++b)
            for (uint32_t k = 0; k < cell.Bin(b).triangles[TS_CELL_OPAQUE].GetCount(); ++k)
                binned[cell.Bin(b).triangles[TS_CELL_OPAQUE][k]] = true;
        for (uint32_t t = 0; t < group.GetTriangleCount(); ++t) {
            if (!binned[t])
                continue;
            level.triangles.push_back(Triangle{cell.Dequantise(group.vertices[group.indices[3 * t]]),
                                               cell.Dequantise(group.vertices[group.indices[3 * t + 1]]),
                                               cell.Dequantise(group.vertices[group.indices[3 * t + 2]]),
                                               cell.Planes(TS_CELL_OPAQUE)[t].normal});
        }
    }
}

// Random segments of up to 10 units from points inside the level's box (a
// character's line of sight or a shot), and random points to stand on.
void MakeQueries(Level& level)
{
    const OmVector3 lo = level.world->GetBoundsMin(), hi = level.world->GetBoundsMax();
    std::mt19937 random(20261206);
    std::uniform_real_distribution<float> x(lo.x, hi.x), y(lo.y, hi.y), z(lo.z, hi.z), step(-10.0f, 10.0f);
    for (int i = 0; i < kQueries; ++i) {
        const OmVector3 from(x(random), y(random), z(random));
        level.casts.push_back(Segment{from, from + OmVector3(step(random), step(random) * 0.3f, step(random))});
        level.points.push_back(OmVector3(x(random), y(random), z(random)));
    }
}

Level& TheLevel()
{
    static Level level;
    if (!level.world) {
        OmClassRegistry::Instance().AssignClassIds();
        level.world = TsWorld::LoadWorld(DemoWorld().string().c_str());
        if (level.world) {
            Collect(level);
            MakeQueries(level);
        }
    }
    return level;
}

// The nearest front face the segment passes through, every triangle tested.
bool BruteCast(const Level& level, const OmVector3& from, const OmVector3& to, float& nearest)
{
    const OmVector3 d = to - from;
    nearest = FLT_MAX;
    for (const Triangle& tri : level.triangles) {
        const float denominator = tri.normal.Dot(d);
        if (!(denominator < 0.0f))
            continue;
        const float t = tri.normal.Dot(tri.a - from) / denominator;
        if (!(t >= 0.0f && t <= 1.0f) || t >= nearest)
            continue;
        const OmVector3 p = from + d * t;
        OmVector3 c0, c1, c2;
        CrossProduct(tri.b - tri.a, p - tri.a, c0);
        CrossProduct(tri.c - tri.b, p - tri.b, c1);
        CrossProduct(tri.a - tri.c, p - tri.c, c2);
        if (c0.Dot(tri.normal) >= -1e-6f && c1.Dot(tri.normal) >= -1e-6f && c2.Dot(tri.normal) >= -1e-6f)
            nearest = t;
    }
    return nearest < FLT_MAX;
}

float BruteGround(const Level& level, const OmVector3& p)
{
    float t = 0.0f;
    const OmVector3 below(p.x, p.y - TsWorld::kGroundReach, p.z);
    return BruteCast(level, p, below, t) ? p.y - TsWorld::kGroundReach * t : FLT_MAX;
}

void BM_CastSegment(benchmark::State& state)
{
    Level& level = TheLevel();
    if (!level.world)
        return state.SkipWithError("the demo level is missing: run tools/make-data BUILD_DIR");
    for (auto _ : state) {
        int hits = 0;
        for (const Segment& s : level.casts) {
            TsWorldHit hit;
            hits += level.world->CastSegmentStatic(s.from, s.to, hit, false) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
}

void BM_CastSegmentBruteForce(benchmark::State& state)
{
    Level& level = TheLevel();
    if (!level.world)
        return state.SkipWithError("the demo level is missing");
    for (auto _ : state) {
        int hits = 0;
        for (const Segment& s : level.casts) {
            float t;
            hits += BruteCast(level, s.from, s.to, t) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
}

void BM_GroundHeight(benchmark::State& state)
{
    Level& level = TheLevel();
    if (!level.world)
        return state.SkipWithError("the demo level is missing");
    for (auto _ : state) {
        float sum = 0.0f;
        for (const OmVector3& p : level.points)
            sum += level.world->GetGroundHeight(p) < FLT_MAX ? 1.0f : 0.0f;
        benchmark::DoNotOptimize(sum);
    }
}

void BM_GroundHeightBruteForce(benchmark::State& state)
{
    Level& level = TheLevel();
    if (!level.world)
        return state.SkipWithError("the demo level is missing");
    for (auto _ : state) {
        float sum = 0.0f;
        for (const OmVector3& p : level.points)
            sum += BruteGround(level, p) < FLT_MAX ? 1.0f : 0.0f;
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(BM_CastSegment)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CastSegmentBruteForce)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroundHeight)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroundHeightBruteForce)->Unit(benchmark::kMillisecond);

// The median of timing each query on its own.
template <class Query>
double MedianMicroseconds(int count, Query&& query)
{
    std::vector<double> times(static_cast<size_t>(count), 0.0);
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        query(i);
        times[size_t(i)] = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    }
    std::nth_element(times.begin(), times.begin() + count / 2, times.end());
    return times[size_t(count / 2)];
}

void PrintMedians(Level& level)
{
    volatile int sink = 0;
    const double cast = MedianMicroseconds(kQueries, [&](int i) {
        TsWorldHit hit;
        sink = sink + (level.world->CastSegmentStatic(level.casts[size_t(i)].from, level.casts[size_t(i)].to, hit, false) ? 1 : 0);
    });
    const double castBrute = MedianMicroseconds(kQueries, [&](int i) {
        float t;
        sink = sink + (BruteCast(level, level.casts[size_t(i)].from, level.casts[size_t(i)].to, t) ? 1 : 0);
    });
    const double ground = MedianMicroseconds(kQueries, [&](int i) {
        sink = sink + (level.world->GetGroundHeight(level.points[size_t(i)]) < FLT_MAX ? 1 : 0);
    });
    const double groundBrute = MedianMicroseconds(kQueries, [&](int i) {
        sink = sink + (BruteGround(level, level.points[size_t(i)]) < FLT_MAX ? 1 : 0);
    });
    // How often both roads agree on hitting at all (quantised against float geometry).
    int agree = 0;
    for (const Segment& s : level.casts) {
        TsWorldHit hit;
        float t;
        agree += level.world->CastSegmentStatic(s.from, s.to, hit, false) == BruteCast(level, s.from, s.to, t) ? 1 : 0;
    }
    std::printf("\n%zu triangles in %d cells; %d queries each\n", level.triangles.size(), level.world->GetCellCount(),
                kQueries);
    std::printf("CastSegment median: %.3f us per cast; brute force %.3f us: %.1f x faster\n", cast, castBrute,
                castBrute / cast);
    std::printf("GetGroundHeight median: %.3f us per call; brute force %.3f us: %.1f x faster\n", ground, groundBrute,
                groundBrute / ground);
    std::printf("hit or miss agrees with the brute force on %.2f%% of the casts\n", 100.0 * agree / kQueries);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    Level& level = TheLevel();
    if (level.world) {
        const double cast = reporter.Time("BM_CastSegment"), castBrute = reporter.Time("BM_CastSegmentBruteForce");
        const double ground = reporter.Time("BM_GroundHeight"), groundBrute = reporter.Time("BM_GroundHeightBruteForce");
        if (cast > 0 && ground > 0)
            std::printf("\nbatches of %d: casts %.1f x, ground heights %.1f x faster than the brute force\n", kQueries,
                        castBrute / cast, groundBrute / ground);
        PrintMedians(level);
        level.world->Release();
        level.world = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
