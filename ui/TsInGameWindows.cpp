#include "ui/TsInGameWindows.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "game/framework/TsAccess.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/objects/TsPlayer.h"
#include "platform/KeyCodes.h"
#include "ui/TsActionInput.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"

using TsActionInput::BackPressed;

namespace {

constexpr int32_t kSavedText = 30722, kSaveFailedText = 30723;
constexpr int32_t kObjectiveTitle = 30724, kObjectiveButton = 30725, kHintText = 30726;

TsGuiButton* MakeGameButton(TsGuiMessageBox&) { return new (std::nothrow) TsGameButton(); }

void CloseMenu(TsFrontEndBase* frontEnd)
{
    if (auto* game = dynamic_cast<TsGameFrontEnd*>(frontEnd))
        game->SetActive(false, true);
}

// A click on the HUD's comms button, which opened the menu, closes it too.
bool CommsClicked()
{
    const TsInput* input = TsAccess::Input();
    return input && input->IsActionPressed(TS_ACTION_SELECT) &&
           TsHUDe::IsCursorOnCommsButton(input->GetCursorX(), input->GetCursorY());
}

} // namespace

const char* GameText(int32_t id)
{
    const TsDialogStrings* strings = TsAccess::DialogStrings();
    const char* text = strings ? strings->GetString(id) : nullptr;
    return text ? text : "";
}

// ---- message boxes ----

void ShowMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd)
{
    if (!frontEnd)
        return;
    frontEnd->PushWindow(std::unique_ptr<TsGuiWindow>(new (std::nothrow) TsGameMessageBox(text, kind, frontEnd)),
                         TsFrontEndBase::kMessageBox);
}

void ShowMessageBoxAt(const char* text, float x, float y, TsFrontEndBase* frontEnd)
{
    if (!frontEnd)
        return;
    std::unique_ptr<TsGameMessageBox> box(new (std::nothrow) TsGameMessageBox(text, TsGuiMessageBox::kList, frontEnd));
    if (!box)
        return;
    box->PlaceAt(x, y);
    frontEnd->PushWindow(std::move(box), TsFrontEndBase::kMessageBox);
}

void ShowQuestion(const char* text, int32_t count, const TsGuiMessageButton* buttons, TsFrontEndBase* frontEnd)
{
    if (!frontEnd)
        return;
    std::unique_ptr<TsGameMessageBox> box(new (std::nothrow) TsGameMessageBox(text, TsGuiMessageBox::kList, frontEnd));
    if (!box)
        return;
    box->SetButtons(count, buttons);
    // A box closed without an answer reads as cancelled.
    frontEnd->SetMessageResult(TsGameMessageBox::kCancelled);
    frontEnd->PushWindow(std::move(box), TsFrontEndBase::kMessageBox);
}

TsGameMessageBox::TsGameMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd)
    : TsGuiMessageBox(text, kind, frontEnd, MakeGameButton)
{
}

void TsGameMessageBox::SetButtons(int32_t count, const TsGuiMessageButton* buttons)
{
    m_listCount = std::clamp(count, 0, kMaxButtons);
    for (int32_t i = 0; buttons && i < m_listCount; ++i)
        m_list[i] = buttons[i];
}

// The arguments of Open are the stack's (a position for a placed box), never
// a button list: the box's own list is handed over here.
void TsGameMessageBox::Open(TsGuiArg, TsGuiArg)
{
    if (auto* game = dynamic_cast<TsGameFrontEnd*>(GetFrontEnd())) {
        TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
        game->StandardFrame(frame);
        SetFrameSprites(frame);
    }
    SetShaded(true);
    OpenWith(m_listCount, m_listCount > 0 ? m_list : nullptr);
    if (m_placed) {
        const float dx = GuiToFractionX(m_placeX) - m_x, dy = GuiToFractionY(m_placeY) - m_y;
        SetPosition(m_x + dx, m_y + dy);
        for (int32_t i = 0; i < m_buttonCount; ++i)
            m_buttons[i]->SetPosition(m_buttons[i]->GetPositionX() + dx, m_buttons[i]->GetPositionY() + dy);
    }
}

// ---- pause menu ----

TsPauseMenu::TsPauseMenu(TsFrontEndBase* frontEnd) : TsGuiDialog(frontEnd) {}

