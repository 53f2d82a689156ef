// Handing an article to an inventory with the caller's reference: what the
// inventory does not keep stays the caller's, and a merged article is let
// go of, so that no pooled article outlives its use.
#include <gtest/gtest.h>

#include "engine/OmRef.h"
#include "game/objects/TsArticleOffer.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/objects/ItemTestSupport.h"

namespace {

uint32_t LiveItems()
{
    return TsItemObject::s_pool.GetLiveCount();
}

// One offer each: a weapon listed, unlimited ammunition merged whole into a
// stack of its type, some merged into a stack with too little room, and an
// article refused by a full inventory.
TEST(ArticleOffer, TheCallerKeepsExactlyWhatTheInventoryDidNotTake)
{
    struct Case {
        const char* what;
        int32_t ammoType;  // of the offered article; 0: a weapon
        int32_t theirMax;  // the maximum of the inventory's stack of type 2
        int32_t maxCount;  // of the inventory
        int32_t taken;     // what the offer answers
        int32_t leftWith;  // the stack left to the caller; 0: nothing left
    };
    const Case cases[] = {{"listed", 0, 0, 10, 1, 0},
                          {"merged whole", 2, 0, 10, 3, 0},
                          {"merged in part", 2, 5, 10, 1, 2},
                          {"refused", 3, 0, 1, 0, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto taker = OmMakeRef<TestWielder>();
        TsInventory& inventory = *taker->GetInventory();
        inventory.AddArticle(MakeAmmo(2, 4, c.theirMax));
        inventory.SetMaxCount(c.maxCount);
        OmRef<TsCollectibleObject> offered;
        if (c.ammoType == 0)
            offered.AdoptNew(MakeWeapon("sword"));
        else
            offered.AdoptNew(MakeAmmo(c.ammoType, 3, 0));
        TsCollectibleObject* article = offered;
        const uint32_t live = LiveItems();

        EXPECT_EQ(TsOfferArticle(inventory, offered), c.taken);
        if (c.leftWith > 0) {
            ASSERT_EQ(offered.Get(), article);
            EXPECT_EQ(TsItemObject::Cast(article)->GetStack(), c.leftWith);
            EXPECT_FALSE(inventory.Holds(article));
            continue;
        }
        EXPECT_EQ(offered.Get(), nullptr);
        if (c.ammoType == 0)
            EXPECT_TRUE(inventory.Holds(article));
        else
            EXPECT_EQ(LiveItems(), live - 1) << "the merged article is released";
    }
}

// An unlimited stack (no maximum) takes it all, and the given article is released.
TEST(GiveArticle, GivenRoundsJoinTheReceiversStackAndWhatItCannotHoldStaysWithTheGiver)
{
    struct Case { int32_t maxStack, theirsAfter, left; };
    for (const Case c : {Case{0, 7, 0}, Case{5, 5, 2}}) {
        auto giver = OmMakeRef<TestWielder>();
        auto taker = OmMakeRef<TestWielder>();
        TsItemObject* given = MakeAmmo(2, 3, 0);
        given->SetCanDrop(true);
        giver->GetInventory()->AddArticle(given);
        TsItemObject* theirs = MakeAmmo(2, 4, c.maxStack);
        taker->GetInventory()->AddArticle(theirs);
        const uint32_t live = LiveItems();

        EXPECT_TRUE(giver->GiveArticle(taker, given)) << c.maxStack;
        EXPECT_EQ(theirs->GetStack(), c.theirsAfter) << c.maxStack;
        if (c.left == 0) {
            EXPECT_EQ(giver->GetInventory()->GetTotalCount(), 0);
            EXPECT_EQ(LiveItems(), live - 1);
            continue;
        }
        ASSERT_TRUE(giver->GetInventory()->Holds(given));
        EXPECT_EQ(given->GetStack(), c.left);
        EXPECT_EQ(given->GetOwner(), giver.Get());
    }
}

// The item is the inventory's, alive for as long as the inventory holds it.
TEST(InitialArticle, TheItemMadeFromTheTemplateStaysInTheInventory)
{
    const GameScript lua("function Medkit(item) item:SetStack(4) end");
    auto wielder = OmMakeRef<TestWielder>();
    wielder->SetInitialArticleName("Medkit");
    EXPECT_TRUE(wielder->Import());
    ASSERT_EQ(wielder->GetInventory()->GetTotalCount(), 1);
    TsItemObject* item = wielder->GetInventory()->GetItem(0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetStack(), 4);
    ASSERT_EQ(lua.Run("collectgarbage()"), 0); // the template script's handle
    EXPECT_EQ(item->GetRefCount(), 1u);
}

} // namespace
