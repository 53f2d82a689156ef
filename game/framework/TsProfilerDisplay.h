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

// The level's sections, in the order the level adds them (so each value is
// its section's index). The work they time lives in the objects and the
// world as well as in the level, so the names are kept down here.
enum TsLevelProfileSection : int {
    TS_PROFILE_LINE_OF_SIGHT,
    TS_PROFILE_ASTAR,
    TS_PROFILE_ASTAR_CREATE_PATH,
    TS_PROFILE_UI_PROCESS,
    TS_PROFILE_LUA_TICK,
    TS_PROFILE_ACTIVE_LIST_TICK,
    TS_PROFILE_CHARACTER_AVOIDANCE,
    TS_PROFILE_PARTICLES,
    TS_PROFILE_RAYCASTING,
    TS_PROFILE_LEVEL_SECTION_COUNT
};

// Times one section for the life of the scope (the level's profiler is
// TsAccess::LevelProfiler); with no profiler (no level, a tool) nothing is
// timed. Never hold one across a call that can raise a
// script error: the error longjmps past the destructor.
class TsProfileScope {
public:
    TsProfileScope(OmProfiler* profiler, int section) : m_profiler(profiler), m_section(section)
    {
        if (m_profiler) {
            m_profiler->StartSection(m_section);
        }
    }
    ~TsProfileScope()
    {
        if (m_profiler) {
            m_profiler->StopSection(m_section);
        }
    }
    TsProfileScope(const TsProfileScope&) = delete;
    TsProfileScope& operator=(const TsProfileScope&) = delete;

private:
    OmProfiler* m_profiler;
    int m_section;
};
