// The world drawn on a real device: cells, lights, shadows, liquids, clouds
// and explosion effects; camera fade as the level's camera sees it, pitched
// down behind the focus with what stands between them fading out (dynamic
// geometry through the frame's batch, blob shadows on the floor a faded wall
// uncovers).
#include <functional>
#include <string>
#include <gtest/gtest.h>
#include <vector>

#include "engine/OmMaxLight.h"
#include "engine/OmPlane.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsOptions.h"
#include "game/world/TsBlobRenderer.h"
#include "game/world/TsEffectUtil.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsLiquid.h"
#include "game/world/TsModelLighting.h"
#include "game/world/TsWorldCell.h"
#include "game/world/TsWorldDrawing.h"
#include "testing/ScratchDir.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tests/render/RendererFixture.h"
#include "tools/DemoImages.h"

namespace {

// A small level made through the importer, all of one material: a 16 x 16
// floor, a wall across it at z = 12, a checkered water pool, and the dynamic
// lamp "dyn_lamp" at (4, 1, 4) reaching 3 units, in cells of 8. False when
// the import fails.
bool BuildWorld(TsWorld& world, OmRenderer& renderer, uint32_t material, bool withWall, bool withWater)
{
    const auto coloured = [](std::array<float, 4> colour, bool checker = false) {
        return [=](uint32_t i, uint32_t j) {
            return checker && (i + j) % 2 ? std::array{0.0f, 0.0f, colour[2], colour[3]} : colour;
        };
    };
    const auto plain = [material](uint32_t, uint32_t) { return material; };
    auto* root = new OmGroup();
    worldtest::AddMesh(*root, "floor", rtest::GridMesh(16, OmVector3(0, 1, 0), [](uint32_t i, uint32_t j) {
        return OmVector3(float(i), 0.0f, float(j));
    }, coloured({0.25f, 0.25f, 0.25f, 1.0f}), plain).Detach());
    if (withWall)
        worldtest::AddMesh(*root, "wall", rtest::GridMesh(8, OmVector3(0, 0, 1), [](uint32_t i, uint32_t j) {
            return OmVector3(12.0f - float(i), float(j), 12.0f);
        }, coloured({0.5f, 0, 0, 1}), plain).Detach());
    if (withWater)
        worldtest::AddMesh(*root, "fx_water", rtest::GridMesh(8, OmVector3(0, 1, 0), [](uint32_t i, uint32_t j) {
            return OmVector3(1.0f + float(i), 0.5f, 1.0f + float(j));
        }, coloured({0, 0.25f, 0.5f, 1}, true), plain).Detach());
    OmMaxLight& light = worldtest::AddLight(*root, "dyn_lamp", OmVector3(4, 1, 4), OmVector3(1, 1, 1), 1.0f)->light;
    light.type = OmMaxLight::kOmni, light.farAttenuation = 1, light.farStart = 0.0f, light.farEnd = 3.0f;
    root->Update(0.0f);
    return worldtest::ImportInto(world, root, OmVector3(0, 0, 0), OmVector3(16, withWall ? 8.0f : 1.0f, 16), 8.0f,
                                 renderer) &&
           world.GetCellCount() > 0;
}

// The level seen from above (40 pixels a unit, world x to the right, world z
// up the screen, the floor's centre (8, 8) at the centre of an 800 x 600
// frame) or from a camera the test places.
using rtest::Channel;
inline uint32_t Brightness(uint32_t c) { return Channel(c, 16) + Channel(c, 8) + Channel(c, 0); }

class WorldPixelTest : public rtest::RendererTest {
protected:
    void SetUp() override
    {
        // A black disc on clear ground, and clouds in dark and white bands.
        demo::Picture blob(16, 16), cloud(16, 16, 0xFFFFFFFFu);
        for (uint32_t y = 0; y < 16; ++y)
            for (uint32_t x = 0; x < 16; ++x) {
                const float dx = float(x) - 7.5f, dy = float(y) - 7.5f;
                blob.At(x, y) = dx * dx + dy * dy < 36.0f ? 0xFF000000u : 0u;
            }
        cloud.Fill(0, 0, 8, 16, 0xFF202020u);
        std::filesystem::create_directories("data/FX");
        ASSERT_TRUE(demo::WriteTarga("data/FX/blob2.tga", blob) && demo::WriteTarga("data/FX/clouda.tga", cloud));
        plat::ClearPathCache();
        ASSERT_TRUE(Open(800, 600));
        m_world = OmMakeRef<TsWorld>();
    }
    void TearDown() override
    {
        m_world = nullptr;
        TsInitialExplosions::Shutdown();
        RendererTest::TearDown();
    }

