#include <gtest/gtest.h>

#include <string>

#include "game/framework/TsScriptQuote.h"
#include "game/framework/TsShell.h"
#include "platform/MessageBox.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/framework/ScriptState.h"

namespace {

int g_toolRuns = 0;
void CountToolRun(std::int32_t argument) { g_toolRuns += argument; }

TEST(TsShell, ShellReadWaitsForATypedLine)
{
    LogCapture log;
    ScriptState lua;
    for (const char* answer : {"first answer", ""}) { // with nothing to read: an empty string at once
        TypedLines typed = *answer ? TypedLines{answer} : TypedLines{};
        EXPECT_EQ(lua.Eval("ShellRead()"), answer);
    }
    // Once the console is closed, ShellRead answers nothing at all, and the
    // game window is told to close.
    static int closes = 0;
    TsShell::Instance().SetCloseHook([] { ++closes; });
    TsShell::Instance().HandleInputLine("/exit");
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(lua.Run("n = select('#', ShellRead())"), 0);
    EXPECT_EQ(lua.Number("n"), 0.0);
    TypedLines reset{};
}

TEST(TsShell, TypedLinesRunAsLuaAndSlashCommandsDriveTheMenus)
{
    LogCapture log;
    ScriptState lua;
    TsShell& shell = TsShell::Instance();
    g_toolRuns = 0;
    const int index = shell.ToolsItemCount();
    ASSERT_TRUE(shell.AddToolsItem("Count things", &CountToolRun, 5));
    std::string box;
    const auto oldHook = plat::SetMessageBoxHook([&box](std::string_view caption, std::string_view text) {
        box = std::string(caption) + ": " + std::string(text);
    });
    TypedLines typed{"typed = 3", "/tools", "//x", ("/tools " + std::to_string(index)).c_str(), "/about"};
    shell.PollInput();
    plat::SetMessageBoxHook(oldHook);
    EXPECT_EQ(box, "Tessaran: Tessaran Shell");
    EXPECT_EQ(lua.Number("typed"), 3.0);
    EXPECT_TRUE(log.Contains("typed = 3"));
    EXPECT_TRUE(log.Contains(std::to_string(index) + "  Count things\n"));
    EXPECT_TRUE(log.Contains("/x")); // "//" sends a line that starts with '/'
    EXPECT_EQ(g_toolRuns, 5);
    EXPECT_FALSE(shell.RunToolsItem(-1));
    EXPECT_FALSE(shell.RunToolsItem(TsShell::kMaxToolsItems));
}

TEST(TsShell, TheToolsMenuIsBounded)
{
    LogCapture log;
    TsShell& shell = TsShell::Instance();
    shell.Destroy();
    while (shell.ToolsItemCount() < TsShell::kMaxToolsItems)
        ASSERT_TRUE(shell.AddToolsItem("filler", &CountToolRun, 0));
    EXPECT_FALSE(shell.AddToolsItem("one too many", &CountToolRun, 0));
    EXPECT_TRUE(log.Contains("The Tools menu is full"));
}

TEST(TsShell, TheRecentFilesAreBoundedAndComparedWithoutCase)
{
    TsShell& shell = TsShell::Instance();
    shell.Destroy();
    const std::string tooLong(TsShell::kMaxPath, 'p');
    const int before = shell.RecentFileCount();
    shell.AddRecentFile(tooLong.c_str());
    EXPECT_EQ(shell.RecentFileCount(), before);
    for (int i = 0; i < TsShell::kMaxRecentFiles + 10; ++i)
        shell.AddRecentFile(("/bounded/" + std::to_string(i) + ".lua").c_str());
    EXPECT_EQ(shell.RecentFileCount(), TsShell::kMaxRecentFiles);
    shell.AddRecentFile("/BOUNDED/0.LUA"); // already there
    EXPECT_EQ(shell.RecentFileCount(), TsShell::kMaxRecentFiles);
}

// A source file with mixed line ends shown with its second line highlighted.
class SourceWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        shell.Destroy();
        ASSERT_TRUE(shell.ShowSource(file.c_str(), 1, true));
    }
    LogCapture log;
    ScratchDir dir;
    const std::string file = dir.Write("src/Lines.lua", "a = 1\r\nb = 2\nc = 3\rstill c\nd = 4");
    TsShell& shell = TsShell::Instance();
};

