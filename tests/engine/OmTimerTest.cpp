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
    EXPECT_DOUBLE_EQ(TicksToSeconds(-357954.5 * 2), -0.2);
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
    // A chosen frequency rescales the real clock: a 1 kHz counter and the
    // nanosecond clock agree on elapsed time to within a tick.
    plat::SetPerfCounterFrequency(1000);
    const int64_t a = plat::PerfCounterNow();
    const int64_t nanosA = [] {
        plat::SetPerfCounterFrequency(0);
        return plat::PerfCounterNow();
    }();
    EXPECT_NEAR(static_cast<double>(a), static_cast<double>(nanosA) / 1e6, 2.0);
}
