#include "ui/TsFrontEndBase.h"

#include <cstdio>

#include "engine/OmRef.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "platform/GfxDevice.h"
#include "platform/GfxFileTexture.h"
#include "platform/GfxTexture.h"
#include "render/OmD3D.h"
#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

using namespace plat;

OM_IMPLEMENT_CLASS(TsFrontEndBase, TsGameMode)

TsFrontEndBase::TsFrontEndBase() = default;

TsFrontEndBase::TsFrontEndBase(OmArchive& archive) : TsGameMode(archive) {}

TsFrontEndBase::~TsFrontEndBase()
{
    // The windows go with the mode, unclosed: the transient ones, then the pages.
    m_stack.RemoveAll();
    m_transients.clear();
    m_pages.clear();
    delete m_cursor;
}

bool TsFrontEndBase::Initialise()
{
    if (!TsGameMode::Initialise()) {
        return false;
    }
    if (!m_cursor) {
        m_cursor = LoadTGAFrontEndSprite("crs1.tga");
    }
    // The 20- and 32-pixel faces of the title font and the 10-pixel Arial.
    if (const TsMain* app = TsMain::Instance(); app && app->FontsLoaded()) {
        SetFonts(app->GetFont(TsMain::LARGE_FONT), app->GetFont(TsMain::TITLE_FONT), app->GetFont(TsMain::SMALL_FONT));
    }
    if (!m_fontA && !m_fontB && !m_fontC) {
        LogError("Front end: no texts are drawn: the application has no fonts");
    }
    return true;
}

void TsFrontEndBase::SetFonts(OmD3DFont* title, OmD3DFont* largeTitle, OmD3DFont* plain)
{
    m_fontA = title;
    m_fontB = largeTitle;
    m_fontC = plain;
}

// ---- pages and the stack ----

TsGuiWindow* TsFrontEndBase::FindPage(const char* name) const
{
    for (const std::unique_ptr<TsGuiWindow>& page : m_pages) {
        if (page->HasName(name)) {
            return page.get();
        }
    }
    return nullptr;
}

bool TsFrontEndBase::IsOnStack(const TsGuiWindow* window) const
{
    for (uint32_t i = 0; i < m_stack.GetCount(); ++i) {
        if (m_stack[i].window == window) {
            return true;
        }
    }
    return false;
}

TsGuiWindow* TsFrontEndBase::GetTopWindow() const
{
    return m_stack.GetCount() ? m_stack[m_stack.GetCount() - 1].window : nullptr;
}

TsGuiWindow* TsFrontEndBase::GetStackWindow(int32_t i) const
{
    return i >= 0 && uint32_t(i) < m_stack.GetCount() ? m_stack[uint32_t(i)].window : nullptr;
}

int32_t TsFrontEndBase::GetStackKind(int32_t i) const
{
    return i >= 0 && uint32_t(i) < m_stack.GetCount() ? m_stack[uint32_t(i)].kind : 0;
}

void TsFrontEndBase::PushWindow(TsGuiWindow* window, int32_t kind) { PushWindowAt(window, 0, 0, kind); }

void TsFrontEndBase::PushWindow(std::unique_ptr<TsGuiWindow> window, int32_t kind)
{
    PushWindowAt(std::move(window), 0, 0, kind);
}

void TsFrontEndBase::PushWindowAt(std::unique_ptr<TsGuiWindow> window, TsGuiArg x, TsGuiArg y, int32_t kind)
{
    if (!window) {
        return;
    }
    TsGuiWindow* pushed = window.get();
    m_transients.push_back(std::move(window));
    PushWindowAt(pushed, x, y, kind);
}

void TsFrontEndBase::PushWindowAt(TsGuiWindow* window, TsGuiArg x, TsGuiArg y, int32_t kind)
{
    if (!window) {
        return;
    }
    if (TsGuiWindow* top = GetTopWindow()) {
        top->Deactivate(0, 0);
    }
    if (!window->IsOpen()) {
        window->Open(x, y);
    }
    m_stack.Add({window, kind});
    ++m_stackChanges;
    window->Activate(0, 0);
}

void TsFrontEndBase::PopWindow()
{
    if (m_stack.GetCount() == 0) {
        return;
    }
    CloseWindowAt(m_stack.GetCount() - 1);
}

void TsFrontEndBase::CloseWindow(TsGuiWindow* window)
{
    for (uint32_t i = m_stack.GetCount(); i-- > 0;) {
        if (m_stack[i].window == window) {
            CloseWindowAt(i);
            return;
        }
    }
}

