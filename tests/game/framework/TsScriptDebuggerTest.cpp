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
        file_ = dir_.Write("Scripts/Debugged.lua", kScript);
        ASSERT_EQ(TsScriptHost::DoFile(lua_.L(), "scripts\\debugged.lua"), 0);
        debugger_.ClearBreakpoints();
        debugger_.Open(lua_.L());
        stopsBefore_ = debugger_.StopCount();
    }
    void TearDown() override { debugger_.Close(lua_.L()); }

    // The line the source window last highlighted, 1-based.
    int StoppedAt() const { return TsShell::Instance().HighlightedLine() + 1; }
    int Stops() const { return debugger_.StopCount() - stopsBefore_; }

    LogCapture log_;
    ScratchDir dir_;
    ScriptState lua_;
    std::string file_;
    TsScriptDebugger& debugger_ = TsScriptDebugger::Instance();
    int stopsBefore_ = 0;
};

TEST_F(DebuggerTest, StopsAtABreakpointShowingLocalsAndStack)
{
    // The breakpoint is set with the game's spelling of the path.
    ASSERT_TRUE(debugger_.SetBreakpoint("SCRIPTS\\Debugged.lua", 7, true));
    TypedLines typed{"'s", "probe = 10", "'n", "'c"};
    EXPECT_EQ(TsScriptHost::CallIntFunction(lua_.L(), "outer"), 21);
    EXPECT_EQ(Stops(), 3);
    EXPECT_EQ(typed.Left(), 0u);
    EXPECT_EQ(StoppedAt(), 3); // the last stop: "return b"
    EXPECT_EQ(lua_.Number("probe"), 10.0); // typed Lua ran while stopped
    EXPECT_TRUE(log_.Contains("--- locals ---\nx = 10\n"));
    EXPECT_TRUE(log_.Contains("a = 10\nb = 20\n"));
    EXPECT_TRUE(log_.Contains("Debugged.lua:7 in ?\n")); // called from the game: no name
    EXPECT_TRUE(log_.Contains("#0 ") && log_.Contains("Debugged.lua:2 in inner\n"));
}

TEST_F(DebuggerTest, StepOverStaysInTheFunctionAcrossTailCalls)
{
    ASSERT_TRUE(debugger_.SetBreakpoint(file_.c_str(), 13, true));
    TypedLines typed{"'n", "'n", "'c"};
    EXPECT_EQ(TsScriptHost::CallFunction(lua_.L(), "caller"), 0);
    EXPECT_EQ(lua_.Number("result"), 2.0);
    EXPECT_EQ(Stops(), 3);
    EXPECT_EQ(StoppedAt(), 15); // 13, 14, 15: never inside tail() or leaf()
}

TEST_F(DebuggerTest, WithoutInputTheScriptRunsOn)
{
    ASSERT_TRUE(debugger_.SetBreakpoint(file_.c_str(), 2, true));
    TypedLines typed{};
    for (int run = 0; run < 2; ++run)
        EXPECT_EQ(TsScriptHost::CallIntFunction(lua_.L(), "outer"), 21);
    EXPECT_EQ(Stops(), 1);
}

TEST_F(DebuggerTest, BreakpointNamesAndLinesAreChecked)
{
    EXPECT_FALSE(debugger_.SetBreakpoint(file_.c_str(), 0, true));
    EXPECT_FALSE(debugger_.SetBreakpoint(file_.c_str(), TsShell::kMaxLineTable + 1, true));
    EXPECT_FALSE(debugger_.SetBreakpoint(nullptr, 3, true));
    const std::string huge(5000, 'n');
    EXPECT_TRUE(debugger_.SetBreakpoint(huge.c_str(), 3, true)); // kept, cut to a path's length
    EXPECT_TRUE(debugger_.SetBreakpoint(file_.c_str(), 3, true));
    EXPECT_TRUE(debugger_.SetBreakpoint(file_.c_str(), 8, true));
    EXPECT_EQ(debugger_.BreakpointList(file_.c_str()), "3 8 ");
    EXPECT_TRUE(debugger_.SetBreakpoint(file_.c_str(), 3, false));
    EXPECT_EQ(debugger_.BreakpointList(file_.c_str()), "8 ");
}

TEST_F(DebuggerTest, TheYTableTogglesBreakpointsThroughTheShell)
{
    const char* source = std::getenv("OM_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(TsScriptHost::DoFile(lua_.L(), (std::string(source) + "/scripts/yield.lua").c_str()), 0);
    dir_.Write("data/scripts/.keep", "");
    TsShell& shell = TsShell::Instance();
    shell.AddRecentFile(file_.c_str());
    ASSERT_TRUE(shell.ShowSource(file_.c_str(), 0, false));
    shell.ToggleBreakpoint(6);
    EXPECT_TRUE(debugger_.HasBreakpoint(file_.c_str(), 6));
    EXPECT_EQ(shell.MarkOfLine(6), TsShell::MARK_BREAKPOINT);
    EXPECT_NE(dir_.Read("data/scripts/Breakpoints.lua").find("Y.SetBreakPoint(6, " + TsScriptQuote(file_) + ")"),
              std::string::npos);

    shell.ToggleBreakpoint(6);
    EXPECT_FALSE(debugger_.HasBreakpoint(file_.c_str(), 6));
    EXPECT_EQ(shell.MarkOfLine(6), TsShell::MARK_NONE);
    EXPECT_EQ(dir_.Read("data/scripts/Breakpoints.lua").find("SetBreakPoint"), std::string::npos);
}

} // namespace
