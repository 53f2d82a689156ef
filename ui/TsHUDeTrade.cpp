// Trading inside the HUD: clicking a trader starts its conversation; when
// that ends the inventory opens with the trader's articles beside the
// member's own, and clicking an article's price window buys or sells it at
// the trade rules' prices.
#include <algorithm>
#include <cstdio>

#include "engine/OmBaseSprite.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsRandom.h"
#include "game/framework/TsScriptHost.h"
#include "game/objects/TsArticleOffer.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "ui/TsActionInput.h"
#include "ui/TsHUDe.h"
#include "ui/TsRadar.h"
#include "ui/TsTrade.h"

using TsActionInput::Down;
using TsActionInput::Pressed;
using TsActionInput::Released;

namespace {

enum TradeSound : int32_t {
    kSoundNoMoney = 199,
    kSoundSelectArticle = 207,
    kSoundSold = 214,
    kSoundDone = 215,
};
constexpr int32_t kRemarks[2] = {5980, 5970};
constexpr int32_t kFullSlot = 7; // the member's "no room" sound slot
constexpr float kCell = 64.0f;

int32_t CurrentPCType()
{
    const auto* pc = dynamic_cast<const TsPCObject*>(TsAccess::CurrentCharacter());
    return pc ? pc->GetPCType() : -1;
}

// The trader's grid: an inverted staircase drawn leftwards, its first row
// as long as needed and each next row one shorter.
void TraderCell(int32_t k, int32_t length, int32_t& row, int32_t& column)
{
    row = 0;
    while (length > 0 && k >= length) {
        k -= length;
        --length;
        ++row;
    }
    column = k;
}

// A trader the party can still deal with: on the level's list, neither
// dead nor sent to sleep by a script.
bool InPlay(const TsCharacterObject* trader)
{
    const TsEntityDB* db = TsAccess::EntityDB();
    return trader && db && db->ContainsEntity(trader) && !trader->HasFlag(TS_ENTITY_DEAD | TS_ENTITY_DORMANT);
}

// A trader in play whom the party may click to deal with: known by his
// name to the trade rules.
bool TraderToDealWith(const TsCharacterObject* character)
{
    return InPlay(character) && TsTrade::TraderScript(character->GetName());
}

TsCharacterObject* HoveredCharacter()
{
    const TsLevelCursor* cursor = TsAccess::LevelCursor();
    return cursor ? dynamic_cast<TsCharacterObject*>(cursor->GetHovered()) : nullptr;
}

float PanelWidth() { return TsAccess::ScreenWidth() <= 640 ? 0.0f : 20.0f; }

void PicturePoint(float& px, float& py)
{
    int32_t gx = 0, gy = 0;
    TsHUDe::GetGridOrigin(0, gx, gy);
    px = float(int32_t((float(TsAccess::ScreenWidth()) - float(gx) - 448.0f - 64.0f) * 0.5f + float(gx) + 448.0f));
    py = float(gy - 2);
}

} // namespace

bool TsHUDe::HandleTradeInput(int x, int y)
{
    const bool clicked = Released(TS_ACTION_SELECT);
    // Whether a trader was set as the step began: the Escape that ends a
    // trade is taken here and does not open the pause menu as well.
    const bool trading = IsTraderPending();
    if (Pressed(TS_ACTION_SELECT))
        m_pressedOn = HoveredCharacter();
    else if (!clicked && !Down(TS_ACTION_SELECT))
        m_pressedOn = nullptr; // a release this step never saw
    StartTraderConversation(clicked);
    if (clicked)
        m_pressedOn = nullptr;
    if (m_tradePanelVisible && !m_animating) {
        SelectTradeSlot(clicked, x, y);
        HandleTradeMemberSwitch(clicked, x, y);
        HandleTradeClick(clicked, x, y);
        HandleTradeExit(clicked, x, y);
    }
    return trading || IsTraderPending();
}

// The trader under the cursor as the button comes up or, failing that, the
// one it went down on: the press sends the character walking to him, the
// view follows, and after a slow frame he may have slid from under the
// cursor before the release is read. Either must still be in play: a
// fallen or sleeping trader's body has nothing to say.
TsCharacterObject* TsHUDe::ClickedTrader() const
{
    if (TsCharacterObject* hovered = HoveredCharacter(); TraderToDealWith(hovered))
        return hovered;
    return TraderToDealWith(m_pressedOn) ? m_pressedOn.Get() : nullptr;
}

