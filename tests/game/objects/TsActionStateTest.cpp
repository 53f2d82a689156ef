#include <gtest/gtest.h>

#include "game/framework/TsAnimationDB.h"
#include "game/objects/TsActionState.h"

// Two ticks of a figure with no animations, so that every once-played one
// has ended by the second; while busy the standing animation loops.
TEST(ActionState, EachTickPlaysTheStatesAnimationAndAOnceOneHandsOn)
{
    using S = TsActionState;
    const struct {
        const char* what;
        void (*start)(S&);
        TsEquipType equip;
        bool busy;
        int32_t first, stateAfter, animationAfter;
    } cases[] = {
        {"run", [](S& a) { a.SetRunning(true); a.Follow(S::kFollowPath); }, TS_EQUIP_RANGED_2HAND, false,
         TSANIM_RUN_2H, S::kRun, TSANIM_RUN_2H},
        {"busy", [](S& a) { a.Follow(S::kFollowPath); }, TS_EQUIP_MELEE_1HAND, true, TSANIM_STAND_1H, S::kWalk,
         TSANIM_STAND_1H},
        {"strike", [](S& a) { a.PlayOnce(S::kAttacking); }, TS_EQUIP_MELEE_2HAND, false, TSANIM_STAND_2HSLASH,
         S::kStand, TSANIM_STAND_2H_MELEE},
        {"automatic fire", [](S& a) { a.FireStanding(TS_WEAPON_RANGED_AUTO); }, TS_EQUIP_RANGED_1HAND, false,
         TSANIM_STAND_1H, S::kStand, TSANIM_STAND_1H},
        {"fall", [](S& a) { a.Fall(); }, TS_EQUIP_BAREHANDED, false, TSANIM_DIE, S::kLying, TSANIM_DIE},
        {"strafe", [](S& a) { a.TakeAimKind(S::kStrafeLeft); }, TS_EQUIP_RANGED_2HAND, false,
         TSANIM_STRAFELEFT_2H, S::kStrafeLeft, TSANIM_STRAFELEFT_2H},
    };
    for (const auto& c : cases) {
        S action;
        c.start(action);
        action.Animate(c.equip, c.busy, S::Figure{}, 0.1f);
        EXPECT_EQ(action.GetCurrentAnimation(), c.first) << c.what;
        action.Animate(c.equip, c.busy, S::Figure{}, 0.1f);
        EXPECT_EQ(action.GetState(), c.stateAfter) << c.what;
        EXPECT_EQ(action.GetCurrentAnimation(), c.animationAfter) << c.what;
    }
}
