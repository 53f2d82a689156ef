#include "game/objects/TsInventory.h"

#include <strings.h>

#include "engine/OmArchive.h"
#include "engine/OmMatrix3.h"
#include "engine/OmNode.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsWeaponObject.h"

OM_IMPLEMENT_CLASS(TsInventory, TsObject)

namespace {

// An entry of an article list as the kind of article that list holds:
// weapons, or items (ammunition among them).
template <class T>
T* ArticleAt(const OmList::Node* node)
{
    return static_cast<T*>(OmRefList<TsCollectibleObject>::At(node));
}

template <class T>
T* NthOf(const OmRefListBase& list, int32_t index)
{
    if (index < 0)
        return nullptr;
    const OmList::Node* node = list.GetFirst();
    for (; node && index > 0; --index)
        node = node->next;
    return ArticleAt<T>(node);
}

bool SameModel(const TsItemObject& a, const TsItemObject& b)
{
    const char* x = a.GetMdl();
    const char* y = b.GetMdl();
    return x && y && strcasecmp(x, y) == 0;
}

void PlayFlat(int32_t sound)
{
    TsPlaySoundAt(sound, OmVector3(0.0f, 0.0f, 0.0f));
}

int32_t PrimaryWeaponType(const TsWeaponObject* weapon)
{
    return weapon ? weapon->Attributes(false).weaponType : -1;
}

// An article in an inventory is that inventory's alone: a second one that
// listed it, or merged its count into a stack, would count it twice.
bool HeldByAnInventory(const TsCollectibleObject* article)
{
    const TsCharacterObject* owner = article->GetOwner();
    const TsInventory* holder = owner ? owner->GetInventory() : nullptr;
    return holder && holder->Holds(article);
}

} // namespace

// The inventory's own reference to each article goes and no more: whoever
// else holds an article (a script, another list) keeps it alive.
TsInventory::~TsInventory()
{
    // Unequipping would reach into an owner that may be going too.
    m_equipped = nullptr;
    m_weapons.RemoveAll();
    m_ammo.RemoveAll();
    m_items.RemoveAll();
}

// ---- saving ---------------------------------------------------------------

bool TsInventory::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive))
        return false;
    if (m_owner)
        m_owner->Register(archive);
    m_weapons.RegisterAll(archive);
    m_ammo.RegisterAll(archive);
    m_items.RegisterAll(archive);
    return true;
}

void TsInventory::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteObjectRef(m_owner);
    int32_t equippedIndex = -1;
    int32_t i = 0;
    for (const OmList::Node* node = m_weapons.GetFirst(); node; node = node->next, ++i)
        if (node == m_equipped)
            equippedIndex = i;
    archive.WriteI32(equippedIndex);
    m_weapons.WriteRefs(archive);
    m_ammo.WriteRefs(archive);
    m_items.WriteRefs(archive);
    archive.WriteI32(m_count).WriteI32(m_maxCount);
}

// A damaged file may name an equipped entry the weapon list does not have:
// that fails the load instead of leaving a stray pointer.
void TsInventory::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    ReadLink(archive, m_owner);
    int32_t equippedIndex = -1;
    archive.ReadI32(equippedIndex);
    m_weapons.ReadRefs(archive);
    m_ammo.ReadRefs(archive);
    m_items.ReadRefs(archive);
    archive.ReadI32(m_count).ReadI32(m_maxCount);
    if (archive.HasFailed())
        return;
    m_equipped = nullptr;
    if (equippedIndex >= 0) {
        const Articles::Node* node = m_weapons.GetFirst();
        for (int32_t i = 0; node && i < equippedIndex; ++i)
            node = node->next;
        if (!node) {
            archive.Fail("TsInventory: the equipped weapon is not in the weapon list");
            return;
        }
        m_equipped = node;
    } else if (equippedIndex != -1) {
        archive.Fail("TsInventory: bad equipped weapon index");
        return;
    }
}

// Asked once every object of the file is read: each list holds only its
// own kind of article.
bool TsInventory::LinksAreSound() const
{
    for (const OmList::Node* node = m_weapons.GetFirst(); node; node = node->next)
        if (!TsWeaponObject::Cast(OmList::ValueAt<OmObject>(node)))
            return false;
    for (const Articles* list : {&m_ammo, &m_items})
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next)
            if (!TsItemObject::Cast(OmList::ValueAt<OmObject>(node)))
                return false;
    return true;
}

// ---- set-up ---------------------------------------------------------------

bool TsInventory::Import()
{
    for (const Articles* list : {&m_weapons, &m_ammo, &m_items})
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next)
            if (!Articles::At(node)->Import())
                return false;
    return true;
}

