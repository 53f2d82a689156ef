// Saved games: the names and paths of saves, the save folder, the two-root
// archive of a player and a level, and what a damaged file does.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsSaveGames.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsTimerTable.h"
#include "testing/AllocationCounter.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/framework/TestEntities.h"
#include "tests/platform/DebugOutputCapture.h"
#include "ui/TsRadar.h"

namespace {

// What loading a file asks of the heap: the most bytes held at once above
// what was held before, and the number of allocations (the work done).
struct LoadCost {
    bool loaded = false;
    uint64_t peakBytes = 0;
    uint64_t allocations = 0;
};

LoadCost MeasureLoad(const char* path)
{
    LoadCost cost;
    const uint64_t before = testalloc::LiveBytes(), counted = testalloc::Counted();
    testalloc::ResetPeak();
    testalloc::Count(true);
    {
        OmArchive archive(OmClassRegistry::Instance());
        cost.loaded = archive.Load(path);
        for (uint32_t i = archive.GetRootCount(); i-- > 0;)
            delete archive.GetRoot(i);
    }
    testalloc::Count(false);
    cost.peakBytes = testalloc::PeakBytes() - before;
    cost.allocations = testalloc::Counted() - counted;
    return cost;
}

TEST(TsSaveGames, NamesAreCleanedOfEverythingThatCouldLeaveTheFolder)
{
    const struct {
        const char* text;
        const char* clean;
    } cases[] = {
        {"Ann", "Ann"},
        {nullptr, ""},
        {"a/b\\c", "a_b_c"},
        {"../up", "___up"},
        {"a...b", "a__.b"},
        {"C:", "C_"},
        {"tab\there\n", "tab_here_"},
        {"O'Brien-2 & co.", "O'Brien-2 & co."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TsSaveGames::CleanNamePart(c.text), c.clean) << (c.text ? c.text : "(null)");
    }
    EXPECT_EQ(TsSaveGames::ComposeSaveName("../Ann", 12, "a/b"), "___Ann [12] - a_b");
    EXPECT_EQ(TsSaveGames::PathOf("Ann [1] - Demo"), "Save Games/Ann [1] - Demo");
}

// Only names that start with exactly "<player> [" and a number in brackets
// count, whatever other characters the player's name has.
TEST(TsSaveGames, TheHighestSaveNumberIsFoundForAnyPlayerName)
{
    ScratchDir dir;
    EXPECT_EQ(TsSaveGames::HighestSaveNumber("Ann"), 0); // no folder
    for (const char* name : {"Ann [12] - Demo", "Ann [3] - Demo", "Ann[40] - no blank", "Annie [99] - other",
                             "Ann [x] - no number", "Ann [7 - unclosed", "O'Brien-2 [7] - Demo",
                             "O'Brien-2 [10] - Demo", "A_B [5] - Demo"}) {
        dir.Write(std::string("Save Games/") + name, "x");
    }
    std::filesystem::create_directories("Save Games/Ann [50] - a folder");
    EXPECT_EQ(TsSaveGames::HighestSaveNumber("Ann"), 12);
    EXPECT_EQ(TsSaveGames::HighestSaveNumber("O'Brien-2"), 10);
    EXPECT_EQ(TsSaveGames::HighestSaveNumber("A/B"), 5); // cleaned as the file was named
    EXPECT_EQ(TsSaveGames::HighestSaveNumber("Nobody"), 0);
}

TEST(TsSaveGames, AFailedSaveReportsFailureAndLeavesThePreviousFile)
{
    ScratchDir dir;
    LogCapture log;
    const auto db = OmMakeRef<TsEntityDB>();
    OmArchive archive(OmClassRegistry::Instance());
    archive.AddRoot(db);

    ASSERT_TRUE(TsSaveGames::Save(archive, "first"));
    const std::string first = dir.Read("Save Games/first");
    EXPECT_FALSE(first.empty());
    EXPECT_FALSE(std::filesystem::exists("Save Games/first.saving"));

    // The temporary file cannot be made: the save fails, the old one stays.
    std::filesystem::create_directories("Save Games/first.saving");
    EXPECT_FALSE(TsSaveGames::Save(archive, "first"));
    EXPECT_EQ(dir.Read("Save Games/first"), first);
    EXPECT_TRUE(log.Contains("\"first\" could not be written"));
    std::filesystem::remove_all("Save Games");

    // The folder cannot be made: a file stands in its place.
    dir.Write("Save Games", "not a folder");
    EXPECT_FALSE(TsSaveGames::EnsureFolder());
    EXPECT_FALSE(TsSaveGames::Save(archive, "second"));
    EXPECT_TRUE(log.Contains("could not be made"));
}

// A player and a level, filled with one value in every saved field.
struct SavedGame {
    const std::unique_ptr<TsPlayer> player = std::make_unique<TsPlayer>();
    const std::unique_ptr<TsLevel> level = std::make_unique<TsLevel>(); // goes before the player

