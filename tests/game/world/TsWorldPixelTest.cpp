// The world drawn on a real device: cells, lights, fade, shadows, liquids,
// clouds and explosion effects.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmMaxLight.h"
#include "engine/OmMaterial.h"
#include "game/framework/TsEntity.h"
#include "game/world/TsEffectUtil.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsLiquid.h"
#include "game/world/TsModelLighting.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "game/world/TsWorldDrawing.h"
#include "tests/game/world/WorldPixelFixture.h"

namespace {

using worldtest::Brightness;
using worldtest::Channel;
using worldtest::WorldPixelTest;

TEST_F(WorldPixelTest, TheDemoLevelDrawsAndItsDynamicLampLightsRoomB)
{
    ASSERT_TRUE(worldtest::HaveDemoLevel()) << "the demo data is missing: run tools/make-data BUILD_DIR";
    world_->Release();
    // The level's textures are named from the game's folder.
    std::filesystem::current_path(worldtest::DataFolder().parent_path());
    plat::ClearPathCache();
    world_ = TsWorld::LoadWorld(worldtest::DemoFile("demo.tsw").c_str());
    ASSERT_NE(world_, nullptr);
    EXPECT_TRUE(renderer->LoadAllTextures());
    // Above the corridor, seeing both rooms (20 pixels a unit).
    SetCamera(OmVector3(10, 30, 4), OmVector3(1, 0, 0), OmVector3(0, 0, 1), OmVector3(0, -1, 0));
    const auto at = [](float x, float z) { return std::pair<uint32_t, uint32_t>(uint32_t(400 + (x - 10) * 20), uint32_t(300 - (z - 4) * 20)); };
    const std::vector<uint32_t> lit = Frame(0.0f);
    EXPECT_GT(TsWorldDrawing::Of(*world_).CellsDrawn(), 0u);
    const auto [ax, ay] = at(6, 2);   // room A's floor
    const auto [bx, by] = at(16, 4);  // under the dynamic lamp
    const auto [ox, oy] = at(10, 12); // outside the level
    EXPECT_NE(Pixel(lit, ax, ay), Pixel(lit, ox, oy));
    EXPECT_NE(Pixel(lit, bx, by), Pixel(lit, ox, oy));
    OmMaxLight* lamp = nullptr;
    for (uint32_t i = 1; i < world_->GetLightNodes().GetCount(); ++i)
        lamp = world_->GetLightNodes()[i];
    ASSERT_NE(lamp, nullptr);
    lamp->on = 0;
    const std::vector<uint32_t> dark = Frame(0.0f);
    EXPECT_GT(Brightness(Pixel(lit, bx, by)), Brightness(Pixel(dark, bx, by)) + 30);
    EXPECT_EQ(Pixel(lit, ax, ay), Pixel(dark, ax, ay));
}

// The floor's grey 0.25, stored at half and doubled again when drawn; the
// dynamic lamp brightens only the cells near it, by its colour and scale.
TEST_F(WorldPixelTest, CellsDrawWithTheirVertexColoursAndTheLampLightsOnlyItsCorner)
{
    Build();
    LookDown();
    const std::vector<uint32_t> lit = Frame(0.0f);
    EXPECT_GT(TsWorldDrawing::Of(*world_).CellsDrawn(), 0u);
    const uint32_t far = Pixel(lit, Px(13), Py(13));
    EXPECT_NEAR(Channel(far, 16), 64, 3);
    EXPECT_NEAR(Channel(far, 0), 64, 3);
    EXPECT_NEAR(Channel(Pixel(lit, 10, 10), 0), 128, 1) << "outside the floor: the clear colour";
    EXPECT_EQ(Channel(Pixel(lit, 10, 10), 16), 0u);
    ASSERT_GT(world_->GetLightNodes().GetCount(), 1u);
    OmMaxLight* lamp = world_->GetLightNodes()[1];
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
}

// On the camera's axis the wall is gone; off it the wall stands. The fade
// draws from copies: the stored vertices keep no indices of a frame.
TEST_F(WorldPixelTest, CameraFadeShowsWhatStandsBehindAWall)
{
    Build(true);
    // At eye height behind the wall (z = 12), looking along -z at a focus
    // on the floor at z = 4.
    SetCamera(OmVector3(8, 5, 20), OmVector3(-1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, -1));
    TsBlobRenderer& cells = TsWorldDrawing::Of(*world_).Cells();
    const uint32_t solid = Pixel(Frame(0.0f), 400, 300);
    EXPECT_GT(Channel(solid, 16), 100u); // the wall's red
    cells.SetCameraFade(0.0f, OmVector3(8, 0, 4), 5.0f);
    Frame(0.0f); // a second frame must not reuse the first frame's copies
    const std::vector<uint32_t> faded = Frame(0.0f);
    EXPECT_LT(Channel(Pixel(faded, 400, 300), 16), 40u);
    EXPECT_GT(Channel(Pixel(faded, 400 + 200, 300 - 20), 16), 100u);
    for (int32_t i = 0; i < world_->GetCellCount(); ++i)
        for (int kind = TS_CELL_OPAQUE; kind <= TS_CELL_ALPHA; ++kind) {
            const TsCellGroup& group = world_->Cell(i).Group(kind);
            for (uint32_t v = 0; v < group.vertices.GetCount(); ++v)
                ASSERT_EQ(group.vertices[v].flags, TsBlobRenderer::kDecodedFlag) << "cell " << i << " vertex " << v;
        }
    cells.SetCameraFade(1.0f, OmVector3(8, 0, 4), 5.0f);
    EXPECT_EQ(Pixel(Frame(0.0f), 400, 300), solid);
}

TEST_F(WorldPixelTest, BlobShadowsDarkenTheFloorUnderAModel)
{
    Build();
    LookDown();
    const std::vector<uint32_t> plain = Frame(0.0f);
    // A caster standing where four cells meet.
    const std::vector<uint32_t> shadowed =
        Frame(0.0f, [](TsWorld& w) { w.ProjectShadow(OmVector3(8, 0, 8), 2.0f, 1.0f); });
    EXPECT_LT(Brightness(Pixel(shadowed, Px(8), Py(8))), 20u);
    EXPECT_LT(Brightness(Pixel(shadowed, Px(7.5f), Py(8.5f))), 20u);
    // Beyond the radius the floor is as it was.
    EXPECT_EQ(Pixel(shadowed, Px(12), Py(8)), Pixel(plain, Px(12), Py(8)));
}

// The pool's inner vertices move between frames. Blended, it goes through
// the frame's batch: with the batch open the floor shows through it;
// without one it has nowhere to go.
TEST_F(WorldPixelTest, WaterWavesMoveAndATranslucentPoolShowsTheFloorInTheBatch)
{
    Build(false, true);
    LookDown();
    const std::vector<uint32_t> a = Frame(0.0f);
    const std::vector<uint32_t> b = Frame(1.3f);
    EXPECT_GT(Channel(Pixel(a, Px(5), Py(5)), 0), 90u) << "blue over the grey floor";
    int changed = 0;
    for (uint32_t y = Py(8.5f); y < Py(1.5f); ++y)
        for (uint32_t x = Px(1.5f); x < Px(8.5f); ++x)
            changed += Pixel(a, x, y) != Pixel(b, x, y);
    EXPECT_GT(changed, 100) << "the checker's edges shift";

    const uint32_t opaque = Pixel(a, Px(5.5f), Py(5.5f));
    TsWorldCell* cell = nullptr;
    for (int32_t i = 0; i < world_->GetCellCount() && !cell; ++i)
        if (world_->Cell(i).GetLiquidCount() > 0)
            cell = &world_->Cell(i);
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

TEST_F(WorldPixelTest, CloudsScrollAndAMissingTextureTurnsThemOff)
{
    Build();
    world_->SetCloudParams(0.05f, 0.5f);
    world_->CreateEffects();
    LookDown();
    TsCloud* cloud = TsWorldDrawing::Of(*world_).Cloud();
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
    world_->SetCloudParams(0.0f, 0.0f);
    world_->CreateEffects();
    EXPECT_EQ(TsWorldDrawing::Of(*world_).Cloud(), nullptr);
    // A cloud texture that cannot load turns the layer off.
    std::filesystem::remove("data/FX/clouda.tga");
    plat::ClearPathCache();
    rtest::ErrorLog log;
    world_->SetCloudParams(0.05f, 0.5f);
    world_->CreateEffects();
    EXPECT_EQ(TsWorldDrawing::Of(*world_).Cloud(), nullptr);
    EXPECT_EQ(renderer->GetBatch().GetMode(), 1u);
}

TEST_F(WorldPixelTest, SingleSidedRunsAreCulledAndDoubleSidedOnesNot)
{
    Build();
    // From below the floor, looking up: its back faces.
    SetCamera(OmVector3(8, -20, 8), OmVector3(-1, 0, 0), OmVector3(0, 0, 1), OmVector3(0, 1, 0));
    EXPECT_NEAR(Channel(Pixel(Frame(0.0f), 400, 300), 0), 128, 1); // the clear colour
    OmMaterial* material = renderer->GetMaterial(world_->Cell(0).Group(TS_CELL_OPAQUE).runs[0].material);
    ASSERT_NE(material, nullptr);
    material->flags = 1;
    EXPECT_NEAR(Channel(Pixel(Frame(0.0f), 400, 300), 0), 64, 3); // the floor's grey
    EXPECT_EQ(TsWorldDrawing::Of(*world_).Cells().FlushCount() > 0, true);
}

TEST_F(WorldPixelTest, WorldsShareTheLiquidBuffersUntilTheLastGoes)
{
    Build(false, true);
    LookDown();
    const int32_t before = TsLiquids::UserCount();
    Frame(0.0f);
    EXPECT_EQ(TsLiquids::UserCount(), before + 1);
    auto* second = new TsWorld();
    TsWorldDrawing::Of(*second);
    EXPECT_EQ(TsLiquids::UserCount(), before + 2);
    world_->Release();
    world_ = nullptr;
    EXPECT_TRUE(TsLiquids::BuffersReady());
    second->Release();
    EXPECT_EQ(TsLiquids::UserCount(), before);
    EXPECT_FALSE(TsLiquids::BuffersReady());
}

TEST_F(WorldPixelTest, ModelsTakeTheStrongestLightsAsDirectionalDeviceLights)
{
    Build();
    TsEntity near, far;
    near.SetPosition(4, 0, 4.5f);
    near.SetHeight(2.0f);
    far.SetPosition(14, 0, 14);
    const auto enabled = [&](uint32_t i) {
        bool on = false;
        Device()->GetLightEnable(i, &on);
        return on;
    };
    EXPECT_EQ(TsModelLighting(*world_, near), 1);
    EXPECT_TRUE(enabled(0));
    plat::GfxLight light{};
    Device()->GetLight(0, &light);
    EXPECT_EQ(light.type, plat::GfxLightType::Directional);
    EXPECT_NEAR(light.direction.z, 1.0f, 1e-5f); // from the lamp at (4, 1, 4) to (4, 1, 4.5)
    EXPECT_FLOAT_EQ(light.range, 1000000.0f);
    for (uint32_t i = 1; i < 8; ++i)
        EXPECT_FALSE(enabled(i)) << i;
    EXPECT_EQ(TsModelLighting(*world_, far), 0);
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_FALSE(enabled(i)) << i;
    uint32_t ambient = 1;
    Device()->GetRenderState(plat::GfxRs::Ambient, &ambient);
    EXPECT_EQ(ambient, 0u);
}

TEST_F(WorldPixelTest, TextureFactorFadeWorksOnlyOnceTheDeviceProvedIt)
{
    using namespace plat;
    TestTextureFactorFade();
    ASSERT_TRUE(IsTextureFactorFadeSupported());
    renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
    BeginTextureFactorFade(0.5f);
    EXPECT_TRUE(IsTextureFactorFadeActive());
    EXPECT_EQ(renderer->GetRenderState(GfxRs::TextureFactor), 0x7F7F7F7Fu);
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::AlphaArg2), GfxTa::TFactor);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::AlphaBlendEnable), 1u);
    renderer->SetBlendMode(0); // held off while the fade forces its blend
    EXPECT_EQ(renderer->GetRenderState(GfxRs::AlphaBlendEnable), 1u);
    EndTextureFactorFade();
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::AlphaOp), GfxTop::SelectArg1);
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::AlphaArg2), GfxTa::Diffuse);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::AlphaBlendEnable), 0u);

    EXPECT_GE(LoadFxSprite("shockring"), 0);
    EXPECT_EQ(LoadFxSprite(nullptr), -1);
}

