#include <gtest/gtest.h>

#include "testing/ManualClock.h"
#include "engine/OmTimer.h"

TEST(OmTimer, ConvertsWithTheCounterFrequencyTruncatingTowardZero)
{
    ManualClock clock(3579545);
    EXPECT_EQ(SecondsToTicks(-0.5), -1789772) << "truncated toward zero";
    EXPECT_DOUBLE_EQ(TicksToSeconds(-715909), -0.2);
}

TEST(OmTimer, TheRealCounterNeverGoesBack)
{
    int64_t previous = GetPerformanceTicks();
    for (int i = 0; i < 1000; ++i) {
        const int64_t now = GetPerformanceTicks();
        ASSERT_GE(now, previous);
        previous = now;
    }
}
