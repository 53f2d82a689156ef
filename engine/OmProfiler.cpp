#include "engine/OmProfiler.h"

#include <cstdio>
#include <cstring>

#include "engine/OmReport.h"
#include "engine/OmTimer.h"

OmProfiler::OmProfiler() { InitPerformanceTimer(); }

int OmProfiler::AddSection(const char* name)
{
    if (m_sectionCount >= kMaxSections) {
        ReportError("OmProfiler: no room for section '%.64s' (at most %d)", name ? name : "",
                    kMaxSections);
        return -1;
    }
    const int i = m_sectionCount++;
    std::snprintf(m_names[i], kNameSize, "%s", name ? name : "");
    m_sections[i] = Section();
    return i;
}

void OmProfiler::StartSection(int i)
{
    if (IsSection(i)) {
        m_sections[i].startTime = GetPerformanceTicks();
    }
}

void OmProfiler::StopSection(int i)
{
    if (IsSection(i)) {
        Section& s = m_sections[i];
        s.frameTime += GetPerformanceTicks() - s.startTime;
        ++s.calls;
    }
}

void OmProfiler::CloseWindow()
{
    for (int i = 0; i < m_sectionCount; ++i) {
        Section& s = m_sections[i];
        s.lastCalls = s.windowCalls;
        s.lastTime = s.windowTime;
        s.lastPeak = s.windowPeak;
        s.lastPeakPercent = s.windowPeakPercent;
        s.windowCalls = 0;
        s.windowTime = 0;
        s.windowPeak = 0;
        s.windowPeakPercent = 0.0f;
    }
    m_lastWindowTime = m_windowTime;
    m_windowTime = 0;
    m_framesLeft = kWindowFrames;
}

void OmProfiler::BeginFrame()
{
    m_frameStart = GetPerformanceTicks();
    for (int i = 0; i < m_sectionCount; ++i) {
        m_sections[i].calls = 0;
        m_sections[i].frameTime = 0;
    }
    if (m_framesLeft == 0) {
        CloseWindow();
    }
    --m_framesLeft;
}

void OmProfiler::EndFrame()
{
    const int64_t elapsed = GetPerformanceTicks() - m_frameStart;
    m_windowTime += elapsed;
    for (int i = 0; i < m_sectionCount; ++i) {
        Section& s = m_sections[i];
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
    for (int i = 0; i < m_sectionCount; ++i) {
        const Section& s = m_sections[i];
        // Until the first window closes there is no total to divide by, and
        // no average to hold a peak against.
        const bool haveWindow = m_lastWindowTime > 0;
        const double average = haveWindow ? static_cast<double>(s.lastTime) * 100.0 / m_lastWindowTime : 0.0;
        const int64_t averageTicks = s.lastTime / kWindowFrames;
        char line[256];
        std::snprintf(line, sizeof line, "%32.32s - avg %6.2f%% - peak %6.2f%% calls(%5.1f)", m_names[i],
                      average, static_cast<double>(s.lastPeakPercent), s.lastCalls * 0.01);
        OutputLine(line, m_firstRow + i, haveWindow && s.lastPeak > 3 * averageTicks);
    }
}
