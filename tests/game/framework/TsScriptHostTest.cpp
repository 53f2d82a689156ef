#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "game/framework/TsAccess.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsShell.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "testing/ScriptHeapCount.h"
#include "tests/game/framework/ScriptState.h"
#include "tests/platform/DebugOutputCapture.h"

namespace {

// A script state from the host, with the console captured.
class TsScriptHostTest : public ::testing::Test {
protected:
    LogCapture log;
    ScriptState lua;
};

TEST_F(TsScriptHostTest, OpensExactlyBaseStringAndMath)
{
    ASSERT_NE(lua.L(), nullptr);
    EXPECT_EQ(lua.Eval("type(print) .. type(string.format) .. type(math.floor) .. type(io) .. type(os) .. "
                       "type(table) .. type(debug) .. type(package)"),
              "functionfunctionfunctionnilnilnilnilnil");
    // The script's own InitLevelInfo must not be shadowed by a host global.
    EXPECT_FALSE(TsScriptHost::IsFunctionDefined(lua.L(), "InitLevelInfo"));
    EXPECT_TRUE(TsScriptHost::IsFunctionDefined(lua.L(), "ShellRead"));
}

TEST_F(TsScriptHostTest, ARunErrorReachesTheLogAndTheErrorReportAndLeavesTheStack)
{
    DebugOutputCapture reported;
    const int top = lua_gettop(lua.L());
    EXPECT_EQ(lua.Run("function f() error('deep 100%s %d %n') end\n"
                      "function g() f() end\n"
                      "g()"),
              TS_SCRIPT_RUN_ERROR);
    EXPECT_EQ(lua_gettop(lua.L()), top);
    EXPECT_TRUE(log.ContainsError("deep 100%s %d %n"));
    EXPECT_TRUE(log.ContainsError("lua error on running"));
    EXPECT_TRUE(reported.Contains("deep 100%s %d %n"));
}

TEST_F(TsScriptHostTest, TheCurrentErrorMessageHandlerIsCalledAndTheProcessGoesOn)
{
    EXPECT_EQ(lua.Run("host = _ERRORMESSAGE; _ERRORMESSAGE = function(m) seen = m end"), 0);
    EXPECT_EQ(lua.Run("local t = nil; local x = t.field"), TS_SCRIPT_RUN_ERROR);
    EXPECT_NE(lua.String("seen").find("attempt to index"), std::string::npos);
    EXPECT_EQ(lua.Run("after = 7"), 0);
    EXPECT_EQ(lua.Number("after"), 7.0);
}

// The error codes by meaning; a syntax error goes through _ERRORMESSAGE too.
TEST_F(TsScriptHostTest, ErrorCodesTellSyntaxFileAndHandlerErrorsApart)
{
    const int top = lua_gettop(lua.L());
    EXPECT_EQ(lua.Run("x = = 1"), TS_SCRIPT_SYNTAX_ERROR);
    EXPECT_EQ(lua_gettop(lua.L()), top);
    EXPECT_TRUE(log.ContainsError("lua syntax error"));
    EXPECT_TRUE(log.ContainsError("'='"));

    EXPECT_EQ(TsScriptHost::DoFile(lua.L(), "no\\such\\file.lua"), TS_SCRIPT_FILE_ERROR);
    EXPECT_TRUE(log.ContainsError("lua error whilst trying to do file"));

    // Lua raises any value; one that is not a text is no fault of the handler.
    EXPECT_EQ(lua.Run("error(1234567)"), TS_SCRIPT_RUN_ERROR);
    EXPECT_TRUE(log.ContainsError("1234567"));
    EXPECT_EQ(lua.Run("error({})"), TS_SCRIPT_RUN_ERROR);

    EXPECT_EQ(lua.Run("_ERRORMESSAGE = function(m) error('handler broke') end"), 0);
    EXPECT_EQ(lua.Run("error('first')"), TS_SCRIPT_HANDLER_ERROR);
    EXPECT_TRUE(log.ContainsError("lua error whilst running _ERRORMESSAGE"));
}

TEST_F(TsScriptHostTest, ACallAnswersTheFirstResultAsAnIntegerOrZero)
{
    lua.Run("function Two() return 1, 2 end\n"
            "function Word() return 'x' end\n"
            "function Broken() error('no') end\n"
            "function Count() calls = (calls or 0) + 1 end");
    EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), "Two"), 1); // one result is asked for
    for (const char* none : {"Word", "Broken", "Missing"})
        EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), none), 0) << none;
    EXPECT_EQ(TsScriptHost::CallFunction(lua.L(), "Count"), 0);
    EXPECT_EQ(lua.Number("calls"), 1.0);
}

