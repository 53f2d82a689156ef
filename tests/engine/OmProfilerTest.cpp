#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/ManualClock.h"
#include "engine/OmProfiler.h"
#include "tests/platform/DebugOutputCapture.h"

namespace {

struct RecordingProfiler : OmProfiler {
    struct Line {
        std::string text;
        int row;
        bool overBudget;
    };
    std::vector<Line> lines;
    void OutputLine(const char* text, int row, bool overBudget) override { lines.push_back({text, row, overBudget}); }
};

// One frame of 100 ticks in which the section runs for `busy` ticks.
void RunFrame(RecordingProfiler& p, ManualClock& clock, int section, int64_t busy, int64_t frame = 100)
{
    p.BeginFrame();
    clock.Advance(10);
    p.StartSection(section);
    clock.Advance(busy);
    p.StopSection(section);
    clock.Advance(frame - 10 - busy);
    p.EndFrame();
}

// A profiler reporting from row 3 with two sections.
struct OmProfilerTest : testing::Test {
    OmProfilerTest() { p.SetFirstRow(3); }
    ManualClock clock;
    RecordingProfiler p;
    const int render = p.AddSection("render");
    const int think = p.AddSection("think");
};

} // namespace

TEST_F(OmProfilerTest, TheFirstWindowShowsZeroAveragesThenTheClosedWindowsFigures)
{
    ASSERT_EQ(render, 0);
    ASSERT_EQ(think, 1);
    for (int i = 0; i < 100; ++i)
        RunFrame(p, clock, render, 30);
    p.Report();
    ASSERT_EQ(p.lines.size(), 2u);
    // No window has closed: no division by zero, nothing flagged over budget.
    EXPECT_EQ(p.lines[0].text, std::string(26, ' ') + "render - avg   0.00% - peak  30.00% calls(  0.0)");
    EXPECT_EQ(p.lines[0].row, 3);
    EXPECT_EQ(p.lines[1].row, 4);
    EXPECT_FALSE(p.lines[0].overBudget);

    // The 101st frame closes the first window.
    RunFrame(p, clock, render, 30);
    p.lines.clear();
    p.Report();
    EXPECT_EQ(p.GetLastWindowTime(), 10000);
    EXPECT_EQ(p.GetSection(render).lastCalls, 100u);
    EXPECT_EQ(p.lines[0].text, std::string(26, ' ') + "render - avg  30.00% - peak  30.00% calls(  1.0)");
    EXPECT_EQ(p.lines[1].text, std::string(27, ' ') + "think - avg   0.00% - peak   0.00% calls(  0.0)");
}

TEST_F(OmProfilerTest, ASpikeRaisesThePeakAtOnceAndOverThriceTheAverageIsFlagged)
{
    for (int i = 0; i < 101; ++i) // the first window closes at 30 %
        RunFrame(p, clock, render, 30);
    RunFrame(p, clock, render, 200, 400);
    p.lines.clear();
    p.Report();
    EXPECT_EQ(p.lines[0].text, std::string(26, ' ') + "render - avg  30.00% - peak  50.00% calls(  1.0)");
    EXPECT_TRUE(p.lines[0].overBudget);
    EXPECT_EQ(p.GetSection(render).lastPeak, 200);
}

TEST_F(OmProfilerTest, AFrameOfZeroLengthGivesNoInfinitePercentage)
{
    const int load = p.AddSection("load");
    p.StartSection(load); // started before the frame, stopped inside it
    clock.Advance(40);
    p.BeginFrame();
    p.StopSection(load);
    p.EndFrame();
    EXPECT_EQ(p.GetSection(load).windowPeak, 40);
    EXPECT_EQ(p.GetSection(load).windowPeakPercent, 0.0f);
}

TEST_F(OmProfilerTest, SectionsBeyondTheLimitAreRefusedAndNamesAreCut)
{
    DebugOutputCapture logged;
    RecordingProfiler full;
    const std::string longName(300, 'n');
    EXPECT_EQ(full.AddSection(longName.c_str()), 0);
    EXPECT_EQ(std::string(full.GetSectionName(0)), std::string(127, 'n'));
    for (int i = 1; i < OmProfiler::kMaxSections; ++i)
        EXPECT_EQ(full.AddSection("s"), i);
    EXPECT_TRUE(logged.Text().empty());
    const int refused = full.AddSection("one too many");
    EXPECT_EQ(refused, -1);
    EXPECT_EQ(full.GetSectionCount(), OmProfiler::kMaxSections);
    EXPECT_TRUE(logged.Contains("one too many"));
    // Timing a refused section does nothing harmful.
    full.BeginFrame();
    full.StartSection(refused);
    clock.Advance(5);
    full.StopSection(refused);
    full.StopSection(OmProfiler::kMaxSections);
    full.EndFrame();
    full.Report();
    EXPECT_EQ(full.lines.size(), size_t(OmProfiler::kMaxSections));
}
