// The vector class and the component globals, run from real scripts.

#include "tests/script/LuaTestState.h"

#include "engine/OmVector3.h"
#include "script/ScriptWrap.h"

namespace {

class VectorTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
    }

    void SetVector(const char* name, float x, float y, float z)
    {
        script::PushVectorCopy(L, OmVector3(x, y, z));
        lua_setglobal(L, name);
    }
};

char g_audio[16];

} // namespace

TEST_F(VectorTest, MathsAndComponents)
{
    SetVector("v", 3, 4, 0);
    SetVector("w", 0, 0, 2);
    EXPECT_EQ(Number("v:Length()"), 5);
    EXPECT_EQ(Number("v:LengthSquared()"), 25);
    EXPECT_EQ(Number("v:Dot(w)"), 0);
    EXPECT_EQ(Number("v:Dot(v)"), 25);
    EXPECT_EQ(Number("GetX(v)"), 3);
    EXPECT_EQ(Number("GetY(v)"), 4);
    EXPECT_EQ(Number("GetZ(w)"), 2);
    ASSERT_EQ(Run("c = v:Cross(w)"), "");
    EXPECT_EQ(Number("GetX(c)"), 8);
    EXPECT_EQ(Number("GetY(c)"), -6);
    EXPECT_EQ(Number("GetZ(c)"), 0);
}

TEST_F(VectorTest, NormaliseChangesSelfUnitAndCrossDoNot)
{
    SetVector("v", 3, 4, 0);
    SetVector("zero", 0, 0, 0);
    ASSERT_EQ(Run("u = v:Unit(); u:Normalise(); c = v:Cross(v)"), "");
    EXPECT_EQ(Number("v:Length()"), 5);
    EXPECT_FLOAT_EQ(Number("GetX(u)"), 0.6f);
    EXPECT_EQ(Number("v:Normalise()"), 5);
    EXPECT_FLOAT_EQ(Number("v:Length()"), 1.0f);
    EXPECT_EQ(Number("zero:Normalise()"), 0);
    EXPECT_EQ(Number("zero:LengthSquared()"), 0);
    // A copy is a new object, not the same userdata as self.
    EXPECT_EQ(Type("(v:Unit() ~= v) or nil"), "boolean");
}

TEST_F(VectorTest, WrongArgumentsRaiseTheFunctionsOwnMessages)
{
    SetVector("v", 1, 2, 3);
    tolua_pushusertype(L, g_audio, "TsAudio");
    lua_setglobal(L, "audio");

    EXPECT_LUA_ERROR("GetX(5)", "error in function 'GetX'.");
    EXPECT_LUA_ERROR("GetY()", "error in function 'GetY'.");
    EXPECT_LUA_ERROR("GetZ(v, 1)", "error in function 'GetZ'.");
    EXPECT_LUA_ERROR("GetX(nil)", "error in function 'GetX'.");
    EXPECT_LUA_ERROR("GetX(audio)", "error in function 'GetX'.");
    EXPECT_LUA_ERROR("v:Length(1)", "error in function 'Length'.");
    EXPECT_LUA_ERROR("OmVector3.Length(audio)", "error in function 'Length'.");
    EXPECT_LUA_ERROR("OmVector3:Length()", "error in function 'Length'.");
    EXPECT_LUA_ERROR("v:Dot()", "error in function 'Dot'.");
    EXPECT_LUA_ERROR("v:Dot(nil)", "error in function 'Dot'.");
    EXPECT_LUA_ERROR("v:Cross(audio)", "error in function 'Cross'.");
    EXPECT_LUA_ERROR("v:Cross({})", "error in function 'Cross'.");
    EXPECT_LUA_ERROR("OmVector3.Length(nil)", "invalid 'self' in function 'Length'");
    EXPECT_LUA_ERROR("OmVector3.Normalise(nil)", "invalid 'self' in function 'Normalise'");
    EXPECT_LUA_ERROR("OmVector3.Unit(nil)", "invalid 'self' in function 'Unit'");
    // tolua names the failing argument after the message.
    EXPECT_NE(Run("GetX(5)").find("argument #1 is 'number'; 'OmVector3' expected"), std::string::npos);
}

TEST_F(VectorTest, CollectedCopiesAreFreedAndKeptOnesSurvive)
{
    SetVector("v", 1, 0, 0);
    SetVector("w", 0, 1, 0);
    Run("collectgarbage('collect')");
    const long before = script::LiveVectorCopies();
    ASSERT_EQ(Run("for i = 1, 200 do local c = v:Cross(w); local u = v:Unit() end"), "");
    EXPECT_EQ(script::LiveVectorCopies(), before + 400);
    ASSERT_EQ(Run("kept = v:Cross(w); collectgarbage('collect')"), "");
    EXPECT_EQ(script::LiveVectorCopies(), before + 1);
    EXPECT_EQ(Number("GetZ(kept)"), 1);
    EXPECT_EQ(Number("GetX(v)"), 1);
    EXPECT_EQ(Number("GetY(w)"), 1);
    ASSERT_EQ(Run("kept = nil; v = nil; w = nil; collectgarbage('collect')"), "");
    EXPECT_EQ(script::LiveVectorCopies(), before - 2);
}

TEST_F(VectorTest, BorrowedVectorsAreNeverCollected)
{
    // A vector the game owns (an entity's position, say) is pushed as it is.
    OmVector3 position(7, 8, 9);
    tolua_pushusertype(L, &position, "OmVector3");
    lua_setglobal(L, "pos");
    const long before = script::LiveVectorCopies();
    ASSERT_EQ(Run("pos:Normalise(); pos = nil; collectgarbage('collect')"), "");
    EXPECT_EQ(script::LiveVectorCopies(), before);
    EXPECT_FLOAT_EQ(position.Length(), 1.0f);
}
