#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "game/framework/TsGameTicks.h"

namespace {

// A time from a script or a file may be any float: each rule keeps its own
// rounding and saturates past what an int holds.
TEST(GameTicks, SecondsBecomeTruncatedOrRoundedUpTicksThatNeverOverflow)
{
    const struct {
        float seconds;
        int32_t truncated, roundedUp;
    } cases[] = {
        {1.5f, 15, 15}, {0.7f, 7, 7}, {0.25f, 2, 3}, {0.01f, 0, 1}, {0.0f, 0, 1}, {-4.0f, -40, 1},
        {0.3f, 3, 3}, // no exact binary form: still three ticks
        {1e30f, INT32_MAX, INT32_MAX}, {-1e30f, INT32_MIN, 1}, {INFINITY, INT32_MAX, INT32_MAX}, {NAN, 0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TsGameTicks::FromSeconds(c.seconds), c.truncated) << c.seconds;
        EXPECT_EQ(TsGameTicks::FromSecondsRoundedUp(c.seconds), c.roundedUp) << c.seconds;
    }
}

} // namespace
