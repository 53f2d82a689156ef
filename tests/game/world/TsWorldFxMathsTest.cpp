// The arithmetic of the world's effects, without a device: liquids pieced
// into the shared buffers, model light directions, cells without buffers;
// explosion types, arms, rings and the pool's time steps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/OmMaxLight.h"
#include "engine/OmPlane.h"
#include "game/world/TsBlobRenderer.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsLiquid.h"
#include "game/world/TsModelLighting.h"
#include "game/world/TsWorldCell.h"

namespace {

TEST(LiquidTest, LargeSurfacesAreCutIntoPiecesThatFitTheBuffers)
{
    // 6000 separate triangles: 18000 vertices, far beyond one buffer.
    TsLiquid big;
    for (uint32_t t = 0; t < 6000; ++t) {
        for (int k = 0; k < 3; ++k)
            big.vertices.Add({float(t), 0, float(k), 0, 0, 0, 0});
        big.triangles.Add({{uint16_t(3 * t), uint16_t(3 * t + 1), uint16_t(3 * t + 2)}});
    }
    uint32_t covered = 0, pieces = 0;
    while (covered < big.triangles.GetCount()) {
        uint32_t vertices = 0;
        const uint32_t count = TsLiquids::NextPiece(big, covered, vertices);
        ASSERT_GT(count, 0u);
        EXPECT_LE(vertices, TsLiquids::kMaxVertices);
        EXPECT_LE(3 * count, TsLiquids::kMaxIndices);
        // Every index of the piece names one of its own vertices.
        for (uint32_t t = covered; t < covered + count; ++t)
            for (uint16_t v : big.triangles[t].index)
                EXPECT_EQ(TsLiquids::PieceVertex(TsLiquids::PieceIndex(v)), v);
        covered += count;
        ++pieces;
    }
    EXPECT_EQ(pieces, 5u); // 1365 triangles (4095 vertices) a piece
}

TEST(LiquidTest, TheShoresStillVerticesNeverMove)
{
    TsLiquid pool;
    TsLiquids::UpdateWaveGrids(1.7f);
    EXPECT_NE(TsLiquids::VertexWave(pool, TsLiquidVertex{1, 0, 1, 0, 0, 0, 0}, 8.0f), 0.0f) << "open water moves";
    EXPECT_EQ(TsLiquids::VertexWave(pool, TsLiquidVertex{1, 0, 1, 0, 0, 0, 1}, 8.0f), 0.0f);
}

TEST(ModelLightingTest, DirectionsComeFromPositionOrAxisAndNeverVanish)
{
    OmMaxLight omni;
    omni.type = OmMaxLight::kOmni;
    omni.position = OmVector3(0, 10, 0);
    OmVector3 d = TsModelLightDirection(omni, OmVector3(0, 0, 0));
    EXPECT_FLOAT_EQ(d.y, -1.0f);
    // A model standing in the light: straight down rather than NaN.
    d = TsModelLightDirection(omni, OmVector3(0, 10, 0));
    EXPECT_FLOAT_EQ(d.y, -1.0f);
    OmMaxLight directional;
    directional.type = 1;
    directional.direction = OmVector3(2, 0, 0);
    EXPECT_FLOAT_EQ(TsModelLightDirection(directional, OmVector3()).x, 1.0f);
    directional.direction = OmVector3();
    EXPECT_FALSE(std::isnan(TsModelLightDirection(directional, OmVector3()).x));
}

// Only what stands between the camera and the focus fades (the pixel tests
// draw the fade on and off the axis).
TEST(CameraFadeTest, NothingBelowBeyondOrBehindTheLineToTheFocusFades)
{
    TsBlobRenderer cells;
    cells.SetCameraFade(0.0f, OmVector3(0, 0, 10), 5.0f);
    const OmVector3 camera(0, 5, 0), axis(0, 0, 1);
    EXPECT_LT(cells.FadeAlpha({0.5f, 5, 5}, camera, axis), 255u);
    for (const OmVector3& p : {OmVector3(0.5f, 0.5f, 5), OmVector3(0.5f, 5, 12), OmVector3(0.5f, 5, -1)})
        EXPECT_EQ(cells.FadeAlpha(p, camera, axis), 255u) << p.x << "," << p.y << "," << p.z;
}

TEST(CellBatchTest, WithoutBuffersNothingIsAddedOrDrawn)
{
    TsBlobRenderer batch; // never created: no device
    EXPECT_FALSE(batch.IsReady());
    EXPECT_FALSE(batch.BeginFrame());
    TsCellGroup group;
    for (uint16_t i : {0, 1, 2}) {
        group.vertices.Add(TsCellVertex());
        group.indices.Add(i);
    }
    group.runs.Add(TsCellRun{-1, 0, 1, 0, 3});
    OmArray<OmPlane> planes;
    TsCellLights lights;
    group.vertices[0].flags = TsBlobRenderer::kDecodeMark; // as a decode left unfinished would
    batch.AddCell(group, planes, OmVector3(), OmVector3(8, 8, 8), lights);
    EXPECT_EQ(batch.VerticesUsed(), 0u);
    EXPECT_EQ(batch.RunsUsed(), 0u);
    batch.Flush(true);
    EXPECT_EQ(group.vertices[0].flags, TsBlobRenderer::kDecodeMark) << "the cell was never decoded";
    EXPECT_EQ(batch.FlushCount(), 1u);
    EXPECT_FALSE(batch.IsReady()) << "a flush does not make buffers";
}

// Without a doubling texture stage, the stored half-bright colour bytes and
// light weights are doubled (each held to 255) as a vertex is decoded; the
// normal's index in the colour's top byte stays.
TEST(CellBatchTest, WithoutADoublingStageColoursAndWeightsAreDoubledWhenDecoded)
{
    const struct {
        uint32_t colour, weights;
        uint32_t brightColour, brightWeights;
        uint32_t lit, brightLit; // LitColour without lights
    } cases[] = {
        {0x80402010u, 0, 0x80804020u, 0, 0xFF402010u, 0xFF804020u},
        {0x05C08001u, 0x80FF0010u, 0x05FFFF02u, 0xFFFF0020u, 0xFFC08001u, 0xFFFFFF02u},
        {0xFF7F7F7Fu, 0x01010101u, 0xFFFEFEFEu, 0x02020202u, 0xFF7F7F7Fu, 0xFFFEFEFEu},
    };
    const TsCellLights none;
    for (const auto& c : cases) {
        TsCellVertex v;
        v.colour = c.colour;
        v.lightWeights = c.weights;
        const TsCellVertex bright = TsBlobRenderer::Brightened(v);
        EXPECT_EQ(bright.colour, c.brightColour) << std::hex << c.colour;
        EXPECT_EQ(bright.lightWeights, c.brightWeights) << std::hex << c.weights;
        EXPECT_EQ(TsBlobRenderer::LitColour(v, none), c.lit) << std::hex << c.colour;
        EXPECT_EQ(TsBlobRenderer::LitColour(v, none, true), c.brightLit) << std::hex << c.colour;
    }
}

TsExplosionParams RingType(float lifetime)
{
    TsExplosionParams type;
    type.m_shockwave = 1;
    type.m_shockMinRadius = 1.0f;
    type.m_shockMaxRadius = 3.0f;
    type.m_shockLifetime = lifetime;
    type.m_shockDelay = 0.5f;
    type.m_shockWidth = 0.5f;
    type.SetColourBias(1.0f, 0.5f, 0.0f);
    return type;
}

class ExplosionPoolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TsExplosionTable::Clear();
        TsInitialExplosions::Init("LoadExplosionAttributes"); // no script state: the pool only
    }
    void TearDown() override
    {
        TsInitialExplosions::Shutdown();
        TsExplosionTable::Clear();
    }
};

