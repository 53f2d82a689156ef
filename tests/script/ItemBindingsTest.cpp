// Stashes and inventories as item templates and mission scripts use them.

#include "tests/script/LuaTestState.h"

#include "game/framework/TsAccess.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsStashObject.h"
#include "game/objects/TsWeaponObject.h"
#include "script/ScriptOwnership.h"
#include "tests/game/objects/ItemTestSupport.h"

OM_IMPLEMENT_CLASS(TestWielder, TsCharacterObject)

class ItemBindingsTest : public PackageTest {
protected:
    void SetUp() override
    {
        PackageTest::SetUp();
        TsAccess::SetLuaState(L); // templates run in it
    }
    void TearDown() override
    {
        TsAccess::SetLuaState(nullptr);
        LuaTest::TearDown();
    }
};

// What a script reached through an object it deletes (a character's
// inventory and innate attack, a weapon's attribute blocks) goes with it: a
// later use raises instead of touching the freed part.
TEST_F(ItemBindingsTest, StashPayloadsUnderTheirRealClassPartsOfADeletedObjectAreDeadAndInventories)
{
    ASSERT_EQ(Run("s = TsStashObject:new() s:SetPayloadType('TsItemObject') s:SetPayloadTemplate('Medkit')"), "");
    auto* stash = Global<TsStashObject>("s");
    ASSERT_NE(stash, nullptr);
    EXPECT_STREQ(stash->GetPayloadTemplate(), "Medkit");
    EXPECT_EQ(Type("s:GetPayloadItem()"), "nil"); // none made yet
    ASSERT_EQ(Run("function Medkit(item) item:SetHealth(4) end"), "");
    ASSERT_TRUE(stash->Import());
    EXPECT_EQ(Number("s:GetPayloadItem():GetHealth()"), 4.0);
    EXPECT_EQ(Type("s:GetPayloadWeapon()"), "nil");
    // A payload type that names a class the payload is not: nothing is
    // handed out under the wrong tag.
    stash->SetPayloadType("TsWeaponObject");
    EXPECT_EQ(Type("s:GetPayloadWeapon()"), "nil");
    EXPECT_EQ(Type("s:GetPayloadItem()"), "nil");
    stash->SetPayloadType("tsitemobject"); // exact and case-sensitive
    EXPECT_EQ(Type("s:GetPayloadItem()"), "nil");
    ExpectTypeErrors({"s:SetPayloadType()", "s:GetPayloadItem(1)"});
    EXPECT_EQ(Run("s:delete()"), "");

    const struct {
        const char* make; // o and its part p
        const char* use;
    } cases[] = {
        {"o = TsNPCObject:new() p = o:GetInventory()", "p:SetMaxCount(3)"},
        {"o = TsPCObject:new() p = o:InnateAttack()", "p:ToggleMode()"},
        {"o = TsWeaponObject:new() p = o:Attributes(false)", "p:SetRange(3)"},
        {"o = TsWeaponObject:new() p = o:Attributes(true)", "return p.SetRange"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run(c.make), "") << c.make;
        ASSERT_EQ(Run(c.use), "") << c.use;
        ASSERT_EQ(Run("o:delete()"), "") << c.make;
        EXPECT_EQ(WithoutPosition(Run(c.use)), "object was deleted") << c.make;
        EXPECT_EQ(WithoutPosition(Run("o:delete()")), "invalid 'self' in function 'delete'") << c.make;
    }

    // An inventory as mission scripts see it.
    TestWielder* wielder = new TestWielder;
    Publish("inv", wielder->GetInventory(), "TsInventory");
    TsWeaponObject* gun = MakeWeapon("gun");
    gun->Attributes(false).SetAmmoType(2);
    Publish("gun", gun, "TsWeaponObject");
    script::MarkScriptCreated(L, gun); // as if the script had made it
    ASSERT_EQ(Run("a = TsItemObject:new() a:SetAmmoType(2) a:SetStack(6) a:SetMaxStack(20) a:SetMdl('ammo.pbf')\n"
                  "b = TsItemObject:new() b:SetAmmoType(2) b:SetStack(3) b:SetMaxStack(20) b:SetMdl('ammo.pbf')\n"
                  "r = TsItemObject:new() r:SetMdl('rock.pbf')"),
              "");
    ExpectRows({
        {"return inv:AddArticle(gun)", "1"},
        {"return inv:AddArticle(a)", "6"},
        {"return inv:AddArticle(b)", "3"}, // merged into a
        {"return inv:AddArticleAndRemove(r)", "1"},
        {"return inv:GetTotalCount()", "3"},
        {"return inv:GetMaxCount()", "10"},
        {"return inv:GetWeaponCount()", "1"},
        {"return inv:GetAmmoCount()", "1"}, // the stacks
        {"return inv:GetAmmoCount(gun)", "9"}, // the rounds for the gun
        {"return inv:GetAmmo(0):GetStack()", "9"},
        {"return inv:GetItem(1)", "nil"},
        {"return inv:GetArticle(1):GetValue()", "0"}, // the first ammunition, as a collectible
        {"return inv:GetEquipped()", "nil"},
        {"return inv:EquipArticle(gun)", "1"},
        {"return inv:EquipArticle(r)", "nil"}, // not a weapon
        {"return inv:EquipNext()", "1"}, // the last weapon: unequipped
        {"return inv:GetEquipped()", "nil"},
        {"return inv:EquipPrevious()", "1"},
        {"inv:UnequipArticle() return inv:RemoveArticle(r)", "1"},
        {"return inv:RemoveArticle(r)", "nil"},
        {"inv:SetMaxCount(1) return inv:GetMaxCount()", "1"},
    });
    // The articles the inventory took are the game's: scripts cannot delete
    // them. One merged away, or taken out again, is the script's.
    EXPECT_NE(Run("a:delete()"), "");
    EXPECT_EQ(Run("b:delete() r:delete()"), "");
    ExpectTypeErrors({"inv:AddArticle()", "inv:AddArticle(inv)", "inv:GetWeapon()", "inv:GetAmmoCount(1)"});
    // An article another owner holds would be released twice: refused.
    TestWielder* other = new TestWielder;
    Publish("other", other->GetInventory(), "TsInventory");
    for (const char* give : {"other:AddArticle(gun)", "other:AddArticleAndRemove(gun)"})
        EXPECT_NE(WithoutPosition(Run(give)).find("article held by another owner in function 'AddArticle"),
                  std::string::npos)
            << give;
    EXPECT_TRUE(wielder->GetInventory()->Holds(gun));
    other->Release();
    wielder->Release();
}

