// What a cut scene and the game's objects ask of the party and of the
// screens the level owns (the HUD, the radar, the in-game menu): objects
// name what happened, and the level decides what each screen makes of it.
#include "game/level/TsLevel.h"

#include "game/framework/TsAccess.h"
#include "game/objects/TsPlayer.h"
#include "platform/Window.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"
#include "ui/TsInGameWindows.h"
#include "ui/TsRadar.h"

namespace {

constexpr int32_t kQuitText = 30748; // "really quit?"

} // namespace

// The road by which a cut scene takes the screen. The inventory goes at
// once and silently, as under a conversation: its closing sound answers
// the player's own closing.
void TsLevel::ClearScreenForScene()
{
    if (m_hud && m_hud->IsPanelOpen() && !m_hud->IsTraderPending()) {
        m_hud->CloseInventory(false, true);
    }
}

void TsLevel::HoldSquad()
{
    if (TsPlayer* player = TsAccess::LocalPlayer()) {
        player->HoldSquad();
    }
}

// A conversation takes the inventory away at once and silently, a trader's
// too: his panel opens when the talk ends, not when the flight home of an
// inventory that was closing anyway lands in the middle of it.
void TsLevel::ConversationStarted()
{
    if (m_radar) {
        m_radar->UseRadar(false);
    }
    if (m_hud) {
        m_hud->CloseInventory(false, true);
    }
}

void TsLevel::ConversationEnded()
{
    if (m_radar) {
        m_radar->UseRadar(true);
    }
    if (m_hud && m_hud->IsTraderPending()) {
        m_hud->OnConversationEnd();
    }
}

void TsLevel::CollisionMapChanged(int32_t tileX, int32_t tileZ, int32_t width, int32_t height)
{
    if (m_radar) {
        m_radar->HandleCollisionMapChange(tileX, tileZ, width, height);
    }
}

bool TsLevel::ScreenTookClick() const
{
    return m_hud && m_hud->TookInput();
}

void TsLevel::AcknowledgeOrder()
{
    if (m_hud) {
        m_hud->StartBlink();
    }
}

void TsLevel::ShowMessage(int32_t textId)
{
    if (!m_gameFrontEnd) {
        return;
    }
    m_gameFrontEnd->SetActive(true, false);
    ShowMessageBox(GameText(textId), TsGuiMessageBox::kOk, m_gameFrontEnd);
}

void TsLevel::AskToQuit()
{
    if (!m_gameFrontEnd) {
        return;
    }
    m_quitAsked = true;
    m_gameFrontEnd->SetActive(true, false);
    ShowMessageBox(GameText(kQuitText), TsGuiMessageBox::kYesNo, m_gameFrontEnd);
}

void TsLevel::OpenDiary()
{
    if (!m_gameFrontEnd) {
        return;
    }
    m_gameFrontEnd->SetActive(true, false);
    m_gameFrontEnd->PushWindow(m_gameFrontEnd->GetDiaryScreen(), TsFrontEndBase::kScreen);
}

// The quit question is read once its box has closed, before the player's
// own tick: "Yes" ends the program; either answer drops the question.
void TsLevel::QuitStep()
{
    if (!m_quitAsked || m_gameFrontEnd->HasOpenWindows()) {
        return;
    }
    if (m_gameFrontEnd->GetMessageResult() == TsFrontEndBase::kResultYes) {
        plat::PostQuit(0);
    }
    m_quitAsked = false;
}
