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
    ASSERT_EQ(Run("function LoadProjectileAttributes()\n"
                  "  local p = TsProjectileAttributes:_Attributes(31)\n"
                  "  p.m_lifetime = 2.5\n"
                  "  p.m_initialSpeed = 40\n"
                  "  p.m_bRay = 1\n"
                  "  p.m_bExplode = nil\n"
                  "  p.m_iExposionID = 3.7\n"
                  "  p.m_szLaserTexture = 'laser'\n"
                  "  p.m_szImpactFX:Set('sparks')\n"
                  "  p:SetLaserColour(255, 0, 0)\n"
                  "end\n"
                  "LoadProjectileAttributes()"),
              "");
    const TsProjectileAttributes& p = *TsProjectileAttributes::_Attributes(31);
    EXPECT_FLOAT_EQ(p.m_lifetime, 2.5f);
    EXPECT_FLOAT_EQ(p.m_initialSpeed, 40.0f);
    EXPECT_EQ(p.m_bRay, 1);
    EXPECT_EQ(p.m_bExplode, 0);
    EXPECT_EQ(p.m_iExposionID, 3);
    EXPECT_STREQ(p.m_szLaserTexture.Get(), "laser");
    EXPECT_STREQ(p.m_szImpactFX.Get(), "sparks");
    EXPECT_EQ(p.m_laserARGB, 0xFFFF0000u);
    EXPECT_EQ(Number("TsProjectileAttributes:_Attributes(31).m_bRay"), 1);
    EXPECT_EQ(String("TsProjectileAttributes:_Attributes(31).m_szImpactFX:Get()"), "sparks");
    // The colour word crosses as the record's own word: copying it between
    // records copies the colour.
    ASSERT_EQ(Run("TsProjectileAttributes:_Attributes(0).m_laserARGB = TsProjectileAttributes:_Attributes(31).m_laserARGB"),
              "");
    EXPECT_EQ(TsProjectileAttributes::_Attributes(0)->m_laserARGB, 0xFFFF0000u);
}

TEST_F(WeaponBindingsTest, IndicesOutsideTheTableGiveNothing)
{
    EXPECT_EQ(Type("TsProjectileAttributes:_Attributes(32)"), "nil");
    EXPECT_EQ(Type("TsProjectileAttributes:_Attributes(-1)"), "nil");
    EXPECT_EQ(Type("TsProjectileAttributes:_Attributes(0)"), "userdata");
}

TEST_F(WeaponBindingsTest, BadArgumentsAndValuesAreRefused)
{
    ExpectTypeErrors({"TsProjectileAttributes:_Attributes('x')", "TsProjectileAttributes:_Attributes()"});
    EXPECT_NE(Run("TsProjectileAttributes:_Attributes(0):SetLaserColour(1, 2)").find("error in function 'SetLaserColour'"),
              std::string::npos);
    EXPECT_NE(Run("TsProjectileAttributes:_Attributes(0).m_laserARGB = 5").find("invalid type in variable assignment"),
              std::string::npos);
    EXPECT_NE(Run("TsProjectileAttributes:_Attributes(0).m_drag = 'x'").find("invalid type in variable assignment"),
              std::string::npos);
}

TEST_F(WeaponBindingsTest, AWeaponTemplateSetsItsOwnBlocks)
{
    ASSERT_EQ(Run("w = TsWeaponObject:new()\n"
                  "local a = w:Attributes(false)\n"
                  "a:SetWeaponType(TS_WEAPON_ROCKET)\n"
                  "a:SetAmmoType(2)\n"
                  "a:SetAmmoPerShot(3)\n"
                  "a:SetEfficiency(12.5)\n"
                  "a:SetRange(30)\n"
                  "a:SetSpread(45)\n"
                  "a:SetReload(2)\n"
                  "a:SetStun(1.5)\n"
                  "a:SetProjectileID(40)\n"
                  "w:Attributes(true):SetWeaponType(TS_WEAPON_MELEE)\n"
                  "w:SetBimodal(1)\n"
                  "w:SetMuzzleOffset(0, 1, 2)\n"
                  "w:FlagSoundForLoading(TsWeaponObject.TS_WEAPON_SOUND_NOAMMO, 200)\n"
                  "w:FlagSoundForLoading(TsWeaponObject.TS_WEAPON_SOUND_LOOP, 240)\n"),
              "");
    auto* w = static_cast<TsWeaponObject*>(Object("w"));
    ASSERT_NE(w, nullptr);
    const TsWeaponAttributes& a = w->Attributes(false);
    EXPECT_EQ(a.weaponType, TS_WEAPON_ROCKET);
    EXPECT_EQ(a.ammoType, 2);
    EXPECT_EQ(a.ammoPerShot, 3);
    EXPECT_FLOAT_EQ(a.efficiency, 12.5f);
    EXPECT_FLOAT_EQ(a.spread, 45.0f);
    EXPECT_EQ(a.projectileId, 40) << "kept as given; checked when the weapon fires";
    EXPECT_EQ(Number("w:Attributes(false):GetStun()"), 1.5);
    EXPECT_TRUE(w->IsBimodal());
    EXPECT_FLOAT_EQ(w->GetMuzzleOffset().z, 2.0f);
    EXPECT_EQ(w->GetSound(TS_WEAPON_SOUND_NOAMMO), 200);
    EXPECT_EQ(w->GetSound(TS_WEAPON_SOUND_LOOP), -1) << "240 is not a sound";
    EXPECT_EQ(Number("w:GetCurrentWeaponType()"), TS_WEAPON_ROCKET);
    EXPECT_EQ(Type("w:ToggleMode()"), "number");
    EXPECT_EQ(Number("w:GetCurrentWeaponType()"), TS_WEAPON_MELEE);
    EXPECT_EQ(Type("w:ToggleMode()"), "nil") << "back to primary";
    EXPECT_EQ(Type("w:IsSecondary()"), "nil");
    EXPECT_EQ(Number("TsWeaponObject.TS_NUM_WEAPON_SOUNDS"), 9);
    EXPECT_EQ(Number("TS_WEAPON_RADIATION_GENERATOR"), 6);
    ASSERT_EQ(Run("w:delete()"), "");
}

TEST_F(WeaponBindingsTest, AMineTemplateSetsItUp)
{
    ASSERT_EQ(Run("m = TsMineObject:new()\n"
                  "m:SetAnimationClass(3)\n"
                  "m:SetDetonationDelay(1.5)\n"
                  "m:SetProjectileID(2)\n"
                  "m:SetDamage(20)\n"
                  "m:SetMatterType(TS_MATTER_CHEMICAL)\n"),
              "");
    auto* m = static_cast<TsMineObject*>(Object("m"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetAnimationClass(), 3);
    EXPECT_EQ(m->GetCountdownTicks(), 15);
    EXPECT_EQ(m->GetProjectileID(), 2);
    EXPECT_FLOAT_EQ(m->GetDamage(), 20.0f);
    EXPECT_EQ(m->GetMatterType(), 1);
    ExpectTypeErrors({"m:SetDamage('x')", "m:SetDetonationDelay()", "m:SetProjectileID(1, 2)"});
    ExpectSelfErrors({"TsMineObject.SetDamage(nil, 2)"});
    ASSERT_EQ(Run("m:delete()"), "");
}

} // namespace
