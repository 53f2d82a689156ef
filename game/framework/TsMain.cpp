#include "game/framework/TsMain.h"

#include <cassert>
#include <cstdio>

#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "engine/OmReport.h"
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

TsMain::TsMain(const char* title, int width, int height)
    : m_title(title ? title : ""), m_screenWidth(width), m_screenHeight(height)
{
    s_instance = this;
    MakeLevelHost();
    InitPerformanceTimer();
    OmClassRegistry::Instance().AssignClassIds();
    // This first state serves "options.lua"; the game systems open the one
    // the game plays with.
    m_luaState.reset(TsScriptHost::OpenLua());
    TsAccess::SetLuaState(m_luaState.get());
    static const char* const kSections[PROFILE_SECTION_COUNT] = {
        "TsMain::Tick", "TsMain::Interp", "TsMain::Render", "TsMain - RenderAlphas ", "TsMain - Render HUD",
        "TsMain - Render Screen Fade"};
    for (int i = 0; i < PROFILE_SECTION_COUNT; ++i) {
        m_profileSections[i] = m_profiler.AddSection(kSections[i]);
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
    m_input.reset();
    m_luaState.reset();
    TsAccess::SetLuaState(nullptr);
    m_audio.reset();
    m_dialogStrings.reset();
    DestroyFonts();
    m_animDB.reset();
    ReleaseLoadScreenImage();
    m_renderer.reset();
    RemoveFontFiles();
    m_window.reset();
    if (s_instance == this) {
        s_instance = nullptr;
    }
}

void TsMain::CreateRenderer()
{
    AddFontFiles();
    if (!m_renderer) {
        m_renderer = std::make_unique<OmD3D>();
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
        OmTrace("Message received: WM_ACTIVATEAPP");
        if (app && app->m_input) {
            wParam ? app->m_input->Acquire() : app->m_input->Unacquire();
        }
        return 0;
    case plat::kMsgActivate:
        OmTrace("Message received: WM_ACTIVATE");
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
    if (m_renderer) {
        m_renderer->SetActive(active);
    }
    if (m_input) {
        active ? m_input->Acquire() : m_input->Unacquire();
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
    desc.title = m_title;
    desc.width = m_screenWidth;
    desc.height = m_screenHeight;
    desc.fullScreen = true;
    std::string reason;
    m_window = plat::Window::Create(desc, &TsMain::WindowProc, &reason);
    if (!m_window) {
        // No window means no display: say why rather than end silently.
        char text[512];
        std::snprintf(text, sizeof text, "Error: could not create the main window (%s)", reason.c_str());
        ShowError(text);
        return false;
    }
    m_input = std::make_unique<TsInput>();
    if (!TsShell::Instance().Create()) {
        ShowError("Could not spawn shell");
        return false;
    }
    TsShell::Instance().SetCloseHook([] { plat::PostQuit(0); });
    SetLogPumpHook(&TsMain::PumpMessages);
    if (showWindow) {
        m_window->Show();
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
    const int32_t mode = m_renderer->GetSelectedModeIndex();
    const int32_t adapter = m_renderer->GetCurrentAdapterIndex();
    if (mode >= 0 && adapter >= 0) {
        const OmAdapterRecord* record = m_renderer->GetAdapter(static_cast<uint32_t>(adapter));
        if (record && static_cast<size_t>(mode) < record->modes.size()) {
            m_screenWidth = static_cast<int>(record->modes[static_cast<size_t>(mode)].width);
            m_screenHeight = static_cast<int>(record->modes[static_cast<size_t>(mode)].height);
        }
    }
    OmDisplayRequest request;
    request.width = static_cast<uint32_t>(m_screenWidth);
    request.height = static_cast<uint32_t>(m_screenHeight);
    request.bitsPerPixel = 16;
    OmRendererSetup setup;
    setup.window = m_window ? m_window->NativeHandle() : nullptr;
    setup.display = mode < 0 ? &request : nullptr;
    if (!m_renderer->Initialise(&setup)) {
        ShowError("Error: could not initialise Direct3D");
        return false;
    }
    const plat::GfxPresentParameters& params = m_renderer->GetPresentParameters();
    if (params.backBufferWidth > 0 && params.backBufferHeight > 0) {
        m_screenWidth = static_cast<int>(params.backBufferWidth);
        m_screenHeight = static_cast<int>(params.backBufferHeight);
    }
    if (m_window) {
        m_window->SetBackBufferSize(m_screenWidth, m_screenHeight);
    }
    if (!m_skipVideos) {
        TsVideo::PlayFMV("data\\FMV\\TitleCards.mpg");
        TsVideo::PlayFMV("data\\FMV\\intro.mpg");
    }
    if (!m_input || !m_input->Create(m_window.get(), true, true)) {
        ShowError("Error: could not initialise DirectInput");
        return false;
    }
    m_input->Reacquire();
    return true;
}

bool TsMain::ServicesStartUp()
{
    m_audio = std::make_unique<TsAudio>();
    CreateFonts(); // a font that cannot be made is logged; the game goes on without it
    m_animDB = std::make_unique<TsAnimationDB>();
    if (!m_audio->Initialise()) {
        ShowError("Global Audio Initialisation Error");
        return false;
    }
    // The services stand now: "options.lua" reaches the renderer, the
    // device's gamma ramp, the audio and the input's bindings.
    TsAccess::Options()->Apply(TsOptions::APPLY_GRAPHICS | TsOptions::APPLY_AUDIO | TsOptions::APPLY_BINDINGS);
    m_dialogStrings = std::make_unique<TsDialogStrings>();
    if (!m_dialogStrings->Load(TsDialogStrings::kFileName)) {
        LogErrorF("Start-up: the dialogue strings could not be read from %s", TsDialogStrings::kFileName);
    }
    StartGameSystems();
    if (!m_animDB->Open(TsAnimationDB::kFileName)) {
        ShowError("Animation database initialisation error");
        return false;
    }
    StartFirstMode();
    ResetClock();
    LogInfoF("Start-up complete: %d x %d", m_screenWidth, m_screenHeight);
    return true;
}

void TsMain::StartFirstMode()
{
    ModeFactory factory = GetModeFactory(TS_MODE_FRONT_END);
    if (!factory) {
        LogError("Start-up: no front end is registered; the game runs with no mode (an empty frame)");
        return;
    }
    m_frontEnd.reset(factory());
    m_mode = m_frontEnd.get();
    // As at every start of the front end, a failure here is reported by the
    // front end itself; the game goes on with what it has.
    m_mode->Import();
    m_mode->Initialise();
}

// ---- the clock ---------------------------------------------------------------

void TsMain::ResetClock()
{
    m_tickBase = GetPerformanceTicks();
    m_tickCount = 0;
    m_renderTime = 0.0f;
}

void TsMain::Frame()
{
    m_profiler.BeginFrame();
    FrameBody();
    m_profiler.EndFrame();
}

void TsMain::FrameBody()
{
    if (!m_input || !m_input->Update(m_screenWidth, m_screenHeight)) {
        return;
    }
    if (!SwitchMode()) {
        return;
    }
    if (!m_mode) {
        RenderEmptyFrame();
        return;
    }
    int64_t now = GetPerformanceTicks();
    float dt = 0.0f;
    RunTicks(now, dt);
    m_profiler.StartSection(m_profileSections[PROFILE_INTERP]);
    float fraction = 1.0f - static_cast<float>(TicksToSeconds(m_tickBase - now)) / TsGameTicks::kSeconds;
    if (fraction < 0.0f) {
        OmTrace("timer wrap-around");
        fraction = 0.0f;
        m_tickBase = now;
    }
    m_fraction = fraction;
    m_profiler.StopSection(m_profileSections[PROFILE_INTERP]);
    m_profiler.StartSection(m_profileSections[PROFILE_RENDER]);
    RenderFrame(fraction, dt);
    m_profiler.StopSection(m_profileSections[PROFILE_RENDER]);
}

// At most two ticks a frame, so one slow frame cannot start a spiral of
// catch-up ticks; a larger backlog is dropped.
void TsMain::RunTicks(int64_t& now, float& dt)
{
    const int64_t period = SecondsToTicks(TsGameTicks::kSeconds);
    const int64_t elapsed = now - m_tickBase;
    dt = elapsed > period ? TsGameTicks::kSeconds : static_cast<float>(TicksToSeconds(elapsed));
    if (elapsed <= 0) {
        return;
    }
    m_tickBase += period;
    Tick();
    now = GetPerformanceTicks();
    if (now > m_tickBase) {
        if (!ModeRequestPending()) {
            Tick();
        }
        m_tickBase += period;
    }
    now = GetPerformanceTicks();
    if (now > m_tickBase) {
        m_tickBase = now;
        dt = 0.0f;
        OmTrace("MISSED FRAME");
    }
}

void TsMain::Tick()
{
    m_profiler.StartSection(m_profileSections[PROFILE_TICK]);
    TickBody();
    m_profiler.StopSection(m_profileSections[PROFILE_TICK]);
}

void TsMain::TickBody()
{
    if (!g_loadScreen.Active()) {
        if (m_mode) {
            m_mode->Tick(m_tickCount);
        }
        if (m_input) {
            m_input->EndTick();
        }
        if (!(m_mode && m_mode->IsPaused())) {
            ++m_tickCount;
        }
        return;
    }
    g_loadScreen.TickPulse();
    // Space as this tick has it: a tap that fell between two ticks counts.
    if (m_input && m_input->IsKeyDown(plat::kKeySpace)) {
        ReleaseLoadScreenImage();
        g_loadScreen.held = 0;
        g_loadScreen.prompt = 1;
    }
    if (m_input) {
        m_input->EndTick();
    }
}

void TsMain::RenderFrame(float fraction, float dt)
{
    assert(m_mode); // Frame renders only with a mode
    float renderTime = m_renderTime;
    float handed = 0.0f;
    if (!m_mode->IsPaused()) {
        renderTime = (static_cast<float>(m_tickCount) + fraction) * TsGameTicks::kSeconds;
        handed = fraction;
    }
    if (renderTime < m_renderTime) {
        renderTime = m_renderTime;
    }
    m_renderTime = renderTime;
    if (!g_loadScreen.Active()) {
        if (!ModeRequestPending()) {
            m_mode->Render(renderTime, handed);
        }
        return;
    }
    if (!m_renderer || !m_renderer->BeginScene(renderTime)) {
        return;
    }
    plat::GfxDevice* device = m_renderer->GetDevice();
    OmRef<plat::GfxSurface> back;
    if (g_loadScreen.image && device
        && device->GetBackBuffer(0, plat::GfxBackBufferMono, back.Put()) == plat::GfxResult::Ok && back) {
        device->CopyRects(g_loadScreen.image, nullptr, 0, back, nullptr);
    }
    g_loadScreen.pulse.Interpolate(dt / TsGameTicks::kSeconds);
    DrawLoadScreenText(g_loadScreen.pulse.interpolated);
    m_renderer->EndScene();
    m_renderer->Present();
    if (!g_loadScreen.held) {
        m_tickBase = 0; // the next frame drops the backlog and restarts the clock at the present
        g_loadScreen.prompt = 0;
    }
}

// Without a mode there is nothing to tick or draw; the window still shows a
// cleared frame instead of whatever was there before.
void TsMain::RenderEmptyFrame()
{
    if (!m_renderer) {
        return;
    }
    m_renderer->Clear(nullptr, 0);
    if (m_renderer->BeginScene(m_renderTime)) {
        m_renderer->EndScene();
        m_renderer->Present();
    }
}

float TsMain::MeasureFrameRate()
{
    if (--m_frameRateCountdown > 0) {
        return m_framesPerSecond;
    }
    const int64_t now = GetPerformanceTicks();
    m_framesPerSecond = now > m_frameRateStamp
        ? static_cast<float>(kFrameRateInterval / TicksToSeconds(now - m_frameRateStamp))
        : 0.0f;
    m_frameRateStamp = now;
    m_frameRateCountdown = kFrameRateInterval;
    const uint32_t triangles = m_renderer ? m_renderer->GetFrameStats()->words[OmRenderStats::kPrimitives] : 0;
    char line[96];
    std::snprintf(line, sizeof line, "%6.2f FPS\t%u Triangles\n", static_cast<double>(m_framesPerSecond), triangles);
    plat::DebugOutput(line);
    return m_framesPerSecond;
}
