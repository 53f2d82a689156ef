// What every mode gets from the common base: a scene root drawn each frame
// with the developer overlay, and the renderer prepared at initialisation.
#include <cmath>
#include <cstring>
#include <utility>

#include "engine/OmCamera.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmShape.h"
#include "game/framework/TsCamera.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

// A mode with nothing of its own.
class PlainMode : public TsGameMode {
    OM_DECLARE_CLASS(PlainMode)
public:
    PlainMode() = default;
    explicit PlainMode(OmArchive& archive) : TsGameMode(archive) {}
    TsModeType GetModeType() const override { return TS_MODE_FRONT_END; }
    using TsGameMode::QueueDebugOverlay;
};

OM_IMPLEMENT_CLASS(PlainMode, TsGameMode)

TsGameMode* MakePlain() { return new PlainMode; }

class BaseMode : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        TsMain::SetModeFactory(TS_MODE_FRONT_END, &MakePlain);
        Start();
    }
    PlainMode& Mode() { return *static_cast<PlainMode*>(app->GetMode()); }
    // Hands the mode's scene a shape of `geometry`, which it then holds alone.
    void AddToScene(OmGeometry* geometry)
    {
        auto* shape = new OmShape();
        shape->SetGeometry(geometry);
        geometry->Release();
        Mode().GetSceneRoot()->AddChild(shape);
        shape->Release();
    }
    // A half-clear green material, registered for the test.
    OmMaterial glass{OmColour(0, 1, 0, 0.5f), OmColour(0, 0, 0, 1), OmColour(), OmColour(), 10.0f, 1.0f, 0x20};
};

// The renderer's camera at the origin looking down +z, unlit, on black.
void LookDownZOnBlack(OmD3D& renderer)
{
    OmCamera* camera = renderer.GetCamera();
    OmProjection projection;
    projection.halfWidth = 1.0f, projection.halfHeight = 0.75f;
    projection.nearDistance = 1.0f, projection.farDistance = 100.0f;
    camera->SetProjection(projection);
    camera->SetFrame(OmVector3(0, 0, 0), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    camera->Apply(renderer);
    renderer.SetLighting(false);
    const float black[3] = {0.0f, 0.0f, 0.0f};
    renderer.SetClearColour(black);
}

// A square of two triangles at depth z facing the camera, every triangle
// with the material.
OmMesh* Square(float h, float z, uint32_t material, const float colour[4])
{
    auto* mesh = new OmMesh();
    const uint8_t layout[12] = {0, 1, 1, 1, 2}; // normal, colour, one texture set
    std::memcpy(mesh->layout, layout, sizeof layout);
    for (const auto& [x, y] : {std::pair{-h, h}, {h, h}, {-h, -h}, {h, -h}}) {
        OmMeshVertex v;
        v.position = OmVector3(x, y, z);
        v.normal = OmVector3(0, 0, -1);
        std::memcpy(v.colour, colour, sizeof v.colour);
        v.uv0[0] = v.uv0[1] = v.uv1[0] = v.uv1[1] = 0.0f;
        mesh->vertices.Add(v);
    }
    for (uint32_t i : {0u, 1u, 2u, 1u, 3u, 2u})
        mesh->indices.Add(i);
    mesh->triangleMaterials.Add(material);
    mesh->triangleMaterials.Add(material);
    mesh->SortTrianglesByMaterial();
    mesh->ComputeBounds();
    return mesh;
}

// A half-clear green sheet over the whole view that files itself into the
// renderer's alpha queue, as a skinned mesh's blended parts do.
class QueuedGlass : public OmGeometry {
public:
    explicit QueuedGlass(uint32_t material)
    {
        const float corners[4][2] = {{-20, 20}, {20, 20}, {20, -20}, {-20, -20}};
        for (const auto& c : corners) {
            OmMeshVertex v;
            v.position = OmVector3(c[0], c[1], 5.0f);
            v.normal = OmVector3(0, 0, -1);
            const float halfGreen[4] = {0.0f, 1.0f, 0.0f, 0.5f};
            std::memcpy(v.colour, halfGreen, sizeof v.colour);
            v.uv0[0] = v.uv0[1] = v.uv1[0] = v.uv1[1] = 0.0f;
            vertices.Add(v);
        }
        triangles.Add(OmAlphaTriangle{{0, 1, 3}, material});
        triangles.Add(OmAlphaTriangle{{1, 2, 3}, material});
        SetBounds(OmSphere(OmVector3(0, 0, 5.0f), 30.0f));
    }
    void Render(OmRenderer& renderer) override { renderer.QueueAlphaItem(this, GetBounds()); }
    uint32_t GetVertexFormat() const override { return 0x142; }
    const void* GetVertices() const override { return &vertices; }
    const void* GetTriangles() const override { return &triangles; }
    uint32_t GetPassMask() const override { return kSortedPass; }

    OmArray<OmMeshVertex> vertices;
    OmArray<OmAlphaTriangle> triangles;
};

// A frame of the scene through the renderer's own camera node, which the
// mode's camera drives (its projection following the field of view), and
// no text left queued after it.
TEST_F(BaseMode, DrawsAFrameOfItsSceneAndLeavesNoQueuedText)
{
    const float blue[3] = {0.0f, 0.0f, 1.0f};
    OmD3D::Instance()->SetClearColour(blue);
    FrameAfter(10);
    EXPECT_EQ(CentrePixel(), 0xFF0000FFu);
    EXPECT_EQ(OmD3D::Instance()->GetQueuedTextCount(), 0u);
    TsCamera* camera = Mode().GetCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->GetSceneCamera(), OmRenderer::Current()->GetCamera());
    const OmProjection& p = camera->GetSceneCamera()->GetProjection();
    EXPECT_NEAR(p.halfWidth, std::tan(camera->GetFieldOfView() / 2.0f), 1e-5f);
    EXPECT_NEAR(p.halfHeight, p.halfWidth * 0.75f, 1e-6f);
}

