// The world loader must refuse any damaged environment file (.tsw), and any
// that holds objects a world does not, with a logged error, no crash and no
// stray read; a world it accepts must answer casts, heights, lookups,
// shadow gathers and light queries anywhere, and release what it holds.
// Reference counts in the file are trusted as the archive trusts them, so
// the harness takes down whatever a load leaves.
#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <vector>

#include "engine/OmMaxLight.h"
#include "engine/OmShape.h"
#include "game/world/TsWorld.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

// The virtual table of T: the first word of every T object, which no free
// cell holds (a free cell starts with its free-chain link).
template <class T>
const void* TableOf()
{
    static const void* table = [] {
        T probe;
        return *reinterpret_cast<void* const*>(&probe);
    }();
    return table;
}

// Objects a load left behind: counted more often than anything refers to
// them, or read with a count of 0, which the pool takes for a free cell.
// The world goes first (it releases what it lists); its lights and effect
// nodes hold nothing of each other, so each then goes on its own.
template <class T>
void TakeDownLeftovers()
{
    std::vector<T*> left;
    OmFastAllocIterator it;
    T::s_pool.BeginIteration(it);
    // Every cell of every page: a leftover may lie past as many cells as
    // the pool counts handed out, with free ones before it.
    it.remaining = UINT32_MAX;
    while (void* cell = T::s_pool.NextCell(it)) {
        // A cell the pool keeps poisoned was never handed out or was freed.
        if (!__asan_address_is_poisoned(cell) && *static_cast<void* const*>(cell) == TableOf<T>())
            left.push_back(static_cast<T*>(cell));
    }
    for (T* object : left)
        delete object;
    // Every load sets aside fresh pages for the objects it reads: with
    // nothing left in them, they go.
    T::s_pool.Destroy();
}

void Exercise(TsWorld& world)
{
    const OmVector3 lo = world.GetBoundsMin(), hi = world.GetBoundsMax();
    auto at = [&](float fx, float fy, float fz) {
        return OmVector3(lo.x + (hi.x - lo.x) * fx, lo.y + (hi.y - lo.y) * fy, lo.z + (hi.z - lo.z) * fz);
    };
    for (int i = 0; i < 8; ++i) {
        const float f = float(i) / 7.0f;
        TsWorldHit hit;
        world.CastSegment(at(-0.1f, 1.1f, f), at(1.1f, -0.1f, 1.0f - f), hit, (i & 1) != 0);
        world.CastSegmentStatic(at(f, 1.2f, 0.5f), at(f, -0.2f, 0.5f), hit, true);
        world.GetGroundHeight(at(f, 0.9f, f));
        OmVector3 points[8];
        world.FindAllIntersections(at(f, 1.1f, 1.0f - f), OmVector3(0.1f, -1.0f, 0.2f), points, 8, true);
    }
    const int32_t side = world.GetGridSize();
    for (int32_t i = 0; i < 64; ++i) {
        const int32_t x = side > 0 ? (i * 7919) % (side + 2) - 1 : i, z = side > 0 ? (i * 104729) % (side + 2) - 1 : i;
        if (const TsWorldCell* cell = world.CellAt(x, z))
            world.GatherShadowTriangles(*cell, at(0.5f, 0.5f, 0.5f), 2.0f, hi.y);
    }
    OmMaxLight* lights[4];
    float strengths[4], colour[4], total = 0.0f;
    int32_t significant = 0;
    world.FindStrongestLights(at(0.5f, 0.5f, 0.5f), 4, lights, strengths, colour, total, significant);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::Renderer();
    fuzzinput::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    const std::string path = fuzzinput::WriteInput("world.tsw", data, size);
    if (path.empty())
        return 0;
    if (TsWorld* world = TsWorld::LoadWorld(path.c_str())) {
        Exercise(*world);
        world->Release();
    }
    TakeDownLeftovers<TsWorld>();
    TakeDownLeftovers<OmMaxLight>();
    TakeDownLeftovers<OmShape>();
    fuzzinput::Renderer().ReleaseAllMaterials();
    fuzzinput::Renderer().ReleaseAllTextures();
    return 0;
}
