// The level, its mission record and the player's script state, from real
// scripts.

#include "tests/script/LuaTestState.h"

#include "engine/OmString.h"
#include "game/level/TsLevel.h"
#include "game/level/TsLevelInfo.h"
#include "game/objects/TsPlayer.h"
#include "tests/game/framework/LogCapture.h"

namespace {

class LevelInfoTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        tolua_pushusertype(L, &info_, "TsLevelInfo");
        lua_setglobal(L, "info");
        tolua_pushusertype(L, &text_, "OmString");
        lua_setglobal(L, "text");
    }

    TsLevelInfo info_;
    OmString text_{"Orrick's Den"};
};

TEST_F(LevelInfoTest, StringFieldsAreTheRecordsOwnHoldersAndTakeOnlyHolders)
{
    ASSERT_EQ(Run("info.missionName:Set('demo')"), "");
    EXPECT_STREQ(info_.missionName.Get(), "demo");
    EXPECT_EQ(String("info.missionName:Get()"), "demo");
    ASSERT_EQ(Run("info.levelName = text"), ""); // copies the holder's text
    EXPECT_STREQ(info_.levelName.Get(), "Orrick's Den");
    text_ = "changed";
    EXPECT_STREQ(info_.levelName.Get(), "Orrick's Den");
    EXPECT_LUA_ERROR("info.missionName = 'demo'", "invalid type in variable assignment.");
    EXPECT_LUA_ERROR("info.worldFilename = 5", "invalid type in variable assignment.");
}

TEST_F(LevelInfoTest, NumbersFlagsAndTheExitTextArray)
{
    ASSERT_EQ(Run("info.missionObjectiveID = 31000 info.iActNumber = 2.9 info.bIsTown = 1 info.bIsSneakLevel = nil"),
              "");
    EXPECT_EQ(info_.missionObjectiveID, 31000);
    EXPECT_EQ(info_.iActNumber, 2);
    EXPECT_EQ(info_.bIsTown, 1);
    EXPECT_EQ(info_.bIsSneakLevel, 0);
    EXPECT_EQ(Number("info.bIsTown"), 1.0);
    EXPECT_EQ(Type("info.bIsSneakLevel"), "nil");

    ASSERT_EQ(Run("info.exitTextStringIDs[1] = 11 info.exitTextStringIDs[4] = 44"), "");
    EXPECT_EQ(info_.exitTextStringIDs[0], 11);
    EXPECT_EQ(info_.exitTextStringIDs[3], 44);
    EXPECT_EQ(Number("info.exitTextStringIDs[4]"), 44.0);
    EXPECT_LUA_ERROR("x = info.exitTextStringIDs[0]", "array indexing out of range.");
    EXPECT_LUA_ERROR("info.exitTextStringIDs[5] = 1", "array indexing out of range.");
    EXPECT_LUA_ERROR("x = info.exitTextStringIDs['a']", "invalid type in array indexing.");
}

class LevelScriptTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
    }
    LogCapture log_;
};

TEST_F(LevelScriptTest, AScriptMakesAndDeletesALevelThatIsNotBeingPlayed)
{
    ASSERT_EQ(Run("level = TsLevel:new()"), "");
    EXPECT_EQ(Number("level:MakeHeightMap('any.raw') and 1 or 0"), 1.0);
    EXPECT_EQ(Type("level:GetPlayerLockout()"), "nil");
    ASSERT_EQ(Run("level:SetPlayerLockout(1) level:DebugLevel()"), "");
    EXPECT_EQ(Number("level:GetPlayerLockout()"), 1.0);
    EXPECT_EQ(Number("level:GameIsInNormalState()"), 1.0);
    EXPECT_EQ(Type("level:GetCutScene()"), "userdata");
    EXPECT_EQ(Type("level:LoadWorld('no such file.tsw')"), "nil");
    ExpectTypeErrors({"level:Pause('yes')", "level:MakeHeightMap()"});
    ExpectSelfErrors({"TsLevel.GetPlayerLockout(nil)"});
    ASSERT_EQ(Run("level:delete()"), "");
}

TEST_F(LevelScriptTest, ThePlayersScriptStateIsReadAndWritten)
{
    TsPlayer* player = new TsPlayer;
    tolua_pushusertype(L, player, "TsPlayer");
    lua_setglobal(L, "player");
    ASSERT_EQ(Run("player:SetScriptState(3, 42)"), "");
    EXPECT_EQ(player->GetScriptState(3), 42);
    EXPECT_EQ(Number("player:GetScriptState(3)"), 42.0);
    EXPECT_EQ(Number("player:GetScriptState(99)"), -1.0);
    ExpectTypeErrors({"player:SetScriptState(1)", "player:GetScriptState('a')"});
    delete player;
}

} // namespace
