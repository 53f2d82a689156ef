// The explosion table from scripts: a start-up script's LoadExplosionAttributes
// fills records through FxGetExplosionType and their variables; the checks
// of arguments, indices and assigned values.

#include "tests/script/LuaTestState.h"

#include "game/world/TsExplosionParams.h"

namespace {

class ExplosionBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        TsExplosionTable::Clear();
        OpenPackage();
    }
    void TearDown() override
    {
        TsExplosionTable::Clear();
        LuaTest::TearDown();
    }
};

TEST_F(ExplosionBindingsTest, AStartUpScriptFillsTheTable)
{
    ASSERT_EQ(Run("FxSetNumExplosionTypes(2) local e = FxGetExplosionType(1)\n"
                  "e.m_szParticleType:Set('sparks') e.m_szShockTexture = 'data\\\\fx\\\\ring.tga' e.m_numArms = 6.9\n"
                  "e.m_gravity = -9.8 e.m_fade = 1 e.m_shockwave = nil e:SetColourBias(1, 0.5, 0.25)"),
              "");
    ASSERT_EQ(TsExplosionTable::Count(), 2);
    const TsExplosionParams& e = *TsExplosionTable::At(1);
    EXPECT_STREQ(e.m_szShockTexture.Get(), "data\\fx\\ring.tga");
    EXPECT_EQ(e.m_numArms, 6);
    EXPECT_FLOAT_EQ(e.m_gravity, -9.8f);
    EXPECT_EQ(e.m_shockwave, 0);
    EXPECT_FLOAT_EQ(e.m_shockColourBias.y, 0.5f);
    ExpectRows({
        {"return FxGetExplosionType(1).m_numArms", "6"},
        {"return FxGetExplosionType(1).m_szParticleType:Get()", "'sparks'"},
        {"return FxGetExplosionType(1).m_fade", "1"}, // true arrives as 1
    });
}

TEST_F(ExplosionBindingsTest, RecordsStayPutAndTheTableResizes)
{
    ASSERT_EQ(Run("first = FxGetExplosionType(0) first.m_speed = 3 FxGetExplosionType(300)"), "");
    EXPECT_EQ(Number("first.m_speed"), 3);
    EXPECT_EQ(TsExplosionTable::Count(), 301);
    ASSERT_EQ(Run("FxSetNumExplosionTypes(4)"), "");
    EXPECT_EQ(TsExplosionTable::Count(), 4);
    EXPECT_EQ(Type("FxGetExplosionType(-1)"), "nil");
    EXPECT_EQ(TsExplosionTable::Count(), 4);
}

TEST_F(ExplosionBindingsTest, BadArgumentsAndValuesAreRefused)
{
    ExpectTypeErrors({"FxGetExplosionType('x')", "FxGetExplosionType()", "FxGetExplosionType(1, 2)",
                      "FxSetNumExplosionTypes({})"});
    EXPECT_NE(Run("FxGetExplosionType(0):SetColourBias(1, 2)").find("error in function 'SetColourBias'"),
              std::string::npos);
    EXPECT_NE(Run("FxGetExplosionType(0).m_speed = 'fast'").find("invalid type in variable assignment"),
              std::string::npos);
    EXPECT_NE(Run("FxGetExplosionType(0).m_szParticleType = 5").find("invalid type in variable assignment"),
              std::string::npos);
}

// A type number or count past the ceiling is an error that names it, tested
// before any 32-bit truncation could wrap it back into range; nothing grows.
TEST_F(ExplosionBindingsTest, NumbersPastTheLimitAreRefused)
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
}

// A script keeps the records it was handed: shrinking the table retires
// them without freeing, and growing again gives them back as new records.
TEST_F(ExplosionBindingsTest, ShrinkingKeepsRecordsScriptsHold)
{
    ASSERT_EQ(Run("kept = FxGetExplosionType(5) kept.m_speed = 4 kept.m_szParticleType:Set('smoke')\n"
                  "FxSetNumExplosionTypes(1)\n"
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

} // namespace
