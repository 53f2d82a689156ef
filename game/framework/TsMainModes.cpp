// Mode switching: a request is served between frames by tearing the game
// world down (modes, script state, every pooled object, the audio object)
// and building it again for the new mode.
#include <array>
#include <cstdio>
#include <string>

#include "engine/OmClass.h"
#include "engine/OmParticleSystem.h"
#include "engine/OmPoolLeaks.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsLevelHost.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsVideo.h"
#include "platform/MessageBox.h"
#include "render/OmD3D.h"

namespace {

constexpr int kFactorySlots = TS_MODE_FRONT_END + 1;
std::array<TsMain::ModeFactory, kFactorySlots> g_factories{};
TsMain::LevelHostFactory g_levelHostFactory = nullptr;

const char* ModeName(int request)
{
    switch (request) {
    case TS_MODE_OBJECT_VIEW: return "object viewer";
    case TS_MODE_LEVEL: return "level";
    case TS_MODE_FRONT_END: return "front end";
    default: return "mode";
    }
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

void TsMain::SetLevelHostFactory(LevelHostFactory factory)
{
    g_levelHostFactory = factory;
}

void TsMain::MakeLevelHost()
{
    levelHost_ = g_levelHostFactory ? g_levelHostFactory(*this) : nullptr;
}

TsPlayer* TsMain::GetLocalPlayer() const
{
    return levelHost_ ? levelHost_->LocalPlayer() : nullptr;
}

bool TsMain::SwitchMode()
{
    if (!ModeRequestPending()) {
        return true;
    }
    const int request = modeRequest_;
    // Leaving the tutorial shows no closing screen.
    const bool tutorial = levelHost_ && levelHost_->PlaysTutorial();
    if (mode_ && mode_ == GetLevel() && mode_->GetModeType() == TS_MODE_LEVEL && request == TS_MODE_FRONT_END
        && !tutorial) {
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
    if (GetLevel() && levelHost_) {
        levelHost_->DropPlayer();
    }
    // The current mode first; a mode object that is not current is one a
    // failed switch left behind. A tool's conversion ends with them (its
    // level is the tool's, destroyed with what the script made).
    for (std::unique_ptr<TsGameMode>* owner : {&level_, &frontEnd_, &objectView_}) {
        if (owner->get() == mode_) {
            owner->reset();
        }
    }
    mode_ = nullptr;
    EndConvertState();
    level_.reset();
    frontEnd_.reset();
    objectView_.reset();
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
        std::unique_ptr<TsGameMode>& owner = request == TS_MODE_FRONT_END ? frontEnd_ : objectView_;
        owner.reset(factory());
        mode_ = owner.get();
        return mode_->Import() && mode_->Initialise();
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
    if (!GetLocalPlayer()) {
        LogError("Mode switch: the level has no player; it cannot be played");
        return false;
    }
    if (savePending_) {
        if (!SaveGame()) {
            return false;
        }
        savePending_ = false;
    }
    levelHost_->LevelStarted(); // there is a player, so there is a host
    return true;
}

bool TsMain::BuildNewLevel()
{
    ModeFactory factory = GetModeFactory(TS_MODE_LEVEL);
    if (!factory) {
        LogError("Mode switch: no level mode is registered with the application");
        return false;
    }
    level_.reset(factory());
    mode_ = level_.get();
    if (!mode_->Import()) {
        return false;
    }
    ResetClock();
    return mode_->Initialise();
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
    luaState_.reset(); // the old state closes before the new one opens
    luaState_.reset(TsScriptHost::OpenLua());
    lua_State* L = luaState_.get();
    TsAccess::SetLuaState(L);
    TsShell::Instance().SetLuaState(L);
    if (L) {
        TsScriptHost::ShellDoFile(L, "./scripts/init.lua");
        TsScriptHost::ShellDoFile(L, "./scripts/newdemo.lua");
    } else {
        LogError("Game systems: the script state could not be opened");
    }
    const bool levelSystems = !levelHost_ || levelHost_->StartSystems();
    gameSystemsStarted_ = true;
    return levelSystems;
}

void TsMain::StopGameSystems()
{
    if (!gameSystemsStarted_) {
        return;
    }
    if (animDB_) {
        animDB_->UnloadAnimations();
    }
    if (levelHost_) {
        levelHost_->StopSystems(); // the arms' and shots' emitters go before the particle system
    }
    ShutdownParticleSystem();
    if (renderer_) {
        renderer_->ReleaseAllMaterials();
        renderer_->ReleaseAllTextures();
    }
    if (levelHost_) {
        levelHost_->DropPlayerAndTimers();
    }
    // What scripts made and kept is destroyed while everything it may
    // point at still lives; the pools below drop their pages without
    // destructors.
    TsScriptHost::DestroyScriptObjects(luaState_.get());
    // Every holder of the old mode's objects has let go by now: whatever
    // is still allocated was lost (reported in the sanitizer build).
    OmPoolLeaks::ReportRegistered(OmClassRegistry::Instance(), "the game systems stopped");
    OmClassRegistry::Instance().FreeAllObjects();
    if (luaState_) {
        TsAccess::SetLuaState(nullptr);
        luaState_.reset();
    }
    gameSystemsStarted_ = false;
}
