// The base of everything a character can pick up and carry: items and
// weapons. A collectible is a model made from a script template (a global
// script function that fills it in), with an owner, a pick-up delay that
// keeps a just-dropped or refused article from being taken straight back,
// and the flags and value the inventory and trading read.
//
// The owner is the character whose inventory lists the article, and only
// the inventory gives and takes that kind of owner, as it takes the article
// in and lets it go. An article no inventory holds has an owner only while
// its pick-up delay holds it back for someone (a drop, a refused pick-up, a
// stash opened): the holder goes with the delay. The owner is not a counted
// reference: characters stay listed by the entity database until the level
// goes, and an article in an inventory is released by that inventory.
#pragma once

#include <cstdint>

#include "engine/OmString.h"
#include "game/framework/TsLink.h"
#include "game/objects/TsModel.h"

class TsCharacterObject;

class TsCollectibleObject : public TsModel {
    OM_DECLARE_ABSTRACT_CLASS(TsCollectibleObject)

    // Where the article's model and its HUD icon are loaded from.
    static constexpr const char* kModelFolder = "data\\Items\\";
    static constexpr const char* kIconFolder = "data\\HUD\\";

    TsCollectibleObject();
    explicit TsCollectibleObject(OmArchive& archive) : TsModel(archive) {}

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // Both load the HUD icon and the model; true when both loaded.
    bool Import() override;
    bool Initialise() override;
    // The model's tick; then the pick-up delay runs down, and the owner is
    // forgotten when it runs out.
    void Tick(uint32_t tickCount) override;
    // The owner touching its own article keeps it from being picked up for
    // another second.
    void OnTouch(TsEntity* other, float separation) override;

    // What the article does for its owner by itself (items heal).
    virtual void AutoUse() = 0;

    // Runs the template function named by source's template name on this
    // object (a failure is logged and the copy goes on), then takes a copy
    // of the source's model (its own nodes over the same geometry) and the
    // source's icon.
    void CopyFromTemplate(TsCollectibleObject* source);
    // Runs this object's own template on it; false when that failed.
    bool RunTemplate();

    void SetTemplate(const char* name) { m_templateName.Set(name); }
    const char* GetTemplate() const { return m_templateName.Get(); }

    bool HasOwner() const { return m_owner != nullptr; }
    // The owning character; null when the owner is none or not a character.
    TsCharacterObject* GetOwner() const;
    TsEntity* GetOwnerEntity() const { return m_owner; }
    // Keeps the article from being picked up for ticks, held meanwhile for
    // holder (whose touch keeps holding it); none for fewer than one tick.
    void HoldFor(TsEntity* holder, int32_t ticks);
    // A delay below one tick ends a hold, and its holder with it.
    void SetPickupDelay(int32_t ticks);
    int32_t GetPickupDelay() const { return m_pickupDelay; }
    bool CanPickup() const { return m_pickupDelay < 1; }

    void SetCanEquip(bool on) { m_canEquip = on ? 1 : 0; }
    bool CanEquip() const { return m_canEquip != 0; }
    void SetCanDrop(bool on) { m_canDrop = on ? 1 : 0; }
    bool CanDrop() const { return m_canDrop != 0; }
    void SetForSale(bool on) { m_forSale = on ? 1 : 0; }
    bool IsForSale() const { return m_forSale != 0; }
    void SetValue(float value) { m_value = value; }
    float GetValue() const { return m_value; }

protected:
    // The icon and the model, each tried; true when both loaded.
    bool LoadResources();

    OmString m_templateName;
    uint8_t m_canEquip = 0;
    uint8_t m_canDrop = 1;
    uint8_t m_forSale = 1;
    float m_value = 0.0f;

private:
    // The inventory lists the article, and a character's innate attack is
    // its own hands: the only lasting owners (pick-up delay 0).
    friend class TsInventory;
    friend class TsCharacterObject;
    void SetOwner(TsEntity* owner);

    // The owner holds the article, not the other way: an owner that goes
    // leaves the article without one.
    TsLink<TsEntity> m_owner;
    int32_t m_pickupDelay = 0;
};
