// Every collectible that is not a weapon: ammunition (ammo type above 0),
// armour (ammo type -1: its health is the defence it gives against its
// matter type), healing items and plain articles. Items of one kind stack
// up to their maximum; an auto-use item takes effect on touch instead of
// being carried.
#pragma once

#include <cstdint>

#include "game/objects/TsAttack.h"
#include "game/objects/TsCollectibleObject.h"

enum TsItemUsage : int32_t {
    TS_ITEMUSAGE_CANNOT_USE = 0,
    TS_ITEMUSAGE_CAN_USE = 1,
    TS_ITEMUSAGE_AUTO_USE = 2,
};

enum TsItemSound : int32_t {
    TS_ITEM_SOUND_DROPPING = 0,
    TS_NUM_ITEM_SOUNDS = 1,
};

class TsItemObject : public TsCollectibleObject {
    OM_DECLARE_CLASS(TsItemObject)

    static constexpr int32_t kArmour = -1;      // ammo type of armour
    static constexpr int32_t kMaxSoundId = 239;

    TsItemObject();
    explicit TsItemObject(OmArchive& archive) : TsCollectibleObject(archive) {}

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // The collectible's, then the item's sound is flagged for loading.
    bool Initialise() override;
    // An auto-use item heals the current player character when that would
    // help and is used up; anything else follows the collectible's rule.
    void OnTouch(TsEntity* other, float separation) override;
    // Heals the owner by one unit of the stack when that would help.
    void AutoUse() override;

    // Adds n (which may be negative) up to the maximum stack; the amount
    // really added. Emptying the stack removes the item.
    int32_t AddToStack(int32_t n);
    // Out of the owner's inventory, or out of the level when no inventory
    // holds it.
    void OnRemove();
    // Whether the item would restore something the character lacks.
    bool WouldBenefit(const TsCharacterObject* character) const;
    // Gives the character the item's vitality and health, with the healed
    // sound.
    void ApplyTo(TsCharacterObject* character) const;

    void SetStack(int32_t n) { m_stack = n; }
    int32_t GetStack() const { return m_stack; }
    void SetMaxStack(int32_t n) { m_maxStack = n; }
    int32_t GetMaxStack() const { return m_maxStack; }
    bool IsStackable() const { return m_maxStack > 0; }
    void SetAmmoType(int32_t type) { m_ammoType = type; }
    int32_t GetAmmoType() const { return m_ammoType; }
    bool IsAmmo() const { return m_ammoType > 0; }
    bool IsArmour() const { return m_ammoType == kArmour; }
    void SetPackSize(int32_t n) { m_packSize = n; }
    int32_t GetPackSize() const { return m_packSize; }
    void SetMatterType(int32_t type) { m_matterType = static_cast<TsMatterType>(type); }
    TsMatterType GetMatterType() const { return m_matterType; }
    void SetVitality(float v) { m_vitality = v; }
    float GetVitality() const { return m_vitality; }
    void SetHealth(float h) { m_health = h; }
    float GetHealth() const { return m_health; }
    void SetUsage(int32_t usage) { m_usage = usage; }
    int32_t GetUsage() const { return m_usage; }
    bool IsAutoUse() const { return m_usage == TS_ITEMUSAGE_AUTO_USE; }
    // Stores a sound id (0..239) in the one slot; anything else is ignored.
    void FlagSoundForLoading(int32_t slot, int32_t soundId);
    int32_t GetSound() const { return m_sound; }

private:
    int32_t m_stack = 1;
    int32_t m_maxStack = 0;
    int32_t m_ammoType = 0;
    int32_t m_packSize = 1;
    TsMatterType m_matterType = TS_MATTER_NONE;
    float m_vitality = 0.0f;
    float m_health = 0.0f;
    int32_t m_usage = TS_ITEMUSAGE_CANNOT_USE;
    int32_t m_sound = -1;
};