TsGameButton* TsPauseMenu::GetButton(int32_t i) const
{
    TsGameButton* const buttons[kButtonCount] = {const_cast<TsDiaryButton*>(&diary),
                                                 const_cast<TsGameOptionsButton*>(&options),
                                                 const_cast<TsLoadLastSaveButton*>(&loadLastSave),
                                                 const_cast<TsQuickSaveButton*>(&quickSave),
                                                 const_cast<TsResumeButton*>(&resume),
                                                 const_cast<TsGameQuitButton*>(&quit)};
    return i >= 0 && i < kButtonCount ? buttons[i] : nullptr;
}

void TsPauseMenu::Open(TsGuiArg x, TsGuiArg y)
{
    if (auto* game = dynamic_cast<TsGameFrontEnd*>(GetFrontEnd())) {
        TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
        game->StandardFrame(frame);
        SetFrameSprites(frame);
    }
    SetShaded(true);
    for (int32_t i = 0; i < kButtonCount; ++i)
        AddChild(GetButton(i));
    TsGuiDialog::Open(x, y);
    for (int32_t i = 0; i < kButtonCount; ++i)
        GetButton(i)->SetText(GameText(kFirstText + i));
    PlaceButtons();
}

void TsPauseMenu::PlaceButtons()
{
    const float step = diary.GetHeight() + GuiToFractionY(4.0f);
    float widest = 0.0f;
    for (int32_t i = 0; i < kButtonCount; ++i)
        widest = std::max(widest, GetButton(i)->GetWidth());
    const float width = widest * 1.5f, height = 7.0f * step;
    SetRect(0.5f - width / 2.0f, 0.5f - height / 2.0f, width, height);
    for (int32_t i = 0; i < kButtonCount; ++i)
        GetButton(i)->SetRect(0.5f - widest / 2.0f, m_y + step / 2.0f + float(i) * step, widest, step);
}

void TsPauseMenu::Update(float time)
{
    TsGuiDialog::Update(time);
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (!frontEnd)
        return;
    if (!m_quitPending) {
        if (BackPressed() || CommsClicked())
            CloseMenu(frontEnd);
        return;
    }
    // The question box has been answered once the menu is on top again.
    if (frontEnd->GetTopWindow() != this)
        return;
    if (frontEnd->GetMessageResult() == TsFrontEndBase::kResultYes)
        if (TsMain* app = TsMain::Instance())
            app->RequestMode(TS_MODE_FRONT_END);
    m_quitPending = 0;
}

bool TsPauseMenu::QuickSave(TsFrontEndBase* frontEnd)
{
    TsMain* app = TsMain::Instance();
    const bool saved = app && app->SaveGame();
    if (saved)
        if (TsPlayer* player = TsAccess::LocalPlayer())
            player->SetLoadedSaveName(player->GetSaveName());
    ShowMessageBox(GameText(saved ? kSavedText : kSaveFailedText), TsGuiMessageBox::kOk, frontEnd);
    return saved;
}

void TsDiaryButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGameButton::OnMouseUp(packed, buttons);
    if (TsGameFrontEnd* frontEnd = FrontEnd())
        if (TsGuiWindow* screen = frontEnd->GetDiaryScreen())
            frontEnd->PushWindow(screen, TsFrontEndBase::kScreen);
}

// Goes back to the game loaded or saved last: what was done since is lost,
// so the button's text names that, not a move on to another area.
void TsLoadLastSaveButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGameButton::OnMouseUp(packed, buttons);
    if (TsPlayer* player = TsAccess::LocalPlayer())
        player->ChangeLevel();
}

void TsQuickSaveButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGameButton::OnMouseUp(packed, buttons);
    TsPauseMenu::QuickSave(FrontEnd());
}

void TsResumeButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGameButton::OnMouseUp(packed, buttons);
    CloseMenu(FrontEnd());
}

void TsGameQuitButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGameButton::OnMouseUp(packed, buttons);
    TsGameFrontEnd* frontEnd = FrontEnd();
    if (auto* menu = dynamic_cast<TsPauseMenu*>(GetOwner()); menu && frontEnd) {
        ShowMessageBox("Are you sure you want to quit?", TsGuiMessageBox::kYesNo, frontEnd);
        menu->SetQuitPending(true);
    }
}

// ---- objective window ----

TsObjectiveWindow::TsObjectiveWindow(TsFrontEndBase* frontEnd) : TsGuiDialog(frontEnd) {}

