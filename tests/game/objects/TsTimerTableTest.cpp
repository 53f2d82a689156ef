// The timer table and the game's rules for seconds as ticks: periods, repeats,
// targets let go by their owner, references, checked ids and the saved form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsObject.h"
#include "game/objects/TsTimerTable.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/TestClass.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

int g_destroyed = 0;
int g_calls = 0;

// Records the tick of every call and answers as told.
class TimerTarget : public TsObject {
    OM_DECLARE_TEST_CLASS(TimerTarget, TsObject)
    ~TimerTarget() override { ++g_destroyed; }

    bool OnTimer(TsTimerEntry& entry) override
    {
        ++g_calls;
        calls.push_back(*now);
        words.push_back(entry.userWord1);
        if (onCall)
            onCall();
        return int(calls.size()) < answerTrueFor;
    }

    std::vector<int> calls;
    std::vector<int> words;
    int answerTrueFor = 1000;
    const int* now = nullptr;
    std::function<void()> onCall;
};
OM_IMPLEMENT_CLASS(TimerTarget, TsObject)

// Saves and loads a table as the level does, inside its own data.
TsTimerTable* g_saved = nullptr;
class TableHolder : public TsObject {
    OM_DECLARE_TEST_CLASS(TableHolder, TsObject)
    bool Register(OmArchive& archive) override
    {
        if (!TsObject::Register(archive))
            return false;
        g_saved->Register(archive);
        return true;
    }
    void Write(OmArchive& archive) override
    {
        TsObject::Write(archive);
        g_saved->Write(archive);
    }
    void Read(OmArchive& archive) override
    {
        TsObject::Read(archive);
        g_saved->Read(archive);
    }
};
OM_IMPLEMENT_CLASS(TableHolder, TsObject)

struct TimerTest : ::testing::Test {
    void SetUp() override { g_destroyed = g_calls = 0; }
    void TearDown() override { table.Clear(); }

    OmRef<TimerTarget> Target()
    {
        auto t = OmMakeRef<TimerTarget>();
        t->now = &tick;
        return t;
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            ++tick;
            table.Tick();
        }
    }

    TsTimerTable table;
    int tick = 0;
};

// A time from a script or a file may be any float: each rule keeps its own
// rounding and saturates past what an int holds.
TEST(GameTicks, SecondsBecomeTruncatedOrRoundedUpTicksThatNeverOverflow)
{
    const struct {
        float seconds;
        int32_t truncated, roundedUp;
    } cases[] = {
        {1.5f, 15, 15}, {0.7f, 7, 7}, {0.25f, 2, 3}, {0.01f, 0, 1}, {0.0f, 0, 1}, {-4.0f, -40, 1},
        {0.3f, 3, 3}, // no exact binary form: still three ticks
        {1e30f, INT32_MAX, INT32_MAX}, {-1e30f, INT32_MIN, 1}, {INFINITY, INT32_MAX, INT32_MAX}, {NAN, 0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TsGameTicks::FromSeconds(c.seconds), c.truncated) << c.seconds;
        EXPECT_EQ(TsGameTicks::FromSecondsRoundedUp(c.seconds), c.roundedUp) << c.seconds;
    }
}

TEST_F(TimerTest, FiresOnTheDueTickThenRepeatsAndFreesItsId)
{
    const OmRef<TimerTarget> t = Target();
    const int id = table.AddTimer(t, 1.5f, 3, 7);
    ASSERT_NE(table.GetEntry(id), nullptr);
    Ticks(60);
    EXPECT_EQ(t->calls, (std::vector<int>{15, 30, 45}));
    EXPECT_EQ(t->words, (std::vector<int>{7, 7, 7}));
    EXPECT_EQ(table.GetEntry(id), nullptr);
    EXPECT_EQ(table.GetActiveCount(), 0u);
    EXPECT_EQ(t->GetRefCount(), 1u); // the ended entry let go of it
}