TEST_F(SourceWindow, CountsLinesByLineFeedAlone)
{
    EXPECT_EQ(shell.SourceLineCount(), 4);
    EXPECT_EQ(shell.HighlightedLine(), 1);
    EXPECT_EQ(shell.MarkOfLine(2), TsShell::MARK_CURRENT);
    EXPECT_TRUE(log.Contains(">    2  b = 2\n"));
}

TEST_F(SourceWindow, TheHighlightMovesToALineOrALuaLocationAndMinusOneKeepsIt)
{
    ASSERT_TRUE(shell.ShowSource(file.c_str(), -1, true));
    EXPECT_EQ(shell.HighlightedLine(), 1);
    ASSERT_TRUE(shell.ShowSource(file.c_str(), 3, true));
    EXPECT_EQ(shell.MarkOfLine(2), TsShell::MARK_NONE);
    EXPECT_EQ(shell.MarkOfLine(4), TsShell::MARK_CURRENT);
    // Locations as Lua reports them: "@file:line)".
    shell.SetSourceWindowFromLocation(("error at @" + file + ":2) here").c_str());
    EXPECT_EQ(shell.HighlightedLine(), 1);
}

TEST_F(SourceWindow, BreakpointLinesOutsideTheFileAreIgnored)
{
    shell.SetBreakpointList(file.c_str(), "1 99999 -3 70000 3 ");
    EXPECT_EQ(shell.MarkOfLine(1), TsShell::MARK_BREAKPOINT);
    EXPECT_EQ(shell.MarkOfLine(3), TsShell::MARK_BREAKPOINT);
    EXPECT_EQ(shell.MarkOfLine(99999), TsShell::MARK_NONE);
}

TEST_F(SourceWindow, AFileThatDoesNotOpenLeavesTheWindowAsItWas)
{
    EXPECT_FALSE(shell.ShowSource((dir.Path() + "/none.lua").c_str(), 0, true));
    EXPECT_EQ(shell.SourceFile(), file);
}

TEST(TsShell, BreakpointFileEscapesFileNames)
{
    LogCapture log;
    ScratchDir dir;
    ScriptState lua;
    dir.Write("data/scripts/.keep", "");
    const std::string odd = dir.Write("odd \"name\"\\x.lua", "x = 1\n");
    TsShell& shell = TsShell::Instance();
    shell.AddRecentFile(odd.c_str());
    // A debugging table that reports line 4 for every file.
    ASSERT_EQ(lua.Run("Y = { GetBreakPoints = function(f) SetDebugBreakpointList(f, '4 ') end }"), 0);
    shell.WriteBreakpointFile();
    const std::string text = dir.Read("data/scripts/Breakpoints.lua");
    EXPECT_EQ(text.rfind("-- Automagically generated, don't alter\n", 0), 0u);
    EXPECT_NE(text.find("Y.SetBreakPoint(4, \"" + dir.Path() + "/odd \\\"name\\\"\\\\x.lua\")\n"), std::string::npos);

    // The file reads back as the same calls.
    ASSERT_EQ(lua.Run("got = {}; Y.SetBreakPoint = function(l, f) got[#got + 1] = f end"), 0);
    ASSERT_EQ(TsScriptHost::DoFile(lua.L(), "data\\scripts\\Breakpoints.lua"), 0);
    ASSERT_EQ(lua.Run("found = 0; for _, f in ipairs(got) do if f == " + TsScriptQuote(odd) + " then found = 1 end end"),
              0);
    EXPECT_EQ(lua.Number("found"), 1.0);
}

} // namespace
