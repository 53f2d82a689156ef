// The level played in the real application: missions started, saved and
// loaded, damaged saves refused, the level guarded from scripts.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmMaxLight.h"
#include "engine/OmParticleSystem.h"
#include "engine/OmPoolLeaks.h"
#include "engine/OmVector4.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsScriptHandles.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsLightEffectObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsTimerTable.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldDrawing.h"
#include "platform/FilePath.h"
#include "platform/GfxDevice.h"
#include "platform/KeyCodes.h"
#include "render/OmD3D.h"
#include "tests/app/DemoLevelFixture.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/TestClass.h"
#include "testing/HallFight.h"

namespace apptest {

// A placed object with a timer, as the level's game objects will be.
class LevelCrate : public TsEntity {
    OM_DECLARE_TEST_CLASS(LevelCrate, TsEntity)
    bool OnTimer(TsTimerEntry&) override { return true; }
};
OM_IMPLEMENT_CLASS(LevelCrate, TsEntity)

// An entity that notes the cloud texture the frame's batch carries while
// it is drawn.
class CloudProbe : public TsEntity {
    OM_DECLARE_TEST_CLASS(CloudProbe, TsEntity)
    void Render(float, float) override { seen = OmD3D::Instance()->GetBatch().GetSecondTexture(); }
    int32_t seen = -2;
};
OM_IMPLEMENT_CLASS(CloudProbe, TsEntity)

namespace {

namespace fs = std::filesystem;

using LevelGame = InDemoLevel;
using LevelGameFromTitle = DemoLevelTest;

// The save with the count of the object of that four-letter name set to 0.
std::vector<unsigned char> CountedZero(std::vector<unsigned char> bytes, const char* name)
{
    uint32_t letters;
    std::memcpy(&letters, name, 4);
    const size_t at = archive_test::FindWords(bytes, {4, letters}); // the name's length and letters
    if (at == std::string::npos || archive_test::WordAt(bytes, at - 4) != 1)
        ADD_FAILURE() << name << " is not counted once in the save";
    else
        archive_test::SetWord(bytes, at - 4, 0);
    return bytes;
}

TEST_F(LevelGame, AQuickSaveAndALoadBringBackTheSameLevel)
{
    LevelCrate* crate = new LevelCrate;
    crate->SetName("crate");
    PutInPlay(crate, 3.5f, -2.0f, 1.25f);
    const int32_t timer = TsTimerTable::Instance().AddTimer(crate, 5.0f, 3);
    Frames(4, 100);
    const TsTimerEntry before = *TsTimerTable::Instance().GetEntry(timer);
    ASSERT_TRUE(app->SaveGame());
    const std::string saved = TsAccess::LocalPlayer()->GetSaveName();
    EXPECT_EQ(saved, "Ann [2] - Demo");
    const double ticks = LuaNumber("g_demoTicks");
    EXPECT_GT(ticks, 0.0);

    ASSERT_NO_FATAL_FAILURE(LoadFromTitle(saved));
    EXPECT_EQ(LuaNumber("g_demoTicks"), ticks); // the mission's globals
    EXPECT_EQ(TsAccess::LocalPlayer()->GetScriptState(0), int32_t(ticks));
    // The crate among the demo level's own entities.
    const TsEntity* loaded = Named<LevelCrate>("crate");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ((loaded->GetPosition() - OmVector3(3.5f, 1.25f, -2.0f)).Length(), 0.0f);
    const TsTimerEntry* after = TsTimerTable::Instance().GetEntry(timer);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->target, loaded);
    EXPECT_EQ(after->countdown, before.countdown);
    EXPECT_EQ(after->repeats, before.repeats);
    EXPECT_EQ(after->period, before.period);
}

// A guard that hit Ann and fell is still named by her when the game is
// saved: the load gives it back to the level's garbage, its one holder, so
// the loaded level frees it (its inventory and weapon with it) as it goes.
TEST_F(LevelGameFromTitle, AFallenEnemyASaveHoldsComesBackHeldByTheLevelAlone)
{
    ASSERT_NO_FATAL_FAILURE(EnterDemoLevel(3, "mission"));
    Level()->ActivateIngameFrontEnd(false);
    hallfight::GiveThePartyItsTeam(*Level());
    TsCharacterObject* ann = hallfight::Character(*Level(), "Ann");
    TsCharacterObject* guard = hallfight::Character(*Level(), "guard1");
    ASSERT_TRUE(ann && guard);
    {
        const auto blow = OmMakeRef<TsAttack>(); // gone before its pool goes with the level
        blow->SetAttacker(guard);
        blow->SetDamage(1.0f);
        ann->OnHit(*blow);
    }
    ASSERT_EQ(ann->GetLastAttacker(), guard);
    guard->Die();
    ASSERT_TRUE(StepUntil([&] { return !hallfight::Find(*Level(), "guard1"); }, 600)) << "the guard faded";
    ASSERT_TRUE(app->SaveGame());

    ASSERT_NO_FATAL_FAILURE(LoadFromTitle(TsAccess::LocalPlayer()->GetSaveName()));
    const TsCharacterObject* corpse = hallfight::Character(*Level(), "Ann")->GetLastAttacker();
    ASSERT_NE(corpse, nullptr);
    CollectScriptHandles();
    EXPECT_TRUE(Level()->GetEntityDB()->HoldsReference(corpse));
    EXPECT_EQ(TsScriptHandles::GameReferences(*corpse), 1u) << "the garbage's alone";
    const uint32_t leaks = OmPoolLeaks::Reported();
    app->RequestMode(TS_MODE_FRONT_END);
    SwitchAndContinue();
    EXPECT_EQ(OmPoolLeaks::Reported(), leaks);
}

// Each refused before a root is taken, and freed whole (the switch back to
// the title finds nothing left): a save's header damaged, its roots named
// again in another order or one too many, the level's conversation or a shot
// in flight (which holds itself) counted 0, listed by the level or not.
TEST_F(LevelGame, DamagedOrMisshapenSavesLeaveTheGameOnTheTitle)
{
    Level()->GetIncidentalConversation()->SetName("talk");
    (new TsProjectile)->SetName("shot");
    ASSERT_TRUE(app->SaveGame());
    std::vector<unsigned char> bytes =
        archive_test::ReadFile(std::string("Save Games/") + TsAccess::LocalPlayer()->GetSaveName());
    const auto write = [](const std::string& name, const std::vector<unsigned char>& damaged) {
        archive_test::WriteFile("Save Games/" + name, damaged);
    };
    for (const auto& [name, order] : {std::pair<const char*, std::vector<uint32_t>>{"Player twice", {0, 0}},
                                      {"Level twice", {1, 1}}, {"Level first", {1, 0}}, {"One root", {0}},
                                      {"Three roots", {0, 1, 1}}})
        write(name, archive_test::WithRoots(bytes, 2, order));
    for (const char* name : {"talk", "shot"})
        write(std::string("Zero ") + name, CountedZero(bytes, name));
    // The level's one shot named past the shots the file has: it reads back as none.
    std::vector<unsigned char> unlisted = CountedZero(bytes, "shot");
    const uint32_t shots = archive_test::ParseLayout(bytes).classes.at("TsProjectile").fileIndex;
    const size_t listed = archive_test::FindWords(unlisted, {1, shots, 0});
    ASSERT_NE(listed, std::string::npos);
    archive_test::SetWord(unlisted, listed + 8, 1);
    write("Unlisted shot", unlisted);
    bytes[20] ^= 0x5A; // inside the header
    write("Broken", bytes);
    struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"Broken", "Error: cannot load game file Broken"},
        {"One root", "Error loading game file One root - root object count is 1 not 2"},
        {"Three roots", "Error loading game file Three roots - root object count is 3 not 2"},
        {"Missing", "Error: cannot load game file Missing"},
        {"Player twice", "Error loading game file Player twice - the second root is not a level"},
        {"Level twice", "Error loading game file Level twice - cannot load player object"},
        {"Level first", "Error loading game file Level first - cannot load player object"},
        {"Zero talk", "Error: cannot load game file Zero talk"},
        {"Zero shot", "Error: cannot load game file Zero shot"},
        {"Unlisted shot", "Error: cannot load game file Unlisted shot"},
    };
    for (const auto& c : cases) {
        log.Clear();
        boxes.clear();
        const uint32_t leaks = OmPoolLeaks::Reported();
        app->SetPendingLoad(c.name);
        app->RequestMode(TS_MODE_LEVEL);
        Frames(3, 100);
        EXPECT_TRUE(log.Contains(c.message)) << c.name;
        ASSERT_NE(app->GetMode(), nullptr) << c.name;
        EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END) << c.name;
        EXPECT_EQ(g_loadScreen.held, 0) << c.name;
        EXPECT_EQ(boxes.size(), 1u) << c.name << ": the failure's message";
        EXPECT_TRUE(app->GetPendingLoad().empty()) << c.name; // forgotten once refused
        EXPECT_EQ(OmPoolLeaks::Reported(), leaks) << c.name;
    }
}

