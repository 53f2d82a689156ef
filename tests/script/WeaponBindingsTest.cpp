// Projectile types, weapon attribute blocks, weapons and mines from scripts:
// the start-up script fills projectile records by index, templates set up
// weapons and mines through their functions, and the checks of arguments,
// indices and assigned values.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsMineObject.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsWeaponObject.h"

namespace {

class WeaponBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        TsProjectileAttributes::ResetAll();
        OpenPackage();
    }
    void TearDown() override
    {
        TsProjectileAttributes::ResetAll();
        LuaTest::TearDown();
    }
    // The object a script global holds.
    void* Object(const char* name)
    {
        lua_getglobal(L, name);
        void* object = tolua_tousertype(L, -1, nullptr);
        lua_pop(L, 1);
        return object;
    }
};

TEST_F(WeaponBindingsTest, AStartUpScriptFillsProjectileRecordsByIndex)
{
    ASSERT_EQ(Run("local p = TsProjectileAttributes:_Attributes(31)\n"
                  "p.m_lifetime = 2.5 p.m_bRay = 1 p.m_bExplode = nil p.m_iExposionID = 3.7\n"
                  "p.m_szLaserTexture = 'laser' p.m_szImpactFX:Set('sparks') p:SetLaserColour(255, 0, 0)"),
              "");
    const TsProjectileAttributes& p = *TsProjectileAttributes::_Attributes(31);
    EXPECT_FLOAT_EQ(p.m_lifetime, 2.5f);
    EXPECT_EQ(p.m_bExplode, 0);
    EXPECT_EQ(p.m_iExposionID, 3);
    EXPECT_STREQ(p.m_szLaserTexture.Get(), "laser");
    EXPECT_EQ(p.m_laserARGB, 0xFFFF0000u);
    ExpectRows({
        {"return TsProjectileAttributes:_Attributes(31).m_bRay", "1"},
        {"return TsProjectileAttributes:_Attributes(31).m_szImpactFX:Get()", "'sparks'"},
        {"return TsProjectileAttributes:_Attributes(32)", "nil"},
        {"return TsProjectileAttributes:_Attributes(-1)", "nil"},
        {"return TsProjectileAttributes:_Attributes(0)", "userdata"},
        {"TsProjectileAttributes:_Attributes(0):SetLaserColour(1, 2)", "error:error in function 'SetLaserColour'."},
        {"TsProjectileAttributes:_Attributes(0).m_laserARGB = 5", "error:invalid type in variable assignment"},
        {"TsProjectileAttributes:_Attributes(0).m_drag = 'x'", "error:invalid type in variable assignment"},
    });
    // The colour word crosses as the record's own word: copying it between
    // records copies the colour.
    ASSERT_EQ(Run("TsProjectileAttributes:_Attributes(0).m_laserARGB = TsProjectileAttributes:_Attributes(31)"
                  ".m_laserARGB"),
              "");
    EXPECT_EQ(TsProjectileAttributes::_Attributes(0)->m_laserARGB, 0xFFFF0000u);
    ExpectTypeErrors({"TsProjectileAttributes:_Attributes('x')", "TsProjectileAttributes:_Attributes()"});
}

TEST_F(WeaponBindingsTest, WeaponAndMineTemplatesSetThemUp)
{
    ASSERT_EQ(Run("w = TsWeaponObject:new() local a = w:Attributes(false)\n"
                  "a:SetWeaponType(TS_WEAPON_ROCKET) a:SetAmmoType(2) a:SetAmmoPerShot(3) a:SetEfficiency(12.5)\n"
                  "a:SetRange(30) a:SetSpread(45) a:SetReload(2) a:SetStun(1.5) a:SetProjectileID(40)\n"
                  "w:Attributes(true):SetWeaponType(TS_WEAPON_MELEE) w:SetBimodal(1) w:SetMuzzleOffset(0, 1, 2)\n"
                  "w:FlagSoundForLoading(TsWeaponObject.TS_WEAPON_SOUND_NOAMMO, 200)\n"
                  "w:FlagSoundForLoading(TsWeaponObject.TS_WEAPON_SOUND_LOOP, 240)\n"
                  "m = TsMineObject:new() m:SetAnimationClass(3) m:SetDetonationDelay(1.5) m:SetProjectileID(2)\n"
                  "m:SetDamage(20) m:SetMatterType(TS_MATTER_CHEMICAL)"),
              "");
    auto* w = static_cast<TsWeaponObject*>(Object("w"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Attributes(false).projectileId, 40) << "kept as given; checked when the weapon fires";
    EXPECT_FLOAT_EQ(w->Attributes(false).efficiency, 12.5f);
    EXPECT_FLOAT_EQ(w->GetMuzzleOffset().z, 2.0f);
    EXPECT_EQ(w->GetSound(TS_WEAPON_SOUND_NOAMMO), 200);
    EXPECT_EQ(w->GetSound(TS_WEAPON_SOUND_LOOP), -1) << "240 is not a sound";
    auto* m = static_cast<TsMineObject*>(Object("m"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetCountdownTicks(), 15);
    EXPECT_FLOAT_EQ(m->GetDamage(), 20.0f);
    ExpectRows({
        {"return w:Attributes(false):GetStun()", "1.5"},
        {"return w:GetCurrentWeaponType()", "3"},
        {"return w:ToggleMode()", "number"},
        {"return w:GetCurrentWeaponType()", "0"},
        {"return w:ToggleMode()", "nil"}, // back to primary
        {"return w:IsSecondary()", "nil"},
        {"return TsWeaponObject.TS_NUM_WEAPON_SOUNDS", "9"},
    });
    ExpectTypeErrors({"m:SetDamage('x')", "m:SetDetonationDelay()", "m:SetProjectileID(1, 2)"});
    ExpectSelfErrors({"TsMineObject.SetDamage(nil, 2)"});
    ASSERT_EQ(Run("w:delete() m:delete()"), "");
}

} // namespace
