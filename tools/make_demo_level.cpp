// Writes the demo level under the folder given on the command line
// (normally data/), by the road the developer tools take:
//   levels/demo/demo.map      two rooms joined by a corridor, a ramp in the
//                             second room and a water pool in the first
//                             (brush file, hundredths of a unit, Z up);
//   levels/demo/demo.pbf      the brushes read back as a scene, with two
//                             lights (one dynamic), a dynamic crate and a
//                             smoke effect node added;
//   levels/demo/textures/     the stone and water textures;
//   levels/demo/demo_ai.tga   the AI map painted over the level: red walls,
//                             green marks on the corridor, white floor;
//   levels/demo/demo.tsw      the world imported from demo.pbf and saved;
//   levels/demo/dynobj.lua    the dynamic objects' placement.
//
// Usage: make_demo_level DATA_DIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmBrushMap.h"
#include "engine/OmPbfScene.h"
#include "game/framework/TsLog.h"
#include "game/world/TsWorld.h"
#include "render/OmD3D.h"
#include "tools/DemoLevel.h"
#include "tools/DemoSupport.h"

namespace fs = std::filesystem;
using demolevel::Box;

namespace {

// ---- the brush file -------------------------------------------------------------

// Engine (X, Y, Z) to tool (x, y, z) in hundredths: x = -Z, y = X, z = Y.
struct ToolBox {
    int x0, y0, z0, x1, y1, z1;
};

ToolBox ToTool(const Box& b)
{
    auto h = [](float v) { return int(std::lround(v * 100.0f)); };
    return ToolBox{h(-b.max.z), h(b.min.x), h(b.min.y), h(-b.min.z), h(b.max.x), h(b.max.y)};
}

std::string Plane(int ax, int ay, int az, int bx, int by, int bz, int cx, int cy, int cz, const char* texture)
{
    char line[160];
    std::snprintf(line, sizeof line, "( %d %d %d ) ( %d %d %d ) ( %d %d %d ) %s 0 0 0 1 1\n", ax, ay, az, bx, by, bz,
                  cx, cy, cz, texture);
    return line;
}

// The six planes of a box, wound as the brush reader expects.
std::string BoxPlanes(const ToolBox& t, const char* texture)
{
    return Plane(t.x0, t.y0, t.z0, t.x0, t.y0 + 1, t.z0, t.x0, t.y0, t.z0 + 1, texture) +
           Plane(t.x0, t.y0, t.z0, t.x0, t.y0, t.z0 + 1, t.x0 + 1, t.y0, t.z0, texture) +
           Plane(t.x0, t.y0, t.z0, t.x0 + 1, t.y0, t.z0, t.x0, t.y0 + 1, t.z0, texture) +
           Plane(t.x1, t.y1, t.z1, t.x1, t.y1 + 1, t.z1, t.x1 + 1, t.y1, t.z1, texture) +
           Plane(t.x1, t.y1, t.z1, t.x1 + 1, t.y1, t.z1, t.x1, t.y1, t.z1 + 1, texture) +
           Plane(t.x1, t.y1, t.z1, t.x1, t.y1, t.z1 + 1, t.x1, t.y1 + 1, t.z1, texture);
}

std::string MapText()
{
    std::string text = "// The demo level: written by tools/make_demo_level.cpp\n{\n\"classname\" \"worldspawn\"\n";
    for (const demolevel::Solid& solid : demolevel::Solids()) {
        text += std::string("// ") + solid.what + "\n{\n" + BoxPlanes(ToTool(solid.box), solid.texture);
        if (solid.ramp) {
            // Cut by the slope rising along +X (tool +y) to the box's top.
            const ToolBox t = ToTool(solid.box);
            text += Plane(t.x0, t.y0, t.z0, t.x0, t.y1, t.z1, t.x1, t.y0, t.z0, solid.texture);
        }
        text += "}\n";
    }
    return text + "}\n";
}

// ---- the scene ------------------------------------------------------------------

OmPbfNode* Node(const char* name, int32_t object, const OmVector3& position)
{
    auto* node = new OmPbfNode();
    node->name.Assign(name);
    node->object = object;
    // Scene files are in tenths of a unit.
    node->transform.SetTranslation(position * 10.0f);
    return node;
}

void AddLight(OmPbfScene& scene, const demolevel::Lamp& lamp)
{
    auto light = std::make_unique<OmPbfMaxLightRecord>();
    light->name.Assign(lamp.name);
    light->on = 1;
    light->kind = 0;
    light->colour = OmPbfColour{lamp.colour.x, lamp.colour.y, lamp.colour.z, 1.0f};
    light->multiplier = 1.0f;
    light->flag7 = 1; // far attenuation, in tenths
    light->distance4 = lamp.reach * 5.0f;
    light->distance5 = lamp.reach * 10.0f;
    scene.AddObject(std::move(light));
    scene.root.AddChild(Node(lamp.name, scene.objects.Count() - 1, lamp.position));
}

void AddBoxNode(OmPbfScene& scene, const char* name, const OmVector3& position, float half)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    const OmVector3 halves(half * 10.0f, half * 10.0f, half * 10.0f);
    for (const demo::Side& side : demo::kSides)
        demo::AddSide(*mesh, side, demo::Times(side.normal, halves), halves, 0);
    scene.AddObject(std::move(mesh));
    scene.root.AddChild(Node(name, scene.objects.Count() - 1, position));
}

