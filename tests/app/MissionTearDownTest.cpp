// Leaving the demo mission lets go of every object without complaint, even
// with a death's pending fade, whose timer holds the dead character.
#include <gtest/gtest.h>

#include "game/framework/TsAccess.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "tests/app/DemoLevelFixture.h"

namespace apptest {
namespace {

using MissionTearDown = DemoLevelTest;

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
        PressKey(TsLoadScreen::kSpaceKey);
        FrameAfter(10);
    }
    EXPECT_EQ(Level(), nullptr);
    EXPECT_FALSE(log.Contains("still referenced")) << log.All();
}

} // namespace
} // namespace apptest
