#include "ui/TsInputScreen.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsOptions.h"
#include "render/OmD3D.h"
#include "ui/TsActionInput.h"
#include "ui/TsFrontEndBase.h"

namespace {

TsInputScreen* ScreenOf(const TsGuiElement& element) { return dynamic_cast<TsInputScreen*>(element.GetOwner()); }

void Append(char* out, size_t size, const char* separator, const char* text)
{
    const size_t used = std::strlen(out);
    std::snprintf(out + used, size - used, "%s%s", *out ? separator : "", text ? text : "");
}

} // namespace

// ---- the list ----

TsKeyBindingList::TsKeyBindingList(TsFrontEndBase* frontEnd) : TsGuiListDialog(frontEnd) {}

TsKeyBindingList::~TsKeyBindingList()
{
    while (TsGuiListItem* item = GetFirstItem()) {
        RemoveItem(item);
        delete static_cast<TsKeyRow*>(item);
    }
}

void TsKeyBindingList::Open(TsGuiArg x, TsGuiArg y)
{
    for (int32_t action = kFirstAction; action <= kLastAction; ++action) {
        if (TsInput::IsMouseAction(action))
            continue;
        auto* row = new TsKeyRow();
        row->action = action;
        AddItem(row);
    }
    float w = 0.0f, h = 0.0f;
    GetFrontEnd()->GetPlainTextExtent("0", w, h);
    m_rowHeight = h + 2.0f;
    SetRect(0.03f, 0.2f, 0.55f, 0.6f);
    ApplyTitleListSkin(*this);
    TsGuiListDialog::Open(x, y);
}

void TsKeyBindingList::Activate(TsGuiArg a, TsGuiArg b)
{
    m_edited = TsAccess::Options()->GetKeyBindings();
    TsGuiListDialog::Activate(a, b);
}

float TsKeyBindingList::MeasureItem(TsGuiListItem* item, float)
{
    item->height = m_rowHeight;
    return m_rowHeight;
}

void TsKeyBindingList::BindingText(const TsKeyBindings& bindings, int32_t action, char* out, size_t size)
{
    out[0] = '\0';
    const int32_t key = bindings.KeyOf(action);
    if (key != TsKeyBindings::kNone)
        Append(out, size, "", TsInput::GetKeyName(key));
    else if (TsInput::IsRebindableAction(action))
        Append(out, size, "", "???");
    if (bindings.useMouseWheel && (action == TS_ACTION_NEXT_WEAPON || action == TS_ACTION_PREVIOUS_WEAPON)) {
        Append(out, size, " / ", TitleText(action == TS_ACTION_NEXT_WEAPON ? 30614 : 30615));
        return;
    }
    if (action >= 0 && action < TsKeyBindings::kMouseActionCount)
        Append(out, size, " , ", TsInput::GetMouseButtonName(bindings.MouseButtonOf(action)));
}

bool TsKeyBindingList::Bind(TsKeyBindings& bindings, int32_t action, int32_t key)
{
    if (key == bindings.KeyOf(TS_ACTION_MENU) || key == bindings.KeyOf(TS_ACTION_GAG))
        return false;
    for (int32_t a = 0; a <= kLastAction; ++a)
        if (bindings.KeyOf(a) == key)
            bindings.SetKey(a, TsKeyBindings::kNone);
    bindings.SetKey(action, key);
    return true;
}

