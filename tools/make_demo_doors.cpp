// Writes the door and switch models of the demo level, of the campaign's
// mission level and of the tutorial (levels/mission/doors/ and
// levels/tutorial/doors/, the same files) under the folder given on
// the command line (normally data/), where dynamic geometry looks for them:
//   levels/demo/doors/door.pbf      a slab two units wide (along the model's
//                                   Z), three high and a quarter thick,
//                                   standing on the ground: it fills the
//                                   doorways between the rooms and the
//                                   corridor;
//   levels/demo/doors/switch.pbf    a small panel on a post;
//   levels/demo/doors/Textures/     their two textures.
//
// Usage: make_demo_doors DATA_DIR
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/OmPbfScene.h"
#include "tools/DemoSupport.h"

namespace fs = std::filesystem;

namespace {

// Uncompressed 32-bit Targa of one colour with a darker frame.
bool WriteFramedTarga(const fs::path& path, uint32_t inner, uint32_t frame)
{
    constexpr uint32_t kSide = 16;
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, kSide, 0, kSide, 0, 32, 0x28};
    for (uint32_t y = 0; y < kSide; ++y)
        for (uint32_t x = 0; x < kSide; ++x) {
            const uint32_t pixel = x < 2 || y < 2 || x >= kSide - 2 || y >= kSide - 2 ? frame : inner;
            for (int shift : {0, 8, 16, 24})
                bytes.push_back(uint8_t(pixel >> shift));
        }
    return demo::WriteFile(path, bytes.data(), bytes.size());
}

// A box of the half sizes (file units) whose centre is at `centre`.
std::unique_ptr<OmPbfMeshRecord> Box(const OmVector3& centre, const OmVector3& half)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    for (const demo::Side& side : demo::kSides)
        demo::AddSide(*mesh, side, centre + demo::Times(side.normal, half), half, 0);
    return mesh;
}

bool WriteModel(const fs::path& path, const char* name, const char* texture, const OmVector3& centre,
                const OmVector3& half)
{
    OmPbfScene scene;
    scene.materials.Add(demo::Material(name, texture, {1.0f, 1.0f, 1.0f, 1.0f}));
    scene.AddObject(Box(centre, half));
    scene.root.name.Assign(name);
    scene.root.object = 0;
    if (scene.Save(path.string().c_str()))
        return true;
    std::fprintf(stderr, "make_demo_doors: cannot write %s\n", path.string().c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_doors DATA_DIR\n");
        return 2;
    }
    // The demo level, the campaign's mission level and the tutorial have doors.
    bool ok = true;
    for (const char* level : {"demo", "mission", "tutorial"}) {
        const fs::path folder = fs::path(argv[1]) / "levels" / level / "doors";
        std::error_code error;
        fs::create_directories(folder / "Textures", error);
        if (error) {
            std::fprintf(stderr, "make_demo_doors: cannot make %s\n", folder.string().c_str());
            return 1;
        }
        // File units are tenths of an engine unit.
        ok = ok && WriteFramedTarga(folder / "Textures" / "door.tga", 0xFF8C7A64u, 0xFF4A3F33u) &&
             WriteFramedTarga(folder / "Textures" / "switch.tga", 0xFFC0C040u, 0xFF505010u) &&
             WriteModel(folder / "door.pbf", "Door", "door.tga", OmVector3(0, 15, 0), OmVector3(1.25f, 15, 10)) &&
             WriteModel(folder / "switch.pbf", "Switch", "switch.tga", OmVector3(0, 6, 0), OmVector3(1, 6, 1));
    }
    return ok ? 0 : 1;
}
