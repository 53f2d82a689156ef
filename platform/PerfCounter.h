// The high-resolution counter behind the game clock: a monotonic tick count
// and its frequency in ticks per second. Tests can fix the frequency and
// run the counter by hand.
#pragma once

#include <cstdint>

namespace plat {

// Ticks per second (the monotonic clock's nanoseconds unless overridden).
int64_t PerfCounterFrequency();

// The current tick count; never goes backwards.
int64_t PerfCounterNow();

// Test controls. A frequency of 0 restores the clock's own. In manual mode
// the counter stands still except through SetPerfCounter/AdvancePerfCounter;
// leaving manual mode returns to the real clock.
void SetPerfCounterFrequency(int64_t ticksPerSecond);
void SetPerfCounterManual(bool manual);
void SetPerfCounter(int64_t ticks);
void AdvancePerfCounter(int64_t ticks);

} // namespace plat