void TsKeyBindingList::DrawItem(float x, float y, float right, float, TsGuiListItem* item)
{
    const int32_t action = static_cast<TsKeyRow*>(item)->action;
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (item == GetSelected() && IsHovered() && frontEnd->GetTopWindow() == GetOwner()) {
        const uint32_t colour = action >= TS_ACTION_CAMERA_LEFT                            ? 0xA000A000
                                : (action == TS_ACTION_SELECT || action == TS_ACTION_MOVE) ? 0xA0800000
                                                                                           : 0xA0000080;
        struct Corner {
            float x, y, z, rhw;
            uint32_t colour;
        };
        const float left = x + 8.0f, bottom = y + m_rowHeight;
        const Corner bar[6] = {{left, y, 0, 1, colour},     {right, y, 0, 1, colour}, {right, bottom, 0, 1, colour},
                               {left, y, 0, 1, colour},     {right, bottom, 0, 1, colour},
                               {left, bottom, 0, 1, colour}};
        if (OmD3D* renderer = OmD3D::Instance()) {
            renderer->SetBlendMode(64);
            renderer->SetTexture(0, -1);
            renderer->SetVertexShader(0x44);
            renderer->DrawPrimitiveUP(plat::GfxPrimitive::TriangleList, 2, bar, sizeof(Corner));
            renderer->SetBlendMode(0);
        }
    }
    const float centre = GuiToPixelsX(m_x + m_width * 0.5f);
    float w = 0.0f, h = 0.0f;
    const char* name = TsInput::GetActionName(action);
    frontEnd->GetPlainTextExtent(name, w, h);
    frontEnd->DrawPlainText(centre - 4.0f - w, y, 0xFFFFFFFF, name, 0);
    char text[128];
    BindingText(m_edited, action, text, sizeof text);
    frontEnd->DrawPlainText(centre + 4.0f, y, 0xFFFFFFFF, text, 0);
}

void TsKeyBindingList::OnMouseDown(int32_t packed, uint32_t buttons)
{
    TsGuiListDialog::OnMouseDown(packed, buttons);
    if (m_scroll.HitTest(float(GuiPackedX(packed)), float(GuiPackedY(packed))))
        return;
    const TsGuiListItem* selected = GetSelected();
    BeginCapture(selected ? static_cast<const TsKeyRow*>(selected)->action : int32_t(TS_ACTION_MOVE));
}

void TsKeyBindingList::BeginCapture(int32_t action)
{
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (action == TS_ACTION_MENU) {
        ShowFrontEndMessage(TitleText(30749), TsGuiMessageBox::kOk, frontEnd);
        return;
    }
    if (!TsInput::IsRebindableAction(action)) {
        ShowFrontEndMessage(TitleText(30617), TsGuiMessageBox::kOk, frontEnd);
        return;
    }
    char text[256];
    std::snprintf(text, sizeof text, "%s '%s'", TitleText(30616), TsInput::GetActionName(action));
    std::unique_ptr<TsKeyCaptureBox> capture(new (std::nothrow) TsKeyCaptureBox(text, action, &m_edited, frontEnd));
    m_capture = capture.get();
    frontEnd->PushWindow(std::move(capture), TsFrontEndBase::kMessageBox);
    if (TsInput* input = TsAccess::Input())
        input->FlushKeyboard();
}

// ---- the capture box ----

TsKeyCaptureBox::TsKeyCaptureBox(const char* text, int32_t action, TsKeyBindings* bindings,
                                 TsFrontEndBase* frontEnd)
    : TsFrontEndMessageBox(text, TsGuiMessageBox::kList, frontEnd), m_action(action), m_bindings(bindings)
{
    m_text[0] = '\0';
}

void TsKeyCaptureBox::Update(float)
{
    TsInput* input = TsAccess::Input();
    if (m_done || !input)
        return;
    TsKeyEvent events[32];
    const int count = input->GetBufferedKeys(32, events);
    if (count <= 0 || !events[0].pressed) {
        input->FlushKeyboard();
        return;
    }
    const int32_t key = int32_t(events[0].code);
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (!TsKeyBindingList::Bind(*m_bindings, m_action, key)) {
        std::snprintf(m_text, sizeof m_text, "%s %s", TsInput::GetKeyName(key), TitleText(30750));
        frontEnd->PopWindow();
        ShowFrontEndMessage(m_text, TsGuiMessageBox::kOk, frontEnd);
        input->FlushKeyboard();
        return;
    }
    m_done = 1;
    input->FlushKeyboard();
    frontEnd->PopWindow();
}

