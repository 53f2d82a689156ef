#include "game/framework/TsMain.h"

#include <cassert>
#include <cstdio>

#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "engine/OmTimer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLevelHost.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsVideo.h"
#include "platform/DebugOutput.h"
#include "platform/GfxDevice.h"
#include "platform/KeyCodes.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"
#include "render/OmD3D.h"
#include "render/OmD3DFont.h"

TsMain* TsMain::s_instance = nullptr;

// The host closes the state; the shell forgets it first.
void TsMain::ScriptStateCloser::operator()(lua_State* L) const
{
    TsScriptHost::CloseLua(L);
}

namespace {

// Messages the game once sent to a debug trace that prints nothing.
void Trace(const char*) {}

} // namespace

TsMain::TsMain(const char* title, int width, int height)
    : title_(title ? title : ""), screenWidth_(width), screenHeight_(height)
{
    s_instance = this;
    MakeLevelHost();
    InitPerformanceTimer();
    OmClassRegistry::Instance().AssignClassIds();
    // This first state serves "options.lua"; the game systems open the one
    // the game plays with.
    luaState_.reset(TsScriptHost::OpenLua());
    TsAccess::SetLuaState(luaState_.get());
    static const char* const kSections[PROFILE_SECTION_COUNT] = {
        "TsMain::Tick", "TsMain::Interp", "TsMain::Render", "TsMain - RenderAlphas ", "TsMain - Render HUD",
        "TsMain - Render Screen Fade"};
    for (int i = 0; i < PROFILE_SECTION_COUNT; ++i) {
        profileSections_[i] = profiler_.AddSection(kSections[i]);
    }
}

// The modes go first, while the script state and audio they may use in
// their destructors exist; then the game systems are stopped while the
// script state they close is still there; only then do the services go.
TsMain::~TsMain()
{
    DestroyModes();
    StopGameSystems();
    SetLogPumpHook(nullptr);
    input_.reset();
    luaState_.reset();
    TsAccess::SetLuaState(nullptr);
    audio_.reset();
    dialogStrings_.reset();
    DestroyFonts();
    animDB_.reset();
    ReleaseLoadScreenImage();
    renderer_.reset();
    window_.reset();
    if (s_instance == this) {
        s_instance = nullptr;
    }
}

void TsMain::CreateRenderer()
{
    if (!renderer_) {
        renderer_ = std::make_unique<OmD3D>();
    }
}

void TsMain::ShowError(const char* text)
{
    LogError(text);
    plat::ShowMessageBox(kCaption, text);
}

// ---- window and messages ---------------------------------------------------

intptr_t TsMain::WindowProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    TsMain* app = s_instance;
    switch (message) {
    case plat::kMsgActivateApp:
        Trace("Message received: WM_ACTIVATEAPP");
        if (app && app->input_) {
            wParam ? app->input_->Acquire() : app->input_->Unacquire();
        }
        return 0;
    case plat::kMsgActivate:
        Trace("Message received: WM_ACTIVATE");
        if (app) {
            app->OnActivate(wParam != plat::kActivateInactive);
        }
        return 0;
    case plat::kMsgSize:
        return 0;
    case plat::kMsgDestroy:
        plat::PostQuit(0);
        return 0;
    default:
        return plat::DefaultWindowProc(window, message, wParam, lParam);
    }
}

void TsMain::OnActivate(bool active)
{
    if (renderer_) {
        renderer_->SetActive(active);
    }
    if (input_) {
        active ? input_->Acquire() : input_->Unacquire();
    }
    plat::ShowCursor(!active);
}

void TsMain::PumpMessages()
{
    plat::DrainMessages();
}

bool TsMain::Step(int* exitCode)
{
    plat::Message message;
    while (plat::PeekWindowMessage(message, true)) {
        if (message.message == plat::kMsgQuit) {
            if (exitCode) {
                *exitCode = static_cast<int>(static_cast<intptr_t>(message.wParam));
            }
            return false;
        }
        plat::DispatchWindowMessage(message);
    }
    TsShell::Instance().PollInput();
    Frame();
    return true;
}

// ---- start-up --------------------------------------------------------------

bool TsMain::Open(bool showWindow)
{
    plat::WindowDesc desc;
    desc.title = title_;
    desc.width = screenWidth_;
    desc.height = screenHeight_;
    desc.fullScreen = true;
    std::string reason;
    window_ = plat::Window::Create(desc, &TsMain::WindowProc, &reason);
    if (!window_) {
        // No window means no display: say why rather than end silently.
        char text[512];
        std::snprintf(text, sizeof text, "Error: could not create the main window (%s)", reason.c_str());
        ShowError(text);
        return false;
    }
    input_ = std::make_unique<TsInput>();
    if (!TsShell::Instance().Create()) {
        ShowError("Could not spawn shell");
        return false;
    }
    TsShell::Instance().SetCloseHook([] { plat::PostQuit(0); });
    SetLogPumpHook(&TsMain::PumpMessages);
    if (showWindow) {
        window_->Show();
    }
    plat::ShowCursor(false);
    return StartUp();
}