    SavedGame()
    {
        player->SetName("Ann");
        TsLevelInfo& info = player->GetLevelInfo();
        info.missionName = "demo", info.levelName = "Demo", info.levelPath = "data\\levels";
        info.worldFilename = "data\\levels\\demo.tsw", info.musicName = "music", info.fmvName = "intro.mpg";
        info.luaEntityFilename = "entities.lua", info.luaMissionFilename = "mission.lua";
        info.missionDisplayStringID = 30700, info.missionObjectiveID = 31000, info.missionHintID = 31001;
        info.iActNumber = 2, info.bIsTown = 1, info.loadedFromTransfer = 1;
        std::copy_n(std::begin({1, 2, 3, 4}), 4, info.exitTextStringIDs);
        player->SetScriptState(0, 77);
        player->SetScriptState(15, -5);
        player->AddToKitty(250);
        player->SetSaveNumber(4);
        player->MakeSaveName();
        player->GetDiary()->AddEntry("Demo", "The Demo", "Objectives", -65536, "Find the door");

        level->SetName("level");
        level->SetVideoPlayed();
        level->GetRadar()->SetRange(33.0f);
        level->GetRadar()->GetObjective().z = -7.5f;
        level->GetRadar()->UseRadar(false);
        for (int i = 0; i < 2; ++i)
            level->GetEntityDB()->AddEntity(OmRef<TsEntity>::Adopt(new TestThing));
    }
    bool Save(const char* name) const
    {
        OmArchive archive(OmClassRegistry::Instance());
        archive.AddRoot(player.get());
        archive.AddRoot(level.get());
        return TsSaveGames::Save(archive, name);
    }
};
// A player and a level saved in a scratch folder, and the file's bytes.
class SavedGameFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        OmClassRegistry::Instance().AssignClassIds();
        ASSERT_TRUE(saved.Save("game"));
        bytes = dir.Read("Save Games/game");
        ASSERT_GT(bytes.size(), 64u);
    }
    // Whether the bytes load once the count byte right after the first
    // `marker` (and after `after` beyond it, when given) is set to value.
    bool LoadsWithCountAfter(const std::string& marker, const std::string& after, char value)
    {
        std::string damaged = bytes;
        size_t at = damaged.find(marker);
        EXPECT_NE(at, std::string::npos) << marker;
        at = after.empty() ? at + marker.size() : damaged.find(after, at) + after.size();
        EXPECT_LT(at, damaged.size()) << marker;
        if (at >= damaged.size())
            return true;
        EXPECT_EQ(damaged[at], 0) << "the count the file holds";
        damaged[at] = value;
        dir.Write("damaged", damaged);
        OmArchive archive(OmClassRegistry::Instance());
        return archive.Load("damaged");
    }
    ScratchDir dir;
    SavedGame saved;
    std::string bytes;
    DebugOutputCapture reported;
};

