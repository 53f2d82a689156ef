// Saved games: object archives with two roots, the local player and the
// level, kept in the "Save Games" folder. A new mission is built, saved and
// then loaded like any other save; a change of level carries the player
// alone over in "player.tmp" and builds the next level around it.
#include "game/level/TsGameLevelHost.h"

#include <cstring>
#include <string>
#include <strings.h>

#include <lua.hpp>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsSaveGames.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsVideo.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTimerTable.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsShockwave.h"
#include "game/world/TsWorld.h"
#include "platform/FilePath.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsInGameWindows.h"

namespace {

constexpr int32_t kObjectivesDiaryId = -65536;

void RunText(const char* text)
{
    if (lua_State* L = TsAccess::LuaState()) {
        TsScriptHost::DoString(L, text);
    }
}

// A save holds the player and then the level, or no level in a transfer
// file. Anything else is refused before a root is taken, which also keeps a
// root the file names twice from being taken twice.
bool HasAGamesRoots(const OmArchive& archive, const char* name)
{
    if (archive.GetRootCount() != 2) {
        LogErrorF("Error loading game file %s - root object count is %d not 2", name,
                  static_cast<int>(archive.GetRootCount()));
        return false;
    }
    if (!TsPlayer::Cast(archive.GetRoot(0))) {
        LogErrorF("Error loading game file %s - cannot load player object", name);
        return false;
    }
    if (archive.GetRoot(1) && !TsLevel::Cast(archive.GetRoot(1))) {
        LogErrorF("Error loading game file %s - the second root is not a level", name);
        return false;
    }
    return true;
}

} // namespace

TsGameLevelHost::TsGameLevelHost(TsMain& app) : m_app(app) {}

TsGameLevelHost::~TsGameLevelHost() = default;

std::unique_ptr<TsLevelHost> TsGameLevelHost::Make(TsMain& app)
{
    return std::make_unique<TsGameLevelHost>(app);
}

// ---- the level's share of the game systems ----------------------------------

bool TsGameLevelHost::StartSystems()
{
    TsShockwave::InitBuffers();
    TsInitialExplosions::Init("LoadExplosionAttributes");
    TsProjectile::CreateVertexBuffer();
    TsProjectileAttributes::ResetAll();
    return TsProjectileAttributes::LoadAttributes("LoadProjectileAttributes");
}

void TsGameLevelHost::StopSystems()
{
    TsInitialExplosions::Shutdown(); // the arms' emitters go before the particle system
    TsProjectile::ReleaseAllLive();  // so do the shots' in flight
    TsShockwave::ReleaseBuffers();
    TsProjectile::ReleaseVertexBuffer();
    TsProjectileAttributes::ResetAll();
}

void TsGameLevelHost::DropPlayerAndTimers()
{
    m_player.reset();
    // The timers let go of their objects while those still live.
    TsTimerTable::Instance().Clear();
}

void TsGameLevelHost::DropPlayer()
{
    m_player.reset();
}

// The level's name is in the player's level information.
bool TsGameLevelHost::PlaysTutorial() const
{
    const char* name = m_player ? m_player->GetLevelInfo().levelName.Get() : nullptr;
    return name && strcasecmp(name, "tutorial") == 0;
}

// ---- building, saving and loading -------------------------------------------

std::unique_ptr<TsGameMode> TsGameLevelHost::NewLevel()
{
    return std::make_unique<TsLevel>();
}

bool TsGameLevelHost::IsInScriptTick(const TsGameMode* level) const
{
    const TsLevel* played = TsLevel::Cast(level);
    return played && played->IsInLuaTick();
}

void TsGameLevelHost::LevelStarted()
{
    TsLevel* level = Level();
    const TsLevelInfo* info = m_player ? &m_player->GetLevelInfo() : nullptr;
    if (level && level->GetWorld()) {
        level->GetWorld()->SetTrackedEntity(m_player ? m_player->GetCurrentCharacter() : nullptr);
    }
    if (level && info) {
        if (!m_app.GetSkipVideos() && !info->fmvName.IsEmpty() && !level->GetVideoPlayed()) {
            const std::string path = std::string("data\\FMV\\") + info->fmvName.Get();
            TsVideo::PlayFMV(path.c_str());
            level->SetVideoPlayed();
        }
    }
    if (TsAudio* audio = m_app.GetAudio()) {
        audio->StartLevelMusic();
    }
    if (level && info) {
        const char* objectives = info->missionObjectiveID != 0
                                     ? TsAccess::GetDialogDisplayString(info->missionObjectiveID)
                                     : nullptr;
        const bool show = objectives && *objectives && !level->GetObjectivesShown();
        level->SetObjectivesText(show ? objectives : nullptr);
    }
}

