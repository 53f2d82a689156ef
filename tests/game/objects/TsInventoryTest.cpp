// What a character carries: entries, stacks, order, equipping, armour,
// healing-item choice and the saved form.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/OmRef.h"
#include "game/objects/TsInventory.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"
#include "tests/game/objects/ItemTestSupport.h"

OM_IMPLEMENT_CLASS(TestWielder, TsCharacterObject)

namespace {

class InventoryTest : public ::testing::Test {
protected:
    // Keeps a reference to an article for the length of the test.
    template <class T>
    T* Keep(T* article)
    {
        m_kept.emplace_back(article);
        return article;
    }
    // Adds an article made for the test; the inventory takes the test's
    // reference when it keeps the article.
    int32_t Add(TsCollectibleObject* article)
    {
        Keep(article);
        const int32_t added = inv().AddArticle(article);
        if (!inv().Holds(article))
            article->Release();
        return added;
    }
    TsInventory& inv() { return *wielder->GetInventory(); }

    OmRef<TestWielder> wielder = OmMakeRef<TestWielder>();
    std::vector<OmRef<OmObject>> m_kept;
};

TEST_F(InventoryTest, AFullInventoryStillTopsUpItsStacksButTakesNoNewOne)
{
    inv().SetMaxCount(3);
    Add(MakeAmmo(2, 5));
    Add(MakeAmmo(5, 5));
    TsItemObject* potions = MakeItem("Potion.pbf", 2, 9);
    Add(potions);
    ASSERT_EQ(inv().GetTotalCount(), 3);

    EXPECT_EQ(Add(MakeAmmo(5, 4)), 4);
    EXPECT_EQ(Add(MakeItem("POTION.PBF", 3, 9)), 3); // same model, any letter case
    EXPECT_EQ(potions->GetStack(), 5);
    for (int32_t type : {1, 3, 7}) // before, between and after the held types
        EXPECT_EQ(Add(MakeAmmo(type, 1)), 0) << type;
    EXPECT_EQ(inv().GetAmmoCount(), 2);
    // A new entry is refused, and the refusing character may not try again at once.
    TsWeaponObject* axe = MakeWeapon("axe");
    EXPECT_EQ(Add(axe), 0);
    EXPECT_FALSE(inv().Holds(axe));
    EXPECT_EQ(axe->GetOwner(), wielder);
    EXPECT_EQ(axe->GetPickupDelay(), 10);
    wielder = nullptr; // gone within that second: the article names no one
    EXPECT_EQ(axe->GetOwnerEntity(), nullptr);
}

TEST_F(InventoryTest, ArticlesAreIndexedWeaponsThenAmmunitionByTypeThenItems)
{
    TsWeaponObject* sword = MakeWeapon("sword");
    TsItemObject* bolts = MakeAmmo(1, 5);
    TsItemObject* rock = MakeItem("rock.pbf");
    Add(rock);
    Add(bolts);
    Add(sword);
    EXPECT_EQ(inv().GetArticle(0), sword);
    EXPECT_EQ(inv().GetArticle(1), bolts); // the weapon count gives the first ammunition
    EXPECT_EQ(inv().GetArticle(2), rock);
    EXPECT_EQ(inv().GetArticle(3), nullptr);
    EXPECT_EQ(inv().GetArticle(-1), nullptr);
    // Ammunition stays sorted by type.
    for (int32_t type : {4, 3, 9, 2})
        Add(MakeAmmo(type, type * 10));
    std::vector<int32_t> order;
    for (int32_t i = 0; TsItemObject* ammo = inv().GetAmmo(i); ++i)
        order.push_back(ammo->GetAmmoType());
    EXPECT_EQ(order, (std::vector<int32_t>{1, 2, 3, 4, 9}));
    EXPECT_EQ(inv().GetAmmo(5), nullptr);
    EXPECT_EQ(inv().GetAmmo(-1), nullptr);
}

TEST_F(InventoryTest, EquipNextAndPreviousWalkTheEquippableWeapons)
{
    TsWeaponObject* a = MakeWeapon("a");
    TsWeaponObject* b = MakeWeapon("b", false);
    TsWeaponObject* c = MakeWeapon("c");
    for (TsWeaponObject* w : {a, b, c})
        Add(w);
    EXPECT_FALSE(inv().EquipArticle(b)); // cannot be equipped
    TsItemObject* rock = MakeItem("rock.pbf");
    rock->SetCanEquip(true);
    Add(rock);
    EXPECT_FALSE(inv().EquipArticle(rock)); // not a weapon

    const TsWeaponObject* forward[] = {a, c, nullptr, a};
    for (const TsWeaponObject* expected : forward) {
        EXPECT_TRUE(inv().EquipNext());
        EXPECT_EQ(inv().GetEquipped(), expected);
    }
    const TsWeaponObject* backward[] = {nullptr, c, a, nullptr};
    for (const TsWeaponObject* expected : backward) {
        EXPECT_TRUE(inv().EquipPrevious());
        EXPECT_EQ(inv().GetEquipped(), expected);
    }
    c->SetCanEquip(false);
    a->SetCanEquip(false);
    EXPECT_FALSE(inv().EquipNext()); // nothing qualifies
    EXPECT_EQ(inv().GetEquipped(), nullptr);
}

TEST_F(InventoryTest, AmmunitionIsFoundForTheWeaponsMode)
{
    TsWeaponObject* gun = MakeWeapon("gun");
    gun->Attributes(false).SetAmmoType(2);
    gun->Attributes(true).SetAmmoType(4);
    Add(gun);
    TsItemObject* shells = MakeAmmo(2, 12);
    Add(shells);
    EXPECT_EQ(inv().FindAmmoFor(gun), shells);
    EXPECT_EQ(inv().GetAmmoCount(gun), 12);
    gun->SetMode(true);
    EXPECT_EQ(inv().FindAmmoFor(gun), nullptr);
    EXPECT_EQ(inv().GetAmmoCount(gun), 0);
}

// A script may give a generator any charge: past the int's range it counts
// as the nearest limit, and a charge that is no number as none.
TEST_F(InventoryTest, AGeneratorCountsItsChargeTruncatedAndHeldToTheIntRange)
{
    const auto generator = OmRef<TsWeaponObject>::Adopt(MakeWeapon("generator"));
    generator->Attributes(false).SetWeaponType(TS_WEAPON_RADIATION_GENERATOR);
    const struct {
        float charge;
        int32_t count;
    } rows[] = {{7.8f, 7}, {1e30f, INT32_MAX}, {-1e30f, INT32_MIN}, {std::nanf(""), 0}};
    for (const auto& row : rows) {
        generator->Attributes(false).SetStun(row.charge);
        EXPECT_EQ(inv().GetAmmoCount(generator), row.count) << row.charge;
    }
}

TEST_F(InventoryTest, ArmourGivesTheDefenceOfItsMatterType)
{
    auto armour = [](int32_t matter, float health) {
        TsItemObject* item = MakeItem("armour.pbf", 1, 0, TsItemObject::kArmour);
        item->SetMatterType(matter);
        item->SetHealth(health);
        return item;
    };
    Add(armour(TS_MATTER_CHEMICAL, 2.0f));
    Add(armour(TS_MATTER_CHEMICAL, 3.0f)); // replaces, does not add
    EXPECT_FLOAT_EQ(inv().GetDefenceBonus(TS_MATTER_CHEMICAL), 3.0f);
    EXPECT_FLOAT_EQ(inv().GetDefenceBonus(TS_MATTER_PHYSICAL), 0.0f);
    EXPECT_FLOAT_EQ(inv().GetDefenceBonus(7), 0.0f);
    // Armour against everything after them sets all three.
    Add(armour(TS_MATTER_NONE, 1.5f));
    for (int32_t m = 0; m < TS_NUM_MATTER_TYPES; ++m)
        EXPECT_FLOAT_EQ(inv().GetDefenceBonus(m), 1.5f) << m;

    // Order counts: with the all-matter armour first it hides the rest.
    auto w = OmMakeRef<TestWielder>();
    TsItemObject* first = armour(TS_MATTER_NONE, 1.5f);
    w->GetInventory()->AddArticle(first);
    w->GetInventory()->AddArticle(armour(TS_MATTER_ENERGY, 9.0f));
    for (int32_t m = 0; m < TS_NUM_MATTER_TYPES; ++m)
        EXPECT_FLOAT_EQ(w->GetInventory()->GetDefenceBonus(m), 1.5f) << m;
    (void)w->GetInventory()->RemoveArticle(first);
    EXPECT_FLOAT_EQ(w->GetInventory()->GetDefenceBonus(TS_MATTER_ENERGY), 9.0f);
}

TEST_F(InventoryTest, TheHealingItemIsChosenByAttributeAndSize)
{
    auto healer = [](const char* mdl, float health, float vitality, int32_t ammoType = 0) {
        TsItemObject* item = MakeItem(mdl, 1, 0, ammoType);
        item->SetHealth(health);
        item->SetVitality(vitality);
        return item;
    };
    EXPECT_EQ(inv().FindHealingItem(true, false), nullptr);
    TsItemObject* armour = healer("armour.pbf", 9.0f, 0.0f, TsItemObject::kArmour);
    TsItemObject* tonic = healer("tonic.pbf", 0.0f, 4.0f);
    TsItemObject* small = healer("small.pbf", 2.0f, 0.0f);
    TsItemObject* big = healer("big.pbf", 6.0f, 1.0f);
    TsItemObject* twin = healer("twin.pbf", 6.0f, 0.0f);
    for (TsItemObject* item : {armour, tonic, small, big, twin})
        Add(item);
    struct Case {
        bool byHealth, smallest;
        const TsItemObject* expected;
    };
    const Case cases[] = {
        {true, false, big},   // ties keep the earlier item
        {true, true, small},  // the first candidate (tonic) heals no health
        {false, false, tonic},
        {false, true, big},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.byHealth) + std::to_string(c.smallest));
        EXPECT_EQ(inv().FindHealingItem(c.byHealth, c.smallest), c.expected);
    }
}

