// Saved games: object archives with two roots, the local player and the
// level, kept in the "Save Games" folder. A new mission is built, saved and
// then loaded like any other save; a change of level carries the player
// alone over in "player.tmp" and builds the next level around it.
#include <cstring>
#include <string>

#include <lua.hpp>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsSaveGames.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptHost.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTimerTable.h"
#include "platform/FilePath.h"
#include "render/OmD3D.h"


namespace {

constexpr const char* kLoadingImage = ".\\data\\frontend\\front1.tga";
constexpr const char* kIntroImage = "Intro Screen.tga";
constexpr int32_t kObjectivesDiaryId = -65536;

void RunText(const char* text)
{
    if (lua_State* L = TsAccess::LuaState()) {
        TsScriptHost::DoString(L, text);
    }
}

// Objects of a load that is refused: each root gives up the reference the
// file gave it; what is left goes with the class pools at the next switch.
void DropRoots(OmArchive& archive)
{
    TsTimerTable::Instance().Clear();
    for (uint32_t i = 0; i < archive.GetRootCount(); ++i) {
        if (OmObject* root = archive.GetRoot(i)) {
            root->Release();
        }
    }
}

} // namespace

void TsMain::SetLocalPlayer(TsPlayer* player)
{
    if (localPlayer_ && localPlayer_ != player) {
        delete localPlayer_;
    }
    localPlayer_ = player;
}

bool TsMain::SaveGame()
{
    TsLevel* level = TsLevel::Cast(level_);
    if (!localPlayer_ || !level) {
        LogError("Saved games: there is no player or no level to save");
        return false;
    }
    const int32_t number = localPlayer_->GetSaveNumber();
    localPlayer_->MakeSaveName();
    RunText("if (SaveMissionGlobals ~= nil) then SaveMissionGlobals() end");
    OmArchive archive(OmClassRegistry::Instance());
    archive.AddRoot(localPlayer_);
    archive.AddRoot(level);
    if (!TsSaveGames::Save(archive, localPlayer_->GetSaveName())) {
        // The save did not happen: the next one takes the same number.
        localPlayer_->SetSaveNumber(number);
        LogErrorF("Error: cannot save game file %s", localPlayer_->GetSaveName());
        return false;
    }
    return true;
}

bool TsMain::LoadGame(const char* name)
{
    const std::string saveName = name ? name : "";
    if (renderer_) {
        renderer_->ShowImageFile(kLoadingImage);
    }
    if (saveName.find("Tutorial") == std::string::npos) {
        LoadLoadScreenImage(kIntroImage);
        g_loadScreen.held = 1;
        g_loadScreen.textY = screenHeight_ / 3 * 2;
    }
    // However far the load got, a failure lets go of the load screen with
    // the switch (TsMain::ModeStartFailed): the failure's message and the
    // title follow at once.
    return LoadSavedLevel(saveName);
}