bool TsGameLevelHost::SaveGame()
{
    TsLevel* level = Level();
    if (!m_player || !level) {
        LogError("Saved games: there is no player or no level to save");
        return false;
    }
    const int32_t number = m_player->GetSaveNumber();
    m_player->MakeSaveName();
    RunText("if (SaveMissionGlobals ~= nil) then SaveMissionGlobals() end");
    OmArchive archive(OmClassRegistry::Instance());
    archive.AddRoot(m_player.get());
    archive.AddRoot(level);
    if (!TsSaveGames::Save(archive, m_player->GetSaveName())) {
        // The save did not happen: the next one takes the same number.
        m_player->SetSaveNumber(number);
        LogErrorF("Error: cannot save game file %s", m_player->GetSaveName());
        return false;
    }
    return true;
}

bool TsGameLevelHost::LoadGameArchive(OmArchive& archive, const char* path, const char* name)
{
    if (!archive.Load(path)) {
        LogErrorF("Error: cannot load game file %s", name);
        return false;
    }
    if (!HasAGamesRoots(archive, name)) {
        archive.RefuseLoad();
        return false;
    }
    return true;
}

bool TsGameLevelHost::LoadSavedLevel(const std::string& saveName)
{
    OmArchive archive(OmClassRegistry::Instance());
    const std::string path = plat::ResolvePath(TsSaveGames::PathOf(saveName));
    if (!LoadGameArchive(archive, path.c_str(), saveName.c_str())) {
        return false;
    }
    m_player.reset(TsPlayer::Cast(archive.GetRoot(0))); // the file's reference, deleted with the level it plays
    int32_t pcType = -1;
    if (!AdoptLoadedLevel(TsLevel::Cast(archive.GetRoot(1)), pcType)) {
        return false;
    }
    if (!m_player->InitialiseForLevel(pcType) || !m_app.GetMode()->Initialise()) {
        return false;
    }
    m_player->SetLoadedSaveName(saveName.c_str());
    TsLevelInfo& info = m_player->GetLevelInfo();
    if (!info.loadedFromTransfer) {
        RunText("if (LoadMissionGlobals ~= nil) then LoadMissionGlobals() end");
    }
    info.loadedFromTransfer = 0;
    AddObjectivesToDiary();
    if (!info.levelName.Get() || std::strcmp(info.levelName.Get(), "Tutorial") != 0) {
        g_loadScreen.prompt = 1;
    }
    return true;
}

bool TsGameLevelHost::AdoptLoadedLevel(TsLevel* loaded, int32_t& pcType)
{
    if (loaded) {
        loaded->InstallReadTimers();
        m_app.AdoptLevel(std::unique_ptr<TsGameMode>(loaded)); // the file's reference
        return true;
    }
    auto made = std::make_unique<TsLevel>();
    TsLevel* level = made.get();
    m_app.AdoptLevel(std::move(made));
    // The character played last stays the one played.
    const TsSquadObject* squad = m_player->GetSquad();
    const TsPCObject* first = squad ? TsPCObject::Cast(squad->GetMember(0)) : nullptr;
    pcType = first ? first->GetPCType() : -1;
    RunText("dofile(\"Scripts/NewGame.lua\")");
    RunText("SetupTeams()");
    if (!level->Import()) {
        LogErrorF("Error importing level %s", m_player->GetLevelInfo().missionName.Get());
        return false;
    }
    m_player->SetupPlayerSquad();
    return true;
}

// The diary opens the level's page with its objective. Pages are kept by
// level name, as the diary keeps all its pages.
void TsGameLevelHost::AddObjectivesToDiary()
{
    TsDiaryData* diary = m_player->GetDiary();
    const TsLevelInfo& info = m_player->GetLevelInfo();
    if (!diary || info.missionObjectiveID == 0 || diary->GetEntryCount(info.levelName.Get()) != 0) {
        return;
    }
    const char* text = TsAccess::GetDialogDisplayString(info.missionObjectiveID);
    if (text && *text) {
        diary->AddEntry(info.levelName.Get(), m_player->GetLevelTitle(), "Objectives", kObjectivesDiaryId, text);
    }
}

bool TsGameLevelHost::WritePlayerTemp()
{
    if (!m_player) {
        LogError("NextLevel: there is no player to carry over");
        return false;
    }
    m_player->ResetTransientState();
    TsLevelInfo& info = m_player->GetLevelInfo();
    const uint8_t wasTransfer = info.loadedFromTransfer;
    info.loadedFromTransfer = 1;
    OmArchive archive(OmClassRegistry::Instance());
    archive.AddRoot(m_player.get());
    archive.AddRoot(nullptr);
    if (!TsSaveGames::Save(archive, TsSaveGames::kTransferFile)) {
        info.loadedFromTransfer = wasTransfer;
        LogErrorF("NextLevel: \"%s\" could not be written; the level goes on", TsSaveGames::kTransferFile);
        return false;
    }
    // Only a written transfer file may be loaded next.
    m_app.SetPendingLoad(TsSaveGames::kTransferFile);
    m_app.SetSavePending(true);
    m_app.RequestMode(TS_MODE_LEVEL);
    return true;
}

