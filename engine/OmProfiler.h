// A per-frame section timer. Sections are timed between StartSection and
// StopSection; figures are summed over a rolling window of 100 frames and
// reported one line per section through OutputLine, which the display that
// embeds the profiler implements.
#pragma once

#include <cstdint>

class OmProfiler {
public:
    static constexpr int kMaxSections = 32;
    static constexpr int kNameSize = 128; // 127 characters and a terminator
    static constexpr int kWindowFrames = 100;

    struct Section {
        uint32_t calls = 0;       // this frame
        int64_t startTime = 0;
        int64_t frameTime = 0;    // this frame
        uint32_t windowCalls = 0;
        int64_t windowTime = 0;
        int64_t windowPeak = 0;   // largest frameTime in the window
        float windowPeakPercent = 0.0f;
        uint32_t lastCalls = 0;   // the previous window's figures
        int64_t lastTime = 0;
        int64_t lastPeak = 0;
        float lastPeakPercent = 0.0f;
    };

    OmProfiler();
    virtual ~OmProfiler() = default;

    // Adds a section and returns its index, or -1 (with an error report) when
    // all sections are taken. Longer names are cut to 127 characters.
    int AddSection(const char* name);
    // Out-of-range indexes (such as the -1 of a refused section) are ignored.
    void StartSection(int i);
    void StopSection(int i);

    void BeginFrame();
    void EndFrame();
    // One line per section for the last completed window.
    void Report();

    void SetFirstRow(int row) { m_firstRow = row; }
    int GetSectionCount() const { return m_sectionCount; }
    const Section& GetSection(int i) const { return m_sections[i]; }
    const char* GetSectionName(int i) const { return m_names[i]; }
    int64_t GetLastWindowTime() const { return m_lastWindowTime; }

protected:
    virtual void OutputLine(const char* text, int row, bool overBudget) = 0;

private:
    bool IsSection(int i) const { return i >= 0 && i < m_sectionCount; }
    void CloseWindow();

    int64_t m_frameStart = 0;
    int64_t m_windowTime = 0;
    int64_t m_lastWindowTime = 0;
    int32_t m_framesLeft = kWindowFrames;
    int32_t m_firstRow = 0;
    int32_t m_sectionCount = 0;
    Section m_sections[kMaxSections];
    char m_names[kMaxSections][kNameSize] = {};
};
