#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmMath.h"
#include "game/objects/TsWaist.h"

// The legs keep within 45 degrees of the path, forward or back, or go
// sideways; the waist turns the body the rest of the way to the target.
TEST(Waist, AimingAcrossThePathTwistsTheWaistByWhatTheLegsLeave)
{
    const struct {
        float between, side; // the angle from the path to the target, and its side
        TsWaist::Facing facing;
        float angle;
    } cases[] = {
        {0.5f, 1.0f, TsWaist::kForward, 0.5f},
        {0.5f, -1.0f, TsWaist::kForward, -0.5f},
        {2.8f, 1.0f, TsWaist::kBackward, 2.8f - OM_PI},
        {1.2f, 1.0f, TsWaist::kRight, 1.2f - OM_HALF_PI},
        {1.2f, -1.0f, TsWaist::kLeft, OM_HALF_PI - 1.2f},
    };
    for (const auto& c : cases) {
        TsWaist waist;
        EXPECT_EQ(waist.AimAcross(std::cos(c.between), c.side), c.facing) << c.between << "/" << c.side;
        EXPECT_NEAR(waist.GetAngle(), c.angle, 1e-5f) << c.between << "/" << c.side;
    }
}
