// Writes the demo data set under the folder given on the command line
// (normally data/): scene files for a few simple models and the Targa
// textures they use, all painted here. The output depends on nothing but
// this program, so two runs give identical files.
//
// Usage: make_demo_data DATA_DIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmPbfScene.h"
#include "tools/DemoSupport.h"

namespace fs = std::filesystem;

namespace {

// ---- Targa images -----------------------------------------------------------

struct Picture {
    uint32_t width, height;
    std::vector<uint32_t> argb; // top row first

    Picture(uint32_t w, uint32_t h) : width(w), height(h), argb(size_t(w) * h, 0xFF000000u) {}
    uint32_t& At(uint32_t x, uint32_t y) { return argb[size_t(y) * width + x]; }
};

uint32_t Argb(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255)
{
    return a << 24 | r << 16 | g << 8 | b;
}

void PutLittle16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t(value >> 8));
}

// Uncompressed 32-bit true colour, rows stored top first.
bool WriteTarga(const fs::path& path, const Picture& picture)
{
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutLittle16(bytes, picture.width);
    PutLittle16(bytes, picture.height);
    bytes.push_back(32);
    bytes.push_back(0x28); // eight alpha bits, top-left origin
    for (uint32_t pixel : picture.argb) {
        bytes.push_back(uint8_t(pixel));
        bytes.push_back(uint8_t(pixel >> 8));
        bytes.push_back(uint8_t(pixel >> 16));
        bytes.push_back(uint8_t(pixel >> 24));
    }
    return demo::WriteFile(path, bytes.data(), bytes.size());
}

// Boards with dark seams and a frame: the crate.
Picture PaintCrate()
{
    Picture p(64, 64);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const bool frame = x < 6 || y < 6 || x > 57 || y > 57;
            const bool seam = y % 13 == 0;
            const uint32_t grain = (x * 7 + y * 3) % 11;
            p.At(x, y) = frame ? Argb(90, 60, 30) : seam ? Argb(70, 45, 20) : Argb(150 + grain, 105 + grain, 55);
        }
    return p;
}

// Blue checks: clothing.
Picture PaintCloth()
{
    Picture p(32, 32);
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            p.At(x, y) = ((x / 4 + y / 4) % 2) ? Argb(40, 60, 150) : Argb(60, 90, 190);
    return p;
}

// A soft vertical gradient: skin.
Picture PaintSkin()
{
    Picture p(16, 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            p.At(x, y) = Argb(230 - y * 2, 180 - y * 2, 150 - y * 2);
    return p;
}

// Magenta and grey checks: unmistakable where a texture is missing.
Picture PaintDefault()
{
    Picture p(16, 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            p.At(x, y) = ((x / 8 + y / 8) % 2) ? Argb(255, 0, 255) : Argb(128, 128, 128);
    return p;
}

bool WriteTextures(const fs::path& folder)
{
    return WriteTarga(folder / "crate.tga", PaintCrate()) && WriteTarga(folder / "cloth.tga", PaintCloth()) &&
           WriteTarga(folder / "skin.tga", PaintSkin()) && WriteTarga(folder / "default.tga", PaintDefault());
}

// ---- Scene records ----------------------------------------------------------

// A box centred on the origin with the given half sizes (file units), each
// side wound so that it faces outwards, one texture square per side.
std::unique_ptr<OmPbfMeshRecord> Box(const OmVector3& half, uint32_t material)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    for (const demo::Side& side : demo::kSides)
        demo::AddSide(*mesh, side, demo::Times(side.normal, half), half, material);
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

bool Save(OmPbfScene& scene, const fs::path& path)
{
    if (scene.Save(path.string().c_str()))
        return true;
    std::fprintf(stderr, "make_demo_data: cannot write %s\n", path.string().c_str());
    return false;
}

// ---- Models -----------------------------------------------------------------

// A crate one unit on a side, standing on the ground.
bool WriteBox(const fs::path& folder)
{
    OmPbfScene scene;
    scene.materials.Add(demo::Material("Crate", "crate.tga", {0.9f, 0.8f, 0.7f, 1.0f}));
    scene.AddObject(Box(OmVector3(5, 5, 5), 0));
    scene.root.name.Assign("Crate");
    scene.root.object = 0;
    scene.root.transform.SetTranslation(OmVector3(0, 5, 0));
    return Save(scene, folder / "box.pbf");
}

struct Limb {
    const char* name;
    OmVector3 half;     // file units
    OmVector3 position; // of its centre
    uint32_t material;
};

// A standing figure two units tall, built of boxes, with a lamp above it.
bool WriteFigure(const fs::path& folder)
{
    static const Limb kLimbs[] = {
        {"Torso", {3, 4, 1.5f}, {0, 13, 0}, 0},   {"Head", {1.5f, 1.5f, 1.5f}, {0, 18.5f, 0}, 1},
        {"ArmLeft", {1, 4, 1}, {-4, 13, 0}, 1},   {"ArmRight", {1, 4, 1}, {4, 13, 0}, 1},
        {"LegLeft", {1.2f, 4.5f, 1.2f}, {-1.5f, 4.5f, 0}, 0}, {"LegRight", {1.2f, 4.5f, 1.2f}, {1.5f, 4.5f, 0}, 0},
    };
    OmPbfScene scene;
    scene.materials.Add(demo::Material("Cloth", "cloth.tga", {0.8f, 0.8f, 1.0f, 1.0f}));
    scene.materials.Add(demo::Material("Skin", "skin.tga", {1.0f, 0.9f, 0.8f, 1.0f}));
    scene.root.name.Assign("Figure");
    for (const Limb& limb : kLimbs) {
        scene.AddObject(Box(limb.half, limb.material));
        scene.root.AddChild(Node(limb.name, scene.objects.Count() - 1, limb.position));
    }
    auto lamp = std::make_unique<OmPbfLightRecord>();
    lamp->name.Assign("Lamp");
    lamp->kind = 0;
    lamp->colour = OmPbfColour{1.0f, 0.9f, 0.7f, 1.0f};
    lamp->diffuseOn = 1;
    lamp->attenuate = 1;
    lamp->farDistance = 100.0f;
    scene.AddObject(std::move(lamp));
    scene.root.AddChild(Node("Lamp", scene.objects.Count() - 1, OmVector3(5, 30, -5)));
    return Save(scene, folder / "figure.pbf");
}

bool MakeFolder(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error)
        return true;
    std::fprintf(stderr, "make_demo_data: cannot create %s: %s\n", folder.string().c_str(),
                 error.message().c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_data DATA_DIR\n");
        return 2;
    }
    const fs::path data = argv[1];
    if (!MakeFolder(data / "models") || !MakeFolder(data / "textures"))
        return 1;
    if (!WriteTextures(data / "textures")) {
        std::fprintf(stderr, "make_demo_data: cannot write the textures\n");
        return 1;
    }
    return WriteBox(data / "models") && WriteFigure(data / "models") ? 0 : 1;
}