bool TsMain::LoadSavedLevel(const std::string& saveName)
{
    OmArchive archive(OmClassRegistry::Instance());
    const std::string path = plat::ResolvePath(TsSaveGames::PathOf(saveName));
    if (!archive.Load(path.c_str())) {
        // The timers read before the failure name objects the load took down.
        TsTimerTable::Instance().Abandon();
        LogErrorF("Error: cannot load game file %s", saveName.c_str());
        return false;
    }
    if (archive.GetRootCount() != 2) {
        LogErrorF("Error loading game file %s - root object count is %d not 2", saveName.c_str(),
                  static_cast<int>(archive.GetRootCount()));
        DropRoots(archive);
        return false;
    }
    TsPlayer* player = TsPlayer::Cast(archive.GetRoot(0));
    if (!player) {
        LogErrorF("Error loading game file %s - cannot load player object", saveName.c_str());
        DropRoots(archive);
        return false;
    }
    SetLocalPlayer(player);
    int32_t pcType = -1;
    if (!AdoptLoadedLevel(archive.GetRoot(1), saveName.c_str(), pcType)) {
        return false;
    }
    if (!localPlayer_->InitialiseForLevel(pcType) || !mode_->Initialise()) {
        return false;
    }
    localPlayer_->SetLoadedSaveName(saveName.c_str());
    TsLevelInfo& info = localPlayer_->GetLevelInfo();
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

// Root 1 is the saved level, or none in a transfer file: then the next
// level is built fresh around the loaded player.
bool TsMain::AdoptLoadedLevel(OmObject* root, const char* name, int32_t& pcType)
{
    if (root) {
        TsLevel* level = TsLevel::Cast(root);
        if (!level) {
            LogErrorF("Error loading game file %s - the second root is not a level", name);
            root->Release();
            return false;
        }
        level_ = mode_ = level;
        return true;
    }
    TsLevel* level = new TsLevel;
    level_ = mode_ = level;
    // The character played last stays the one played.
    const TsSquadObject* squad = localPlayer_->GetSquad();
    const TsPCObject* first = squad ? TsPCObject::Cast(squad->GetMember(0)) : nullptr;
    pcType = first ? first->GetPCType() : -1;
    RunText("dofile(\"Scripts/NewGame.lua\")");
    RunText("SetupTeams()");
    if (!level->Import()) {
        LogErrorF("Error importing level %s", localPlayer_->GetLevelInfo().missionName.Get());
        return false;
    }
    localPlayer_->SetupPlayerSquad();
    return true;
}

// The diary opens the level's page with its objective. Pages are kept by
// level name, as the diary keeps all its pages.
void TsMain::AddObjectivesToDiary()
{
    TsDiaryData* diary = localPlayer_->GetDiary();
    const TsLevelInfo& info = localPlayer_->GetLevelInfo();
    if (!diary || info.missionObjectiveID == 0 || diary->GetEntryCount(info.levelName.Get()) != 0) {
        return;
    }
    const char* text = TsAccess::GetDialogDisplayString(info.missionObjectiveID);
    if (text && *text) {
        diary->AddEntry(info.levelName.Get(), localPlayer_->GetLevelTitle(), "Objectives", kObjectivesDiaryId,
                        text);
    }
}

bool TsMain::WritePlayerTemp()
{
    if (!localPlayer_) {
        LogError("NextLevel: there is no player to carry over");
        return false;
    }
    localPlayer_->ResetTransientState();
    TsLevelInfo& info = localPlayer_->GetLevelInfo();
    const uint8_t wasTransfer = info.loadedFromTransfer;
    info.loadedFromTransfer = 1;
    OmArchive archive(OmClassRegistry::Instance());
    archive.AddRoot(localPlayer_);
    archive.AddRoot(nullptr);
    if (!TsSaveGames::Save(archive, TsSaveGames::kTransferFile)) {
        info.loadedFromTransfer = wasTransfer;
        LogErrorF("NextLevel: \"%s\" could not be written; the level goes on", TsSaveGames::kTransferFile);
        return false;
    }
    // Only a written transfer file may be loaded next.
    pendingLoad_ = TsSaveGames::kTransferFile;
    savePending_ = true;
    RequestMode(TS_MODE_LEVEL);
    return true;
}

bool TsMain::StartMission(const char* firstText, const char* function, const char* secondText, int32_t saveNumber)
{
    lua_State* L = luaState_;
    if (!L) {
        LogError("StartMission: there is no script state");
        return false;
    }
    // The timers are program-wide: a mission saved while a level runs would
    // carry that level's timers (and the objects they name) into its save.
    if (level_ && level_ == mode_) {
        LogError("StartMission: refused while a level is being played; leave it first");
        return false;
    }
    TsGameMode* savedMode = mode_;
    TsGameMode* savedLevel = level_;
    TsPlayer* savedPlayer = localPlayer_;
    TsLevel* level = new TsLevel;
    TsPlayer* player = new TsPlayer;
    level_ = mode_ = level;
    localPlayer_ = player;
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
    if (level->Import() && player->Import()) {
        TsScriptHost::DoFile(L, player->GetLevelInfo().luaMissionFilename.Get());
        if (SaveGame()) {
            SetPendingLoad(player->GetSaveName());
            started = true;
        }
    } else {
        LogErrorF("StartMission: the mission \"%s\" could not be built", secondText ? secondText : "");
    }
    // The player first: the level's database then finds only its own
    // references on the party.
    delete player;
    delete level;
    mode_ = savedMode;
    level_ = savedLevel;
    localPlayer_ = savedPlayer;
    return started;
}

void TsMain::ReplaceLevel(TsGameMode* level)
{
    if (level_ && level_ != mode_) {
        delete level_;
    }
    level_ = level;
}

void TsMain::BeginConvert(TsGameMode* level)
{
    if (!converting_) {
        convertSavedMode_ = mode_;
        convertSavedLevel_ = level_;
        converting_ = true;
    }
    mode_ = level_ = level;
}

void TsMain::EndConvert(TsGameMode* level)
{
    if (!converting_ || level_ != level) {
        return;
    }
    mode_ = convertSavedMode_;
    level_ = convertSavedLevel_;
    convertSavedMode_ = convertSavedLevel_ = nullptr;
    converting_ = false;
}