// ---- buttons and toggles ----

void TsKeysDoneButton::Open(TsGuiArg x, TsGuiArg y)
{
    TsFrontEndButton::Open(x, y);
    SetRect(0.8f, 0.88f, 0.04f, 0.05f);
    SetText(TitleText(30608));
}

void TsKeysDoneButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    const bool act = m_pressed != 0;
    TsFrontEndButton::OnMouseUp(packed, buttons);
    if (act)
        if (TsInputScreen* screen = ScreenOf(*this))
            screen->Finish();
}

void TsKeysDoneButton::Update(float)
{
    TsInputScreen* screen = ScreenOf(*this);
    TsFrontEndBase* frontEnd = FrontEnd();
    if (!m_waiting || !screen || frontEnd->GetTopWindow() != screen)
        return;
    if (frontEnd->GetMessageResult() == TsFrontEndBase::kResultOk) {
        screen->StoreBindings();
    } else {
        screen->list.Edited().SetDefaults();
        screen->SyncToggles();
    }
    m_waiting = 0;
    frontEnd->PopWindow();
}

void TsDefaultKeysButton::OnMouseDown(int32_t, uint32_t)
{
    m_waiting = 1;
    ShowFrontEndMessage(TitleText(30609), TsGuiMessageBox::kYesNo, FrontEnd());
    m_pressed = 1;
}

void TsDefaultKeysButton::Update(float)
{
    TsInputScreen* screen = ScreenOf(*this);
    TsFrontEndBase* frontEnd = FrontEnd();
    if (!m_waiting || !screen || frontEnd->GetTopWindow() != screen)
        return;
    if (frontEnd->GetMessageResult() == TsFrontEndBase::kResultYes) {
        screen->list.Edited().SetDefaults();
        screen->SyncToggles();
    }
    m_waiting = 0;
}

void TsSwapMouseToggle::Open(TsGuiArg x, TsGuiArg y)
{
    const TsFrontEndBase* f = GuiFrontEndOf(*this);
    SetSprites(TitleSprite(f, 30), TitleSprite(f, 30, 0, 66, true));
    TsGuiToggle::Open(x, y);
}

void TsSwapMouseToggle::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGuiToggle::OnMouseUp(packed, buttons);
    TsInputScreen* screen = ScreenOf(*this);
    if (!screen || !IsHovered())
        return;
    TsKeyBindings& b = screen->list.Edited();
    if (b.mouseButton[TS_ACTION_ATTACK] != 2) {
        b.mouseButton[TS_ACTION_CANCEL] = !b.mouseButton[TS_ACTION_CANCEL];
        b.mouseButton[TS_ACTION_ATTACK] = !b.mouseButton[TS_ACTION_ATTACK];
    }
    if (b.mouseButton[TS_ACTION_MOVE] != 2) {
        b.mouseButton[TS_ACTION_SELECT] = !b.mouseButton[TS_ACTION_SELECT];
        b.mouseButton[TS_ACTION_MOVE] = !b.mouseButton[TS_ACTION_MOVE];
    }
}

void TsMouseWheelToggle::Open(TsGuiArg x, TsGuiArg y)
{
    const TsFrontEndBase* f = GuiFrontEndOf(*this);
    SetSprites(TitleSprite(f, 31), TitleSprite(f, 32, 0, 66, true));
    TsGuiToggle::Open(x, y);
}

void TsMouseWheelToggle::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGuiToggle::OnMouseUp(packed, buttons);
    if (TsInputScreen* screen = ScreenOf(*this); screen && IsHovered())
        screen->list.Edited().useMouseWheel = !screen->list.Edited().useMouseWheel;
}

// ---- the screen ----

TsInputScreen::TsInputScreen(TsFrontEndBase* frontEnd)
    : TsGuiWindow(frontEnd), list(frontEnd), info(frontEnd), panel(frontEnd)
{
}

void TsInputScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&done);
    AddChild(&list);
    AddChild(&info);
    AddChild(&panel);
    AddChild(&swapMouse);
    AddChild(&mouseWheel);
    AddChild(&defaults);
    panel.AddItem(&mouseWheel);
    panel.AddItem(&swapMouse);
    panel.SetTitle(TitleText(30622));
    mouseWheel.SetRect(0.9f, 0.2f, 0.04f, 0.05f);
    mouseWheel.SetLabel(TitleText(30624));
    swapMouse.SetRect(0.9f, 0.3f, 0.04f, 0.05f);
    swapMouse.SetLabel(TitleText(30623));
    defaults.SetText(TitleText(30625));
    TsGuiWindow::Open(x, y);
    float w = 0.0f, h = 0.0f;
    GetFrontEnd()->GetPlainTextExtent("0", w, h);
    const float rows = info.GetFrameSprite(TS_FRAME_TOP).GetPixelHeight() +
                       info.GetFrameSprite(TS_FRAME_LEFT).GetPixelHeight() +
                       info.GetFrameSprite(TS_FRAME_BOTTOM).GetPixelHeight();
    info.SetRect(list.GetX(), list.GetBottom(), list.GetRight(), GuiToFractionY(4.0f * h + rows));
    panel.Layout();
    panel.MoveTo(list.GetRight() + GuiToFractionX(4.0f), list.GetY());
    defaults.SetPosition(panel.GetX(), panel.GetBottom() + defaults.GetHeight());
    const TsKeyBindings& options = TsAccess::Options()->GetKeyBindings();
    swapMouse.SetChecked(options.mouseButton[TS_ACTION_MOVE] != 0);
    mouseWheel.SetChecked(options.useMouseWheel == 0);
}

// Every visit edits a fresh copy of the stored bindings (the list takes it
// as it is activated), so the toggles show that copy, not what a discarded
// visit left on them.
void TsInputScreen::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiWindow::Activate(a, b);
    SyncToggles();
}

void TsInputScreen::SyncToggles()
{
    const TsKeyBindings& b = list.Edited();
    swapMouse.SetChecked(b.mouseButton[TS_ACTION_SELECT] != 0);
    mouseWheel.SetChecked(b.useMouseWheel == 0);
}

void TsInputScreen::StoreBindings()
{
    TsOptions* options = TsAccess::Options();
    const TsKeyBindings& b = list.Edited();
    options->SetLMoveRFire(b.mouseButton[TS_ACTION_MOVE] == 0);
    options->SetUseMouseWheel(b.useMouseWheel != 0);
    for (int32_t action = 0; action < TsKeyBindings::kActionCount; ++action)
        options->SetKeyBinding(action, b.KeyOf(action));
    options->Apply(TsOptions::APPLY_BINDINGS);
    if (!options->Save())
        LogError("Options: options.lua could not be written; the key bindings last until the game ends");
}

void TsInputScreen::Finish()
{
    const TsInput* input = TsAccess::Input();
    const TsKeyBindings current = input ? input->GetKeyBindings() : TsAccess::Options()->GetKeyBindings();
    if (!(list.Edited() == current)) {
        ShowFrontEndMessage(TitleText(30607), TsGuiMessageBox::kOkCancel, GetFrontEnd());
        done.SetWaiting();
        return;
    }
    GetFrontEnd()->PopWindow();
}

void TsInputScreen::Update(float time)
{
    TsGuiWindow::Update(time);
    if (TsActionInput::BackPressed() && GetFrontEnd()->GetTopWindow() == this)
        Finish();
}

void TsInputScreen::Render(float fraction)
{
    DrawScreenTitle(GetFrontEnd(), TitleText(30626));
    TsGuiWindow::Render(fraction);
    const TsGuiListItem* selected = list.GetSelected();
    if (list.IsHovered() && selected)
        info.DrawHelp(TsInput::GetActionListName(static_cast<const TsKeyRow*>(selected)->action));
}
