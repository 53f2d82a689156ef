// The road every demo level takes from a plan to the files the game reads,
// shared by the programs that write the demo's levels (make_demo_level,
// make_demo_town, make_demo_mission). For a level named N under DATA_DIR:
//   levels/N/N.map       the plan's solids as a brush file (hundredths of a
//                        unit, Z up);
//   levels/N/N.pbf       the brushes read back as a scene, with the plan's
//                        lights and box nodes added;
//   levels/N/textures/   the stone and water textures;
//   levels/N/N_ai.tga    the AI map painted over the level: red walls,
//                        green marks, white floor;
//   levels/N/N.tsw       the world imported from N.pbf and saved.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmBrushMap.h"
#include "engine/OmPbfScene.h"
#include "engine/OmRef.h"
#include "game/world/TsWorld.h"
#include "render/OmD3D.h"
#include "tools/DemoLevel.h"
#include "tools/DemoSupport.h"

namespace demolevel {

namespace fs = std::filesystem;

// A box node added to the scene by name (dyn_ and fx_ names make dynamic
// objects and effects of it).
struct BoxNode {
    const char* name = "";
    OmVector3 position;
    float half;
};

// What a level is made of; floors and marks are boxes seen from above.
// A light falling the same way everywhere, at full strength at any distance.
// The demo's walls and floors carry no shading of their own, so without one
// a figure is lit only from its lamps' sides: the camera looks north, and a
// figure south of every lamp shows it a black front (models take no ambient).
struct Daylight {
    const char* name = "";
    OmVector3 beam; // the way the light travels
    OmVector3 colour;
};

// The campaign's levels share one: from behind the camera and above.
inline Daylight CampaignDaylight()
{
    return {"daylight", OmVector3(0.25f, -0.8f, 1.0f), OmVector3(0.8f, 0.8f, 0.78f)};
}

struct Plan {
    const char* name = "";
    std::vector<Solid> solids;
    std::vector<Lamp> lamps;
    std::vector<Daylight> daylight;
    std::vector<BoxNode> boxes;
    std::vector<Box> floors;
    std::vector<Box> marks;
};

inline bool InAny(const std::vector<Box>& boxes, float x, float z)
{
    for (const Box& box : boxes)
        if (Inside(box, x, z))
            return true;
    return false;
}

inline AIMapImage PaintPlanAIMap(const Plan& plan, const OmVector3& min, const OmVector3& max)
{
    return PaintAIMap(
        min, max,
        [&](float x, float z) {
            for (const Solid& solid : plan.solids)
                if (solid.wall && Inside(solid.box, x, z))
                    return true;
            return !InAny(plan.floors, x, z);
        },
        [&](float x, float z) { return InAny(plan.marks, x, z); });
}

// Walls a quarter thick and kHeight high round the rectangle x0..x1, z0..z1
// on the floor Y 0, with a floor slab under it; gaps leave doorways.
struct Gap {
    char side; // 'w', 'e', 's' or 'n'
    float from, to;
};

inline void AddRoom(Plan& plan, const char* what, float x0, float z0, float x1, float z1,
                    const std::vector<Gap>& gaps = {})
{
    constexpr float t = kWall, h = kHeight;
    static std::deque<std::string> names; // the solids keep their names' text
    auto name = [&](const char* part) {
        names.push_back(std::string(what) + " " + part);
        return names.back().c_str();
    };
    plan.solids.push_back({name("floor"), B(x0 - t, -t, z0 - t, x1 + t, 0, z1 + t)});
    plan.floors.push_back(B(x0, 0, z0, x1, 0, z1));
    // One side split round its gaps.
    auto side = [&](char which, float from, float to, auto make) {
        float start = from;
        for (const Gap& gap : gaps) {
            if (gap.side != which)
                continue;
            if (gap.from > start)
                plan.solids.push_back({name("wall"), make(start, gap.from), "stone", false, false, nullptr, true});
            start = gap.to;
        }
        if (to > start)
            plan.solids.push_back({name("wall"), make(start, to), "stone", false, false, nullptr, true});
    };
    side('w', z0 - t, z1 + t, [&](float a, float b) { return B(x0 - t, 0, a, x0, h, b); });
    side('e', z0 - t, z1 + t, [&](float a, float b) { return B(x1, 0, a, x1 + t, h, b); });
    side('s', x0, x1, [&](float a, float b) { return B(a, 0, z0 - t, b, h, z0); });
    side('n', x0, x1, [&](float a, float b) { return B(a, 0, z1, b, h, z1 + t); });
}

// A corridor along X from x0 to x1 between rooms whose facing walls have
// gaps from z0 to z1: its floor slab and its two side walls.
inline void AddCorridor(Plan& plan, float x0, float x1, float z0, float z1)
{
    constexpr float t = kWall, h = kHeight;
    plan.solids.push_back({"corridor floor", B(x0, -t, z0 - t, x1, 0, z1 + t)});
    plan.solids.push_back({"corridor south wall", B(x0 + t, 0, z0 - t, x1 - t, h, z0), "stone", false, false, nullptr, true});
    plan.solids.push_back({"corridor north wall", B(x0 + t, 0, z1, x1 - t, h, z1 + t), "stone", false, false, nullptr, true});
    plan.floors.push_back(B(x0, 0, z0, x1, 0, z1));
}

// ---- the brush file -------------------------------------------------------------

// Engine (X, Y, Z) to tool (x, y, z) in hundredths: x = -Z, y = X, z = Y.
struct ToolBox {
    int x0, y0, z0, x1, y1, z1;
};

inline ToolBox ToTool(const Box& b)
{
    auto h = [](float v) { return int(std::lround(v * 100.0f)); };
    return ToolBox{h(-b.max.z), h(b.min.x), h(b.min.y), h(-b.min.z), h(b.max.x), h(b.max.y)};
}

inline std::string Plane(int ax, int ay, int az, int bx, int by, int bz, int cx, int cy, int cz, const char* texture)
{
    char line[160];
    std::snprintf(line, sizeof line, "( %d %d %d ) ( %d %d %d ) ( %d %d %d ) %s 0 0 0 1 1\n", ax, ay, az, bx, by, bz,
                  cx, cy, cz, texture);
    return line;
}

// The six planes of a box, wound as the brush reader expects.
inline std::string BoxPlanes(const ToolBox& t, const char* texture)
{
    return Plane(t.x0, t.y0, t.z0, t.x0, t.y0 + 1, t.z0, t.x0, t.y0, t.z0 + 1, texture) +
           Plane(t.x0, t.y0, t.z0, t.x0, t.y0, t.z0 + 1, t.x0 + 1, t.y0, t.z0, texture) +
           Plane(t.x0, t.y0, t.z0, t.x0 + 1, t.y0, t.z0, t.x0, t.y0 + 1, t.z0, texture) +
           Plane(t.x1, t.y1, t.z1, t.x1, t.y1 + 1, t.z1, t.x1 + 1, t.y1, t.z1, texture) +
           Plane(t.x1, t.y1, t.z1, t.x1 + 1, t.y1, t.z1, t.x1, t.y1, t.z1 + 1, texture) +
           Plane(t.x1, t.y1, t.z1, t.x1, t.y1, t.z1 + 1, t.x1, t.y1 + 1, t.z1, texture);
}

inline std::string MapText(const Plan& plan)
{
    std::string text = std::string("// The ") + plan.name + " level: written by the demo-data tools\n{\n\"classname\" \"worldspawn\"\n";
    for (const Solid& solid : plan.solids) {
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

inline OmPbfNode* Node(const char* name, int32_t object, const OmVector3& position)
{
    auto* node = new OmPbfNode();
    node->name.Assign(name);
    node->object = object;
    // Scene files are in tenths of a unit.
    node->transform.SetTranslation(position * 10.0f);
    return node;
}

inline void AddLight(OmPbfScene& scene, const Lamp& lamp)
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

// The node turns the light's own down axis (0, -1, 0) onto the beam.
inline void AddDaylight(OmPbfScene& scene, const Daylight& day)
{
    auto light = std::make_unique<OmPbfMaxLightRecord>();
    light->name.Assign(day.name);
    light->on = 1;
    light->kind = 3;  // directional
    light->flag4 = 1; // overshoot: no beam edge
    light->colour = OmPbfColour{day.colour.x, day.colour.y, day.colour.z, 1.0f};
    light->multiplier = 1.0f;
    scene.AddObject(std::move(light));
    OmVector3 down = day.beam;
    down.Normalise();
    OmVector3 side, ahead;
    CrossProduct(OmVector3(0.0f, 1.0f, 0.0f), down, side);
    side.Normalise();
    CrossProduct(side, down * -1.0f, ahead);
    OmPbfNode* node = Node(day.name, scene.objects.Count() - 1, OmVector3(0.0f, 10.0f, 0.0f));
    node->transform.SetRow0(side);
    node->transform.SetRow1(down * -1.0f);
    node->transform.SetRow2(ahead);
    scene.root.AddChild(node);
}

inline void AddBoxNode(OmPbfScene& scene, const char* name, const OmVector3& position, float half)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    const OmVector3 halves(half * 10.0f, half * 10.0f, half * 10.0f);
    for (const demo::Side& side : demo::kSides)
        demo::AddSide(*mesh, side, demo::Times(side.normal, halves), halves, 0);
    scene.AddObject(std::move(mesh));
    scene.root.AddChild(Node(name, scene.objects.Count() - 1, position));
}

// A pool is its surface alone: the brush's top. Its rim is then an open
// edge, which keeps still while the inside waves, and no bottom or side
// faces fight the floor for the same pixels.
inline void KeepTopFaces(OmPbfMeshRecord& mesh)
{
    float top = -1e30f;
    for (const OmVector3& p : mesh.positions)
        top = std::max(top, p.y);
    OmPbfArray<OmPbfFace> kept;
    for (OmPbfFace& face : mesh.faces) {
        bool onTop = true;
        for (const OmPbfCorner& corner : face.corners)
            onTop = onTop && mesh.positions[int32_t(corner.position)].y == top;
        if (onTop)
            kept.Add(std::move(face));
    }
    mesh.faces = std::move(kept);
}

// Each brush's faces take the material its solid names; the pool's node
// becomes the water surface.
inline void NameBrushes(OmPbfScene& scene, const Plan& plan)
{
    int32_t index = 0;
    for (OmPbfNode* node = scene.root.child; node; node = node->sibling, ++index) {
        const Solid& solid = plan.solids[size_t(index)];
        if (solid.nodeName)
            node->name.Assign(solid.nodeName);
        auto* mesh = static_cast<OmPbfMeshRecord*>(scene.objects.At(node->object));
        if (solid.water)
            KeepTopFaces(*mesh);
        for (OmPbfFace& face : mesh->faces)
            face.material = solid.water ? 1 : 0;
    }
}

inline bool WriteScene(const Plan& plan, const fs::path& mapPath, const fs::path& scenePath)
{
    OmPbfScene scene;
    OmBrushFile file;
    if (!file.Open(mapPath.string().c_str()))
        return false;
    // Straight into the scene file's tenths of a unit.
    ReadBrushMap(scene, file, 0.1f);
    if (scene.objects.Count() != int32_t(plan.solids.size()))
        return false;
    NameBrushes(scene, plan);
    scene.materials.Add(demo::Material("Stone", "stone.tga", {0.8f, 0.8f, 0.8f, 1.0f}));
    // "_b": blended, so the floor shows through the water.
    scene.materials.Add(demo::Material("_bWater", "water.tga", {0.6f, 0.7f, 0.9f, 1.0f}));
    for (const Lamp& lamp : plan.lamps)
        AddLight(scene, lamp);
    for (const Daylight& day : plan.daylight)
        AddDaylight(scene, day);
    for (const BoxNode& node : plan.boxes)
        AddBoxNode(scene, node.name, node.position, node.half);
    return scene.Save(scenePath.string().c_str());
}

// ---- images ---------------------------------------------------------------------

inline void Put16(std::vector<uint8_t>& bytes, uint32_t value)
{
    bytes.push_back(uint8_t(value));
    bytes.push_back(uint8_t(value >> 8));
}

// 24-bit uncompressed, bottom-left origin: row 0 is the smallest Z.
inline bool WriteTarga24(const fs::path& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& rgb)
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

inline bool WriteTextures(const fs::path& folder)
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

inline bool WriteAIMap(const Plan& plan, const fs::path& path, const TsWorld& world)
{
    const AIMapImage image = PaintPlanAIMap(plan, world.GetBoundsMin(), world.GetBoundsMax());
    return WriteTarga24(path, image.size, image.size, image.rgb);
}


// Writes the plan's level under DATA_DIR; 0 when done, else 1 with the
// reason on stderr under the program's name.
inline int WriteLevel(const char* program, const fs::path& data, const Plan& plan)
{
    const std::string name = plan.name;
    const fs::path folder = data / "levels" / name;
    std::error_code error;
    fs::create_directories(folder / "textures", error);
    const std::string map = MapText(plan);
    if (error || !demo::WriteFile(folder / (name + ".map"), map.data(), map.size()) ||
        !WriteTextures(folder / "textures") || !WriteScene(plan, folder / (name + ".map"), folder / (name + ".pbf"))) {
        std::fprintf(stderr, "%s: cannot write the level's sources in %s\n", program, folder.string().c_str());
        return 1;
    }
    // The importer registers materials and textures with the renderer; one
    // without a device serves.
    OmD3D renderer;
    const auto world = OmMakeRef<TsWorld>();
    const std::string prefix = folder.string() + "/";
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "%s: %s (%s)\n", program, what, prefix.c_str());
        return 1;
    };
    if (!world->ImportWorld((prefix + name + ".pbf").c_str(), prefix.c_str(),
                            TsWorldImportSettings{.cellEdge = kCellEdge}))
        return fail("the world import failed");
    if (!WriteAIMap(plan, folder / (name + "_ai.tga"), *world))
        return fail("cannot write the AI map image");
    if (!world->CreateAIMap((prefix + name + "_ai.tga").c_str(), nullptr))
        return fail("the AI map could not be built from its image");
    if (!world->SaveWorld((prefix + name + ".tsw").c_str()))
        return fail("cannot save the world");
    return 0;
}

} // namespace demolevel
