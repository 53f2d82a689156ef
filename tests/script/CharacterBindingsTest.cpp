// TsCharacterObject for scripts: the health rules entity scripts rely on,
// the carried objects, and the wrappers' argument checks.

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

TEST_F(CharacterBindingsTest, SettersConvertAndTheHealthRulesHold)
{
    ScriptWalker& ann = *walkers[0];
    ASSERT_EQ(Run("ann:SetWalkSpeed(1.5) ann:SetRunSpeed(4) ann:SetSkill(4) ann:SetSkill(1) ann:SetSquadIndex(3)"
                  " ann:SetAnimationClass(2) ann:SetWaistBone(5) ann:SetAttackBone(6) ann:SetMaxTurnRate(3)"
                  " ann:SetAttentionRange(12) ann:SetDisplayRaceID(9.7) ann:SetPhysicalDefence(10)"
                  " ann:SetChemicalDefence(20) ann:SetEnergyDefence(30) ann:SetOffenceSkill(70)"
                  " ann:SetCrouchable() ann:GivePathKeyA()"),
              "");
    EXPECT_FLOAT_EQ(ann.GetWalkSpeed(), 1.5f);
    EXPECT_EQ(ann.GetDisplayRaceID(), 9);
    EXPECT_EQ(ann.GetSkill(), 5) << "skills add up";
    EXPECT_TRUE(ann.IsCrouchable() && ann.HasPathKeyA());
    ExpectRows({
        {"ann:SetMaxHealth(50) return ann:GetMaxHealth()", "50"},
        // Health 80 under a maximum of 50: SetMaxHealth lowers it, SetHealth does not clamp.
        {"ann:SetMaxHealth(100) ann:SetHealth(80) ann:SetMaxHealth(50) return 0", "0"},
    });
    EXPECT_FLOAT_EQ(ann.GetHealth(), 50.0f);
    ASSERT_EQ(Run("ann:SetHealth(80)"), "");
    EXPECT_FLOAT_EQ(ann.GetHealth(), 80.0f);
    // Vitality 10, -30: vitality 0, 20 from health (which, above its
    // maximum, is clamped on the way), answer 0.
    EXPECT_EQ(Number("ann:IncrementVitality(-30)"), 0.0);
    EXPECT_FLOAT_EQ(ann.GetHealth(), 50.0f);
    ExpectRows({
        {"return ann:IncrementHealth(-100)", "-50"},
        {"return ann:IsMobile()", "nil"},
        {"bob:Stun(2) return bob:IsStunned()", "number"},
        {"return TsCharacterObject.TS_NUM_CHARACTER_SOUNDS", "11"},
        {"return ann:GetInventory()", "userdata"},
        {"return ann:GetCurrentAttack() == ann:InnateAttack() or nil", "true"}, // nothing equipped
        {"return ann:GetSquad()", "nil"},
        {"ann:GiveEntireInventory(bob) ann:GiveEntireInventory(nil) return 0", "0"},
        // A sound slot outside 0..10 or a sound outside 0..239 changes nothing.
        {"ann:FlagSoundForLoading(11, 5) ann:FlagSoundForLoading(0, 240) return 0", "0"},
    });
    EXPECT_TRUE(ann.HasFlag(TS_ENTITY_DEAD));
    EXPECT_EQ(walkers[0]->GetSoundSlot(0), -1);
    ASSERT_EQ(Run("bob:StopMoving()"), "");
    EXPECT_EQ(walkers[1]->GetActionState(), TsCharacterObject::kStand);
    ExpectTypeErrors({"ann:SetWalkSpeed('fast')", "ann:Stun()", "ann:FlagSoundForLoading(1)",
                      "ann:GiveEntireInventory(3)", "ann.IsMobile(3)"});
}
