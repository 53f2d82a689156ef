// The level host of the game (TsLevelHost.h): builds, saves, loads and
// adopts TsLevels for the application, holds the local player who plays
// them, and answers TsAccess's questions about the level being played.
// Registered with TsMain::SetLevelHostFactory(&TsGameLevelHost::Make).
#pragma once

#include <memory>

#include "game/framework/TsLevelHost.h"

class OmArchive;
class TsMain;

class TsGameLevelHost final : public TsLevelHost {
public:
    explicit TsGameLevelHost(TsMain& app);
    ~TsGameLevelHost() override;
    TsGameLevelHost(const TsGameLevelHost&) = delete;
    TsGameLevelHost& operator=(const TsGameLevelHost&) = delete;

    static std::unique_ptr<TsLevelHost> Make(TsMain& app);
    // A saved game's archive loaded from path and its roots checked: true
    // with the roots (the player, then the level or none) for the caller to
    // take. A load that fails or is refused is logged (name is the save's)
    // and taken down whole.
    static bool LoadGameArchive(OmArchive& archive, const char* path, const char* name);

    bool StartSystems() override;
    void StopSystems() override;
    void DropPlayerAndTimers() override;

    TsPlayer* LocalPlayer() const override { return m_player.get(); }
    void DropPlayer() override;
    bool PlaysTutorial() const override;

    std::unique_ptr<TsGameMode> NewLevel() override;
    bool IsInScriptTick(const TsGameMode* level) const override;
    void LevelStarted() override;
    bool SaveGame() override;
    bool LoadSavedLevel(const std::string& saveName) override;
    bool WritePlayerTemp() override;
    bool BuildMission(TsGameMode& level, lua_State* L, const char* firstText, const char* function,
                      const char* secondText, int32_t saveNumber) override;

    TsLevel* Level() const override;
    TsLevelState* LevelState() const override;
    TsHUDe* HUDe() const override;
    TsRadar* Radar() const override;
    TsCutScene* CutScene() const override;
    TsConversation* Conversation() const override;
    TsWorld* World() const override;
    TsPathfinder* Pathfinder() const override;
    TsLevelCursor* LevelCursor() const override;
    TsEntityDB* EntityDB() const override;
    OmProfiler* LevelProfiler() const override;
    TsGameFrontEnd* GameFrontEnd() const override;
    TsLevelInfo* LevelInfo() const override;
    TsPCObject* CurrentCharacter() const override;
    TsDiaryData* Diary() const override;
    bool ToggleDebugSwitch(int index) override;

    void ShowTutorial(const char* caller, bool clear, int count) override;
    void AddTutorialFragment(const char* caller, int textId, int index) override;
    void SetTutorialExitScript(const char* caller, const char* text) override;

private:
    // Root 1 of a save: the saved level, or none in a transfer file (the
    // next level is then built around the loaded player).
    bool AdoptLoadedLevel(TsLevel* loaded, int32_t& pcType);
    void AddObjectivesToDiary();

    TsMain& m_app; // borrowed: the application that owns this host
    std::unique_ptr<TsPlayer> m_player;
};
