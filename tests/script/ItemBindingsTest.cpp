// Stashes and inventories as item templates and mission scripts use them.

#include "tests/script/LuaTestState.h"

#include "engine/OmRef.h"
#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"
#include "game/objects/TsBoundObject.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsStashObject.h"
#include "game/objects/TsSwitchObject.h"
#include "game/objects/TsWeaponObject.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/objects/ItemTestSupport.h"

OM_IMPLEMENT_CLASS(TestWielder, TsCharacterObject)

using ItemBindingsTest = GameStateTest;

// A stash makes its payload from its template on import.
TEST_F(ItemBindingsTest, AStashHandsOutItsPayloadOnlyUnderItsRealClass)
{
    ASSERT_EQ(Run("s = TsStashObject:new() s:SetPayloadType('TsItemObject') s:SetPayloadTemplate('Medkit')"), "");
    auto* stash = Global<TsStashObject>("s");
    ASSERT_NE(stash, nullptr);
    EXPECT_EQ(Type("s:GetPayloadItem()"), "nil"); // none made yet
    ASSERT_EQ(Run("function Medkit(item) item:SetHealth(4) end"), "");
    ASSERT_TRUE(stash->Import());
    EXPECT_EQ(Number("s:GetPayloadItem():GetHealth()"), 4.0);
    EXPECT_EQ(Type("s:GetPayloadWeapon()"), "nil");
    // A payload type that names a class the payload is not.
    stash->SetPayloadType("TsWeaponObject");
    EXPECT_EQ(Type("s:GetPayloadWeapon()"), "nil");
    EXPECT_EQ(Type("s:GetPayloadItem()"), "nil");
    stash->SetPayloadType("tsitemobject"); // exact and case-sensitive
    EXPECT_EQ(Type("s:GetPayloadItem()"), "nil");
    ExpectTypeErrors({"s:SetPayloadType()", "s:GetPayloadItem(1)"});
    EXPECT_EQ(Run("s:delete()"), "");
}

// What a script reached through an object it deletes (a character's
// inventory and innate attack, a weapon's attribute blocks) stays usable:
// its handle holds it (a block, the weapon it lives in), while the deleted
// object's own handle is dead.
TEST_F(ItemBindingsTest, PartsOfADeletedObjectLiveOnWhileItsOwnHandleIsDead)
{
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
        EXPECT_EQ(Run(c.use), "") << c.make;
        EXPECT_EQ(WithoutPosition(Run("o:delete()")), "invalid 'self' in function 'delete'") << c.make;
    }
}

TEST_F(ItemBindingsTest, AnInventoryAsMissionScriptsSeeIt)
{
    OmRef<TestWielder> wielder = OmMakeRef<TestWielder>();
    Publish("inv", wielder->GetInventory(), "TsInventory");
    TsWeaponObject* gun = MakeWeapon("gun");
    gun->Attributes(false).SetAmmoType(2);
    Publish("gun", gun, "TsWeaponObject");
    TsScriptHandles::MarkScriptCreated(L, gun); // as if the script had made it:
    gun->Release();                    // its mark and its handle hold it
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
        {"return inv:EquipPrevious()", "1"},
        {"inv:UnequipArticle() return inv:RemoveArticle(r)", "1"},
        {"inv:SetMaxCount(1) return inv:GetMaxCount()", "1"},
    });
    // The articles the inventory took are the game's: scripts cannot delete
    // them. One merged away, or taken out again, is the script's.
    EXPECT_NE(Run("a:delete()"), "");
    EXPECT_EQ(Run("b:delete() r:delete()"), "");
    ExpectTypeErrors({"inv:AddArticle()", "inv:AddArticle(inv)", "inv:GetWeapon()", "inv:GetAmmoCount(1)"});
}

// What a script made lives until it deletes it or the level closes, even
// kept only in a local: a light effect's bound, a switch action's door and
// key switches and a door's dependent switches are each looked up by name
// in their class's objects after the collector has taken the local's handle.
TEST_F(ItemBindingsTest, ObjectsKeptInALocalAreStillFoundByNameAfterACollection)
{
    const struct {
        const char* type;
        int32_t classId;
    } cases[] = {{"TsBoundObject", TsBoundObject::ClassId()},
                 {"TsDoorObject", TsDoorObject::ClassId()},
                 {"TsSwitchObject", TsSwitchObject::ClassId()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_EQ(Run(std::string("do local o = ") + c.type + ":new() o:SetName('kept') end collectgarbage()"), "");
        OmObject* found = OmClassRegistry::Instance().FindObject(c.classId, "kept");
        ASSERT_NE(found, nullptr);
        EXPECT_STREQ(found->GetName(), "kept");
    }
}

// A weapon the script dropped before one of its attribute blocks is still
// the script's once both handles are collected: its mark never outlives it,
// so a weapon built later in its cell is never taken for the script's own.
TEST_F(ItemBindingsTest, AWeaponDroppedBeforeItsAttributeBlockStaysTheScripts)
{
    ASSERT_EQ(Run("w = TsWeaponObject:new() p = w:Attributes(false)"), "");
    auto* weapon = Global<TsWeaponObject>("w");
    ASSERT_EQ(Run("w = nil collectgarbage() p = nil collectgarbage()"), "");
    EXPECT_TRUE(TsScriptHandles::IsScriptCreated(L, weapon));
    EXPECT_TRUE(OmFastAlloc::IsLive(weapon));
}

// A stack is given a pack at a time, so a script's runaway number would make
// a give run for ever: past the bound it is refused, logged, and the old
// number kept.
TEST_F(ItemBindingsTest, StackNumbersPastTheBoundAreRefusedAndLogged)
{
    ASSERT_EQ(Run("i = TsItemObject:new() i:SetStack(5) i:SetMaxStack(6) i:SetPackSize(2)"), "");
    const struct {
        const char* set;
        const char* get;
        double kept;
    } setters[] = {{"SetStack", "GetStack", 5}, {"SetMaxStack", "GetMaxStack", 6}, {"SetPackSize", "GetPackSize", 2}};
    for (const auto& c : setters) {
        SCOPED_TRACE(c.set);
        LogCapture log;
        EXPECT_EQ(Run(std::string("i:") + c.set + "(1000000000)"), "");
        EXPECT_EQ(Number(std::string("i:") + c.get + "()"), c.kept);
        EXPECT_TRUE(log.Contains(c.set) && log.Contains("9999")) << log.All();
        EXPECT_EQ(Run(std::string("i:") + c.set + "(9999)"), "");
        EXPECT_EQ(Number(std::string("i:") + c.get + "()"), 9999.0);
    }
}