TEST_F(InventoryTest, EquippingReadiesTheWeaponAndRemovingItUnequipsIt)
{
    TsWeaponObject* gun = MakeWeapon("gun");
    Add(gun);
    gun->SetReloadCountdown(7);
    ASSERT_TRUE(inv().EquipArticle(gun));
    EXPECT_EQ(gun->GetReloadCountdown(), 0) << "an equipped weapon fires at once";
    gun->SetBimodal(true);
    inv().ToggleEquippedMode();
    EXPECT_TRUE(gun->IsSecondary());
    OmRef<TsCollectibleObject> removed = inv().RemoveArticle(gun);
    EXPECT_EQ(removed.Get(), gun) << "the inventory's reference is handed out";
    EXPECT_EQ(inv().GetEquipped(), nullptr);
    EXPECT_FALSE(inv().RemoveArticle(gun));
}

// The inventory gives back only its own reference when it goes.
TEST_F(InventoryTest, AnArticleSomeoneElseHoldsOutlivesTheInventory)
{
    auto w = OmMakeRef<TestWielder>();
    TsItemObject* shared = MakeItem("rock.pbf");
    w->GetInventory()->AddArticle(shared);
    const OmRef<TsItemObject> other(shared); // a script's or another list's reference
    ASSERT_EQ(shared->GetRefCount(), 2u);
    w = nullptr;
    EXPECT_EQ(shared->GetRefCount(), 1u);
}

