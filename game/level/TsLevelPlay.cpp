// The level at play: Import and Initialise bring it up, Tick runs one game
// tick in the fixed order the game's systems rely on, Render draws a frame.
#include <algorithm>
#include <cstdlib>

#include "engine/OmGroup.h"
#include "engine/OmMath.h"
#include "engine/OmParticleSystem.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsScriptHost.h"
#include "game/level/TsLevel.h"
#include "game/level/TsLevelAudioView.h"
#include "game/level/TsLevelCursorQueries.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsSwitchObject.h"
#include "game/objects/TsTimerTable.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "game/world/TsWorldDrawing.h"
#include "game/world/TsWorldHit.h"
#include "render/OmD3D.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"
#include "ui/TsInGameWindows.h"
#include "ui/TsRadar.h"
#include "ui/TsTrade.h"

namespace {

constexpr float kActivationRange = 40.0f;
constexpr float kZoomRate = 0.3f;
constexpr float kFadeRadius = 5.0f;

const char* TextOf(const OmString& text)
{
    return text.Get() ? text.Get() : "";
}

void RunScriptFile(const OmString& file)
{
    lua_State* L = TsAccess::LuaState();
    if (L && !file.IsEmpty()) {
        TsScriptHost::ShellDoFile(L, file.Get());
    }
}

TsPlayer* Player()
{
    const TsMain* app = TsMain::Instance();
    return app ? app->GetLocalPlayer() : nullptr;
}

TsEntity* CurrentCharacter()
{
    const TsPlayer* player = Player();
    return player ? player->GetCurrentCharacter() : nullptr;
}

} // namespace

// ---- bringing the level up ------------------------------------------------

bool TsLevel::Import()
{
    TsLevelInfo* info = TsAccess::LevelInfo();
    if (!info) {
        LogError("TsLevel: there is no local player, so no level information to import");
        return false;
    }
    if (!LoadWorld(info->worldFilename.Get())) {
        LogErrorF("Error loading environment .tsw file: %s", TextOf(info->worldFilename));
        return false;
    }
    RunScriptFile(info->luaEntityFilename);
    if (!m_entityDB->Import()) {
        LogError("Error importing entities");
        return false;
    }
    TsSwitchObject::CalculateHotspots();
    if (!TsProjectile::ImportAll()) {
        LogError("Error importing projectiles");
        return false;
    }
    return true;
}

bool TsLevel::Initialise()
{
    TsLevelInfo* info = TsAccess::LevelInfo();
    if (!info) {
        LogError("TsLevel: there is no local player, so no level information to initialise");
        return false;
    }
    if (TsInput* input = TsAccess::Input()) {
        input->ClearState();
    }
    if (!LoadWorld(info->worldFilename.Get())) {
        LogErrorF("Error loading environment .tsw file: %s", TextOf(info->worldFilename));
        return false;
    }
    if (!m_entityDB->Initialise()) {
        LogError("Error initialising entities");
        return false;
    }
    if (!TsProjectile::InitialiseAll()) {
        LogError("Error initialising projectiles");
        return false;
    }
    m_pathfinder->SetCharacters(&m_entityDB->GetActiveCharacters());
    TsDoorObject::ApplyClosedOverlays();
    RunScriptFile(info->luaMissionFilename);
    SetUpPlayCamera();
    LogInfoF("Initialising %s radar", "static");
    m_radar->CreateRadar(TsRadar::kWorldMapMode);
    TsMain::PumpMessages();
    std::srand(0);
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->ReloadInGameSounds(info->musicName.Get());
    }
    if (!m_hud->LoadSprites()) {
        LogError("Error initialising HUD");
        return false;
    }
    if (!TsGameMode::Initialise()) {
        LogError("Error initialising base TsGameMode");
        return false;
    }
    m_trade->Initialise();
    if (!m_gameFrontEnd->Initialise()) {
        LogError("Error initialising the in-game menu");
        return false;
    }
    TsAnimationDB* animations = TsAccess::AnimDB();
    if (animations && !animations->LoadAnimations()) {
        LogError("Error loading animations");
        return false;
    }
    if (m_world) {
        m_world->WarmUpEffects(TsAccess::GameTime());
    }
    // A fallen character's fade waits on a timer: room for every
    // character's at once and a grow step more.
    TsTimerTable::Instance().Reserve(m_entityDB->GetCharacters().GetCount() + TsTimerTable::kEntryGrowStep);
    // Squads the level's scripts made or brought (the party's) came after
    // the entities were initialised.
    for (const OmList::Node* node = m_entityDB->GetSquads().GetFirst(); node; node = node->next) {
        if (auto* squad = TsSquadObject::Cast(OmList::ValueAt<TsObject>(node))) {
            squad->ReserveThreats();
        }
    }
    WarmUpFightDrawing();
    // Play starts with no ambient light (each model brings its own); set
    // last, as the base's default states and the frames above leave another.
    if (OmD3D* renderer = OmD3D::Instance()) {
        renderer->SetAmbientColour(0.0f, 0.0f, 0.0f);
    }
    return true;
}

