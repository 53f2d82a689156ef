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

void PlayHudSound(int32_t sound)
{
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->PlaySound(SoundId(sound), 0.0f, 0.0f, 0.0f, false);
    }
}

TsPCObject* Member(int32_t slot)
{
    TsPlayer* player = TsAccess::LocalPlayer();
    return player ? player->GetSquadMember(slot) : nullptr;
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

TsHUDMenu::TsHUDMenu(TsHUDe& hud) : hud_(hud) {}

TsHUDMenu::~TsHUDMenu() = default;

float TsHUDMenu::TextWidth(const char* text) const
{
    float w = 0.0f, h = 0.0f;
    hud_.GetTextExtent(text, w, h);
    return w;
}

int TsHUDMenu::MemberCount() const
{
    TsPlayer* player = TsAccess::LocalPlayer();
    return player ? std::min(player->GetTeamCount(), int32_t(TsHUDe::kPortraitCount)) : 0;
}

// Entry 2 needs a second squad member and entry 3 a third.
bool TsHUDMenu::IsShown(int entry) const
{
    if (entry == kGiveFirst) {
        return MemberCount() >= 2;
    }
    if (entry == kGiveSecond) {
        return MemberCount() >= 3;
    }
    return entry >= 0 && entry < kEntryCount;
}

bool TsHUDMenu::Init()
{
    float w = 0.0f, h = 0.0f;
    hud_.GetTextExtent("How Tall Is This Text?", w, h);
    lineHeight_ = h + 2.0f + 2.0f;
    width_ = 0.0f;
    Layout(400.0f, 200.0f);
    selected_ = 0;
    std::snprintf(dropText_, sizeof dropText_, "%s", Text(kTextDrop));
    std::snprintf(useText_, sizeof useText_, "%s", Text(kTextUse));
    AddEntry(kName, "");
    AddEntry(kDrop, dropText_);
    AddEntry(kGiveFirst, "");
    AddEntry(kGiveSecond, "");
    AddEntry(kUse, useText_);
    baseWidth_ = width_;
    for (int i = 0; i < kEntryCount; ++i) {
        entries_[i]->enabled = 1;
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
    middleTexture_ = renderer->RegisterTexture(&middle);
    middleBTexture_ = renderer->RegisterTexture(&middleB);
    if (frame_.GetCornerTexture() == -1 || frame_.GetEdgeTexture() == -1) {
        frame_.LoadTextures();
    }
    return true;
}

void TsHUDMenu::AddEntry(int i, const char* text)
{
    if (!entries_[i]) {
        entries_[i] = std::make_unique<MenuEntry>();
    }
    entries_[i]->text.Set(text);
    const float top = position_.y + float(i) * lineHeight_;
    entries_[i]->strip.Place(position_.x, top, position_.x + width_, top + lineHeight_);
    width_ = std::max(width_, TextWidth(text) + 4.0f);
}

void TsHUDMenu::Layout(float x, float y)
{
    const float screenWidth = float(TsAccess::ScreenWidth());
    if (x + 4.0f + width_ > screenWidth) {
        x = screenWidth - width_ - 4.0f;
    }
    // A menu opened on the top row would start above the screen, where its
    // entries cannot be clicked.
    y = std::max(y, 0.0f);
    position_ = OmVector2(x, y);
    float top = y;
    for (int i = 0; i < kEntryCount; ++i) {
        if (!entries_[i] || !IsShown(i)) {
            continue;
        }
        entries_[i]->strip.Place(x, top, x + width_, top + lineHeight_);
        top += lineHeight_;
    }
}

void TsHUDMenu::MeasureEntry(int i, bool centre)
{
    MenuEntry& entry = *entries_[i];
    entry.offset = centre ? (width_ - 4.0f - TextWidth(entry.text.Get())) * 0.5f : 0.0f;
}

void TsHUDMenu::Open(TsCollectibleObject* article, int32_t ownerSlot)
{
    if (!article || !entries_[0]) {
        return;
    }
    open_ = 1;
    article_ = article;
    ownerSlot_ = ownerSlot;
    const TsInput* input = TsAccess::Input();
    const float cx = input ? float(input->GetCursorX()) : 0.0f;
    const float cy = input ? float(input->GetCursorY()) : 0.0f;
    width_ = baseWidth_;
    const char* name = article->GetDisplayName();
    entries_[kName]->text.Set(name && *name ? name : Text(kTextNoName));
    width_ = std::max(width_, TextWidth(entries_[kName]->text.Get()) + 4.0f);
    int32_t others[2] = {-1, -1};
    const int memberCount = OtherSlots(ownerSlot, others);
    for (int n = 0; n < memberCount; ++n) {
        TsPCObject* member = Member(others[n]);
        char text[kTextSize];
        std::snprintf(text, sizeof text, "%s%s", Text(kTextGiveTo), member ? member->GetDisplayName() : "");
        MenuEntry& entry = *entries_[kGiveFirst + n];
        entry.text.Set(text);
        entry.enabled = article->CanDrop() ? 1 : 0;
        width_ = std::max(width_, TextWidth(text) + 4.0f);
    }
    int shown = 0;
    for (int i = 0; i < kEntryCount; ++i) {
        shown += IsShown(i) ? 1 : 0;
    }
    // The menu rises from the cursor by all five entries whatever the squad:
    // a smaller squad's menu ends short of the cursor by the rows it leaves out.
    Layout(cx, cy - float(kEntryCount) * lineHeight_);
    frame_.Build(position_, OmVector2(width_, float(shown) * lineHeight_), kBorder);
    for (int i = 0; i < kEntryCount; ++i) {
        MeasureEntry(i, true);
    }
    entries_[kDrop]->enabled = article->CanDrop() ? 1 : 0;
    entries_[kUse]->enabled = CanUseArticle() ? 1 : 0;
    lastSelected_ = -1;
    PlayHudSound(kSoundOpen);
}

bool TsHUDMenu::CanUseArticle() const
{
    const TsItemObject* item = TsItemObject::Cast(article_);
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
    if (!open_) {
        return false;
    }
    entries_[kUse]->enabled = CanUseArticle() ? 1 : 0;
    const TsInput* input = TsAccess::Input();
    auto pressed = [input](int action) { return input && input->IsActionPressed(action); };
    int hit = -1;
    for (int i = 0; i < kEntryCount; ++i) {
        const TsScreenQuad& strip = entries_[i]->strip;
        if (IsShown(i) && float(x) >= strip.v[1].x && float(x) <= strip.v[3].x && float(y) >= strip.v[1].y &&
            float(y) <= strip.v[0].y) {
            hit = i;
            break;
        }
    }
    const bool click = pressed(TS_ACTION_SELECT);
    if (hit >= 0 && entries_[hit]->enabled) {
        selected_ = hit;
        if (hit != lastSelected_) {
            PlayHudSound(kSoundMove);
        }
        if (click) {
            Execute(hit);
        }
    } else {
        selected_ = -1;
    }
    lastSelected_ = selected_;
    if (click || pressed(TS_ACTION_CANCEL) || pressed(TS_ACTION_WEAPON_MODE_BUTTON)) {
        open_ = 0;
        return true;
    }
    return false;
}

void TsHUDMenu::Execute(int entry)
{
    PlayHudSound(kSoundChoose);
    TsPCObject* owner = Member(ownerSlot_);
    TsInventory* inventory = owner ? owner->GetInventory() : nullptr;
    switch (entry) {
    case kDrop:
        if (inventory) {
            inventory->DropArticle(article_);
        }
        break;
    case kGiveFirst:
        GiveArticle(article_, ownerSlot_, ownerSlot_ == 0 ? 1 : 0);
        break;
    case kGiveSecond:
        GiveArticle(article_, ownerSlot_, ownerSlot_ == 2 ? 1 : 2);
        break;
    case kUse:
        if (article_) {
            article_->AutoUse();
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
    TsPCObject* f = Member(fromSlot);
    TsPCObject* t = Member(toSlot);
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
    if (!open_) {
        return;
    }
    frame_.Render();
    {
        TsHUDOverlay overlay;
        for (int i = 0; i < kEntryCount; ++i) {
            if (!IsShown(i)) {
                continue;
            }
            overlay.SetTexture(i == kName || i == selected_ ? middleTexture_ : middleBTexture_);
            overlay.Draw(entries_[i]->strip);
        }
    }
    float y = position_.y + 2.0f;
    for (int i = 0; i < kEntryCount; ++i) {
        if (!IsShown(i)) {
            continue;
        }
        const MenuEntry& entry = *entries_[i];
        const float* colour = i == kName || i == selected_ ? kHighlight : entry.enabled ? kEnabled : kDisabled;
        hud_.DrawText(position_.x + 2.0f + entry.offset, y, colour, entry.text.Get());
        y += lineHeight_;
    }
}
