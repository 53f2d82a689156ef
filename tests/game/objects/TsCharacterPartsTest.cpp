#include <gtest/gtest.h>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "game/framework/TsEntity.h"
#include "game/objects/TsCharacterCounters.h"
#include "game/objects/TsCharacterTargets.h"
#include "tests/engine/TestClass.h"

namespace {

OM_TEST_CLASS(TargetMark, TsEntity);
OM_IMPLEMENT_CLASS(TargetMark, TsEntity)

} // namespace

TEST(CharacterCounters, ABusyWaitThatRunsOutStartsTheRhythmOverIfTheCharacterCanMove)
{
    const struct {
        int32_t busy;
        bool mobile, ranOut;
        int32_t busyAfter, counterAfter;
    } cases[] = {
        {2, true, false, 1, 6}, {1, true, true, -1, 0}, {1, false, false, 0, 6},
        {-5, true, false, -1, 6}, // set below its floor, a wait rests at -1
    };
    for (const auto& c : cases) {
        TsCharacterCounters counters;
        counters.SetTickCounter(5);
        counters.SetBusyTicks(c.busy);
        EXPECT_EQ(counters.Tick(c.mobile), c.ranOut) << c.busy << " " << c.mobile;
        EXPECT_EQ(counters.GetBusyTicks(), c.busyAfter) << c.busy << " " << c.mobile;
        EXPECT_EQ(counters.GetTickCounter(), c.counterAfter) << c.busy << " " << c.mobile;
    }
}

// The neighbours are asked for only when neither the asked target nor the
// lock held will do.
TEST(CharacterTargets, AnOrderLocksTheAskedTargetElseTheHeldOneElseTheNearestInReach)
{
    const auto made = [] { return OmRef<TsEntity>::Adopt(new TargetMark); };
    const OmRef<TsEntity> asked = made(), held = made(), refused = made(), near = made();
    OmArray<TsCharacterTargets::Neighbour> around;
    around.Add({refused.Get(), 1.0f});
    around.Add({near.Get(), 2.0f});
    const struct {
        bool askedValid, heldValid;
        float reach;
        TsEntity* locked;
    } cases[] = {
        {true, true, 4, asked}, {false, true, 4, held}, {false, false, 4, near}, {false, false, 1.5f, nullptr},
    };
    for (const auto& c : cases) {
        const auto valid = [&](const TsEntity* e) {
            return e == near || (e == asked && c.askedValid) || (e == held && c.heldValid);
        };
        bool looked = false;
        const auto nearestFirst = [&]() -> const OmArray<TsCharacterTargets::Neighbour>& {
            looked = true;
            return around;
        };
        TsCharacterTargets targets;
        targets.Lock(held);
        targets.ChooseLock(asked, valid, nearestFirst, c.reach);
        EXPECT_EQ(targets.GetLocked(), c.locked) << c.askedValid << c.heldValid << c.reach;
        EXPECT_EQ(looked, !c.heldValid) << c.askedValid << c.heldValid << c.reach;
    }
}
