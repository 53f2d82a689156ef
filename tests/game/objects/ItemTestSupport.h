// Characters and articles for the inventory and item tests.
#pragma once

#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsWeaponObject.h"

// A character that carries an inventory whether or not the character class
// makes one itself.
class TestWielder : public TsCharacterObject {
    OM_DECLARE_CLASS(TestWielder)
public:
    TestWielder()
    {
        if (!m_inventory) {
            m_inventory = OmMakeRef<TsInventory>(this);
        }
    }
    explicit TestWielder(OmArchive& archive) : TsCharacterObject(archive) {}
};

// Articles made the way templates make them; the test holds the one
// reference until an inventory takes it over.
inline TsItemObject* MakeItem(const char* mdl, int32_t stack = 1, int32_t maxStack = 0, int32_t ammoType = 0)
{
    auto* item = new TsItemObject;
    item->SetMdl(mdl);
    item->SetStack(stack);
    item->SetMaxStack(maxStack);
    item->SetAmmoType(ammoType);
    return item;
}

inline TsItemObject* MakeAmmo(int32_t type, int32_t stack, int32_t maxStack = 50)
{
    return MakeItem("ammo.pbf", stack, maxStack, type);
}

inline TsWeaponObject* MakeWeapon(const char* name, bool canEquip = true)
{
    auto* weapon = new TsWeaponObject;
    weapon->SetName(name);
    weapon->SetCanEquip(canEquip);
    return weapon;
}
