// The vector class and the component globals, the radar's objective and
// bound volumes, run from real scripts.

#include "tests/script/LuaTestState.h"

#include "engine/OmVector3.h"
#include "script/ScriptWrap.h"
#include "ui/TsRadar.h"

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
    ExpectTypeErrors({"GetX(audio)", "OmVector3:Length()", "v:Dot(nil)"});
    ExpectSelfErrors({"OmVector3.Length(nil)"});
    // tolua names the failing argument after the message.
    EXPECT_NE(Run("GetX(5)").find("argument #1 is 'number'; 'OmVector3' expected"), std::string::npos);
}

// A vector the game owns (an entity's position, say) is pushed as it is.
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
    ExpectTypeErrors({"radar.UseRadar(point, true)", "radar:SetObjective(1, 2)"});
}

TEST_F(VectorTest, BoundsBuildVolumesPlaneByPlaneAndAnswerForPoints)
{
    ASSERT_EQ(Run("b = TsBoundObject:new()"), "");
    // The slab 0 <= x <= 1 as volume 0.
    ASSERT_EQ(Run("b:AddPlane(0, 0,0,0, 0,1,0, 0,0,1) b:AddPlane(0, 1,0,0, 1,0,1, 1,1,0)"), "");
    EXPECT_TRUE(Inside(0.5f, 3, 3));
    EXPECT_FALSE(Inside(3, 0, 0));
    ExpectTypeErrors({"b:AddPlane(0, 1,2,3, 4,5,6, 7,8)", "b:IsInsideBound(1)"});
    ASSERT_EQ(Run("b:delete()"), "");
    ExpectSelfErrors({"b:IsInsideBound(p)"});
}

} // namespace
