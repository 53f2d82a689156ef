// The vector class and the component globals, the radar's objective and
// bound volumes, run from real scripts.

#include "tests/script/LuaTestState.h"

#include "engine/OmVector3.h"
#include "script/GameBindings.h"
#include "script/ScriptWrap.h"
#include "ui/TsRadar.h"

#include <lauxlib.h>
#include <lualib.h>

#include <utility>

namespace {

class VectorTest : public PackageTest {
protected:
    void SetVector(const char* name, float x, float y, float z)
    {
        script::PushVectorCopy(L, OmVector3(x, y, z));
        lua_setglobal(L, name);
    }
    bool Inside(float x, float y, float z)
    {
        SetVector("p", x, y, z);
        return Type("b:IsInsideBound(p)") == "number";
    }
};

char g_audio[16];

TEST_F(VectorTest, MathsAndComponentsAndOnlyNormaliseChangesSelf)
{
    SetVector("v", 3, 4, 0);
    SetVector("w", 0, 0, 2);
    SetVector("zero", 0, 0, 0);
    ASSERT_EQ(Run("c = v:Cross(w); u = v:Unit(); u:Normalise(); vv = v:Cross(v)"), "");
    const std::pair<const char*, double> cases[] = {
        {"v:Length()", 5}, {"v:LengthSquared()", 25}, {"v:Dot(w)", 0}, {"v:Dot(v)", 25},
        {"GetX(v)", 3},    {"GetY(v)", 4},           {"GetZ(w)", 2},  {"GetX(c)", 8},
        {"GetY(c)", -6},   {"GetZ(c)", 0},           {"GetX(u)", 0.6}, {"zero:Normalise()", 0},
        {"zero:LengthSquared()", 0}, {"v:Normalise()", 5}, {"v:Length()", 1},
    };
    for (const auto& [expr, value] : cases)
        EXPECT_FLOAT_EQ(Number(expr), value) << expr;
    // A copy is a new object, not the same userdata as self.
    EXPECT_EQ(Type("(v:Unit() ~= v) or nil"), "boolean");
    Publish("audio", g_audio, "TsAudio");
    ExpectTypeErrors({"GetX(5)", "GetY()", "GetX(audio)", "OmVector3.Length(audio)", "OmVector3:Length()",
                      "v:Dot(nil)", "v:Cross({})"});
    ExpectSelfErrors({"OmVector3.Length(nil)", "OmVector3.Unit(nil)"});
    // tolua names the failing argument after the message.
    EXPECT_NE(Run("GetX(5)").find("argument #1 is 'number'; 'OmVector3' expected"), std::string::npos);
}

// Copies the script drops are freed, kept ones survive; a vector the game
// owns (an entity's position, say) is pushed as it is and never collected.
TEST_F(VectorTest, CollectedCopiesAreFreedAndBorrowedOnesNever)
{
    SetVector("v", 1, 0, 0);
    SetVector("w", 0, 1, 0);
    OmVector3 position(7, 8, 9);
    Publish("pos", &position, "OmVector3");
    Run("collectgarbage('collect')");
    const long before = script::LiveVectorCopies();
    ASSERT_EQ(Run("for i = 1, 200 do local c = v:Cross(w); local u = v:Unit() end"), "");
    EXPECT_EQ(script::LiveVectorCopies(), before + 400);
    ASSERT_EQ(Run("kept = v:Cross(w); pos:Normalise(); pos = nil; collectgarbage('collect')"), "");
    EXPECT_EQ(script::LiveVectorCopies(), before + 1);
    EXPECT_EQ(Number("GetZ(kept)"), 1);
    EXPECT_EQ(Number("GetX(v)"), 1);
    EXPECT_FLOAT_EQ(position.Length(), 1.0f);
    ASSERT_EQ(Run("kept = nil; v = nil; w = nil; collectgarbage('collect')"), "");
    EXPECT_EQ(script::LiveVectorCopies(), before - 2);
}

TEST(VectorStates, TwoOpenStatesKeepTheirOwnClasses)
{
    // Class look-ups are cached; each state's vectors must still be told
    // apart from the other state's classes.
    auto open = [] {
        lua_State* L = luaL_newstate();
        lua_pushcfunction(L, luaopen_base);
        lua_call(L, 0, 0);
        tolua_game_open(L);
        script::PushVectorCopy(L, OmVector3(3, 4, 0));
        lua_setglobal(L, "v");
        return L;
    };
    auto length = [](lua_State* L, const char* code = "return v:Length()") {
        const double r = luaL_dostring(L, code) == 0 ? lua_tonumber(L, -1) : -1.0;
        lua_pop(L, 1);
        return r;
    };
    lua_State* a = open();
    lua_State* b = open();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(length(a), 5);
        EXPECT_EQ(length(b), 5);
    }
    lua_close(a);
    lua_State* c = open();
    EXPECT_EQ(length(c), 5);
    EXPECT_EQ(length(b), 5);
    // A non-vector of the new state is still refused.
    EXPECT_EQ(length(c, "return OmVector3.Length(TsAccess:Options())"), -1.0);
    lua_close(b);
    lua_close(c);
}

