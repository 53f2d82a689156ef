// Projectile types and shots without a level: the laser colour, the streak's
// corners and fade, the launch step, spirals, dropped and unknown types.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "engine/OmRef.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsProjectileAttributes.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

constexpr int32_t kLaserType = 5;

class ProjectileTest : public ::testing::Test {
protected:
    void SetUp() override { TsProjectileAttributes::ResetAll(); }
    void TearDown() override
    {
        // The streak list must not outlive the shots it names.
        TsProjectile::ReleaseVertexBuffer();
        TsProjectileAttributes::ResetAll();
    }

    // A laser type: 10 units/s for 1 s, streaks 3 long and 0.1 wide.
    static TsProjectileAttributes& LaserType()
    {
        TsProjectileAttributes& rec = *TsProjectileAttributes::_Attributes(kLaserType);
        rec.m_lifetime = 1.0f;
        rec.m_initialSpeed = 10.0f;
        rec.m_laserLength = 3.0f;
        rec.m_laserScale = 0.1f;
        rec.SetLaserColour(255, 0, 0);
        rec.laserTexture = 7; // as if resolved
        return rec;
    }

    // A shot of the type launched, living and striking after `life` seconds.
    static OmRef<TsProjectile> Launched(int32_t type, const OmVector3& origin, const OmVector3& heading,
                                        const OmVector3& velocity, float life)
    {
        auto shot = OmMakeRef<TsProjectile>();
        shot->SetType(type);
        shot->SetOrigin(origin);
        shot->SetHeading(heading);
        shot->SetVelocity(velocity);
        shot->SetLifetime(life);
        shot->SetTimeToImpact(life);
        shot->Launch();
        return shot;
    }

    // A laser shot launched from the origin along heading, drawn first at
    // render time 0 and then at `at`: its laser is at * 10 long.
    static OmRef<TsProjectile> DrawnShot(const OmVector3& heading, float at)
    {
        OmRef<TsProjectile> shot = Launched(kLaserType, OmVector3(), heading, heading * 10.0f, 1.0f);
        shot->Render(0.0f, 0.0f);
        shot->Render(at, 0.0f);
        return shot;
    }

    LogCapture log;
    TsStreakVertex v[TsProjectile::kStreakVertices];
};

TEST_F(ProjectileTest, TheLaserColourHasFullAlphaAndEachComponentInItsOwnByte)
{
    const struct {
        int32_t r, g, b;
        uint32_t argb;
    } cases[] = {{1, 2, 3, 0xFF010203u}, {300, 0, 0, 0xFF2C0000u}, {0, 256, 511, 0xFF0000FFu}}; // no spill into alpha
    TsProjectileAttributes rec;
    for (const auto& c : cases) {
        rec.SetLaserColour(c.r, c.g, c.b);
        EXPECT_EQ(rec.m_laserARGB, c.argb) << c.r << "," << c.g << "," << c.b;
    }
}

TEST_F(ProjectileTest, LeadTimeIsZeroForATypeWithNoSpeed)
{
    TsProjectileAttributes rec;
    EXPECT_EQ(rec.LeadSeconds(10.0f), 0.0f);
    rec.m_initialSpeed = 20.0f;
    EXPECT_FLOAT_EQ(rec.LeadSeconds(10.0f), 0.5f);
}

// Lifetime x speed is 10: a streak fades over the last five units short of it.
TEST_F(ProjectileTest, ASideOnStreakIsTwiceItsScaleWideAndFadesOverItsLastFiveUnits)
{
    LaserType();
    OmRef<TsProjectile> shot = DrawnShot(OmVector3(1, 0, 0), 0.5f); // laser 5 long, drawn 3
    ASSERT_TRUE(shot->BuildStreak(OmVector3(0, 0, 1), v));
    const struct {
        float x, y, u, vv;
    } want[] = {{5, 0.1f, 0, 0}, {2, 0.1f, 1, 0}, {2, -0.1f, 1, 1}, {2, -0.1f, 1, 1}, {5, -0.1f, 0, 1}, {5, 0.1f, 0, 0}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(v[i].x, want[i].x, 1e-5f) << i;
        EXPECT_NEAR(v[i].y, want[i].y, 1e-5f) << i;
        EXPECT_NEAR(v[i].z, 0.0f, 1e-5f) << i;
        EXPECT_EQ(v[i].u, want[i].u) << i;
        EXPECT_EQ(v[i].v, want[i].vv) << i;
    }
    EXPECT_NEAR(shot->GetRenderPosition().x, 5.0f, 1e-5f) << "the render position is the streak's tip";
    EXPECT_EQ(v[0].colour, 0xFFFF0000u);
    for (const auto& [at, alpha] : {std::pair{0.75f, 127u}, std::pair{1.0f, 0u}}) {
        shot = DrawnShot(OmVector3(1, 0, 0), at);
        ASSERT_TRUE(shot->BuildStreak(OmVector3(0, 0, 1), v));
        EXPECT_EQ(v[5].colour >> 24, alpha) << at;
    }
}

