// How the play camera chooses its elevation: three steps (30, 50 and 85
// degrees); the lowest step whose view of the focus is clear (or clear
// 0.1 radian lower) is the one wanted. A higher step is taken at once and
// held for four seconds before the camera may come down again, so it does
// not bob over every low wall. The pitch then eases toward the step.
#pragma once

#include <cstdint>

class TsElevationControl {
public:
    static constexpr int kStepCount = 3;
    static constexpr int kHoldTicks = 40; // 4 seconds of ticks
    static constexpr float kLowerBy = 0.1f;

    // isClear(elevation) answers whether the view from that elevation
    // reaches the focus; steps 0 and 1 are tried, step 2 is the fallback.
    template <class IsClear>
    static int UsableStep(IsClear isClear, const float (&steps)[kStepCount])
    {
        for (int step = 0; step < kStepCount - 1; ++step) {
            if (isClear(steps[step]) || isClear(steps[step] - kLowerBy)) {
                return step;
            }
        }
        return kStepCount - 1;
    }

    // The step to aim at this tick given the usable one (-1 with no step).
    int Choose(int usable);
    int GetStep() const { return m_step; }

    // The pitch after one tick of easing toward target: at most 80 % of
    // the gap, and at most 1.8 (rising) or 1.3 (falling) radians a second.
    static float MovePitch(float current, float target, float tickDuration);

private:
    int m_step = 0;
    int m_countdown = 0;
};
