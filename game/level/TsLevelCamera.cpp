#include "game/level/TsLevelCamera.h"

#include <algorithm>

int TsElevationControl::Choose(int usable)
{
    if (m_countdown > 0) {
        --m_countdown;
    }
    if (usable < 0) {
        m_step = -1;
        return m_step;
    }
    if (usable > m_step) {
        m_step = usable;
        m_countdown = kHoldTicks;
    } else if (usable < m_step && m_countdown == 0) {
        m_step = usable;
    }
    return m_step;
}

float TsElevationControl::MovePitch(float current, float target, float tickDuration)
{
    const float gap = target - current;
    const float limit = (gap > 0.0f ? 1.8f : 1.3f) * tickDuration;
    return current + std::clamp(0.8f * gap, -limit, limit);
}