    void Build(bool wall = false, bool water = false)
    {
        const auto material = uint32_t(Material({1, 1, 1, 1}));
        ASSERT_TRUE(BuildWorld(*m_world, *renderer, material, wall, water));
        LookDown();
    }

    void LookDown() { SetCamera(OmVector3(8, 20, 8), OmVector3(1, 0, 0), OmVector3(0, 0, 1), OmVector3(0, -1, 0)); }
    void SetCamera(const OmVector3& at, const OmVector3& right, const OmVector3& up, const OmVector3& forward)
    {
        rtest::AimCamera(*renderer, *renderer->GetCamera(), 0.5f, at, right, up, forward);
        m_eye = at, m_right = right, m_up = up, m_forward = forward;
    }

    // One frame of the world at time t; with batch, blended triangles are
    // filed and drawn as the level's frame does.
    std::vector<uint32_t> Frame(float t, const std::function<void(TsWorld&)>& extra = {}, bool batch = false)
    {
        ClearTo(0.0f, 0.0f, 0.5f);
        EXPECT_EQ(Device()->BeginScene(), plat::GfxResult::Ok);
        if (batch)
            renderer->GetBatch().Begin(0);
        m_world->BeginCloudPass(t);
        m_world->Render(t, 0.0f);
        m_world->EndCloudPass();
        if (extra)
            extra(*m_world);
        if (batch)
            renderer->GetBatch().Flush();
        Device()->EndScene();
        return ReadPixels();
    }

    // One frame of the cells (of 8 units) adding the group at origin `adds`
    // times, `inFrame` looking on before its end; the vertices drawn last, or
    // null when the frame could not begin.
    const TsBlobVertex* DrawCell(TsBlobRenderer& cells, TsCellGroup& group, const OmArray<OmPlane>& planes,
                                 const OmVector3& origin, TsCellLights lights = {}, uint32_t adds = 1,
                                 const std::function<void()>& inFrame = [] {})
    {
        if (Device()->BeginScene() != plat::GfxResult::Ok || !cells.BeginFrame())
            return nullptr;
        for (uint32_t i = 0; i < adds; ++i)
            cells.AddCell(group, planes, origin, OmVector3(8, 8, 8), lights);
        inFrame();
        cells.EndFrame();
        Device()->EndScene();
        const plat::GfxVertexBuffer* drawn = renderer->GetBoundStream(0);
        return drawn ? reinterpret_cast<const TsBlobVertex*>(drawn->Bytes()) : nullptr;
    }

    // Pixel of world point (x, z) when looking down.
    static uint32_t Px(float x) { return uint32_t(400 + (x - 8) * 40); }
    static uint32_t Py(float z) { return uint32_t(300 - (z - 8) * 40); }
    // Pixel of a world point in front of the camera last set.
    std::pair<uint32_t, uint32_t> Project(const OmVector3& p) const
    {
        const OmVector3 d = p - m_eye;
        const float depth = d.Dot(m_forward);
        return {uint32_t(400.0f + d.Dot(m_right) / depth / 0.5f * 400.0f),
                uint32_t(300.0f - d.Dot(m_up) / depth / 0.375f * 300.0f)};
    }