bool TsInventory::Initialise()
{
    for (const Articles* list : {&m_weapons, &m_ammo, &m_items})
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next)
            if (!Articles::At(node)->Initialise())
                return false;
    if (m_equipped && m_owner)
        m_owner->AttachArticle(Articles::At(m_equipped));
    RecomputeDefenceBonuses();
    return true;
}

// ---- adding and removing ---------------------------------------------------

TsItemObject* TsInventory::FindStackFor(const TsItemObject* item) const
{
    const Articles& list = item->IsAmmo() ? m_ammo : m_items;
    for (const OmList::Node* node = list.GetFirst(); node; node = node->next) {
        TsItemObject* entry = ArticleAt<TsItemObject>(node);
        if (item->IsAmmo() ? entry->GetAmmoType() == item->GetAmmoType() : SameModel(*entry, *item))
            return entry;
    }
    return nullptr;
}

bool TsInventory::CanAdd(TsCollectibleObject* article, TsItemObject*& stack) const
{
    stack = nullptr;
    if (!article || !article->CanPickup())
        return false;
    const TsItemObject* item = TsItemObject::Cast(article);
    if (!item)
        return m_count < m_maxCount;
    if (item->IsAutoUse())
        return false;
    if (!item->IsStackable())
        return m_count < m_maxCount;
    TsItemObject* existing = FindStackFor(item);
    if (!existing)
        return m_count < m_maxCount;
    if (existing->GetStack() < existing->GetMaxStack()) {
        stack = existing;
        return true;
    }
    return false;
}

TsItemObject* TsInventory::MergeStackFor(const TsCollectibleObject* article) const
{
    const TsItemObject* item = TsItemObject::Cast(article);
    if (!item || item->IsAutoUse() || !(item->IsAmmo() || item->IsStackable()))
        return nullptr;
    return FindStackFor(item);
}

TsInventory::Articles& TsInventory::ListFor(const TsCollectibleObject* article)
{
    const TsItemObject* item = TsItemObject::Cast(article);
    return !item ? m_weapons : item->IsAmmo() ? m_ammo : m_items;
}

// The one way in: the article is listed with its kind and belongs to the
// inventory's character from now on; the reference its giver handed over is
// the inventory's.
void TsInventory::TakeArticle(TsCollectibleObject* article)
{
    if (TsItemObject* item = TsItemObject::Cast(article); item && item->IsAmmo())
        InsertAmmo(item);
    else
        ListFor(article).AddTail(OmRef<TsCollectibleObject>::Adopt(article));
    article->SetOwner(m_owner);
    ++m_count;
}

// The one way out: off its list, the article belongs to no one, and the
// caller has the inventory's reference.
OmRef<TsCollectibleObject> TsInventory::LetGo(TsCollectibleObject* article)
{
    OmRef<TsCollectibleObject> removed = ListFor(article).Remove(article);
    if (removed) {
        article->SetOwner(nullptr);
        --m_count;
    }
    return removed;
}

void TsInventory::Refuse(TsCollectibleObject* article)
{
    if (m_owner) {
        if (!m_owner->IsSoundSlotPlaying(TS_CHARSOUND_CANNOTPICKUP))
            m_owner->PlaySoundSlot(TS_CHARSOUND_CANNOTPICKUP, m_owner->GetPosition());
    }
    // The refusing character has to step off it for a second before it may
    // try again.
    article->HoldFor(m_owner, TsAccess::TicksPerSecond());
}

// The list stays sorted by ammo type: the new stack goes before the first
// stack of a greater type. It takes over the giver's reference.
void TsInventory::InsertAmmo(TsItemObject* ammo)
{
    const Articles::Node* node = m_ammo.AddTail(OmRef<TsCollectibleObject>::Adopt(ammo));
    while (node->prev && ArticleAt<TsItemObject>(node->prev)->GetAmmoType() > ammo->GetAmmoType()) {
        m_ammo.SwapValues(node, node->prev);
        node = node->prev;
    }
}

int32_t TsInventory::AddArticle(TsCollectibleObject* article)
{
    // One held already, here or elsewhere, would be listed twice (or merged
    // into a stack while still held) and released twice.
    if (!article || !article->CanPickup() || Holds(article) || HeldByAnInventory(article))
        return 0;
    int32_t added = 0;
    TsItemObject* item = TsItemObject::Cast(article);
    if (!item) {
        if (!TsWeaponObject::Cast(article) || m_count >= m_maxCount) {
            Refuse(article);
            return 0;
        }
        TakeArticle(article);
        added = 1;
    } else if (item->IsAutoUse()) {
        return 1;
    } else if (TsItemObject* stack = MergeStackFor(item)) {
        added = stack->AddToStack(item->GetStack());
    } else if (m_count >= m_maxCount) {
        Refuse(article);
        return 0;
    } else {
        TakeArticle(article);
        added = item->IsAmmo() || item->IsStackable() ? item->GetStack() : 1;
    }
    RecomputeDefenceBonuses();
    if (added >= 1 && TsPCObject::Cast(m_owner))
        TsPlaySoundAt(kPickupClickSound, article->GetPosition());
    return added;
}

