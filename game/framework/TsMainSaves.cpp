// Saved games and the levels tools build: the application's side. What a
// save holds and how a level is built from one is the level host's
// (TsLevelHost.h); the application shows the load screen around a load and
// holds the levels it is given.
#include <string>

#include "game/framework/TsEntity.h"
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
    return m_levelHost ? m_levelHost->SaveGame() : NoLevelHost("Saved games");
}

bool TsMain::LoadGame(const char* name)
{
    const std::string saveName = name ? name : "";
    if (m_renderer) {
        m_renderer->ShowImageFile(kLoadingImage);
    }
    if (saveName.find("Tutorial") == std::string::npos) {
        LoadLoadScreenImage(kIntroImage);
        g_loadScreen.held = 1;
        g_loadScreen.textY = m_screenHeight / 3 * 2;
    }
    // However far the load got, a failure lets go of the load screen with
    // the switch (TsMain::ModeStartFailed): the failure's message and the
    // title follow at once.
    return m_levelHost ? m_levelHost->LoadSavedLevel(saveName) : NoLevelHost("LoadGame");
}

bool TsMain::WritePlayerTemp()
{
    return m_levelHost ? m_levelHost->WritePlayerTemp() : NoLevelHost("NextLevel");
}

bool TsMain::StartMission(const char* firstText, const char* function, const char* secondText, int32_t saveNumber)
{
    if (!m_levelHost) {
        return NoLevelHost("StartMission");
    }
    if (!m_luaState) {
        LogError("StartMission: there is no script state");
        return false;
    }
    // The timers are program-wide: a mission saved while a level runs would
    // carry that level's timers (and the objects they name) into its save.
    if (GetLevel() && GetLevel() == m_mode) {
        LogError("StartMission: refused while a level is being played; leave it first");
        return false;
    }
    // The mission's level is the current one while the scripts fill it.
    TsGameMode* savedMode = m_mode;
    std::unique_ptr<TsGameMode> savedLevel = std::move(m_level);
    m_level = m_levelHost->NewLevel();
    m_mode = m_level.get();
    const bool started =
        m_levelHost->BuildMission(*m_level, m_luaState.get(), firstText, function, secondText, saveNumber);
    // The host deleted the mission's player first: the level's database
    // then finds only its own references on the party. The mode that runs
    // is back before the mission's level goes, so the level knows that it
    // is not the one played and leaves that mode's sounds alone.
    m_mode = savedMode;
    m_level = std::move(savedLevel);
    HandOverGround();
    return started;
}

void TsMain::AdoptLevel(std::unique_ptr<TsGameMode> level)
{
    m_level = std::move(level);
    m_mode = m_level.get();
}

void TsMain::ReplaceLevel(std::unique_ptr<TsGameMode> level)
{
    if (GetLevel() && GetLevel() == m_mode) {
        LogError("ReplaceLevel: the level being played is not replaced");
        return;
    }
    m_level = std::move(level);
}

void TsMain::BeginConvert(TsGameMode* level)
{
    if (!m_converted) {
        m_convertSavedMode = m_mode;
    }
    m_converted = level;
    m_mode = level;
    HandOverGround();
}

void TsMain::EndConvert(TsGameMode* level)
{
    if (!m_converted || m_converted != level) {
        return;
    }
    m_mode = m_convertSavedMode;
    EndConvertState();
    HandOverGround();
}

// The entities stand on the level's ground; a level that already holds its
// world (a tool's, or the one a mission's build set aside) takes the ground
// back when it becomes the level again, and with no level there is none.
void TsMain::HandOverGround()
{
    TsEntity::SetGroundProbe(nullptr);
    if (TsGameMode* level = GetLevel()) {
        level->GroundEntities();
    }
}

void TsMain::EndConvertState()
{
    m_converted = nullptr;
    m_convertSavedMode = nullptr;
}
