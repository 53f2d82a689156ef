// The game's clock: the fixed tick everything counts in, and the two ways a
// time in seconds becomes a count of ticks. Such times come from scripts and
// files as well as from the game itself, so every conversion saturates: a
// time past what an int holds gives the nearest limit, and NaN counts as 0.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/OmMath.h"

struct TsGameTicks {
    static constexpr int kPerSecond = 10;
    static constexpr float kSeconds = 0.1f;

    // Ticks per second times the time, truncated toward zero. The product is
    // worked in float, as the game always has, so that 0.7 s is 7 ticks.
    static int32_t FromSeconds(float seconds) { return SaturatingInt(static_cast<float>(kPerSecond) * seconds); }

    // Rounded up, and never fewer than one, for a wait that must end on a
    // later tick. A hair below whole ticks counts as whole: 0.3 s is three
    // ticks, not four because 0.3 has no exact binary form.
    static int32_t FromSecondsRoundedUp(float seconds)
    {
        const double ticks = double(seconds) * double(kPerSecond);
        if (!(ticks > 1.0)) {
            return 1; // also for a time that is not a number
        }
        return SaturatingInt(std::ceil(ticks - 1e-4));
    }
};
