// The world loader must refuse any damaged environment file (.tsw) with a
// logged error: no crash and no read outside what it allocated. A world it
// accepts must answer casts, ground heights, lookups, shadow gathers and
// light queries anywhere without fault, and release everything it holds.
//
// Reference counts travel in the file and are trusted as the archive
// trusts them: a file that counts an object more often than anything refers
// to it leaves that object alive. The harness accepts only files of the
// classes a level file holds (one world, its lights and effect nodes) and
// takes down whatever such a load leaves, so nothing leaks and memory stays
// flat.
//
// With OM_FUZZ_WRITE_SEEDS=<folder> set, the target writes a small world
// there (a floor, a wall, a pool, a static and a dynamic light, an effect
// node) and exits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/OmGroup.h"
#include "engine/OmMaterial.h"
#include "engine/OmMaxLight.h"
#include "engine/OmMesh.h"
#include "engine/OmShape.h"
#include "game/framework/TsConsole.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldImporter.h"
#include "platform/DebugOutput.h"
#include "render/OmD3D.h"

namespace {

OmD3D& Renderer()
{
    static OmD3D renderer;
    return renderer;
}

void Quiet(std::string_view, TsColour, void*)
{
}

// Whether the file's class table gives objects to classes other than a
// level file's, or more than one world.
bool HasForeignObjects(const uint8_t* data, size_t size)
{
    auto word = [&](size_t at, uint32_t& value) {
        if (at + 4 > size)
            return false;
        std::memcpy(&value, data + at, 4);
        return true;
    };
    size_t at = 75 + 8; // the header text and the version
    uint32_t count = 0;
    if (!word(at, count))
        return false;
    at += 4;
    for (uint32_t c = 0; c < count; ++c) {
        uint32_t length = 0, objects = 0;
        if (!word(at, length) || length > size - at - 4)
            return false;
        const std::string name(reinterpret_cast<const char*>(data + at + 4), length);
        at += 4 + length;
        if (!word(at, objects))
            return false;
        at += 4;
        if (objects > (name == "TsWorld" ? 1u : 0u) && name != "OmMaxLight" && name != "OmShape")
            return true;
    }
    return false;
}

// The virtual table of T: the first word of every T object, which no free
// cell holds (a free cell starts with its free-chain link).
template <class T>
const void* TableOf()
{
    static const void* table = [] {
        T probe;
        const void* word = *reinterpret_cast<void* const*>(&probe);
        return word;
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
    while (void* cell = T::s_pool.NextCell(it))
        if (*static_cast<void* const*>(cell) == TableOf<T>())
            left.push_back(static_cast<T*>(cell));
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

OmShape* AddShape(OmGroup& root, const char* name, std::initializer_list<OmVector3> corners, int32_t material)
{
    auto* mesh = new OmMesh();
    uint32_t n = 0;
    for (const OmVector3& p : corners) {
        OmMeshVertex v{};
        v.position = p;
        v.normal = OmVector3(0, 1, 0);
        v.colour[0] = v.colour[1] = v.colour[2] = v.colour[3] = 1.0f;
        v.uv0[0] = p.x;
        v.uv0[1] = p.z;
        mesh->vertices.Add(v);
        mesh->indices.Add(n);
        if (++n % 3 == 0)
            mesh->triangleMaterials.Add(uint32_t(material));
    }
    auto* shape = new OmShape();
    shape->SetGeometry(mesh);
    mesh->Release();
    shape->SetName(name);
    root.AddChild(shape);
    shape->Release();
    return shape;
}

void AddLight(OmGroup& root, const char* name, const OmVector3& position)
{
    auto* node = new OmMaxLightNode();
    node->SetName(name);
    node->LocalPosition() = position;
    node->light.on = 1;
    node->light.colour[0] = node->light.colour[1] = node->light.colour[2] = 1.0f;
    node->light.multiplier = 1.0f;
    root.AddChild(node);
    node->Release();
}

void WriteSeeds(const char* folder)
{
    const int32_t material = Renderer().RegisterMaterial(&OmMaterial::Default());
    OmGroup* root = new OmGroup();
    AddShape(*root, "floor", {{0, 0, 0}, {0, 0, 6}, {6, 0, 6}, {0, 0, 0}, {6, 0, 6}, {6, 0, 0}}, material);
    AddShape(*root, "wall", {{3, 0, 1}, {3, 2, 1}, {3, 2, 5}, {3, 0, 1}, {3, 2, 5}, {3, 0, 5}}, material);
    AddShape(*root, "fx_water", {{1, 0.1f, 1}, {1, 0.1f, 2}, {2, 0.1f, 2}}, material);
    AddShape(*root, "fx_smoke", {{4, 0, 4}, {4, 0, 5}, {5, 0, 5}}, material);
    AddLight(*root, "sun", OmVector3(2, 3, 2));
    AddLight(*root, "dyn_lamp", OmVector3(4, 1, 4));
    TsWorld* world = new TsWorld();
    const OmVector3 min(0, 0, 0), max(6, 2, 6);
    world->SetWorldBounds(min, max);
    {
        TsWorldImporter importer(*world, root, min, max, 2.0f, true);
        importer.Run(root, &Renderer());
    }
    root->Release();
    world->SaveWorld((std::string(folder) + "/small.tsw").c_str());
    world->Release();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Renderer();
    TsConsole::SetHook(Quiet, nullptr);
    plat::SetDebugOutputHook([](std::string_view) {});
    if (const char* folder = std::getenv("OM_FUZZ_WRITE_SEEDS")) {
        WriteSeeds(folder);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (HasForeignObjects(data, size))
        return 0;
    // In memory where the system has it: the file is written for every input.
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                    "/om_fuzz_tsw_" + std::to_string(getpid()) + ".tsw";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    if (TsWorld* world = TsWorld::LoadWorld(path.c_str())) {
        Exercise(*world);
        world->Release();
    }
    TakeDownLeftovers<TsWorld>();
    TakeDownLeftovers<OmMaxLight>();
    TakeDownLeftovers<OmShape>();
    Renderer().ReleaseAllMaterials();
    Renderer().ReleaseAllTextures();
    return 0;
}
