// Device meshes.
#include "tests/render/RendererFixture.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/OmCamera.h"
#include "engine/OmGroup.h"
#include "engine/OmLight.h"
#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "engine/OmShape.h"
#include "render/OmD3DMesh.h"
#include "tests/engine/ArchiveTestSupport.h"

using namespace plat;
using rtest::Channel;
using rtest::Convert;
using rtest::ErrorLog;
using rtest::BlendTest;

namespace {

// An n x n grid of squares over [-h, h] at depth z, facing the camera. The
// right half may draw with an alpha material, and its right half with a
// second one; with an alpha half, red on the opaque side and half-clear
// green on the other.
OmRef<OmMesh> GlassGrid(uint32_t n, float h, float z, uint32_t material, uint32_t alphaMaterial = ~0u,
                        uint32_t secondAlpha = ~0u)
{
    const bool alpha = alphaMaterial != ~0u;
    const auto colour = [=](uint32_t i, uint32_t) {
        const bool glass = alpha && i >= n / 2;
        return std::array{glass ? 0.0f : 1.0f, glass || !alpha ? 1.0f : 0.0f, alpha ? 0.0f : 1.0f, glass ? 0.5f : 1.0f};
    };
    return rtest::GridMesh(n, OmVector3(0, 0, -1), rtest::FacingCamera(n, h, z), colour, [=](uint32_t i, uint32_t) {
        return secondAlpha != ~0u && i >= 3 * n / 4 ? secondAlpha : alpha && i >= n / 2 ? alphaMaterial : material;
    });
}

// A scene under a camera at the origin looking along +z, lighting off.
class MeshTest : public BlendTest {
protected:
    void SetUp() override
    {
        OmClassRegistry::Instance().AssignClassIds();
        ASSERT_NO_FATAL_FAILURE(BlendTest::SetUp());
        rtest::AimCamera(*renderer, *camera, 1.0f);
    }
    void TearDown() override
    {
        for (OmLight* light : lights)
            renderer->RemoveLight(light);
        BlendTest::TearDown();
    }

    // A light at the camera, switched on.
    OmLight* Light(int32_t type, std::initializer_list<float> attenuation = {0, 0, 1})
    {
        OmLight* light = lights.emplace_back(OmMakeRef<OmLight>());
        light->lightType = type;
        std::copy(attenuation.begin(), attenuation.end(), light->attenuation);
        light->Update(0.0f);
        renderer->AddLight(light);
        renderer->EnableLight(light, true);
        return light;
    }

    // Two shapes of one grid, red on the left half and glass on the right,
    // at x = -2 and 2 in a group under the root.
    OmRef<OmGroup> GlassScene(int32_t red, int32_t glass)
    {
        auto root = OmMakeRef<OmGroup>();
        const auto inner = OmMakeRef<OmGroup>();
        root->AddChild(inner);
        const OmRef<OmMesh> grid = GlassGrid(4, 1.0f, 5.0f, uint32_t(red), uint32_t(glass));
        for (float x : {-2.0f, 2.0f}) {
            const auto shape = OmMakeRef<OmShape>();
            shape->SetGeometry(grid);
            shape->LocalPosition() = OmVector3(x, 0, 0);
            inner->AddChild(shape);
        }
        EXPECT_TRUE(CreateRenderMeshes(root, *renderer, 0));
        root->Update(0.0f);
        return root;
    }
    // The glass grid converted and saved to path; its alpha vertex count.
    uint32_t SaveGlassMesh(const std::string& path, int32_t red, int32_t glass)
    {
        const OmRef<OmD3DMesh> device = Convert(*renderer, *GlassGrid(4, 1.0f, 5.0f, uint32_t(red), uint32_t(glass)));
        EXPECT_TRUE(archive_test::SaveRoots(path, {device.Get()}, &renderer->GetResourceOwner()));
        return device->GetAlphaVertexCount();
    }
    OmRef<OmD3DMesh> Load(const std::string& file)
    {
        const archive_test::LoadResult loaded = archive_test::LoadFile(file, &renderer->GetResourceOwner());
        if (!loaded.ok || loaded.roots.empty())
            return nullptr;
        return OmRef<OmD3DMesh>::Adopt(OmD3DMesh::Cast(loaded.roots[0])); // with the count it was saved with
    }
    std::vector<uint32_t> DrawAlone(OmD3DMesh& mesh)
    {
        ClearTo(0, 0, 0);
        renderer->GetBatch().Begin(0);
        mesh.Render(*renderer);
        renderer->GetBatch().Flush();
        return ReadPixels();
    }