void TsHUDe::StartTraderConversation(bool clicked)
{
    if (!clicked || m_trader)
        return;
    TsCharacterObject* trader = ClickedTrader();
    if (!trader)
        return;
    const TsEntity* character = TsAccess::CurrentCharacter();
    char call[256];
    if (!character || !TsTrade::TraderCall(trader->GetName(), character->GetName(), call, sizeof call))
        return;
    m_infoWindow.SetVisible(false);
    m_menu.Close();
    SetTrader(trader);
    // Only the end of the trader's conversation opens the panel and lets the
    // HUD go: a script that failed, or started no conversation, would leave
    // the HUD taking every click until the level ends.
    lua_State* L = TsAccess::LuaState();
    const TsConversation* talk = TsAccess::Conversation();
    if (!L || TsScriptHost::DoString(L, call) != 0 || !talk || !talk->HasConversationStarted()) {
        LogErrorF("Trade: %s started no conversation; there is no trade", call);
        SetTrader(nullptr);
        return;
    }
    if (TsCutScene* cutScene = TsAccess::CutScene())
        cutScene->SetupConversationCamera(trader->GetPosition(), character->GetPosition(), 0);
}

void TsHUDe::OnConversationEnd()
{
    // A trader gone during his talk opens no panel: the next tick ends
    // the trade.
    if (!InPlay(m_trader))
        return;
    if (CurrentPCType() == 1) {
        const int32_t line = kRemarks[Random() & 1];
        const TsDialogStrings* strings = TsAccess::DialogStrings();
        const char* file = strings ? strings->GetAudioFile(line) : nullptr;
        if (TsAudio* audio = TsAccess::Audio(); audio && file)
            audio->StartDialogue(file, 1);
    }
    TsPlayer* player = TsAccess::LocalPlayer();
    int32_t slot = 0;
    for (int32_t i = 0; player && i < TsPlayer::kMaxSquadMembers; ++i)
        if (player->GetSquadMember(i) == TsAccess::CurrentCharacter())
            slot = i;
    // Opening plays the panel's sound; the trade panel shows once the
    // inventory has flown out (at once without the animation).
    OpenInventory(slot);
}

void TsHUDe::RenderTradePanel()
{
    if (!m_tradePanelVisible || m_animating || !m_trader)
        return;
    int32_t gx = 0, gy = 0;
    GetGridOrigin(1, gx, gy);
    RenderTraderGrid(float(gx), float(gy), m_trader->GetInventory());
    GetGridOrigin(0, gx, gy);
    TsCharacterObject* member = SquadMember(m_openSlot);
    RenderInventoryGrid(float(gx), float(gy), member ? member->GetInventory() : nullptr);
    float px = 0, py = 0;
    PicturePoint(px, py);
    // The trader's picture in its frame: the square a click leaves by.
    if (OmBaseSprite* picture = m_trader->GetSprite(); picture && OmRenderer::Current()) {
        picture->SetScreenRelative(false);
        picture->SetPosition(px, py);
        picture->Render(*OmRenderer::Current());
        DrawSprite(HUD_BANTER_FRAME, px, py);
    }
    if (!m_priceWindow.IsVisible()) {
        if (m_radar)
            m_radar->UseRadar(false);
        const float z = PanelWidth(), margin = m_priceWindow.GetMargin();
        if (TsPlayer* player = TsAccess::LocalPlayer())
            m_priceWindow.Show(px + margin - 2.0f - z / 2.0f, py + margin + 64.0f, player, 2, 46.0f + z);
    }
}

void TsHUDe::RenderTraderGrid(float gx, float gy, TsInventory* inventory)
{
    const int32_t n = inventory ? inventory->GetTotalCount() : 0;
    const int32_t length = TsTrade::TraderRowLength(n);
    int32_t cells = 0;
    for (int32_t l = length; l > 0; --l)
        cells += l;
    for (int32_t k = 0; k < cells; ++k) {
        int32_t row = 0, column = 0;
        TraderCell(k, length, row, column);
        const float x = gx - kCell * float(column), y = gy + kCell * float(row);
        if (k < n)
            RenderArticleSlot(x, y, inventory->GetArticle(k), inventory);
        else
            DrawSprite(HUD_INV_EMPTY, x, y - kCell);
    }
}