TEST_F(ExplosionPoolTest, TheTableRefusesNumbersPastItsCeiling)
{
    TsExplosionTable::SetCount(3);
    for (int32_t index : {TsExplosionTable::kMaxTypes, INT32_MAX, INT32_MIN, -1})
        EXPECT_EQ(TsExplosionTable::Get(index), nullptr) << index;
    EXPECT_FALSE(TsExplosionTable::SetCount(TsExplosionTable::kMaxTypes + 1));
    EXPECT_FALSE(TsExplosionTable::SetCount(INT32_MAX));
    EXPECT_EQ(TsExplosionTable::Count(), 3);
    EXPECT_NE(TsExplosionTable::Get(TsExplosionTable::kMaxTypes - 1), nullptr);
    EXPECT_TRUE(TsExplosionTable::SetCount(INT32_MIN));
    EXPECT_EQ(TsExplosionTable::Count(), 0);
    EXPECT_EQ(TsExplosionTable::Held(), TsExplosionTable::kMaxTypes);
}

TEST(ExplosionArmTest, AnArmCountIsHeldToZeroToEight)
{
    for (const auto& [written, used] : {std::pair{-4, 0}, {0, 0}, {3, 3}, {8, 8}, {9, 8}, {1000, 8}}) {
        TsExplosionParams p;
        p.m_numArms = written;
        EXPECT_EQ(p.ArmCount(), used) << written;
    }
}

TEST_F(ExplosionPoolTest, ATypeOutsideTheTableSpawnsNothing)
{
    TsExplosionTable::SetCount(2);
    for (int32_t type : {-1, 2})
        EXPECT_FALSE(TsInitialExplosions::Spawn(type, OmVector3(), OmVector3(0, 1, 0), 0.0f)) << type;
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 0u);
}

