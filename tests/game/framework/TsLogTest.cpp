#include <gtest/gtest.h>

#include <string>

#include "game/framework/TsLog.h"
#include "tests/game/framework/LogCapture.h"

namespace {

int g_pumps = 0;
void CountPump() { ++g_pumps; }

// One call of each kind, the pump hook set for all but the last.
class TsLogKinds : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_pumps = 0;
        SetLogPumpHook(&CountPump);
        LogInfo(nullptr);
        LogError(nullptr);
        LogColour("clamped", -5, 300, 7);
        LogError("script error: 100%s %d %n done");
        LogInfoF("%d", 1);
        SetLogPumpHook(nullptr);
        LogInfo("after");
        ASSERT_EQ(log.Lines().size(), 6u);
    }
    LogCapture log;
};

TEST_F(TsLogKinds, EveryCallPumpsTheHookWhileOneIsSet) { EXPECT_EQ(g_pumps, 5); }

TEST_F(TsLogKinds, ANullTextIsLoggedAsNoMessageInItsLevelsColour)
{
    EXPECT_EQ(log.Lines()[0].text, "(no message)\n");
    EXPECT_EQ(log.Lines()[0].colour, (TsColour{0, 0, 255}));
    EXPECT_EQ(log.Lines()[1].text, "(no message)\n");
    EXPECT_EQ(log.Lines()[1].colour, (TsColour{255, 0, 0}));
}

TEST_F(TsLogKinds, ColourChannelsAreClampedToAByte) { EXPECT_EQ(log.Lines()[2].colour, (TsColour{0, 255, 7})); }

TEST_F(TsLogKinds, PercentSignsInAPlainMessageAreNoFormat)
{
    EXPECT_EQ(log.Lines()[3].text, "script error: 100%s %d %n done\n");
}

TEST(TsLog, ConsoleTextBecomesWholeLinesCutToThePanesBuffer)
{
    EXPECT_EQ(TsConsole::ConvertText("a\r\nb\n\n"), "a\nb\n");
    EXPECT_EQ(TsConsole::ConvertText(""), "\n");
    const std::string cut = TsConsole::ConvertText(std::string(10000, 'x'));
    EXPECT_EQ(cut.size(), 4093u + 1u);
    EXPECT_EQ(cut.back(), '\n');
}

TEST(TsLog, FormattedVariantsFillInColourAndCutTheirMessage)
{
    LogCapture log;
    // The lines logged since the last call, each followed by "|".
    auto logged = [&] {
        std::string all;
        for (const LoggedLine& line : log.Lines())
            all += line.text + "|";
        log.Clear();
        return all;
    };
    LogInfoF("plain text");
    EXPECT_EQ(logged(), "plain text\n|\n|");
    LogErrorF("bad %s at %d", "thing", 3);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].colour, (TsColour{255, 0, 0}));
    EXPECT_EQ(logged(), "bad thing at 3\n|");
    // An over-long message is cut but keeps its single line break.
    LogInfoF("%s", std::string(3000, 'y').c_str());
    EXPECT_EQ(logged(), std::string(1021, 'y') + "\n|");
}

} // namespace

// A fault met every tick is said once: the first call also sets the flag.
TEST(TsLog, AOnceLogIsWrittenOnlyByTheFirstCallWithItsFlag)
{
    LogCapture log;
    bool said = false;
    LogErrorOnceF(said, "no %s", "camera");
    LogErrorOnceF(said, "no %s", "camera");
    LogErrorOnce(said, "again");
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].text, "no camera\n");
    EXPECT_TRUE(said);
}
