// The player as saved games use it: script state, kitty, save naming and
// the save counter taken from the saves already on disk.
#include <gtest/gtest.h>

#include <string>

#include "game/framework/TsLevelInfo.h"
#include "game/objects/TsPlayer.h"
#include "tests/game/framework/ScratchDir.h"

namespace {

struct PlayerHandle {
    TsPlayer* player = new TsPlayer;
    ~PlayerHandle() { delete player; }
    TsPlayer* operator->() const { return player; }
};

TEST(TsPlayer, ScriptStateAndKittyKeepTheirValuesAndIgnoreSlotsOutsideTheTable)
{
    PlayerHandle player;
    for (int slot = 0; slot < TsPlayer::kScriptStateCount; ++slot) {
        EXPECT_EQ(player->GetScriptState(slot), -1);
    }
    player->SetScriptState(3, 42);
    player->SetScriptState(16, 9);
    player->SetScriptState(-1, 9);
    EXPECT_EQ(player->GetScriptState(3), 42);
    EXPECT_EQ(player->GetScriptState(16), -1);
    EXPECT_EQ(player->GetScriptState(-1), -1);
    player->AddToKitty(30);
    EXPECT_EQ(player->AddToKitty(-50), -20); // no clamp
    EXPECT_EQ(player->GetCurrentCharacter(), nullptr);
    EXPECT_EQ(player->GetSquadMember(3), nullptr);
}

TEST(TsPlayer, EachSaveNameCountsOnAndNamesTheLevel)
{
    PlayerHandle player;
    player->SetName("Ann");
    player->GetLevelInfo().missionName = "demo";
    player->SetSaveNumber(0);
    player->MakeSaveName();
    EXPECT_STREQ(player->GetSaveName(), "Ann [1] - demo"); // no level name: the mission's
    player->GetLevelInfo().levelName = "Demo/Level";
    player->MakeSaveName();
    EXPECT_STREQ(player->GetSaveName(), "Ann [2] - Demo_Level");
    EXPECT_NE(player->GetSaveDate(), nullptr);
    EXPECT_NE(std::string(player->GetSaveDate()).find(", "), std::string::npos);
}

TEST(TsPlayer, InitialisingForALevelTakesTheHighestSaveNumberOfThisPlayer)
{
    ScratchDir dir;
    dir.Write("Save Games/Ann [4] - Demo", "x");
    dir.Write("Save Games/Ann [11] - Demo", "x");
    dir.Write("Save Games/Bob [20] - Demo", "x");
    PlayerHandle player;
    player->SetName("Ann");
    EXPECT_TRUE(player->InitialiseForLevel(-1));
    EXPECT_EQ(player->GetSaveNumber(), 11);
    player->MakeSaveName();
    EXPECT_STREQ(player->GetSaveName(), "Ann [12] - ");
}

} // namespace
