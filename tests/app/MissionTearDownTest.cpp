// Leaving the demo mission lets go of every object without complaint, even
// with a death's pending fade, whose timer holds the dead character.
#include <gtest/gtest.h>

#include <string>

#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "tests/app/DemoLevelFixture.h"

namespace apptest {
namespace {

using MissionTearDown = DemoLevelTest;

TsCharacterObject* Character(const char* name)
{
    for (OmList::Node* n = TsAccess::CurrentLevel()->GetEntityDB()->GetEntities().GetFirst(); n; n = n->next) {
        auto* entity = TsEntity::Cast(static_cast<OmObject*>(n->value));
        if (entity && entity->GetName() && std::string(entity->GetName()) == name)
            return dynamic_cast<TsCharacterObject*>(entity);
    }
    return nullptr;
}

TEST_F(MissionTearDown, LeavingRightAfterADeathLeavesNothingReferenced)
{
    ASSERT_TRUE(app->StartMission("Ann", "OnNewGame", "mission", 0));
    app->RequestMode(TS_MODE_LEVEL);
    SwitchAndContinue();
    ASSERT_NE(Level(), nullptr);
    Level()->ActivateIngameFrontEnd(false);
    Frames(2, 100);
    TsCharacterObject* guard = Character("guard1");
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
