// The player's control: once a tick the person at the keyboard commands the
// party. Keys select characters, switch the weapon mode, heal, save, load
// and quit; the left button moves or uses, the right button attacks; then
// the squad makes its own decisions. What the screens show of it (the
// diary, the quit question, the saved box, the HUD's blink) is asked of
// the level, which owns them.
#include <cmath>

#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsRandom.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"

namespace {

constexpr int32_t kSavedText = 30747; // "game saved"
constexpr int kClickSound = 204;
constexpr int kFirstGagSound = 235;
constexpr int kActWithBonus = 4;
constexpr int32_t kCharmNameId = 20230;

} // namespace

void TsPlayer::Tick(uint32_t)
{
    const TsInput* input = TsAccess::Input();
    if (!input || !m_squad) {
        return;
    }
    if (m_squad->AliveMemberCount() < m_squadCount) {
        return;
    }
    GagStep();
    // The character current at the start serves the whole tick: a
    // selection takes effect from the next one.
    TsPCObject* current = GetCurrentCharacter();
    if (!current) {
        return;
    }
    if (input->IsActionPressed(TS_ACTION_IMMUNITY)) {
        MakeSquadImmune();
    }
    GameKeys(*current);
    if (!current->IsMobile()) {
        return;
    }
    MouseOrders(*current);
    m_squad->Tick(uint32_t(TsAccess::TickCount()));
    ActBonus();
}

void TsPlayer::GameKeys(TsPCObject& current)
{
    const TsInput* input = TsAccess::Input();
    TsLevelState* level = TsAccess::LevelState();
    if (input->IsActionReleased(TS_ACTION_DIARY) && level) {
        level->OpenDiary();
    }
    if (input->IsActionReleased(TS_ACTION_WEAPON_MODE) && current.GetInventory()) {
        current.GetInventory()->ToggleEquippedMode();
    }
    SelectionKeys();
    if (input->IsActionReleased(TS_ACTION_QUICK_SAVE)) {
        QuickSave();
    }
    if (input->IsActionReleased(TS_ACTION_QUICK_LOAD)) {
        ChangeLevel();
    }
    if (input->IsActionReleased(TS_ACTION_QUIT) && level) {
        level->AskToQuit();
    }
}

// Of several selection keys released in one tick the last decides, also
// when it names the character already current.
void TsPlayer::SelectionKeys()
{
    const TsInput* input = TsAccess::Input();
    int32_t selected = -1;
    for (int32_t i = 0; i < kMaxSquadMembers; ++i) {
        if (input->IsActionReleased(TS_ACTION_MEMBER_1 + i)) {
            selected = m_currentIndex == i ? -1 : i;
        }
    }
    if (selected < 0 || selected >= m_squadCount) {
        return;
    }
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->PlaySound(kClickSound, 0.0f, 0.0f, 0.0f, false);
    }
    SetCurrentCharacter(selected);
}

// The save name is kept for a quick load only when the save was written.
void TsPlayer::QuickSave()
{
    TsMain* app = TsMain::Instance();
    if (!app || !app->SaveGame()) {
        LogError("Quick save failed: the game was not saved");
        return;
    }
    m_loadedSaveName = m_saveTitle.Get();
    LogInfoF("Quick save: %s", m_saveTitle.Get() ? m_saveTitle.Get() : "");
    if (TsLevelState* level = TsAccess::LevelState()) {
        level->ShowMessage(kSavedText);
    }
}