TEST_F(ProjectileTest, WithoutAStreakBufferTheStreaksAreSkippedAndTheListEmptied)
{
    LaserType();
    const OmRef<TsProjectile> shot = DrawnShot(OmVector3(1, 0, 0), 0.5f);
    ASSERT_GT(TsProjectile::GetStreakCount(), 0u) << "in flight: its streak was gathered";
    const uint32_t setups = TsProjectile::StreakStateSetups();
    TsProjectile::RenderAll(); // there is no renderer, so no buffer
    EXPECT_EQ(TsProjectile::GetStreakCount(), 0u);
    EXPECT_EQ(TsProjectile::StreakStateSetups(), setups) << "no state was touched";
    EXPECT_TRUE(log.Contains("no streak buffer"));
}

TEST_F(ProjectileTest, ANearlyEndOnStreakShiftsItsTailAndAnExactlyEndOnOneIsNotDrawn)
{
    LaserType();
    OmVector3 heading(0.02f, 0.0f, 1.0f);
    heading.Normalise();
    const OmRef<TsProjectile> tilted = DrawnShot(heading, 0.5f);
    ASSERT_TRUE(tilted->BuildStreak(OmVector3(0, 0, 1), v));
    // Without the shift the tail corner would be tip - heading x 3 + w.
    const OmVector3 tip = heading * 5.0f;
    const OmVector3 w(0, v[0].y - tip.y, 0);
    const OmVector3 unshifted = tip - heading * 3.0f + w;
    const OmVector3 shift(v[1].x - unshifted.x, v[1].y - unshifted.y, v[1].z - unshifted.z);
    EXPECT_NEAR(shift.Length(), 0.1f, 1e-4f);

    const OmRef<TsProjectile> endOn = DrawnShot(OmVector3(0, 0, 1), 0.5f);
    EXPECT_FALSE(endOn->BuildStreak(OmVector3(0, 0, 1), v));
    EXPECT_NEAR(endOn->GetRenderPosition().z, 5.0f, 1e-5f);
}

// The launch itself moves a shot one step of its velocity (a still shot
// stays put and keeps its heading); the level's tick of the same game tick
// leaves it where it is, and any tick count, the largest included, is an
// ordinary tick.
TEST_F(ProjectileTest, TheLaunchStepMovesAShotOnceAndAStillShotKeepsItsHeading)
{
    TsProjectileAttributes::_Attributes(3)->m_lifetime = 5.0f;
    const struct {
        OmVector3 velocity, position;
    } launches[] = {{OmVector3(10, 0, 0), OmVector3(2, 1, 1)}, {OmVector3(), OmVector3(1, 1, 1)}};
    for (const auto& c : launches) {
        const OmRef<TsProjectile> shot = Launched(3, OmVector3(1, 1, 1), OmVector3(0, 0, 1), c.velocity, 5.0f);
        EXPECT_TRUE(OmVector3::NearlyEqual(shot->GetPosition(), c.position, 1e-5f)) << c.velocity.x;
        EXPECT_FALSE(shot->IsFinished());
        for (uint32_t tick : {1u, 7u, 0xFFFFFFFFu}) {
            shot->Tick(tick);
            EXPECT_TRUE(OmVector3::NearlyEqual(shot->GetPosition(), c.position, 1e-5f)) << tick;
        }
        if (c.velocity.Length() == 0.0f) {
            EXPECT_TRUE(OmVector3::NearlyEqual(shot->GetHeading(), OmVector3(0, 0, 1), 0.0f));
        }
    }
}

