// The HUD's share of each tick's input: the squad panels, the menu button
// and the inventory panel that flies out of a portrait.
#include <algorithm>
#include <cstring>

#include "engine/OmBaseSprite.h"
#include "engine/OmRenderer.h"
#include "engine/OmTextureResource.h"
#include "engine/OmVector2.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsWeaponObject.h"
#include "ui/TsActionInput.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"

using TsActionInput::Pressed;
using TsActionInput::Released;

namespace {

constexpr int32_t kRows = 5;
constexpr float kAnimationRate = 2.5f;
constexpr float kSlotDelay = 0.1f;
constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kFullStack[4] = {0.78f, 0.59f, 0.18f, 1.0f};
constexpr int32_t kRestrictedType = 1; // the character who may not change weapons
constexpr float kIconInset = 2.0f;
constexpr float kIconInside = 64.0f - 2.0f * kIconInset;

TsInventory* InventoryOf(int32_t slot)
{
    TsPCObject* member = TsHUDe::SquadMember(slot);
    return member ? member->GetInventory() : nullptr;
}

bool IsTown()
{
    const TsLevelInfo* info = TsAccess::LevelInfo();
    return info && info->bIsTown;
}

void SetLockout(bool on)
{
    if (TsLevelState* level = TsAccess::LevelState()) {
        level->SetPlayerLockout(on);
    }
}

bool IsTraderName(const char* name)
{
    return name && (std::strcmp(name, "WeaponTrader") == 0 || std::strcmp(name, "TechTrader") == 0 ||
                    std::strcmp(name, "HerbTrader") == 0);
}

TsScreenRect Square(int32_t x, int32_t y, int32_t w, int32_t h)
{
    return TsScreenRect{x, y, x + w, y + h};
}

// A cell's slot is drawn 64 pixels above the cell's point; clicks hit the
// square drawn, not the one below it.
TsScreenRect CellSquare(int32_t gx, int32_t gy, int32_t row, int32_t column)
{
    return Square(gx + 64 * column, gy + 64 * row - 64, 64, 64);
}

} // namespace

void TsHUDe::StaircaseCell(int32_t k, int32_t& row, int32_t& column)
{
    row = 0;
    int32_t length = 2;
    while (k >= length) {
        k -= length;
        ++row;
        ++length;
    }
    column = k;
}

void TsHUDe::GetGridOrigin(int32_t side, int32_t& gx, int32_t& gy)
{
    gx = (TsAccess::ScreenWidth() - 448) / 2 + (side == 1 ? 384 : 0);
    gy = (TsAccess::ScreenHeight() - 384) / 2;
}

bool TsHUDe::WeaponChangesAllowed(const TsPCObject* pc) const
{
    return !IsTown() && pc && pc->GetPCType() != kRestrictedType;
}

bool TsHUDe::Tick(int x, int y)
{
    EndTradeOfAGoneTrader();
    TsCutScene* scene = TsAccess::CutScene();
    if (scene && scene->IsCutSceneActive() && !m_tradePanelVisible) {
        return false;
    }
    if (HandleTradeInput(x, y)) {
        return true;
    }
    if (Released(TS_ACTION_INVENTORY)) {
        if (m_openSlot != -1) {
            CloseInventory(true, false);
        } else if (TsPlayer* player = TsAccess::LocalPlayer()) {
            OpenInventory(player->GetCurrentIndex());
        }
        return true;
    }
    if (m_menu.HandleInput(x, y) || HandleInventoryInput(x, y)) {
        return true;
    }
    WeaponKeys();
    if (HandleMenuButton(x, y)) {
        return true;
    }
    const int32_t members = PanelMemberCount();
    for (int32_t slot = 0; slot < members; ++slot) {
        if (HandlePortraitClick(slot, x, y)) {
            return true;
        }
    }
    return false;
}

// The weapon keys never take the tick's input.
void TsHUDe::WeaponKeys()
{
    TsPCObject* pc = TsPCObject::Cast(TsAccess::CurrentCharacter());
    TsInventory* inventory = pc ? pc->GetInventory() : nullptr;
    if (!inventory) {
        return;
    }
    const bool allowed = WeaponChangesAllowed(pc);
    if (Released(TS_ACTION_WEAPON_MODE_BUTTON)) {
        inventory->ToggleEquippedMode();
    }
    if (Released(TS_ACTION_NEXT_WEAPON)) {
        if (allowed) {
            inventory->EquipNext();
        }
        TsPlayFlatSound(kSoundSelect);
    } else if (Released(TS_ACTION_PREVIOUS_WEAPON)) {
        if (allowed) {
            inventory->EquipPrevious();
        }
        TsPlayFlatSound(kSoundSelect);
    }
}

