// Items: healing by auto-use, the sound slot, copies from a template, giving.
#include <gtest/gtest.h>

#include "engine/OmGroup.h"
#include "engine/OmRef.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/objects/ItemTestSupport.h"

namespace {

// A healer in the wielder's inventory, the wielder hurt to 4 of 10 health
// and 10 of 10 vitality.
class HealingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wielder->SetHealth(4.0f);
        item->SetHealth(3.0f);
        item->SetUsage(TS_ITEMUSAGE_CAN_USE);
        item->AddRef(); // the inventory's
        wielder->GetInventory()->AddArticle(item);
    }
    OmRef<TestWielder> wielder = OmMakeRef<TestWielder>();
    OmRef<TsItemObject> item = OmRef<TsItemObject>::Adopt(MakeItem("medkit.pbf", 1, 5));
};

TEST_F(HealingTest, AStackHealsOneUnitAtATime)
{
    item->SetStack(3);
    item->AutoUse();
    item->AutoUse();
    EXPECT_FLOAT_EQ(wielder->GetHealth(), 10.0f);
    EXPECT_EQ(item->GetStack(), 1);
    item->AutoUse(); // nothing to heal any more
    EXPECT_EQ(item->GetStack(), 1);
}

TEST_F(HealingTest, AutoUseSkipsAmmunitionAndItemsThatCannotHeal)
{
    const struct {
        const char* what;
        void (*set)(TsItemObject&);
    } cases[] = {
        {"ammunition", [](TsItemObject& i) { i.SetAmmoType(2); }},
        {"not usable", [](TsItemObject& i) { i.SetUsage(TS_ITEMUSAGE_CANNOT_USE); }},
        {"not stackable", [](TsItemObject& i) { i.SetMaxStack(0); }},
        {"empty", [](TsItemObject& i) { i.SetStack(0); }},
        {"heals nothing", [](TsItemObject& i) { i.SetHealth(0.0f); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TsItemObject* copy = MakeItem(c.what, 1, 5); // a model of its own: no stack to merge with
        copy->SetHealth(3.0f);
        copy->SetUsage(TS_ITEMUSAGE_CAN_USE);
        c.set(*copy);
        wielder->GetInventory()->AddArticle(copy);
        ASSERT_TRUE(wielder->GetInventory()->Holds(copy));
        copy->AutoUse();
        EXPECT_FLOAT_EQ(wielder->GetHealth(), 4.0f);
    }
}

// A stack a save or a script left at an int limit: what it gains or loses
// is the change held to the int's range, and no sum wraps.
TEST(ItemStack, AStackAtAnIntLimitTakesAndGivesWithoutWrapping)
{
    const struct {
        int32_t stack, maxStack, n, after, change;
    } cases[] = {
        {INT32_MAX - 1, 0, 5, INT32_MAX, 1},
        {INT32_MIN, 0, -1, 0, INT32_MAX},
        {5, 0, INT32_MIN, 0, -5},
    };
    for (const auto& c : cases) {
        const auto item = OmRef<TsItemObject>::Adopt(MakeItem("potion.pbf", c.stack, c.maxStack));
        EXPECT_EQ(item->AddToStack(c.n), c.change) << c.stack << " + " << c.n;
        EXPECT_EQ(item->GetStack(), c.after) << c.stack << " + " << c.n;
    }
}

TEST(ItemSound, OnlyTheFirstSlotIsKeptAndOnlyForASoundId)
{
    const struct {
        int32_t slot, id, stored;
    } sounds[] = {{0, 5, 5}, {0, 239, 239}, {0, 240, -1}, {0, -1, -1}, {1, 5, -1}, {-1, 5, -1}};
    for (const auto& c : sounds) {
        const auto item = OmRef<TsItemObject>::Adopt(MakeItem("x.pbf"));
        item->FlagSoundForLoading(c.slot, c.id);
        EXPECT_EQ(item->GetSound(), c.stored) << c.slot << "," << c.id;
    }
}

// Giving a whole inventory always ends.
TEST_F(HealingTest, GivingMovesWhatTheReceiverCanTakeAPackAtATime)
{
    auto giver = OmMakeRef<TestWielder>();
    auto taker = OmMakeRef<TestWielder>();
    TsWeaponObject* sword = MakeWeapon("sword");
    sword->SetCanDrop(true);
    TsItemObject* potions = MakeItem("potion.pbf", 5, 9);
    potions->SetPackSize(2);
    potions->SetCanDrop(true);
    potions->SetModel(OmMakeRef<OmGroup>()); // loaded already: giving imports the article again
    TsItemObject* keepsake = MakeItem("ring.pbf"); // cannot be dropped: stays
    for (TsCollectibleObject* a : {static_cast<TsCollectibleObject*>(sword), static_cast<TsCollectibleObject*>(potions),
                                   static_cast<TsCollectibleObject*>(keepsake)})
        giver->GetInventory()->AddArticle(a);
    TsItemObject* theirs = MakeItem("potion.pbf", 1, 9);
    taker->GetInventory()->AddArticle(theirs);

    EXPECT_EQ(giver->GiveEntireInventory(taker), 1);
    EXPECT_TRUE(giver->GetInventory()->Holds(keepsake));
    EXPECT_TRUE(taker->GetInventory()->Holds(sword));
    EXPECT_EQ(sword->GetOwner(), taker);
    EXPECT_EQ(theirs->GetStack(), 6);
    EXPECT_EQ(taker->GetInventory()->GetTotalCount(), 2);
}

TEST_F(HealingTest, GivingAStackWithNoPackToPassOnMovesNothingAndEnds)
{
    struct Pack {
        int32_t stack, packSize;
    };
    for (const Pack c : {Pack{5, 0}, Pack{5, -2}, Pack{0, 3}}) {
        SCOPED_TRACE(testing::Message() << c.stack << "/" << c.packSize);
        auto giver = OmMakeRef<TestWielder>();
        auto taker = OmMakeRef<TestWielder>();
        TsItemObject* potions = MakeItem("potion.pbf", c.stack, 9);
        potions->SetPackSize(c.packSize);
        potions->SetCanDrop(true);
        giver->GetInventory()->AddArticle(potions);
        EXPECT_FALSE(giver->GiveArticle(taker, potions));
        EXPECT_EQ(giver->GiveEntireInventory(taker), 1); // returns instead of looping
        EXPECT_EQ(potions->GetStack(), c.stack);
        EXPECT_EQ(taker->GetInventory()->GetTotalCount(), 0);
    }
}

TEST_F(HealingTest, GivingToOneselfGivesNothingAndReturns)
{
    auto self = OmMakeRef<TestWielder>();
    TsWeaponObject* sword = MakeWeapon("sword");
    sword->SetCanDrop(true);
    TsItemObject* potions = MakeItem("potion.pbf", 5, 9);
    potions->SetPackSize(2);
    potions->SetCanDrop(true);
    self->GetInventory()->AddArticle(sword);
    self->GetInventory()->AddArticle(potions);
    EXPECT_FALSE(self->GiveArticle(self, sword));
    EXPECT_EQ(self->GiveEntireInventory(self), 2);
    EXPECT_TRUE(self->GetInventory()->Holds(sword));
    EXPECT_EQ(potions->GetStack(), 5);
}

class TemplateTest : public ::testing::Test {
protected:
    void SetUp() override { source->SetTemplate("Medkit"); }
    GameScript lua{"function Medkit(item) item:SetStack(4) item:SetHealth(2.5) end\n"
                   "function Broken(item) error('no') end"};
    const OmRef<TsItemObject> source = OmRef<TsItemObject>::Adopt(MakeItem("medkit.pbf"));
};

TEST_F(TemplateTest, ACopyRunsTheTemplateAndShowsItsModel)
{
    const auto model = OmMakeRef<OmGroup>();
    model->AddChild(OmMakeRef<OmGroup>());
    source->SetModel(model);
    const auto copy = OmMakeRef<TsItemObject>();
    copy->CopyFromTemplate(source);
    EXPECT_EQ(copy->GetStack(), 4);
    EXPECT_FLOAT_EQ(copy->GetHealth(), 2.5f);
    EXPECT_STREQ(copy->GetTemplate(), "Medkit");
    const auto* shown = OmGroup::Cast(copy->GetModel());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetChildCount(), 1);
}

TEST_F(TemplateTest, TwoCopiesOfOneTemplateHangEachFromItsOwnHand)
{
    source->SetModel(OmMakeRef<OmGroup>());
    const OmRef<OmGroup> hands[2] = {OmMakeRef<OmGroup>(), OmMakeRef<OmGroup>()};
    OmRef<TsItemObject> copies[2];
    for (int i = 0; i < 2; ++i) {
        copies[i] = OmMakeRef<TsItemObject>();
        copies[i]->CopyFromTemplate(source);
        ASSERT_NE(copies[i]->GetModel(), nullptr);
        hands[i]->AddChild(copies[i]->GetModel());
    }
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(copies[i]->GetModel()->GetParent(), hands[i].Get()) << "copy " << i;
    EXPECT_EQ(source->GetModel()->GetParent(), nullptr) << "the template's model stays where it was";
}

TEST_F(TemplateTest, AFailingTemplateIsLogged)
{
    LogCapture log;
    source->SetTemplate("Broken");
    auto broken = OmMakeRef<TsItemObject>();
    broken->CopyFromTemplate(source);
    EXPECT_TRUE(log.Contains("error running template Broken during item creation"));
    EXPECT_EQ(broken->GetStack(), 1);
}

} // namespace