    ScratchDir m_scratch;
    OmRef<TsWorld> m_world;
    OmVector3 m_eye, m_right, m_up, m_forward;
};

// The floor's grey 0.25, stored at half and doubled again when drawn.
TEST_F(WorldPixelTest, CellsDrawWithTheirVertexColours)
{
    Build();
    const std::vector<uint32_t> lit = Frame(0.0f);
    EXPECT_GT(TsWorldDrawing::Of(*m_world).CellsDrawn(), 0u);
    const uint32_t far = Pixel(lit, Px(13), Py(13));
    EXPECT_NEAR(Channel(far, 16), 64, 3);
    EXPECT_NEAR(Channel(far, 0), 64, 3);
    EXPECT_NEAR(Channel(Pixel(lit, 10, 10), 0), 128, 1) << "outside the floor: the clear colour";
    EXPECT_EQ(Channel(Pixel(lit, 10, 10), 16), 0u);
}

TEST_F(WorldPixelTest, TheLampLightsOnlyItsCornerByItsColourAndScaleHeldToFull)
{
    Build();
    const std::vector<uint32_t> lit = Frame(0.0f);
    const uint32_t far = Pixel(lit, Px(13), Py(13));
    ASSERT_GT(m_world->GetLightNodes().size(), 1u);
    OmMaxLight* lamp = m_world->GetLightNodes()[1];
    const auto nearLamp = [&] { return Pixel(Frame(0.0f), Px(4.5f), Py(4.5f)); };
    uint32_t last = Brightness(Pixel(lit, Px(4.5f), Py(4.5f)));
    EXPECT_GT(last, Brightness(far) + 60);
    for (float scale : {0.7f, 0.4f, 0.0f}) {
        lamp->scale = scale;
        const uint32_t now = Brightness(nearLamp());
        EXPECT_LT(now + 15, last) << "scale " << scale;
        last = now;
    }
    lamp->scale = 1.0f;
    lamp->on = 0;
    const std::vector<uint32_t> dark = Frame(0.0f);
    EXPECT_EQ(Brightness(Pixel(dark, Px(4.5f), Py(4.5f))), last) << "off is as dark as scaled to nothing";
    EXPECT_EQ(Pixel(lit, Px(12), Py(12)), Pixel(dark, Px(12), Py(12)));
    lamp->on = 1;
    lamp->colour[1] = lamp->colour[2] = 0.0f; // a red lamp adds only red
    const uint32_t red = nearLamp();
    EXPECT_GT(Channel(red, 16), Channel(red, 8) + 60);
    lamp->multiplier = 1e30f; // a damaged world's: its share passes an int, and red saturates
    EXPECT_GE(Channel(nearLamp(), 16), Channel(red, 16));
}

// Seen from below the floor, looking up at its back faces.
TEST_F(WorldPixelTest, BackFacesAreCulledUntilTheirMaterialIsDoubleSided)
{
    Build();
    SetCamera(OmVector3(8, -20, 8), OmVector3(-1, 0, 0), OmVector3(0, 0, 1), OmVector3(0, 1, 0));
    EXPECT_NEAR(Channel(Pixel(Frame(0.0f), 400, 300), 0), 128, 1); // the clear colour
    OmMaterial* material = renderer->GetMaterial(m_world->Cell(0).Group(TS_CELL_OPAQUE).runs[0].material);
    ASSERT_NE(material, nullptr);
    material->flags = 1;
    EXPECT_NEAR(Channel(Pixel(Frame(0.0f), 400, 300), 0), 64, 3); // the floor's grey
}

TEST_F(WorldPixelTest, WaterWavesMoveBetweenFrames)
{
    Build(false, true);
    const std::vector<uint32_t> a = Frame(0.0f);
    const std::vector<uint32_t> b = Frame(1.3f);
    EXPECT_GT(Channel(Pixel(a, Px(5), Py(5)), 0), 90u) << "blue over the grey floor";
    int changed = 0;
    for (uint32_t y = Py(8.5f); y < Py(1.5f); ++y)
        for (uint32_t x = Px(1.5f); x < Px(8.5f); ++x)
            changed += Pixel(a, x, y) != Pixel(b, x, y);
    EXPECT_GT(changed, 100) << "the checker's edges shift";
}

// Blended, the pool goes through the frame's batch: with the batch open the
// floor shows through it; without one it has nowhere to go.
TEST_F(WorldPixelTest, ATranslucentPoolShowsTheFloorThroughItInTheBatch)
{
    Build(false, true);
    const uint32_t opaque = Pixel(Frame(0.0f), Px(5.5f), Py(5.5f));
    TsWorldCell* cell = nullptr;
    for (int32_t i = 0; i < m_world->GetCellCount() && !cell; ++i)
        if (m_world->Cell(i).GetLiquidCount() > 0)
            cell = &m_world->Cell(i);
    ASSERT_NE(cell, nullptr);
    OmMaterial* water = renderer->GetMaterial(cell->Liquid(0).material);
    ASSERT_NE(water, nullptr);
    water->blendMode = 0x20;
    const uint32_t unbatched = Pixel(Frame(0.0f), Px(5.5f), Py(5.5f));
    const uint32_t blended = Pixel(Frame(0.0f, nullptr, true), Px(5.5f), Py(5.5f));
    EXPECT_EQ(Channel(opaque, 16), 0u) << "the pool's own colour has no red";
    EXPECT_NEAR(int(Channel(unbatched, 16)), int(Channel(unbatched, 0)), 12) << "no batch: the grey floor alone";
    EXPECT_GT(Channel(unbatched, 16), 10u);
    EXPECT_GT(Channel(blended, 16), 10u) << "the floor's grey shows through";
    EXPECT_GT(Channel(blended, 0), Channel(blended, 16) + 10) << "under the water's blue";
}

TEST_F(WorldPixelTest, WorldsShareTheLiquidBuffersUntilTheLastGoes)
{
    Build(false, true);
    const int32_t users = TsLiquids::UserCount();
    Frame(0.0f);
    EXPECT_EQ(TsLiquids::UserCount(), users + 1);
    auto second = OmMakeRef<TsWorld>();
    TsWorldDrawing::Of(*second);
    EXPECT_EQ(TsLiquids::UserCount(), users + 2);
    m_world = nullptr;
    EXPECT_TRUE(TsLiquids::BuffersReady());
    second = nullptr;
    EXPECT_EQ(TsLiquids::UserCount(), users);
    EXPECT_FALSE(TsLiquids::BuffersReady());
}

class CloudPixelTest : public WorldPixelTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WorldPixelTest::SetUp());
        Build(false, true);
        m_world->SetCloudParams(0.05f, 0.5f);
        m_world->CreateEffects();
    }
};