bool TsHUDe::IsCursorOnCommsButton(int x, int y)
{
    const int32_t w = TsAccess::ScreenWidth(), h = TsAccess::ScreenHeight();
    return TsScreenRect{w - 64, h - 64, w, h}.Contains(x, y);
}

bool TsHUDe::HandleMenuButton(int x, int y)
{
    const bool onButton = Pressed(TS_ACTION_SELECT) && IsCursorOnCommsButton(x, y);
    if (!onButton && !Pressed(TS_ACTION_MENU)) {
        return false;
    }
    if (TsGameFrontEnd* menu = TsAccess::GameFrontEnd()) {
        menu->SetActive(true, true);
    }
    return true;
}

bool TsHUDe::HandlePortraitClick(int32_t slot, int x, int y)
{
    TsPCObject* c = TsHUDe::SquadMember(slot);
    TsPlayer* player = TsAccess::LocalPlayer();
    if (!c || !player) {
        return false;
    }
    const bool left = Pressed(TS_ACTION_SELECT), right = Pressed(TS_ACTION_CANCEL);
    const bool middle = Pressed(TS_ACTION_WEAPON_MODE_BUTTON);
    // The money window opens with a character's details and stays when they
    // close with their character: a click puts both away.
    if ((left || right || middle) && (m_infoWindow.IsVisible() || m_priceWindow.IsVisible())) {
        m_infoWindow.SetVisible(false);
        m_priceWindow.SetVisible(false);
    }
    int32_t px = 0, py = 0;
    GetPortraitOrigin(slot, px, py);
    if (TsScreenRect{px + 65, py - 87, px + 129, py - 23}.Contains(x, y)) {
        if (left && slot != player->GetCurrentIndex()) {
            TsPlayFlatSound(kSoundSelect);
            player->SetCurrentCharacter(slot);
        } else if (right) {
            m_infoWindow.Show(float(px - 48), float(py - 192), c, TsHUDTextWindow::kCharacter, 140.0f);
            const int32_t half = TsAccess::ScreenHeight() >> 1;
            const int32_t moneyY = half < 300 ? half - 100 : half - 50;
            m_priceWindow.Show(float(((TsAccess::ScreenWidth() - 238) >> 1) + 65 - 48), float(moneyY), nullptr,
                              TsHUDTextWindow::kMoney, 80.0f);
        }
        return true;
    }
    if (!TsScreenRect{px, py - 64, px + 192, py}.Contains(x, y)) {
        return false;
    }
    if (left && Square(px + 138, py - 23, 16, 16).Contains(x, y)) {
        c->SetStay(!c->GetStay());
        TsPlayFlatSound(kSoundToggle);
    }
    if (left && Square(px + 138, py - 55, 16, 16).Contains(x, y)) {
        const bool before = c->IsShootOn();
        c->SetAutoAttack(!before);
        TsPlayFlatSound(c->IsShootOn() == before ? kSoundRefused : kSoundToggle);
    }
    if (Square(px, py - 64, 64, 64).Contains(x, y)) {
        if (left) {
            OpenInventory(slot);
            return true;
        }
        if (right && c->GetInventory()) {
            c->GetInventory()->ToggleEquippedMode();
        }
    }
    return true;
}

void TsHUDe::OpenInventory(int32_t slot)
{
    TsPlayFlatSound(kSoundOpen);
    if (m_noInventoryAnimation) {
        m_openSlot = slot;
        if (m_trader) {
            m_tradePanelVisible = 1;
        }
        return;
    }
    m_animating = 1;
    m_animOpening = 1;
    m_animStart = TsAccess::GameTime();
    SetLockout(true);
    m_openSlot = slot;
}

void TsHUDe::CloseInventory(bool playSound, bool immediately)
{
    if (m_openSlot < 0) {
        return;
    }
    if (playSound) {
        TsPlayFlatSound(kSoundClose);
    }
    m_menu.Close();
    if (!m_noInventoryAnimation && !immediately) {
        m_animating = 1;
        m_animOpening = 0;
        m_animStart = TsAccess::GameTime();
        SetLockout(true);
    } else {
        m_openSlot = -1;
        m_animating = 0;
        // An animation cut short leaves no lockout behind.
        SetLockout(false);
    }
}

void TsHUDe::RenderInventoryPanel(float frameFraction)
{
    if (UpdateInventoryAnimation(frameFraction)) {
        return;
    }
    if (!m_trader && m_openSlot >= 0) {
        int32_t gx = 0, gy = 0;
        GetGridOrigin(0, gx, gy);
        RenderInventoryGrid(float(gx), float(gy), InventoryOf(m_openSlot));
    }
}