// The radar's switches and objective, set with three numbers or a vector
// and read back as the radar's own vector.
TEST_F(VectorTest, RadarSwitchesAndTheObjectiveByNumbersOrVector)
{
    TsRadar radar;
    Publish("radar", &radar, "TsRadar");
    SetVector("point", 4, 5, 6);
    ASSERT_EQ(Run("radar:UseRadar(nil) radar:UseObjective(0)"), "");
    EXPECT_FALSE(radar.IsRadarShown() || radar.IsObjectiveShown());
    ASSERT_EQ(Run("radar:UseRadar(1) radar:UseObjective(true) radar:SetObjective(1, 2, 3)"), "");
    EXPECT_TRUE(radar.IsRadarShown() && radar.IsObjectiveShown());
    EXPECT_FLOAT_EQ(radar.GetObjective().y, 2.0f);
    ASSERT_EQ(Run("radar:SetObjective(point)"), "");
    EXPECT_FLOAT_EQ(radar.GetObjective().z, 6.0f);
    // The vector handed out is the radar's own: normalising it moves the
    // objective.
    ASSERT_EQ(Run("radar:SetObjective(0, 0, 2) radar:GetObjective():Normalise()"), "");
    EXPECT_FLOAT_EQ(radar.GetObjective().z, 1.0f);
    EXPECT_EQ(Number("GetZ(radar:GetObjective())"), 1.0);
    // Neither form of SetObjective fits: the three numbers' message.
    ExpectTypeErrors({"radar:UseRadar('yes')", "radar.UseRadar(point, true)", "radar:SetObjective(1, 2)",
                      "radar:SetObjective('a', 2, 3)"});
}

// Bound volumes built plane by plane, asked about points.
TEST_F(VectorTest, BoundsBuildVolumesPlaneByPlaneAndAnswerForPoints)
{
    ASSERT_EQ(Run("b = TsBoundObject:new()"), "");
    SetVector("p", 0, 0, 0);
    EXPECT_EQ(Type("b:IsInsideBound(p)"), "nil") << "no volumes, no point inside";
    // The slab 0 <= x <= 1 as volume 0, then 5 <= x <= 6 as volume 1.
    ASSERT_EQ(Run("b:AddPlane(0, 0,0,0, 0,1,0, 0,0,1) b:AddPlane(0, 1,0,0, 1,0,1, 1,1,0)\n"
                  "b:AddPlane(1, 5,0,0, 5,1,0, 5,0,1) b:AddPlane(1, 6,0,0, 6,0,1, 6,1,0)"),
              "");
    EXPECT_TRUE(Inside(0.5f, 3, 3));
    EXPECT_TRUE(Inside(5.5f, 3, 3));
    EXPECT_FALSE(Inside(3, 0, 0));
    // A plane for volume 0 would fall among volume 1's planes: refused.
    ASSERT_EQ(Run("b:AddPlane(0, 0.5,0,0, 0.5,0,1, 0.5,1,0)"), "");
    EXPECT_TRUE(Inside(0.2f, 3, 3));
    ExpectTypeErrors({"b:AddPlane(0, 1,2,3, 4,5,6, 7,8)", "b:AddPlane(0, 1,2,3, 4,5,6, 7,8,9, 10)",
                      "b:AddPlane('x', 1,2,3, 4,5,6, 7,8,9)", "b:IsInsideBound(1)", "b:IsInsideBound(p, p)",
                      "TsBoundObject:new(1)"});
    ExpectSelfErrors({"TsBoundObject.AddPlane(nil, 0, 1,2,3, 4,5,6, 7,8,9)", "TsBoundObject.IsInsideBound(nil, p)"});
    ASSERT_EQ(Run("b:delete()"), "");
    ExpectSelfErrors({"b:IsInsideBound(p)"});
}

} // namespace
