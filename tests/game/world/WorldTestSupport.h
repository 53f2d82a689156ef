// Shared pieces of the world tests: a renderer without a device (its
// material registry is all the importer needs), releasing handles, paths
// named after the test, the demo level, and small scenes built in code.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/OmGroup.h"
#include "engine/OmMaterial.h"
#include "engine/OmMaxLight.h"
#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "engine/OmShape.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldImporter.h"
#include "render/OmD3D.h"
#include "testing/ScratchDir.h"
#include "tools/DemoLevel.h"

namespace worldtest {

inline std::string DemoFile(const char* name)
{
    const char* source = std::getenv("OM_SOURCE_DIR");
    return (std::filesystem::path(source && *source ? source : ".") / "data/levels/demo" / name).string();
}

inline bool HaveDemoLevel()
{
    return std::filesystem::exists(DemoFile("demo.pbf")) && std::filesystem::exists(DemoFile("demo.tsw"));
}

// Triangles for a test scene: three corners each, one material for all.
struct Triangles {
    std::vector<OmVector3> corners;
    OmVector3 normal{0, 1, 0};
};

// A shape named `name` drawing the mesh (whose reference it takes), under
// root; the shape answered is root's.
inline OmShape* AddMesh(OmGroup& root, const char* name, OmMesh* mesh)
{
    const auto shape = OmMakeRef<OmShape>();
    shape->SetGeometry(OmRef<OmMesh>::Adopt(mesh));
    shape->SetName(name);
    root.AddChild(shape);
    return shape;
}

inline OmMaxLightNode* AddLight(OmGroup& root, const char* name, const OmVector3& position, const OmVector3& colour,
                                float multiplier)
{
    const auto node = OmMakeRef<OmMaxLightNode>();
    node->SetName(name);
    node->LocalPosition() = position;
    node->light.on = 1;
    node->light.colour[0] = colour.x;
    node->light.colour[1] = colour.y;
    node->light.colour[2] = colour.z;
    node->light.multiplier = multiplier;
    root.AddChild(node);
    return node;
}

// Runs the importer over root (which it releases) for the box min..max.
inline bool ImportInto(TsWorld& world, OmGroup* root, const OmVector3& min, const OmVector3& max, float edge,
                       OmRenderer& renderer)
{
    const auto owned = OmRef<OmGroup>::Adopt(root);
    world.SetWorldBounds(min, max);
    return TsWorldImporter(world, root, min, max, edge, true).Run(root, &renderer);
}

// A renderer without a device whose screen is 640 x 480 pixels.
class TestRenderer : public OmD3D {
public:
    plat::GfxViewport* GetDeviceViewport(plat::GfxViewport* out) override
    {
        *out = plat::GfxViewport{0, 0, 640, 480, 0.0f, 1.0f};
        return out;
    }
};

class WorldTest : public ::testing::Test {
protected:
    // <the test's own folder>/world.<suffix>, removed after the test.
    std::string TempPath(const std::string& suffix) const { return m_scratch.File("world." + suffix); }

    // The demo level imported afresh from its scene file.
    OmRef<TsWorld> ImportDemo()
    {
        OmRef<TsWorld> world = OmMakeRef<TsWorld>();
        const std::string folder = TempPath("import");
        std::filesystem::create_directories(folder);
        const TsWorldImportSettings settings{.cellEdge = demolevel::kCellEdge};
        if (!world->ImportWorld(DemoFile("demo.pbf").c_str(), (folder + "/").c_str(), settings))
            return nullptr;
        return world;
    }

    int32_t Material()
    {
        if (m_material < 0)
            m_material = renderer.RegisterMaterial(&OmMaterial::Default());
        return m_material;
    }

    OmShape* AddShape(OmGroup& root, const char* name, const Triangles& triangles)
    {
        auto* mesh = new OmMesh();
        for (size_t i = 0; i < triangles.corners.size(); ++i) {
            OmMeshVertex v{};
            v.position = triangles.corners[i];
            v.normal = triangles.normal;
            v.colour[0] = v.colour[1] = v.colour[2] = v.colour[3] = 1.0f;
            v.uv0[0] = triangles.corners[i].x;
            v.uv0[1] = triangles.corners[i].z;
            mesh->vertices.Add(v);
            mesh->indices.Add(uint32_t(i));
            if (i % 3 == 2)
                mesh->triangleMaterials.Add(uint32_t(Material()));
        }
        return AddMesh(root, name, mesh);
    }

    // A world made by the importer from root (which it releases) for the
    // box (0, -1, 0)..max with cells of `edge`.
    OmRef<TsWorld> Import(OmGroup* root, const OmVector3& max, float edge)
    {
        OmRef<TsWorld> world = OmMakeRef<TsWorld>();
        ImportInto(*world, root, OmVector3(0, -1, 0), max, edge, renderer);
        return world;
    }

    TestRenderer renderer;

private:
    int32_t m_material = -1;
    ScratchDir m_scratch{ScratchDir::kStayOutside};
};

// A square floor quad at height y over x0..x1, z0..z1, facing up.
inline Triangles Floor(float x0, float z0, float x1, float z1, float y = 0.0f)
{
    return Triangles{{OmVector3(x0, y, z0), OmVector3(x0, y, z1), OmVector3(x1, y, z1), OmVector3(x0, y, z0),
                      OmVector3(x1, y, z1), OmVector3(x1, y, z0)}};
}

} // namespace worldtest
