// Mode switching: a request is served between frames by tearing the game
// world down (modes, script state, every pooled object, the audio object)
// and building it again for the new mode.
#include <array>
#include <cstdio>
#include <string>
#include <strings.h>

#include "engine/OmClass.h"
#include "engine/OmParticleSystem.h"
#include "engine/OmPoolLeaks.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsVideo.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsTimerTable.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsShockwave.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "platform/MessageBox.h"
#include "render/OmD3D.h"

namespace {

constexpr int kFactorySlots = TS_MODE_FRONT_END + 1;
std::array<TsMain::ModeFactory, kFactorySlots> g_factories{};

const char* ModeName(int request)
{
    switch (request) {
    case TS_MODE_OBJECT_VIEW: return "object viewer";
    case TS_MODE_LEVEL: return "level";
    case TS_MODE_FRONT_END: return "front end";
    default: return "mode";
    }
}

// Leaving the tutorial shows no closing screen; the level's name is in the
// player's level information.
bool IsTutorial(const TsPlayer* player)
{
    const char* name = player ? player->GetLevelInfo().levelName.Get() : nullptr;
    return name && strcasecmp(name, "tutorial") == 0;
}

} // namespace

void TsMain::SetModeFactory(TsModeType type, ModeFactory factory)
{
    if (type >= 0 && type < kFactorySlots) {
        g_factories[static_cast<size_t>(type)] = factory;
    }
}

TsMain::ModeFactory TsMain::GetModeFactory(TsModeType type)
{
    return type >= 0 && type < kFactorySlots ? g_factories[static_cast<size_t>(type)] : nullptr;
}

bool TsMain::SwitchMode()
{
    if (!ModeRequestPending()) {
        return true;
    }
    const int request = modeRequest_;
    if (mode_ && mode_ == level_ && mode_->GetModeType() == TS_MODE_LEVEL && request == TS_MODE_FRONT_END
        && !IsTutorial(localPlayer_)) {
        if (g_loadScreen.closingScreenArmed) {
            g_loadScreen.prompt = 1;
            g_loadScreen.held = 1;
            LoadLoadScreenImage(TsLoadScreen::kClosingImage);
            g_loadScreen.closingScreenArmed = 0;
            g_loadScreen.textY = screenHeight_ / 6 * 5;
        }
        if (g_loadScreen.held) {
            return true; // the main loop shows the closing screen until Space
        }
        g_loadScreen.closingScreenArmed = 1;
    }
    DestroyModes();
    StopGameSystems();
    ReplaceAudio();
    if (renderer_) {
        renderer_->SetLoadState(0);
    }
    StartGameSystems();
    if (!BuildMode(request)) {
        return ModeStartFailed(request);
    }
    FinishSwitch();
    return true;
}

void TsMain::DestroyModes()
{
    // The player goes with the level it plays (a switch drops it anyway):
    // first, so that the level's database finds only its own references
    // on the party when it lets go of everything.
    if (level_) {
        SetLocalPlayer(nullptr);
    }
    delete mode_;
    // A mode object that is not current is one a failed switch left behind.
    for (TsGameMode* other : {level_, frontEnd_, objectView_}) {
        if (other && other != mode_) {
            delete other;
        }
    }
    mode_ = level_ = frontEnd_ = objectView_ = nullptr;
}

void TsMain::ReplaceAudio()
{
    if (audio_) {
        audio_->StopAll();
        audio_.reset();
    }
    audio_ = std::make_unique<TsAudio>();
    if (!audio_->Initialise()) {
        LogError("Mode switch: the audio could not be started again; the game goes on without sound");
    }
    const TsOptions* options = TsAccess::Options();
    audio_->SetVolumes(options->GetEffectsVolume(), options->GetMusicVolume(), options->GetSpeechVolume());
}

bool TsMain::BuildMode(int request)
{
    switch (request) {
    case TS_MODE_OBJECT_VIEW:
    case TS_MODE_FRONT_END: {
        ModeFactory factory = GetModeFactory(static_cast<TsModeType>(request));
        if (!factory) {
            if (request == TS_MODE_FRONT_END) {
                LogError("Mode switch: no front end is registered; the game runs with no mode (an empty frame)");
                return true;
            }
            LogErrorF("Mode switch: no %s is registered with the application", ModeName(request));
            return false;
        }
        TsGameMode* mode = factory();
        mode_ = mode;
        (request == TS_MODE_FRONT_END ? frontEnd_ : objectView_) = mode;
        return mode->Import() && mode->Initialise();
    }
    case TS_MODE_LEVEL:
        return BuildLevel();
    default:
        return true; // no mode is current
    }
}

bool TsMain::BuildLevel()
{
    if (renderer_) {
        renderer_->SetMaxTextureSize(static_cast<uint32_t>(TsAccess::Options()->GetMaxTextureSize()));
    }
    if (!pendingLoad_.empty()) {
        ResetClock();
        if (!LoadGame(pendingLoad_.c_str())) {
            return false;
        }
    } else if (!BuildNewLevel()) {
        return false;
    }
    // Everything below follows the player's character; a level without a
    // player has nothing to play.
    if (!localPlayer_) {
        LogError("Mode switch: the level has no player; it cannot be played");
        return false;
    }
    if (savePending_) {
        if (!SaveGame()) {
            return false;
        }
        savePending_ = false;
    }
    LevelStarted();
    return true;
}