int TsMain::Loop()
{
    int exitCode = 0;
    while (Step(&exitCode)) {
    }
    return exitCode;
}

int TsMain::Run()
{
    return Open() ? Loop() : 0;
}

bool TsMain::StartUp()
{
    return DeviceStartUp() && ServicesStartUp();
}

bool TsMain::DeviceStartUp()
{
    CreateRenderer();
    const int32_t mode = renderer_->GetSelectedModeIndex();
    const int32_t adapter = renderer_->GetCurrentAdapterIndex();
    if (mode >= 0 && adapter >= 0) {
        const OmAdapterRecord* record = renderer_->GetAdapter(static_cast<uint32_t>(adapter));
        if (record && static_cast<size_t>(mode) < record->modes.size()) {
            screenWidth_ = static_cast<int>(record->modes[static_cast<size_t>(mode)].width);
            screenHeight_ = static_cast<int>(record->modes[static_cast<size_t>(mode)].height);
        }
    }
    OmDisplayRequest request;
    request.width = static_cast<uint32_t>(screenWidth_);
    request.height = static_cast<uint32_t>(screenHeight_);
    request.bitsPerPixel = 16;
    OmRendererSetup setup;
    setup.window = window_ ? window_->NativeHandle() : nullptr;
    setup.display = mode < 0 ? &request : nullptr;
    if (!renderer_->Initialise(&setup)) {
        ShowError("Error: could not initialise Direct3D");
        return false;
    }
    const plat::GfxPresentParameters& params = renderer_->GetPresentParameters();
    if (params.backBufferWidth > 0 && params.backBufferHeight > 0) {
        screenWidth_ = static_cast<int>(params.backBufferWidth);
        screenHeight_ = static_cast<int>(params.backBufferHeight);
    }
    if (window_) {
        window_->SetBackBufferSize(screenWidth_, screenHeight_);
    }
    if (!skipVideos_) {
        TsVideo::PlayFMV("data\\FMV\\TitleCards.mpg");
        TsVideo::PlayFMV("data\\FMV\\intro.mpg");
    }
    if (!input_ || !input_->Create(window_.get(), true, true)) {
        ShowError("Error: could not initialise DirectInput");
        return false;
    }
    input_->Reacquire();
    return true;
}

bool TsMain::ServicesStartUp()
{
    audio_ = std::make_unique<TsAudio>();
    CreateFonts(); // a font that cannot be made is logged; the game goes on without it
    animDB_ = std::make_unique<TsAnimationDB>();
    if (!audio_->Initialise()) {
        ShowError("Global Audio Initialisation Error");
        return false;
    }
    // The services stand now: "options.lua" reaches the renderer, the
    // device's gamma ramp, the audio and the input's bindings.
    TsAccess::Options()->Apply(TsOptions::APPLY_GRAPHICS | TsOptions::APPLY_AUDIO | TsOptions::APPLY_BINDINGS);
    dialogStrings_ = std::make_unique<TsDialogStrings>();
    if (!dialogStrings_->Load(TsDialogStrings::kFileName)) {
        LogErrorF("Start-up: the dialogue strings could not be read from %s", TsDialogStrings::kFileName);
    }
    StartGameSystems();
    if (!animDB_->Open(TsAnimationDB::kFileName)) {
        ShowError("Animation database initialisation error");
        return false;
    }
    StartFirstMode();
    ResetClock();
    LogInfoF("Start-up complete: %d x %d", screenWidth_, screenHeight_);
    return true;
}

void TsMain::StartFirstMode()
{
    ModeFactory factory = GetModeFactory(TS_MODE_FRONT_END);
    if (!factory) {
        LogError("Start-up: no front end is registered; the game runs with no mode (an empty frame)");
        return;
    }
    frontEnd_.reset(factory());
    mode_ = frontEnd_.get();
    // As at every start of the front end, a failure here is reported by the
    // front end itself; the game goes on with what it has.
    mode_->Import();
    mode_->Initialise();
}

// ---- the clock ---------------------------------------------------------------

void TsMain::ResetClock()
{
    tickBase_ = GetPerformanceTicks();
    tickCount_ = 0;
    renderTime_ = 0.0f;
}

void TsMain::Frame()
{
    profiler_.BeginFrame();
    FrameBody();
    profiler_.EndFrame();
}