// The camera orbits the current character (the origin without one) at
// the play distance and elevation.
void TsLevel::SetUpPlayCamera()
{
    const TsEntity* character = CurrentCharacter();
    OmVector3 focus;
    if (character) {
        focus = character->GetPosition();
        focus.y += character->GetHeight();
    }
    m_camera->SetMode(TS_CAMERA_ORBIT);
    m_camera->Distance().SetNext(m_cameraValues[1]);
    m_camera->Pitch().SetNext(m_playElevation);
    m_camera->SetFieldOfView(m_startFov);
    m_camera->Focus().SetNext(focus);
    m_camera->Snap();
    if (TsAccess::Options()->IsTransparentCam()) {
        m_freeCamera = false;
        m_zoomMode = CameraZoom::kNear;
    } else {
        m_freeCamera = true;
    }
}

// ---- one tick -------------------------------------------------------------

// A profiler frame runs from one tick to the next, so the frames drawn
// between them (particles, say) count with the tick before them.
void TsLevel::Tick(uint32_t tickCount)
{
    if (m_profilerFrameOpen) {
        m_profiler.EndFrame();
    }
    m_profiler.BeginFrame();
    m_profilerFrameOpen = true;
    TickSteps(tickCount);
}

void TsLevel::TickSteps(uint32_t tickCount)
{
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->Update();
    }
    if (RunInGameMenu()) {
        return;
    }
    GameOverStep();
    if (IsPaused()) {
        return;
    }
    if (!CutSceneRuns()) {
        CameraInput();
    }
    m_camera->Tick(tickCount);
    TickHUD();
    ZoomActions();
    UpdateActivation();
    TsTimerTable::Instance().Tick();
    m_cutScene->Tick(tickCount);
    if (m_conversation) {
        m_conversation->Tick(tickCount);
    }
    RunLuaTick();
    {
        const TsProfileScope scope(&m_profiler, TS_PROFILE_ACTIVE_LIST_TICK);
        m_entityDB->Tick(tickCount);
    }
    TsProjectile::TickAll(tickCount);
    if (!m_cursorMode && !CutSceneRuns()) {
        if (!m_hud->TookInput()) {
            UpdateCursor();
        }
        TickPlayer(tickCount);
    } else {
        m_levelCursor->ClearTurn();
    }
    MoveListener();
    m_radar->Update(TsRadar::kUpdateAll);
    m_viewBlendPrevious = m_viewBlend;
    m_viewBlend = m_freeCamera || CutSceneRuns() ? 1.0f : 0.0f;
    if (!CutSceneRuns()) {
        CameraElevation();
    }
    ShowObjectives();
    if (m_gameOverRequested) {
        m_gameOverRequested = false;
        StartGameOver();
    }
    if (tickCount == 0) {
        m_camera->Snap();
    }
}

bool TsLevel::CutSceneRuns() const
{
    return m_cutScene->IsCutSceneActive();
}

// The camera looks at the current character; the turn and zoom keys steer
// it unless the cursor or a pause holds the controls.
void TsLevel::CameraInput()
{
    if (const TsEntity* character = CurrentCharacter()) {
        OmVector3 focus = character->GetPosition();
        focus.y += 0.5f * character->GetHeight();
        m_camera->Focus().SetNext(focus);
    }
    const TsInput* input = TsAccess::Input();
    if (m_cursorMode || IsPaused() || !input) {
        return;
    }
    const float dt = TsAccess::TickDuration();
    float heading = m_camera->Heading().next + dt * m_levelCursor->GetTurn();
    if (input->IsActionDown(TS_ACTION_CAMERA_LEFT)) {
        heading -= OM_PI * dt;
    }
    if (input->IsActionDown(TS_ACTION_CAMERA_RIGHT)) {
        heading += OM_PI * dt;
    }
    m_camera->Heading().SetNext(heading);
    float fov = m_camera->GetFieldOfView();
    if (input->IsActionDown(TS_ACTION_ZOOM_IN)) {
        fov = std::clamp(fov - kZoomRate * dt, m_narrowestFov, m_widestFov);
    }
    if (input->IsActionDown(TS_ACTION_ZOOM_OUT)) {
        fov = std::clamp(fov + kZoomRate * dt, m_narrowestFov, m_widestFov);
    }
    if (fov != m_camera->GetFieldOfView()) {
        m_camera->SetFieldOfView(fov);
    }
}