// The explosion's world, for the arms' caster, and the effects' clock.
TsWorld* g_world = nullptr;
float s_time = 0.0f;
bool CastWorld(const OmVector3& from, const OmVector3& to, TsSegmentHit& hit)
{
    TsWorldHit h;
    if (!g_world->CastSegment(from, to, h, false))
        return false;
    hit.point = h.point, hit.normal = h.normal;
    return true;
}

TEST_F(WorldPixelTest, ExplosionArmsBounceOffTheFloor)
{
    Build();
    g_world = world_;
    TsExplosionParams type;
    type.m_gravity = -20.0f;
    type.m_restitution = 0.5f;
    type.m_friction = 0.8f;
    OmVector3 p(8, 2, 8), v(3, -5, 1);
    bool bounced = false;
    for (int i = 0; i < 60; ++i) {
        const float before = v.y;
        TsAdvanceArm(type, 1.0f / 30.0f, CastWorld, p, v);
        bounced = bounced || (before < 0 && v.y > 0);
        EXPECT_GE(p.y, -0.001f) << "step " << i;
    }
    EXPECT_TRUE(bounced);
    g_world = nullptr;
}

TEST_F(WorldPixelTest, AShockwaveRingGrowsAndEnds)
{
    Build();
    LookDown();
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

} // namespace
