// The player as saved games use it: script state, kitty, save naming and
// the save counter taken from the saves already on disk.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/level/TsLevelInfo.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsWeaponObject.h"
#include "tests/game/framework/LogCapture.h"
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
    player->SetScriptState(3, 42);
    player->SetScriptState(16, 9);
    player->SetScriptState(-1, 9);
    EXPECT_EQ(player->GetScriptState(3), 42);
    EXPECT_EQ(player->GetScriptState(16), -1);
    EXPECT_EQ(player->GetScriptState(-1), -1);
    player->AddToKitty(30);
    EXPECT_EQ(player->AddToKitty(-50), -20); // no clamp
    player->Tick(1); // no input, no squad: a tick is harmless
}

// Save names count on from the highest number this player has on disk.
TEST(TsPlayer, EachSaveNameCountsOnFromTheHighestOnDiskAndNamesTheLevel)
{
    ScratchDir dir;
    dir.Write("Save Games/Ann [4] - Demo", "x");
    dir.Write("Save Games/Ann [11] - Demo", "x");
    dir.Write("Save Games/Bob [20] - Demo", "x");
    PlayerHandle player;
    player->SetName("Ann");
    EXPECT_TRUE(player->InitialiseForLevel(-1));
    EXPECT_EQ(player->GetSaveNumber(), 11);
    player->GetLevelInfo().missionName = "demo";
    player->MakeSaveName();
    EXPECT_STREQ(player->GetSaveName(), "Ann [12] - demo"); // no level name: the mission's
    player->GetLevelInfo().levelName = "Demo/Level";
    player->MakeSaveName();
    EXPECT_STREQ(player->GetSaveName(), "Ann [13] - Demo_Level");
    EXPECT_NE(std::string(player->GetSaveDate()).find(", "), std::string::npos);
}

} // namespace