int32_t TsInventory::AddArticleAndRemove(TsCollectibleObject* article)
{
    if (!article || Holds(article) || HeldByAnInventory(article))
        return 0;
    article->SetFlag(TS_ENTITY_PENDING_DELETE);
    return AddArticle(article);
}

OmRef<TsCollectibleObject> TsInventory::RemoveArticle(TsCollectibleObject* article)
{
    if (!article)
        return nullptr;
    if (m_equipped && m_equipped->value == article)
        SetEquipped(nullptr);
    // Neither a weapon nor an item: reported to the debug trace only,
    // which shows nothing.
    if (!TsWeaponObject::Cast(article) && !TsItemObject::Cast(article))
        return nullptr;
    OmRef<TsCollectibleObject> removed = LetGo(article);
    if (removed && TsItemObject::Cast(article))
        RecomputeDefenceBonuses();
    return removed;
}

// The dropped article is held for its dropper only for its pick-up delay:
// the dropper cannot take it straight back, and the article lets go of the
// dropper a second after the dropper stops touching it.
bool TsInventory::DropArticle(TsCollectibleObject* article)
{
    if (!article || !article->CanDrop() || !article->GetModel() || !Holds(article))
        return false;
    TsEntityDB* db = TsAccess::EntityDB();
    if (!db) {
        LogError("TsInventory: nothing can be dropped without a level");
        return false;
    }
    if (m_owner)
        article->SetPositionOnGround(m_owner->GetPosition());
    article->GetModel()->LocalRotation().SetIdentity();
    article->ClearFlag(TS_ENTITY_PENDING_DELETE);
    int32_t sound = -1;
    if (const TsWeaponObject* weapon = TsWeaponObject::Cast(article))
        sound = weapon->GetSound(TS_WEAPON_SOUND_DROPPING);
    else if (const TsItemObject* item = TsItemObject::Cast(article))
        sound = item->GetSound();
    // The level takes over the inventory's reference.
    db->AddEntity(RemoveArticle(article));
    if (sound >= 0)
        TsPlaySoundAt(sound, article->GetPosition());
    article->HoldFor(m_owner, TsAccess::TicksPerSecond());
    return true;
}

// ---- looking up ------------------------------------------------------------

TsCollectibleObject* TsInventory::GetArticle(int32_t index) const
{
    if (index < 0)
        return nullptr;
    const int32_t weapons = GetWeaponCount();
    if (index < weapons)
        return GetWeapon(index);
    const int32_t j = index - weapons;
    if (j < GetAmmoCount())
        return GetAmmo(j);
    return GetItem(j - GetAmmoCount());
}

TsWeaponObject* TsInventory::GetWeapon(int32_t index) const
{
    return NthOf<TsWeaponObject>(m_weapons, index);
}

TsItemObject* TsInventory::GetAmmo(int32_t index) const
{
    return NthOf<TsItemObject>(m_ammo, index);
}

TsItemObject* TsInventory::GetItem(int32_t index) const
{
    return NthOf<TsItemObject>(m_items, index);
}

bool TsInventory::Holds(const TsCollectibleObject* article) const
{
    return article && (m_weapons.Contains(article) || m_ammo.Contains(article) || m_items.Contains(article));
}

TsItemObject* TsInventory::FindAmmoFor(const TsWeaponObject* weapon) const
{
    if (!weapon)
        return nullptr;
    const int32_t type = weapon->Current().ammoType;
    if (type < 1)
        return nullptr;
    for (const OmList::Node* node = m_ammo.GetFirst(); node; node = node->next)
        if (ArticleAt<TsItemObject>(node)->GetAmmoType() == type)
            return ArticleAt<TsItemObject>(node);
    return nullptr;
}

int32_t TsInventory::GetAmmoCount(const TsWeaponObject* weapon) const
{
    if (const TsItemObject* ammo = FindAmmoFor(weapon))
        return ammo->GetStack();
    if (PrimaryWeaponType(weapon) == TS_WEAPON_RADIATION_GENERATOR)
        return weapon->Attributes(false).ChargeCount();
    return 0;
}