// The windows open now close, top down. A window that one of them opens as
// it closes (a lesson's exit script starting the next lesson) is not one of
// them: it stays, above those still to close. Windows are only ever added on
// top, so the ones still to close keep their places below.
void TsFrontEndBase::PopAllWindows()
{
    for (uint32_t open = m_stack.GetCount(); open > 0; --open) {
        if (open <= m_stack.GetCount()) {
            CloseWindowAt(open - 1);
        }
    }
}

void TsFrontEndBase::CloseWindowAt(uint32_t index)
{
    const StackEntry entry = m_stack[index];
    entry.window->Deactivate(0, 0);
    for (uint32_t i = index + 1; i < m_stack.GetCount(); ++i) {
        m_stack[i - 1] = m_stack[i];
    }
    m_stack.Resize(m_stack.GetCount() - 1);
    ++m_stackChanges;
    // Off the stack first: what the window does as it closes (a script that
    // opens the next window, say) finds the stack as it now is.
    if (!IsOnStack(entry.window)) {
        entry.window->OnClose();
    }
    DiscardWindow(entry.window);
    // The last window gone, play goes on; a window its closing opened
    // keeps the front end.
    if (m_stack.GetCount() == 0) {
        EnterGame();
    }
}

void TsFrontEndBase::DiscardWindow(TsGuiWindow* window)
{
    if (m_walking > 0 || IsOnStack(window)) {
        return;
    }
    for (auto owned = m_transients.begin(); owned != m_transients.end(); ++owned) {
        if (owned->get() == window) {
            // Out of the list before it dies, so that its destructor finds the front end whole.
            const std::unique_ptr<TsGuiWindow> gone = std::move(*owned);
            m_transients.erase(owned);
            return;
        }
    }
}

void TsFrontEndBase::EndWalk()
{
    if (--m_walking > 0) {
        return;
    }
    // Every transient window off the stack now was popped during the walk;
    // one pushed again during it lives on.
    std::vector<std::unique_ptr<TsGuiWindow>> gone;
    for (std::unique_ptr<TsGuiWindow>& owned : m_transients) {
        if (!IsOnStack(owned.get())) {
            gone.push_back(std::move(owned));
        }
    }
    std::erase(m_transients, nullptr);
}

// ---- tick and frame ----

void TsFrontEndBase::Tick(uint32_t tickCount)
{
    const float time = TsAccess::TickDuration() * float(tickCount);
    if (m_stack.GetCount() > 0) {
        UpdateWindows(time);
        SendMouseEvents();
    }
    TsGameMode::Tick(tickCount);
}

void TsFrontEndBase::UpdateWindows(float time)
{
    BeginWalk();
    const uint32_t changes = m_stackChanges;
    for (int32_t i = int32_t(m_stack.GetCount()) - 1; i >= 0; --i) {
        const StackEntry entry = m_stack[uint32_t(i)];
        entry.window->Update(time);
        if (m_stackChanges != changes || (entry.kind & kStopsUpdates)) {
            break;
        }
    }
    EndWalk();
}

uint32_t TsFrontEndBase::ReadButtons()
{
    const TsInput* input = TsAccess::Input();
    uint32_t buttons = 0;
    if (input && input->IsActionDown(TS_ACTION_CANCEL)) {
        buttons |= TS_GUI_SECOND;
    }
    if (input && input->IsActionDown(TS_ACTION_SELECT)) {
        buttons |= TS_GUI_SELECT;
    }
    return buttons;
}

void TsFrontEndBase::SendMouseEvents()
{
    const TsInput* input = TsAccess::Input();
    if (!input) {
        return;
    }
    const int32_t previousX = m_mouseX, previousY = m_mouseY;
    m_mouseX = input->GetCursorX();
    m_mouseY = input->GetCursorY();
    const int32_t packed = GuiPackMouse(m_mouseX, m_mouseY);
    uint32_t buttons = ReadButtons();

    // A press within two ticks of a held button, the pointer still, is a
    // double click.
    if (m_mouseX != previousX || m_mouseY != previousY) {
        m_doubleClickCountdown = 0;
    }
    if (m_doubleClickCountdown != 0) {
        --m_doubleClickCountdown;
        if (buttons) {
            buttons |= TS_GUI_DOUBLE_CLICK;
            m_doubleClickCountdown = 0;
        }
    } else if (buttons) {
        m_doubleClickCountdown = 2;
    }

    const bool pressed = input->IsActionPressed(TS_ACTION_SELECT);
    const bool released = input->IsActionReleased(TS_ACTION_SELECT);
    BeginWalk();
    const uint32_t changes = m_stackChanges;
    for (int32_t i = int32_t(m_stack.GetCount()) - 1; i >= 0; --i) {
        const StackEntry entry = m_stack[uint32_t(i)];
        entry.window->OnMouseMove(packed, buttons);
        if (m_stackChanges != changes) {
            break;
        }
        if (pressed) {
            entry.window->OnMouseDown(packed, buttons);
            if (m_stackChanges != changes) {
                break;
            }
        }
        if (released) {
            entry.window->OnMouseUp(packed, buttons);
            if (m_stackChanges != changes) {
                break;
            }
        }
        if (entry.kind & kStopsMouse) {
            break;
        }
    }
    EndWalk();
}

