// The vector class and the component globals, run from real scripts.

#include "tests/script/LuaTestState.h"

#include "engine/OmVector3.h"
#include "script/GameBindings.h"
#include "script/ScriptWrap.h"

#include <lauxlib.h>
#include <lualib.h>

#include <utility>

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
}

TEST_F(VectorTest, WrongArgumentsRaiseTheFunctionsOwnMessages)
{
    SetVector("v", 1, 2, 3);
    tolua_pushusertype(L, g_audio, "TsAudio");
    lua_setglobal(L, "audio");

    ExpectTypeErrors({"GetX(5)", "GetY()", "GetZ(v, 1)", "GetX(nil)", "GetX(audio)", "v:Length(1)",
                      "OmVector3.Length(audio)", "OmVector3:Length()", "v:Dot()", "v:Dot(nil)", "v:Cross(audio)",
                      "v:Cross({})"});
    ExpectSelfErrors({"OmVector3.Length(nil)", "OmVector3.Normalise(nil)", "OmVector3.Unit(nil)"});
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
    lua_State* a = open();
    lua_State* b = open();
    auto length = [](lua_State* L, const char* code) {
        if (luaL_dostring(L, code) != 0) {
            lua_pop(L, 1);
            return -1.0;
        }
        const double r = lua_tonumber(L, -1);
        lua_pop(L, 1);
        return r;
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(length(a, "return v:Length()"), 5);
        EXPECT_EQ(length(b, "return v:Length()"), 5);
    }
    lua_close(a);
    lua_State* c = open();
    EXPECT_EQ(length(c, "return v:Length()"), 5);
    EXPECT_EQ(length(b, "return v:Length()"), 5);
    // A non-vector of the new state is still refused.
    EXPECT_EQ(length(c, "return OmVector3.Length(TsAccess:Options())"), -1.0);
    lua_close(b);
    lua_close(c);
}
