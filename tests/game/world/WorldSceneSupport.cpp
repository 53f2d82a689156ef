#include "tests/game/world/WorldSceneSupport.h"

#include <cstring>

#include "engine/OmGroup.h"
#include "engine/OmMaterial.h"
#include "engine/OmMaxLight.h"
#include "engine/OmMesh.h"
#include "engine/OmRenderer.h"
#include "engine/OmShape.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldImporter.h"

namespace worldtest {

namespace {

// A grid of quads: corner(i, j) gives the position, front faces clockwise
// as seen from the side the normal points to.
template <class Corner>
OmMesh* Grid(uint32_t n, uint32_t material, const OmVector3& normal, const float colour[4], Corner corner,
             bool checker = false)
{
    auto* mesh = new OmMesh();
    const uint8_t layout[12] = {0, 1, 1, 1, 2};
    std::memcpy(mesh->layout, layout, sizeof layout);
    for (uint32_t j = 0; j <= n; ++j)
        for (uint32_t i = 0; i <= n; ++i) {
            OmMeshVertex v;
            v.position = corner(i, j);
            v.normal = normal;
            std::memcpy(v.colour, colour, sizeof v.colour);
            if (checker && (i + j) % 2)
                v.colour[0] = v.colour[1] = 0.0f;
            v.uv0[0] = float(i) / float(n), v.uv0[1] = float(j) / float(n);
            v.uv1[0] = v.uv1[1] = 0.0f;
            mesh->vertices.Add(v);
        }
    for (uint32_t j = 0; j < n; ++j)
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            for (uint32_t k : {a, c, b, c, d, b})
                mesh->indices.Add(k);
            mesh->triangleMaterials.Add(material);
            mesh->triangleMaterials.Add(material);
        }
    mesh->SortTrianglesByMaterial();
    mesh->ComputeBounds();
    return mesh;
}

void AddShape(OmGroup* root, OmMesh* mesh, const char* name)
{
    auto* shape = new OmShape();
    shape->SetName(name);
    shape->SetGeometry(mesh);
    root->AddChild(shape);
    shape->Release();
    mesh->Release();
}

uint32_t PlainMaterial(OmRenderer& renderer)
{
    const OmColour white(1, 1, 1, 1), none(0, 0, 0, 0);
    OmMaterial m(white, white, none, none, 10.0f, 1.0f, 0);
    return uint32_t(renderer.RegisterMaterial(&m));
}

} // namespace

bool BuildWorld(TsWorld& world, OmRenderer& renderer, bool withWall, bool withWater)
{
    const SceneColours colours;
    const uint32_t material = PlainMaterial(renderer);
    auto* root = new OmGroup();
    AddShape(root, Grid(16, material, OmVector3(0, 1, 0), colours.floor,
                        [](uint32_t i, uint32_t j) { return OmVector3(float(i), 0.0f, float(j)); }),
             "floor");
    if (withWall)
        AddShape(root, Grid(8, material, OmVector3(0, 0, 1), colours.wall,
                            [](uint32_t i, uint32_t j) { return OmVector3(12.0f - float(i), float(j), 12.0f); }),
                 "wall");
    if (withWater) {
        const float blue[4] = {0.0f, 0.25f, 0.5f, 1.0f};
        AddShape(root, Grid(8, material, OmVector3(0, 1, 0), blue,
                            [](uint32_t i, uint32_t j) { return OmVector3(1.0f + float(i), 0.5f, 1.0f + float(j)); },
                            true),
                 "fx_water");
    }
    auto* lamp = new OmMaxLightNode();
    lamp->SetName("dyn_lamp");
    lamp->light.on = 1;
    lamp->light.type = OmMaxLight::kOmni;
    lamp->light.multiplier = 1.0f;
    lamp->light.colour[0] = lamp->light.colour[1] = lamp->light.colour[2] = 1.0f;
    lamp->light.farAttenuation = 1;
    lamp->light.farStart = 0.0f;
    lamp->light.farEnd = 3.0f;
    lamp->LocalPosition() = OmVector3(4, 1, 4);
    root->AddChild(lamp);
    lamp->Release();
    root->Update(0.0f);

    const OmVector3 min(0, 0, 0), max(16, withWall ? 8.0f : 1.0f, 16);
    world.SetWorldBounds(min, max);
    bool ok = false;
    {
        TsWorldImporter importer(world, root, min, max, 8.0f, true);
        ok = importer.Run(root, &renderer);
    }
    root->Release();
    return ok && world.GetCellCount() > 0;
}

} // namespace worldtest
