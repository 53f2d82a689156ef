#include <gtest/gtest.h>

#include <string>

#include "game/framework/TsLog.h"
#include "tests/game/framework/LogCapture.h"

namespace {

int g_pumps = 0;
void CountPump() { ++g_pumps; }

TEST(TsLog, NullTextsAndColours)
{
    LogCapture log;
    LogInfo(nullptr);
    LogError(nullptr);
    LogColour("echo", 0, 64, 128);
    LogColour("clamped", -5, 300, 7);
    ASSERT_EQ(log.Lines().size(), 4u);
    EXPECT_EQ(log.Lines()[0].text, "(no message)\n");
    EXPECT_EQ(log.Lines()[0].colour, (TsColour{0, 0, 255}));
    EXPECT_EQ(log.Lines()[1].text, "(no message)\n");
    EXPECT_EQ(log.Lines()[1].colour, (TsColour{255, 0, 0}));
    EXPECT_EQ(log.Lines()[2].colour, (TsColour{0, 64, 128}));
    EXPECT_EQ(log.Lines()[3].colour, (TsColour{0, 255, 7}));
}

TEST(TsLog, TextsBecomeWholeLines)
{
    EXPECT_EQ(TsConsole::ConvertText("a\r\nb\n\n"), "a\nb\n");
    EXPECT_EQ(TsConsole::ConvertText(""), "\n");
    EXPECT_EQ(TsConsole::ConvertText("\r\n"), "\n");
    // A huge text is cut to the pane's buffer instead of overrunning it.
    const std::string huge(10000, 'x');
    const std::string cut = TsConsole::ConvertText(huge);
    EXPECT_EQ(cut.size(), 4093u + 1u);
    EXPECT_EQ(cut.back(), '\n');
}

TEST(TsLog, FormattedVariants)
{
    LogCapture log;
    LogInfoF("plain text");
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[0].text, "plain text\n");
    EXPECT_EQ(log.Lines()[1].text, "\n");

    log.Clear();
    LogInfoF("%d", 5);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].text, "5\n");

    log.Clear();
    LogErrorF("bad %s at %d", "thing", 3);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].text, "bad thing at 3\n");
    EXPECT_EQ(log.Lines()[0].colour, (TsColour{255, 0, 0}));

    // An over-long message is cut but keeps its single line break.
    log.Clear();
    const std::string big(3000, 'y');
    LogInfoF("%s", big.c_str());
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].text, std::string(1021, 'y') + "\n");
}

TEST(TsLog, PercentInAnErrorTextIsNotAFormat)
{
    LogCapture log;
    LogError("script error: 100%s %d %n done");
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].text, "script error: 100%s %d %n done\n");
}

TEST(TsLog, EveryCallPumpsOnceAHookIsInstalled)
{
    LogCapture log;
    g_pumps = 0;
    LogInfo("before");
    EXPECT_EQ(g_pumps, 0);
    SetLogPumpHook(&CountPump);
    LogInfo("a");
    LogError("b");
    LogColour("c", 1, 2, 3);
    LogInfoF("%d", 1);
    SetLogPumpHook(nullptr);
    EXPECT_EQ(g_pumps, 4);
}

} // namespace