// The load draws frames only to build drawing states: play's first frame
// moves the level's smoke and sparks on from where their own warm-up left
// them, so it spawns and draws what it would have without those frames.
TEST_F(LevelGameFromTitle, TheLoadsDrawingMovesNoParticleOnToTheGameTime)
{
    ASSERT_NO_FATAL_FAILURE(LoadMission("demo"));
    ASSERT_GT(GetLiveParticleCount(), 0u);
    const float now = TsAccess::GameTime();
    for (uint32_t i = 0; i < GetLiveParticleCount(); ++i)
        EXPECT_LT(GetLiveParticle(i)->lastTime, now) << "particle " << i;
}

// Whatever light the title left on, a level starts with none of its own.
TEST_F(LevelGameFromTitle, ALevelStartsWithNoAmbientLight)
{
    OmD3D::Instance()->SetAmbientColour(1.0f, 1.0f, 1.0f);
    ASSERT_NO_FATAL_FAILURE(LoadMission("demo"));
    EXPECT_EQ(OmD3D::Instance()->GetRenderState(plat::GfxRs::Ambient), OmPackARGB(0.0f, 0.0f, 0.0f, 1.0f));
}

TEST_F(LevelGame, TheLevelBeingPlayedCannotBeReplacedOrDeletedByScripts)
{
    TsLevel* level = Level();
    EXPECT_EQ(RunLua("CreateLevel()"), 0);
    EXPECT_TRUE(log.Contains("CreateLevel: refused"));
    EXPECT_EQ(app->GetLevel(), level);
    EXPECT_FALSE(app->StartMission("Bob", "OnNewGame", "demo", 0)); // would save this level's timers
    EXPECT_TRUE(log.Contains("StartMission: refused while a level is being played"));
    EXPECT_EQ(RunLua("TsAccess.Level():delete()"), 0);
    EXPECT_TRUE(log.Contains("TsLevel:delete: refused"));
    EXPECT_EQ(app->GetMode(), level);
    Frames(2, 100); // still ticking
    EXPECT_EQ(app->GetMode(), level);
}