    OmRef<OmCamera> camera = OmMakeRef<OmCamera>();
    std::vector<OmRef<OmLight>> lights;
};

} // namespace

TEST_F(MeshTest, ConversionNumbersAlphaVerticesInOrderOfUseAndHoldsTheMaterials)
{
    const int32_t opaque = Material(OmColour(1, 0, 0, 1));
    const int32_t alpha = Material(OmColour(0, 1, 0, 1), 0x20);
    const int32_t alphaTested = Material(OmColour(0, 0, 1, 1), 0x120);
    const OmRef<OmMesh> mesh = GlassGrid(1, 1.0f, 5.0f, uint32_t(opaque));
    const OmRef<OmD3DMesh> allOpaque = Convert(*renderer, *mesh);
    EXPECT_TRUE(allOpaque && allOpaque->GetAlphaVertexCount() == 0) << "all opaque: nothing numbered";
    // Six vertices: two opaque-only, four shared by two alpha subsets.
    for (float x : {2.0f, 3.0f}) {
        OmMeshVertex v = mesh->vertices[0];
        v.position.x = x;
        mesh->vertices.Add(v);
    }
    mesh->indices.RemoveAll();
    mesh->triangleMaterials.RemoveAll();
    const uint32_t tris[4][3] = {{0, 1, 2}, {3, 2, 4}, {4, 5, 3}, {2, 5, 4}};
    const int32_t mats[4] = {opaque, alpha, alphaTested, alphaTested};
    for (int t = 0; t < 4; ++t) {
        for (uint32_t i : tris[t])
            mesh->indices.Add(i);
        mesh->triangleMaterials.Add(uint32_t(mats[t]));
    }
    mesh->SortTrianglesByMaterial();
    const uint32_t refsBefore = renderer->GetMaterial(alpha)->GetRefCount();
    OmRef<OmD3DMesh> device = Convert(*renderer, *mesh);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetUsage() & OmD3DMesh::kReadable, OmD3DMesh::kReadable);
    EXPECT_EQ(device->GetSubsetCount(), 3u);
    EXPECT_EQ(renderer->GetMaterial(alpha)->GetRefCount(), refsBefore + 1);
    EXPECT_EQ(device->GetAlphaVertexCount(), 4u);
    const uint16_t expected[6] = {0xFFFF, 0xFFFF, 1, 0, 2, 3};
    for (uint32_t v = 0; v < 6; ++v)
        EXPECT_EQ(device->GetAlphaIndex(v), expected[v]) << v;
    device = nullptr;
    EXPECT_EQ(renderer->GetMaterial(alpha)->GetRefCount(), refsBefore);
}

// 65535 indices fit, 65538 do not; an index past the vertices or a
// material that is not registered refuses the conversion.
TEST_F(MeshTest, ConversionRefusesTooManyOrStrayIndicesAndUnknownMaterials)
{
    ErrorLog log;
    const OmRef<OmMesh> plain = GlassGrid(2, 1.0f, 5.0f, uint32_t(Material(OmColour(1, 0, 0, 1))));
    plain->indices.RemoveAll();
    plain->materialGroups.RemoveAll();
    for (uint32_t i = 0; i < 65535; ++i)
        plain->indices.Add(i % 3);
    const OmRef<OmD3DMesh> device = Convert(*renderer, *plain);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetTriangleCount(), 21845u);
    for (uint32_t i = 0; i < 3; ++i)
        plain->indices.Add(i);
    EXPECT_EQ(Convert(*renderer, *plain), nullptr);
    plain->indices.Resize(3);
    plain->indices[2] = plain->vertices.GetCount();
    EXPECT_EQ(Convert(*renderer, *plain), nullptr);
    plain->indices[2] = 2;
    plain->materialGroups.Add(OmMaterialGroup{77, 0, 1, 0, 3});
    EXPECT_EQ(Convert(*renderer, *plain), nullptr);
    // 16-bit indices reach 65536 vertices and no more.
    const auto unmade = OmRef<OmD3DMesh>::Adopt(static_cast<OmD3DMesh*>(renderer->CreateMesh()));
    EXPECT_TRUE(unmade->Create(*renderer, 0, 3, OmD3DMesh::kMaxVertices, plain->layout));
    EXPECT_FALSE(unmade->Create(*renderer, 0, 3, OmD3DMesh::kMaxVertices + 1, plain->layout));
    EXPECT_EQ(log.Count("OmD3DMesh:"), 4u);
}

