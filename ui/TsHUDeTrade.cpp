// Trading inside the HUD: the trade panel's own operations. Until the
// trade panel exists the HUD only keeps its rule that a pending trader
// takes all input.
#include "game/framework/TsLog.h"
#include "ui/TsHUDe.h"

bool TsHUDe::HandleTradeInput(int, int)
{
    return IsTraderPending();
}

void TsHUDe::RenderTradePanel()
{
    if (!trader_ || !tradePanelVisible_) {
        return;
    }
    static bool reported = false;
    if (!reported) {
        reported = true;
        LogError("TsHUDe::RenderTradePanel: the trade panel is not built yet");
    }
}

void TsHUDe::OnConversationEnd()
{
    if (trader_) {
        LogError("TsHUDe::OnConversationEnd: the trade panel is not built yet");
    }
}
