// Articles on the demo level in the real application: a player character
// picks up, stacks, equips and drops them; a chest's health pack
// heals once; the vault's key turns its lock.
#include "engine/OmPoolLeaks.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsScriptHandles.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsLockObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsStashObject.h"
#include "game/objects/TsWeaponObject.h"
#include "tests/app/DemoLevelFixture.h"

namespace apptest {

namespace {

class ItemsLevel : public InDemoLevel {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InDemoLevel::SetUp());
        db = Level()->GetEntityDB();
    }

    void MoveTo(TsEntity* who, float x, float z)
    {
        who->SetOrigin(x, 0.0f, z);
        Ticks(1);
    }

    // The hero's inventory and a new character's, as scripts name them.
    static constexpr const char* kInventories =
        "inv = TsAccess.LocalPlayer():GetCharacter('hero'):GetInventory() other = TsNPCObject:new():GetInventory()";
    TsEntityDB* db = nullptr;
};

} // namespace

TEST_F(ItemsLevel, AHeroPicksUpStacksEquipsAndDrops)
{
    TsPCObject* hero = AddHero(2.0f, 2.0f);
    TsInventory* inv = hero->GetInventory();
    TsItemObject* medkit = Named<TsItemObject>("medkitA");
    TsItemObject* vest = Named<TsItemObject>("vestA");
    Ticks(2);
    ASSERT_TRUE(inv->Holds(medkit)); // picked up by touch
    EXPECT_EQ(medkit->GetOwner(), hero);
    Ticks(1);
    EXPECT_FALSE(db->ContainsEntity(medkit)); // off the level, into the inventory
    // The inventory's reference alone: the script global's handle is not the game's.
    EXPECT_EQ(TsScriptHandles::GameReferences(*medkit), 1u);

    ASSERT_EQ(RunLua("PlaceItem('medkitB', 'ItemTemplateMedkit', 2, 3)"), 0);
    TsItemObject* second = Named<TsItemObject>("medkitB");
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(second->Import() && second->Initialise());
    MoveTo(hero, 2.0f, 3.0f);
    Ticks(1);
    EXPECT_EQ(medkit->GetStack(), 2);
    EXPECT_FALSE(inv->Holds(second));
    EXPECT_FALSE(db->ContainsEntity(second));

    // Ammunition, armour and a blaster.
    MoveTo(hero, 5.0f, 6.0f);
    MoveTo(hero, 6.0f, 5.0f);
    Ticks(1);
    EXPECT_EQ(inv->GetAmmoCount(), 1);
    EXPECT_FLOAT_EQ(hero->GetPhysicalDefence(), 2.0f); // the vest
    ASSERT_EQ(RunLua("blaster = TsWeaponObject:new() blaster:SetName('blaster')\n"
                     "WeaponTemplateBlaster(blaster) blaster:SetOrigin(7, 0, 7)\n"
                     "TsAccess.EntityDB():AddObject(blaster)"),
              0);
    TsWeaponObject* blaster = Named<TsWeaponObject>("blaster");
    ASSERT_NE(blaster, nullptr);
    blaster->SetCanEquip(true);
    MoveTo(hero, 7.0f, 7.0f);
    Ticks(1);
    ASSERT_TRUE(inv->Holds(blaster));
    EXPECT_EQ(inv->GetTotalCount(), 4);
    EXPECT_EQ(inv->GetAmmoCount(blaster), 10);
    EXPECT_TRUE(inv->EquipArticle(blaster));
    EXPECT_EQ(hero->GetCurrentAttack(), blaster);
    inv->UnequipArticle();
    EXPECT_EQ(hero->GetCurrentAttack(), hero->InnateAttack());

    // Dropping the vest: it lies at the hero's feet, back on the level, and
    // the hero standing on it does not take it straight back.
    ASSERT_TRUE(vest && inv->Holds(vest));
    ASSERT_TRUE(inv->DropArticle(vest));
    EXPECT_FALSE(inv->Holds(vest));
    EXPECT_TRUE(db->ContainsEntity(vest));
    EXPECT_FLOAT_EQ(hero->GetPhysicalDefence(), 0.0f);
    EXPECT_NEAR(vest->GetPosition().x, 7.0f, 1e-4f);
    Ticks(15);
    EXPECT_FALSE(inv->Holds(vest));
    EXPECT_EQ(vest->GetOwner(), hero);
    MoveTo(hero, 4.0f, 4.0f);
    Ticks(11);
    EXPECT_FALSE(vest->HasOwner()); // a second away, it lets go of the hero
    MoveTo(hero, 7.0f, 7.0f);
    Ticks(1);
    EXPECT_TRUE(inv->Holds(vest));
}

