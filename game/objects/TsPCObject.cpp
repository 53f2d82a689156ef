#include "game/objects/TsPCObject.h"
#include "game/framework/TsLevelState.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsStashObject.h"

#include "engine/OmAnimationFrames.h"
#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsPCStartObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsStashObject.h"
#include "game/objects/TsWeaponAttributes.h"
#include "game/objects/TsWeaponObject.h"

OM_IMPLEMENT_CLASS(TsPCObject, TsCharacterObject)

// The amount one use of the current (healing) attack restores.
float TsPCObject::HealAmount() const
{
    const TsWeaponObject* attack = GetCurrentAttack();
    return attack ? -attack->Current().efficiency : 0.0f;
}

// Party members are never put to sleep by distance: they follow the player
// wherever the camera goes.
TsPCObject::TsPCObject()
{
    ClearFlag(TS_ENTITY_DISTANCE_LIMITED);
}

TsPCObject::TsPCObject(OmArchive& archive) : TsCharacterObject(archive) {}

bool TsPCObject::Register(OmArchive& archive)
{
    if (!TsCharacterObject::Register(archive)) {
        return false;
    }
    if (m_player) {
        m_player->Register(archive);
    }
    return true;
}

// The PC word carries the character's type: a loaded party must still know
// who is who (the selection order and Orrick's gag read it).
void TsPCObject::Write(OmArchive& archive)
{
    TsCharacterObject::Write(archive);
    archive.WriteObjectRef(m_player);
    archive.WriteI32(m_stay).WriteI32(m_autoEngage);
    archive.WriteI32(m_pcType);
}

void TsPCObject::Read(OmArchive& archive)
{
    TsCharacterObject::Read(archive);
    ReadLink(archive, m_player);
    int32_t stay = 0;
    int32_t autoEngage = 1;
    archive.ReadI32(stay).ReadI32(autoEngage).ReadI32(m_pcWord);
    m_stay = stay != 0 ? 1 : 0;
    m_autoEngage = autoEngage != 0 ? 1 : 0;
    if (m_pcWord >= TS_PC_NONE && m_pcWord < MAX_PLAYER_CHARACTERS) {
        m_pcType = m_pcWord;
    }
}

bool TsPCObject::Import()
{
    const bool ok = TsCharacterObject::Import();
    ApplySkillRule();
    SetStartPosition();
    return ok;
}

// Nothing is equipped at import: the current attack is the innate one.
void TsPCObject::ApplySkillRule()
{
    if (CurrentWeaponType() == TS_WEAPON_SKILL) {
        m_autoEngage = 0;
    }
}

bool TsPCObject::Initialise()
{
    const bool ok = TsCharacterObject::Initialise();
    const int32_t stand = TsActionState::AnimationFor(kStand, CurrentEquipType());
    if (GetCurrentAnimation() != stand) {
        PlayAnimation(stand, OM_PLAY_LOOP, false);
    }
    PublishArticles();
    const TsLevelState* level = TsAccess::LevelState();
    if (level && level->Reequips()) {
        TsInventory* inventory = GetInventory();
        if (TsWeaponObject* equipped = inventory ? inventory->GetEquipped() : nullptr) {
            inventory->EquipArticle(equipped);
        } else {
            ApplySkillRule();
        }
    }
    return ok;
}

// The level's scripts reach what the party carries by name.
void TsPCObject::PublishArticles()
{
    TsEntityDB* db = TsAccess::EntityDB();
    const TsInventory* inventory = GetInventory();
    if (!db || !inventory) {
        return;
    }
    for (int32_t i = 0; TsCollectibleObject* article = inventory->GetArticle(i); ++i) {
        db->MakeLuaGlobal(article);
    }
}

void TsPCObject::Tick(uint32_t tickCount)
{
    TsCharacterObject::Tick(tickCount);
    if (HasFlag(TS_ENTITY_DEAD)) {
        ++m_ticksSinceDeath;
    }
}