void TsHUDe::SelectTradeSlot(bool clicked, int x, int y)
{
    if (!clicked)
        return;
    const float z = PanelWidth();
    for (int32_t side = 0; side < 2; ++side) {
        TsCharacterObject* owner = side == 0 ? SquadMember(m_openSlot) : m_trader.Get();
        TsInventory* inventory = owner ? owner->GetInventory() : nullptr;
        // The own staircase holds 20 cells; a later article has none.
        const int32_t total = inventory ? inventory->GetTotalCount() : 0;
        const int32_t n = side == 0 ? std::min(total, int32_t(kSlotCount)) : total;
        int32_t gx = 0, gy = 0;
        GetGridOrigin(side, gx, gy);
        const int32_t length = TsTrade::TraderRowLength(n);
        for (int32_t k = 0; k < n; ++k) {
            int32_t row = 0, column = 0;
            if (side == 0)
                StaircaseCell(k, row, column);
            else
                TraderCell(k, length, row, column);
            // A cell's slot is drawn 64 pixels above its point: clicks hit
            // the square drawn, as they do in the inventory panel.
            const int32_t cx = side == 0 ? gx + 64 * column : gx - 64 * column, cy = gy + 64 * row - 64;
            if (x < cx || x >= cx + 64 || y < cy || y >= cy + 64)
                continue;
            m_tradeSide = uint8_t(side);
            m_infoWindow.SetVisible(false);
            TsPlayFlatSound(kSoundSelectArticle);
            int32_t ox = 0, oy = 0;
            GetGridOrigin(0, ox, oy);
            m_infoWindow.Show(float(ox - 64) * 0.5f, float(oy) + m_infoWindow.GetMargin(), inventory->GetArticle(k), 1,
                             z);
            return;
        }
    }
}

void TsHUDe::HandleTradeMemberSwitch(bool clicked, int x, int y)
{
    if (!clicked)
        return;
    for (int32_t slot = 0; slot < kPortraitCount; ++slot) {
        if (!SquadMember(slot))
            continue;
        int32_t px = 0, py = 0;
        GetPortraitOrigin(slot, px, py);
        if (x >= px && x < px + 64 && y >= py - 64 && y < py) {
            m_openSlot = slot;
            m_infoWindow.SetVisible(false);
        }
    }
}

void TsHUDe::HandleTradeClick(bool, int x, int y)
{
    if (!m_infoWindow.IsVisible())
        return;
    m_infoWindow.SetHighlight(false);
    int32_t rect[4] = {};
    m_infoWindow.GetRect(rect, false);
    auto* article = dynamic_cast<TsCollectibleObject*>(m_infoWindow.GetObject());
    if (x < rect[0] || x >= rect[2] || y < rect[1] || y >= rect[3] || !article)
        return;
    if (Down(TS_ACTION_SELECT) && article->IsForSale())
        m_infoWindow.SetHighlight(true);
    TsCharacterObject* member = SquadMember(m_openSlot);
    if (!Released(TS_ACTION_SELECT) || !member)
        return;
    m_infoWindow.SetHighlight(false);
    if (m_tradeSide == 1)
        BuyArticle(*member, *article);
    else
        SellArticle(*member, *article);
}

TsHUDe::TradeQuote TsHUDe::QuoteTrade(TsCollectibleObject& article, int32_t side, TsCharacterObject* member)
{
    TradeQuote quote;
    auto* item = dynamic_cast<TsItemObject*>(&article);
    if (side == 0) {
        if (item)
            quote.amount = TsTrade::SellAmount(item->GetStack(), item->GetPackSize(), item->GetMaxStack(), quote.removed);
        quote.price = TsTrade::SellPrice(article.GetValue(), quote.amount);
        return quote;
    }
    const TsInventory* inventory = member ? member->GetInventory() : nullptr;
    quote.room = !inventory || inventory->CanAdd(&article, quote.stack);
    // Ammunition without a limit of its own still joins the member's stack
    // of its type, as the inventory adds it: the buy tops that stack up, so
    // the price is for what the stack has room for.
    if (inventory && quote.room && !quote.stack)
        quote.stack = inventory->MergeStackFor(&article);
    const int32_t pack = item ? item->GetPackSize() : 1;
    quote.amount = pack;
    if (quote.stack && quote.stack->IsStackable())
        quote.amount = TsTrade::TopUpAmount(pack, quote.stack->GetMaxStack(), quote.stack->GetStack());
    quote.price = TsTrade::BuyCost(article.GetValue(), quote.amount, CurrentPCType());
    return quote;
}