TEST_F(CloudPixelTest, CloudBandsDarkenPartOfTheFloorAndMoveOn)
{
    TsCloud* cloud = TsWorldDrawing::Of(*m_world).Cloud();
    ASSERT_NE(cloud, nullptr);
    const std::vector<uint32_t> a = Frame(0.0f);
    const std::vector<uint32_t> b = Frame(0.25f);
    // The bands darken part of the floor, and move on.
    uint32_t darkest = 1000, brightest = 0;
    int changed = 0;
    for (uint32_t x = Px(9); x < Px(15); ++x) {
        const uint32_t v = Brightness(Pixel(a, x, Py(12)));
        darkest = std::min(darkest, v), brightest = std::max(brightest, v);
        changed += Pixel(a, x, Py(12)) != Pixel(b, x, Py(12));
    }
    EXPECT_GT(brightest, darkest + 60);
    EXPECT_GT(changed, 10);
}

// The effects detail option: clouds need high detail, blob shadows any but
// low; liquids draw at every detail.
TEST_F(CloudPixelTest, TheEffectsDetailDecidesCloudsAndShadowsButNotLiquids)
{
    TsOptions& options = *TsAccess::Options();
    const int kept = options.GetFXDetailLevel();
    const struct {
        int detail;
        bool clouds, shadows;
    } levels[] = {{0, false, false}, {1, false, true}, {2, true, true}};
    for (const auto& l : levels) {
        SCOPED_TRACE(l.detail);
        options.SetFXDetailLevel(l.detail);
        m_world->CreateEffects();
        EXPECT_EQ(TsWorldDrawing::Of(*m_world).Cloud() != nullptr, l.clouds);
        const TsEntShadow shadow("data\\FX\\blob2.tga");
        EXPECT_EQ(shadow.IsReady(), l.shadows);
        const uint32_t pool = Pixel(Frame(0.0f), Px(5), Py(5));
        EXPECT_GT(Channel(pool, 0), Channel(pool, 16) + 40) << "the pool's blue";
    }
    options.SetFXDetailLevel(kept);
}

TEST_F(CloudPixelTest, NoCloudLayerIsMadeWithoutItsParametersOrItsTexture)
{
    m_world->SetCloudParams(0.0f, 0.0f);
    m_world->CreateEffects();
    EXPECT_EQ(TsWorldDrawing::Of(*m_world).Cloud(), nullptr);
    // A cloud texture that cannot load turns the layer off.
    std::filesystem::remove("data/FX/clouda.tga");
    plat::ClearPathCache();
    rtest::ErrorLog log;
    m_world->SetCloudParams(0.05f, 0.5f);
    m_world->CreateEffects();
    EXPECT_EQ(TsWorldDrawing::Of(*m_world).Cloud(), nullptr);
    EXPECT_EQ(renderer->GetBatch().GetMode(), 1u);
}

