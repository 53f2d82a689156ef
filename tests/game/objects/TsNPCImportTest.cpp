// A non-player character's import arms it from the scripts' templates:
// weapon, ammunition and item; a failing template fails the import.
#include <gtest/gtest.h>

#include <string>

#include "engine/OmRef.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsWeaponObject.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/framework/LogCapture.h"

namespace {

constexpr const char* kTemplates = R"(
function Gun(w)
    local a = w:Attributes(false)
    a:SetWeaponType(TS_WEAPON_RANGED_MANUAL)
    a:SetAmmoType(1)
    a:SetEfficiency(4)
    w:SetCanEquip(true)
end
function Club(w)
    local a = w:Attributes(false)
    a:SetWeaponType(TS_WEAPON_MELEE)
    a:SetAmmoType(-1)
    a:SetEfficiency(5)
    w:SetCanEquip(true)
end
function Launcher(w)
    local a = w:Attributes(false)
    a:SetAmmoType(3)
    w:SetCanEquip(true)
end
function Rounds(i) i:SetAmmoType(1) i:SetStack(10) i:SetMaxStack(60) end
function Charm(i) i:SetDisplayNameID(20230) end
function LooseRounds(i) i:SetAmmoType(1) i:SetStack(5) end
function Broken(x) error('no') end
g_ammoTemplates = { [1] = { Ammo = "Rounds" }, [3] = { Ammo = "Broken" } }
)";

class NPCImport : public ::testing::Test {
protected:
    GameScript lua{kTemplates};
};

TEST_F(NPCImport, TheWeaponIsEquippedWithItsAmmunitionAndAFailedTemplateFailsTheImport)
{
    const struct {
        const char* weapon;
        const char* item;
        bool imported;
        int weapons, ammoStacks, items;
        float efficiency; // of the equipped weapon; 0 for none
        int rounds;       // held for the equipped weapon
        const char* logged;
    } cases[] = {
        {"", "", true, 0, 0, 0, 0.0f, 0, nullptr},       // the innate attack only
        {"Gun", "", true, 1, 1, 0, 4.0f, 10, nullptr},    // a gun and its box of rounds
        {"Club", "Charm", true, 1, 0, 1, 5.0f, 0, nullptr}, // no ammunition for a club
        {"", "Charm", true, 0, 0, 1, 0.0f, 0, nullptr},
        {"", "Broken", true, 0, 0, 0, 0.0f, 0, nullptr}, // an item that fails is only left out
        {"Broken", "Charm", false, 0, 0, 0, 0.0f, 0, "error running template Broken for NPC weapon guard"},
        {"Launcher", "", false, 1, 0, 0, 0.0f, 0, "error running template Broken for NPC ammo guard"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.weapon) + " / " + c.item);
        LogCapture log;
        auto npc = OmMakeRef<TsNPCObject>();
        npc->SetName("guard");
        npc->SetWeaponName(c.weapon);
        npc->SetItemName(c.item);
        EXPECT_EQ(npc->Import(), c.imported);
        const TsInventory* inventory = npc->GetInventory();
        ASSERT_NE(inventory, nullptr);
        EXPECT_EQ(inventory->GetWeaponCount(), c.weapons);
        EXPECT_EQ(inventory->GetAmmoCount(), c.ammoStacks);
        EXPECT_EQ(inventory->GetItemCount(), c.items);
        const TsWeaponObject* equipped = inventory->GetEquipped();
        EXPECT_EQ(equipped != nullptr, c.weapons > 0);
        if (equipped && c.efficiency > 0.0f) {
            EXPECT_FLOAT_EQ(equipped->Current().efficiency, c.efficiency);
            EXPECT_EQ(inventory->GetAmmoCount(equipped), c.rounds);
            EXPECT_STREQ(equipped->GetName(), "guardWeapon");
        }
        if (c.items > 0) {
            EXPECT_EQ(inventory->GetItem(0)->GetDisplayNameID(), 20230);
        }
        if (c.logged) {
            EXPECT_TRUE(log.Contains(c.logged)) << log.All();
        }
    }
}

TEST_F(NPCImport, ACritterTakesAPayloadInsteadOfItsWeapon)
{
    ASSERT_EQ(lua.Run("g_critterPayloadTemplates = { 'Charm' }"), 0);
    auto critter = OmMakeRef<TsNPCObject>();
    critter->SetName("rat");
    critter->SetNPCType(TS_NPC_BIPED_CRITTER);
    critter->SetWeaponName("Gun");
    EXPECT_TRUE(critter->Import());
    EXPECT_EQ(critter->GetInventory()->GetWeaponCount(), 0);
    ASSERT_EQ(critter->GetInventory()->GetItemCount(), 1);
    EXPECT_EQ(critter->GetInventory()->GetItem(0)->GetDisplayNameID(), 20230);
}

TEST_F(NPCImport, AnItemOfTheWeaponsAmmunitionJoinsItsStackAndIsReleased)
{
    const uint32_t live = TsItemObject::s_pool.GetLiveCount();
    auto npc = OmMakeRef<TsNPCObject>();
    npc->SetName("guard");
    npc->SetWeaponName("Gun");
    npc->SetItemName("LooseRounds");
    EXPECT_TRUE(npc->Import());
    const TsInventory* inventory = npc->GetInventory();
    ASSERT_EQ(inventory->GetAmmoCount(), 1);
    EXPECT_EQ(inventory->GetAmmo(0)->GetStack(), 15);
    EXPECT_EQ(inventory->GetItemCount(), 0);
    EXPECT_EQ(TsItemObject::s_pool.GetLiveCount(), live + 1) << "the one stack";
}

} // namespace