void TsObjectiveWindow::Open(TsGuiArg a, TsGuiArg b)
{
    OpenWith(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
}

void TsObjectiveWindow::OpenWith(const char* objective, const char* hint)
{
    if (IsOpen())
        return;
    AddChild(&button);
    if (auto* game = dynamic_cast<TsGameFrontEnd*>(GetFrontEnd())) {
        TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
        game->StandardFrame(frame);
        SetFrameSprites(frame);
    }
    SetShaded(true);
    SetText(objective, hint);
    TsGuiDialog::Open(0, 0);
    button.SetText(GameText(kObjectiveButton));
    Measure();
}

void TsObjectiveWindow::SetText(const char* objective, const char* hint)
{
    m_title = GameText(kObjectiveTitle);
    m_objective = objective ? objective : "";
    if (hint && *hint) {
        char line[kMaxHint + 1];
        std::snprintf(line, sizeof line, "%s : %s", GameText(kHintText), hint);
        m_hint = line;
    } else {
        m_hint = "";
    }
    if (IsOpen())
        Measure();
}

void TsObjectiveWindow::Measure()
{
    TsFrontEndBase* frontEnd = GetFrontEnd();
    const float sw = GuiToPixelsX(1.0f), sh = GuiToPixelsY(1.0f);
    const float wrap = sw / 2.0f - kSideMargin * 2.0f;
    float w = 0.0f;
    m_titleHeight = m_objectiveHeight = m_hintHeight = 0.0f;
    if (frontEnd) {
        frontEnd->GetTitleTextExtent(m_title.Get() ? m_title.Get() : "", w, m_titleHeight);
        frontEnd->MeasureWrappedText(m_objective.Get() ? m_objective.Get() : "", wrap, sh / 2.0f, w, m_objectiveHeight);
        frontEnd->MeasureWrappedText(m_hint.Get() ? m_hint.Get() : "", wrap, sh / 2.0f, w, m_hintHeight);
    }
    const float buttonHeight = GuiToPixelsY(button.GetHeight());
    const float height = kTopMargin + m_titleHeight + kGap + m_objectiveHeight + kGap + m_hintHeight +
                         kBottomMargin + kButtonGap + buttonHeight;
    const float width = GuiToFractionX(sw / 2.0f), h = GuiToFractionY(height);
    SetRect(0.5f - width / 2.0f, 0.5f - h / 2.0f, width, h);
    button.SetPosition(0.5f - button.GetWidth() / 2.0f,
                       m_y + GuiToFractionY(height - kButtonGap - buttonHeight));
}

void TsObjectiveWindow::Render(float fraction)
{
    TsGuiDialog::Render(fraction);
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (!frontEnd)
        return;
    const float left = GuiToPixelsX(m_x) + kSideMargin, right = GuiToPixelsX(GetRight()) - kSideMargin;
    float y = GuiToPixelsY(m_y) + kTopMargin;
    float tw = 0.0f, th = 0.0f;
    frontEnd->GetTitleTextExtent(m_title.Get() ? m_title.Get() : "", tw, th);
    frontEnd->DrawTitleText(GuiToPixelsX(m_x + m_width / 2.0f) - tw / 2.0f, y, 0xFFFF0000, m_title.Get(), 0);
    y += m_titleHeight + kGap;
    frontEnd->DrawWrappedText(left, y, right, y + m_objectiveHeight + 1.0f, 0xFFFFFFFF, m_objective.Get(), 0);
    y += m_objectiveHeight + kGap;
    frontEnd->DrawWrappedText(left, y, right, y + m_hintHeight + 1.0f, 0x808080FF, m_hint.Get(), 1);
}

void TsObjectiveWindow::Update(float time)
{
    TsGuiDialog::Update(time);
    const TsInput* input = TsAccess::Input();
    const bool returnHeld = input && input->IsKeyDown(plat::kKeyReturn);
    // Back (Escape) dismisses the page too, as it does every other in-game
    // window: a player reaches for it first to get back to play.
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (!frontEnd || (!returnHeld && !BackPressed() && !button.IsLatched()))
        return;
    // Only this page closes: a lesson shown in the same tick waits beneath.
    frontEnd->CloseWindow(this);
    if (!frontEnd->HasOpenWindows())
        CloseMenu(frontEnd);
}
