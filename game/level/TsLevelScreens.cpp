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
// The radar blurs its map: a change is redrawn two tiles beyond its edges,
// so the blur around them follows too.
constexpr int32_t kRadarMargin = 2;

} // namespace

// The road by which a cut scene takes the screen.
void TsLevel::ClearScreenForScene()
{
    if (hud_ && hud_->IsPanelOpen() && !hud_->IsTraderPending()) {
        hud_->CloseInventory(true, true);
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
    if (radar_) {
        radar_->UseRadar(false);
    }
    if (hud_) {
        hud_->CloseInventory(false, true);
    }
}

void TsLevel::ConversationEnded()
{
    if (radar_) {
        radar_->UseRadar(true);
    }
    if (hud_ && hud_->IsTraderPending()) {
        hud_->OnConversationEnd();
    }
}

void TsLevel::CollisionMapChanged(int32_t tileX, int32_t tileZ, int32_t width, int32_t height)
{
    if (radar_) {
        radar_->HandleCollisionMapChange(tileX - kRadarMargin, tileZ - kRadarMargin, width + 2 * kRadarMargin,
                                         height + 2 * kRadarMargin);
    }
}

bool TsLevel::ScreenTookClick() const
{
    return hud_ && hud_->TookInput();
}

void TsLevel::AcknowledgeOrder()
{
    if (hud_) {
        hud_->StartBlink();
    }
}

void TsLevel::ShowMessage(int32_t textId)
{
    if (!gameFrontEnd_) {
        return;
    }
    gameFrontEnd_->SetActive(true, false);
    ShowMessageBox(GameText(textId), TsGuiMessageBox::kOk, gameFrontEnd_);
}

void TsLevel::AskToQuit()
{
    if (!gameFrontEnd_) {
        return;
    }
    quitAsked_ = true;
    gameFrontEnd_->SetActive(true, false);
    ShowMessageBox(GameText(kQuitText), TsGuiMessageBox::kYesNo, gameFrontEnd_);
}

void TsLevel::OpenDiary()
{
    if (!gameFrontEnd_) {
        return;
    }
    gameFrontEnd_->SetActive(true, false);
    gameFrontEnd_->PushWindow(gameFrontEnd_->GetDiaryScreen(), TsFrontEndBase::kScreen, false);
}

// The quit question is read once its box has closed, before the player's
// own tick: "Yes" ends the program; either answer drops the question.
void TsLevel::QuitStep()
{
    if (!quitAsked_ || gameFrontEnd_->HasOpenWindows()) {
        return;
    }
    if (gameFrontEnd_->GetMessageResult() == TsFrontEndBase::kResultYes) {
        plat::PostQuit(0);
    }
    quitAsked_ = false;
}
