// The game mode in which the game is played. It owns what lives only while
// a level is loaded: the entity database, the world, the pathfinder, the
// cut-scene director, the conversation, the trade screen, the level cursor,
// the radar, the in-game menu and the HUD. Import loads the world and runs
// the entity script, Initialise brings every system up, Tick drives one
// game tick in a fixed order, Render draws a frame. The mission record
// (TsLevelInfo) lives in the local player.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "game/framework/TsGameMode.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsProfilerDisplay.h"
#include "game/level/TsLevelCamera.h"

class OmD3D;
class OmRenderer;
class TsConversation;
class TsCutScene;
class TsEntity;
class TsEntityDB;
class TsGameFrontEnd;
class TsHUDe;
class TsLevelCursor;
class TsLevelAudioView;
class TsLevelCursorQueries;
class TsPathfinder;
class TsRadar;
class TsTimerTable;
class TsTrade;
class TsWorld;

class TsLevel : public TsGameMode, public TsLevelState {
    OM_DECLARE_CLASS(TsLevel)

    enum GameOverState : int32_t { kPlaying = 0, kGameOverScene = 1, kGameOverQuestion = 2 };
    static constexpr int kDebugSwitchCount = 8;

    // The mode factory the application uses for mode 3.
    static TsGameMode* Make();

    TsLevel();
    explicit TsLevel(OmArchive& archive);
    ~TsLevel() override;
    // Besides its cell, what the loading constructor makes (the pathfinder's
    // grid, the HUD, radar, cursor and cut scene …) takes of the heap: an
    // archive charges that much for every level a file names.
    static constexpr uint64_t kLoadingHeapBytes = 192 * 1024;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // A loaded level keeps the timers it read until it is the level played:
    // its host makes them the program's as it adopts the level, so a load
    // that fails or is refused leaves the running timers as they were.
    void InstallReadTimers();

    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    TsModeType GetModeType() const override { return TS_MODE_LEVEL; }
    // Its world becomes the entities' ground.
    void GroundEntities() override;

    // ---- script operations ----
    bool ImportWorld(const char* path, const char* dynObjFolder, float cellEdge, bool vertexColours, float cloudA,
                     float cloudB, bool importFlag);
    bool LoadWorld(const char* file);
    bool SaveWorld(const char* file);
    bool MakeDetectionMap(const char* model, const char* image);
    bool MakeHeightMap(const char*) { return true; }
    bool GameIsInNormalState() const;
    void ActivateIngameFrontEnd(bool on);
    void Pause(bool paused) override;
    TsCutScene* GetCutScene() const { return m_cutScene; }
    TsConversation* GetIncidentalConversation() const { return m_conversation; }
    void BeginConvert();
    void EndConvert();
    // The level's own debug views: the level cursor's picked point and the
    // triggers' volumes.
    void DebugLevel();
    bool GetLevelDebug() const { return m_levelDebug != 0; }

    // ---- what other parts of the game read and set ----
    TsEntityDB* GetEntityDB() const { return m_entityDB; }
    TsWorld* GetWorld() const { return m_world; }
    TsPathfinder* GetPathfinder() const { return m_pathfinder.get(); }
    TsLevelCursor* GetLevelCursor() const { return m_levelCursor.get(); }
    // The radar keeps its settings and closes the level's archive form, so
    // a game saved and loaded keeps what the scripts set.
    TsRadar* GetRadar() const { return m_radar.get(); }
    TsGameFrontEnd* GetGameFrontEnd() const { return m_gameFrontEnd; }
    TsTrade* GetTrade() const { return m_trade; }
    TsHUDe* GetHUD() const { return m_hud.get(); }
    void SetObjectivesText(const char* text) { m_objectivesText = text; }
    const char* GetObjectivesText() const { return m_objectivesText.Get(); }
    bool GetObjectivesShown() const { return m_objectivesShown != 0; }
    bool GetVideoPlayed() const { return m_videoPlayed != 0; }
    void SetVideoPlayed() { m_videoPlayed = 1; }
    int32_t GetGameOverState() const { return m_gameOverState; }
    // Debug switches in the level's order (kDebugGrid...): the shell's
    // Debug... functions flip them.
    enum DebugSwitch : int {
        kDebugGrid,
        kDebugBehaviours,
        kDebugPaths,
        kDebugRadius,
        kDebugPlayerOnly,
        kDebugCollectibles,
        kDebugProfile,
        kDebugText
    };
    bool GetDebugSwitch(int index) const;
    void ToggleDebugSwitch(int index);

