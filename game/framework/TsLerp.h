// Values that change once per game tick and are drawn in between: Advance
// moves the tick's values on, Interpolate blends the last two by the frame's
// fraction of a tick. The camera, light effects and the loading screen use
// them.
#pragma once

#include "engine/OmVector3.h"

struct TsLerpFloat {
    float previous = 0.0f;
    float current = 0.0f;
    float next = 0.0f;
    float interpolated = 0.0f;

    void SetNext(float v) { next = v; }
    void SetAll(float v) { previous = current = next = v; }
    void Advance()
    {
        previous = current;
        current = next;
    }
    float Interpolate(float t)
    {
        interpolated = previous + (current - previous) * t;
        return interpolated;
    }
};

struct TsLerpVector {
    OmVector3 previous;
    OmVector3 current;
    OmVector3 next;
    OmVector3 interpolated;

    void SetNext(const OmVector3& v) { next = v; }
    void SetAll(const OmVector3& v) { previous = current = next = v; }
    void Advance()
    {
        previous = current;
        current = next;
    }
    const OmVector3& Interpolate(float t)
    {
        interpolated.Set(previous.x + (current.x - previous.x) * t, previous.y + (current.y - previous.y) * t,
                         previous.z + (current.z - previous.z) * t);
        return interpolated;
    }
};
