#include "game/objects/TsItemObject.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "engine/OmArchive.h"
#include "engine/OmMath.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsPlayer.h"

OM_IMPLEMENT_CLASS(TsItemObject, TsCollectibleObject)

TsItemObject::TsItemObject()
{
    m_radius = 0.3f;
    m_height = 0.2f;
    m_canEquip = 0;
    m_canDrop = 0;
    m_forSale = 0;
}

void TsItemObject::Write(OmArchive& archive)
{
    TsCollectibleObject::Write(archive);
    archive.WriteI32(m_stack).WriteI32(m_maxStack).WriteI32(m_ammoType).WriteI32(m_packSize);
    archive.WriteI32(m_matterType).WriteFloat(m_vitality).WriteFloat(m_health);
    archive.WriteI32(m_usage).WriteI32(m_sound);
    // The template name once more: older files carry it twice.
    m_templateName.Write(archive);
}

void TsItemObject::Read(OmArchive& archive)
{
    TsCollectibleObject::Read(archive);
    archive.ReadI32(m_stack).ReadI32(m_maxStack).ReadI32(m_ammoType).ReadI32(m_packSize);
    archive.ReadEnum(m_matterType).ReadFloat(m_vitality).ReadFloat(m_health);
    archive.ReadI32(m_usage).ReadI32(m_sound);
    m_templateName.Read(archive);
}

bool TsItemObject::Initialise()
{
    const bool ok = TsCollectibleObject::Initialise();
    if (m_sound >= 0 && m_sound <= kMaxSoundId)
        if (TsAudio* audio = TsAccess::Audio())
            audio->FlagSoundForLoading(SoundId(m_sound));
    return ok;
}

void TsItemObject::FlagSoundForLoading(int32_t slot, int32_t soundId)
{
    if (slot < 0 || slot >= TS_NUM_ITEM_SOUNDS || soundId < 0 || soundId > kMaxSoundId)
        return;
    m_sound = soundId;
}

bool TsItemObject::WouldBenefit(const TsCharacterObject* character) const
{
    if (!character)
        return false;
    if (m_health > 0.0f && character->GetHealth() < character->GetMaxHealth())
        return true;
    return m_vitality > 0.0f && character->GetVitality() < character->GetMaxVitality();
}

void TsItemObject::ApplyTo(TsCharacterObject* character) const
{
    character->PlaySoundSlot(TS_CHARSOUND_HEALED, character->GetPosition());
    character->IncrementVitality(m_vitality);
    character->IncrementHealth(m_health);
}

void TsItemObject::AutoUse()
{
    TsCharacterObject* owner = GetOwner();
    if (IsAmmo() || m_usage == TS_ITEMUSAGE_CANNOT_USE || !owner || m_maxStack < 1 || m_stack < 1)
        return;
    if (!WouldBenefit(owner))
        return;
    ApplyTo(owner);
    AddToStack(-1);
}

// An auto-use item is used up by the current player character's touch when
// it helps that character. Only that character's touch uses it: another
// character walking over it leaves it where it lies. An item already used
// up this tick (waiting for the level to take it away) does nothing more.
void TsItemObject::OnTouch(TsEntity* other, float separation)
{
    if (HasFlag(TS_ENTITY_PENDING_DELETE))
        return;
    if (IsAutoUse()) {
        TsPlayer* player = TsAccess::LocalPlayer();
        auto* current = TsCharacterObject::Cast(player ? player->GetCurrentCharacter() : nullptr);
        if (current && other == current && WouldBenefit(current)) {
            ApplyTo(current);
            OnRemove();
            return;
        }
    }
    TsCollectibleObject::OnTouch(other, separation);
}

// The max stack only holds growth back, and only where a script set one:
// ammunition left at max stack 0 (the default) takes every round it is
// given, and taking from any stack never tops it up or trims it to the max.
int32_t TsItemObject::AddToStack(int32_t n)
{
    // Summed in 64 bits: a save or a script may leave a stack at either int
    // limit, and what it gains or loses is held to the int's range.
    const int64_t old = m_stack, total = old + n;
    if (n > 0 && m_maxStack > 0 && total > m_maxStack)
        m_stack = std::max(m_stack, m_maxStack);
    else
        m_stack = total > 0 ? SaturatingInt(double(total)) : 0;
    const int32_t change = SaturatingInt(double(m_stack - old));
    if (m_stack == 0)
        OnRemove(); // may be the last thing this object does
    return change;
}

// An item that leaves an inventory this way is used up: the inventory's
// reference goes to the level's garbage (scripts may still name the item,
// so it lives until the level goes). An item on the ground, or one whose
// owner's inventory does not hold it (a stash's payload, a dropped
// article), leaves the level.
void TsItemObject::OnRemove()
{
    TsEntityDB* db = TsAccess::EntityDB();
    TsCharacterObject* owner = GetOwner();
    TsInventory* inventory = owner ? owner->GetInventory() : nullptr;
    if (OmRef<TsCollectibleObject> held = inventory ? inventory->RemoveArticle(this) : nullptr) {
        if (db) {
            db->AddEntity(std::move(held));
            SetFlag(TS_ENTITY_PENDING_DELETE);
        }
        return;
    }
    if (db && db->ContainsEntity(this))
        SetFlag(TS_ENTITY_PENDING_DELETE);
}