// A cell that would overflow the frame's vertices, indices or runs makes
// the batch draw what it holds and start again; one that just fills it
// does not.
TEST_F(WorldPixelTest, ACellThatWouldOverflowTheBatchFlushesFirst)
{
    TsBlobRenderer cells;
    ASSERT_TRUE(cells.Create(8.0f, 8.0f));
    const struct {
        uint32_t vertices, triangles, runs, adds, flushes;
    } cases[] = {
        {4096, 1, 1, 2, 0}, // 8192 vertices: full
        {4097, 1, 1, 2, 1}, {3, 2731, 1, 2, 1}, // 2 x 8193 indices
        {3, 128, 128, 2, 0}, {3, 129, 129, 2, 1}, // 256 runs: full
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vertices << " vertices, " << c.triangles << " triangles, " << c.runs
                                        << " runs");
        TsCellGroup group;
        for (uint32_t i = 0; i < c.vertices; ++i)
            group.vertices.Add(TsCellVertex());
        for (uint32_t i = 0; i < 3 * c.triangles; ++i)
            group.indices.Add(uint16_t(i % 3));
        for (uint32_t r = 0; r < c.runs; ++r)
            group.runs.Add(TsCellRun{-1, r, r + 1 < c.runs ? 1 : c.triangles - r, 0, c.vertices});
        const uint32_t flushes = cells.FlushCount();
        ASSERT_NE(DrawCell(cells, group, OmArray<OmPlane>(), OmVector3(), {}, c.adds, [&] {
            EXPECT_EQ(cells.FlushCount() - flushes, c.flushes);
            EXPECT_EQ(cells.VerticesUsed(), c.vertices * (c.adds - c.flushes));
        }), nullptr);
    }
}

// A model is lit by the lights that reach it and no others: the device's
// other lights are switched off.
TEST_F(WorldPixelTest, ModelsTakeTheStrongestLightsAsDirectionalDeviceLights)
{
    Build();
    TsEntity near, far;
    near.SetPosition(4, 0, 4.5f);
    near.SetHeight(2.0f);
    far.SetPosition(14, 0, 14);
    const auto enabled = [&] {
        std::string lights;
        for (uint32_t i = 0; i < 8; ++i) {
            bool on = false;
            Device()->GetLightEnable(i, &on);
            lights += on ? '1' : '0';
        }
        return lights;
    };
    EXPECT_EQ(TsModelLighting(*m_world, near), 1);
    EXPECT_EQ(enabled(), "10000000");
    plat::GfxLight light{};
    Device()->GetLight(0, &light);
    EXPECT_EQ(light.type, plat::GfxLightType::Directional);
    EXPECT_NEAR(light.direction.z, 1.0f, 1e-5f); // from the lamp at (4, 1, 4) to (4, 1, 4.5)
    EXPECT_EQ(TsModelLighting(*m_world, far), 0);
    EXPECT_EQ(enabled(), "00000000");
    uint32_t ambient = 1;
    Device()->GetRenderState(plat::GfxRs::Ambient, &ambient);
    EXPECT_EQ(ambient, 0u);
}

TEST_F(WorldPixelTest, TextureFactorFadeWorksOnlyOnceTheDeviceProvedIt)
{
    using namespace plat;
    TestTextureFactorFade();
    ASSERT_TRUE(IsTextureFactorFadeSupported());
    renderer->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
    BeginTextureFactorFade(0.5f);
    EXPECT_TRUE(IsTextureFactorFadeActive());
    EXPECT_EQ(renderer->GetRenderState(GfxRs::TextureFactor), 0x7F7F7F7Fu);
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::AlphaArg2), GfxTa::TFactor);
    renderer->SetBlendMode(0); // held off while the fade forces its blend
    EXPECT_EQ(renderer->GetRenderState(GfxRs::AlphaBlendEnable), 1u);
    EndTextureFactorFade();
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::AlphaArg2), GfxTa::Diffuse);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::AlphaBlendEnable), 0u);
}

TEST_F(WorldPixelTest, EffectSpritesLoadByNameAndANullNameIsRefused)
{
    EXPECT_GE(LoadFxSprite("shockring"), 0);
    EXPECT_EQ(LoadFxSprite(nullptr), -1);
}