bool TsHUDe::BuyArticle(TsCharacterObject& member, TsCollectibleObject& article)
{
    TsInventory* inventory = member.GetInventory();
    TsPlayer* player = TsAccess::LocalPlayer();
    if (!inventory || !player)
        return false;
    const TradeQuote quote = QuoteTrade(article, 1, &member);
    if (!quote.room) {
        member.PlaySoundSlot(kFullSlot, member.GetPosition());
        return false;
    }
    if (!quote.stack) {
        if (player->GetKitty() < quote.price) {
            TsPlayFlatSound(kSoundNoMoney);
            return false;
        }
        int32_t classIndex = -1;
        OmClassRegistry& classes = OmClassRegistry::Instance();
        auto made = OmRef<OmObject>::Adopt(
            classes.FindClassIndex(article.GetClass()->name, classIndex) ? classes.CreateObject(classIndex) : nullptr);
        OmRef<TsCollectibleObject> bought(dynamic_cast<TsCollectibleObject*>(made.Get()));
        made = nullptr; // bought holds it now
        if (!bought) {
            LogErrorF("Trade: a new %s cannot be made", article.GetClass()->name);
            return false;
        }
        bought->CopyFromTemplate(&article);
        if (TsOfferArticle(*inventory, bought) < 1) {
            return false;
        }
        TsPlayFlatSound(kSoundDone);
        player->TakeFromKitty(quote.price);
        return true;
    }
    if (quote.amount <= 0 || player->GetKitty() < quote.price) {
        TsPlayFlatSound(kSoundDone);
        return false;
    }
    quote.stack->AddToStack(quote.amount);
    TsPlayFlatSound(kSoundDone);
    player->TakeFromKitty(quote.price);
    return true;
}

bool TsHUDe::SellArticle(TsCharacterObject& member, TsCollectibleObject& article)
{
    TsInventory* inventory = member.GetInventory();
    TsPlayer* player = TsAccess::LocalPlayer();
    if (!article.IsForSale() || !inventory || !player)
        return false;
    // The price is taken before the article may go: a removed article is
    // no longer the inventory's to read.
    const TradeQuote quote = QuoteTrade(article, 0, &member);
    if (quote.removed) {
        m_infoWindow.SetVisible(false);
        // The inventory's reference goes with the sale.
        if (!inventory->RemoveArticle(&article))
            return false;
    } else if (auto* item = dynamic_cast<TsItemObject*>(&article)) {
        item->AddToStack(-quote.amount);
    }
    TsPlayFlatSound(kSoundSold);
    player->AddToKitty(quote.price);
    return true;
}

void TsHUDe::HandleTradeExit(bool clicked, int x, int y)
{
    float px = 0, py = 0;
    PicturePoint(px, py);
    const bool inside = float(x) >= px && float(x) < px + 64.0f && float(y) >= py && float(y) < py + 64.0f;
    if (Pressed(TS_ACTION_MENU) || (clicked && inside))
        EndTrade();
}

void TsHUDe::EndTradeOfAGoneTrader()
{
    const TsConversation* talk = TsAccess::Conversation();
    const bool talking = talk && talk->HasConversationStarted();
    if (m_trading && !InPlay(m_trader) && !talking)
        EndTrade();
}

void TsHUDe::EndTrade()
{
    TsPlayFlatSound(kSoundDone);
    m_tradePanelVisible = 0;
    CloseInventory(false, false);
    SetTrader(nullptr);
    if (TsLevelCursor* cursor = TsAccess::LevelCursor())
        cursor->ClearHovered();
    m_infoWindow.SetVisible(false);
    m_priceWindow.SetVisible(false);
    if (m_radar)
        m_radar->UseRadar(true);
    if (TsCutScene* cutScene = TsAccess::CutScene()) {
        cutScene->SetPlayerLockedOut(false);
        cutScene->LockActive(false);
        cutScene->SetCutSceneActive(false);
    }
}
