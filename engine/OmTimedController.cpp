#include "engine/OmTimedController.h"

#include <cmath>

OM_IMPLEMENT_ABSTRACT_CLASS(OmTimedController, OmController)

float OmTimedController::MapTime(float t) const
{
    const float u = t * timeScale + timeOffset;
    if (timeMode == OM_TIME_CLAMP) {
        if (u < startTime)
            return startTime;
        return u <= endTime ? u : endTime;
    }
    const float length = endTime - startTime;
    if (!(length > 0.0f))
        return startTime;
    const float q = (u - startTime) / length;
    const float n = std::floor(q);
    const float r = (q - n) * length;
    if (timeMode == OM_TIME_LOOP)
        return startTime + r;
    // Odd legs run backward from the end, even legs forward from the start.
    const bool odd = std::fmod(std::fabs(n), 2.0f) == 1.0f;
    return odd ? endTime - r : startTime + r;
}