TEST_F(LevelGame, EachOfTheShellsDebugSwitchesReachesItsOwnOfTheLevels)
{
    EXPECT_EQ(RunLua("DebugBehaviours() DebugText()"), 0);
    EXPECT_TRUE(Level()->GetDebugSwitch(1));
    EXPECT_TRUE(Level()->GetDebugSwitch(7));
    EXPECT_FALSE(Level()->GetDebugSwitch(3));
}

// A level a script makes and deletes (as the conversion tools do) leaves
// what the played level runs as it was.
TEST_F(LevelGame, AScriptsLevelLeavesThePlayedLevelsTimersAndSounds)
{
    const TsAudio* audio = TsAccess::Audio();
    ASSERT_NE(audio, nullptr);
    const int32_t timer = TsTimerTable::Instance().AddTimer(PutInPlay(new LevelCrate, 3.5f, -2.0f), 5.0f, 3);
    const struct {
        const char* what;
        std::function<bool()> holds;
    } kept[] = {
        {"a crate's timer stays set", [&] { return TsTimerTable::Instance().GetEntry(timer) != nullptr; }},
        {"the bed music plays on", [&] { return audio->IsSoundPlaying(AID_BED_MUSIC); }},
    };
    for (const auto& k : kept)
        ASSERT_TRUE(k.holds()) << k.what << ", before";
    ASSERT_EQ(RunLua("l = TsLevel:new() l:delete()"), 0);
    for (const auto& k : kept)
        EXPECT_TRUE(k.holds()) << k.what;
}