// The in-game menu runs the tick while it has windows open: the level
// waits under it, paused. A member who fell as a window opened closes the
// menu, so the fall is played out rather than waiting behind a page. Once
// the last window has closed, a game over under way resumes unless a mode
// switch is already asked for; an answered exit question is seen to.
bool TsLevel::RunInGameMenu()
{
    if (!m_gameFrontEnd->HasOpenWindows()) {
        return false;
    }
    if (m_gameOverState < kGameOverQuestion && SquadHasFallen()) {
        m_gameFrontEnd->SetActive(false, true);
        Pause(false);
    }
    m_gameFrontEnd->Tick(static_cast<uint32_t>(TsAccess::TickCount()));
    if (m_gameFrontEnd->HasOpenWindows()) {
        return true;
    }
    const TsMain* app = TsMain::Instance();
    if (m_gameOverState != kPlaying && (!app || app->GetModeRequest() == TS_MODE_NO_REQUEST)) {
        // The question's answer is taken at once, before the level's own
        // tick could start the game over afresh.
        Pause(false);
        GameOverStep();
    } else if (m_hud->IsDialogueOpen()) {
        GameOverStep();
    }
    return true;
}

bool TsLevel::SquadHasFallen() const
{
    const TsPlayer* player = Player();
    const TsSquadObject* squad = player ? player->GetSquad() : nullptr;
    return squad && squad->AliveMemberCount() < player->GetTeamCount();
}

void TsLevel::ZoomActions()
{
    const TsInput* input = TsAccess::Input();
    if (!input) {
        return;
    }
    if (input->IsActionPressed(TS_ACTION_NEAR_VIEW)) {
        m_zoomMode = CameraZoom::kNear;
    } else if (input->IsActionPressed(TS_ACTION_MIDDLE_VIEW)) {
        m_zoomMode = CameraZoom::kMiddle;
    } else if (input->IsActionPressed(TS_ACTION_FAR_VIEW)) {
        m_zoomMode = CameraZoom::kFar;
    } else if (input->IsActionPressed(TS_ACTION_OVERHEAD_VIEW)) {
        if (m_freeCamera) {
            m_zoomMode = CameraZoom::kFree;
        }
    } else if (input->IsActionPressed(TS_ACTION_FREE_VIEW)) {
        if (m_freeCamera) {
            m_freeCamera = false;
            m_zoomMode = CameraZoom::kNear;
        } else {
            m_freeCamera = true;
        }
    }
}

// Entities near the camera's focus are active.
void TsLevel::UpdateActivation()
{
    const OmVector3& focus = m_camera->Focus().next;
    float range = kActivationRange;
    if (m_world && m_world->GetAITileSize() > 0.0f) {
        range = std::min(105.0f * m_world->GetAITileSize(), kActivationRange);
    }
    m_entityDB->SetActivationCentre(focus.x, focus.z, range);
    m_entityDB->UpdateActivation();
    m_pathfinder->CentreOn(focus.x, focus.z);
}

void TsLevel::RunLuaTick()
{
    lua_State* L = TsAccess::LuaState();
    if (!L) {
        return;
    }
    m_inLuaTick = true;
    m_profiler.StartSection(TS_PROFILE_LUA_TICK);
    const int result = TsScriptHost::CallIntFunction(L, "LuaTick");
    m_profiler.StopSection(TS_PROFILE_LUA_TICK);
    m_inLuaTick = false;
    if (result != 0) {
        m_gameOverRequested = true;
    }
}

