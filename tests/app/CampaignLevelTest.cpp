// The demo campaign's two levels played in the real application: the town
// (the party, the trader, the smith's conversation, the way out) and the
// mission (the hostile squad on its patrol, the vault door with its lock,
// key and switch, the mine, the stash, the weapon, the opening cut scene
// and the objective). Each starts as a new game does and plays a while
// with nothing logged.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "game/framework/TsAccess.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLevel.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsScriptHost.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "tests/app/AppFixture.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"
#include "ui/TsGameFrontEnd.h"

using namespace apptest;

namespace {

namespace fs = std::filesystem;

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

class CampaignLevel : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        const fs::path home = fs::current_path();
        scratch = std::make_unique<ScratchDir>();
        fs::create_directory_symlink(home / "scripts", "scripts");
        fs::create_directory_symlink(home / "data", "data");
        TsMain::SetModeFactory(TS_MODE_LEVEL, &TsLevel::Make);
        Start();
    }
    void TearDown() override
    {
        AppTest::TearDown();
        scratch.reset();
    }

    void Play(const char* mission)
    {
        LogCapture log;
        ASSERT_TRUE(app->StartMission("Ann", "OnNewGame", mission, 0)) << log.All();
        app->RequestMode(TS_MODE_LEVEL);
        FrameAfter(10);
        ASSERT_NE(Level(), nullptr);
        PressKey(TsLoadScreen::kSpaceKey);
        Frames(3, 100);
        ASSERT_NE(Level()->GetWorld(), nullptr);
    }
    TsLevel* Level() const { return TsAccess::CurrentLevel(); }
    int Run(const char* text) { return TsScriptHost::DoString(TsAccess::LuaState(), text); }
    double Number(const char* name)
    {
        double value = -1.0;
        return TsScriptHost::GetGlobalNumber(TsAccess::LuaState(), name, &value) ? value : -1.0;
    }
    TsEntity* Entity(const char* name)
    {
        for (OmList::Node* n = Level()->GetEntityDB()->GetEntities().GetFirst(); n; n = n->next) {
            auto* entity = TsEntity::Cast(static_cast<OmObject*>(n->value));
            if (entity && entity->GetName() && std::string(entity->GetName()) == name)
                return entity;
        }
        return nullptr;
    }
    bool Named(const char* name)
    {
        for (OmList::Node* n = Level()->GetEntityDB()->GetEntities().GetFirst(); n; n = n->next) {
            auto* object = static_cast<TsObject*>(n->value);
            if (object && object->GetName() && std::string(object->GetName()) == name)
                return true;
        }
        return false;
    }
    // What was logged as an error (red), one line each.
    static std::string Errors(const LogCapture& log)
    {
        std::string errors;
        for (const LoggedLine& line : log.Lines())
            if (line.colour.r == 255 && line.colour.g == 0 && line.colour.b == 0)
                errors += line.text + "\n";
        return errors;
    }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            Level()->Tick(++tick);
    }

    uint32_t tick = 1000;
    std::unique_ptr<ScratchDir> scratch;
};

TEST_F(CampaignLevel, TheTownHasItsPartyTraderAndSmithAndPlaysWithoutComplaint)
{
    LogCapture log;
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Town");
    for (const char* name : {"Ann", "Bob", "WeaponTrader", "Smith", "wayOut", "townMedkit"})
        EXPECT_TRUE(Named(name)) << name;
    ASSERT_EQ(Run("TalkToSmith()"), 0);
    EXPECT_EQ(Number("g_townTalked"), 1.0);
    Ticks(200);
    EXPECT_EQ(Errors(log), "");
}

TEST_F(CampaignLevel, TheMissionHasItsSquadDoorMineStashAndOpening)
{
    LogCapture log;
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Mission");
    for (const char* name : {"Ann", "Bob", "guard1", "guard2", "guard3", "patrol1", "vaultDoor", "vaultSwitch",
                             "vaultKey", "blaster", "hallMine"})
        EXPECT_TRUE(Named(name)) << name;
    Ticks(1);
    EXPECT_GT(Number("g_missionIntro"), 0.0) << "the opening cut scene runs";
    EXPECT_EQ(TsAccess::LevelInfo()->missionObjectiveID, 6100);
    // A new mission opens with its objective in the in-game menu; play
    // waits under it until it is closed.
    EXPECT_TRUE(TsAccess::GameFrontEnd()->HasOpenWindows());
    EXPECT_TRUE(Level()->IsPaused());
    Level()->ActivateIngameFrontEnd(false);
    Frames(3, 100);
    EXPECT_FALSE(TsAccess::GameFrontEnd()->HasOpenWindows());
    Ticks(400);
    EXPECT_EQ(Number("g_missionIntro"), 0.0) << "the opening ends";
    EXPECT_EQ(Errors(log), "");
}

// The party read back from the transfer file joins the new level (it is
// listed, so it is drawn and ticked) and is let go of with it.
TEST_F(CampaignLevel, TheWayOutOfTownTakesThePartyToTheMission)
{
    LogCapture log;
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(Run("OnWayOut()"), 0);
    FrameAfter(10);
    PressKey(TsLoadScreen::kSpaceKey);
    Frames(3, 100);
    ASSERT_NE(Level(), nullptr);
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Mission");
    for (const char* name : {"guard1", "vaultDoor", "Ann", "Bob"})
        EXPECT_TRUE(Named(name)) << name;
    TsPlayer* player = TsAccess::LocalPlayer();
    EXPECT_EQ(player->GetCharacterCount(), 2) << "the party came along and was not made again";
    EXPECT_NE(player->GetCharacter("Ann"), nullptr);
    EXPECT_NE(player->GetCharacter("Bob"), nullptr);
    EXPECT_EQ(Errors(log), "");
}

// Twenty minutes of play on the mission (12,000 ticks at 10 Hz) with the
// hall's squad always active and patrolling, run as fast as the ticks go:
// memory stays flat, nothing is logged as an error, and a tick's mean time
// is printed as the level's figure.
TEST_F(CampaignLevel, TwentyMinutesOfTheMissionWithFlatMemory)
{
    LogCapture log;
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    Level()->ActivateIngameFrontEnd(false);
    Frames(2, 100);
    // Every squad stays active wherever the camera looks.
    int squads = 0;
    for (OmList::Node* n = Level()->GetEntityDB()->GetSquads().GetFirst(); n; n = n->next) {
        auto* squad = TsSquadObject::Cast(static_cast<TsObject*>(n->value));
        if (squad && squad->GetIndex() != 0) {
            squad->ForceActive(false);
            ++squads;
        }
    }
    EXPECT_EQ(squads, 1) << "the hall's squad";
    TsEntity* guard = Entity("guard1");
    ASSERT_NE(guard, nullptr);
    const OmVector3 posted = guard->GetPosition();
    Ticks(1200);
    EXPECT_GT((guard->GetPosition() - posted).Length(), 1.0f) << "the guard walks the patrol";
    const long early = ResidentKilobytes();
    const auto start = std::chrono::steady_clock::now();
    constexpr int kTicks = 10800;
    Ticks(kTicks);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long late = ResidentKilobytes();
    std::printf("[ figures  ] %d mission ticks in %.1f s (%.3f ms a tick); resident %ld kB then %ld kB\n", kTicks,
                seconds, 1000.0 * seconds / kTicks, early, late);
    EXPECT_LT(late - early, 4096) << "memory stays flat";
    EXPECT_LT(seconds, 120.0) << "faster than real time (1,080 s of play)";
    EXPECT_EQ(Errors(log), "");
}

} // namespace