    // Flags the other parts of the game read from the level. Only the
    // conversation camera is saved.
    // Player lockout: world commands are ignored (the HUD's inventory
    // animation sets it).
    void SetPlayerLockout(bool locked) override { m_playerLockout = locked ? 1 : 0; }
    bool GetPlayerLockout() const override { return m_playerLockout != 0; }
    // Conversation camera: conversations may move the camera to frame
    // their speakers. The level's script turns it on; it is saved with the
    // level.
    void SetConversationCamera(bool on) { m_conversationCamera = on ? 1 : 0; }
    bool GetConversationCamera() const override { return m_conversationCamera != 0; }
    // Keeps a diary: conversation lines go to the diary.
    uint8_t m_keepsDiary = 1;
    // Payload number: how far into the critters' payload table drops reach.
    int32_t m_payloadNumber = 0;
    // Re-equip: characters take their weapons up again after a cut scene.
    uint8_t m_reequip = 0;
    // Trigger display: triggers draw their volumes.
    uint8_t m_triggerDisplay = 0;
    bool KeepsDiary() const override { return m_keepsDiary != 0; }
    int32_t GetPayloadNumber() const override { return m_payloadNumber; }
    bool Reequips() const override { return m_reequip != 0; }

    // What a cut scene and the objects ask of the party and the screens
    // (TsLevelScreens.cpp).
    void ClearScreenForScene() override;
    void HoldSquad() override;
    void ConversationStarted() override;
    void ConversationEnded() override;
    void CollisionMapChanged(int32_t tileX, int32_t tileZ, int32_t width, int32_t height) override;
    bool ScreenTookClick() const override;
    void AcknowledgeOrder() override;
    void ShowMessage(int32_t textId) override;
    void AskToQuit() override;
    void OpenDiary() override;
    // The player's quit question is waiting for its answer.
    bool IsQuitAsked() const { return m_quitAsked; }

    // Pitch of the camera's elevation steps 0 to 2 (30, 50 and 85 degrees).
    static float ElevationStep(int step);

    // Whether a script is inside this level's LuaTick (a delete then would
    // pull the level out from under the tick).
    bool IsInLuaTick() const { return m_inLuaTick; }
    // Whether the application is playing this level (the current mode or
    // the level member): such a level must not be deleted by a script.
    bool IsInUse() const;

