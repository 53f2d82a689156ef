#include "engine/OmTimer.h"

#include "platform/PerfCounter.h"

namespace {

struct TimerState {
    int64_t frequency = 0;
    double secondsPerTick = 0.0;
    int64_t lastCount = 0;
};

TimerState& State()
{
    static TimerState state;
    return state;
}

// The conversions read the frequency stored by InitPerformanceTimer; one used
// before it would otherwise multiply by zero.
const TimerState& Ready()
{
    if (State().frequency == 0) {
        InitPerformanceTimer();
    }
    return State();
}

} // namespace

int64_t InitPerformanceTimer()
{
    TimerState& s = State();
    s.frequency = plat::PerfCounterFrequency();
    s.secondsPerTick = 1.0 / static_cast<double>(s.frequency);
    return GetPerformanceTicks();
}

int64_t GetPerformanceTicks()
{
    State().lastCount = plat::PerfCounterNow();
    return State().lastCount;
}

double TicksToSeconds(int64_t ticks) { return static_cast<double>(ticks) * Ready().secondsPerTick; }

int64_t SecondsToTicks(double seconds)
{
    return static_cast<int64_t>(static_cast<double>(Ready().frequency) * seconds);
}
