#include "ui/TsTitleScreens.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

#include "engine/OmReport.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsSaveGames.h"
#include "game/objects/TsPlayer.h"
#include "platform/GfxTypes.h"
#include "platform/KeyCodes.h"
#include "render/OmD3D.h"
#include "ui/TsFrontEnd.h"
#include "ui/TsFrontEndSkinShape.h"

namespace {

constexpr int32_t kClickSound = 204;
constexpr int32_t kMainTexts[6] = {30597, 30598, 30599, 30600, 30601, 30602};

// The names of the six hidden modes (their on and off texts follow each).
constexpr int32_t kHiddenModeNames[6] = {30573, 30576, 30579, 30582, 30585, 30588};

TsGuiButton* MakeFrontEndButton(TsGuiMessageBox&) { return new (std::nothrow) TsFrontEndButton(); }

OmD3D* Renderer() { return OmD3D::Instance(); }

// Builds and saves the new mission and makes its save the one the level
// mode loads. A failure shows the player nothing: the reason is logged by
// the mission start, the text goes to the debug print.
bool StartTitleMission(const char* secondText, int32_t saveNumber, int32_t failureText)
{
    TsMain* app = TsMain::Instance();
    if (app && app->StartMission(PlayerName().Get(), "OnNewGame", secondText, saveNumber))
        return true;
    if (!app)
        LogError("New game: there is no application to start the mission in");
    DebugPrint("%s", TitleText(failureText));
    return false;
}

} // namespace

// ---- shared pieces ----

OmString& PlayerName()
{
    static OmString name("player");
    return name;
}

bool IsValidPlayerName(const char* name)
{
    if (!name || !*name)
        return false;
    for (const char* p = name; *p; ++p) {
        const char c = *p;
        const bool ok = (c >= '0' && c <= '9') || c == ' ' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool CheckHiddenModeName(TsFrontEndBase* frontEnd)
{
    const char* name = PlayerName().Get();
    if (!name)
        return false;
    for (int32_t mode = 0; mode < TsPlayer::EASTEREGGTYPES; ++mode) {
        const int32_t id = kHiddenModeNames[mode];
        if (!*TitleText(id) || strcasecmp(name, TitleText(id)) != 0)
            continue;
        // A matching name toggles its mode and starts no game; the on and
        // off texts follow the name's text id.
        const bool on = !TsPlayer::_IsEasterEggEnabled(mode);
        TsPlayer::_EnableEasterEgg(mode, on);
        ShowFrontEndMessage(TitleText(on ? id + 1 : id + 2), 0, frontEnd);
        return true;
    }
    return false;
}

const char* TitleText(int32_t id)
{
    const TsDialogStrings* strings = TsAccess::DialogStrings();
    const char* text = strings ? strings->GetString(id) : nullptr;
    return text ? text : "";
}

void ShowFrontEndMessage(const char* text, int32_t kind, TsFrontEndBase* frontEnd)
{
    if (!frontEnd)
        return;
    frontEnd->PushWindow(std::unique_ptr<TsGuiWindow>(new (std::nothrow) TsFrontEndMessageBox(text, kind, frontEnd)),
                         TsFrontEndBase::kMessageBox);
}

void DrawScreenTitle(TsFrontEndBase* frontEnd, const char* text)
{
    if (!frontEnd || !text)
        return;
    float width = 0.0f, height = 0.0f;
    frontEnd->GetLargeTitleTextExtent(text, width, height);
    const float x = float(int32_t(GuiToPixelsX(0.5f)) - int32_t(width) / 2);
    frontEnd->DrawLargeTitleText(x, GuiToPixelsY(0.05f), 0xFFFFFFFF, text, 0);
}

TsGuiSpritePlacement TitleSprite(const TsFrontEndBase* frontEnd, int32_t index, int32_t orientation,
                                 uint32_t blendMode, bool mirrorX)
{
    TsGuiSpritePlacement p;
    const auto* host = static_cast<const TsFrontEndHost*>(frontEnd);
    p.sprite = host ? host->GetSprite(index) : nullptr;
    p.orientation = orientation;
    p.blendMode = blendMode;
    p.mirrorX = mirrorX ? 1 : 0;
    return p;
}

void TitleDialogFrame(const TsFrontEndBase* frontEnd, TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS])
{
    static const int32_t kFrame[TS_FRAME_SLOTS][2] = {{14, 0}, {9, 0}, {14, 1}, {10, 0},
                                                       {10, 2}, {14, 3}, {9, 2}, {14, 2}};
    for (int i = 0; i < TS_FRAME_SLOTS; ++i)
        frame[i] = TitleSprite(frontEnd, kFrame[i][0], kFrame[i][1]);
}

// ---- buttons ----

void TsFrontEndButton::Open(TsGuiArg x, TsGuiArg y)
{
    TsGuiButton::Open(x, y);
    const TsFrontEndBase* frontEnd = FrontEnd();
    SetSprites(TitleSprite(frontEnd, 37), TitleSprite(frontEnd, 38), TitleSprite(frontEnd, 39));
}

void TsFrontEndButton::OnMouseMove(int32_t packed, uint32_t buttons)
{
    TsGuiButton::OnMouseMove(packed, buttons);
    if (m_pressed)
        m_pressed = m_hover;
}

void TsFrontEndButton::OnMouseDown(int32_t, uint32_t) { m_pressed = 1; }

void TsFrontEndButton::OnMouseUp(int32_t, uint32_t)
{
    if (!m_pressed)
        return;
    if (TsAudio* audio = TsAccess::Audio())
        audio->PlaySound(kClickSound, 0.0f, 0.0f, 0.0f, false);
    m_pressed = 0;
}

void TsPageButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    if (m_pressed && m_factory) {
        TsFrontEndBase* frontEnd = FrontEnd();
        if (TsGuiWindow* page = m_factory(frontEnd))
            frontEnd->PushWindow(page, TsFrontEndBase::kScreen);
    }
    TsFrontEndButton::OnMouseUp(packed, buttons);
}

