#include <gtest/gtest.h>

#include <cstdint>

#include "game/framework/TsCountdown.h"

// Each kind rests at its own floor, however far below it a count is set.
TEST(Countdown, RunsDownToItsFloorAndRestsThereWhateverItIsSetTo)
{
    TsCountdown<0> flash(1);
    TsCountdown<-1> blow(INT32_MIN);
    TsCountdown<INT32_MIN> reload(INT32_MIN + 1);
    for (int tick = 0; tick < 2; ++tick) {
        flash.Tick();
        blow.Tick();
        reload.Tick();
    }
    EXPECT_EQ(flash.Get(), 0);
    EXPECT_EQ(blow.Get(), -1);
    EXPECT_EQ(reload.Get(), INT32_MIN);
    flash.Set(-5);
    EXPECT_EQ(flash.Get(), 0);
}
