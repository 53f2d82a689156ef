// The demo mission played by the real application: with its hall's squad
// kept active on patrol, the main loop's frames - the ticks among them -
// allocate nothing once running, on the heap or the script heap, nor in the
// tutorial waiting for a walk, nor in a fight after its first second,
// through hits, deaths and the fallen's fades, at ten pacings of the frames;
// leaving it lets go of every object, even with a death's pending fade, whose
// timer holds the dead character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/framework/TsAccess.h"
#include "game/framework/TsConsole.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "platform/KeyCodes.h"
#include "testing/AllocationCounter.h"
#include "testing/ActiveSquads.h"
#include "tests/app/DemoLevelFixture.h"
#include "testing/FramePacings.h"
#include "testing/HallFight.h"
#include "testing/ScriptHeapCount.h"

namespace apptest {
namespace {

class MissionFrames : public DemoLevelTest {
protected:
    // 72 frames of the main loop at sixty frames a second (a tick every
    // sixth frame) tick and make nothing on the heap or the script heap.
    void ExpectRunningFramesMakeNothing()
    {
        const uint32_t ticks = app->GetTickCount();
        const ScriptHeapCount script(TsAccess::LuaState());
        uint64_t counted = 0;
        for (int frame = 0; frame < 72; ++frame) {
            testalloc::Count(true);
            const uint64_t before = testalloc::Counted();
            FrameAfter(frame % 3 == 2 ? 16 : 17);
            counted += testalloc::Counted() - before;
            testalloc::Count(false);
        }
        EXPECT_EQ(counted, 0u);
        EXPECT_EQ(ScriptHeapCount::Blocks(), 0);
        EXPECT_GE(app->GetTickCount() - ticks, 11u) << "the frames ticked";
    }
    // The mission entered, its objective page closed and its hall's squad
    // kept active, past the opening cut scene at a frame a tick.
    void PlayTheMission()
    {
        ASSERT_NO_FATAL_FAILURE(EnterDemoLevel(3, "mission"));
        ASSERT_NE(Level()->GetWorld(), nullptr);
        Level()->ActivateIngameFrontEnd(false);
        ASSERT_EQ(ForceOtherSquadsActive(*Level()), 1);
        Frames(80, 100);
        ASSERT_FALSE(Level()->IsPaused());
    }
};
using MissionTearDown = DemoLevelTest;

TEST_F(MissionFrames, TheMainLoopAllocatesNothingOnceRunning)
{
    ASSERT_NO_FATAL_FAILURE(PlayTheMission());
    ExpectRunningFramesMakeNothing();
}

// The walking lesson watches for the walk while the level runs.
TEST_F(MissionFrames, TheTutorialWaitingForAWalkAllocatesNothing)
{
    ASSERT_NO_FATAL_FAILURE(EnterDemoLevel(3, "Tutorial"));
    ASSERT_TRUE(StepUntil([] { return LuaNumber("g_lessonOpen") == 1.0; }, 100)) << "the walking lesson shows";
    Level()->ActivateIngameFrontEnd(false);
    Frames(5, 100);
    ASSERT_EQ(LuaNumber("g_lessonOpen"), 0.0) << "the lesson was read";
    ASSERT_FALSE(Level()->IsPaused());
    ExpectRunningFramesMakeNothing();
    EXPECT_EQ(LuaNumber("g_lesson"), 1.0) << "nobody walked";
}

class FightFrames : public MissionFrames, public testing::WithParamInterface<Pacing> {};

// What a fight builds for good (programs and shader variants of a hit's
// flash and a fade, timers, routes, threats, the lists' room) is built as
// the level loads or in the fight's first second; from then on to the
// squad's defeat (the won message, a new window, ends the count) a frame
// allocates nothing, whatever the frames' pacing.
TEST_P(FightFrames, AFightAllocatesNothingAfterItsFirstSecond)
{
    ASSERT_NO_FATAL_FAILURE(PlayTheMission());
    hallfight::GiveThePartyItsTeam(*Level());
    hallfight::BringTheHallSquadIn(*Level());
    ASSERT_NE(hallfight::Character(*Level(), "guard1"), nullptr);
    // The fixture keeps each logged line in a string of its own: while the
    // frames are counted, a line only counts.
    int logged = 0;
    TsConsole::SetHook([](std::string_view, TsColour, void* lines) { ++*static_cast<int*>(lines); }, &logged);
    const std::vector<int64_t>& pacing = GetParam().frames;
    uint64_t counted = 0;
    int64_t elapsed = 0, ordered = -kTickUnits;
    int frame = 0;
    // The fight's first second, then until the squad is beaten (the level
    // pauses under its message) and a fallen guard has faded for a while;
    // both sides are ordered to attack once a tick.
    for (; elapsed < 40 * 1000 && !Level()->IsPaused(); ++frame) {
        if (elapsed - ordered >= kTickUnits) {
            hallfight::OrderAttacks(*Level());
            ordered = elapsed;
        }
        const int64_t units = pacing[size_t(frame) % pacing.size()];
        testalloc::Count(elapsed >= 1000);
        const uint64_t before = testalloc::Counted();
        FrameAfter(units);
        testalloc::Count(false);
        elapsed += units;
        if (!Level()->IsPaused())
            counted += testalloc::Counted() - before;
    }
    log.Resume();
    int fallen = 0; // the faded have left the level
    for (const char* name : {"guard1", "guard2", "guard3"}) {
        const TsCharacterObject* guard = hallfight::Character(*Level(), name);
        fallen += !guard || guard->HasFlag(TS_ENTITY_DEAD) ? 1 : 0;
    }
    EXPECT_GE(fallen, 1) << "nobody fell in " << frame << " frames";
    EXPECT_EQ(counted, 0u) << "over " << frame << " frames";
}

INSTANTIATE_TEST_SUITE_P(Pacings, FightFrames, testing::ValuesIn(FramePacings()),
                         [](const testing::TestParamInfo<Pacing>& info) { return std::string(info.param.name); });

TEST_F(MissionTearDown, LeavingRightAfterADeathLeavesNothingReferenced)
{
    ASSERT_NO_FATAL_FAILURE(EnterDemoLevel(3, "mission"));
    Level()->ActivateIngameFrontEnd(false);
    Frames(2, 100);
    TsCharacterObject* guard = Named<TsCharacterObject>("guard1");
    ASSERT_NE(guard, nullptr);
    guard->Die();
    Frames(2, 100); // well inside the fade's two seconds
    ASSERT_TRUE(guard->HasFlag(TS_ENTITY_DEAD));
    log.Clear();
    // The closing screen waits for Space.
    app->RequestMode(TS_MODE_FRONT_END);
    for (int i = 0; i < 5 && Level(); ++i) {
        Key(plat::kKeySpace, true);
        FrameAfter(10);
    }
    EXPECT_EQ(Level(), nullptr);
    EXPECT_FALSE(log.Contains("still referenced")) << log.All();
}

} // namespace
} // namespace apptest
