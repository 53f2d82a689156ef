// Every call that gives a script-made object to the game keeps it there: the
// script's delete is refused afterwards, as for any object the game owns,
// so the game is never left pointing at freed memory.

#include "tests/script/LuaTestState.h"

#include "game/framework/TsObject.h"
#include "game/level/TsCutScene.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsPlayer.h"

namespace {

constexpr const char* kNotOwned = "object not owned by the script in function 'delete'";

class HandOverBindingsTest : public PackageTest {
protected:
    void SetUp() override
    {
        PackageTest::SetUp();
        Publish("player", &player, "TsPlayer");
        Publish("scene", scene, "TsCutScene");
        Publish("talk", conversation, "TsConversation");
    }
    void TearDown() override
    {
        LuaTest::TearDown();
        conversation->Release();
        scene->Release();
    }

    TsPlayer player;
    TsCutScene* scene = new TsCutScene();
    TsConversation* conversation = new TsConversation();
};

struct HandOver {
    const char* make; // makes o
    const char* call; // gives o to the game
};

TEST_F(HandOverBindingsTest, AScriptCannotDeleteWhatItGaveTheGame)
{
    const HandOver cases[] = {
        {"o = TsSquadObject:new()", "player:SetSquad(o)"},
        {"o = TsDoorObject:new()", "scene:SetFollowTarget(o)"},
        {"o = TsNPCObject:new()", "talk:AddFragment(7, o, nil)"},
        {"s = TsNPCObject:new() o = TsPCObject:new()", "talk:AddFragment(7, s, o)"},
        {"o = TsPCObject:new()", "player:AddCharacter(o)"},
    };
    for (const HandOver& c : cases) {
        // Not yet given: the script's own to delete.
        ASSERT_EQ(Run(c.make), "") << c.make;
        EXPECT_EQ(Run("o:delete()"), "") << c.make;
        ASSERT_EQ(Run(c.make), "") << c.make;
        ASSERT_EQ(Run(c.call), "") << c.call;
        EXPECT_EQ(WithoutPosition(Run("o:delete()")), kNotOwned) << c.call;
        EXPECT_EQ(Type("o"), "userdata") << c.call;
    }
    // nil gives nothing, and a line without a speaker keeps no listener.
    EXPECT_EQ(Run("o = TsNPCObject:new() scene:SetFollowTarget(nil) talk:AddFragment(1, nil, o) o:delete()"), "");
}

// An object the game holds a reference to (a timer, say) stays until the
// game lets go: the script's delete is refused meanwhile.
TEST_F(HandOverBindingsTest, AScriptCannotDeleteWhatTheGameStillHolds)
{
    ASSERT_EQ(Run("o = TsDoorObject:new()"), "");
    auto* door = Global<TsObject>("o");
    door->AddRef();
    EXPECT_EQ(WithoutPosition(Run("o:delete()")), "object still held by the game in function 'delete'");
    door->Release();
    EXPECT_EQ(Run("o:delete()"), "");
}

} // namespace