TEST_F(BaseMode, TheDebugOverlayQueuesEightLinesWithTheFrameRateFirst)
{
    Mode().QueueDebugOverlay(*OmD3D::Instance());
    ASSERT_EQ(OmD3D::Instance()->GetQueuedTextCount(), 8u);
    EXPECT_EQ(std::string(OmD3D::Instance()->GetQueuedText(0).text).rfind("fps: ", 0), 0u);
    OmD3D::Instance()->ClearQueuedText();
}

// The blended triangles a mesh files into the geometry batch reach the
// screen: the mode opens the batch around its scene and flushes it.
TEST_F(BaseMode, BlendedTrianglesOfItsSceneAreDrawnThroughTheBatch)
{
    OmD3D& renderer = *OmD3D::Instance();
    Mode().GetCamera()->SetActive(false); // the test places the renderer's camera itself
    LookDownZOnBlack(renderer);
    const int32_t glassId = renderer.RegisterMaterial(&glass);
    const float halfGreen[4] = {0.0f, 1.0f, 0.0f, 0.5f};
    AddToScene(Square(1.0f, 5.0f, uint32_t(glassId), halfGreen));
    ASSERT_TRUE(CreateRenderMeshes(Mode().GetSceneRoot(), renderer, 0));

    FrameAfter(10);
    const uint32_t centre = CentrePixel();
    EXPECT_NEAR((centre >> 8) & 0xFF, 127, 3) << "half-clear green over black, got " << std::hex << centre;
    EXPECT_EQ(centre & 0x00FF00FFu, 0u);
    EXPECT_EQ(renderer.GetAlphaQueueLength(), 0u) << "nothing is left waiting for an alpha pass";
    EXPECT_FALSE(log.Contains("geometry batch"));
    renderer.ReleaseMaterial(glassId);
}

// The scene's blended parts that wait in the alpha queue are drawn with
// the scene, under the developer overlay's red text, not over it.
TEST_F(BaseMode, TheOverlayTextIsDrawnOverTheAlphaQueuedParts)
{
    OmD3D& renderer = *OmD3D::Instance();
    Mode().GetCamera()->SetActive(false); // the test places the renderer's camera itself
    LookDownZOnBlack(renderer);
    const int32_t glassId = renderer.RegisterMaterial(&glass);
    AddToScene(new QueuedGlass(uint32_t(glassId)));

    FrameAfter(10);
    const Picture screen = Look();
    EXPECT_NEAR((CentrePixel() >> 8) & 0xFF, 127, 3) << "the sheet is drawn";
    const int pureRed = screen.Count(0, 0, screen.width / 2, screen.height / 3,
                                     [](uint32_t p) { return Red(p) > 200 && Green(p) < 40; });
    EXPECT_GT(pureRed, 20) << "the overlay's letters stand red over the green sheet";
    EXPECT_EQ(renderer.GetAlphaQueueLength(), 0u);
    renderer.ReleaseMaterial(glassId);
}

} // namespace
} // namespace apptest
