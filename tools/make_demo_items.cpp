// Writes the demo's articles under the data folder given on the command
// line: the scene files of the items and the stash in Items/ (a medkit, an
// ammunition box, a vest of armour, a key, a blaster and a chest whose lid
// is its own node, "Lid", hinged along its back edge), their textures in
// Items/Textures/, and the HUD icons in HUD/. Everything is painted here,
// so two runs give identical files. Usage: make_demo_items <data folder>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmPbfScene.h"
#include "tools/DemoSupport.h"

namespace fs = std::filesystem;

namespace {

// One flat colour with a darker border, `size` pixels square (at most
// 255), as a 32-bit top-first Targa image.
std::vector<uint8_t> Swatch(uint8_t r, uint8_t g, uint8_t b, uint32_t size)
{
    const uint8_t side = uint8_t(size);
    const uint32_t edge = size / 8 > 2 ? size / 8 : 2;
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, side, 0, side, 0, 32, 0x28};
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const bool border = x < edge || y < edge || x >= size - edge || y >= size - edge;
            const uint8_t k = border ? 2 : 1;
            bytes.insert(bytes.end(), {uint8_t(b / k), uint8_t(g / k), uint8_t(r / k), 255});
        }
    return bytes;
}

struct Article {
    const char* name; // file stem of the model, its texture and its icon
    uint8_t r, g, b;
    OmVector3 half;   // file units (a tenth of a game unit)
};

const Article kArticles[] = {
    {"medkit", 220, 40, 40, {2.0f, 1.0f, 1.5f}},
    {"ammo", 90, 110, 60, {1.5f, 1.0f, 1.0f}},
    {"armour", 120, 120, 140, {2.5f, 3.0f, 1.0f}},
    {"key", 230, 200, 60, {1.0f, 0.3f, 0.5f}},
    {"chest", 140, 90, 40, {5.0f, 3.0f, 3.5f}},
    // Green, to be told from the party's blue clothes in a hand; its barrel
    // along Z, forward in the hand.
    {"blaster", 60, 170, 90, {0.8f, 0.8f, 2.5f}},
    {"brusk_tongue", 200, 90, 110, {0.5f, 0.5f, 4.0f}}, // the tongue brusk strikes with
};

std::unique_ptr<OmPbfMeshRecord> Box(const OmVector3& half, const OmVector3& centre)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    for (const demo::Side& side : demo::kSides)
        demo::AddSide(*mesh, side, centre + demo::Times(side.normal, half), half, 0);
    return mesh;
}

OmPbfNode* Node(const char* name, int32_t object, const OmVector3& position)
{
    auto* node = new OmPbfNode();
    node->name.Assign(name);
    node->object = object;
    node->transform.SetTranslation(position);
    return node;
}

// A box standing on the ground; the chest gets its lid as a child node
// whose origin is the hinge, so turning it about X swings it open.
bool WriteModel(const fs::path& folder, const Article& a)
{
    char texture[64];
    std::snprintf(texture, sizeof texture, "%s.tga", a.name);
    OmPbfScene scene;
    scene.materials.Add(demo::Material(a.name, texture, {1.0f, 1.0f, 1.0f, 1.0f}));
    scene.AddObject(Box(a.half, OmVector3(0, 0, 0)));
    scene.root.name.Assign(a.name);
    scene.root.object = 0;
    scene.root.transform.SetTranslation(OmVector3(0, a.half.y, 0));
    if (std::string(a.name) == "chest") {
        const OmVector3 lidHalf(a.half.x, 0.5f, a.half.z);
        scene.AddObject(Box(lidHalf, OmVector3(0, lidHalf.y, lidHalf.z)));
        scene.root.AddChild(Node("Lid", scene.objects.Count() - 1, OmVector3(0, a.half.y, -a.half.z)));
    }
    char file[64];
    std::snprintf(file, sizeof file, "%s.pbf", a.name);
    if (scene.Save((folder / file).string().c_str()))
        return true;
    std::fprintf(stderr, "make_demo_items: cannot write %s\n", (folder / file).string().c_str());
    return false;
}

// Model textures are small; the HUD's icons fill an inventory cell, and the
// info window wraps an article's text to its icon's width.
bool WriteImage(const fs::path& path, const Article& a, uint32_t size)
{
    const std::vector<uint8_t> bytes = Swatch(a.r, a.g, a.b, size);
    if (demo::WriteFile(path, bytes.data(), bytes.size()))
        return true;
    std::fprintf(stderr, "make_demo_items: cannot write %s\n", path.string().c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_items <data folder>\n");
        return 2;
    }
    const fs::path data = argv[1];
    const fs::path items = data / "Items";
    std::error_code error;
    fs::create_directories(items / "Textures", error);
    fs::create_directories(data / "HUD", error);
    if (error) {
        std::fprintf(stderr, "make_demo_items: cannot make the folders under %s\n", data.string().c_str());
        return 1;
    }
    bool ok = true;
    for (const Article& a : kArticles) {
        char image[64];
        std::snprintf(image, sizeof image, "%s.tga", a.name);
        ok = WriteModel(items, a) && ok;
        ok = WriteImage(items / "Textures" / image, a, 16) && ok;
        ok = WriteImage(data / "HUD" / image, a, 64) && ok;
    }
    return ok ? 0 : 1;
}