// Under camera fade a triangle that faces away is drawn as nothing: its
// three indices all name its first corner, which is decoded this frame
// like any corner drawn, even when no other triangle uses it.
TEST_F(WorldPixelTest, ATriangleFacingAwayUnderTheFadeNamesADecodedCorner)
{
    TsBlobRenderer cells;
    ASSERT_TRUE(cells.Create(8.0f, 8.0f));
    LookDown();
    cells.SetCameraFade(0.0f, OmVector3(8, 0, 8), 5.0f);
    TsCellGroup group;
    for (uint16_t i = 0; i < 3; ++i) {
        TsCellVertex v;
        v.x = static_cast<uint16_t>(8192 * (i + 1)); // one unit of the eight a step
        group.vertices.Add(v);
        group.indices.Add(i);
    }
    group.runs.Add(TsCellRun{-1, 0, 1, 0, 3});
    OmArray<OmPlane> planes;
    planes.Add(OmPlane(OmVector3(0, -1, 0), 0.0f)); // faces down, away from the camera above
    const OmVector3 origin(2.0f, 0.0f, 3.0f);
    const TsBlobVertex* first = DrawCell(cells, group, planes, origin);
    ASSERT_NE(first, nullptr);
    EXPECT_NEAR(first->x, origin.x + 8.0f * 8192.0f / 65535.0f, 1e-4f) << "the corner its indices name";
    EXPECT_EQ(first->z, origin.z);
}

// A wall by a dynamic lamp keeps the lamp's colour as it fades: a faded
// corner's copy carries its lit colour, only its alpha lowered.
TEST_F(WorldPixelTest, AFadedCellVertexKeepsItsLampsColour)
{
    TsBlobRenderer cells;
    ASSERT_TRUE(cells.Create(8.0f, 8.0f));
    LookDown();
    cells.SetCameraFade(0.0f, OmVector3(8, 0, 12), 5.0f);
    const OmRef<OmMaxLight> lights[2] = {nullptr, OmMakeRef<OmMaxLight>()};
    lights[1]->on = 1, lights[1]->multiplier = 1.0f, lights[1]->colour[0] = 1.0f; // red
    // A level triangle at height 3 right under the camera, every corner by
    // the lamp (list entry 1, weight 100).
    TsCellGroup group;
    for (const auto& [x, z] : {std::pair{1, 1}, {1, 2}, {2, 1}}) {
        TsCellVertex v;
        v.x = static_cast<uint16_t>(8192 * x), v.y = 8192, v.z = static_cast<uint16_t>(8192 * z);
        v.colour = 0x00202020;
        v.lightIndices = 1u << 24, v.lightWeights = 100u << 24;
        group.vertices.Add(v);
        group.indices.Add(static_cast<uint16_t>(group.indices.GetCount()));
    }
    group.runs.Add(TsCellRun{-1, 0, 1, 0, 3});
    OmArray<OmPlane> planes;
    planes.Add(OmPlane(OmVector3(0, 1, 0), -3.0f)); // faces up, to the camera
    const TsBlobVertex* drawn = DrawCell(cells, group, planes, OmVector3(7, 2, 7), lights);
    ASSERT_NE(drawn, nullptr);
    const TsBlobVertex* copies = drawn + 3; // after the shared three
    const uint32_t lit = TsBlobRenderer::LitColour(group.vertices[0], lights, !renderer->CanModulate2x());
    ASSERT_GT(lit >> 16 & 0xFF, 0x40u) << "the lamp adds red";
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_LT(copies[i].colour >> 24, 255u) << "faded";
        EXPECT_EQ(copies[i].colour & 0xFFFFFF, lit & 0xFFFFFF);
    }
}

// The effects' clock.
float s_time = 0.0f;

