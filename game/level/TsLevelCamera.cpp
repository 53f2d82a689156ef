#include "game/level/TsLevelCamera.h"

#include <algorithm>

int TsElevationControl::Choose(int usable)
{
    if (countdown_ > 0) {
        --countdown_;
    }
    if (usable < 0) {
        step_ = -1;
        return step_;
    }
    if (usable > step_) {
        step_ = usable;
        countdown_ = kHoldTicks;
    } else if (usable < step_ && countdown_ == 0) {
        step_ = usable;
    }
    return step_;
}

float TsElevationControl::MovePitch(float current, float target, float tickDuration)
{
    const float gap = target - current;
    const float limit = (gap > 0.0f ? 1.8f : 1.3f) * tickDuration;
    return current + std::clamp(0.8f * gap, -limit, limit);
}
