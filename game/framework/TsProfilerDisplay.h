// The game's frame profiler: the engine's section timer, whose report lines
// are queued on the renderer's screen text (red when a section's worst frame
// is over its budget), one row of the screen each.
#pragma once

#include "engine/OmProfiler.h"

class TsProfilerDisplay : public OmProfiler {
public:
    static constexpr float kRowHeight = 0.025f; // screen fraction per report row

protected:
    void OutputLine(const char* text, int row, bool overBudget) override;
};