bool TsHUDe::UpdateInventoryAnimation(float frameFraction)
{
    if (!m_animating) {
        return false;
    }
    const float t = (TsAccess::GameTime() + TsAccess::TickDuration() * frameFraction - m_animStart) * kAnimationRate;
    TsInventory* inventory = InventoryOf(m_openSlot);
    bool running = false;
    for (int32_t k = 0; k < kSlotCount; ++k) {
        AnimatedSlot(k, t, inventory, running);
    }
    if (m_animOpening) {
        m_tabOffset = t < 0.75f ? 15.0f * t : 10.0f;
    } else {
        m_tabOffset = t <= 0.25f ? 10.0f : (t <= 1.0f ? (1.0f - t) * 15.0f : 0.0f);
    }
    if (running) {
        return true;
    }
    SetLockout(false);
    m_animating = 0;
    if (!m_animOpening) {
        m_openSlot = -1;
    }
    if (m_trader) {
        m_tradePanelVisible = 1;
    }
    return true;
}

// One slot on its way along the curve from the portrait to its cell (or
// back); running is set while the slot has not arrived.
void TsHUDe::AnimatedSlot(int32_t k, float t, TsInventory* inventory, bool& running)
{
    int32_t px = 0, py = 0, gx = 0, gy = 0, row = 0, column = 0;
    GetPortraitOrigin(m_openSlot, px, py);
    GetGridOrigin(0, gx, gy);
    StaircaseCell(k, row, column);
    const float sx = float(px), sy = float(py - 128);
    const OmVector2 cell(float(gx + 64 * column), float(gy + 64 * row - 64));
    OmVector2 path[7] = {{sx + 60, sy + 80},  {sx, sy}, {sx + 40, sy - 100}, {sx + 20, sy - 160},
                         {sx + 60, sy - 280}, cell,     {float(gx + 100), float(gy - 104)}};
    if (!m_animOpening) {
        std::reverse(std::begin(path), std::end(path));
    }
    const float s = std::clamp(t - kSlotDelay * float(k), 0.0f, 1.0f);
    const int j = s < 0.25f ? 0 : s < 0.5f ? 1 : s < 0.75f ? 2 : 3;
    const float local = (s - 0.25f * float(j)) * 4.0f;
    if (local < 1.0f) {
        running = true;
    }
    const OmVector2 at = OmVector2::CatmullRom(path[j], path[j + 1], path[j + 2], path[j + 3], local);
    const int32_t count = inventory ? inventory->GetTotalCount() : 0;
    if (k >= count) {
        DrawSprite(HUD_INV_EMPTY, at.x, at.y);
    } else {
        RenderArticleSlot(at.x, at.y + 64.0f, inventory->GetArticle(k), inventory);
    }
}

void TsHUDe::RenderInventoryGrid(float gx, float gy, TsInventory* inventory)
{
    if (!inventory) {
        return;
    }
    const int32_t maxCount = std::min(inventory->GetMaxCount(), int32_t(kSlotCount));
    for (int32_t k = 0; k < maxCount; ++k) {
        int32_t row = 0, column = 0;
        StaircaseCell(k, row, column);
        if (row + 2 >= 3 && column < row + 2 - 2) {
            DrawSprite(HUD_DIAG_BAR, gx + 64.0f * float(column) + 46.0f, gy + 64.0f * float(row) - 14.0f);
        }
    }
    // The staircase has 20 cells: an article past them is not drawn.
    const int32_t count = std::min(inventory->GetTotalCount(), int32_t(kSlotCount));
    int32_t k = 0;
    for (; k < count; ++k) {
        int32_t row = 0, column = 0;
        StaircaseCell(k, row, column);
        RenderArticleSlot(gx + 64.0f * float(column), gy + 64.0f * float(row), inventory->GetArticle(k), inventory);
    }
    // The staircase is filled with empty cells to the end of its last row.
    int32_t row = 0, column = 0;
    StaircaseCell(k, row, column);
    if (row < kRows) {
        for (; k < kSlotCount; ++k) {
            StaircaseCell(k, row, column);
            DrawSprite(HUD_INV_EMPTY, gx + 64.0f * float(column), gy + 64.0f * float(row) - 64.0f);
        }
    }
}