TEST_F(SavedGameFile, APlayerAndALevelComeBackAsSaved)
{
    OmArchive archive(OmClassRegistry::Instance());
    ASSERT_TRUE(archive.Load("Save Games/game"));
    ASSERT_EQ(archive.GetRootCount(), 2u);
    const std::unique_ptr<TsPlayer> player(TsPlayer::Cast(archive.GetRoot(0)));
    const std::unique_ptr<TsLevel> level(TsLevel::Cast(archive.GetRoot(1)));
    ASSERT_NE(player, nullptr);
    ASSERT_NE(level, nullptr);

    const TsLevelInfo& a = saved.player->GetLevelInfo();
    const TsLevelInfo& b = player->GetLevelInfo();
    EXPECT_STREQ(player->GetName(), "Ann");
    for (auto field : {&TsLevelInfo::missionName, &TsLevelInfo::levelName, &TsLevelInfo::levelPath,
                       &TsLevelInfo::worldFilename, &TsLevelInfo::luaEntityFilename,
                       &TsLevelInfo::luaMissionFilename, &TsLevelInfo::musicName, &TsLevelInfo::fmvName}) {
        EXPECT_STREQ((b.*field).Get(), (a.*field).Get());
    }
    for (auto field : {&TsLevelInfo::missionDisplayStringID, &TsLevelInfo::iActNumber,
                       &TsLevelInfo::missionObjectiveID, &TsLevelInfo::missionHintID})
        EXPECT_EQ(b.*field, a.*field);
    for (auto flag : {&TsLevelInfo::bIsTown, &TsLevelInfo::bIsSneakLevel, &TsLevelInfo::loadedFromTransfer})
        EXPECT_EQ(b.*flag, a.*flag);
    EXPECT_TRUE(std::equal(std::begin(a.exitTextStringIDs), std::end(a.exitTextStringIDs), b.exitTextStringIDs));
    EXPECT_EQ(std::vector({player->GetScriptState(0), player->GetScriptState(15), player->GetScriptState(7)}),
              std::vector({77, -5, -1}));
    EXPECT_EQ(player->GetKitty(), 250);
    EXPECT_EQ(player->GetSaveNumber(), 5);
    EXPECT_STREQ(player->GetSaveName(), "Ann [5] - Demo");
    EXPECT_STREQ(player->GetSaveDate(), saved.player->GetSaveDate());
    ASSERT_NE(player->GetDiary(), nullptr);
    EXPECT_EQ(player->GetDiary()->GetEntryCount("Demo"), 1u);

    EXPECT_TRUE(level->GetVideoPlayed());
    EXPECT_FLOAT_EQ(level->GetRadar()->GetRange(), 33.0f);
    EXPECT_FLOAT_EQ(level->GetRadar()->GetObjective().z, -7.5f);
    EXPECT_FALSE(level->GetRadar()->IsRadarShown());
    EXPECT_TRUE(level->GetRadar()->IsObjectiveShown());
    EXPECT_EQ(level->GetEntityDB()->GetEntities().GetCount(), 2u);
}

// A shot its pool keeps but the walk over live shots passes by (one a
// damaged file left counted 0) is not listed: the level counts the shots
// it lists, so what it saves loads again.
TEST_F(SavedGameFile, TheShotCountALevelWritesIsThatOfTheShotsItLists)
{
    OmArchive scratch(OmClassRegistry::Instance());
    const std::unique_ptr<TsProjectile> unwalked(new TsProjectile(scratch)); // counted 0
    ASSERT_TRUE(saved.Save("game"));
    OmArchive archive(OmClassRegistry::Instance());
    EXPECT_TRUE(archive.Load("Save Games/game"));
    archive.RefuseLoad();
}

TEST_F(SavedGameFile, EveryShortenedCopyFailsToLoad)
{
    for (size_t cut = 0; cut < bytes.size(); cut += 4) {
        dir.Write("cut", bytes.substr(0, cut));
        OmArchive archive(OmClassRegistry::Instance());
        EXPECT_FALSE(archive.Load("cut")) << "cut at " << cut;
    }
}

// A load that fails, or that its caller refuses, leaves the running timers
// as they were: it neither drops them nor leaves the file's behind, naming
// objects it took down (the sanitizer sees any such at its due tick).
TEST_F(SavedGameFile, AFailedOrRefusedLoadLeavesTheRunningTimersAsTheyWere)
{
    TsTimerTable& timers = TsTimerTable::Instance();
    timers.AddTimer(static_cast<TsObject*>(saved.level->GetEntityDB()->GetEntities().GetFirst()->value), 0.1f, 1);
    ASSERT_TRUE(saved.Save("timed"));
    timers.Clear();
    const std::string timed = dir.Read("Save Games/timed");
    dir.Write("Save Games/cut", timed.substr(0, timed.size() - 4));
    const auto running = OmMakeRef<TestThing>();
    for (const char* file : {"Save Games/cut", "Save Games/timed"}) {
        SCOPED_TRACE(file);
        const int32_t id = timers.AddTimer(running, 0.2f, 1);
        if (OmArchive archive(OmClassRegistry::Instance()); archive.Load(file))
            archive.RefuseLoad();
        const TsTimerEntry* entry = timers.GetEntry(id);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->target, running.Get());
        for (int i = 0; i < 3; ++i)
            timers.Tick();
        EXPECT_EQ(timers.GetActiveCount(), 0u) << "it fired once and ended, and nothing else was left";
    }
}