// A second box adds its ten to the first, and a shot takes one.
TEST_F(ItemsLevel, AmmunitionWithoutAStackLimitLosesNoRounds)
{
    ASSERT_EQ(RunLua("ammoA:SetMaxStack(0)\n"
                     "local more = PlaceItem('ammoB', 'ItemTemplateBlasterAmmo', 5, 6) more:SetMaxStack(0)\n"
                     "blaster = TsWeaponObject:new() blaster:SetName('blaster')\n"
                     "WeaponTemplateBlaster(blaster) blaster:SetOrigin(5, 0, 6)\n"
                     "TsAccess.EntityDB():AddObject(blaster)"),
              0);
    auto* second = Named<TsItemObject>("ammoB");
    auto* blaster = Named<TsWeaponObject>("blaster");
    ASSERT_TRUE(second && blaster);
    ASSERT_TRUE(second->Import() && second->Initialise());
    blaster->SetCanEquip(true);
    TsPCObject* hero = AddHero(5.0f, 6.0f);
    TsInventory* inv = hero->GetInventory();
    Ticks(3);
    ASSERT_TRUE(inv->Holds(blaster));
    EXPECT_EQ(inv->GetAmmoCount(blaster), 20) << "both boxes in one stack";
    ASSERT_TRUE(inv->EquipArticle(blaster));
    EXPECT_EQ(blaster->ConsumeAmmo(), 1);
    EXPECT_EQ(inv->GetAmmoCount(blaster), 19);
}

// A chest holding a health pack: the pack it lets out belongs to the opener
// for a second but lies in no inventory. It heals the hurt opener once and
// is gone, instead of healing again at every touch.
TEST_F(ItemsLevel, AHealthPackFromAChestHealsOnce)
{
    ASSERT_EQ(RunLua("medChest = TsStashObject:new() medChest:SetName('medChest')\n"
                     "medChest:SetMdl('chest.pbf') medChest:SetPayloadType('TsItemObject')\n"
                     "medChest:SetPayloadTemplate('ItemTemplateHealthPack')\n"
                     "medChest:SetOrigin(18, 0, 1.5) TsAccess.EntityDB():AddObject(medChest)"),
              0);
    TsStashObject* chest = Named<TsStashObject>("medChest");
    ASSERT_NE(chest, nullptr);
    ASSERT_TRUE(chest->Import() && chest->Initialise());
    TsCollectibleObject* pack = chest->GetPayload();
    ASSERT_NE(pack, nullptr);
    TsPCObject* hero = AddHero(16.0f, 6.5f);
    hero->SetHealthRecovery(0.0f);
    hero->SetVitalityRecovery(0.0f);
    hero->SetHealth(1.0f);
    const float ground = chest->GetPosition().y;
    hero->SetPosition(18.0f, ground, 1.5f);
    Ticks(1);
    ASSERT_TRUE(chest->IsOpened());
    ASSERT_EQ(pack->GetOwner(), hero);
    Ticks(1);
    EXPECT_FLOAT_EQ(hero->GetHealth(), 5.0f);
    Ticks(5);
    EXPECT_FLOAT_EQ(hero->GetHealth(), 5.0f);
    EXPECT_FALSE(db->ContainsEntity(pack));
}

// The lock's script turns it only for a user carrying the key.
TEST_F(ItemsLevel, TheVaultKeyTurnsTheLockAndTheLockScriptOpensTheDoor)
{
    ASSERT_EQ(RunLua("vaultDoor = PlaceDoor('vaultDoor', 11.875, 4, true)"), 0);
    TsDoorObject* door = Named<TsDoorObject>("vaultDoor");
    ASSERT_TRUE(door && door->Import() && door->Initialise());
    door->ForceActive();
    TsLockObject* lock = Named<TsLockObject>("vaultLock");
    ASSERT_NE(lock, nullptr);
    TsPCObject* hero = AddHero(11.0f, 4.0f);
    lock->Use(hero);
    EXPECT_TRUE(lock->GetLocked()) << "without the key";
    EXPECT_TRUE(door->IsLocked());
    MoveTo(hero, 4.5f, 1.0f); // where the key lies
    Ticks(1);
    MoveTo(hero, 11.0f, 4.0f);
    lock->Use(hero);
    EXPECT_EQ(LuaNumber("g_vaultLockUses"), 2.0);
    EXPECT_FALSE(lock->GetLocked());
    Ticks(60);
    EXPECT_TRUE(door->IsOpen());
}