void TsHUDe::RenderArticleSlot(float x, float y, TsCollectibleObject* article, TsInventory* inventory)
{
    if (!article) {
        return;
    }
    const TsCharacterObject* owner = inventory ? inventory->GetOwner() : nullptr;
    const bool trader = owner && IsTraderName(owner->GetName());
    int32_t n = 777, m = -1;
    bool h = false, full = false;
    if (TsWeaponObject* weapon = TsWeaponObject::Cast(article)) {
        n = !trader && weapon->Current().ammoPerShot > 0 && inventory ? inventory->GetAmmoCount(weapon) : -1;
        m = weapon->Current().matterType;
        h = inventory && inventory->GetEquipped() == weapon;
        const TsItemObject* ammo = inventory ? inventory->FindAmmoFor(weapon) : nullptr;
        full = ammo && ammo->GetMaxStack() == n;
    } else if (TsItemObject* item = TsItemObject::Cast(article)) {
        if (item->IsAmmo()) {
            n = item->GetStack();
            m = item->GetMatterType();
            const TsWeaponObject* equipped = inventory ? inventory->GetEquipped() : nullptr;
            h = equipped && equipped->Current().ammoType == item->GetAmmoType();
        } else {
            n = !trader && item->GetAmmoType() != -1 ? item->GetStack() : -1;
        }
        full = item->GetMaxStack() == n;
    }
    const bool lit = h && !trader;
    int32_t sprite = lit ? HUD_INV_ITEM_HI : HUD_INV_ITEM;
    if (m == 0) {
        sprite = lit ? HUD_INV_PHYS_HI : HUD_INV_PHYS;
    } else if (m == 1) {
        sprite = lit ? HUD_INV_CHEM_HI : HUD_INV_CHEM;
    } else if (m == 2) {
        sprite = lit ? HUD_INV_ENERGY_HI : HUD_INV_ENERGY;
    }
    DrawSprite(sprite, x, y - 64.0f);
    // The icon sits inside its slot's frame, 2 pixels in from its top-left
    // corner and shrunk to the frame's inside should it be larger.
    OmRenderer* renderer = OmRenderer::Current();
    if (OmBaseSprite* own = article->GetSprite(); own && renderer) {
        const OmTextureResource* texture = renderer->GetTexture(own->textureId);
        const float side = texture ? float(std::max(texture->width, texture->height)) : 0.0f;
        const float fit = side > kIconInside ? kIconInside / side : 1.0f;
        own->SetScreenRelative(false);
        own->SetScale(fit, fit);
        own->SetPosition(x + kIconInset, y - 64.0f + kIconInset);
        own->Render(*renderer);
        own->SetScale(1.0f, 1.0f); // the info window shows it at its own size
    }
    DrawCount(x, y - 64.0f, n, full ? kFullStack : kWhite);
}

bool TsHUDe::HandleInventoryInput(int x, int y)
{
    if (m_openSlot < 0) {
        return false;
    }
    TsInventory* inventory = InventoryOf(m_openSlot);
    const TsPCObject* owner = TsHUDe::SquadMember(m_openSlot);
    const bool allowed = WeaponChangesAllowed(owner);
    const TsInput* input = TsAccess::Input();
    const int wheel = input ? input->GetMouseWheel() : 0;
    if (wheel != 0) {
        if (allowed && inventory) {
            wheel < 0 ? inventory->EquipNext() : inventory->EquipPrevious();
        }
        TsPlayFlatSound(kSoundSelect);
        return true;
    }
    const bool left = Pressed(TS_ACTION_SELECT), right = Pressed(TS_ACTION_CANCEL);
    const bool middle = Pressed(TS_ACTION_WEAPON_MODE_BUTTON);
    const bool escape = Pressed(TS_ACTION_MENU);
    int32_t gx = 0, gy = 0;
    GetGridOrigin(0, gx, gy);
    const int32_t count = inventory ? std::min(inventory->GetTotalCount(), int32_t(kSlotCount)) : 0;
    for (int32_t k = 0; k < count; ++k) {
        int32_t row = 0, column = 0;
        StaircaseCell(k, row, column);
        if (!CellSquare(gx, gy, row, column).Contains(x, y)) {
            continue;
        }
        TsCollectibleObject* article = inventory->GetArticle(k);
        if (left && allowed) {
            if (article && inventory->GetEquipped() == article) {
                inventory->UnequipArticle();
            } else {
                inventory->EquipArticle(article);
                TsPlayFlatSound(kSoundSelect);
            }
        } else if (right) {
            m_menu.Open(article, m_openSlot);
            return true;
        } else if (middle) {
            inventory->ToggleEquippedMode();
        }
    }
    if (left || right || middle || escape) {
        CloseInventory(true, false);
    }
    return true;
}