// A level a tool converts stays the tool's: its script deletes it once the
// conversion ends (or another level's begins), and nothing of it is left.
TEST_F(LevelGameFromTitle, AToolsLevelIsTheToolsToDeleteAfterItsConversion)
{
    const char* const conversions[] = {
        "l = TsLevel:new() l:BeginConvert() l:EndConvert() l:delete()",
        "a = TsLevel:new() b = TsLevel:new() a:BeginConvert() b:BeginConvert() b:EndConvert() a:delete() b:delete()",
    };
    for (const char* conversion : conversions) {
        SCOPED_TRACE(conversion);
        const uint32_t levels = TsLevel::s_pool.GetLiveCount();
        EXPECT_EQ(RunLua(conversion), 0);
        EXPECT_EQ(TsLevel::s_pool.GetLiveCount(), levels);
        EXPECT_EQ(app->GetLevel(), nullptr);
    }
}

// The shell's CreateLevel replaces a level nobody plays: what a script kept
// of the old level's HUD and radar, the radar's objective too, is dead with
// it.
TEST_F(LevelGameFromTitle, AReplacedLevelsHudAndRadarHandlesAreDead)
{
    ASSERT_EQ(RunLua("CreateLevel() h = TsAccess.HUDe() r = TsAccess.Radar() v = r:GetObjective()\n"
                     "kept = type(h) .. type(r) .. type(v) CreateLevel()\n"
                     "_, hud = pcall(h.DisplayDialog, h, 'x') _, radar = pcall(r.UseRadar, r, 1)\n"
                     "_, objective = pcall(v.Normalise, v)"),
              0);
    ASSERT_EQ(LuaString("kept"), "userdatauserdatauserdata");
    for (const auto& [error, function] : {std::pair{"hud", "DisplayDialog"}, {"radar", "UseRadar"},
                                          {"objective", "Normalise"}})
        EXPECT_NE(LuaString(error).find(std::string("invalid 'self' in function '") + function + "'"),
                  std::string::npos)
            << LuaString(error);
}

// The played level's characters keep standing on its world (the ramp is 0.5
// high at x 16) whatever world a level beside it loads, or fails to load.
TEST_F(LevelGame, ThePlayedLevelsCharactersKeepStandingOnItsWorld)
{
    const std::string tsw = plat::ResolvePath(TsAccess::LevelInfo()->worldFilename.Get());
    const std::string whole = scratch->Read(tsw);
    const std::string cut = scratch->Write("cut.tsw", whole.substr(0, whole.size() / 2));
    const std::string loads[] = {
        "l = TsLevel:new() l:LoadWorld('" + tsw + "') l:delete()",
        "l = TsLevel:new() l:LoadWorld('" + cut + "') l:delete()",
    };
    TsEntity* hero = AddHero(16.0f, 2.0f);
    for (const std::string& load : loads) {
        SCOPED_TRACE(load);
        ASSERT_EQ(RunLua(load), 0);
        hero->SetPositionOnGround(OmVector3(16.0f, 0.0f, 2.0f));
        EXPECT_NEAR(hero->GetPosition().y, 0.5f, 0.01f);
    }
}

// A level a tool converts is the level while it does: its world is the
// ground then, and the played level's is again once the conversion ends.
TEST_F(LevelGame, AConvertedLevelsWorldIsTheGroundUntilItsConversionEnds)
{
    const auto tool = std::make_unique<TsLevel>();
    ASSERT_TRUE(tool->LoadWorld(TsAccess::LevelInfo()->worldFilename.Get()));
    EXPECT_FALSE(tool->GetWorld()->IsGround()) << "a level nobody plays";
    tool->BeginConvert();
    EXPECT_TRUE(tool->GetWorld()->IsGround());
    tool->EndConvert();
    EXPECT_TRUE(Level()->GetWorld()->IsGround());
}

