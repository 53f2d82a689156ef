// The root object functions every game object has.

#include "tests/script/LuaTestState.h"

#include "engine/OmObject.h"

#include <cstring>

namespace {

class ObjectTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
    }
};

// A door stands for any class below TsObject.
class Door : public OmObject {};

} // namespace

TEST_F(ObjectTest, NamesAreSetReadAndClearedThroughDerivedObjects)
{
    Door door;
    tolua_pushusertype(L, &door, "TsDoorObject");
    lua_setglobal(L, "door");
    ASSERT_EQ(Run("door:SetName('gate')"), "");
    ASSERT_NE(door.GetName(), nullptr);
    EXPECT_STREQ(door.GetName(), "gate");
    EXPECT_EQ(String("door:GetName()"), "gate");
    ASSERT_EQ(Run("door:SetName(nil)"), "");
    EXPECT_EQ(door.GetName(), nullptr);
    EXPECT_EQ(Type("door:GetName()"), "nil");
}

TEST_F(ObjectTest, NameFunctionsRefuseWrongSelfAndArguments)
{
    Door door;
    tolua_pushusertype(L, &door, "TsDoorObject");
    lua_setglobal(L, "door");
    tolua_pushusertype(L, &door + 1, "TsAudio");
    lua_setglobal(L, "audio");
    EXPECT_LUA_ERROR("door:SetName(3)", "error in function 'SetName'.");
    EXPECT_LUA_ERROR("door:SetName('a', 'b')", "error in function 'SetName'.");
    EXPECT_LUA_ERROR("door:SetName()", "error in function 'SetName'.");
    EXPECT_LUA_ERROR("TsObject.SetName(audio, 'x')", "error in function 'SetName'.");
    EXPECT_LUA_ERROR("TsObject.GetName(nil)", "invalid 'self' in function 'GetName'");
    EXPECT_LUA_ERROR("TsObject.SetName(nil, 'x')", "invalid 'self' in function 'SetName'");
    EXPECT_EQ(door.GetName(), nullptr);
}
