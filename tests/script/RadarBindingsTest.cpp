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

TEST_F(RadarBindingsTest, SwitchesTakeTheBindingsBooleans)
{
    ASSERT_EQ(Run("radar:UseRadar(nil) radar:UseObjective(0)"), "");
    EXPECT_FALSE(radar_.IsRadarShown());
    EXPECT_FALSE(radar_.IsObjectiveShown());
    ASSERT_EQ(Run("radar:UseRadar(1) radar:UseObjective(true)"), "");
    EXPECT_TRUE(radar_.IsRadarShown());
    EXPECT_TRUE(radar_.IsObjectiveShown());
    EXPECT_LUA_ERROR("radar:UseRadar('yes')", "error in function 'UseRadar'.");
    EXPECT_LUA_ERROR("radar.UseRadar(point, true)", "error in function 'UseRadar'.");
}

TEST_F(RadarBindingsTest, TheObjectiveTakesNumbersOrAVectorAndIsHandedOutByReference)
{
    ASSERT_EQ(Run("radar:SetObjective(1, 2, 3)"), "");
    EXPECT_FLOAT_EQ(radar_.GetObjective().y, 2.0f);
    ASSERT_EQ(Run("radar:SetObjective(point)"), "");
    EXPECT_FLOAT_EQ(radar_.GetObjective().z, 6.0f);
    // The vector handed out is the radar's own: normalising it moves the
    // objective.
    ASSERT_EQ(Run("radar:SetObjective(0, 0, 2) radar:GetObjective():Normalise()"), "");
    EXPECT_FLOAT_EQ(radar_.GetObjective().z, 1.0f);
    EXPECT_EQ(Number("GetZ(radar:GetObjective())"), 1.0);
    // Neither form fits: the three numbers' message.
    EXPECT_LUA_ERROR("radar:SetObjective(1, 2)", "error in function 'SetObjective'.");
    EXPECT_LUA_ERROR("radar:SetObjective('a', 2, 3)", "error in function 'SetObjective'.");
}

} // namespace
