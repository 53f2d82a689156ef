#include "platform/PerfCounter.h"

#include <chrono>

namespace plat {
namespace {

constexpr int64_t kNanosPerSecond = 1000000000;

struct CounterState {
    int64_t frequency = 0; // 0: the clock's own nanoseconds
    bool manual = false;
    int64_t manualTicks = 0;
};

CounterState& State()
{
    static CounterState state;
    return state;
}

int64_t ClockNanos()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int64_t PerfCounterFrequency()
{
    const CounterState& s = State();
    return s.frequency > 0 ? s.frequency : kNanosPerSecond;
}

int64_t PerfCounterNow()
{
    const CounterState& s = State();
    if (s.manual) {
        return s.manualTicks;
    }
    const int64_t nanos = ClockNanos();
    if (s.frequency <= 0) {
        return nanos;
    }
    // Rescale without overflowing for the clock's whole range.
    return static_cast<int64_t>(static_cast<__int128>(nanos) * s.frequency / kNanosPerSecond);
}

void SetPerfCounterFrequency(int64_t ticksPerSecond)
{
    State().frequency = ticksPerSecond > 0 ? ticksPerSecond : 0;
}

void SetPerfCounterManual(bool manual)
{
    CounterState& s = State();
    if (manual && !s.manual) {
        s.manualTicks = 0;
    }
    s.manual = manual;
}

void SetPerfCounter(int64_t ticks) { State().manualTicks = ticks; }

void AdvancePerfCounter(int64_t ticks) { State().manualTicks += ticks; }

} // namespace plat
