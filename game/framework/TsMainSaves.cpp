// Saved games and the levels tools build: the application's side. What a
// save holds and how a level is built from one is the level host's
// (TsLevelHost.h); the application shows the load screen around a load and
// holds the levels it is given.
#include <string>

#include "game/framework/TsLevelHost.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "render/OmD3D.h"

namespace {

constexpr const char* kLoadingImage = ".\\data\\frontend\\front1.tga";
constexpr const char* kIntroImage = "Intro Screen.tga";

// A program built without the level can neither save nor load one.
bool NoLevelHost(const char* what)
{
    LogErrorF("%s: this program has no level to save, load or build", what);
    return false;
}

} // namespace

bool TsMain::SaveGame()
{
    return levelHost_ ? levelHost_->SaveGame() : NoLevelHost("Saved games");
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
    return levelHost_ ? levelHost_->LoadSavedLevel(saveName) : NoLevelHost("LoadGame");
}

bool TsMain::WritePlayerTemp()
{
    return levelHost_ ? levelHost_->WritePlayerTemp() : NoLevelHost("NextLevel");
}

bool TsMain::StartMission(const char* firstText, const char* function, const char* secondText, int32_t saveNumber)
{
    if (!levelHost_) {
        return NoLevelHost("StartMission");
    }
    if (!luaState_) {
        LogError("StartMission: there is no script state");
        return false;
    }
    // The timers are program-wide: a mission saved while a level runs would
    // carry that level's timers (and the objects they name) into its save.
    if (GetLevel() && GetLevel() == mode_) {
        LogError("StartMission: refused while a level is being played; leave it first");
        return false;
    }
    // The mission's level is the current one while the scripts fill it.
    TsGameMode* savedMode = mode_;
    std::unique_ptr<TsGameMode> savedLevel = std::move(level_);
    level_ = levelHost_->NewLevel();
    mode_ = level_.get();
    const bool started =
        levelHost_->BuildMission(*level_, luaState_.get(), firstText, function, secondText, saveNumber);
    // The host deleted the mission's player first: the level's database
    // then finds only its own references on the party.
    level_ = std::move(savedLevel);
    mode_ = savedMode;
    return started;
}

void TsMain::AdoptLevel(std::unique_ptr<TsGameMode> level)
{
    level_ = std::move(level);
    mode_ = level_.get();
}

void TsMain::ReplaceLevel(std::unique_ptr<TsGameMode> level)
{
    if (GetLevel() && GetLevel() == mode_) {
        LogError("ReplaceLevel: the level being played is not replaced");
        return;
    }
    level_ = std::move(level);
}

void TsMain::BeginConvert(TsGameMode* level)
{
    if (!converted_) {
        convertSavedMode_ = mode_;
    }
    converted_ = level;
    mode_ = level;
}

void TsMain::EndConvert(TsGameMode* level)
{
    if (!converted_ || converted_ != level) {
        return;
    }
    mode_ = convertSavedMode_;
    EndConvertState();
}

void TsMain::EndConvertState()
{
    converted_ = nullptr;
    convertSavedMode_ = nullptr;
}