// A light effect saves its lamp's name alone and takes the lamp again once
// the lamp's world is back: a world saved while an effect holds a lamp keeps
// the lamp counted for the world alone, and it goes with the world.
TEST_F(LevelGame, AWorldSavedWhileALightEffectHoldsALampLetsTheLampGoWithIt)
{
    auto* flicker = new TsLightEffectObject;
    flicker->SetLight("dyn_lampB");
    Level()->GetEntityDB()->AddObject(OmRef<TsObject>::Adopt(flicker));
    ASSERT_TRUE(flicker->Initialise());
    ASSERT_NE(flicker->GetLightObject(), nullptr);
    const std::string path = scratch->File("lit.tsw");
    ASSERT_EQ(RunLua("assert(TsAccess.Level():SaveWorld('" + path + "'))"), 0);
    const uint32_t lights = OmMaxLight::s_pool.GetLiveCount();
    std::make_unique<TsLevel>()->LoadWorld(path.c_str()); // and the level goes
    EXPECT_EQ(OmMaxLight::s_pool.GetLiveCount(), lights);
}

// The clouds' shadows fall on the level's entities as on its cells: they
// are drawn inside the cloud pass, which ends before the effects.
TEST_F(LevelGame, EntitiesAreDrawnUnderTheClouds)
{
    TsWorld* world = Level()->GetWorld();
    world->SetCloudParams(0.05f, 0.5f);
    world->CreateEffects();
    ASSERT_NE(TsWorldDrawing::Of(*world).Cloud(), nullptr);
    CloudProbe* probe = PutInPlay(new CloudProbe, 3.0f, 3.0f);
    Frames(2, 100);
    EXPECT_EQ(probe->seen, TsWorldDrawing::Of(*world).Cloud()->texture);
    EXPECT_EQ(OmD3D::Instance()->GetBatch().GetSecondTexture(), -1) << "the pass ended with the frame's scene";
}

TEST_F(LevelGame, AStillLevelPutsItsGroundBackRatherThanDrawingIt)
{
    const plat::GfxDevice& device = *OmD3D::Instance()->GetDevice();
    const uint64_t before = device.KeptPassesPutBack();
    Frames(4, 17);
    EXPECT_GT(device.KeptPassesPutBack(), before);
}

TEST_F(LevelGame, GameOverNeedsSomebodyDead)
{
    ASSERT_EQ(RunLua("function LuaTick() return 1 end"), 0);
    const uint32_t ticks = app->GetTickCount();
    Frames(3, 100);
    EXPECT_TRUE(log.Contains("no squad member has died; play goes on"));
    EXPECT_EQ(Level()->GetGameOverState(), TsLevel::kPlaying);
    EXPECT_FALSE(Level()->IsPaused());
    EXPECT_GT(app->GetTickCount(), ticks);
}

TEST_F(LevelGame, ATransferFileThatCannotBeWrittenLeavesTheLevelAsItWas)
{
    fs::create_directories("Save Games/player.tmp.saving");
    EXPECT_EQ(RunLua("NextLevel()"), 0);
    EXPECT_FALSE(app->ModeRequestPending());
    EXPECT_TRUE(app->GetPendingLoad().empty());
    EXPECT_FALSE(app->GetSavePending());
    EXPECT_EQ(TsAccess::LevelInfo()->loadedFromTransfer, 0);
}