// Steps start at the first spawn and never go back. An explosion in flight
// points at its type: a script that shrinks the table meanwhile must not
// pull the record from under it; a ring with no arms lives as long as its
// ring, then goes back to the pool.
TEST_F(ExplosionPoolTest, StepsNeverGoBackAndALiveExplosionOutlivesItsTypesRemoval)
{
    TsExplosionTable::SetCount(3);
    *TsExplosionTable::Get(2) = RingType(2.0f);
    ASSERT_TRUE(TsInitialExplosions::Spawn(2, OmVector3(), OmVector3(0, 1, 0), 100.0f));
    TsExplosionTable::SetCount(0);
    TsInitialExplosions::Update(100.25f);
    EXPECT_FLOAT_EQ(TsInitialExplosions::LastStep(), 0.25f);
    TsInitialExplosions::Update(99.0f);
    EXPECT_FLOAT_EQ(TsInitialExplosions::LastStep(), 0.0f);
    TsInitialExplosions::Update(101.0f);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 1u);
    TsInitialExplosions::Update(104.0f);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 0u);
    EXPECT_EQ(TsInitialExplosions::FreeCount(), TsInitialExplosions::kPoolSize);
}

// A floor at y = 0 facing up.
bool Floor(const OmVector3& from, const OmVector3& to, TsSegmentHit& hit)
{
    if (from.y < 0.0f || to.y >= 0.0f)
        return false;
    const float t = from.y / (from.y - to.y);
    hit.point = from + (to - from) * t;
    hit.normal = OmVector3(0, 1, 0);
    return true;
}

TEST(ExplosionArmTest, ArmsBounceWithRestitutionAndFriction)
{
    TsExplosionParams type;
    type.m_restitution = 0.5f;
    type.m_friction = 1.0f;
    OmVector3 p(0, 0.5f, 0), v(0, -10, 0);
    TsAdvanceArm(type, 0.1f, Floor, p, v);
    EXPECT_FLOAT_EQ(v.y, 5.0f);
    EXPECT_NEAR(p.y, 0.01f + 0.5f, 1e-4f);

    // A glancing hit keeps the sliding part times the friction.
    type.m_friction = 0.5f;
    p = OmVector3(0, 0.5f, 0), v = OmVector3(4, -3, 0);
    TsAdvanceArm(type, 0.5f, Floor, p, v);
    EXPECT_FLOAT_EQ(v.x, 2.0f);
    EXPECT_FLOAT_EQ(v.y, 2.5f); // half of |v| = 5
    EXPECT_GT(p.y, 0.0f);
}

TEST(ExplosionArmTest, ArmsLaunchAlongTheirDirectionAtFullSpeed)
{
    // Launched along the direction; with none and no spread, straight up.
    TsExplosionParams type;
    type.m_speed = 6.0f;
    OmVector3 v = TsArmLaunchVelocity(type, OmVector3(0, 0, 2));
    EXPECT_FLOAT_EQ(v.z, 6.0f);
    v = TsArmLaunchVelocity(type, OmVector3(0, 0, 0));
    EXPECT_FLOAT_EQ(v.y, 6.0f);
    EXPECT_FALSE(std::isnan(v.x));
    // With spread the direction is drawn at random, still at full speed.
    type.m_spread = 1.0f;
    v = TsArmLaunchVelocity(type, OmVector3(0, 0, 0));
    EXPECT_NEAR(v.Length(), 6.0f, 1e-4f);
}

// A ring waits out its half-second delay unseen, shows for its lifetime and
// ends; one without a lifetime ends right after its delay.
TEST(ShockwaveTest, ARingWaitsItsDelayShowsForItsLifetimeAndEnds)
{
    TsShockwave ring;
    for (const auto& [lifetime, end] : {std::pair{2.0f, 2.5f}, {0.0f, 0.5f}, {-1.0f, 0.5f}}) {
        SCOPED_TRACE(lifetime);
        ring.Start(RingType(lifetime), OmVector3(0, 0, 0));
        EXPECT_TRUE(ring.Advance(0.4f));
        EXPECT_FALSE(ring.Visible());
        EXPECT_TRUE(ring.Advance(end - 0.41f)); // a hundredth short of its end
        EXPECT_EQ(ring.Visible(), lifetime > 0.0f);
        EXPECT_FALSE(ring.Advance(0.02f));
        EXPECT_FALSE(std::isnan(ring.Radius()));
    }
}

TEST(ShockwaveTest, ARingWiderThanItsRadiusIsADisc)
{
    TsShockwave ring;
    TsExplosionParams wide = RingType(2.0f);
    wide.m_shockWidth = 10.0f;
    ring.Start(wide, OmVector3(0, 0, 0));
    ring.Advance(1.0f);
    EXPECT_FLOAT_EQ(ring.InnerRadius(), 0.0f);
}

} // namespace
