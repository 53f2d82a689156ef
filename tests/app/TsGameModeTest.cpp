// What every mode gets from the common base: a scene root drawn each frame
// with the developer overlay, and the renderer prepared at initialisation.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "engine/OmCamera.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmShape.h"
#include "game/framework/TsCamera.h"
#include "platform/FontRaster.h"
#include "render/OmD3D.h"
#include "render/OmD3DFont.h"
#include "tests/app/AppFixture.h"
#include "tests/render/RendererFixture.h"

namespace apptest {
namespace {

// A mode with nothing of its own.
class PlainMode : public TsGameMode {
    OM_DECLARE_TEST_CLASS(PlainMode, TsGameMode)
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
    void AddToScene(const OmRef<OmGeometry>& geometry)
    {
        auto* shape = new OmShape();
        shape->SetGeometry(geometry);
        Mode().GetSceneRoot()->AddChild(shape);
        shape->Release();
    }
    // The renderer's camera, which the test places itself, at the origin
    // looking down +z, unlit, on black; the glass registered: its id.
    int32_t LookDownZOnBlackThroughGlass(OmD3D& renderer)
    {
        Mode().GetCamera()->SetActive(false);
        rtest::AimCamera(renderer, *renderer.GetCamera(), 1.0f);
        renderer.SetLighting(false);
        const float black[3] = {0.0f, 0.0f, 0.0f};
        renderer.SetClearColour(black);
        return renderer.RegisterMaterial(&glass);
    }
    // A half-clear green material.
    OmMaterial glass{OmColour(0, 1, 0, 0.5f), OmColour(0, 0, 0, 1), OmColour(), OmColour(), 10.0f, 1.0f, 0x20};
};

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

// The mode opens the geometry batch around its scene and flushes it.
TEST_F(BaseMode, BlendedTrianglesOfItsSceneAreDrawnThroughTheBatch)
{
    OmD3D& renderer = *OmD3D::Instance();
    const int32_t glassId = LookDownZOnBlackThroughGlass(renderer);
    AddToScene(rtest::GridMesh(1, OmVector3(0, 0, -1), rtest::FacingCamera(1, 1.0f, 5.0f),
                               [](uint32_t, uint32_t) { return std::array{0.0f, 1.0f, 0.0f, 0.5f}; },
                               [&](uint32_t, uint32_t) { return uint32_t(glassId); }));
    ASSERT_TRUE(CreateRenderMeshes(Mode().GetSceneRoot(), renderer, 0));

    FrameAfter(10);
    const uint32_t centre = CentrePixel();
    EXPECT_NEAR((centre >> 8) & 0xFF, 127, 3) << "half-clear green over black, got " << std::hex << centre;
    EXPECT_EQ(centre & 0x00FF00FFu, 0u);
    EXPECT_EQ(renderer.GetAlphaQueueLength(), 0u) << "nothing is left waiting for an alpha pass";
    EXPECT_FALSE(log.Contains("geometry batch"));
    renderer.ReleaseMaterial(glassId);
}

TEST_F(BaseMode, TheOverlayTextIsDrawnOverTheAlphaQueuedParts)
{
    OmD3D& renderer = *OmD3D::Instance();
    const int32_t glassId = LookDownZOnBlackThroughGlass(renderer);
    AddToScene(OmRef<OmGeometry>::Adopt(new QueuedGlass(uint32_t(glassId))));

    const Picture screen = LookAfter(1, 10);
    EXPECT_NEAR((CentrePixel() >> 8) & 0xFF, 127, 3) << "the sheet is drawn";
    const int pureRed = screen.Count(0, 0, screen.width / 2, screen.height / 3,
                                     [](uint32_t p) { return Red(p) > 200 && Green(p) < 40; });
    EXPECT_GT(pureRed, 20) << "the overlay's letters stand red over the green sheet";
    EXPECT_EQ(renderer.GetAlphaQueueLength(), 0u);
    renderer.ReleaseMaterial(glassId);
}

// The font file with "DejaVu Sans" in its names spelt as `family` and NULs,
// which end a name: in bytes and in the Windows names' UTF-16BE.
std::string Renamed(const char* fontFile, std::string family)
{
    std::ifstream in(fontFile, std::ios::binary);
    std::string font(std::istreambuf_iterator<char>(in), {}), from = "DejaVu Sans", wideFrom, wideTo;
    family.resize(from.size(), '\0');
    for (size_t i = 0; i < from.size(); ++i)
        wideFrom += {'\0', from[i]}, wideTo += {'\0', family[i]};
    for (const auto& [old, spelt] : {std::pair{from, family}, {wideFrom, wideTo}})
        for (size_t at = font.find(old); at != std::string::npos; at = font.find(old, at))
            font.replace(at, old.size(), spelt);
    return font;
}

using DeveloperText = AppTest;

// The renderer writes the developer texts in Arial, which the game's own
// font files supply: from the first frame, and again after a reset.
TEST_F(DeveloperText, TheRenderersFontIsTheGamesArialFromTheStartAndAfterAReset)
{
    const std::filesystem::path animations = std::filesystem::absolute("data/animdb.tsa");
    scratch = std::make_unique<ScratchDir>();
    scratch->Write("data/frontend/arial.ttf", Renamed(plat::kFallbackFontFiles[1], "Arial"));
    std::filesystem::create_symlink(animations, scratch->Root() / "data" / "animdb.tsa");
    ASSERT_NO_FATAL_FAILURE(Start());
    OmD3D& renderer = *OmD3D::Instance();
    OmD3DFont outlines("DejaVu Sans", 10, OmD3DFont::kBold); // the file's, as the fallback's bold face
    ASSERT_EQ(outlines.CreateGlyphTexture(renderer), 0);
    auto laidOutAsArial = [&] { // the last glyph's place sums every advance before it
        return renderer.GetFont() && std::memcmp(&renderer.GetFont()->GetGlyph('~'), &outlines.GetGlyph('~'),
                                                 sizeof(OmD3DFont::Glyph)) == 0;
    };
    EXPECT_TRUE(laidOutAsArial());
    renderer.MarkDeviceLost();
    renderer.ReleaseDeviceObjects();
    ASSERT_TRUE(renderer.Reset());
    renderer.ClearDeviceLost();
    EXPECT_TRUE(laidOutAsArial());
}

} // namespace
} // namespace apptest
