// The program's high-resolution timer: counter ticks and their conversion
// to seconds, behind the fixed game tick and the profiler.
#pragma once

#include <cstdint>

// Reads the counter frequency (kept for the conversions below) and returns
// the current count.
int64_t InitPerformanceTimer();

// The current counter value.
int64_t GetPerformanceTicks();

// ticks / frequency.
double TicksToSeconds(int64_t ticks);

// frequency * seconds, truncated toward zero.
int64_t SecondsToTicks(double seconds);