// A mission script gives a character articles lying in the level: the level
// lets go of each one the inventory keeps, even when the level closes before
// its next tick.
TEST_F(ItemsLevel, ArticlesAScriptGivesFromTheLevelHaveOneOwnerEach)
{
    TsPCObject* hero = AddHero(4.0f, 4.0f);
    TsInventory* inv = hero->GetInventory();
    TsItemObject* vest = Named<TsItemObject>("vestA");
    TsItemObject* key = Named<TsItemObject>("vaultKey");
    TsItemObject* medkit = Named<TsItemObject>("medkitA");
    ASSERT_TRUE(vest && key && medkit);
    ASSERT_EQ(RunLua("inv = TsAccess.LocalPlayer():GetCharacter('hero'):GetInventory()\n"
                     "inv:AddArticleAndRemove(vestA) inv:AddArticle(vaultKey)"),
              0);
    ASSERT_TRUE(inv->Holds(vest) && inv->Holds(key));
    Ticks(1);
    for (TsItemObject* article : {vest, key}) {
        EXPECT_FALSE(db->ContainsEntity(article)) << article->GetName();
        for (const OmRef<TsEntity>& garbage : db->GetGarbage())
            EXPECT_NE(garbage.Get(), article) << article->GetName();
        EXPECT_EQ(TsScriptHandles::GameReferences(*article), 1u) << article->GetName();
    }
    // The last one given as the level closes.
    ASSERT_EQ(RunLua("inv:AddArticleAndRemove(medkitA)"), 0);
    EXPECT_TRUE(inv->Holds(medkit));
}

// A trigger that gives one level article to each character touching it in
// the same tick: the first inventory keeps it; a later give, into the same
// inventory, another or back to the level, is refused, and so is a give of
// an article used up: each is logged with its reason, answers 0, and the
// trigger's script goes on.
TEST_F(ItemsLevel, AGiveOfALevelArticleHeldElsewhereOrUsedUpIsRefusedWithItsReason)
{
    TsPCObject* hero = AddHero(4.0f, 4.0f);
    TsItemObject* medkit = Named<TsItemObject>("medkitA");
    ASSERT_NE(medkit, nullptr);
    ASSERT_EQ(RunLua(kInventories), 0);
    ASSERT_EQ(RunLua("inv:AddArticle(medkitA)"), 0);
    const struct {
        const char* give;
        const char* logged;
    } refusals[] = {
        {"return inv:AddArticle(medkitA)", "article held already in function 'AddArticle'"},
        {"return other:AddArticleAndRemove(medkitA)", "article held by another owner in function 'AddArticleAndRemove'"},
        {"TsAccess.EntityDB():AddEntity(medkitA)", "object taken by another owner in function 'AddEntity'"},
        {"vestA:OnRemove() return other:AddArticle(vestA)", "article leaving the level in function 'AddArticle'"},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.give);
        log.Clear();
        ASSERT_EQ(RunLua(std::string("g_given = (function() ") + r.give + " end)() or 0"), 0);
        EXPECT_EQ(LuaNumber("g_given"), 0.0);
        EXPECT_TRUE(log.Contains(r.logged)) << log.All();
    }
    EXPECT_EQ(hero->GetInventory()->GetTotalCount(), 1);
    EXPECT_EQ(RunLua("assert(other:GetTotalCount() == 0)"), 0);
    Ticks(1);
    EXPECT_EQ(TsScriptHandles::GameReferences(*medkit), 1u);
}

// A trigger's script that takes the vault key into an inventory and gives it
// back in the same touch: the key stays in the level, or goes on to another
// inventory, with one owner after the pass and without a word of error.
TEST_F(ItemsLevel, AnArticleTakenAndGivenBackInOneTickHasOneOwner)
{
    AddHero(4.0f, 4.0f);
    TsItemObject* key = Named<TsItemObject>("vaultKey");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(RunLua(kInventories), 0);
    for (const std::string giveBack : {"TsAccess.EntityDB():AddEntity(vaultKey)", "other:AddArticle(vaultKey)"}) {
        SCOPED_TRACE(giveBack);
        log.Clear();
        ASSERT_EQ(RunLua("inv:AddArticle(vaultKey) inv:RemoveArticle(vaultKey) " + giveBack +
                         " g_carried = other:GetTotalCount()"),
                  0);
        Ticks(1);
        EXPECT_EQ(log.Errors(), "");
        const bool inLevel = giveBack.starts_with("TsAccess");
        EXPECT_EQ(db->ContainsEntity(key), inLevel);
        EXPECT_EQ(LuaNumber("g_carried"), inLevel ? 0.0 : 1.0);
        EXPECT_EQ(TsScriptHandles::GameReferences(*key), 1u);
    }
}