TEST_F(ProjectileTest, SpiralsCircleTheFlightWhicheverWayItGoes)
{
    const struct {
        OmVector3 velocity;
        float radius, elapsed;
        OmVector3 offset; // NAN components: only the length is known
    } spirals[] = {
        {OmVector3(1, 0, 0), 2.0f, 0.0f, OmVector3(0, 2, 0)},
        {OmVector3(1, 0, 0), 2.0f, 0.25f, OmVector3(0, 0, 2)},
        {OmVector3(0, 5, 0), 2.0f, 0.1f, OmVector3(NAN, NAN, NAN)}, // straight up
        {OmVector3(0, -3, 0), 1.0f, 0.4f, OmVector3(NAN, NAN, NAN)},
        {OmVector3(), 2.0f, 0.1f, OmVector3()},                        // standing still
        {OmVector3(1, 0, 0), 0.0f, 0.1f, OmVector3()},                 // no spiral
    };
    for (const auto& c : spirals) {
        const OmVector3 got = TsProjectile::SpiralOffset(c.velocity, c.radius, 1.0f, c.elapsed);
        ASSERT_TRUE(std::isfinite(got.x) && std::isfinite(got.y) && std::isfinite(got.z));
        if (std::isnan(c.offset.x)) {
            EXPECT_NEAR(got.Length(), c.radius, 1e-5f);
            EXPECT_NEAR(got.Dot(c.velocity), 0.0f, 1e-5f) << "the circle lies across the flight";
        } else {
            EXPECT_TRUE(OmVector3::NearlyEqual(got, c.offset, 1e-5f)) << got.x << " " << got.y << " " << got.z;
        }
    }
}

TEST_F(ProjectileTest, AShotOfNoTypeIsDroppedAndGoesBackToThePool)
{
    const uint32_t before = TsProjectile::LiveCount();
    for (int32_t type : {32, -5, 99}) {
        auto* shot = new TsProjectile;
        shot->SetType(type);
        shot->Launch();
        EXPECT_TRUE(shot->IsFinished()) << type;
        shot->Tick(1); // released by itself
        EXPECT_EQ(TsProjectile::LiveCount(), before) << type;
    }
    EXPECT_TRUE(log.Contains("projectile type 32 is not one of the 32 types"));
}

// Each lets go of its own reference: destroyed through its destructor (its
// name and scene node go with it) unless something else still holds it.
TEST_F(ProjectileTest, ShotsInFlightAreDestroyedWhenTheLevelCloses)
{
    const uint32_t before = TsProjectile::LiveCount();
    auto* first = new TsProjectile;
    first->SetName("first shot");
    auto* held = new TsProjectile;
    held->SetName("held shot");
    OmRef<TsProjectile> holder(held); // something else still holds it
    ASSERT_EQ(TsProjectile::LiveCount(), before + 2);
    TsProjectile::ReleaseAllLive();
    EXPECT_EQ(TsProjectile::LiveCount(), before + 1);
    EXPECT_EQ(held->GetRefCount(), 1u);
    EXPECT_STREQ(held->GetName(), "held shot");
    holder = nullptr;
    EXPECT_EQ(TsProjectile::LiveCount(), before);
}

// The owner bursts as it fires, a script deletes the target; neither a hit
// nor a save may reach them.
TEST_F(ProjectileTest, AShotForgetsAnOwnerAndATargetThatAreDestroyed)
{
    ScratchDir dir;
    auto shot = OmMakeRef<TsProjectile>();
    shot->SetType(2);
    auto owner = OmMakeRef<TsNPCObject>(), target = OmMakeRef<TsNPCObject>();
    shot->SetOwner(owner.Get());
    shot->SetTarget(target.Get());
    owner = nullptr;
    target = nullptr;
    EXPECT_EQ(shot->GetOwner(), nullptr);
    EXPECT_EQ(shot->GetTarget(), nullptr);
    EXPECT_TRUE(SaveRoots({shot.Get()}, "shot.sav"));
}

// A type no table holds (a damaged file) ends the shot on its next tick.
TEST_F(ProjectileTest, AShotComesBackFromASavedGameAndAnUnknownTypeEndsIt)
{
    ScratchDir dir;
    auto shot = OmMakeRef<TsProjectile>();
    shot->SetType(2);
    shot->SetLaunchTime(-0.3f);
    shot->SetLifetime(2.0f);
    shot->SetTimeToImpact(1.5f);
    auto* back = RoundTrip<TsProjectile>(shot, "shot.sav");
    shot = nullptr;
    ASSERT_NE(back, nullptr);
    EXPECT_FLOAT_EQ(back->GetLaunchTime(), -0.3f) << "written relative to the game time (0 here)";
    EXPECT_FALSE(back->IsFinished());
    back->SetType(77);
    const uint32_t live = TsProjectile::LiveCount();
    back->Tick(1);
    EXPECT_TRUE(back->IsFinished());
    back->Tick(2);
    EXPECT_EQ(TsProjectile::LiveCount(), live - 1);
}

} // namespace
