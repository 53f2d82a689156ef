#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <string>

#include "game/framework/TsDialogStrings.h"
#include "platform/WavFile.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"

namespace {

std::string Text(const char* s)
{
    return s ? s : "(null)";
}

class DialogStringsTest : public ::testing::Test {
protected:
    // Writes the table with two header lines that look like rows.
    void WriteTable(const std::string& rows)
    {
        m_scratch.Write("scripts/script", "1\theader.wav\ta\tb\tHeader one\r\n2\t\t\t\tHeader two\r\n" + rows);
    }

    ScratchDir m_scratch;
    LogCapture m_log;
};

} // namespace

TEST_F(DialogStringsTest, ReadsCrlfLinesTabsMarkupAndLongLines)
{
    const std::string longText(10000, 'x');
    WriteTable("12\thello.wav\tx\ty\tWalk <north>^now\r\n"
               "13\t\tx\ty\t" + longText + "^end\r\n"
               "14\tshort.wav\r\n"
               "15\tnone.wav\ta\tb\tA > before < after\tignored\r\n"
               "500\tfar.wav\ta\tb\tFar away\n"
               "\r\n"
               "20\tafter.wav\ta\tb\tAfter the end\r\n");
    TsDialogStrings strings(TsDialogStrings::kFileName);
    EXPECT_EQ(strings.GetRowCount(), 5u);
    const struct {
        DialogStringId id;
        std::string audio, text, diary;
    } rows[] = {
        {12, "hello.wav", "Walk north\nnow", "north"},
        // Far longer than 4096 characters, read whole; its line end leaves no carriage return.
        {13, "(null)", longText + "\nend", "(null)"},
        {14, "short.wav", "", "(null)"}, // fewer than five fields: the missing ones are empty
        {15, "none.wav", "A > before < after", "(null)"}, // a ">" before the first "<" marks no diary part
        {500, "far.wav", "Far away", "(null)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(Text(strings.GetAudioFile(row.id)), row.audio);
        EXPECT_EQ(Text(strings.GetString(row.id)), row.text);
        EXPECT_EQ(Text(strings.GetDiaryText(row.id)), row.diary);
    }
    // The headers are never rows, ids between rows have none, and an empty
    // line ends the table.
    for (DialogStringId id : {1, 2, 3, 16, 499, 20, 501})
        EXPECT_EQ(strings.GetString(id), nullptr) << id;
}

TEST_F(DialogStringsTest, BadIdsAreSkippedAndEveryLookupIsBounded)
{
    WriteTable("-5\tneg.wav\ta\tb\tNegative\r\n"
               "99999999999999999999\thuge.wav\ta\tb\tHuge\r\n"
               "\t30\ttab.wav\ta\tTabbed\r\n"
               "31abc\tjunk.wav\ta\tb\tJunk\r\n"
               "32\tgood.wav\ta\tb\tGood\r\n");
    TsDialogStrings skipping(TsDialogStrings::kFileName);
    EXPECT_EQ(skipping.GetRowCount(), 1u);
    EXPECT_EQ(Text(skipping.GetString(32)), "Good");
    EXPECT_TRUE(m_log.Contains("line 3: \"-5\""));
    EXPECT_TRUE(m_log.Contains("line 5: \"\""));
    for (DialogStringId id : {-5, -1, 30, 31, 33, INT_MAX, INT_MIN}) {
        EXPECT_EQ(skipping.GetString(id), nullptr) << id;
        EXPECT_EQ(skipping.GetAudioFile(id), nullptr) << id;
        EXPECT_EQ(skipping.GetDiaryText(id), nullptr) << id;
    }
}

TEST_F(DialogStringsTest, ReloadingReplacesTheTableAndAFailedLoadEmptiesIt)
{
    WriteTable("32\tgood.wav\ta\tb\tGood\r\n");
    TsDialogStrings skipping(TsDialogStrings::kFileName);
    WriteTable("7\ta.wav\ta\tb\tSeven\r\n");
    ASSERT_TRUE(skipping.Load(TsDialogStrings::kFileName));
    EXPECT_EQ(Text(skipping.GetString(7)), "Seven");
    EXPECT_FALSE(skipping.Load("scripts\\nothing"));
    EXPECT_TRUE(m_log.Contains("could not open scripts\\nothing"));
    EXPECT_EQ(skipping.GetString(7), nullptr);
    EXPECT_EQ(skipping.GetRowCount(), 0u);
}

// The demo's lines are on the screen while their recordings play, so each
// recording the demo data holds lasts as long as reading its line in the
// shipped table takes: a second, and 70 ms a character, at least two.
TEST_F(DialogStringsTest, EachDemoRecordingLastsAsLongAsReadingItsLine)
{
    ASSERT_TRUE(m_scratch.LinkDemoData());
    const TsDialogStrings strings(TsDialogStrings::kFileName);
    std::map<std::string, std::string> lineOf;
    for (DialogStringId id = 0; id <= TsDialogStrings::kMaxId; ++id)
        if (const char* audio = strings.GetAudioFile(id))
            lineOf[audio] = Text(strings.GetString(id));
    int recordings = 0;
    for (const auto& file : std::filesystem::directory_iterator("data/audio/dialogue")) {
        const std::string name = file.path().filename().string();
        ASSERT_EQ(lineOf.count(name), 1u) << name << " is no line's recording";
        const std::string& line = lineOf[name];
        plat::WavData wav;
        std::string error;
        ASSERT_TRUE(plat::ReadWavFile("data\\audio\\dialogue\\" + name, wav, error)) << error;
        EXPECT_EQ(wav.channels, 1) << name;
        const double seconds = double(wav.FrameCount()) / wav.sampleRate;
        EXPECT_GE(seconds, std::max(2.0, 1.0 + 0.07 * double(line.size()))) << name << ": " << line;
        ++recordings;
    }
    EXPECT_GT(recordings, 0) << "the demo data is missing: run tools/make-data BUILD_DIR";
}