TEST_F(MeshTest, ALitMeshShowsItsMaterialAndTheImportersLights)
{
    renderer->SetLighting(true);
    const OmRef<OmD3DMesh> device =
        Convert(*renderer, *GlassGrid(20, 5.0f, 5.0f, uint32_t(Material(OmColour(1, 0, 0, 1)))));
    ASSERT_NE(device, nullptr);
    auto drawWith = [&](OmLight* light) {
        ClearTo(0, 0, 0);
        device->Render(*renderer);
        renderer->EnableLight(light, false);
        return ReadPixels();
    };
    // A directional light along +z: full material colour, nothing else.
    EXPECT_EQ(Pixel(drawWith(Light(OmLight::kDirectional)), 320, 240), 0xFFFF0000u);
    // The importer's attenuation (1, -1/d, 1/d) with d = 10, at distance 5:
    // 1 / (1 - 0.5 + 2.5) of the light.
    EXPECT_NEAR(Channel(Pixel(drawWith(Light(OmLight::kPoint, {1.0f, -0.1f, 0.1f})), 320, 240), 16), 85, 3);
    // A spot with the default full cone of pi/2 (inner pi/4): lit at the
    // centre and, softened, at 26.6 degrees off its axis (the grid vertex at
    // x = 2.5). Spot factor (cos 26.6 - cos 45) / (cos 22.5 - cos 45) = 0.86,
    // times the light's incidence cos 26.6 = 0.89: about 197.
    const std::vector<uint32_t> pixels = drawWith(Light(OmLight::kSpot, {1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(Channel(Pixel(pixels, 320, 240), 16), 255u);
    EXPECT_NEAR(Channel(Pixel(pixels, 480, 240), 16), 197, 8);
}

// Not with whichever material was applied before the mesh, nor with the
// mesh's first alpha material.
TEST_F(MeshTest, BlendedSubsetsAreLitWithTheirOwnMaterial)
{
    renderer->SetLighting(true);
    Light(OmLight::kDirectional);
    const int32_t red = Material(OmColour(1, 0, 0, 1));
    const int32_t green = Material(OmColour(0, 1, 0, 1), 0x20);
    const int32_t blue = Material(OmColour(0, 0, 1, 1), 0x20);
    const OmRef<OmD3DMesh> device =
        Convert(*renderer, *GlassGrid(4, 1.0f, 5.0f, uint32_t(red), uint32_t(green), uint32_t(blue)));
    ASSERT_NE(device, nullptr);
    renderer->ApplyMaterial(red);
    // 64 pixels a unit at depth 5: x = -0.75 opaque, 0.25 green, 0.75 blue.
    ExpectPixels(DrawAlone(*device), {{320 - 48, 240, 0xFFFF0000u}, {320 + 16, 240, 0xFF00FF00u},
                                      {320 + 48, 240, 0xFF0000FFu}});
}

TEST_F(MeshTest, ASceneDrawsOpaqueHalvesItselfAndSendsAlphaHalvesThroughTheBatch)
{
    const OmRef<OmGroup> root = GlassScene(Material(OmColour(1, 0, 0, 1)), Material(OmColour(0, 1, 0, 0.5f), 0x20));
    OmD3DBatch& batch = renderer->GetBatch();
    Device()->ResetCallCounts();
    batch.Begin(0);
    root->Render(*renderer);
    // Each shape draws its opaque half itself and hands the other half on.
    EXPECT_EQ(Device()->CallCount(GfxCall::DrawIndexedPrimitive), 2u);
    EXPECT_EQ(batch.GetTriangleCount(), 32u);
    batch.Flush();
    EXPECT_EQ(Device()->CallCount(GfxCall::DrawIndexedPrimitive), 3u);
    EXPECT_EQ(renderer->GetAlphaQueueLength(), 0u);
    const std::vector<uint32_t> pixels = ReadPixels();
    // 64 pixels a unit at depth 5. The left shape spans x -3..-1: red at
    // x = -2.75, glass (green over black) at x = -1.25.
    EXPECT_EQ(Pixel(pixels, 144, 250), 0xFFFF0000u);
    EXPECT_NEAR(Channel(Pixel(pixels, 240, 250), 8), 127, 3);
}

TEST_F(MeshTest, WithNoBatchOpenTheAlphaHalvesWaitForTheAlphaPass)
{
    const OmRef<OmGroup> root = GlassScene(Material(OmColour(1, 0, 0, 1)), Material(OmColour(0, 1, 0, 0.5f), 0x20));
    // As a frame leaves stage 0 after the batch: alpha from the vertices.
    renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
    renderer->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
    root->Render(*renderer);
    EXPECT_EQ(renderer->GetAlphaQueueLength(), 2u);
    renderer->FlushAlphaQueue();
    EXPECT_NEAR(Channel(Pixel(ReadPixels(), 240, 250), 8), 127, 3);
}

TEST_F(MeshTest, DeviceMeshesRoundTripThroughAnArchiveAndDrawTheSame)
{
    const int32_t red = Material(OmColour(1, 0, 0, 1)), glass = Material(OmColour(0, 1, 0, 0.5f), 0x20);
    const OmRef<OmD3DMesh> device = Convert(*renderer, *GlassGrid(4, 1.0f, 5.0f, uint32_t(red), uint32_t(glass)));
    ASSERT_NE(device, nullptr);
    const std::vector<uint32_t> before = DrawAlone(*device);
    const archive_test::TestFile path("mesh");
    const uint32_t alphaCount = SaveGlassMesh(path, red, glass);
    const OmRef<OmD3DMesh> loaded = Load(path);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetAlphaVertexCount(), alphaCount);
    EXPECT_EQ(DrawAlone(*loaded), before);
}

// Damaged counts, stride or indices, or a subset out of range after one
// that was read.
TEST_F(MeshTest, ADamagedDeviceMeshFailsToLoadAndGivesEveryMaterialBackOnce)
{
    const int32_t red = Material(OmColour(1, 0, 0, 1)), glass = Material(OmColour(0, 1, 0, 0.5f), 0x20);
    const archive_test::TestFile path("mesh"), bad("mesh_bad");
    SaveGlassMesh(path, red, glass);
    const std::vector<unsigned char> file = archive_test::ReadFile(path);
    const uint32_t header[5] = {GfxFvf::PosNormalDiffuseTex1, OmD3DMesh::kReadable, 36, 32, 25};
    size_t at = 0;
    while (at + sizeof header <= file.size() && std::memcmp(&file[at], header, sizeof header) != 0)
        ++at;
    ASSERT_LT(at + sizeof header, file.size());
    const uint32_t redRefs = renderer->GetMaterial(red)->GetRefCount();
    const uint32_t glassRefs = renderer->GetMaterial(glass)->GetRefCount();
    struct Damage {
        size_t offset;
        uint32_t value;
        const char* message;
        bool once;
    };
    const size_t firstIndex = at + sizeof header + 25 * 36;
    const char* const subset = "subset names no material or lies outside";
    const Damage damages[] = {{at + 16, 70000, "device mesh", false},
                              {at + 8, 40, "device mesh", false}, {at + 12, 0x7FFFFFFF, "device mesh", false},
                              {firstIndex, 25 | 25 << 16, "device mesh", false},
                              {firstIndex + 32 * 6 + 4 + 20 + 16, 1000, subset, true}};
    for (const Damage& d : damages) {
        ErrorLog log;
        archive_test::WriteFile(bad, archive_test::Patched(file, d.offset, d.value));
        EXPECT_EQ(Load(bad), nullptr) << d.offset - at;
        EXPECT_GE(log.Count(d.message), 1u) << d.offset - at;
        if (d.once) {
            EXPECT_EQ(log.Count(d.message), 1u);
        }
    }
    ASSERT_NE(renderer->GetMaterial(red), nullptr);
    ASSERT_NE(renderer->GetMaterial(glass), nullptr);
    EXPECT_EQ(renderer->GetMaterial(red)->GetRefCount(), redRefs);
    EXPECT_EQ(renderer->GetMaterial(glass)->GetRefCount(), glassRefs);
}