TsItemObject* TsInventory::FindHealingItem(bool byHealth, bool smallest) const
{
    TsItemObject* candidate = nullptr;
    for (const OmList::Node* node = m_items.GetFirst(); node; node = node->next) {
        TsItemObject* item = ArticleAt<TsItemObject>(node);
        if (item->GetAmmoType() != 0)
            continue;
        if (!candidate) {
            if (item->GetHealth() > 0.0f || item->GetVitality() > 0.0f)
                candidate = item;
            continue;
        }
        const float value = byHealth ? item->GetHealth() : item->GetVitality();
        if (value <= 0.0f)
            continue;
        const float best = byHealth ? candidate->GetHealth() : candidate->GetVitality();
        const bool better = smallest ? (value < best || best <= 0.0f) : value > best;
        if (better)
            candidate = item;
    }
    return candidate;
}

// ---- defence ---------------------------------------------------------------

float TsInventory::GetDefenceBonus(int32_t matterType) const
{
    return matterType >= 0 && matterType < TS_NUM_MATTER_TYPES ? m_defenceBonus[matterType] : 0.0f;
}

// A later armour item of a matter type replaces an earlier one; an armour
// item against every matter type sets all three and ends the walk.
void TsInventory::RecomputeDefenceBonuses()
{
    for (float& bonus : m_defenceBonus)
        bonus = 0.0f;
    for (const OmList::Node* node = m_items.GetFirst(); node; node = node->next) {
        const TsItemObject* item = ArticleAt<TsItemObject>(node);
        if (!item->IsArmour())
            continue;
        const int32_t matter = item->GetMatterType();
        if (matter == TS_MATTER_NONE) {
            for (float& bonus : m_defenceBonus)
                bonus = item->GetHealth();
            return;
        }
        if (matter >= 0 && matter < TS_NUM_MATTER_TYPES)
            m_defenceBonus[matter] = item->GetHealth();
    }
}

// ---- equipping -------------------------------------------------------------

TsWeaponObject* TsInventory::GetEquipped() const
{
    return ArticleAt<TsWeaponObject>(m_equipped);
}

// A player character holding a skill does not engage by itself: its
// auto-engage goes off while the skill is in hand and back on after.
void TsInventory::SetEquipped(const Articles::Node* entry)
{
    if (TsWeaponObject* old = GetEquipped()) {
        m_equipped = nullptr;
        old->StopLoop();
        if (m_owner) {
            m_owner->DetachArticle(old);
            if (PrimaryWeaponType(old) == TS_WEAPON_SKILL)
                if (TsPCObject* pc = TsPCObject::Cast(m_owner))
                    pc->SetAutoAttack(true);
        }
    }
    m_equipped = entry;
    if (TsWeaponObject* weapon = GetEquipped()) {
        weapon->SetReloadCountdown(0);
        if (m_owner) {
            m_owner->AttachArticle(weapon);
            if (PrimaryWeaponType(weapon) == TS_WEAPON_SKILL)
                if (TsPCObject* pc = TsPCObject::Cast(m_owner))
                    pc->SetAutoAttack(false);
        }
    }
}

bool TsInventory::EquipArticle(TsCollectibleObject* article)
{
    if (!article || !article->CanEquip() || !TsWeaponObject::Cast(article))
        return false;
    SetEquipped(m_weapons.Find(article));
    return true;
}

void TsInventory::UnequipArticle()
{
    SetEquipped(nullptr);
}

bool TsInventory::EquipNext()
{
    if (m_equipped && m_equipped == m_weapons.GetLast()) {
        SetEquipped(nullptr);
        return true;
    }
    const Articles::Node* node = m_equipped ? m_equipped->next : m_weapons.GetFirst();
    for (; node && node != m_equipped; node = node->next) {
        if (Articles::At(node)->CanEquip()) {
            SetEquipped(node);
            return true;
        }
    }
    return false;
}

bool TsInventory::EquipPrevious()
{
    if (m_equipped && m_equipped == m_weapons.GetFirst()) {
        SetEquipped(nullptr);
        return true;
    }
    const Articles::Node* node = m_equipped ? m_equipped->prev : m_weapons.GetLast();
    for (; node && node != m_equipped; node = node->prev) {
        if (Articles::At(node)->CanEquip()) {
            SetEquipped(node);
            return true;
        }
    }
    return false;
}

void TsInventory::ToggleEquippedMode()
{
    TsWeaponObject* weapon = GetEquipped();
    if (!weapon)
        return;
    if (!weapon->IsBimodal()) {
        PlayFlat(kNotBimodalSound);
        return;
    }
    PlayFlat(weapon->ToggleMode() ? kSecondaryModeSound : kPrimaryModeSound);
}
