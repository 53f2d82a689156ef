// The root object functions every game object has.

#include "tests/script/LuaTestState.h"

#include "engine/OmObject.h"

namespace {

// A door stands for any class below TsObject.
class Door : public OmObject {};

} // namespace

TEST_F(LuaTest, ObjectNamesAreSetReadAndClearedThroughDerivedObjectsAndGuarded)
{
    OpenPackage();
    Door door;
    tolua_pushusertype(L, &door, "TsDoorObject");
    lua_setglobal(L, "door");
    tolua_pushusertype(L, &door + 1, "TsAudio");
    lua_setglobal(L, "audio");
    ExpectTypeErrors({"door:SetName(3)", "door:SetName('a', 'b')", "door:SetName()", "TsObject.SetName(audio, 'x')"});
    ExpectSelfErrors({"TsObject.GetName(nil)", "TsObject.SetName(nil, 'x')"});
    EXPECT_EQ(door.GetName(), nullptr);

    ASSERT_EQ(Run("door:SetName('gate')"), "");
    ASSERT_NE(door.GetName(), nullptr);
    EXPECT_STREQ(door.GetName(), "gate");
    EXPECT_EQ(String("door:GetName()"), "gate");
    ASSERT_EQ(Run("door:SetName(nil)"), "");
    EXPECT_EQ(door.GetName(), nullptr);
    EXPECT_EQ(Type("door:GetName()"), "nil");
}