// Refused in the same tick, merging too: a stack of its kind would count it twice.
TEST_F(InventoryTest, AnArticleAnotherInventoryHoldsIsRefusedMergingIncluded)
{
    struct Case {
        const char* what;
        bool otherHasAStack;
    };
    for (const Case& c : {Case{"into a stack of its kind", true}, Case{"into a place of its own", false}}) {
        SCOPED_TRACE(c.what);
        auto first = OmMakeRef<TestWielder>();
        auto second = OmMakeRef<TestWielder>();
        TsItemObject* potions = MakeItem("potion.pbf", 2, 9);
        ASSERT_EQ(first->GetInventory()->AddArticle(potions), 2);
        if (c.otherHasAStack) {
            ASSERT_EQ(second->GetInventory()->AddArticle(MakeItem("potion.pbf", 3, 9)), 3);
        }
        EXPECT_EQ(second->GetInventory()->AddArticle(potions), 0);
        EXPECT_EQ(second->GetInventory()->AddArticleAndRemove(potions), 0);
        const TsItemObject* held = second->GetInventory()->GetItem(0);
        EXPECT_EQ(held ? held->GetStack() : 0, c.otherHasAStack ? 3 : 0);
        EXPECT_TRUE(first->GetInventory()->Holds(potions));
        EXPECT_EQ(potions->GetOwner(), first.Get());
        EXPECT_EQ(potions->GetStack(), 2);
    }
}

// Saved on its own (its owner is the character's concern); a damaged place
// would otherwise name a stray entry.
TEST_F(InventoryTest, TheEquippedPlaceIsSavedAndADamagedOneFailsTheLoad)
{
    ScratchDir dir;
    auto inventory = OmMakeRef<TsInventory>();
    inventory->AddArticle(MakeWeapon("a"));
    inventory->AddArticle(MakeWeapon("b"));
    inventory->AddArticle(MakeAmmo(2, 7));
    inventory->AddArticle(MakeItem("rock.pbf"));
    inventory->SetMaxCount(6);
    inventory->EquipArticle(inventory->GetWeapon(1));
    {
        const OmRef<TsInventory> back = Reloaded<TsInventory>(inventory, "inventory.sav");
        ASSERT_NE(back.Get(), nullptr);
        EXPECT_EQ(back->GetTotalCount(), 4);
        EXPECT_EQ(back->GetMaxCount(), 6);
        EXPECT_EQ(back->GetAmmo(0)->GetStack(), 7);
        ASSERT_NE(back->GetEquipped(), nullptr);
        EXPECT_STREQ(back->GetEquipped()->GetName(), "b");
    }

    // The equipped place (1) follows the missing owner and comes just
    // before the weapon count (2).
    std::vector<unsigned char> bytes = archive_test::ReadFile("inventory.sav");
    const size_t at = archive_test::FindWords(bytes, {0xFFFFFFFFu, 1, 2});
    ASSERT_NE(at, std::string::npos) << "no equipped place found";
    archive_test::SetWord(bytes, at + 4, 5);
    EXPECT_FALSE(LoadsAs(bytes, "inventory.sav"));
}

} // namespace