// The HUD takes the mouse first; what it takes no world command sees. While
// it has the pointer, the pointer rests on nothing in the world: the cursor
// is not moved on then, and the entity it found before would still read as
// under the pointer (a click inside the open inventory taken for one on the
// trader who stood there as the panel opened).
void TsLevel::TickHUD()
{
    m_hud->SetTookInput(false);
    const TsInput* input = TsAccess::Input();
    if (m_cursorMode || !input) {
        return;
    }
    {
        const TsProfileScope scope(&m_profiler, TS_PROFILE_UI_PROCESS);
        m_hud->SetTookInput(m_hud->Tick(input->GetCursorX(), input->GetCursorY()));
    }
    if (m_hud->TookInput()) {
        m_levelCursor->SetState(TS_CURSOR_REACHABLE);
        m_levelCursor->ClearHovered();
    }
}

void TsLevel::UpdateCursor()
{
    const TsInput* input = TsAccess::Input();
    if (!input) {
        return;
    }
    m_levelCursor->Update(input->GetCursorX(), input->GetCursorY(), TsAccess::ScreenWidth(),
                         TsAccess::ScreenHeight(), m_camera->GetSceneCamera(), m_cursorQueries.get(), m_entityDB);
    m_levelCursor->UpdateState(!m_playerLockout, m_cursorQueries.get());
}

void TsLevel::TickPlayer(uint32_t tickCount)
{
    if (m_cursorMode) {
        return;
    }
    TsPlayer* player = Player();
    if (player && !m_gameOverRequested) {
        QuitStep();
        player->Tick(tickCount);
    }
}

// The listener stands 7 units behind the current character along the
// camera's horizontal view, facing the same way; with no character it stays.
void TsLevel::MoveListener()
{
    const TsEntity* character = CurrentCharacter();
    TsAudio* audio = TsAccess::Audio();
    if (!character || !audio) {
        return;
    }
    OmVector3 view = TsCamera::Orientation(m_camera->Heading().next, 0.0f, 0.0f).GetColumn(2);
    view.y = 0.0f;
    OmVector3 position = character->GetPosition();
    position.y += character->GetHeight();
    position.x -= 7.0f * view.x;
    position.z -= 7.0f * view.z;
    audio->Tick(position, view, OmVector3(0.0f, 1.0f, 0.0f), m_audioView.get());
}

// The lowest elevation step from which the focus can be seen through the
// world; the pitch eases toward it.
void TsLevel::CameraElevation()
{
    if (m_zoomMode == CameraZoom::kFree) {
        m_elevation.Choose(-1);
        return;
    }
    const OmVector3 focus = m_camera->Focus().next;
    const float heading = m_camera->Heading().next;
    const float distance = m_camera->Distance().next;
    auto isClear = [&](float elevation) {
        if (!m_world) {
            return true;
        }
        const OmVector3 back = TsCamera::Orientation(heading, elevation, 0.0f).GetColumn(2);
        const OmVector3 eye(focus.x - distance * back.x, focus.y - distance * back.y, focus.z - distance * back.z);
        TsWorldHit hit;
        return !m_world->CastSegmentStatic(focus, eye, hit, false);
    };
    const float steps[TsElevationControl::kStepCount] = {ElevationStep(0), ElevationStep(1), ElevationStep(2)};
    const int step = m_elevation.Choose(TsElevationControl::UsableStep(isClear, steps));
    const float pitch = m_camera->Pitch().next;
    m_camera->Pitch().SetNext(TsElevationControl::MovePitch(pitch, ElevationStep(step), TsAccess::TickDuration()));
}

// The objective window over the paused level, with the mission's hint
// when it has one.
void TsLevel::ShowObjectives()
{
    if (m_objectivesText.IsEmpty()) {
        return;
    }
    const TsLevelInfo* info = TsAccess::LevelInfo();
    const char* objective = info ? GameText(info->missionObjectiveID) : m_objectivesText.Get();
    const char* hint = info && info->missionHintID != 0 ? GameText(info->missionHintID) : nullptr;
    m_gameFrontEnd->SetActive(true, false);
    if (TsGuiWindow* window = m_gameFrontEnd->GetObjectiveScreen()) {
        // The page is opened once; later showings only change its texts.
        if (auto* page = dynamic_cast<TsObjectiveWindow*>(window); page && page->IsOpen()) {
            page->SetText(objective, hint);
        }
        m_gameFrontEnd->PushWindowAt(window, reinterpret_cast<TsGuiArg>(objective), reinterpret_cast<TsGuiArg>(hint),
                                    TsFrontEndBase::kScreen);
    }
    m_objectivesShown = 1;
    m_objectivesText = "";
}

