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
#include "game/framework/TsLink.h"
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
    m_levelHost = g_levelHostFactory ? g_levelHostFactory(*this) : nullptr;
}

TsPlayer* TsMain::GetLocalPlayer() const
{
    return m_levelHost ? m_levelHost->LocalPlayer() : nullptr;
}

bool TsMain::SwitchMode()
{
    if (!ModeRequestPending()) {
        return true;
    }
    const int request = m_modeRequest;
    // Leaving the tutorial shows no closing screen.
    const bool tutorial = m_levelHost && m_levelHost->PlaysTutorial();
    if (m_mode && m_mode == GetLevel() && m_mode->GetModeType() == TS_MODE_LEVEL && request == TS_MODE_FRONT_END
        && !tutorial) {
        if (g_loadScreen.closingScreenArmed) {
            g_loadScreen.prompt = 1;
            g_loadScreen.held = 1;
            LoadLoadScreenImage(TsLoadScreen::kClosingImage);
            g_loadScreen.closingScreenArmed = 0;
            g_loadScreen.textY = m_screenHeight / 6 * 5;
        }
        if (g_loadScreen.held) {
            return true; // the main loop shows the closing screen until Space
        }
        g_loadScreen.closingScreenArmed = 1;
    }
    DestroyModes();
    StopGameSystems();
    ReplaceAudio();
    if (m_renderer) {
        m_renderer->SetLoadState(0);
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
    if (GetLevel() && m_levelHost) {
        m_levelHost->DropPlayer();
    }
    // The current mode first; a mode object that is not current is one a
    // failed switch left behind. A tool's conversion ends with them (its
    // level is the tool's, destroyed with what the script made).
    for (std::unique_ptr<TsGameMode>* owner : {&m_level, &m_frontEnd, &m_objectView}) {
        if (owner->get() == m_mode) {
            owner->reset();
        }
    }
    m_mode = nullptr;
    EndConvertState();
    m_level.reset();
    m_frontEnd.reset();
    m_objectView.reset();
    HandOverGround();
}

void TsMain::ReplaceAudio()
{
    if (m_audio) {
        m_audio->StopAll();
        m_audio.reset();
    }
    m_audio = std::make_unique<TsAudio>();
    if (!m_audio->Initialise()) {
        LogError("Mode switch: the audio could not be started again; the game goes on without sound");
    }
    const TsOptions* options = TsAccess::Options();
    m_audio->SetVolumes(options->GetEffectsVolume(), options->GetMusicVolume(), options->GetSpeechVolume());
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
        std::unique_ptr<TsGameMode>& owner = request == TS_MODE_FRONT_END ? m_frontEnd : m_objectView;
        owner.reset(factory());
        m_mode = owner.get();
        return m_mode->Import() && m_mode->Initialise();
    }
    case TS_MODE_LEVEL:
        return BuildLevel();
    default:
        return true; // no mode is current
    }
}

bool TsMain::BuildLevel()
{
    if (m_renderer) {
        m_renderer->SetMaxTextureSize(static_cast<uint32_t>(TsAccess::Options()->GetMaxTextureSize()));
    }
    if (!m_pendingLoad.empty()) {
        ResetClock();
        if (!LoadGame(m_pendingLoad.c_str())) {
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
    if (m_savePending) {
        if (!SaveGame()) {
            return false;
        }
        m_savePending = false;
    }
    m_levelHost->LevelStarted(); // there is a player, so there is a host
    return true;
}

bool TsMain::BuildNewLevel()
{
    ModeFactory factory = GetModeFactory(TS_MODE_LEVEL);
    if (!factory) {
        LogError("Mode switch: no level mode is registered with the application");
        return false;
    }
    m_level.reset(factory());
    m_mode = m_level.get();
    if (!m_mode->Import()) {
        return false;
    }
    ResetClock();
    return m_mode->Initialise();
}

// A mode that cannot start would be rebuilt every frame for ever; the
// player is told once, and the game goes back to the front end (or, when
// the front end itself fails, runs with no mode). What the switch was to do
// goes with it: the saved game it was to load (else the next level request
// tries that save again instead of building a level), the save after a move
// to the next level (else the next level that does load writes a save
// nobody asked for), and the load screen held for a level that never came
// (else the failure's box is followed by "Press Space To Continue" instead
// of the title).
bool TsMain::ModeStartFailed(int request)
{
    m_pendingLoad.clear();
    m_savePending = false;
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
    m_modeRequest = request == TS_MODE_FRONT_END ? TS_MODE_NONE : TS_MODE_FRONT_END;
    return false;
}

void TsMain::FinishSwitch()
{
    if (m_modeRequest == TS_MODE_LEVEL) {
        m_pendingLoad.clear();
    }
    m_modeRequest = TS_MODE_NO_REQUEST;
    if (m_renderer) {
        m_renderer->SetLoadState(1);
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
    m_luaState.reset(); // the old state closes before the new one opens
    m_luaState.reset(TsScriptHost::OpenLua());
    lua_State* L = m_luaState.get();
    TsAccess::SetLuaState(L);
    TsShell::Instance().SetLuaState(L);
    if (L) {
        TsScriptHost::ShellDoFile(L, "./scripts/init.lua");
        TsScriptHost::ShellDoFile(L, "./scripts/newdemo.lua");
    } else {
        LogError("Game systems: the script state could not be opened");
    }
    const bool levelSystems = !m_levelHost || m_levelHost->StartSystems();
    m_gameSystemsStarted = true;
    return levelSystems;
}

void TsMain::StopGameSystems()
{
    if (!m_gameSystemsStarted) {
        return;
    }
    if (m_animDB) {
        m_animDB->UnloadAnimations();
    }
    if (m_levelHost) {
        m_levelHost->StopSystems(); // the arms' and shots' emitters go before the particle system
    }
    ShutdownParticleSystem();
    if (m_renderer) {
        m_renderer->ReleaseAllMaterials();
        m_renderer->ReleaseAllTextures();
    }
    if (m_levelHost) {
        m_levelHost->DropPlayerAndTimers();
    }
    // What scripts made and kept is destroyed while everything it may
    // point at still lives; the pools below drop their pages without
    // destructors.
    TsScriptHost::DestroyScriptObjects(m_luaState.get());
    // Every holder of the old mode's objects has let go by now: whatever
    // is still allocated was lost (reported in the sanitizer build).
    OmPoolLeaks::ReportRegistered(OmClassRegistry::Instance(), "the game systems stopped");
    TsLinkBase::UnchainLeaked(OmClassRegistry::Instance());
    OmClassRegistry::Instance().FreeAllObjects();
    if (m_luaState) {
        TsAccess::SetLuaState(nullptr);
        m_luaState.reset();
    }
    m_gameSystemsStarted = false;
}