bool TsGameLevelHost::BuildMission(TsGameMode& mode, lua_State* L, const char* firstText, const char* function,
                                   const char* secondText, int32_t saveNumber)
{
    TsLevel* level = TsLevel::Cast(&mode);
    std::unique_ptr<TsPlayer> savedPlayer = std::move(m_player);
    m_player = std::make_unique<TsPlayer>();
    TsPlayer* player = m_player.get();
    const int top = lua_gettop(L);
    lua_getglobal(L, function);
    lua_pushstring(L, firstText ? firstText : "");
    int args = 1;
    if (secondText) {
        lua_pushstring(L, secondText);
        ++args;
    }
    TsScriptCall::Protected(L, args, 0);
    lua_settop(L, top);
    player->SetName(firstText);
    player->SetSaveNumber(saveNumber);
    bool started = false;
    if (level && level->Import() && player->Import()) {
        TsScriptHost::DoFile(L, player->GetLevelInfo().luaMissionFilename.Get());
        if (SaveGame()) {
            m_app.SetPendingLoad(player->GetSaveName());
            started = true;
        }
    } else {
        LogErrorF("StartMission: the mission \"%s\" could not be built", secondText ? secondText : "");
    }
    // The player first: the level's database then finds only its own
    // references on the party when the application deletes the level.
    m_player = std::move(savedPlayer);
    return started;
}

// ---- what TsAccess answers --------------------------------------------------

TsLevel* TsGameLevelHost::Level() const
{
    return TsLevel::Cast(m_app.GetLevel());
}

TsLevelState* TsGameLevelHost::LevelState() const
{
    return Level();
}

TsHUDe* TsGameLevelHost::HUDe() const
{
    TsLevel* level = Level();
    return level ? level->GetHUD() : nullptr;
}

// The radar and the in-game menu belong to the current level.
TsRadar* TsGameLevelHost::Radar() const
{
    const TsLevel* level = Level();
    return level ? level->GetRadar() : nullptr;
}

TsCutScene* TsGameLevelHost::CutScene() const
{
    const TsLevel* level = Level();
    return level ? level->GetCutScene() : nullptr;
}

TsConversation* TsGameLevelHost::Conversation() const
{
    const TsLevel* level = Level();
    return level ? level->GetIncidentalConversation() : nullptr;
}

TsWorld* TsGameLevelHost::World() const
{
    const TsLevel* level = Level();
    return level ? level->GetWorld() : nullptr;
}

TsPathfinder* TsGameLevelHost::Pathfinder() const
{
    const TsLevel* level = Level();
    return level ? level->GetPathfinder() : nullptr;
}

TsLevelCursor* TsGameLevelHost::LevelCursor() const
{
    const TsLevel* level = Level();
    return level ? level->GetLevelCursor() : nullptr;
}

TsEntityDB* TsGameLevelHost::EntityDB() const
{
    const TsLevel* level = Level();
    return level ? level->GetEntityDB() : nullptr;
}

OmProfiler* TsGameLevelHost::LevelProfiler() const
{
    TsLevel* level = Level();
    return level ? &level->GetProfiler() : nullptr;
}

TsGameFrontEnd* TsGameLevelHost::GameFrontEnd() const
{
    const TsLevel* level = Level();
    return level ? level->GetGameFrontEnd() : nullptr;
}

TsLevelInfo* TsGameLevelHost::LevelInfo() const
{
    return m_player ? &m_player->GetLevelInfo() : nullptr;
}

TsPCObject* TsGameLevelHost::CurrentCharacter() const
{
    return m_player ? m_player->GetCurrentCharacter() : nullptr;
}

TsDiaryData* TsGameLevelHost::Diary() const
{
    return m_player ? m_player->GetDiary() : nullptr;
}

bool TsGameLevelHost::ToggleDebugSwitch(int index)
{
    TsLevel* level = Level();
    if (!level) {
        return false;
    }
    level->ToggleDebugSwitch(index);
    return true;
}

// ---- the tutorial window ----------------------------------------------------

namespace {

TsTutorialDialog* Tutorial(TsGameFrontEnd* menu, const char* caller)
{
    auto* tutorial = menu ? dynamic_cast<TsTutorialDialog*>(menu->GetTutorialScreen()) : nullptr;
    if (!tutorial) {
        LogErrorF("TsAccess::%s: there is no level, so no tutorial window", caller);
    }
    return tutorial;
}

} // namespace

void TsGameLevelHost::ShowTutorial(const char* caller, bool clear, int count)
{
    TsGameFrontEnd* menu = GameFrontEnd();
    if (TsTutorialDialog* tutorial = Tutorial(menu, caller)) {
        menu->SetActive(true, false);
        if (clear) {
            tutorial->Clear(count);
        }
        menu->PushWindow(tutorial, TsFrontEndBase::kScreen);
    }
}

void TsGameLevelHost::AddTutorialFragment(const char* caller, int textId, int index)
{
    if (TsTutorialDialog* tutorial = Tutorial(GameFrontEnd(), caller)) {
        tutorial->AddFragment(textId, index);
    }
}

void TsGameLevelHost::SetTutorialExitScript(const char* caller, const char* text)
{
    if (TsTutorialDialog* tutorial = Tutorial(GameFrontEnd(), caller)) {
        tutorial->SetExitScript(text);
    }
}