// Game over needs a dead squad member for the camera to look at: a
// script that asks for it while nobody has died is told so, and play goes on.
void TsLevel::StartGameOver()
{
    TsPlayer* player = Player();
    TsEntity* dead = nullptr;
    for (int32_t i = 0; player && i < TsPlayer::kMaxSquadMembers && !dead; ++i) {
        TsEntity* member = player->GetSquadMember(i);
        if (member && member->HasFlag(TS_ENTITY_DEAD)) {
            dead = member;
        }
    }
    if (!dead) {
        static bool reported = false;
        LogErrorOnce(reported,
                     "TsLevel: LuaTick asked for the game-over scene, but no squad member has died; play goes on");
        return;
    }
    m_gameOverState = kGameOverScene;
    m_gameOverCharacter = dead;
    const OmVector3& at = dead->GetPosition();
    m_cutScene->SetFollowTarget(nullptr);
    m_cutScene->LockActive(false);
    m_cutScene->MoveCamera(at.x, at.y, at.z, 0.0f, 1);
    m_cutScene->RotateCamera(1.0f, 5.0f, 1);
    m_cutScene->ZoomCamera(6.0f, 5.0f, 1);
    m_cutScene->FadeCamera(4, 5.0f, true);
    Pause(true);
}

// Play again from the last save, or back to the title.
void TsLevel::AskGameOverQuestion()
{
    static const int32_t kQuestion = 30744, kRetry = 30745, kGiveUp = 30746;
    const TsGuiMessageButton buttons[2] = {{GameText(kRetry), 0}, {GameText(kGiveUp), 1}};
    m_gameFrontEnd->SetActive(true, false);
    ShowQuestion(GameText(kQuestion), 2, buttons, m_gameFrontEnd);
}

// The scene runs while the level is paused; then the question is asked over
// it, and its answer read once the box has closed.
void TsLevel::GameOverStep()
{
    if (m_gameOverState == kGameOverScene) {
        const uint32_t tick = static_cast<uint32_t>(TsAccess::TickCount());
        if (m_gameOverCharacter) {
            m_gameOverCharacter->Tick(tick);
        }
        m_cutScene->Tick(tick);
        // The level is paused, so its own camera tick does not run: the
        // scene's move, turn and zoom are taken on here, or each frame would
        // swing between the old view and the one the scene asks for.
        m_camera->Tick(tick);
        if (!m_cutScene->IsCutSceneActive()) {
            m_gameOverState = kGameOverQuestion;
            AskGameOverQuestion();
            Pause(true);
        }
        return;
    }
    if (m_gameOverState == kGameOverQuestion && !m_gameFrontEnd->HasOpenWindows()) {
        const int32_t answer = m_gameFrontEnd->GetMessageResult();
        if (answer == 0) {
            if (TsPlayer* player = Player()) {
                player->ChangeLevel();
            }
        } else if (answer == 1) {
            if (TsMain* app = TsMain::Instance()) {
                app->RequestMode(TS_MODE_FRONT_END);
            }
        }
        m_gameOverState = kPlaying;
    }
    if (m_gameOverState == kPlaying && m_hud->IsDialogueOpen() && !m_gameFrontEnd->HasOpenWindows()) {
        FinishExitDialogue();
    }
}

// The exit question of a dialogue script was answered: the script named
// with it runs first, then leaving goes to the front end and staying
// resumes the level the question paused.
void TsLevel::FinishExitDialogue()
{
    const int32_t answer = m_gameFrontEnd->GetMessageResult();
    if (const char* script = m_hud->GetExitScript(); script && *script) {
        TsScriptHost::CallFunction(TsAccess::LuaState(), script);
    }
    if (answer == 2 || answer == 0) {
        if (TsMain* app = TsMain::Instance()) {
            app->RequestMode(TS_MODE_FRONT_END);
        }
        Pause(true);
    } else {
        Pause(false);
    }
    TsAccess::SetExitMovie(nullptr);
    m_hud->SetDialogueOpen(false);
}

// ---- one frame ------------------------------------------------------------

