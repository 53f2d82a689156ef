// A small waveform generator: a ramp (rise over the duty fraction of each
// period, fall over the rest) or a flicker (a random level held for the
// duty fraction of each period), optionally gated on and off at random
// intervals. Light effects drive their lights with it.
#pragma once

#include <cstdint>

struct TsWaveTrack {
    float amplitude = 0.0f;
    float base = 0.0f;
    float frequency = 1.0f; // periods per second
    float duty = 0.5f;      // fraction of a period, 0..1
    uint8_t gated = 0;
    uint8_t restartOnSwitch = 0;
    float onMin = 0.0f, onMax = 0.0f;   // seconds
    float offMin = 0.0f, offMax = 0.0f; // seconds
    float periodEnd = 0.0f;
    float nextSwitch = 0.0f;
    float value = 0.0f;
    uint32_t on = 0;

    TsWaveTrack() { Reset(); }
    void Reset();
    // The next evaluation starts a new period and a new gate interval.
    void Restart();
    // Whether the gate is open at time t (seconds); moves the gate on when
    // its interval is over.
    bool IsOn(float t);
    float RampValue(float t);
    float FlickerValue(float t);

    // A uniform fraction 0..1 from the game's shared random sequence.
    static float RandomFraction();

private:
    // True when t has reached the end of the period, which then moves on
    // to the end of the period holding t.
    bool AdvancePeriod(float t);
    float Phase(float t) const;
};
