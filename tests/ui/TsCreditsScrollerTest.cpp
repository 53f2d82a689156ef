// The credits scroller's reading of its markup (with the damaged texts a
// data editor can produce), its line rolling and its strip buffers.
#include "tests/ui/AppFixture.h"

#include <string>

#include "ui/TsCreditsScroller.h"
#include "ui/TsFrontEndSkinShape.h"

using namespace titletest;

namespace {

using Credits = StartedTitleTest;

TEST_F(Credits, PreparingCountsLinesMeasuresColumnsAndLoadsTags)
{
    struct Case {
        const char* text;
        int32_t lines, tags;
        bool wider; // the label column is wider than the bare margin
        const char* logged;
    };
    const std::string longName = "@" + std::string(400, 'W') + "@x\n";
    std::string manyTags;
    for (int i = 0; i < 9; ++i)
        manyTags += "<Alientext.tga>\n";
    const Case cases[] = {
        {"", 0, 0, false, nullptr}, {"plain\ncentred\n", 2, 0, false, nullptr},
        {"@Role@Name\n@Longer role@N\n", 2, 0, true, nullptr}, {"<Alientext.tga>\ntext\n", 2, 1, false, nullptr},
        {"<Alientext.tga\nnext\n", 2, 0, false, "has no '>'"}, {"<Alientext.tga", 0, 0, false, "has no '>'"},
        {manyTags.c_str(), 9, 8, false, "more than 8 image tags"}, {longName.c_str(), 1, 0, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text).substr(0, 40));
        TsCreditsScroller scroller;
        scroller.Prepare(&Title(), c.text);
        EXPECT_EQ(scroller.GetLineCount(), c.lines);
        EXPECT_EQ(scroller.GetTagCount(), c.tags);
        for (int32_t i = 0; i < scroller.GetTagCount(); ++i)
            EXPECT_TRUE(scroller.GetTagSprite(i) && *scroller.GetTag(i).start == '<' && *scroller.GetTag(i).end == '>');
        const float column = scroller.GetLabelColumn();
        EXPECT_TRUE(c.wider ? column > 30.0f : column == 24.0f) << column;
        EXPECT_TRUE(!c.logged || log.Contains(c.logged)) << c.logged;
        // A second Prepare keeps what the first read.
        scroller.Prepare(&Title(), "other\n");
        EXPECT_EQ(scroller.GetLineCount(), c.lines);
    }
}

TEST_F(Credits, LinesRollEveryFiveTicksRepeatAndRestartWhenShownAgain)
{
    TsCreditsScroller scroller;
    const char* text = "one\ntwo\nthree\n";
    scroller.Prepare(&Title(), text);
    const auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i)
            scroller.Tick(0.1f);
    };
    ticks(1);
    EXPECT_EQ(scroller.GetLineIndex(), 0) << "off: the lines stand";
    scroller.SetCreditsOn(true);
    scroller.Reset();
    ticks(5);
    EXPECT_STREQ(scroller.GetCurrentLine(), "two\nthree\n");
    ticks(10);
    EXPECT_EQ(scroller.GetCurrentLine(), text) << "past the last line the credits repeat";
    ticks(5);
    scroller.SetCreditsOn(false);
    scroller.SetCreditsOn(true);
    scroller.Reset();
    EXPECT_EQ(scroller.GetCurrentLine(), text);
    EXPECT_FLOAT_EQ(scroller.GetDrawnProgress(), 0.0f);
    ticks(60);
    EXPECT_TRUE(scroller.GetScroll() >= 0.0f && scroller.GetScroll() < 1.0f) << scroller.GetScroll();
}

TEST_F(Credits, DrawingTheCreditsMakesBothStripBuffersOnce)
{
    Frames(2);
    TsCreditsScroller& shown = Title().GetCharacterShape()->GetScroller();
    const int32_t first = shown.GetStripBuffer(0);
    EXPECT_TRUE(first >= 0 && shown.GetStripBuffer(1) >= 0);
    Frames(2);
    EXPECT_EQ(shown.GetStripBuffer(0), first);
}

TEST(CreditsStrips, OnlyStripsBlackAtBothEdgesAreLeftOutOfTheDraw)
{
    // The top strip fades to black at its upper edge only: it still adds light.
    struct Case {
        int32_t strips, first, end;
    } cases[] = {{6, 1, 6}, {3, 1, 3}, {2, 2, 2}, {1, 1, 1}};
    for (const Case& c : cases) {
        const TsCreditsScroller::StripRange lit = TsCreditsScroller::LitStrips(c.strips);
        EXPECT_EQ(lit.first, c.first) << c.strips << " strips";
        EXPECT_EQ(lit.end, c.end) << c.strips << " strips";
    }
}

} // namespace
