#include "tests/script/LuaTestState.h"

#include "engine/OmVector3.h"
#include "game/objects/TsBoundObject.h"
#include "script/ScriptWrap.h"

namespace {

class BoundBindingsTest : public LuaTest {
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
    bool Inside(float x, float y, float z)
    {
        SetVector("p", x, y, z);
        return String("type(b:IsInsideBound(p))") == "number";
    }
};

} // namespace

TEST_F(BoundBindingsTest, ScriptsBuildVolumesPlaneByPlaneAndAskAboutPoints)
{
    ASSERT_EQ(Run("b = TsBoundObject:new()"), "");
    SetVector("p", 0, 0, 0);
    EXPECT_EQ(Type("b:IsInsideBound(p)"), "nil") << "no volumes, no point inside";
    // The slab 0 <= x <= 1 as volume 0, then 5 <= x <= 6 as volume 1.
    ASSERT_EQ(Run("b:AddPlane(0, 0,0,0, 0,1,0, 0,0,1)"), "");
    ASSERT_EQ(Run("b:AddPlane(0, 1,0,0, 1,0,1, 1,1,0)"), "");
    ASSERT_EQ(Run("b:AddPlane(1, 5,0,0, 5,1,0, 5,0,1)"), "");
    ASSERT_EQ(Run("b:AddPlane(1, 6,0,0, 6,0,1, 6,1,0)"), "");
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