void TsBackButton::Open(TsGuiArg x, TsGuiArg y)
{
    TsFrontEndButton::Open(x, y);
    SetRect(0.8f, 0.88f, 0.04f, 0.05f);
    SetText(TitleText(30595));
}

void TsBackButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    const bool act = m_pressed != 0;
    TsFrontEndButton::OnMouseUp(packed, buttons);
    if (act)
        if (TsFrontEndBase* frontEnd = FrontEnd())
            frontEnd->PopWindow();
}

TsFrontEndMessageBox::TsFrontEndMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd)
    : TsGuiMessageBox(text, kind, frontEnd, MakeFrontEndButton)
{
}

void TsFrontEndMessageBox::Open(TsGuiArg a, TsGuiArg b)
{
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    TitleDialogFrame(GetFrontEnd(), frame);
    SetFrameSprites(frame);
    SetFrameLines(true);
    TsGuiMessageBox::Open(a, b);
}

// ---- the main screen ----

TsMainScreen::TsMainScreen(TsFrontEndBase* frontEnd)
    : TsGuiWindow(frontEnd), loadGame(TsFrontEnd::GetLoadScreen), options(TsFrontEnd::GetOptionsScreen),
      credits(TsFrontEnd::GetCreditsScreen)
{
}

void TsMainScreen::Open(TsGuiArg x, TsGuiArg y)
{
    TsFrontEndButton* buttons[6] = {&newGame, &tutorial, &loadGame, &options, &credits, &quit};
    for (int k = 0; k < 6; ++k)
        AddChild(buttons[k]);
    TsGuiWindow::Open(x, y);
    for (int k = 0; k < 6; ++k)
        buttons[k]->SetText(TitleText(kMainTexts[k]));
    const float width = std::max(GetWidestChild(), 0.26f);
    const float step = newGame.GetHeight() + GuiToFractionY(4.0f);
    for (int k = 0; k < 6; ++k)
        buttons[k]->SetRect(0.1f, 0.3f + float(k) * step, width, 0.05f);
}

