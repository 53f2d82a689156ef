// The radar from real scripts: its switches and the objective, set with
// three numbers or a vector and read back as the radar's own vector.

#include "tests/script/LuaTestState.h"

#include "engine/OmVector3.h"
#include "ui/TsRadar.h"

namespace {

class RadarBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        tolua_pushusertype(L, &radar_, "TsRadar");
        lua_setglobal(L, "radar");
        tolua_pushusertype(L, &point_, "OmVector3");
        lua_setglobal(L, "point");
    }

    TsRadar radar_;
    OmVector3 point_{4.0f, 5.0f, 6.0f};
};

TEST_F(RadarBindingsTest, SwitchesAndTheObjectiveByNumbersOrVector)
{
    ASSERT_EQ(Run("radar:UseRadar(nil) radar:UseObjective(0)"), "");
    EXPECT_FALSE(radar_.IsRadarShown() || radar_.IsObjectiveShown());
    ASSERT_EQ(Run("radar:UseRadar(1) radar:UseObjective(true)"), "");
    EXPECT_TRUE(radar_.IsRadarShown() && radar_.IsObjectiveShown());
    ASSERT_EQ(Run("radar:SetObjective(1, 2, 3)"), "");
    EXPECT_FLOAT_EQ(radar_.GetObjective().y, 2.0f);
    ASSERT_EQ(Run("radar:SetObjective(point)"), "");
    EXPECT_FLOAT_EQ(radar_.GetObjective().z, 6.0f);
    // The vector handed out is the radar's own: normalising it moves the
    // objective.
    ASSERT_EQ(Run("radar:SetObjective(0, 0, 2) radar:GetObjective():Normalise()"), "");
    EXPECT_FLOAT_EQ(radar_.GetObjective().z, 1.0f);
    EXPECT_EQ(Number("GetZ(radar:GetObjective())"), 1.0);
    // Neither form of SetObjective fits: the three numbers' message.
    ExpectTypeErrors({"radar:UseRadar('yes')", "radar.UseRadar(point, true)", "radar:SetObjective(1, 2)",
                      "radar:SetObjective('a', 2, 3)"});
}

} // namespace
