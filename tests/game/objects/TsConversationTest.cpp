// Conversations without a level: word wrap, silent lines and their timing,
// skipping and the archive (the camera and the diary: DoorsLevel).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/OmRef.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsTimerTable.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"
#include "tests/game/objects/ItemTestSupport.h"

namespace {

// One pixel a character.
float Narrow(const char* text)
{
    return float(std::strlen(text));
}

std::vector<std::string> Lines(const char* text)
{
    std::vector<std::string> lines(1);
    for (const char* p = text; *p; ++p) {
        if (*p == '\n')
            lines.emplace_back();
        else
            lines.back() += *p;
    }
    return lines;
}

class ConversationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ann->SetName("Ann");
        bob->SetName("Bob");
        bob->SetPosition(2, 0, 0);
    }
    void TearDown() override
    {
        TsTimerTable::Instance().Clear(); // its entries hold the speakers
        TsConversation::SetTextMeasure(nullptr);
    }
    // One game tick: the timers, then the conversation, as the level runs them.
    void Tick()
    {
        TsTimerTable::Instance().Tick();
        conversation->Tick(0);
    }
    // Loaded objects come back with their saved counts (the timers' and the
    // fragments' references among them): all are let go, however the test ends.
    struct Loaded {
        TsConversation* talk = nullptr;
        ~Loaded()
        {
            std::vector<OmObject*> all = {talk};
            for (uint32_t i = 0; talk && i < talk->GetFragmentCount(); ++i)
                all.push_back(talk->GetFragment(i)->GetSpeaker());
            if (talk)
                talk->End();
            for (OmObject* object : all)
                while (object && object->Release() > 0) {
                }
        }
    };
    OmRef<TsConversation> conversation = OmMakeRef<TsConversation>();
    OmRef<TestWielder> ann = OmMakeRef<TestWielder>();
    OmRef<TestWielder> bob = OmMakeRef<TestWielder>();
};

} // namespace

TEST_F(ConversationTest, ALineWrapsAtABlankPast510PixelsAndALongerWordStaysWhole)
{
    const std::string word = "abcdefghi"; // nine pixels, ten with its blank
    std::string exact, over;
    while (exact.size() < 500)
        exact += word + " ";
    exact += "abcdefghi"; // 509 ...
    exact += "j";         // ... 510 pixels exactly
    over = exact + "k";   // 511
    ASSERT_EQ(exact.size(), 510u);
    OmString out;
    TsConversation::WordWrap(exact.c_str(), out, &Narrow);
    EXPECT_STREQ(out.Get(), exact.c_str()) << "510 pixels is not wrapped";
    TsConversation::WordWrap(over.c_str(), out, &Narrow);
    const std::vector<std::string> lines = Lines(out.Get());
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines)
        EXPECT_LT(line.size(), 510u);
    EXPECT_EQ(lines[0] + " " + lines[1], over) << "only blanks become line feeds";
    // A single word wider than the line stays whole.
    const std::string long_word(600, 'x');
    TsConversation::WordWrap(long_word.c_str(), out, &Narrow);
    EXPECT_STREQ(out.Get(), long_word.c_str());
}

TEST_F(ConversationTest, ASpeakerlessLineIsLeftOutAndNoLinesEndAtOnce)
{
    LogCapture log;
    conversation->AddFragment(-1, nullptr, bob);
    EXPECT_EQ(conversation->GetFragmentCount(), 0u);
    EXPECT_TRUE(log.Contains("has no speaker"));
    conversation->Run();
    EXPECT_TRUE(conversation->HasConversationStarted());
    Tick();
    EXPECT_FALSE(conversation->HasConversationStarted()) << "ended on its first tick";
    EXPECT_EQ(conversation->GetCurrent(), -1);
    EXPECT_TRUE(conversation->CanAdvance());
}

TEST_F(ConversationTest, ThePlayerSkipsAfterTheFirstSecondAndAHalfWithAFreshPress)
{
    using Signals = TsConversation::Signals;
    const auto step = [&](const Signals& signals) {
        TsTimerTable::Instance().Tick();
        conversation->Update(signals);
    };
    Signals skip, use, end, press, none;
    skip.skipReleased = true;
    use.useReleased = true;
    end.endReleased = true;
    press.usePressed = true;
    for (int i = 0; i < 4; ++i)
        conversation->AddFragment(-1, i % 2 ? bob : ann, i % 2 ? ann : bob);
    conversation->RunWithStartKey(true);
    step(none); // the first line starts
    for (int i = 0; i < 6; ++i) {
        step(skip);
        step(end);
    }
    EXPECT_EQ(conversation->GetCurrent(), 0) << "nothing skips or ends during the first 1.5 s";
    EXPECT_TRUE(conversation->HasConversationStarted());
    while (!conversation->CanAdvance())
        step(none);
    step(use);
    EXPECT_EQ(conversation->GetCurrent(), 0) << "releasing the key that started it does not skip";
    step(press);
    step(use);
    EXPECT_EQ(conversation->GetCurrent(), 1) << "a fresh press and release does";
    step(skip);
    EXPECT_EQ(conversation->GetCurrent(), 2);
    step(end);
    EXPECT_FALSE(conversation->HasConversationStarted());
    EXPECT_EQ(conversation->GetFragmentCount(), 0u);
}

TEST_F(ConversationTest, ARunningConversationSurvivesTheArchive)
{
    conversation->AddFragment(-1, ann, bob);
    conversation->AddFragment(-1, bob, nullptr);
    conversation->Run();
    Tick();
    ScratchDir dir;
    Loaded back{RoundTrip<TsConversation>(conversation, "talk.sav")};
    TsConversation* loaded = back.talk;
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->HasConversationStarted());
    ASSERT_EQ(loaded->GetFragmentCount(), 2u);
    EXPECT_EQ(loaded->GetCurrent(), 0);
    EXPECT_STREQ(loaded->GetFragment(0)->GetText(), "...");
    ASSERT_NE(loaded->GetFragment(0)->GetSpeaker(), nullptr);
    EXPECT_STREQ(loaded->GetFragment(0)->GetSpeaker()->GetName(), "Ann");
    EXPECT_EQ(loaded->GetFragment(1)->GetListener(), nullptr);
    EXPECT_FALSE(loaded->CanAdvance());
}

