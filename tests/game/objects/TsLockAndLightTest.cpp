// Locks opened by their key and running their script when used; the wave
// tracks behind light effects; light effects without their light, and
// their bound volumes through a saved game.
#include <gtest/gtest.h>

#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmRef.h"
#include "game/objects/TsBoundObject.h"
#include "game/objects/TsLightEffectObject.h"
#include "game/objects/TsLockObject.h"
#include "testing/ScratchDir.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

TEST(Lock, TheRightKeyFlipsItAndAWrongOneChangesNothing)
{
    auto lock = OmMakeRef<TsLockObject>();
    lock->SetKeyID(7);
    lock->SetLocked(true);
    const struct {
        int32_t key;
        bool lockedAfter;
    } steps[] = {{3, true}, {7, false}, {-1, false}, {7, true}, {7, false}};
    for (const auto& s : steps) {
        EXPECT_EQ(lock->ActivateLock(s.key), s.lockedAfter) << s.key;
        EXPECT_EQ(lock->GetLocked(), s.lockedAfter);
    }
}

TEST(Lock, AHackOpensItAndLeavesItOpen)
{
    auto lock = OmMakeRef<TsLockObject>();
    lock->SetLocked(true);
    EXPECT_TRUE(lock->HackLock());
    EXPECT_FALSE(lock->GetLocked());
    EXPECT_TRUE(lock->HackLock()); // already open: still true, still open
    EXPECT_FALSE(lock->GetLocked());
}

TEST(Lock, ItIsRaisedByItsHeightAndNeverSaved)
{
    auto lock = OmMakeRef<TsLockObject>();
    lock->SetPosition(1, 2, 3);
    lock->SetLockHeight(1.25f);
    EXPECT_TRUE(lock->Initialise());
    EXPECT_FLOAT_EQ(lock->GetPosition().y, 3.25f);
    OmArchive archive(OmClassRegistry::Instance());
    EXPECT_FALSE(lock->Register(archive));
    EXPECT_EQ(archive.GetObjectIndex(lock), -1);
}

TEST(LockScriptTest, UsingRunsTheScriptOrNothing)
{
    const GameScript lua("opened = 0 function Opened() opened = opened + 1 end");
    auto lock = OmMakeRef<TsLockObject>();
    LogCapture log;
    lock->SetName("vault");
    lock->Use(nullptr);
    EXPECT_EQ(lua.Number("opened"), 0.0);
    lock->SetLockScript("Opened");
    lock->Use(nullptr);
    lock->Use(nullptr);
    EXPECT_EQ(lua.Number("opened"), 2.0);
    lock->SetLockScript("");
    EXPECT_EQ(lock->GetLockScript(), nullptr);
    lock->Use(nullptr);
    lock->SetLockScript("Opened() opened = 100 --");
    lock->Use(nullptr);
    EXPECT_EQ(lua.Number("opened"), 2.0);
    EXPECT_TRUE(log.Contains("vault"));
}

// A slow pulse (0.3 Hz) rises over half its period and falls over the
// other; a fast one ramps up over its 0.2 s duty and back down.
TEST(LightEffect, PulsesRiseAndFallOverTheirPeriods)
{
    const float slow = 1.0f / 0.3f;
    const struct {
        uint32_t effect;
        float t, value;
    } cases[] = {
        {TsLightEffectObject::SLOW_PULSE, 0.1f * slow, 0.2f},  {TsLightEffectObject::SLOW_PULSE, 0.25f * slow, 0.5f},
        {TsLightEffectObject::SLOW_PULSE, 0.45f * slow, 0.9f}, {TsLightEffectObject::SLOW_PULSE, 0.6f * slow, 0.8f},
        {TsLightEffectObject::SLOW_PULSE, 0.9f * slow, 0.2f},  {TsLightEffectObject::SLOW_PULSE, 1.25f * slow, 0.5f},
        {TsLightEffectObject::FAST_PULSE, 0.1f, 0.75f},        {TsLightEffectObject::FAST_PULSE, 0.2f, 1.0f},
        {TsLightEffectObject::FAST_PULSE, 0.6f, 0.75f},        {TsLightEffectObject::CONSTANT, 0.6f, 1.0f},
    };
    for (const auto& c : cases) {
        auto effect = OmMakeRef<TsLightEffectObject>();
        effect->SetEffect(c.effect);
        EXPECT_NEAR(effect->Evaluate(c.t), c.value, 1e-3f) << c.effect << " at " << c.t;
    }
}

TEST(LightEffect, WithoutItsLightAnEffectSaysSoAndSwitchesNothing)
{
    LogCapture log;
    auto effect = OmMakeRef<TsLightEffectObject>();
    effect->SetName("flicker");
    effect->SetLight("nolight");
    effect->SetEffect(TsLightEffectObject::FLICKER1);
    EXPECT_TRUE(effect->Initialise());
    EXPECT_TRUE(
        log.Contains("Error: cannot find the light 'nolight' referenced by TsLightEffectObject entity 'flicker'"));
    EXPECT_FALSE(effect->ToggleSwitch());
    effect->SetSwitch(true);
    effect->Tick(1); // the wave runs on with nothing to light
    EXPECT_GE(effect->GetIntensity(), 0.4f);
    effect->Render(0.0f, 0.5f);
}

// An effect saves only its bound's name and takes the bound again once
// read back: the bound's saved count leaves that reference out.
TEST(LightEffect, ItsBoundComesBackFromASaveCountedOncePerHolder)
{
    ScratchDir scratch;
    LogCapture log; // the effect's light is missing
    {
        auto bound = OmMakeRef<TsBoundObject>();
        bound->SetName("zone");
        auto effect = OmMakeRef<TsLightEffectObject>();
        effect->SetBound("zone");
        ASSERT_TRUE(effect->Import());
        ASSERT_EQ(effect->GetBoundObject(), bound.Get());
        ASSERT_TRUE(SaveRoots({bound, effect}, "light.sav"));
    }
    const std::vector<OmRef<OmObject>> back = LoadRoots("light.sav");
    TsBoundObject* bound = RootAs<TsBoundObject>(back, 0);
    TsLightEffectObject* effect = RootAs<TsLightEffectObject>(back, 1);
    ASSERT_TRUE(bound && effect);
    ASSERT_TRUE(effect->Import());
    EXPECT_EQ(effect->GetBoundObject(), bound);
    EXPECT_EQ(bound->GetRefCount(), 2u) << "this test's and the effect's";
}

} // namespace