void TsMainScreen::Render(float fraction)
{
    if (OmD3D* renderer = Renderer()) {
        renderer->DispatchRenderState(plat::GfxRs::AlphaBlendEnable, 1);
        renderer->DispatchRenderState(plat::GfxRs::SrcBlend, 3);
        renderer->DispatchRenderState(plat::GfxRs::DestBlend, 2);
        DrawScreenTitle(GetFrontEnd(), TitleText(30603));
        renderer->DispatchRenderState(plat::GfxRs::AlphaBlendEnable, 0);
    }
    TsGuiWindow::Render(fraction);
}

void TsNewGameButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    if (m_pressed) {
        TsFrontEndBase* frontEnd = FrontEnd();
        if (TsGuiWindow* dialog = TsFrontEnd::GetNewGameScreen(frontEnd)) {
            frontEnd->PushWindow(dialog, TsFrontEndBase::kMessageBox);
            m_waiting = 1;
        }
    }
    TsFrontEndButton::OnMouseUp(packed, buttons);
}

void TsNewGameButton::Update(float)
{
    TsFrontEndBase* frontEnd = FrontEnd();
    if (!m_waiting || !frontEnd || frontEnd->GetTopWindow() != GetOwner())
        return;
    m_waiting = 0;
    FinishNewGame();
}

void TsNewGameButton::FinishNewGame()
{
    TsFrontEndBase* frontEnd = FrontEnd();
    if (CheckHiddenModeName(frontEnd) || frontEnd->GetMessageResult() != TsFrontEndBase::kResultOk)
        return;
    if (PlayerName().IsEmpty()) {
        ShowFrontEndMessage(TitleText(30591), TsGuiMessageBox::kOk, frontEnd);
        return;
    }
    if (!IsValidPlayerName(PlayerName().Get())) {
        ShowFrontEndMessage(TitleText(30592), TsGuiMessageBox::kOk, frontEnd);
        return;
    }
    // A name used before continues its numbering, so no earlier save of
    // that player is written over.
    if (StartTitleMission(nullptr, GetHighestSaveNumber(PlayerName().Get()), 30593))
        frontEnd->EnterGame();
}

void TsTutorialButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    if (m_pressed) {
        PlayerName() = "Warden";
        TsFrontEndBase* frontEnd = FrontEnd();
        // The button is released either way, so a failed start leaves it
        // ready for the next click rather than armed.
        if (StartTitleMission("Tutorial", 0, 30594) && frontEnd)
            frontEnd->EnterGame();
    }
    TsFrontEndButton::OnMouseUp(packed, buttons);
}

void TsQuitButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    if (m_pressed)
        if (auto* frontEnd = dynamic_cast<TsFrontEnd*>(FrontEnd()))
            frontEnd->AskToQuit();
    TsFrontEndButton::OnMouseUp(packed, buttons);
}

// ---- the new-game dialog ----

void TsNameEditBox::Open(TsGuiArg x, TsGuiArg y)
{
    TsGuiEditBox::Open(x, y);
    const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this);
    SetSprites(TitleSprite(frontEnd, 37), TitleSprite(frontEnd, 38), TitleSprite(frontEnd, 39));
}

TsNewGameScreen::TsNewGameScreen(TsFrontEndBase* frontEnd) : TsGuiDialog(frontEnd) {}

void TsNewGameScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&name);
    AddChild(&ok);
    AddChild(&cancel);
    name.SetLabel(TitleText(30610));
    ok.SetText(TitleText(30611));
    cancel.SetText(TitleText(30612));
    name.SetFocused(true);
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    TitleDialogFrame(GetFrontEnd(), frame);
    SetFrameSprites(frame);
    SetFrameLines(true);
    float labelWidth = 0.0f, labelHeight = 0.0f;
    GetFrontEnd()->GetTitleTextExtent(TitleText(30610), labelWidth, labelHeight);
    SetRect(0.4f - GuiToFractionX(labelWidth), 0.3f, 0.5f, 0.4f);
    TsGuiDialog::Open(x, y);
    const float step = ok.GetHeight() + GuiToFractionY(4.0f);
    name.SetRect(0.45f, 0.35f, 0.25f, 0.4f);
    ok.SetRect(0.45f, 0.35f + step, 0.25f, 0.4f);
    cancel.SetRect(0.45f, 0.35f + 2.0f * step, 0.25f, 0.4f);
}

