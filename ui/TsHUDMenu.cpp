#include "ui/TsHUDMenu.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/OmRef.h"
#include "engine/OmTextureResource.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsArticleOffer.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "ui/TsActionInput.h"
#include "ui/TsHUDe.h"

namespace {

constexpr int32_t kTextNoName = 30566;
constexpr int32_t kTextDrop = 30568;
constexpr int32_t kTextUse = 30570;
constexpr int32_t kTextGiveTo = 30572;
constexpr int32_t kSoundOpen = 211;
constexpr int32_t kSoundMove = 210;
constexpr int32_t kSoundChoose = 212;
constexpr int32_t kSoundCannotTake = 7;
constexpr int32_t kSoundGive = 9;
constexpr float kBorder = 5.0f;
constexpr float kHighlight[4] = {0.926f, 0.59f, 0.2f, 1.0f};
constexpr float kEnabled[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr float kDisabled[4] = {0.3f, 0.3f, 0.3f, 1.0f};

const char* Text(int32_t id)
{
    const TsDialogStrings* strings = TsAccess::DialogStrings();
    const char* text = strings ? strings->GetString(id) : nullptr;
    return text ? text : "";
}

// The other squad members of a slot, in slot order.
int OtherSlots(int32_t ownerSlot, int32_t out[2])
{
    TsPlayer* player = TsAccess::LocalPlayer();
    const int32_t members = player ? std::min(player->GetTeamCount(), int32_t(TsHUDe::kPortraitCount)) : 0;
    int n = 0;
    for (int32_t slot = 0; slot < members && n < 2; ++slot) {
        if (slot != ownerSlot) {
            out[n++] = slot;
        }
    }
    return n;
}

} // namespace

TsHUDMenu::TsHUDMenu(TsHUDe& hud) : m_hud(hud) {}

TsHUDMenu::~TsHUDMenu() = default;

// Entry 2 needs a second squad member and entry 3 a third.
bool TsHUDMenu::IsShown(int entry) const
{
    if (entry == kGiveFirst) {
        return TsHUDe::PanelMemberCount() >= 2;
    }
    if (entry == kGiveSecond) {
        return TsHUDe::PanelMemberCount() >= 3;
    }
    return entry >= 0 && entry < kEntryCount;
}

bool TsHUDMenu::Init()
{
    float w = 0.0f, h = 0.0f;
    m_hud.GetTextExtent("How Tall Is This Text?", w, h);
    m_lineHeight = h + 2.0f + 2.0f;
    m_width = 0.0f;
    Layout(400.0f, 200.0f);
    m_selected = 0;
    std::snprintf(m_dropText, sizeof m_dropText, "%s", Text(kTextDrop));
    std::snprintf(m_useText, sizeof m_useText, "%s", Text(kTextUse));
    AddEntry(kName, "");
    AddEntry(kDrop, m_dropText);
    AddEntry(kGiveFirst, "");
    AddEntry(kGiveSecond, "");
    AddEntry(kUse, m_useText);
    m_baseWidth = m_width;
    for (int i = 0; i < kEntryCount; ++i) {
        m_entries[i]->enabled = 1;
        MeasureEntry(i, true);
    }
    LoadTextures();
    return true;
}

bool TsHUDMenu::LoadTextures()
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer) {
        return false;
    }
    OmTextureResource middle("data\\hud\\WindowMiddle.tga", -1, 1);
    OmTextureResource middleB("data\\hud\\WindowMiddleb.tga", -1, 1);
    m_middleTexture = renderer->RegisterTexture(&middle);
    m_middleBTexture = renderer->RegisterTexture(&middleB);
    if (m_frame.GetCornerTexture() == -1 || m_frame.GetEdgeTexture() == -1) {
        m_frame.LoadTextures();
    }
    return true;
}

void TsHUDMenu::AddEntry(int i, const char* text)
{
    if (!m_entries[i]) {
        m_entries[i] = std::make_unique<MenuEntry>();
    }
    m_entries[i]->text.Set(text);
    const float top = m_position.y + float(i) * m_lineHeight;
    m_entries[i]->strip.Place(m_position.x, top, m_position.x + m_width, top + m_lineHeight);
    m_width = std::max(m_width, m_hud.GetTextWidth(text) + 4.0f);
}

int TsHUDMenu::ShownCount() const
{
    int shown = 0;
    for (int i = 0; i < kEntryCount; ++i) {
        shown += m_entries[i] && IsShown(i) ? 1 : 0;
    }
    return shown;
}

