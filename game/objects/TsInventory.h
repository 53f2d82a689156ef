// What a character carries: weapons in the order they were taken, one
// stack per ammunition type sorted by type, and every other item in the
// order it was taken; the one weapon in hand; and the defence bonuses that
// worn armour gives. The count limits distinct entries (a stack counts
// once), so a full inventory still tops up stacks it already holds.
//
// Articles in the inventory belong to it: their owner is the inventory's
// character, their pick-up delay 0, and they are on no entity list until
// dropped; an article it lets go of belongs to no one. The inventory's lists
// hold one reference to each article: it is taken over from the giver when
// the article is listed, handed to whoever takes the article out, and given
// back when the inventory goes, whatever other references the articles
// have.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "engine/OmRefList.h"
#include "game/framework/TsLink.h"
#include "game/framework/TsObject.h"
#include "game/objects/TsAttack.h"

class TsCharacterObject;
class TsCollectibleObject;
class TsItemObject;
class TsWeaponObject;

class TsInventory : public TsObject {
    OM_DECLARE_CLASS(TsInventory)

    static constexpr int32_t kDefaultMaxCount = 10;
    // Sounds of the inventory's own (positions as given).
    static constexpr int32_t kPickupClickSound = 237; // a player character took something
    static constexpr int32_t kPrimaryModeSound = 207;
    static constexpr int32_t kSecondaryModeSound = 208;
    static constexpr int32_t kNotBimodalSound = 223;

    TsInventory() = default;
    explicit TsInventory(TsCharacterObject* owner) : m_owner(owner) {}
    explicit TsInventory(OmArchive& archive) : TsObject(archive) {}
    ~TsInventory() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool LinksAreSound() const override;
    // Every weapon, ammo stack and item in that order; the first failure
    // ends the walk.
    bool Import() override;
    // The same walk; then the equipped weapon goes into the owner's hand
    // and the defence bonuses are worked out.
    bool Initialise() override;

    TsCharacterObject* GetOwner() const { return m_owner; }
    void SetOwner(TsCharacterObject* owner) { m_owner = owner; }

    void SetMaxCount(int32_t n) { m_maxCount = n; }
    int32_t GetMaxCount() const { return m_maxCount; }
    int32_t GetTotalCount() const { return m_count; }
    int32_t GetWeaponCount() const { return int32_t(m_weapons.GetCount()); }
    // The number of ammunition stacks.
    int32_t GetAmmoCount() const { return int32_t(m_ammo.GetCount()); }
    int32_t GetItemCount() const { return int32_t(m_items.GetCount()); }
    // The ammunition held for the weapon's current mode.
    int32_t GetAmmoCount(const TsWeaponObject* weapon) const;

    // Whether the article fits; stack names the stack it would merge into
    // (null when it would take an entry of its own).
    bool CanAdd(TsCollectibleObject* article, TsItemObject*& stack) const;
    // The stack AddArticle merges the article into, or null: ammunition
    // joins the stack of its type whatever limit the article has itself.
    TsItemObject* MergeStackFor(const TsCollectibleObject* article) const;
    // How much was taken: 1 for a weapon or an unstackable item, the
    // amount merged or the new stack's size for a stackable one, 1 for an
    // auto-use item (which is not kept), 0 when refused. A merged article
    // is left as it was and is the caller's to dispose of.
    int32_t AddArticle(TsCollectibleObject* article);
    // Marks the article for removal from the level, then adds it.
    int32_t AddArticleAndRemove(TsCollectibleObject* article);
    // Takes the article out (unequipping it first) and hands the caller the
    // inventory's reference to it; null when it is not held or is neither a
    // weapon nor an item.
    [[nodiscard]] OmRef<TsCollectibleObject> RemoveArticle(TsCollectibleObject* article);
    // Puts the article on the ground at the owner's feet, hands it to the
    // level and takes it out of the inventory.
    bool DropArticle(TsCollectibleObject* article);

    // Weapons first, then ammunition, then items; null past the end.
    TsCollectibleObject* GetArticle(int32_t index) const;
    TsWeaponObject* GetWeapon(int32_t index) const;
    TsItemObject* GetAmmo(int32_t index) const;
    TsItemObject* GetItem(int32_t index) const;
    bool Holds(const TsCollectibleObject* article) const;

    TsWeaponObject* GetEquipped() const;
    // False when the article cannot be equipped or is not a weapon; a
    // weapon the inventory does not hold leaves nothing equipped.
    bool EquipArticle(TsCollectibleObject* article);
    void UnequipArticle();
    bool EquipNext();
    bool EquipPrevious();
    // Flips a bimodal equipped weapon's mode (with a sound either way).
    void ToggleEquippedMode();

    // The ammunition stack for the weapon's current mode, or null.
    TsItemObject* FindAmmoFor(const TsWeaponObject* weapon) const;
    // The item that heals best (or least, with smallest) by health or by
    // vitality; only plain items (ammo type 0) are considered.
    TsItemObject* FindHealingItem(bool byHealth, bool smallest) const;

    // The armour bonus against a matter type (0..2); 0 for other types.
    float GetDefenceBonus(int32_t matterType) const;
    void RecomputeDefenceBonuses();

private:
    using Articles = OmRefList<TsCollectibleObject>;

    void SetEquipped(const Articles::Node* entry);
    // The list of the article's kind: weapons (and anything that is not an
    // item), ammunition or items.
    Articles& ListFor(const TsCollectibleObject* article);
    void TakeArticle(TsCollectibleObject* article);
    OmRef<TsCollectibleObject> LetGo(TsCollectibleObject* article);
    void Refuse(TsCollectibleObject* article);
    void InsertAmmo(TsItemObject* ammo);
    TsItemObject* FindStackFor(const TsItemObject* item) const;

    // Not counted: the owner holds its inventory. A script's handle may
    // keep the inventory after the owner has gone.
    TsLink<TsCharacterObject> m_owner;
    Articles m_weapons;
    Articles m_ammo;
    Articles m_items;
    const Articles::Node* m_equipped = nullptr;
    int32_t m_count = 0;
    int32_t m_maxCount = kDefaultMaxCount;
    float m_defenceBonus[TS_NUM_MATTER_TYPES] = {0.0f, 0.0f, 0.0f}; // never saved
};