TEST_F(WorldPixelTest, AShockwaveRingGrowsAndEnds)
{
    Build();
    TsExplosionTable::Clear();
    TsInitialExplosions::Init("LoadExplosionAttributes"); // no script state: the pool only
    ASSERT_TRUE(TsShockwave::InitBuffers());
    TsExplosionParams& ring = *TsExplosionTable::Get(0);
    ring.m_shockwave = 1;
    ring.m_shockMinRadius = 1.0f;
    ring.m_shockMaxRadius = 4.0f;
    ring.m_shockWidth = 0.5f;
    ring.m_shockLifetime = 1.0f;
    ring.SetColourBias(1, 1, 1);
    ASSERT_TRUE(TsInitialExplosions::Spawn(0, OmVector3(8, 0, 8), OmVector3(0, 1, 0), 10.0f));
    const auto update = [](TsWorld& w) { w.UpdateEffects(s_time); };
    s_time = 10.0f;
    const std::vector<uint32_t> start = Frame(0.0f, update);
    s_time = 10.5f; // radius 2.5: the ring crosses x = 10.4 at z = 8
    const std::vector<uint32_t> half = Frame(0.0f, update);
    const std::vector<uint32_t> plain = Frame(0.0f);
    EXPECT_GT(Brightness(Pixel(half, Px(10.3f), Py(8))), Brightness(Pixel(plain, Px(10.3f), Py(8))) + 60);
    // The ring has moved out past where it started.
    EXPECT_EQ(Pixel(half, Px(9), Py(8)), Pixel(plain, Px(9), Py(8)));
    EXPECT_GT(Brightness(Pixel(start, Px(9), Py(8))), Brightness(Pixel(plain, Px(9), Py(8))) + 60);
    s_time = 11.2f;
    Frame(0.0f, update);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 0u);
    TsShockwave::ReleaseBuffers();
}

// The camera above and behind the focus on the floor at (10, 0, 9.5),
// looking down at it along (0, -0.8, -0.6); the fade centre is the focus.
const OmVector3 kFocus(10, 0, 9.5f);

class BlobFadePixelTest : public WorldPixelTest {
protected:
    void LookAtFocus(float distance)
    {
        SetCamera(kFocus + OmVector3(0, 0.8f, 0.6f) * distance, OmVector3(-1, 0, 0), OmVector3(0, 0.6f, -0.8f),
                  OmVector3(0, -0.8f, -0.6f));
    }
    TsBlobRenderer& Cells() { return TsWorldDrawing::Of(*m_world).Cells(); }
    uint32_t At(const std::vector<uint32_t>& pixels, const OmVector3& p) const
    {
        const auto [x, y] = Project(p);
        return Pixel(pixels, x, y);
    }
};

// A flat green panel of 4 x 3 unit squares at height 3 over the floor
// (x 8..12, z 10..13), quantised as the world's cells are; its triangles
// face up, clockwise seen from above.
void MakePanel(const TsWorld& world, int32_t material, TsCellGroup& panel)
{
    constexpr uint32_t kWide = 4, kDeep = 3;
    const float quantum = 65535.0f / world.GetCellEdge();
    for (uint32_t j = 0; j <= kDeep; ++j)
        for (uint32_t i = 0; i <= kWide; ++i) {
            TsCellVertex v;
            v.x = static_cast<uint16_t>(float(i) * quantum);
            v.z = static_cast<uint16_t>(float(j) * quantum);
            v.colour = 0x00006000; // green, stored at half
            panel.vertices.Add(v);
        }
    for (uint32_t j = 0; j < kDeep; ++j)
        for (uint32_t i = 0; i < kWide; ++i) {
            const uint16_t a = static_cast<uint16_t>(j * (kWide + 1) + i), b = a + 1;
            const uint16_t c = static_cast<uint16_t>(a + kWide + 1), d = c + 1;
            for (uint16_t k : {a, c, b, c, d, b})
                panel.indices.Add(k);
        }
    TsCellRun run;
    run.material = material;
    run.triangleCount = panel.GetTriangleCount();
    run.vertexCount = panel.vertices.GetCount();
    panel.runs.Add(run);
}

// How much greener than red a pixel is: the panel's own colour shows as a
// large excess, the grey floor through it as none.
int GreenExcess(uint32_t pixel) { return int(Channel(pixel, 8)) - int(Channel(pixel, 16)); }

// The panel drawn as a dynamic object through the frame's batch, the camera
// ten units from the focus.
class PanelFadePixelTest : public BlobFadePixelTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(BlobFadePixelTest::SetUp());
        Build();
        LookAtFocus(10.0f);
        MakePanel(*m_world, m_world->Cell(0).Group(TS_CELL_OPAQUE).runs[0].material, panel);
    }
    TsCellGroup panel;
    const std::function<void(TsWorld&)> withPanel = [this](TsWorld& w) {
        Cells().AddDynamic(panel, OmVector3(8, 3, 10), w.GetLightNodes());
    };
    const OmVector3 onAxis{10, 3, 11.75f};     // where the panel crosses the camera's axis
    const OmVector3 farCorner{8.1f, 3, 10.1f}; // beside a corner too far off the axis to fade
};