void TsNewGameScreen::Activate(TsGuiArg a, TsGuiArg b)
{
    m_answered = 0;
    PlayerName() = "";
    name.ClearText();
    TsGuiDialog::Activate(a, b);
}

void TsNewGameScreen::Close(int32_t result)
{
    TsFrontEndBase* frontEnd = GetFrontEnd();
    frontEnd->SetMessageResult(result);
    if (result == TsFrontEndBase::kResultOk) {
        PlayerName() = name.GetText();
    } else {
        PlayerName() = "";
        name.ClearText();
    }
    m_answered = 1;
    frontEnd->PopWindow();
}

void TsNewGameScreen::Deactivate(TsGuiArg a, TsGuiArg b)
{
    if (!m_answered) {
        // Escape, or anything else that took the dialog away.
        GetFrontEnd()->SetMessageResult(TsFrontEndBase::kResultCancel);
        PlayerName() = "";
        name.ClearText();
        m_answered = 1;
    }
    TsGuiDialog::Deactivate(a, b);
}

void TsNewGameScreen::OnMouseUp(int32_t packed, uint32_t buttons)
{
    const float px = float(GuiPackedX(packed)), py = float(GuiPackedY(packed));
    int32_t result = -1;
    if (ok.IsPressed() && ok.HitTest(px, py))
        result = TsFrontEndBase::kResultOk;
    else if (cancel.IsPressed() && cancel.HitTest(px, py))
        result = TsFrontEndBase::kResultCancel;
    TsGuiDialog::OnMouseUp(packed, buttons);
    if (result >= 0)
        Close(result);
}

// The name's box takes the keys typed in this tick before Return is looked
// at: a name and Return typed quickly enough to fall in one tick give the
// name, not an empty one.
void TsNewGameScreen::Update(float time)
{
    TsGuiDialog::Update(time);
    if (const TsInput* input = TsAccess::Input()) {
        if (input->IsKeyDown(plat::kKeyReturn)) {
            Close(TsFrontEndBase::kResultOk);
        } else if (input->IsActionReleased(TS_ACTION_MENU)) {
            Close(TsFrontEndBase::kResultCancel);
        }
    }
}

// ---- the credits ----

TsCreditsScreen::TsCreditsScreen(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd) {}

void TsCreditsScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&back);
    TsGuiWindow::Open(x, y);
}

namespace {

TsCreditsScroller* ScrollerOf(TsFrontEndBase* frontEnd)
{
    auto* title = dynamic_cast<TsFrontEnd*>(frontEnd);
    TsFrontEndSkinShape* shape = title ? title->GetCharacterShape() : nullptr;
    return shape ? &shape->GetScroller() : nullptr;
}

} // namespace

void TsCreditsScreen::Activate(TsGuiArg a, TsGuiArg b)
{
    if (TsCreditsScroller* scroller = ScrollerOf(GetFrontEnd())) {
        scroller->SetCreditsOn(true);
        scroller->Reset();
    }
    TsGuiWindow::Activate(a, b);
}

void TsCreditsScreen::Deactivate(TsGuiArg a, TsGuiArg b)
{
    if (TsCreditsScroller* scroller = ScrollerOf(GetFrontEnd()))
        scroller->SetCreditsOn(false);
    TsGuiWindow::Deactivate(a, b);
}

void TsCreditsScreen::Render(float fraction)
{
    DrawScreenTitle(GetFrontEnd(), TitleText(30596));
    TsGuiWindow::Render(fraction);
}