TEST_F(LevelGame, TheNextLevelIsBuiltAroundThePlayerCarriedOverAndSavedAtOnce)
{
    TsAccess::LocalPlayer()->SetScriptState(5, 55); // the party's own state travels
    TsAccess::LocalPlayer()->SetScriptState(0, 999); // where the mission keeps its globals
    EXPECT_EQ(RunLua("NextLevel()"), 0);
    EXPECT_TRUE(fs::exists("Save Games/player.tmp"));
    EXPECT_EQ(app->GetPendingLoad(), "player.tmp");
    EXPECT_TRUE(app->GetSavePending());
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_LEVEL);

    SwitchAndContinue();
    ASSERT_NE(Level(), nullptr);
    EXPECT_EQ(TsAccess::LocalPlayer()->GetScriptState(5), 55);
    EXPECT_EQ(TsAccess::LevelInfo()->loadedFromTransfer, 0);
    EXPECT_FALSE(app->GetSavePending());
    EXPECT_TRUE(fs::exists("Save Games/Ann [2] - Demo")); // the regular save right after
    EXPECT_FALSE(log.Contains("could not open")); // Scripts/NewGame.lua ran
    EXPECT_LT(LuaNumber("g_demoTicks"), 999.0);   // the globals of the level left stay behind
}

// A move to the next level whose load fails goes back to the title; the
// next level that does load writes no save of its own.
TEST_F(LevelGame, AFailedMoveToTheNextLevelLeavesNoSaveForTheNextLoad)
{
    EXPECT_EQ(RunLua("NextLevel()"), 0);
    ASSERT_TRUE(app->GetSavePending());
    std::ofstream("Save Games/player.tmp", std::ios::binary | std::ios::trunc) << "damaged";
    Frames(3, 100);
    EXPECT_TRUE(log.Contains("Error: cannot load game file player.tmp"));
    ASSERT_NE(app->GetMode(), nullptr);
    ASSERT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);

    app->SetPendingLoad("Ann [1] - Demo");
    app->RequestMode(TS_MODE_LEVEL);
    SwitchAndContinue();
    ASSERT_NE(Level(), nullptr);
    EXPECT_FALSE(fs::exists("Save Games/Ann [2] - Demo"));
}

// A save that fails right after a load (a folder stands where its file
// would go) goes back to the title at once: after the failure's box no load
// screen waits for Space.
TEST_F(LevelGame, ASaveThatFailsJustAfterALoadLeavesNoLoadScreenHeld)
{
    Key(plat::kKeySpace, false); // nobody lets a held load screen go
    EXPECT_EQ(RunLua("NextLevel()"), 0);
    fs::create_directories("Save Games/Ann [2] - Demo.saving");
    boxes.clear();
    Frames(3, 100);
    EXPECT_TRUE(log.Contains("Error: cannot save game file Ann [2] - Demo"));
    ASSERT_NE(app->GetMode(), nullptr);
    EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(g_loadScreen.Active());
}

TEST_F(LevelGame, ASaveThatFailsSaysSoAndKeepsItsNumber)
{
    fs::create_directories("Save Games/Ann [2] - Demo.saving");
    EXPECT_FALSE(app->SaveGame());
    EXPECT_TRUE(log.Contains("Error: cannot save game file Ann [2] - Demo"));
    EXPECT_FALSE(fs::exists("Save Games/Ann [2] - Demo"));
    fs::remove_all("Save Games/Ann [2] - Demo.saving");
    EXPECT_TRUE(app->SaveGame());
    EXPECT_STREQ(TsAccess::LocalPlayer()->GetSaveName(), "Ann [2] - Demo");
    EXPECT_TRUE(fs::exists("Save Games/Ann [2] - Demo"));
}

TEST_F(LevelGameFromTitle, TheShellStartsMissionsAndWritesNumberedSaves)
{
    EXPECT_EQ(RunLua("CreateSave('demo', 5)"), 0);
    EXPECT_TRUE(fs::exists("Save Games/Test [5] - Demo"));
    EXPECT_FALSE(app->ModeRequestPending());
    EXPECT_EQ(RunLua("TestMission('demo')"), 0);
    EXPECT_TRUE(fs::exists("Save Games/Test [1] - Demo"));
    EXPECT_EQ(app->GetPendingLoad(), "Test [1] - Demo");
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_LEVEL);
    EXPECT_NE(RunLua("TestMission()"), 0); // a mission name is needed
    SwitchAndContinue();
    ASSERT_NE(Level(), nullptr);
    EXPECT_STREQ(TsAccess::LocalPlayer()->GetName(), "Test");
}

} // namespace
} // namespace apptest