TEST_F(PanelFadePixelTest, DynamicGeometryInTheBatchFadesWhereItHidesTheFocus)
{
    Cells().SetCameraFade(1.0f, kFocus, 5.0f);
    const std::vector<uint32_t> solid = Frame(0.0f, withPanel, true);
    const int full = GreenExcess(At(solid, onAxis));
    ASSERT_GT(full, 60) << "the panel is drawn";
    EXPECT_GT(GreenExcess(At(solid, farCorner)), full - 10);
    EXPECT_NEAR(GreenExcess(At(Frame(0.0f), onAxis)), 0, 5) << "without the batch the floor alone";

    struct Case {
        float minimumAlpha;
        OmVector3 at;
        float low, high; // bounds of the green excess as a share of the solid panel's
    };
    const Case cases[] = {
        {0.0f, onAxis, -0.1f, 0.15f},  // nearly clear: the floor shows
        {0.6f, onAxis, 0.45f, 0.75f},  // no clearer than the minimum alpha
        {0.0f, farCorner, 0.8f, 1.1f}, // off the axis the panel stands
    };
    for (const Case& c : cases) {
        Cells().SetCameraFade(c.minimumAlpha, kFocus, 5.0f);
        const float share = float(GreenExcess(At(Frame(0.0f, withPanel, true), c.at))) / float(full);
        EXPECT_GE(share, c.low) << "minimum alpha " << c.minimumAlpha << " at x " << c.at.x;
        EXPECT_LE(share, c.high) << "minimum alpha " << c.minimumAlpha << " at x " << c.at.x;
    }
}

TEST_F(PanelFadePixelTest, GeometryNamingVerticesPastItsListsIsLeftOutAndSaidSo)
{
    Cells().SetCameraFade(2.0f, kFocus, 5.0f); // no fade
    panel.runs[0].triangleCount += 1;
    rtest::ErrorLog log;
    EXPECT_NEAR(GreenExcess(At(Frame(0.0f, withPanel, true), onAxis)), 0, 5);
    EXPECT_EQ(log.Count("a dynamic object's geometry"), 1u);
}

// The character stands in a cell whose wall (z = 12) stands between it and
// the camera. With the wall faded its shadow is seen on the floor; a shadow
// on floor behind the wall's solid part stays hidden.
TEST_F(BlobFadePixelTest, ABlobShadowStaysOnTheFloorBehindAFadedWall)
{
    Build(true);
    LookAtFocus(15.0f);
    Cells().SetCameraFade(0.0f, kFocus, 5.0f);
    struct Case {
        OmVector3 feet;
        bool seen;
    };
    const Case cases[] = {
        {kFocus, true},                  // through the faded wall
        {OmVector3(5.06f, 0, 9.32f), false}, // behind the wall at (6.5, 3.5, 12), which stays solid
    };
    for (const Case& c : cases) {
        const OmVector3 caster = c.feet + OmVector3(0, 1.5f, 0); // as a character casts it
        const std::vector<uint32_t> plain = Frame(0.0f);
        const std::vector<uint32_t> shadowed =
            Frame(0.0f, [&](TsWorld& w) { w.ProjectShadow(caster, 2.0f, caster.y); });
        const uint32_t before = At(plain, c.feet), after = At(shadowed, c.feet);
        if (c.seen) {
            EXPECT_GT(Brightness(before), 60u) << "the floor shows through the wall";
            EXPECT_LT(Brightness(after), 20u) << "the shadow lies on it";
        } else {
            EXPECT_GT(Channel(before, 16), Channel(before, 8) + 60) << "the wall's red";
            EXPECT_EQ(after, before) << "no shadow through the solid wall";
        }
    }
}

TEST_F(BlobFadePixelTest, TheFadeDrawsFromCopiesAndTheStoredVerticesKeepNoIndices)
{
    Build(true);
    LookAtFocus(15.0f);
    Cells().SetCameraFade(0.0f, kFocus, 5.0f);
    Frame(0.0f);
    for (int32_t i = 0; i < m_world->GetCellCount(); ++i)
        for (int kind = TS_CELL_OPAQUE; kind <= TS_CELL_ALPHA; ++kind) {
            const TsCellGroup& group = m_world->Cell(i).Group(kind);
            for (uint32_t v = 0; v < group.vertices.GetCount(); ++v)
                ASSERT_EQ(group.vertices[v].flags, TsBlobRenderer::kDecodedFlag) << "cell " << i << " vertex " << v;
        }
}

} // namespace