void TsPlayer::MouseOrders(TsPCObject& current)
{
    const TsInput* input = TsAccess::Input();
    const TsLevelCursor* cursor = TsAccess::LevelCursor();
    TsEntity* hovered = cursor ? cursor->GetHovered() : nullptr;
    TsEntity* hoveredCharacter = TsCharacterObject::Cast(hovered);
    if (input->IsActionReleased(TS_ACTION_HEAL) && current.GetInventory()) {
        const bool byHealth = current.GetHealth() < current.GetMaxHealth();
        if (TsItemObject* item = current.GetInventory()->FindHealingItem(byHealth, true)) {
            current.StopMoving();
            item->AutoUse();
        }
    }
    if (TsEntity* locked = current.GetLockedTarget(); locked && current.IsAiming()) {
        const float dx = locked->GetPosition().x - current.GetPosition().x;
        const float dz = locked->GetPosition().z - current.GetPosition().z;
        if (dx * dx + dz * dz > kLockRange * kLockRange) {
            current.ClearLockedTarget();
        }
    }
    TsLevelState* level = TsAccess::LevelState();
    if (!cursor || (level && level->ScreenTookClick())) {
        return;
    }
    const OmVector3& picked = cursor->GetPickedPoint();
    if (input->IsActionPressed(TS_ACTION_MOVE)) {
        if (hovered) {
            current.UseEntity(hovered);
        } else {
            current.MoveTo(picked);
        }
        if (level) {
            level->AcknowledgeOrder();
        }
    } else if (input->IsActionDown(TS_ACTION_MOVE)) {
        if (current.GetPendingCommand() != TsCharacterObject::kGoToUse) {
            current.MoveTo(picked);
        }
    } else if (input->IsActionReleased(TS_ACTION_MOVE)) {
        if (current.GetPendingCommand() != TsCharacterObject::kGoToUse) {
            current.DropLockedTarget();
        }
    }
    if (input->IsActionDown(TS_ACTION_ATTACK)) {
        current.AttackTarget(hoveredCharacter, picked, input->IsActionPressed(TS_ACTION_ATTACK));
    }
}

// From the fourth act on, a squad carrying the charm recovers twice as fast.
void TsPlayer::ActBonus()
{
    if (m_levelInfo->iActNumber < kActWithBonus) {
        return;
    }
    bool found = false;
    for (int32_t m = 0; m < m_squad->GetMemberCount() && !found; ++m) {
        const TsInventory* inventory = m_squad->GetMember(m)->GetInventory();
        for (int32_t i = 0; inventory && i < inventory->GetItemCount() && !found; ++i) {
            const TsItemObject* item = inventory->GetItem(i);
            found = item && item->GetDisplayNameID() == kCharmNameId;
        }
    }
    if (!found) {
        return;
    }
    for (int32_t m = 0; m < m_squad->GetMemberCount(); ++m) {
        TsCharacterObject* member = m_squad->GetMember(m);
        member->IncrementVitality(member->GetVitalityRecovery() * TsAccess::TickDuration());
    }
}

// Orrick's gag: holding the key counts down, and at zero he lets rip.
void TsPlayer::GagStep()
{
    TsPCObject* current = GetCurrentCharacter();
    const TsInput* input = TsAccess::Input();
    if (current && current->GetPCType() == TS_PC_ORRICK && input) {
        if (!input->IsActionDown(TS_ACTION_GAG)) {
            m_gagCounter = kGagTicks;
        } else if (--m_gagCounter <= 0) {
            StartGag(*current);
            m_gagCounter = kGagTicks;
        }
    }
    m_gagEmitter.Update(TsAccess::GameTime());
}

void TsPlayer::StartGag(TsPCObject& character)
{
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->PlaySound((Random() & 1) ? kFirstGagSound : kFirstGagSound + 1, 0.0f, 0.0f, 0.0f, false);
    }
    m_gagEmitter.Stop();
    m_gagEmitter.effect = GetOrLoadParticleEffect("farteffect");
    if (!m_gagEmitter.effect) {
        return;
    }
    m_gagEmitter.node = nullptr;
    const OmVector3 direction = character.GetDirection();
    // 1.0 above and 0.25 behind the character.
    m_gagEmitter.position = character.GetPosition() + OmVector3(0.0f, 1.0f, 0.0f) - direction * 0.25f;
    m_gagEmitter.velocity = OmVector3();
    m_gagEmitter.stopTime = 0.01f;
    m_gagEmitter.inheritVelocity = 0;
    m_gagEmitter.Start(TsAccess::GameTime());
}
