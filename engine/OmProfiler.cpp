#include "engine/OmProfiler.h"

#include <cstdio>
#include <cstring>

#include "engine/OmReport.h"
#include "engine/OmTimer.h"

OmProfiler::OmProfiler() { InitPerformanceTimer(); }

int OmProfiler::AddSection(const char* name)
{
    if (sectionCount_ >= kMaxSections) {
        ReportError("OmProfiler: no room for section '%.64s' (at most %d)", name ? name : "",
                    kMaxSections);
        return -1;
    }
    const int i = sectionCount_++;
    std::snprintf(names_[i], kNameSize, "%s", name ? name : "");
    sections_[i] = Section();
    return i;
}

void OmProfiler::StartSection(int i)
{
    if (IsSection(i)) {
        sections_[i].startTime = GetPerformanceTicks();
    }
}

void OmProfiler::StopSection(int i)
{
    if (IsSection(i)) {
        Section& s = sections_[i];
        s.frameTime += GetPerformanceTicks() - s.startTime;
        ++s.calls;
    }
}

void OmProfiler::CloseWindow()
{
    for (int i = 0; i < sectionCount_; ++i) {
        Section& s = sections_[i];
        s.lastCalls = s.windowCalls;
        s.lastTime = s.windowTime;
        s.lastPeak = s.windowPeak;
        s.lastPeakPercent = s.windowPeakPercent;
        s.windowCalls = 0;
        s.windowTime = 0;
        s.windowPeak = 0;
        s.windowPeakPercent = 0.0f;
    }
    lastWindowTime_ = windowTime_;
    windowTime_ = 0;
    framesLeft_ = kWindowFrames;
}

void OmProfiler::BeginFrame()
{
    frameStart_ = GetPerformanceTicks();
    for (int i = 0; i < sectionCount_; ++i) {
        sections_[i].calls = 0;
        sections_[i].frameTime = 0;
    }
    if (framesLeft_ == 0) {
        CloseWindow();
    }
    --framesLeft_;
}

void OmProfiler::EndFrame()
{
    const int64_t elapsed = GetPerformanceTicks() - frameStart_;
    windowTime_ += elapsed;
    for (int i = 0; i < sectionCount_; ++i) {
        Section& s = sections_[i];
        if (s.frameTime > s.windowPeak) {
            s.windowPeak = s.frameTime;
            // A frame that took no measurable time has no meaningful share.
            s.windowPeakPercent =
                elapsed > 0 ? static_cast<float>(static_cast<double>(s.frameTime) * 100.0 / elapsed) : 0.0f;
            if (s.windowPeak > s.lastPeak) {
                s.lastPeak = s.windowPeak;
                s.lastPeakPercent = s.windowPeakPercent;
            }
        }
        s.windowTime += s.frameTime;
        s.windowCalls += s.calls;
    }
}

void OmProfiler::Report()
{
    for (int i = 0; i < sectionCount_; ++i) {
        const Section& s = sections_[i];
        // Until the first window closes there is no total to divide by, and
        // no average to hold a peak against.
        const bool haveWindow = lastWindowTime_ > 0;
        const double average = haveWindow ? static_cast<double>(s.lastTime) * 100.0 / lastWindowTime_ : 0.0;
        const int64_t averageTicks = s.lastTime / kWindowFrames;
        char line[256];
        std::snprintf(line, sizeof line, "%32.32s - avg %6.2f%% - peak %6.2f%% calls(%5.1f)", names_[i],
                      average, static_cast<double>(s.lastPeakPercent), s.lastCalls * 0.01);
        OutputLine(line, firstRow_ + i, haveWindow && s.lastPeak > 3 * averageTicks);
    }
}
