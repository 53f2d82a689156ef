// The level and its mission record from real scripts.

#include "tests/script/LuaTestState.h"

#include "engine/OmString.h"
#include "game/level/TsLevel.h"
#include "game/level/TsLevelInfo.h"
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
    LogCapture log_;
};

// String fields are the record's own holders and take only holders;
// numbers truncate, flags take the script's booleans, the exit texts are
// an array counted from 1.
TEST_F(LevelInfoTest, FieldsTakeTheirOwnTypesAndTheArrayItsRange)
{
    ASSERT_EQ(Run("info.missionName:Set('demo') info.levelName = text info.missionObjectiveID = 31000\n"
                  "info.iActNumber = 2.9 info.bIsTown = 1 info.bIsSneakLevel = nil\n"
                  "info.exitTextStringIDs[1] = 11 info.exitTextStringIDs[4] = 44"),
              "");
    text_ = "changed"; // the field copied the holder's text
    EXPECT_STREQ(info_.levelName.Get(), "Orrick's Den");
    EXPECT_EQ(info_.iActNumber, 2);
    EXPECT_EQ(info_.bIsSneakLevel, 0);
    EXPECT_EQ(info_.exitTextStringIDs[0], 11);
    EXPECT_EQ(info_.exitTextStringIDs[3], 44);
    ExpectRows({
        {"return info.missionName:Get()", "'demo'"},
        {"return info.bIsTown", "1"},
        {"return info.bIsSneakLevel", "nil"},
        {"return info.exitTextStringIDs[4]", "44"},
        {"info.missionName = 'demo'", "error:invalid type in variable assignment."},
        {"info.worldFilename = 5", "error:invalid type in variable assignment."},
        {"x = info.exitTextStringIDs[0]", "error:array indexing out of range."},
        {"info.exitTextStringIDs[5] = 1", "error:array indexing out of range."},
        {"x = info.exitTextStringIDs['a']", "error:invalid type in array indexing."},
    });
}

TEST_F(LevelInfoTest, AScriptMakesAndDeletesALevelThatIsNotBeingPlayed)
{
    ASSERT_EQ(Run("level = TsLevel:new()"), "");
    ExpectRows({
        {"return level:MakeHeightMap('any.raw') and 1 or 0", "1"},
        {"return level:GetPlayerLockout()", "nil"},
        {"level:SetPlayerLockout(1) level:DebugLevel() return level:GetPlayerLockout()", "1"},
        {"return level:GameIsInNormalState()", "1"},
        {"return level:GetCutScene()", "userdata"},
        {"return level:LoadWorld('no such file.tsw')", "nil"},
    });
    ExpectTypeErrors({"level:Pause('yes')", "level:MakeHeightMap()"});
    ExpectSelfErrors({"TsLevel.GetPlayerLockout(nil)"});
    ASSERT_EQ(Run("level:delete()"), "");
}

} // namespace