void TsMain::FrameBody()
{
    if (!input_ || !input_->Update(screenWidth_, screenHeight_)) {
        return;
    }
    if (!SwitchMode()) {
        return;
    }
    if (!mode_) {
        RenderEmptyFrame();
        return;
    }
    int64_t now = GetPerformanceTicks();
    float dt = 0.0f;
    RunTicks(now, dt);
    profiler_.StartSection(profileSections_[PROFILE_INTERP]);
    float fraction = 1.0f - static_cast<float>(TicksToSeconds(tickBase_ - now)) / tickDuration_;
    if (fraction < 0.0f) {
        Trace("timer wrap-around");
        fraction = 0.0f;
        tickBase_ = now;
    }
    fraction_ = fraction;
    profiler_.StopSection(profileSections_[PROFILE_INTERP]);
    profiler_.StartSection(profileSections_[PROFILE_RENDER]);
    RenderFrame(fraction, dt);
    profiler_.StopSection(profileSections_[PROFILE_RENDER]);
}

// At most two ticks a frame, so one slow frame cannot start a spiral of
// catch-up ticks; a larger backlog is dropped.
void TsMain::RunTicks(int64_t& now, float& dt)
{
    const int64_t period = SecondsToTicks(tickDuration_);
    const int64_t elapsed = now - tickBase_;
    dt = elapsed > period ? tickDuration_ : static_cast<float>(TicksToSeconds(elapsed));
    if (elapsed <= 0) {
        return;
    }
    tickBase_ += period;
    Tick();
    now = GetPerformanceTicks();
    if (now > tickBase_) {
        if (!ModeRequestPending()) {
            Tick();
        }
        tickBase_ += period;
    }
    now = GetPerformanceTicks();
    if (now > tickBase_) {
        tickBase_ = now;
        dt = 0.0f;
        Trace("MISSED FRAME");
    }
}

void TsMain::Tick()
{
    profiler_.StartSection(profileSections_[PROFILE_TICK]);
    TickBody();
    profiler_.StopSection(profileSections_[PROFILE_TICK]);
}

void TsMain::TickBody()
{
    if (!g_loadScreen.Active()) {
        if (mode_) {
            mode_->Tick(tickCount_);
        }
        if (input_) {
            input_->EndTick();
        }
        if (!(mode_ && mode_->IsPaused())) {
            ++tickCount_;
        }
        return;
    }
    g_loadScreen.TickPulse();
    // Space as this tick has it: a tap that fell between two ticks counts.
    if (input_ && input_->IsKeyDown(plat::kKeySpace)) {
        ReleaseLoadScreenImage();
        g_loadScreen.held = 0;
        g_loadScreen.prompt = 1;
    }
    if (input_) {
        input_->EndTick();
    }
}

void TsMain::RenderFrame(float fraction, float dt)
{
    assert(mode_); // Frame renders only with a mode
    float renderTime = renderTime_;
    float handed = 0.0f;
    if (!mode_->IsPaused()) {
        renderTime = (static_cast<float>(tickCount_) + fraction) * tickDuration_;
        handed = fraction;
    }
    if (renderTime < renderTime_) {
        renderTime = renderTime_;
    }
    renderTime_ = renderTime;
    if (!g_loadScreen.Active()) {
        if (!ModeRequestPending()) {
            mode_->Render(renderTime, handed);
        }
        return;
    }
    if (!renderer_ || !renderer_->BeginScene(renderTime)) {
        return;
    }
    plat::GfxDevice* device = renderer_->GetDevice();
    OmRef<plat::GfxSurface> back;
    if (g_loadScreen.image && device
        && device->GetBackBuffer(0, plat::GfxBackBufferMono, back.Put()) == plat::GfxResult::Ok && back) {
        device->CopyRects(g_loadScreen.image, nullptr, 0, back, nullptr);
    }
    g_loadScreen.pulse.Interpolate(dt / tickDuration_);
    DrawLoadScreenText(g_loadScreen.pulse.interpolated);
    renderer_->EndScene();
    renderer_->Present();
    if (!g_loadScreen.held) {
        tickBase_ = 0; // the next frame drops the backlog and restarts the clock at the present
        g_loadScreen.prompt = 0;
    }
}

// Without a mode there is nothing to tick or draw; the window still shows a
// cleared frame instead of whatever was there before.
void TsMain::RenderEmptyFrame()
{
    if (!renderer_) {
        return;
    }
    renderer_->Clear(nullptr, 0);
    if (renderer_->BeginScene(renderTime_)) {
        renderer_->EndScene();
        renderer_->Present();
    }
}

float TsMain::MeasureFrameRate()
{
    if (--frameRateCountdown_ > 0) {
        return framesPerSecond_;
    }
    const int64_t now = GetPerformanceTicks();
    framesPerSecond_ = now > frameRateStamp_
        ? static_cast<float>(kFrameRateInterval / TicksToSeconds(now - frameRateStamp_))
        : 0.0f;
    frameRateStamp_ = now;
    frameRateCountdown_ = kFrameRateInterval;
    const uint32_t triangles = renderer_ ? renderer_->GetFrameStats()->words[OmRenderStats::kPrimitives] : 0;
    char line[96];
    std::snprintf(line, sizeof line, "%6.2f FPS\t%u Triangles\n", static_cast<double>(framesPerSecond_), triangles);
    plat::DebugOutput(line);
    return framesPerSecond_;
}