    // The level's section timer (sections TsLevelProfileSection), one
    // profiler frame a tick.
    TsProfilerDisplay& GetProfiler() { return m_profiler; }

private:
    void CreateMembers();
    void TakeWorld(TsWorld* world);
    void ReleaseOwned();
    // The timers the level saves: those it read until they are installed,
    // else the program's.
    TsTimerTable& Timers();
    // The steps of a tick, in their order.
    bool RunInGameMenu();
    void SetUpPlayCamera();
    void CameraInput();
    void TickHUD();
    void UpdateCursor();
    void GameOverStep();
    void FinishExitDialogue();
    void ZoomActions();
    void UpdateActivation();
    void RunLuaTick();
    void TickPlayer(uint32_t tickCount);
    void QuitStep();
    void MoveListener();
    void ShowObjectives();
    void AskGameOverQuestion();
    // Fewer of the player's squad live than are in play.
    bool SquadHasFallen() const;
    void StartGameOver();
    void CameraElevation();
    bool CutSceneRuns() const;
    void TickSteps(uint32_t tickCount);
    // The developer's views, switched from the shell (TsLevelDebug.cpp).
    void QueueDebugTexts();
    void QueueCharacterText(OmRenderer& renderer, const TsEntity& character) const;
    void QueuePickedPoint(OmRenderer& renderer) const;
    void QueueCharacterDebug(OmRenderer& renderer) const;
    void RenderDebugViews(OmRenderer& renderer);
    void DrawCharacterDebug(OmRenderer& renderer) const;
    void DrawCollectibles(OmRenderer& renderer) const;
    bool ShowsDebugFor(const TsEntity& character) const;
    void FadeAroundFocus(float fraction);
    bool DrawFrame(float renderTime, float fraction);
    void DrawScene(OmD3D& renderer, float renderTime, float fraction);
    void DrawInterface(OmD3D& renderer, float renderTime, float fraction);
    // The level's warm-up (TsLevelWarmUp.cpp).
    void WarmUpFightDrawing();
    void RehearseCharacterLooks(float renderTime);
    void RehearseDestinationMarker();

    uint8_t m_videoPlayed = 0;
    uint8_t m_objectivesShown = 0;
    OmString m_objectivesText;
    // The counted objects the level holds are let go of in ReleaseOwned,
    // in the order the game needs.
    OmRef<TsEntityDB> m_entityDB;
    OmRef<TsWorld> m_world;
    std::unique_ptr<TsPathfinder> m_pathfinder;
    uint8_t m_cursorMode = 0;
    OmString m_secondText;
    OmRef<TsCutScene> m_cutScene;
    OmRef<TsConversation> m_conversation;
    OmRef<TsTrade> m_trade;
    std::unique_ptr<TsLevelCursor> m_levelCursor;
    std::unique_ptr<TsLevelCursorQueries> m_cursorQueries;
    std::unique_ptr<TsLevelAudioView> m_audioView; // what the combat music watches
    std::unique_ptr<TsRadar> m_radar;
    OmRef<TsGameFrontEnd> m_gameFrontEnd;
    std::unique_ptr<TsHUDe> m_hud;
    TsEntity* m_gameOverCharacter = nullptr;
    uint8_t m_conversationCamera = 0;
    int32_t m_gameOverState = kPlaying;
    // The zoom the player picked: near, middle and far keep the camera's
    // elevation clear of the world; free leaves the pitch alone.
    enum class CameraZoom : int32_t { kFree = -1, kNear = 0, kMiddle = 1, kFar = 2 };
    CameraZoom m_zoomMode = CameraZoom::kFree;
    float m_cameraValues[3] = {10.0f, 20.0f, 25.0f};
    float m_narrowestFov;
    float m_startFov;
    float m_widestFov;
    float m_playElevation;
    float m_viewBlend = 1.0f;
    float m_viewBlendPrevious = 1.0f;
    bool m_freeCamera = true; // off while the transparent camera is on; the player toggles it
    uint8_t m_debugSwitches[kDebugSwitchCount] = {};
    uint8_t m_levelDebug = 0;
    TsProfilerDisplay m_profiler;
    bool m_profilerFrameOpen = false;
    uint32_t m_renderedFrames = 0; // the AI-map view waits for the 25th
    uint8_t m_playerLockout = 0;
    TsElevationControl m_elevation;
    bool m_gameOverRequested = false;
    bool m_quitAsked = false;
    bool m_inLuaTick = false;
    // While the warm-up draws its frames: they draw the effects as they
    // stand but move nothing on, so play's first frame spawns what it would
    // have spawned without them.
    bool m_warmingUp = false;
    // While the warm-up draws its frame of a fight's looks.
    bool m_rehearsingFight = false;
    uint32_t m_projectilesRead = 0;
    std::unique_ptr<TsTimerTable> m_readTimers; // null once installed, and for a level never read
};