// Counts the game cannot meet, each refused with its message: a party of
// eight (the count right after the player's name), and the level's
// projectile count (right after the timer table's entry count 0 and grow
// step 64) promising shots whose references read the level's next fields
// and fail as references of the wrong kind.
TEST_F(SavedGameFile, CountsTheFileCannotMeetFailTheLoadWithTheirMessage)
{
    const struct {
        const char* marker;
        std::string after;
        char count;
        const char* message;
    } cases[] = {
        {"Ann", "", 8, "a player holds 8 characters (at most 7)"},
        {"level", std::string("\0\0\0\0\x40\0\0\0", 8), 2, "a reference points at an object of the wrong class"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.marker);
        EXPECT_FALSE(LoadsWithCountAfter(c.marker, c.after, c.count));
        EXPECT_TRUE(reported.Contains(c.message)) << reported.Text();
    }
}

// One damaged word in the class table: the level's count promises as many
// levels as the file could hold at their smallest; the load takes little
// memory and work beside the good file's.
TEST_F(SavedGameFile, AClassCountTheFileCannotMeetFailsTheLoadInLittleMemory)
{
    std::vector<unsigned char> damagedBytes(bytes.begin(), bytes.end());
    const archive_test::Layout layout = archive_test::ParseLayout(damagedBytes);
    ASSERT_EQ(layout.classes.count("TsLevel"), 1u);
    ASSERT_EQ(layout.classes.at("TsLevel").count, 1u);
    const uint32_t count = uint32_t(bytes.size() / 16);
    archive_test::SetWord(damagedBytes, layout.classes.at("TsLevel").countOffset, count);
    archive_test::WriteFile("Save Games/damaged", damagedBytes);

    const LoadCost good = MeasureLoad("Save Games/game");
    ASSERT_TRUE(good.loaded);
    const LoadCost damaged = MeasureLoad("Save Games/damaged");
    EXPECT_FALSE(damaged.loaded);
    EXPECT_TRUE(reported.Contains("Archive \"Save Games/damaged\"")) << reported.Text();
    EXPECT_LT(damaged.peakBytes, 2 * good.peakBytes + (1u << 20)) << count << " levels promised";
    EXPECT_LT(damaged.allocations, 3 * good.allocations) << count << " levels promised";
}

// Roots naming many levels: the class table promises no more objects than
// the file could hold at their smallest, but far more memory than it could
// fill, a level being its cell and the members its loading constructor
// makes. Whether nothing follows the roots or bytes enough for the levels'
// cells, the load fails at the class table.
TEST_F(SavedGameFile, ReferencesToMoreLevelsThanTheFileCouldFillFailTheLoadInLittleMemory)
{
    constexpr uint32_t kLevels = 200;
    const LoadCost good = MeasureLoad("Save Games/game");
    ASSERT_TRUE(good.loaded);
    for (const size_t padding : {size_t(0), kLevels * sizeof(TsLevel)}) {
        std::vector<unsigned char> crafted(bytes.begin(), bytes.end());
        const archive_test::Layout layout = archive_test::ParseLayout(crafted);
        ASSERT_EQ(layout.classes.count("TsLevel"), 1u);
        const archive_test::Layout::ClassRecord& level = layout.classes.at("TsLevel");
        archive_test::SetWord(crafted, level.countOffset, kLevels);
        // Each level named twice: bytes enough for every object at its smallest.
        crafted.resize(layout.rootsOffset + 4 + 16 * kLevels + padding);
        archive_test::SetWord(crafted, layout.rootsOffset, 2 * kLevels);
        for (uint32_t j = 0; j < 2 * kLevels; ++j) {
            archive_test::SetWord(crafted, layout.rootsOffset + 4 + 8 * j, level.fileIndex);
            archive_test::SetWord(crafted, layout.rootsOffset + 8 + 8 * j, j % kLevels);
        }
        archive_test::WriteFile("Save Games/crafted", crafted);

        reported.Clear();
        const LoadCost refused = MeasureLoad("Save Games/crafted");
        EXPECT_FALSE(refused.loaded) << padding;
        EXPECT_TRUE(reported.Contains("Archive \"Save Games/crafted\": its objects would take")) << reported.Text();
        EXPECT_LT(refused.peakBytes, good.peakBytes + (1u << 20)) << kLevels << " levels named, padding " << padding;
    }
}

} // namespace