// Each brush's faces take the material its solid names; the pool's node
// becomes the water surface.
void NameBrushes(OmPbfScene& scene)
{
    int32_t index = 0;
    for (OmPbfNode* node = scene.root.child; node; node = node->sibling, ++index) {
        const demolevel::Solid& solid = demolevel::Solids()[size_t(index)];
        if (solid.nodeName)
            node->name.Assign(solid.nodeName);
        auto* mesh = static_cast<OmPbfMeshRecord*>(scene.objects.At(node->object));
        for (OmPbfFace& face : mesh->faces)
            face.material = solid.water ? 1 : 0;
    }
}

bool WriteScene(const fs::path& mapPath, const fs::path& scenePath)
{
    OmPbfScene scene;
    OmBrushFile file;
    if (!file.Open(mapPath.string().c_str()))
        return false;
    // Straight into the scene file's tenths of a unit.
    ReadBrushMap(scene, file, 0.1f);
    if (scene.objects.Count() != int32_t(demolevel::Solids().size()))
        return false;
    NameBrushes(scene);
    scene.materials.Add(demo::Material("Stone", "stone.tga", {0.8f, 0.8f, 0.8f, 1.0f}));
    scene.materials.Add(demo::Material("Water", "water.tga", {0.6f, 0.7f, 0.9f, 1.0f}));
    for (const demolevel::Lamp& lamp : demolevel::Lamps())
        AddLight(scene, lamp);
    AddBoxNode(scene, "dyn_crate", demolevel::kCratePosition, 0.4f);
    AddBoxNode(scene, "fx_smoke", demolevel::kSmokePosition, 0.1f);
    return scene.Save(scenePath.string().c_str());
}

// ---- images ---------------------------------------------------------------------

void Put16(std::vector<uint8_t>& bytes, uint32_t value)
{
    bytes.push_back(uint8_t(value));
    bytes.push_back(uint8_t(value >> 8));
}

// 24-bit uncompressed, bottom-left origin: row 0 is the smallest Z.
bool WriteTarga24(const fs::path& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& rgb)
{
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(bytes, width);
    Put16(bytes, height);
    bytes.push_back(24);
    bytes.push_back(0);
    for (uint32_t pixel : rgb) {
        bytes.push_back(uint8_t(pixel));       // blue
        bytes.push_back(uint8_t(pixel >> 8));  // green
        bytes.push_back(uint8_t(pixel >> 16)); // red
    }
    return demo::WriteFile(path, bytes.data(), bytes.size());
}

bool WriteTextures(const fs::path& folder)
{
    constexpr uint32_t kSize = 32;
    std::vector<uint32_t> stone(kSize * kSize), water(kSize * kSize);
    for (uint32_t y = 0; y < kSize; ++y) {
        for (uint32_t x = 0; x < kSize; ++x) {
            const uint32_t grain = (x * 5 + y * 11) % 23;
            const bool seam = x % 16 == 0 || y % 8 == 0;
            const uint32_t g = seam ? 70 : 120 + grain;
            stone[y * kSize + x] = g << 16 | g << 8 | (g - 10);
            const uint32_t wave = 20 + uint32_t(20 * std::sin(float(x + y) * 0.4f) + 20);
            water[y * kSize + x] = (30 + wave / 2) << 16 | (80 + wave) << 8 | 200;
        }
    }
    return WriteTarga24(folder / "stone.tga", kSize, kSize, stone) &&
           WriteTarga24(folder / "water.tga", kSize, kSize, water);
}

bool WriteAIMap(const fs::path& path, const TsWorld& world)
{
    const demolevel::AIMapImage image = demolevel::PaintAIMap(world.GetBoundsMin(), world.GetBoundsMax());
    return WriteTarga24(path, image.size, image.size, image.rgb);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_level DATA_DIR\n");
        return 2;
    }
    const fs::path folder = fs::path(argv[1]) / "levels" / "demo";
    std::error_code error;
    fs::create_directories(folder / "textures", error);
    const std::string map = MapText();
    if (error || !demo::WriteFile(folder / "demo.map", map.data(), map.size()) || !WriteTextures(folder / "textures") ||
        !WriteScene(folder / "demo.map", folder / "demo.pbf")) {
        std::fprintf(stderr, "make_demo_level: cannot write the level's sources in %s\n", folder.string().c_str());
        return 1;
    }
    // The importer registers materials and textures with the renderer; one
    // without a device serves.
    OmD3D renderer;
    TsWorld* world = new TsWorld();
    const std::string prefix = folder.string() + "/";
    if (!world->ImportWorld((prefix + "demo.pbf").c_str(), prefix.c_str(),
                            TsWorldImportSettings{.cellEdge = demolevel::kCellEdge})) {
        std::fprintf(stderr, "make_demo_level: the world import of %sdemo.pbf failed\n", prefix.c_str());
        world->Release();
        return 1;
    }
    if (!WriteAIMap(folder / "demo_ai.tga", *world)) {
        std::fprintf(stderr, "make_demo_level: cannot write the AI map image\n");
        world->Release();
        return 1;
    }
    if (!world->CreateAIMap((prefix + "demo_ai.tga").c_str(), nullptr)) {
        std::fprintf(stderr, "make_demo_level: the AI map could not be built from %sdemo_ai.tga\n", prefix.c_str());
        world->Release();
        return 1;
    }
    const bool saved = world->SaveWorld((prefix + "demo.tsw").c_str());
    world->Release();
    if (!saved) {
        std::fprintf(stderr, "make_demo_level: cannot save %sdemo.tsw\n", prefix.c_str());
        return 1;
    }
    return 0;
}
