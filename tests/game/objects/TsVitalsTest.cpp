#include <gtest/gtest.h>

#include <algorithm>

#include "game/objects/TsVitals.h"

TEST(Vitals, VitalityAbsorbsFirstAndHealthClampsAtItsMaximum)
{
    const struct {
        float vitality, health, delta;
        float vitalityAfter, healthAfter;
    } cases[] = {
        {10, 10, -30, 0, -10},  // the rest reaches health, which runs out below 0
        {10, 80, -30, 0, 60},   // vitality 0, 20 taken from health
        {5, 10, 20, 10, 10},    // healing clamps at the maximum
        {10, 10, -10, 0, 10},   // exactly used up: health untouched
    };
    for (const auto& c : cases) {
        TsVitals v;
        v.SetMaxHealth(100.0f);
        v.SetHealth(c.health);
        v.SetVitality(c.vitality);
        EXPECT_EQ(v.AddVitality(c.delta), c.healthAfter <= 0.0f) << c.delta;
        EXPECT_FLOAT_EQ(v.GetVitality(), c.vitalityAfter) << c.delta;
        EXPECT_FLOAT_EQ(v.GetHealth(), std::min(c.healthAfter, 100.0f)) << c.delta;
    }
    TsVitals v;
    v.SetHealth(80.0f);
    v.SetMaxHealth(50.0f);
    EXPECT_FLOAT_EQ(v.GetHealth(), 50.0f) << "a lower maximum clamps the health";
}

// Vitality recovers first; a health that drains runs out once each tick
// it is left at or below 0.
TEST(Vitals, RecoveryFillsVitalityThenHealthAndSaysEachTimeHealthRunsOut)
{
    TsVitals v;
    v.SetMaxHealth(20.0f);
    v.SetHealth(5.0f);
    v.SetVitality(9.5f);
    v.SetHealthRecovery(10.0f);
    int falls = 0;
    v.Recover(0.5f, [&] { ++falls; });
    EXPECT_FLOAT_EQ(v.GetVitality(), 10.0f) << "the default: two a second, up to the maximum";
    EXPECT_FLOAT_EQ(v.GetHealth(), 10.0f);
    v.SetHealthRecovery(-30.0f);
    for (int tick = 0; tick < 3; ++tick)
        v.Recover(0.25f, [&] { ++falls; });
    EXPECT_EQ(falls, 2);
}
