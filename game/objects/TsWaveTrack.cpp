#include "game/objects/TsWaveTrack.h"

#include <cmath>

#include "engine/OmRand.h"
#include "game/framework/TsRandom.h"

void TsWaveTrack::Reset()
{
    periodEnd = 0.0f;
    nextSwitch = 0.0f;
    gated = 0;
    restartOnSwitch = 0;
    on = 0;
}

void TsWaveTrack::Restart()
{
    restartOnSwitch = 1;
    nextSwitch = -1.0f;
    periodEnd = -1.0f;
}

float TsWaveTrack::RandomFraction()
{
    return float(Random() & 0xFFFF) * 1.5259022e-5f;
}

bool TsWaveTrack::IsOn(float t)
{
    if (!gated) {
        on = 1;
        return true;
    }
    if (t < nextSwitch)
        return on != 0;
    if (on) {
        on = 0;
        nextSwitch = t + offMin + (offMax - offMin) * RandomFraction();
    } else {
        on = 1;
        nextSwitch = t + onMin + (onMax - onMin) * RandomFraction();
        if (restartOnSwitch)
            periodEnd = t;
    }
    return on != 0;
}

bool TsWaveTrack::AdvancePeriod(float t)
{
    if (t < periodEnd)
        return false;
    // A zero frequency would never end a period: it holds one forever.
    if (frequency <= 0.0f) {
        periodEnd = INFINITY;
        return true;
    }
    periodEnd = std::ceil(t * frequency) / frequency;
    // A time exactly on a boundary starts the period it opens.
    if (periodEnd <= t)
        periodEnd += 1.0f / frequency;
    return true;
}

float TsWaveTrack::Phase(float t) const
{
    if (frequency <= 0.0f)
        return 0.0f;
    return (t - (periodEnd - 1.0f / frequency)) * frequency;
}

float TsWaveTrack::RampValue(float t)
{
    if (!IsOn(t)) {
        value = base;
        return value;
    }
    AdvancePeriod(t);
    const float p = Phase(t);
    if (p < duty)
        value = p * amplitude / duty + base;
    else
        value = (1.0f - (p - duty) / (1.0f - duty)) * amplitude + base;
    return value;
}

// The level is drawn from the game's 15-bit random numbers, once a period,
// and held for the duty fraction of it.
float TsWaveTrack::FlickerValue(float t)
{
    if (!IsOn(t)) {
        value = base;
        return value;
    }
    if (AdvancePeriod(t))
        value = base + amplitude * OmRand01();
    if (Phase(t) >= duty)
        value = base;
    return value;
}