// The mission's vault key, taken into the leader's inventory by a script, out
// again and back to the level: seconds later it is no one's, and turns no lock.
TEST_F(DemoLevelTest, TheMissionsKeyAScriptTakesOutOfAnInventoryBelongsToNoOne)
{
    ASSERT_NO_FATAL_FAILURE(EnterDemoLevel(3, "mission"));
    Level()->ActivateIngameFrontEnd(false);
    ASSERT_EQ(RunLua("local inv = TsAccess.CurrentCharacter():GetInventory() inv:AddArticle(vaultKey)\n"
                     "inv:RemoveArticle(vaultKey) TsAccess.EntityDB():AddEntity(vaultKey)"),
              0);
    Ticks(30);
    ASSERT_EQ(RunLua("g_owned = vaultKey:HasOwner() and 1 or 0 g_opened = OnVaultLock()"), 0);
    EXPECT_EQ(LuaNumber("g_owned"), 0.0);
    EXPECT_EQ(LuaNumber("g_opened"), 0.0);
}

// A quick save in the tick the hero picked the medkit up, loaded, and the
// level left at its load screen, before its first tick: the level lets go
// of the medkit it still listed, the inventory keeps it, and the party's
// going frees it once.
TEST_F(ItemsLevel, AnArticleSavedInTheTickItWasTakenIsFreedOnceWhenTheLoadedLevelCloses)
{
    TsPCObject* hero = AddHero(2.0f, 2.0f);
    TsItemObject* medkit = Named<TsItemObject>("medkitA");
    ASSERT_TRUE(TickUntil([&] { return hero->GetInventory()->Holds(medkit); }, 5)) << "picked up, no tick after";
    ASSERT_TRUE(app->SaveGame());

    ASSERT_NO_FATAL_FAILURE(LoadFromTitle(TsAccess::LocalPlayer()->GetSaveName()));
    TsItemObject* loaded = Named<TsItemObject>("medkitA");
    ASSERT_NE(loaded, nullptr) << "still listed, as when it was saved";
    EXPECT_TRUE(TsAccess::LocalPlayer()->GetCharacter("hero")->GetInventory()->Holds(loaded));
    const uint32_t leaks = OmPoolLeaks::Reported();
    app->RequestMode(TS_MODE_FRONT_END);
    SwitchAndContinue();
    EXPECT_EQ(OmPoolLeaks::Reported(), leaks);
}

// A trigger's script gives the hero the vault key lying in the level and
// moves the party on in the same tick: the key arrives in the next level
// as the inventory's alone, handed over by no level.
TEST_F(ItemsLevel, AnArticleTakenAsThePartyMovesOnArrivesAsTheInventorysAlone)
{
    AddHero(4.0f, 4.0f);
    ASSERT_EQ(RunLua("TsAccess.LocalPlayer():GetCharacter('hero'):GetInventory():AddArticle(vaultKey) NextLevel()"), 0);
    SwitchAndContinue();
    const TsItemObject* key = TsAccess::LocalPlayer()->GetCharacter("hero")->GetInventory()->GetItem(0);
    ASSERT_NE(key, nullptr);
    EXPECT_STREQ(key->GetName(), "vaultKey");
    EXPECT_FALSE(key->HasFlag(TS_ENTITY_PENDING_DELETE | TS_ENTITY_NO_GARBAGE));
    CollectScriptHandles();
    EXPECT_EQ(TsScriptHandles::GameReferences(*key), 1u);
}

// An unnamed box of rounds picked up, then given in the same tick to a
// member whose stack of its kind takes every round: the reference it came
// with is the one the level still lists, and goes back to the level.
TEST_F(ItemsLevel, ARoundsBoxGivenAwayInTheTickItWasTakenStaysHeldByTheLevel)
{
    TsPCObject* hero = AddHero(6.0f, -6.0f);
    TsPCObject* bob = AddPartyMember("bob", 9.0f, -9.0f);
    auto* stack = new TsItemObject; // bob's own stack of the kind
    stack->SetAmmoType(7);
    stack->SetStack(5);
    stack->SetMaxStack(50);
    ASSERT_EQ(bob->GetInventory()->AddArticle(stack), 5);
    auto* box = new TsItemObject; // no stack limit: given whole
    box->SetAmmoType(7);
    box->SetStack(10);
    box->SetCanDrop(true);
    PutInPlay(box, 6.0f, -6.0f);
    ASSERT_TRUE(TickUntil([&] { return hero->GetInventory()->Holds(box); }, 5));

    ASSERT_TRUE(hero->GiveArticle(bob, box));
    EXPECT_EQ(stack->GetStack(), 15);
    Ticks(1);
    EXPECT_TRUE(db->HoldsReference(box));
    EXPECT_EQ(box->GetRefCount(), 1u) << "the level's garbage's";
}

} // namespace apptest