// The death animation runs from the moment of death, whatever the clock.
void TsPCObject::Render(float renderTime, float fraction)
{
    if (HasFlag(TS_ENTITY_DEAD) && m_ticksSinceDeath >= 0) {
        renderTime = TsAccess::TickDuration() * (fraction + float(m_ticksSinceDeath));
    }
    TsCharacterObject::Render(renderTime, fraction);
}

bool TsPCObject::IsCurrentCharacter() const
{
    const TsPlayer* player = TsAccess::LocalPlayer();
    return player && player->GetCurrentCharacter() == this;
}

// Only the character the player controls picks things up by touch.
void TsPCObject::OnTouch(TsEntity* other, float separation)
{
    TsCharacterObject::OnTouch(other, separation);
    if (!other || !IsCurrentCharacter() || other->HasFlag(TS_ENTITY_PENDING_DELETE)) {
        return;
    }
    // The touched object's own touch ran first: a stash has opened, an
    // auto-use item has been used (and is waiting to go).
    if (const TsStashObject* stash = TsStashObject::Cast(other)) {
        if (stash->IsOpened())
            StopMoving();
        return;
    }
    auto* article = TsCollectibleObject::Cast(other);
    TsInventory* inventory = GetInventory();
    TsItemObject* stack = nullptr;
    if (!article || !inventory || article->HasFlag(TS_ENTITY_PENDING_DELETE) || !inventory->CanAdd(article, stack))
        return;
    auto* item = TsItemObject::Cast(article);
    const int32_t offered = item ? item->GetStack() : 1;
    const int32_t taken = inventory->AddArticle(article);
    if (taken <= 0)
        return;
    StopMoving();
    // Kept: the level hands it over to the inventory, which gets a
    // reference of its own; the level lists it until its next tick. Merged
    // into a stack: the level lets it go with its other removed entities,
    // unless the stack had room for only part of it; the rest stays on the
    // ground.
    if (inventory->Holds(article)) {
        if (TsEntityDB* db = TsAccess::EntityDB())
            db->HandOver(article);
    } else if (item && taken < offered) {
        item->AddToStack(-taken);
    } else {
        article->SetFlag(TS_ENTITY_PENDING_DELETE);
    }
}

bool TsPCObject::LeadsSquad() const
{
    const TsSquadObject* squad = GetSquad();
    return squad && squad->GetLeader() == this;
}

// A healer with nothing worth healing, or too weak to spend its own life
// on it, is not sent.
bool TsPCObject::AttackTarget(TsEntity* target, const OmVector3& aimPoint, bool force)
{
    if (LeadsSquad() && HealAmount() > 0.0f) {
        const auto* patient = target && OmClass::IsDerivedFromNamed(target->GetClass(), "TsCharacterObject")
                                  ? static_cast<const TsCharacterObject*>(static_cast<const TsModel*>(target))
                                  : nullptr;
        if (!patient) {
            return false;
        }
        if (patient->GetHealth() >= patient->GetMaxHealth() && patient->GetVitality() >= patient->GetMaxVitality()) {
            return false;
        }
        if (!(GetHealth() + GetVitality() > HealAmount())) {
            return false;
        }
    }
    return TsCharacterObject::AttackTarget(target, aimPoint, force);
}

void TsPCObject::SetAutoAttack(bool on)
{
    if (on && CurrentWeaponType() == TS_WEAPON_SKILL) {
        return;
    }
    m_autoEngage = on ? 1 : 0;
}

bool TsPCObject::SetStartPosition()
{
    const TsEntityDB* db = TsAccess::EntityDB();
    for (OmList::Node* n = db ? db->GetOtherEntities().GetFirst() : nullptr; n; n = n->next) {
        auto* object = OmList::ValueAt<TsObject>(n);
        if (!object || !OmClass::IsDerivedFromNamed(object->GetClass(), "TsPCStartObject")) {
            continue;
        }
        auto* start = static_cast<TsPCStartObject*>(static_cast<TsEntity*>(object));
        if (start->IsUsed()) {
            continue;
        }
        start->SetUsed(true);
        const OmVector3& at = start->GetPosition();
        SetPosition(at.x, at.y, at.z);
        return true;
    }
    LogInfoF("Could not find a TsPCStartObject for player character %s", NameOrEmpty());
    return false;
}