bool TsMain::BuildNewLevel()
{
    ModeFactory factory = GetModeFactory(TS_MODE_LEVEL);
    if (!factory) {
        LogError("Mode switch: no level mode is registered with the application");
        return false;
    }
    level_ = mode_ = factory();
    if (!mode_->Import()) {
        return false;
    }
    ResetClock();
    return mode_->Initialise();
}

void TsMain::LevelStarted()
{
    TsLevel* level = TsLevel::Cast(level_);
    const TsLevelInfo* info = localPlayer_ ? &localPlayer_->GetLevelInfo() : nullptr;
    if (level && level->GetWorld()) {
        level->GetWorld()->SetTrackedEntity(localPlayer_ ? localPlayer_->GetCurrentCharacter() : nullptr);
    }
    if (level && info) {
        if (!skipVideos_ && !info->fmvName.IsEmpty() && !level->GetVideoPlayed()) {
            const std::string path = std::string("data\\FMV\\") + info->fmvName.Get();
            TsVideo::PlayFMV(path.c_str());
            level->SetVideoPlayed();
        }
    }
    if (audio_) {
        audio_->StartLevelMusic();
    }
    if (level && info) {
        const char* objectives = info->missionObjectiveID != 0
                                     ? TsAccess::GetDialogDisplayString(info->missionObjectiveID)
                                     : nullptr;
        const bool show = objectives && *objectives && !level->GetObjectivesShown();
        level->SetObjectivesText(show ? objectives : nullptr);
    }
}

// A mode that cannot start would be rebuilt every frame for ever; the
// player is told once, and the game goes back to the front end (or, when
// the front end itself fails, runs with no mode). What the switch was to do
// once the level stood goes with it: the save after a move to the next level
// (else the next level that does load writes a save nobody asked for), and
// the load screen held for a level that never came (else the failure's box
// is followed by "Press Space To Continue" instead of the title).
bool TsMain::ModeStartFailed(int request)
{
    savePending_ = false;
    g_loadScreen.held = 0;
    g_loadScreen.prompt = 0;
    ReleaseLoadScreenImage();
    char text[256];
    if (request == TS_MODE_FRONT_END) {
        std::snprintf(text, sizeof text, "The front end could not be started; the game runs with no mode.");
    } else {
        std::snprintf(text, sizeof text, "The %s could not be started; returning to the front end.",
                      ModeName(request));
    }
    LogError(text);
    plat::ShowMessageBox(kCaption, text);
    DestroyModes();
    modeRequest_ = request == TS_MODE_FRONT_END ? TS_MODE_NONE : TS_MODE_FRONT_END;
    return false;
}

void TsMain::FinishSwitch()
{
    if (modeRequest_ == TS_MODE_LEVEL) {
        pendingLoad_.clear();
    }
    modeRequest_ = TS_MODE_NO_REQUEST;
    if (renderer_) {
        renderer_->SetLoadState(1);
    }
    ResetClock();
}

bool TsMain::StartGameSystems()
{
    if (InitParticleSystem()) {
        SetParticleEffectPath("data\\fx\\particles");
    } else {
        LogError("Game systems: the particle system could not be started");
    }
    if (luaState_) {
        TsShell::Instance().ForgetLuaState(luaState_);
        TsScriptHost::CloseLua(luaState_);
    }
    luaState_ = TsScriptHost::OpenLua();
    TsAccess::SetLuaState(luaState_);
    TsShell::Instance().SetLuaState(luaState_);
    if (luaState_) {
        TsScriptHost::ShellDoFile(luaState_, "./scripts/init.lua");
        TsScriptHost::ShellDoFile(luaState_, "./scripts/newdemo.lua");
    } else {
        LogError("Game systems: the script state could not be opened");
    }
    TsShockwave::InitBuffers();
    TsInitialExplosions::Init("LoadExplosionAttributes");
    TsProjectile::CreateVertexBuffer();
    TsProjectileAttributes::ResetAll();
    const bool projectiles = TsProjectileAttributes::LoadAttributes("LoadProjectileAttributes");
    gameSystemsStarted_ = true;
    return projectiles;
}

void TsMain::StopGameSystems()
{
    if (!gameSystemsStarted_) {
        return;
    }
    if (animDB_) {
        animDB_->UnloadAnimations();
    }
    TsInitialExplosions::Shutdown(); // the arms' emitters go before the particle system
    TsProjectile::ReleaseAllLive();  // so do the shots' in flight
    TsShockwave::ReleaseBuffers();
    ShutdownParticleSystem();
    TsProjectile::ReleaseVertexBuffer();
    TsProjectileAttributes::ResetAll();
    if (renderer_) {
        renderer_->ReleaseAllMaterials();
        renderer_->ReleaseAllTextures();
    }
    SetLocalPlayer(nullptr);
    // The timers let go of their objects while those still live.
    TsTimerTable::Instance().Clear();
    // What scripts made and kept is destroyed while everything it may
    // point at still lives; the pools below drop their pages without
    // destructors.
    TsScriptHost::DestroyScriptObjects(luaState_);
    // Every holder of the old mode's objects has let go by now: whatever
    // is still allocated was lost (reported in the sanitizer build).
    OmPoolLeaks::ReportRegistered(OmClassRegistry::Instance(), "the game systems stopped");
    OmClassRegistry::Instance().FreeAllObjects();
    if (luaState_) {
        TsShell::Instance().ForgetLuaState(luaState_);
        TsAccess::SetLuaState(nullptr);
        TsScriptHost::CloseLua(luaState_);
        luaState_ = nullptr;
    }
    gameSystemsStarted_ = false;
}