void TsFrontEndBase::Render(float, float fraction)
{
    int32_t bottom = int32_t(m_stack.GetCount());
    while (bottom > 0) {
        --bottom;
        if (m_stack[uint32_t(bottom)].kind & kStopsDrawing) {
            break;
        }
    }
    BeginWalk();
    const uint32_t changes = m_stackChanges;
    for (int32_t i = bottom; i < int32_t(m_stack.GetCount()); ++i) {
        m_stack[uint32_t(i)].window->Render(fraction);
        if (m_stackChanges != changes) {
            break;
        }
    }
    EndWalk();
    DrawCursor();
}

void TsFrontEndBase::DrawCursor()
{
    OmD3D* renderer = OmD3D::Instance();
    const TsInput* input = TsAccess::Input();
    if (!m_cursor || !renderer || !input) {
        return;
    }
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    m_cursor->Draw(renderer, float(input->GetCursorX()) - 8.0f, float(input->GetCursorY()) - 8.0f, 0, 0x40);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
}

// ---- sprites and the backdrop ----

TsGuiSprite* TsFrontEndBase::LoadTGAFrontEndSprite(const char* name)
{
    if (!name) {
        return nullptr;
    }
    char path[kMaxSpritePath];
    const int n = std::snprintf(path, sizeof path, "data\\frontend\\%s", name);
    if (n < 0 || size_t(n) >= sizeof path) {
        LogErrorF("TsFrontEndBase::LoadTGAFrontEndSprite - Too many characters in sprite path (%s)", name);
        return nullptr;
    }
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer) {
        LogErrorF("TsFrontEndBase::LoadTGAFrontEndSprite - no renderer for '%s'", name);
        return nullptr;
    }
    const int32_t id = renderer->RegisterTexture(OmMakeRef<OmTextureResource>(path, 1, 0));
    if (id < 0 || !renderer->LoadTexture(id)) {
        LogErrorF("TsFrontEndBase::LoadTGAFrontEndSprite - Error loading frontend sprite '%s'", name);
        return nullptr;
    }
    TsGuiSprite* sprite = new TsGuiSprite;
    sprite->textureId = id;
    return sprite;
}

GfxSurface* TsFrontEndBase::CreateBackdropSurface(const char* file)
{
    OmD3D* renderer = OmD3D::Instance();
    GfxDevice* device = renderer ? renderer->GetDevice() : nullptr;
    OmRef<GfxSurface> back;
    if (!file || !device || device->GetBackBuffer(0, GfxBackBufferMono, back.Put()) != GfxResult::Ok || !back) {
        LogErrorF("TsFrontEndBase::CreateBackdropSurface - Failed to load backdrop '%s'", file ? file : "(null)");
        return nullptr;
    }
    GfxSurfaceDesc desc{};
    back->GetDesc(&desc);
    GfxSurface* image = nullptr;
    const bool made = device->CreateImageSurface(desc.width, desc.height, desc.format, &image) == GfxResult::Ok;
    const uint32_t pointFilter = 2;
    if (!made ||
        GfxLoadSurfaceFromFile(image, nullptr, nullptr, file, nullptr, pointFilter, 0, nullptr) != GfxResult::Ok) {
        LogErrorF("TsFrontEndBase::CreateBackdropSurface - Failed to load backdrop '%s'", file);
    }
    return made ? image : nullptr;
}

void TsFrontEndBase::DrawBackdrop(GfxSurface* surface)
{
    OmD3D* renderer = OmD3D::Instance();
    GfxDevice* device = renderer ? renderer->GetDevice() : nullptr;
    OmRef<GfxSurface> back;
    if (!surface || !device || device->GetBackBuffer(0, GfxBackBufferMono, back.Put()) != GfxResult::Ok || !back) {
        return;
    }
    device->CopyRects(surface, nullptr, 0, back, nullptr);
}

void TsFrontEndBase::ReleaseBackdrop(GfxSurface* surface)
{
    if (surface) {
        surface->Release();
    }
}