TEST_F(TsScriptHostTest, MenuItemsRunTheirCommandAndFreedEntriesAreReused)
{
    TsShell& shell = TsShell::Instance();
    const int tools = shell.ToolsItemCount();
    EXPECT_EQ(lua.Run("AddMenuItem('Make', 'made = (made or 0) + 1')"), 0);
    ASSERT_EQ(shell.ToolsItemCount(), tools + 1);
    EXPECT_TRUE(shell.RunToolsItem(tools));
    EXPECT_EQ(lua.Number("made"), 1.0);

    const int first = TsScriptHost::AddMenuCommand("a");
    const int second = TsScriptHost::AddMenuCommand("b");
    TsScriptHost::FreeMenuCommand(first);
    EXPECT_EQ(TsScriptHost::AddMenuCommand("c"), first);
    EXPECT_STREQ(TsScriptHost::MenuCommand(second), "b");
    EXPECT_EQ(TsScriptHost::MenuCommand(TsScriptHost::kMaxMenuCommands), nullptr);
    TsScriptHost::FreeMenuCommand(first);
    TsScriptHost::FreeMenuCommand(second);
}

TEST_F(TsScriptHostTest, AStrictGlobalTableThatRaisesOnUnknownNamesIsSurvived)
{
    lua.Run("setmetatable(_G, {__index = function(t, k) error('undeclared ' .. k) end})");
    EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), "NotThere"), 0);
    EXPECT_FALSE(TsScriptHost::IsFunctionDefined(lua.L(), "NotThere"));
    EXPECT_TRUE(log.ContainsError("undeclared NotThere"));
}

// The level calls its script every tick: once a call has been made, calling
// a function that makes nothing, or reading a global, leaves the script
// heap untouched (no closure for the protected call or its handler), and a
// failing call still reports its error.
TEST_F(TsScriptHostTest, RepeatedCallsMakeNothingOnTheScriptHeap)
{
    lua.Run("function Tick() return 0 end\nticks = 3\nfunction Broken() error('no') end");
    EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), "Tick"), 0);
    double number = 0.0;
    EXPECT_TRUE(TsScriptHost::GetGlobalNumber(lua.L(), "ticks", &number));
    EXPECT_TRUE(TsScriptHost::IsFunctionDefined(lua.L(), "Tick"));
    lua_gc(lua.L(), LUA_GCSTOP, 0); // no collector work inside the count
    {
        ScriptHeapCount heap(lua.L());
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), "Tick"), 0);
            EXPECT_TRUE(TsScriptHost::GetGlobalNumber(lua.L(), "ticks", &number));
            EXPECT_TRUE(TsScriptHost::IsFunctionDefined(lua.L(), "Tick"));
        }
        EXPECT_EQ(ScriptHeapCount::Blocks(), 0);
        // The count does count: a new table is a block.
        lua_newtable(lua.L());
        lua_pop(lua.L(), 1);
        EXPECT_GT(ScriptHeapCount::Blocks(), 0);
    }
    lua_gc(lua.L(), LUA_GCRESTART, 0);
    EXPECT_EQ(number, 3.0);
    EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), "Broken"), 0);
    EXPECT_TRUE(log.ContainsError("no"));
    EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), "Tick"), 0);
}

TEST_F(TsScriptHostTest, FunctionAnswersAndBindingArgumentsShareOneIntegerRule)
{
    TsOptions* options = TsAccess::Options();
    const int kept = options->GetSpeechVolume();
    const struct {
        const char* number;
        int expected;
    } cases[] = {
        {"41.9", 41}, {"-2.9", -2}, {"4294967301", 5}, {"2147483648", INT_MIN},
        {"-2147483649", INT_MAX}, {"1e300", 0}, {"1/0", 0}, {"-1/0", 0}, {"0/0", 0},
    };
    for (const auto& c : cases) {
        lua.Run(std::string("function Answer() return ") + c.number + " end\n"
                "TsAccess.Options():SetSpeechVolume(" + c.number + ")");
        EXPECT_EQ(TsScriptHost::CallIntFunction(lua.L(), "Answer"), c.expected) << c.number;
        EXPECT_EQ(options->GetSpeechVolume(), c.expected) << c.number;
    }
    options->SetSpeechVolume(kept);
}

