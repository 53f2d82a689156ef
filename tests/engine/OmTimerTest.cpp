#include <gtest/gtest.h>

#include "ManualClock.h"
#include "engine/OmTimer.h"
#include "platform/PerfCounter.h"

TEST(OmTimer, ConvertsWithTheCounterFrequency)
{
    ManualClock clock(3579545);
    EXPECT_EQ(SecondsToTicks(0.5), 1789772);
    EXPECT_EQ(SecondsToTicks(-0.5), -1789772) << "truncated toward zero";
    EXPECT_DOUBLE_EQ(TicksToSeconds(3579545), 1.0);
    EXPECT_DOUBLE_EQ(TicksToSeconds(-715909), -0.2);
}

TEST(OmTimer, ManualCounterMovesOnlyByHandAndRealCounterNeverGoesBack)
{
    {
        ManualClock clock(1000);
        const int64_t start = GetPerformanceTicks();
        EXPECT_EQ(GetPerformanceTicks(), start);
        clock.Advance(250);
        EXPECT_EQ(GetPerformanceTicks() - start, 250);
        EXPECT_DOUBLE_EQ(TicksToSeconds(GetPerformanceTicks() - start), 0.25);
    }
    EXPECT_EQ(plat::PerfCounterFrequency(), 1000000000);
    int64_t previous = GetPerformanceTicks();
    for (int i = 0; i < 1000; ++i) {
        const int64_t now = GetPerformanceTicks();
        ASSERT_GE(now, previous);
        previous = now;
    }
}