// Walls between the camera and the focus fade while the view blend is
// below 1 (normal play); the focus is the character, or the camera's in a
// cut scene.
void TsLevel::FadeAroundFocus(float fraction)
{
    if (!m_world) {
        return;
    }
    const TsEntity* character = CurrentCharacter();
    OmVector3 focus = m_camera->Focus().next;
    if (!CutSceneRuns() && character) {
        focus = character->GetPosition();
    }
    const float blend = m_viewBlendPrevious + (m_viewBlend - m_viewBlendPrevious) * fraction;
    TsWorldDrawing::Of(*m_world).Cells().SetCameraFade(blend, focus, kFadeRadius);
}

void TsLevel::Render(float renderTime, float fraction)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        return;
    }
    if (DrawFrame(renderTime, fraction)) {
        renderer->Present();
    }
    renderer->ClearQueuedText();
}

// The frame drawn into the back buffer, not yet shown; false when the
// scene could not begin.
bool TsLevel::DrawFrame(float renderTime, float fraction)
{
    OmD3D* renderer = OmD3D::Instance();
    m_camera->Render(renderTime, fraction);
    FadeAroundFocus(fraction);
    QueueDebugTexts();
    m_sceneRoot->Update(renderTime);
    if (!renderer->BeginScene(renderTime)) {
        return false;
    }
    DrawScene(*renderer, renderTime, fraction);
    DrawInterface(*renderer, renderTime, fraction);
    renderer->EndScene();
    return true;
}

// The world and everything in it, its blended triangles last: apart from
// what is drawn over it, which reads none of its state.
void TsLevel::DrawScene(OmD3D& renderer, float renderTime, float fraction)
{
    // The level's ground and walls open the frame: while the camera and
    // they hold still, their last picture is put back instead.
    renderer.BeginKeptPass();
    renderer.Clear(nullptr, 0);
    // Blended triangles (liquids, meshes' alpha parts) are filed into
    // the batch while the scene draws and drawn far to near after it.
    OmD3DBatch& batch = renderer.GetBatch();
    batch.Begin(0);
    if (m_world) {
        m_world->BeginCloudPass(renderTime);
        m_world->Render(renderTime, fraction);
    }
    renderer.EndKeptPass();
    m_sceneRoot->Render(renderer);
    m_entityDB->Render(renderTime, fraction);
    if (m_rehearsingFight) {
        RehearseCharacterLooks(renderTime);
    }
    if (m_world) {
        m_world->EndCloudPass();
        if (!m_warmingUp) {
            m_world->UpdateEffects(renderTime);
        }
    }
    TsProjectile::RenderAllLive(renderTime, fraction);
    TsProjectile::RenderAll();
    {
        const TsProfileScope scope(&m_profiler, TS_PROFILE_PARTICLES);
        if (!m_warmingUp) {
            UpdateParticles(renderTime);
        }
        RenderParticles();
    }
    TsMain* app = TsMain::Instance();
    const TsProfileScope scope(app ? &app->GetProfiler() : nullptr,
                               app ? app->GetProfileSection(TsMain::PROFILE_ALPHAS) : -1);
    batch.Flush();
    renderer.FlushAlphaQueue();
}

// What is drawn over the world: markers, the HUD and radar, the cut
// scene's fade, queued text and the open windows, in that order.
void TsLevel::DrawInterface(OmD3D& renderer, float renderTime, float fraction)
{
    TsMain* app = TsMain::Instance();
    TsProfilerDisplay* appProfiler = app ? &app->GetProfiler() : nullptr;
    m_hud->RenderDestinationMarker();
    if (m_rehearsingFight) {
        RehearseDestinationMarker();
    }
    RenderDebugViews(renderer);
    {
        const TsProfileScope scope(appProfiler, app ? app->GetProfileSection(TsMain::PROFILE_HUD) : -1);
        m_hud->Render(fraction);
    }
    if (m_conversation) {
        m_hud->RenderConversation(*m_conversation);
    }
    // The radar goes over the HUD.
    m_radar->Render();
    if (!m_gameFrontEnd->HasOpenWindows()) {
        m_hud->UpdateTargeting();
    }
    {
        const TsProfileScope scope(appProfiler, app ? app->GetProfileSection(TsMain::PROFILE_FADE) : -1);
        m_cutScene->Render(renderTime, m_gameOverState == kGameOverScene ? TsAccess::FrameDelta() : fraction);
    }
    if (m_rehearsingFight) {
        m_cutScene->GetFader().WarmUp();
    }
    renderer.DrawQueuedText();
    if (m_gameFrontEnd->HasOpenWindows()) {
        m_gameFrontEnd->Render(renderTime, fraction);
    }
}
