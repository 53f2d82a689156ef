#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "game/framework/TsScriptDebugger.h"
#include "game/framework/TsScriptQuote.h"
#include "game/framework/TsShell.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/framework/ScriptState.h"

namespace {

const char* const kScript =
    "function inner(a)\n"        // 1
    "  local b = a * 2\n"        // 2
    "  return b\n"               // 3
    "end\n"                      // 4
    "function outer()\n"         // 5
    "  local x = 10\n"           // 6
    "  local y = inner(x)\n"     // 7
    "  return y + 1\n"           // 8
    "end\n"                      // 9
    "function leaf() return 1 end\n"       // 10
    "function tail() return leaf() end\n"  // 11
    "function caller()\n"        // 12
    "  local r = tail()\n"       // 13
    "  local s = r + 1\n"        // 14
    "  result = s\n"             // 15
    "end\n";                     // 16

class DebuggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_file = m_dir.Write("Scripts/Debugged.lua", kScript);
        ASSERT_EQ(TsScriptHost::DoFile(m_lua.L(), "scripts\\debugged.lua"), 0);
        m_debugger.ClearBreakpoints();
        m_debugger.Open(m_lua.L());
        m_stopsBefore = m_debugger.StopCount();
    }
    void TearDown() override { m_debugger.Close(m_lua.L()); }

    // The line the source window last highlighted, 1-based.
    int StoppedAt() const { return TsShell::Instance().HighlightedLine() + 1; }
    int Stops() const { return m_debugger.StopCount() - m_stopsBefore; }

    LogCapture m_log;
    ScratchDir m_dir;
    ScriptState m_lua;
    std::string m_file;
    TsScriptDebugger& m_debugger = TsScriptDebugger::Instance();
    int m_stopsBefore = 0;
};

TEST_F(DebuggerTest, StopsAtABreakpointShowingLocalsAndStack)
{
    // The breakpoint is set with the game's spelling of the path.
    ASSERT_TRUE(m_debugger.SetBreakpoint("SCRIPTS\\Debugged.lua", 7, true));
    TypedLines typed{"'s", "probe = 10", "'n", "'c"};
    EXPECT_EQ(TsScriptHost::CallIntFunction(m_lua.L(), "outer"), 21);
    EXPECT_EQ(Stops(), 3);
    EXPECT_EQ(typed.Left(), 0u);
    EXPECT_EQ(StoppedAt(), 3); // the last stop: "return b"
    EXPECT_EQ(m_lua.Number("probe"), 10.0); // typed Lua ran while stopped
    EXPECT_TRUE(m_log.Contains("--- locals ---\nx = 10\n"));
    EXPECT_TRUE(m_log.Contains("a = 10\nb = 20\n"));
    EXPECT_TRUE(m_log.Contains("Debugged.lua:7 in ?\n")); // called from the game: no name
    EXPECT_TRUE(m_log.Contains("#0 ") && m_log.Contains("Debugged.lua:2 in inner\n"));
}

TEST_F(DebuggerTest, StepOverStaysInTheFunctionAcrossTailCalls)
{
    ASSERT_TRUE(m_debugger.SetBreakpoint(m_file.c_str(), 13, true));
    TypedLines typed{"'n", "'n", "'c"};
    EXPECT_EQ(TsScriptHost::CallFunction(m_lua.L(), "caller"), 0);
    EXPECT_EQ(m_lua.Number("result"), 2.0);
    EXPECT_EQ(Stops(), 3);
    EXPECT_EQ(StoppedAt(), 15); // 13, 14, 15: never inside tail() or leaf()
}

TEST_F(DebuggerTest, WithoutInputTheScriptRunsOn)
{
    ASSERT_TRUE(m_debugger.SetBreakpoint(m_file.c_str(), 2, true));
    TypedLines typed{};
    for (int run = 0; run < 2; ++run)
        EXPECT_EQ(TsScriptHost::CallIntFunction(m_lua.L(), "outer"), 21);
    EXPECT_EQ(Stops(), 1);
}

TEST_F(DebuggerTest, BreakpointNamesAndLinesAreChecked)
{
    EXPECT_FALSE(m_debugger.SetBreakpoint(m_file.c_str(), 0, true));
    EXPECT_FALSE(m_debugger.SetBreakpoint(m_file.c_str(), TsShell::kMaxLineTable + 1, true));
    EXPECT_FALSE(m_debugger.SetBreakpoint(nullptr, 3, true));
    const std::string huge(5000, 'n');
    EXPECT_TRUE(m_debugger.SetBreakpoint(huge.c_str(), 3, true)); // kept, cut to a path's length
    EXPECT_TRUE(m_debugger.SetBreakpoint(m_file.c_str(), 3, true));
    EXPECT_TRUE(m_debugger.SetBreakpoint(m_file.c_str(), 8, true));
    EXPECT_EQ(m_debugger.BreakpointList(m_file.c_str()), "3 8 ");
    EXPECT_TRUE(m_debugger.SetBreakpoint(m_file.c_str(), 3, false));
    EXPECT_EQ(m_debugger.BreakpointList(m_file.c_str()), "8 ");
}

TEST_F(DebuggerTest, TheYTableTogglesBreakpointsThroughTheShell)
{
    const char* source = std::getenv("OM_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(TsScriptHost::DoFile(m_lua.L(), (std::string(source) + "/scripts/yield.lua").c_str()), 0);
    m_dir.Write("data/scripts/.keep", "");
    TsShell& shell = TsShell::Instance();
    shell.AddRecentFile(m_file.c_str());
    ASSERT_TRUE(shell.ShowSource(m_file.c_str(), 0, false));
    shell.ToggleBreakpoint(6);
    EXPECT_TRUE(m_debugger.HasBreakpoint(m_file.c_str(), 6));
    EXPECT_EQ(shell.MarkOfLine(6), TsShell::MARK_BREAKPOINT);
    EXPECT_NE(m_dir.Read("data/scripts/Breakpoints.lua").find("Y.SetBreakPoint(6, " + TsScriptQuote(m_file) + ")"),
              std::string::npos);

    shell.ToggleBreakpoint(6);
    EXPECT_FALSE(m_debugger.HasBreakpoint(m_file.c_str(), 6));
    EXPECT_EQ(shell.MarkOfLine(6), TsShell::MARK_NONE);
    EXPECT_EQ(m_dir.Read("data/scripts/Breakpoints.lua").find("SetBreakPoint"), std::string::npos);
}

} // namespace
