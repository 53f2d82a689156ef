// The level camera's elevation control: which step the camera may use and
// how long it holds a higher one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "game/level/TsLevelCamera.h"

namespace {

TEST(TsElevationControl, TheLowestStepWithAClearViewIsUsed)
{
    const float steps[3] = {0.5f, 0.9f, 1.5f};
    const struct {
        std::vector<float> blocked; // elevations whose view is blocked
        int step;
    } cases[] = {
        {{}, 0},
        {{0.5f}, 0},                  // 0.1 lower is clear
        {{0.5f, 0.4f}, 1},
        {{0.5f, 0.4f, 0.9f}, 1},      // 0.8 is clear
        {{0.5f, 0.4f, 0.9f, 0.8f}, 2}, // the fallback
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocked.size());
        auto isClear = [&](float e) {
            return std::none_of(c.blocked.begin(), c.blocked.end(), [&](float b) { return std::abs(b - e) < 1e-4f; });
        };
        EXPECT_EQ(TsElevationControl::UsableStep(isClear, steps), c.step);
    }
}

TEST(TsElevationControl, AHigherStepIsTakenAtOnceAndHeldBeforeComingDown)
{
    TsElevationControl control;
    EXPECT_EQ(control.Choose(2), 2);
    for (int tick = 1; tick < TsElevationControl::kHoldTicks; ++tick) {
        ASSERT_EQ(control.Choose(0), 2) << "tick " << tick;
    }
    EXPECT_EQ(control.Choose(0), 0);
    EXPECT_EQ(control.Choose(-1), -1);
}

} // namespace
