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

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    TsModeType GetModeType() const override { return TS_MODE_LEVEL; }

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
    TsCutScene* GetCutScene() const { return cutScene_; }
    TsConversation* GetIncidentalConversation() const { return conversation_; }
    void BeginConvert();
    void EndConvert();
    // The level's own debug views: the level cursor's picked point and the
    // triggers' volumes.
    void DebugLevel();
    bool GetLevelDebug() const { return levelDebug_ != 0; }

    // ---- what other parts of the game read and set ----
    TsEntityDB* GetEntityDB() const { return entityDB_; }
    TsWorld* GetWorld() const { return world_; }
    TsPathfinder* GetPathfinder() const { return pathfinder_.get(); }
    TsLevelCursor* GetLevelCursor() const { return levelCursor_.get(); }
    // The radar keeps its settings and closes the level's archive form, so
    // a game saved and loaded keeps what the scripts set.
    TsRadar* GetRadar() const { return radar_.get(); }
    TsGameFrontEnd* GetGameFrontEnd() const { return gameFrontEnd_; }
    TsTrade* GetTrade() const { return trade_; }
    TsHUDe* GetHUD() const { return hud_.get(); }
    void SetObjectivesText(const char* text) { objectivesText_ = text; }
    const char* GetObjectivesText() const { return objectivesText_.Get(); }
    bool GetObjectivesShown() const { return objectivesShown_ != 0; }
    bool GetVideoPlayed() const { return videoPlayed_ != 0; }
    void SetVideoPlayed() { videoPlayed_ = 1; }
    int32_t GetGameOverState() const { return gameOverState_; }
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
    void SetPlayerLockout(bool locked) override { playerLockout_ = locked ? 1 : 0; }
    bool GetPlayerLockout() const override { return playerLockout_ != 0; }
    // Conversation camera: conversations may move the camera to frame
    // their speakers. The level's script turns it on; it is saved with the
    // level.
    void SetConversationCamera(bool on) { conversationCamera_ = on ? 1 : 0; }
    bool GetConversationCamera() const override { return conversationCamera_ != 0; }
    // Keeps a diary: conversation lines go to the diary.
    uint8_t keepsDiary_ = 1;
    // Payload number: how far into the critters' payload table drops reach.
    int32_t payloadNumber_ = 0;
    // Re-equip: characters take their weapons up again after a cut scene.
    uint8_t reequip_ = 0;
    // Trigger display: triggers draw their volumes.
    uint8_t triggerDisplay_ = 0;
    bool KeepsDiary() const override { return keepsDiary_ != 0; }
    int32_t GetPayloadNumber() const override { return payloadNumber_; }
    bool Reequips() const override { return reequip_ != 0; }

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
    bool IsQuitAsked() const { return quitAsked_; }

    // Pitch of the camera's elevation steps 0 to 2 (30, 50 and 85 degrees).
    static float ElevationStep(int step);

    // Whether a script is inside this level's LuaTick (a delete then would
    // pull the level out from under the tick).
    bool IsInLuaTick() const { return inLuaTick_; }
    // Whether the application is playing this level (the current mode or
    // the level member): such a level must not be deleted by a script.
    bool IsInUse() const;

    // The level's section timer (sections TsLevelProfileSection), one
    // profiler frame a tick.
    TsProfilerDisplay& GetProfiler() { return profiler_; }

private:
    void CreateMembers();
    void TakeWorld(TsWorld* world);
    void ReleaseOwned();
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

    uint8_t videoPlayed_ = 0;
    uint8_t objectivesShown_ = 0;
    OmString objectivesText_;
    // The counted objects the level holds are let go of in ReleaseOwned,
    // in the order the game needs.
    OmRef<TsEntityDB> entityDB_;
    OmRef<TsWorld> world_;
    std::unique_ptr<TsPathfinder> pathfinder_;
    uint8_t cursorMode_ = 0;
    OmString secondText_;
    OmRef<TsCutScene> cutScene_;
    OmRef<TsConversation> conversation_;
    OmRef<TsTrade> trade_;
    std::unique_ptr<TsLevelCursor> levelCursor_;
    std::unique_ptr<TsLevelCursorQueries> cursorQueries_;
    std::unique_ptr<TsLevelAudioView> audioView_; // what the combat music watches
    std::unique_ptr<TsRadar> radar_;
    OmRef<TsGameFrontEnd> gameFrontEnd_;
    std::unique_ptr<TsHUDe> hud_;
    TsEntity* gameOverCharacter_ = nullptr;
    uint8_t conversationCamera_ = 0;
    int32_t gameOverState_ = kPlaying;
    // The zoom the player picked: near, middle and far keep the camera's
    // elevation clear of the world; free leaves the pitch alone.
    enum class CameraZoom : int32_t { kFree = -1, kNear = 0, kMiddle = 1, kFar = 2 };
    CameraZoom zoomMode_ = CameraZoom::kFree;
    float cameraValues_[3] = {10.0f, 20.0f, 25.0f};
    float narrowestFov_;
    float startFov_;
    float widestFov_;
    float playElevation_;
    float viewBlend_ = 1.0f;
    float viewBlendPrevious_ = 1.0f;
    bool freeCamera_ = true; // off while the transparent camera is on; the player toggles it
    uint8_t debugSwitches_[kDebugSwitchCount] = {};
    uint8_t levelDebug_ = 0;
    TsProfilerDisplay profiler_;
    bool profilerFrameOpen_ = false;
    uint32_t renderedFrames_ = 0; // the AI-map view waits for the 25th
    uint8_t playerLockout_ = 0;
    TsElevationControl elevation_;
    bool gameOverRequested_ = false;
    bool quitAsked_ = false;
    bool inLuaTick_ = false;
    // While the warm-up draws its frames: they draw the effects as they
    // stand but move nothing on, so play's first frame spawns what it would
    // have spawned without them.
    bool warmingUp_ = false;
    // While the warm-up draws its frame of a fight's looks.
    bool rehearsingFight_ = false;
    uint32_t projectilesRead_ = 0;
};
