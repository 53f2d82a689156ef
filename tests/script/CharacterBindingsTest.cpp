// TsCharacterObject for scripts: the setters entity scripts call on the
// creatures they make, the questions missions ask, and the wrappers'
// argument checks.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsTimerTable.h"

namespace {

class ScriptWalker : public TsCharacterObject {
    OM_DECLARE_CLASS(ScriptWalker)

    ScriptWalker() = default;
    explicit ScriptWalker(OmArchive& archive) : TsCharacterObject(archive) {}
};

class CharacterBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        for (int i = 0; i < 2; ++i) {
            walkers[i] = new ScriptWalker();
            tolua_pushusertype(L, walkers[i], "TsCharacterObject");
            lua_setglobal(L, i == 0 ? "ann" : "bob");
        }
    }
    void TearDown() override
    {
        TsTimerTable::Instance().Clear();
        for (ScriptWalker* w : walkers)
            w->Release();
        LuaTest::TearDown();
    }
    ScriptWalker* walkers[2] = {};
};

} // namespace

OM_IMPLEMENT_CLASS(ScriptWalker, TsCharacterObject)

TEST_F(CharacterBindingsTest, SettersStoreAndTheHealthRulesHold)
{
    ScriptWalker& ann = *walkers[0];
    ASSERT_EQ(Run("ann:SetWalkSpeed(1.5) ann:SetRunSpeed(4) ann:SetMaxHealth(50) ann:SetSkill(TS_SKILL_COMBAT or 4)"
                  " ann:SetSkill(1) ann:SetSquadIndex(3) ann:SetAnimationClass(2) ann:SetWaistBone(5)"
                  " ann:SetAttackBone(6) ann:SetMaxTurnRate(3) ann:SetAttentionRange(12) ann:SetDisplayRaceID(9)"
                  " ann:SetPhysicalDefence(10) ann:SetChemicalDefence(20) ann:SetEnergyDefence(30)"
                  " ann:SetOffenceSkill(70) ann:SetCrouchable() ann:GivePathKeyA()"),
              "");
    EXPECT_FLOAT_EQ(ann.GetWalkSpeed(), 1.5f);
    EXPECT_FLOAT_EQ(ann.GetRunSpeed(), 4.0f);
    EXPECT_EQ(ann.GetSkill(), 5);
    EXPECT_EQ(ann.GetSquadIndex(), 3);
    EXPECT_EQ(ann.GetAnimationClass(), 2);
    EXPECT_FLOAT_EQ(ann.GetMaxTurnRate(), 3.0f);
    EXPECT_FLOAT_EQ(ann.GetAttentionRange(), 12.0f);
    EXPECT_EQ(ann.GetDisplayRaceID(), 9);
    EXPECT_FLOAT_EQ(ann.GetChemicalDefence(), 20.0f);
    EXPECT_FLOAT_EQ(ann.GetOffenceSkill(), 70.0f);
    EXPECT_TRUE(ann.IsCrouchable());
    EXPECT_TRUE(ann.HasPathKeyA());
    EXPECT_EQ(Number("ann:GetMaxHealth()"), 50.0);
    EXPECT_FLOAT_EQ(ann.GetHealth(), 10.0f);

    // Health 80 under a maximum of 50: SetMaxHealth lowers it, SetHealth does not clamp.
    ASSERT_EQ(Run("ann:SetMaxHealth(100) ann:SetHealth(80) ann:SetMaxHealth(50)"), "");
    EXPECT_FLOAT_EQ(ann.GetHealth(), 50.0f);
    ASSERT_EQ(Run("ann:SetHealth(80)"), "");
    EXPECT_FLOAT_EQ(ann.GetHealth(), 80.0f);
    // Vitality 10, -30: vitality 0, 20 from health (which, above its
    // maximum, is clamped on the way), answer 0.
    EXPECT_EQ(Number("ann:IncrementVitality(-30)"), 0.0);
    EXPECT_FLOAT_EQ(ann.GetHealth(), 50.0f);
    EXPECT_EQ(Number("ann:IncrementHealth(-100)"), -50.0);
    EXPECT_TRUE(ann.HasFlag(TS_ENTITY_DEAD));
    EXPECT_EQ(Type("ann:IsMobile()"), "nil");

    ASSERT_EQ(Run("bob:Stun(2)"), "");
    EXPECT_EQ(Type("bob:IsStunned()"), "number");
    ASSERT_EQ(Run("bob:StopMoving()"), "");
    EXPECT_EQ(walkers[1]->GetActionState(), TsCharacterObject::kStand);
    EXPECT_EQ(Number("TsCharacterObject.TS_CHARSOUND_TAMSAHEAL"), 10.0);
    EXPECT_EQ(Number("TsCharacterObject.TS_NUM_CHARACTER_SOUNDS"), 11.0);
}

TEST_F(CharacterBindingsTest, TheCarriedObjectsAndGivingCrossTheBorder)
{
    EXPECT_EQ(Type("ann:GetInventory()"), "userdata");
    EXPECT_EQ(Type("ann:InnateAttack()"), "userdata");
    EXPECT_EQ(Number("ann:GetCurrentAttack() == ann:InnateAttack() and 1 or 0"), 1.0) << "nothing equipped";
    EXPECT_EQ(Type("ann:GetSquad()"), "nil");
    ASSERT_EQ(Run("ann:GiveEntireInventory(bob) ann:GiveEntireInventory(nil)"), "");
    // A sound slot outside 0..10 or a sound outside 0..239 changes nothing.
    ASSERT_EQ(Run("ann:FlagSoundForLoading(11, 5) ann:FlagSoundForLoading(0, 240)"), "");
    EXPECT_EQ(walkers[0]->GetSoundSlot(0), -1);
}

TEST_F(CharacterBindingsTest, WrongArgumentsRaiseTheFunctionsOwnMessages)
{
    EXPECT_LUA_ERROR("ann:SetWalkSpeed('fast')", "error in function 'SetWalkSpeed'.");
    EXPECT_LUA_ERROR("ann:Stun()", "error in function 'Stun'.");
    EXPECT_LUA_ERROR("ann:FlagSoundForLoading(1)", "error in function 'FlagSoundForLoading'.");
    EXPECT_LUA_ERROR("ann:GiveEntireInventory(3)", "error in function 'GiveEntireInventory'.");
    EXPECT_LUA_ERROR("ann.IsMobile(3)", "error in function 'IsMobile'.");
}