void TsHUDMenu::Layout(float x, float y)
{
    const int shown = ShownCount();
    // A menu opened by an edge, on the top row say, is moved in so that its
    // entries can be clicked and its frame and name read.
    x = TsFrameWindow::FitOnScreen(x, m_width, kBorder, TsAccess::ScreenWidth());
    y = TsFrameWindow::FitOnScreen(y, float(shown) * m_lineHeight, kBorder, TsAccess::ScreenHeight());
    m_position = OmVector2(x, y);
    float top = y;
    for (int i = 0; i < kEntryCount; ++i) {
        if (!m_entries[i] || !IsShown(i)) {
            continue;
        }
        m_entries[i]->strip.Place(x, top, x + m_width, top + m_lineHeight);
        top += m_lineHeight;
    }
}

void TsHUDMenu::MeasureEntry(int i, bool centre)
{
    MenuEntry& entry = *m_entries[i];
    entry.offset = centre ? (m_width - 4.0f - m_hud.GetTextWidth(entry.text.Get())) * 0.5f : 0.0f;
}

void TsHUDMenu::Open(TsCollectibleObject* article, int32_t ownerSlot)
{
    if (!article || !m_entries[0]) {
        return;
    }
    m_open = 1;
    m_article = article;
    m_ownerSlot = ownerSlot;
    const TsInput* input = TsAccess::Input();
    const float cx = input ? float(input->GetCursorX()) : 0.0f;
    const float cy = input ? float(input->GetCursorY()) : 0.0f;
    m_width = m_baseWidth;
    const char* name = article->GetDisplayName();
    m_entries[kName]->text.Set(name && *name ? name : Text(kTextNoName));
    m_width = std::max(m_width, m_hud.GetTextWidth(m_entries[kName]->text.Get()) + 4.0f);
    int32_t others[2] = {-1, -1};
    const int memberCount = OtherSlots(ownerSlot, others);
    for (int n = 0; n < memberCount; ++n) {
        TsPCObject* member = TsHUDe::SquadMember(others[n]);
        char text[kTextSize];
        std::snprintf(text, sizeof text, "%s%s", Text(kTextGiveTo), member ? member->GetDisplayName() : "");
        MenuEntry& entry = *m_entries[kGiveFirst + n];
        entry.text.Set(text);
        entry.enabled = article->CanDrop() ? 1 : 0;
        m_width = std::max(m_width, m_hud.GetTextWidth(text) + 4.0f);
    }
    // The menu rises from the cursor by all five entries whatever the squad:
    // a smaller squad's menu ends short of the cursor by the rows it leaves out.
    Layout(cx, cy - float(kEntryCount) * m_lineHeight);
    m_frame.Build(m_position, OmVector2(m_width, float(ShownCount()) * m_lineHeight), kBorder);
    for (int i = 0; i < kEntryCount; ++i) {
        MeasureEntry(i, true);
    }
    m_entries[kDrop]->enabled = article->CanDrop() ? 1 : 0;
    m_entries[kUse]->enabled = CanUseArticle() ? 1 : 0;
    m_lastSelected = -1;
    TsPlayFlatSound(kSoundOpen);
}

bool TsHUDMenu::CanUseArticle() const
{
    const TsItemObject* item = TsItemObject::Cast(m_article);
    if (!item || item->GetUsage() != TS_ITEMUSAGE_CAN_USE) {
        return false;
    }
    const TsCharacterObject* o = item->GetOwner();
    if (!o) {
        return false;
    }
    return (item->GetHealth() > 0.0f && o->GetHealth() < o->GetMaxHealth()) ||
           (item->GetVitality() > 0.0f && o->GetVitality() < o->GetMaxVitality());
}

