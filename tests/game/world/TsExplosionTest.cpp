// Explosion types, arms and rings: the table's growth and stable records,
// the arms' flight and bounces, the ring's life, the pool's time steps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "game/world/TsExplosion.h"

namespace {

class ExplosionTableTest : public ::testing::Test {
protected:
    void SetUp() override { TsExplosionTable::Clear(); }
    void TearDown() override { TsExplosionTable::Clear(); }
};

TEST_F(ExplosionTableTest, GrowsOnDemandKeepsRecordsInPlaceAndShrinks)
{
    TsExplosionParams* sixth = TsExplosionTable::Get(5);
    ASSERT_NE(sixth, nullptr);
    EXPECT_EQ(TsExplosionTable::Count(), 6);
    EXPECT_TRUE(sixth->m_szParticleType.IsEmpty());
    sixth->m_szParticleType = "smoke";
    // A script still holds the pointer after the table grows far beyond any
    // first allocation.
    TsExplosionTable::Get(500);
    EXPECT_EQ(TsExplosionTable::At(5), sixth);
    EXPECT_STREQ(sixth->m_szParticleType.Get(), "smoke");
    EXPECT_EQ(TsExplosionTable::Get(-1), nullptr);
    EXPECT_EQ(TsExplosionTable::Count(), 501);
    TsExplosionTable::SetCount(2);
    EXPECT_EQ(TsExplosionTable::Count(), 2);
    EXPECT_EQ(TsExplosionTable::At(2), nullptr);
    TsExplosionTable::SetCount(-3);
    EXPECT_EQ(TsExplosionTable::Count(), 0);
}

TEST_F(ExplosionTableTest, RefusesNumbersPastItsCeiling)
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

TEST(ExplosionParamsTest, ArmCountIsClampedToEight)
{
    const struct {
        int32_t written, used;
    } cases[] = {{-4, 0}, {0, 0}, {3, 3}, {8, 8}, {9, 8}, {1000, 8}};
    for (const auto& c : cases) {
        TsExplosionParams p;
        p.m_numArms = c.written;
        EXPECT_EQ(p.ArmCount(), c.used) << c.written;
    }
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

TEST(ExplosionArmTest, FallsNoFasterThanTerminalSpeed)
{
    TsExplosionParams type;
    type.m_gravity = -50.0f;
    OmVector3 p(0, 1000, 0), v(0, 0, 0);
    for (int i = 0; i < 100; ++i)
        TsAdvanceArm(type, 0.1f, nullptr, p, v);
    EXPECT_FLOAT_EQ(v.y, -100.0f);
}

TEST(ExplosionArmTest, BouncesOffTheFloorWithRestitutionAndFriction)
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

TEST(ExplosionArmTest, LaunchFollowsTheDirectionAndFallsBackToUp)
{
    TsExplosionParams type;
    type.m_speed = 6.0f;
    OmVector3 v = TsArmLaunchVelocity(type, OmVector3(0, 0, 2));
    EXPECT_FLOAT_EQ(v.z, 6.0f);
    // No direction and no spread: straight up, not a NaN.
    v = TsArmLaunchVelocity(type, OmVector3(0, 0, 0));
    EXPECT_FLOAT_EQ(v.y, 6.0f);
    EXPECT_FALSE(std::isnan(v.x));
    // With spread the direction is drawn at random, still at full speed.
    type.m_spread = 1.0f;
    v = TsArmLaunchVelocity(type, OmVector3(0, 0, 0));
    EXPECT_NEAR(v.Length(), 6.0f, 1e-4f);
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

TEST(ShockwaveTest, WaitsGrowsAndEnds)
{
    TsShockwave ring;
    ring.Start(RingType(2.0f), OmVector3(0, 0, 0));
    EXPECT_TRUE(ring.Advance(0.4f));
    EXPECT_FALSE(ring.Visible());
    EXPECT_TRUE(ring.Advance(1.1f)); // 1.5 s
    EXPECT_TRUE(ring.Visible());
    EXPECT_FLOAT_EQ(ring.Radius(), 2.0f);
    EXPECT_FLOAT_EQ(ring.InnerRadius(), 1.5f);
    // Half way: level (1 - 0.5)^2 * 255 = 63.75, times the bias.
    EXPECT_EQ(ring.Colour(), 0xFF3F1F00u);
    EXPECT_TRUE(ring.Advance(0.99f)); // 2.49 s
    EXPECT_FALSE(ring.Advance(0.02f)); // 2.51 s

    // A ring wider than its radius is a disc; no lifetime ends it.
    TsExplosionParams wide = RingType(2.0f);
    wide.m_shockWidth = 10.0f;
    ring.Start(wide, OmVector3(0, 0, 0));
    ring.Advance(1.0f);
    EXPECT_FLOAT_EQ(ring.InnerRadius(), 0.0f);
    for (float lifetime : {0.0f, -1.0f}) {
        ring.Start(RingType(lifetime), OmVector3(0, 0, 0));
        EXPECT_TRUE(ring.Advance(0.1f)); // still waiting out its delay
        EXPECT_FALSE(ring.Advance(0.5f));
        EXPECT_FALSE(std::isnan(ring.Radius()));
    }
}

TEST(ShockwaveTest, RingVerticesAlternateOuterAndInner)
{
    TsShockwaveVertex v[TsShockwave::kRingVertices];
    TsShockwave::BuildRing(OmVector3(10, 2, 20), 3.0f, 1.0f, 0xFF112233u, v);
    EXPECT_FLOAT_EQ(v[0].x, 13.0f);
    EXPECT_FLOAT_EQ(v[1].x, 11.0f);
    EXPECT_FLOAT_EQ(v[16].z, 23.0f); // k = 8: a quarter turn
    EXPECT_FLOAT_EQ(v[0].v, 1.0f);
    EXPECT_FLOAT_EQ(v[1].v, 0.0f);
    // u: 0.5 for odd k; for even k, 1 when floor(k / 3) is odd.
    const float u[] = {0.0f, 0.5f, 0.0f, 0.5f, 1.0f, 0.5f, 0.0f};
    for (int k = 0; k < 7; ++k)
        EXPECT_FLOAT_EQ(v[2 * k].u, u[k]) << k;
}

class ExplosionPoolTest : public ExplosionTableTest {
protected:
    void SetUp() override
    {
        ExplosionTableTest::SetUp();
        TsInitialExplosions::Init("LoadExplosionAttributes"); // no script state: the pool only
    }
    void TearDown() override
    {
        TsInitialExplosions::Shutdown();
        ExplosionTableTest::TearDown();
    }
};

TEST_F(ExplosionPoolTest, RefusesTypesOutsideTheTable)
{
    TsExplosionTable::SetCount(2);
    EXPECT_FALSE(TsInitialExplosions::Spawn(-1, OmVector3(), OmVector3(0, 1, 0), 0.0f));
    EXPECT_FALSE(TsInitialExplosions::Spawn(2, OmVector3(), OmVector3(0, 1, 0), 0.0f));
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 0u);
    EXPECT_TRUE(TsInitialExplosions::Spawn(1, OmVector3(), OmVector3(0, 1, 0), 0.0f));
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 1u);
    EXPECT_EQ(TsInitialExplosions::FreeCount(), TsInitialExplosions::kPoolSize - 1);
}

TEST_F(ExplosionPoolTest, StepsStartAtTheFirstSpawnAndNeverGoBack)
{
    *TsExplosionTable::Get(0) = RingType(2.0f);
    ASSERT_TRUE(TsInitialExplosions::Spawn(0, OmVector3(), OmVector3(0, 1, 0), 100.0f));
    TsInitialExplosions::Update(100.25f);
    EXPECT_FLOAT_EQ(TsInitialExplosions::LastStep(), 0.25f);
    TsInitialExplosions::Update(99.0f);
    EXPECT_FLOAT_EQ(TsInitialExplosions::LastStep(), 0.0f);
    // A ring with no arms lives as long as its ring, then goes back to the pool.
    TsInitialExplosions::Update(101.0f);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 1u);
    TsInitialExplosions::Update(104.0f);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 0u);
    EXPECT_EQ(TsInitialExplosions::FreeCount(), TsInitialExplosions::kPoolSize);
}

// An explosion in flight points at its type: a script that shrinks the
// table meanwhile must not pull the record from under it.
TEST_F(ExplosionPoolTest, ALiveExplosionOutlivesItsTypesRemoval)
{
    TsExplosionTable::SetCount(3);
    *TsExplosionTable::Get(2) = RingType(2.0f);
    ASSERT_TRUE(TsInitialExplosions::Spawn(2, OmVector3(), OmVector3(0, 1, 0), 10.0f));
    TsExplosionTable::SetCount(0);
    TsInitialExplosions::Update(10.5f);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 1u);
    TsInitialExplosions::Update(14.0f);
    EXPECT_EQ(TsInitialExplosions::ActiveCount(), 0u);
}

} // namespace
