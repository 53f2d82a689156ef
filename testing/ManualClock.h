// Puts the performance counter under the test's control while it lives.
#pragma once

#include "engine/OmTimer.h"
#include "platform/PerfCounter.h"

class ManualClock {
public:
    explicit ManualClock(int64_t frequency = 1000)
    {
        plat::SetPerfCounterFrequency(frequency);
        plat::SetPerfCounterManual(true);
        InitPerformanceTimer();
    }
    ~ManualClock()
    {
        plat::SetPerfCounterManual(false);
        plat::SetPerfCounterFrequency(0);
        InitPerformanceTimer();
    }
    void Advance(int64_t ticks) { plat::AdvancePerfCounter(ticks); }
};