TEST_F(TimerTest, AnEndlessTimerFiresUntilItsTargetSaysStop)
{
    const OmRef<TimerTarget> t = Target();
    t->answerTrueFor = 4;
    const int endless = table.AddTimer(t, 0.1f, 0);
    Ticks(10);
    EXPECT_EQ(t->calls, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(table.GetEntry(endless), nullptr);
}

// A target that sets new timers from its call (a conversation's next
// pause) moves the entries, and one that clears the table (the level stops
// from a timer) ends the walk: the timers due later in it are gone, and
// nothing reads the cleared links.
TEST_F(TimerTest, ACallThatAddsTimersOrClearsTheTableLeavesTheWalkSafe)
{
    const OmRef<TimerTarget> caller = Target();
    for (const bool clears : {false, true}) {
        caller->calls.clear();
        caller->onCall = [&] {
            if (clears)
                table.Clear();
            else if (caller->calls.size() == 1)
                for (int i = 0; i < 100; ++i)
                    table.AddTimer(caller, 0.2f, 1, 1);
        };
        for (int i = 0; i < (clears ? 3 : 1); ++i)
            table.AddTimer(caller, 0.1f, 1);
        Ticks(3);
        EXPECT_EQ(caller->calls.size(), clears ? 1u : 101u);
        EXPECT_EQ(table.GetActiveCount(), 0u);
        EXPECT_EQ(caller->GetRefCount(), 1u);
    }
}

// A timer set from a call waits its whole period even when the call cleared
// the table first and the new timer took the id the walk was to visit next.
TEST_F(TimerTest, ATimerSetAfterAClearDuringTheWalkWaitsItsWholePeriod)
{
    const OmRef<TimerTarget> caller = Target(), later = Target();
    int added = -1;
    caller->onCall = [&] {
        table.Clear();
        added = table.AddTimer(later, 0.2f, 1); // two ticks
    };
    const int next = table.AddTimer(later, 5.0f, 1);
    table.AddTimer(caller, 0.1f, 1); // the newest: walked first
    Ticks(1);
    ASSERT_EQ(added, next) << "the new timer took the id the walk read next";
    Ticks(3);
    EXPECT_EQ(later->calls, (std::vector<int>{3}));
}

// A call that clears the table and sets its own target a new timer in the
// same slot gets the new timer whole: its repeats are not the fired one's.
TEST_F(TimerTest, ATimerACallSetsInItsOwnSlotKeepsAllItsRepeats)
{
    const OmRef<TimerTarget> caller = Target();
    caller->onCall = [&] {
        if (caller->calls.size() == 1) {
            table.Clear();
            table.AddTimer(caller, 0.3f, 2);
        }
    };
    table.AddTimer(caller, 0.1f, 1);
    Ticks(10);
    EXPECT_EQ(caller->calls, (std::vector<int>{1, 4, 7}));
}

TEST_F(TimerTest, ATargetItsOwnerLetGoIsDroppedUncalledAndFreed)
{
    OmRef<TimerTarget> t = Target();
    auto extra = OmMakeRef<TimerTarget>(); // a user object rides along and is let go too
    table.AddTimer(t, 0.5f, 1, 0, 0, extra);
    EXPECT_EQ(t->GetRefCount(), 2u);
    EXPECT_EQ(extra->GetRefCount(), 2u);
    t = nullptr; // the owner is done with it; the table's reference keeps the cell
    extra = nullptr;
    EXPECT_EQ(g_destroyed, 0);
    Ticks(5);
    EXPECT_EQ(g_calls, 0);
    EXPECT_EQ(g_destroyed, 2); // freed when the entry ended, never reused while listed
    EXPECT_EQ(table.GetActiveCount(), 0u);
}

TEST_F(TimerTest, IdsAreCheckedAndReusedLastFreedFirst)
{
    const OmRef<TimerTarget> u = Target();
    EXPECT_EQ(table.AddTimer(nullptr, 1.0f, 1), -1);
    const int a = table.AddTimer(u, 0.1f, 1);
    const int b = table.AddTimer(u, 5.0f, 1);
    for (int id : {-1, b + 1, 1000})
        EXPECT_EQ(table.GetEntry(id), nullptr) << id;
    Ticks(1); // a ends
    EXPECT_EQ(table.GetEntry(a), nullptr);
    EXPECT_NE(table.GetEntry(b), nullptr);
    EXPECT_EQ(table.AddTimer(u, 1.0f, 1), a);
    table.Clear();
    EXPECT_EQ(u->GetRefCount(), 1u);
    EXPECT_EQ(table.GetEntryCount(), 0u);
}

TEST_F(TimerTest, PendingTimersKeepTheirIdsCountsAndRepeatsThroughASavedGame)
{
    ScratchDir dir;
    {
        const auto holder = OmMakeRef<TableHolder>();
        const OmRef<TimerTarget> first = Target(), second = Target();
        first->SetName("first");
        second->SetName("second");
        const int ended = table.AddTimer(first, 0.1f, 1);
        const int a = table.AddTimer(first, 2.0f, 3, 11, 12, second);
        const int b = table.AddTimer(second, 1.0f, 0, 21);
        Ticks(4); // ended has gone; a and b have counted down 4
        ASSERT_EQ(table.GetEntry(ended), nullptr);

        g_saved = &table;
        ASSERT_TRUE(SaveRoots({holder}, "timers.sav"));
        TsTimerTable loaded;
        g_saved = &loaded;
        const std::vector<OmRef<OmObject>> holderBack = LoadRoots("timers.sav");
        ASSERT_EQ(holderBack.size(), 1u);
        const TsTimerEntry* la = loaded.GetEntry(a);
        const TsTimerEntry* lb = loaded.GetEntry(b);
        ASSERT_NE(la, nullptr);
        ASSERT_NE(lb, nullptr);
        // The saved counts include the table's references: letting the table
        // go leaves the loaded objects with what their owners hold.
        const auto loadedFirst = OmRef<OmObject>::Adopt(la->target);
        const auto loadedSecond = OmRef<OmObject>::Adopt(lb->target);
        EXPECT_EQ(loaded.GetEntry(ended), nullptr);
        EXPECT_EQ(la->countdown, 16);
        EXPECT_EQ(la->repeats, 3);
        EXPECT_EQ(la->userWord2, 12);
        EXPECT_STREQ(la->target->GetName(), "first");
        EXPECT_NE(la->target, first); // the loaded copy
        EXPECT_STREQ(la->userObject->GetName(), "second");
        EXPECT_EQ(lb->countdown, 6);
        EXPECT_STREQ(lb->target->GetName(), "second");
        EXPECT_EQ(lb->target, la->userObject);
        EXPECT_EQ(loadedFirst->GetRefCount(), 2u);
        EXPECT_EQ(loadedSecond->GetRefCount(), 3u);
        loaded.Clear();
        EXPECT_EQ(loadedFirst->GetRefCount(), 1u);
        EXPECT_EQ(loadedSecond->GetRefCount(), 1u);
        table.Clear();
    }
    EXPECT_EQ(TimerTarget::s_pool.GetLiveCount(), 0u);
}

// Searched from the end: the entry count (2, before the grow step) shrunk
// to 1 leaves id 1 no entry; a countdown (after a period of 10 and a
// repeat) below 0 no tick could count down.
TEST_F(TimerTest, ASavedTableWithAnIdPastItsEntriesOrACountdownBelow0FailsToLoad)
{
    ScratchDir dir;
    auto keeper = OmMakeRef<TableHolder>();
    const OmRef<TimerTarget> t = Target();
    table.AddTimer(t, 1.0f, 1);
    table.AddTimer(t, 1.0f, 1);
    g_saved = &table;
    ASSERT_TRUE(SaveRoots({keeper}, "timers.sav"));
    const std::vector<unsigned char> bytes = archive_test::ReadFile("timers.sav");
    const size_t count = archive_test::FindWords(bytes, {2, TsTimerTable::kEntryGrowStep}, true);
    const size_t countdown = archive_test::FindWords(bytes, {10, 1, 10}, true) + 8;
    ASSERT_LT(std::max(count, countdown), bytes.size());
    for (const auto& [at, value] : {std::pair{count, 1u}, {countdown, 0x80000000u}}) {
        TsTimerTable reloaded;
        g_saved = &reloaded;
        EXPECT_FALSE(LoadsAs(archive_test::Patched(bytes, at, value), "bad.sav")) << value;
        EXPECT_EQ(reloaded.GetActiveCount(), 0u);
        EXPECT_EQ(reloaded.GetEntryCount(), 0u);
    }
    table.Clear();
}

} // namespace
