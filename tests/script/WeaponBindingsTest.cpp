// Explosion types, projectile types, weapon attribute blocks, weapons and
// mines from scripts: the start-up script fills explosion and projectile
// records by index, templates set up weapons and mines through their
// functions, and the checks of arguments, indices and assigned values.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsMineObject.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsWeaponObject.h"
#include "game/world/TsExplosionParams.h"

namespace {

class WeaponBindingsTest : public PackageTest {
protected:
    void SetUp() override
    {
        TsExplosionTable::Clear();
        TsProjectileAttributes::ResetAll();
        PackageTest::SetUp();
    }
    void TearDown() override
    {
        TsExplosionTable::Clear();
        TsProjectileAttributes::ResetAll();
        LuaTest::TearDown();
    }
};

// A start-up script fills records; they stay put as the table grows; a
// script keeps the records it was
// handed: shrinking the table retires them without freeing, and growing
// again gives them back as new records.
TEST_F(WeaponBindingsTest, ExplosionRecordsStayPutAndShrinkingKeepsThoseScriptsHold)
{
    ASSERT_EQ(Run("kept = FxGetExplosionType(5) kept.m_speed = 4 kept.m_szParticleType:Set('smoke')\n"
                  "kept.m_szShockTexture = 'ring.tga' kept.m_numArms = 6.9 kept.m_fade = 1 kept.m_shockwave = nil\n"
                  "kept:SetColourBias(1, 0.5, 0.25) FxGetExplosionType(300)"),
              "");
    const TsExplosionParams& e = *TsExplosionTable::At(5);
    EXPECT_STREQ(e.m_szShockTexture.Get(), "ring.tga");
    EXPECT_EQ(e.m_numArms, 6);
    EXPECT_EQ(e.m_fade + e.m_shockwave, 1); // true arrives as 1, nil as 0
    EXPECT_FLOAT_EQ(e.m_shockColourBias.y, 0.5f);
    EXPECT_EQ(TsExplosionTable::Count(), 301);
    EXPECT_EQ(Number("kept.m_speed"), 4);
    ASSERT_EQ(Run("FxSetNumExplosionTypes(1)\n"
                  "kept.m_speed = kept.m_speed + 1 kept.m_szParticleType:Set('dust')"),
              "");
    EXPECT_EQ(TsExplosionTable::Count(), 1);
    EXPECT_EQ(TsExplosionTable::At(5), nullptr);
    EXPECT_EQ(Number("kept.m_speed"), 5);
    ASSERT_EQ(Run("again = FxGetExplosionType(5)"), "");
    EXPECT_EQ(Number("again.m_speed"), 0);
    EXPECT_EQ(String("again.m_szParticleType:Get()"), "");
    EXPECT_EQ(Number("rawequal(again, kept) and 1 or 0"), 1);
}


// A type number or count past the ceiling is an error that names it, tested
// before any 32-bit truncation could wrap it back into range; nothing grows.
// Bad arguments and assigned values are refused too.
TEST_F(WeaponBindingsTest, ExplosionNumbersPastTheLimitAndBadValuesAreRefused)
{
    ASSERT_EQ(Run("FxSetNumExplosionTypes(3)"), "");
    for (const char* call : {"FxGetExplosionType(2147483647)", "FxGetExplosionType(1024)",
                             "FxGetExplosionType(4294967301)", "FxGetExplosionType(1e300)",
                             "FxGetExplosionType(0/0)", "FxSetNumExplosionTypes(1025)",
                             "FxSetNumExplosionTypes(2147483647)", "FxSetNumExplosionTypes(4294967299)",
                             "FxSetNumExplosionTypes(0/0)"}) {
        const std::string message = Run(call);
        EXPECT_NE(message.find("past the limit of 1024 types"), std::string::npos) << call << ": " << message;
        EXPECT_EQ(TsExplosionTable::Count(), 3) << call;
    }
    EXPECT_EQ(Type("FxGetExplosionType(1023)"), "userdata");
    EXPECT_EQ(TsExplosionTable::Count(), 1024);
    EXPECT_EQ(Run("FxSetNumExplosionTypes(1024) FxSetNumExplosionTypes(-2147483648)"), "");
    EXPECT_EQ(TsExplosionTable::Count(), 0);
    ExpectRows({
        {"return FxGetExplosionType(-1)", "nil"},
        {"FxGetExplosionType(0):SetColourBias(1, 2)", "error:error in function 'SetColourBias'."},
        {"FxGetExplosionType(0).m_speed = 'fast'", "error:invalid type in variable assignment"},
        {"FxGetExplosionType(0).m_szParticleType = 5", "error:invalid type in variable assignment"},
    });
    ExpectTypeErrors({"FxGetExplosionType('x')", "FxGetExplosionType()", "FxSetNumExplosionTypes({})"});
}

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
    auto* w = Global<TsWeaponObject>("w");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Attributes(false).projectileId, 40) << "kept as given; checked when the weapon fires";
    EXPECT_FLOAT_EQ(w->Attributes(false).efficiency, 12.5f);
    EXPECT_FLOAT_EQ(w->GetMuzzleOffset().z, 2.0f);
    EXPECT_EQ(w->GetSound(TS_WEAPON_SOUND_NOAMMO), 200);
    EXPECT_EQ(w->GetSound(TS_WEAPON_SOUND_LOOP), -1) << "240 is not a sound";
    auto* m = Global<TsMineObject>("m");
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