TEST_F(TsScriptHostTest, DofileTakesBackslashPathsAndRemembersFilesOnce)
{
    ScratchDir dir;
    dir.Write("Scripts/Sub/Test.lua", "runs = (runs or 0) + 1\n");
    const int before = TsShell::Instance().RecentFileCount();
    EXPECT_EQ(lua.Run("dofile('scripts\\\\sub\\\\test.lua')"), 0);
    EXPECT_EQ(lua.Run("code = dofile('SCRIPTS/sub/TEST.lua')"), 0);
    EXPECT_EQ(lua.Number("runs"), 2.0);
    EXPECT_EQ(lua.Number("code"), 0.0) << "a file that ran answers 0";
    ASSERT_EQ(TsShell::Instance().RecentFileCount(), before + 1);
    EXPECT_EQ(std::string(TsShell::Instance().RecentFile(before)), dir.Path() + "/Scripts/Sub/Test.lua");

    EXPECT_EQ(lua.Run("code = dofile('scripts\\\\none.lua')"), 0);
    EXPECT_EQ(lua.Number("code"), TS_SCRIPT_FILE_ERROR);
    EXPECT_TRUE(log.ContainsError("dofile() could not open " + dir.Path() + "/Scripts/none.lua"));
}

// dofile, the shell mode switch, the debugger's globals and the shell's
// functions test their arguments as every bound function does: kind, count,
// and the function's own message.
TEST_F(TsScriptHostTest, TheHostsGlobalsTestTheirArguments)
{
    auto refused = [&](const std::string& call, const std::string& message) {
        log.Clear();
        EXPECT_EQ(lua.Run(call), TS_SCRIPT_RUN_ERROR) << call;
        EXPECT_TRUE(log.ContainsError(message)) << call << ": " << log.All();
    };
    for (const std::string call :
         {"dofile({})", "dofile('a.lua', 2)", "SwitchShellMode('on')", "SetDebugPrompt()", "SetDebugLocals(print)",
          "SetDebugStackFrame('a', 1)", "SetDebugSourceWindow({})", "SetDebugBreakpointList('f')",
          "SetDebugBreakpoint('f', 'x', 1)", "SetDebugBreakpoint('f', 3)", "SetDebugBreakpoint('f', 3, 1, 0)",
          "ShellWrite(5)", "ShellWrite({})", "ShellWrite('a', 'b')", "_ERRORMESSAGE(Print)", "_ERRORMESSAGE(7)"})
        refused(call, "error in function '" + call.substr(0, call.find('(')) + "'.");
    refused("AddMenuItem('only one')", "incorrect number of arguments to function 'AddMenuItem'");
    refused("AddMenuItem('label', 5)", "incorrect argument to function 'AddMenuItem'");
    refused("FindObject(nil, 'name')", "incorrect argument to function 'FindObject'");
    refused("SetBackground(1, 2)", "two few arguments passed to 'SetBackground'");
    refused("PlayFMV()", "incorrect argument to function 'PlayFMV'");
    for (const char* accepted : {"SwitchShellMode(1)", "SwitchShellMode(0)", "SetDebugPrompt(nil)",
                                 "SetDebugLocals('x = 1')", "SetDebugStackFrame(nil)", "SetDebugSourceWindow('none')",
                                 "SetDebugBreakpoint('f', 3, 0)", "SetDebugBreakpointList('f', '4 ')",
                                 "ShellWrite(nil)", "ShellWrite('x')", "_ERRORMESSAGE('shown')"})
        EXPECT_EQ(lua.Run(accepted), 0) << accepted;
}

TEST_F(TsScriptHostTest, OutsideALevelTheLevelAccessorAnswersNil)
{
    EXPECT_EQ(lua.Eval("type(GetCurrentLevel())"), "nil");
}

TEST_F(TsScriptHostTest, PrintLogsEachArgumentOnALineOfItsOwn)
{
    log.Clear();
    EXPECT_EQ(lua.Run("Print(nil, 'text', 12, {}, Print)"), 0);
    ASSERT_EQ(log.Lines().size(), 5u);
    EXPECT_EQ(log.Lines()[1].text, "text\n");
    EXPECT_EQ(log.Lines()[2].text, "12\n");
    EXPECT_EQ(log.Lines()[0].text.rfind("nil:", 0), 0u);
    EXPECT_EQ(log.Lines()[3].text.rfind("table:", 0), 0u);
}

} // namespace
