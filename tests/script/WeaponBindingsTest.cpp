// Explosion and projectile types from scripts: the start-up script fills
// explosion records by index, and the checks of arguments, indices and
// assigned values.

#include "tests/script/LuaTestState.h"

#include "game/world/TsExplosionParams.h"

namespace {

class WeaponBindingsTest : public PackageTest {
protected:
    void SetUp() override
    {
        TsExplosionTable::Clear();
        PackageTest::SetUp();
    }
    void TearDown() override
    {
        TsExplosionTable::Clear();
        LuaTest::TearDown();
    }
};

// Records stay put as the table grows; shrinking it retires the records a
// script holds without freeing them, and growing again gives them back new.
TEST_F(WeaponBindingsTest, ExplosionRecordsStayPutAndShrinkingKeepsThoseScriptsHold)
{
    ASSERT_EQ(Run("kept = FxGetExplosionType(5) kept.m_speed = 4 kept.m_szParticleType:Set('smoke')\n"
                  "kept.m_szShockTexture = kept.m_szParticleType\n"
                  "kept:SetColourBias(1, 0.5, 0.25) FxGetExplosionType(300)"),
              "");
    const TsExplosionParams& e = *TsExplosionTable::At(5);
    EXPECT_STREQ(e.m_szShockTexture.Get(), "smoke");
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
        {"return TsProjectileAttributes:_Attributes(32)", "nil"},
        {"return TsProjectileAttributes:_Attributes(-1)", "nil"},
        {"TsProjectileAttributes:_Attributes(0):SetLaserColour(255, 0, 0) return 0", "0"},
        {"FxGetExplosionType(0):SetColourBias(1, 2)", "error:error in function 'SetColourBias'."},
        {"FxGetExplosionType(0).m_speed = 'fast'", "error:invalid type in variable assignment"},
        {"FxGetExplosionType(0).m_szParticleType = 5", "error:invalid type in variable assignment"},
        {"FxGetExplosionType(0).m_szParticleType = 'smoke'", "error:invalid type in variable assignment"},
        {"TsProjectileAttributes:_Attributes(0).m_szLaserTexture = 'laser'", "error:invalid type in variable assignment"},
    });
    ExpectTypeErrors({"FxGetExplosionType('x')", "FxGetExplosionType()", "FxSetNumExplosionTypes({})"});
}

} // namespace