bool TsHUDMenu::HandleInput(int x, int y)
{
    if (!m_open) {
        return false;
    }
    m_entries[kUse]->enabled = CanUseArticle() ? 1 : 0;
    int hit = -1;
    for (int i = 0; i < kEntryCount; ++i) {
        const TsScreenQuad& strip = m_entries[i]->strip;
        if (IsShown(i) && float(x) >= strip.v[1].x && float(x) <= strip.v[3].x && float(y) >= strip.v[1].y &&
            float(y) <= strip.v[0].y) {
            hit = i;
            break;
        }
    }
    const bool click = TsActionInput::Pressed(TS_ACTION_SELECT);
    if (hit >= 0 && m_entries[hit]->enabled) {
        m_selected = hit;
        if (hit != m_lastSelected) {
            TsPlayFlatSound(kSoundMove);
        }
        if (click) {
            Execute(hit);
        }
    } else {
        m_selected = -1;
    }
    m_lastSelected = m_selected;
    if (click || TsActionInput::Pressed(TS_ACTION_CANCEL) || TsActionInput::Pressed(TS_ACTION_WEAPON_MODE_BUTTON)) {
        m_open = 0;
        return true;
    }
    return false;
}

void TsHUDMenu::Execute(int entry)
{
    TsPlayFlatSound(kSoundChoose);
    TsPCObject* owner = TsHUDe::SquadMember(m_ownerSlot);
    TsInventory* inventory = owner ? owner->GetInventory() : nullptr;
    switch (entry) {
    case kDrop:
        if (inventory) {
            inventory->DropArticle(m_article);
        }
        break;
    case kGiveFirst:
        GiveArticle(m_article, m_ownerSlot, m_ownerSlot == 0 ? 1 : 0);
        break;
    case kGiveSecond:
        GiveArticle(m_article, m_ownerSlot, m_ownerSlot == 2 ? 1 : 2);
        break;
    case kUse:
        if (m_article) {
            m_article->AutoUse();
        }
        break;
    default:
        break;
    }
}

// A stack is split by the pack size and never grows past its maximum; what
// the giver has left is never an empty stack (the item goes when its stack
// reaches 0).
void TsHUDMenu::GiveArticle(TsCollectibleObject* article, int32_t fromSlot, int32_t toSlot)
{
    TsPCObject* f = TsHUDe::SquadMember(fromSlot);
    TsPCObject* t = TsHUDe::SquadMember(toSlot);
    if (!article || !article->CanDrop() || !f || !t || f == t || !f->GetInventory() || !t->GetInventory()) {
        return;
    }
    TsInventory& from = *f->GetInventory();
    TsInventory& to = *t->GetInventory();
    TsItemObject* stack = nullptr;
    if (!to.CanAdd(article, stack)) {
        t->PlaySoundSlot(kSoundCannotTake, t->GetPosition());
        return;
    }
    f->PlaySoundSlot(kSoundGive, f->GetPosition());
    TsItemObject* item = TsItemObject::Cast(article);
    if (item && item->GetMaxStack() >= 1) {
        const int32_t amount = std::min(item->GetStack(), std::max(item->GetPackSize(), 1));
        if (stack) {
            const int32_t added = stack->AddToStack(amount);
            if (added > 0) {
                item->AddToStack(-added);
            }
            return;
        }
        auto copy = OmMakeRef<TsItemObject>();
        copy->CopyFromTemplate(item);
        copy->SetPickupDelay(0);
        copy->SetStack(amount);
        OmRef<TsCollectibleObject> offered(std::move(copy));
        if (TsOfferArticle(to, offered) <= 0) {
            return;
        }
        item->AddToStack(-amount);
        return;
    }
    // The giver's reference moves with it; what the receiver does not take
    // (rounds its stack had no room for) goes back.
    OmRef<TsCollectibleObject> moving = from.RemoveArticle(article);
    if (!moving) {
        return;
    }
    TsOfferArticle(to, moving);
    if (moving) {
        moving->SetPickupDelay(0);
        TsOfferArticle(from, moving);
    }
}

void TsHUDMenu::Render()
{
    if (!m_open) {
        return;
    }
    m_frame.Render();
    {
        TsHUDOverlay overlay;
        for (int i = 0; i < kEntryCount; ++i) {
            if (!IsShown(i)) {
                continue;
            }
            overlay.SetTexture(i == kName || i == m_selected ? m_middleTexture : m_middleBTexture);
            overlay.Draw(m_entries[i]->strip);
        }
    }
    float y = m_position.y + 2.0f;
    for (int i = 0; i < kEntryCount; ++i) {
        if (!IsShown(i)) {
            continue;
        }
        const MenuEntry& entry = *m_entries[i];
        const float* colour = i == kName || i == m_selected ? kHighlight : entry.enabled ? kEnabled : kDisabled;
        m_hud.DrawText(m_position.x + 2.0f + entry.offset, y, colour, entry.text.Get());
        y += m_lineHeight;
    }
}
