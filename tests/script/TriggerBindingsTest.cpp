// Triggers, waypoints, targets and start markers as entity scripts make
// and configure them.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsTriggerObject.h"
#include "game/objects/TsWaypointObject.h"

class TriggerBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
    }
};

TEST_F(TriggerBindingsTest, ScriptsMakeConfigureAndDeleteThePlacedObjects)
{
    ASSERT_EQ(Run("t = TsTriggerObject:new()\n"
                  "t:SetTriggerScript('OnGate') t:SetActive(false) t:SetActivationType(1) t:SetAcceptType(2)\n"
                  "t:SetPosition(0, 4, 0) t:SetHeight(2) t:SetExitTrigger(true) t:SaveTownStash()\n"
                  "w = TsWaypointObject:new() w:SetTarget('next') w:SetTargetname('ignored')\n"
                  "o = TsTargetObject:new() o:SetTargetName('x') o:SetOrigin(1, 2, 3)\n"
                  "s = TsPCStartObject:new()"),
              "");
    auto* trigger = static_cast<TsTriggerObject*>(tolua_tousertype(L, (lua_getglobal(L, "t"), -1), nullptr));
    lua_pop(L, 1);
    ASSERT_NE(trigger, nullptr);
    EXPECT_EQ(trigger->GetActivationType(), 1u);
    EXPECT_EQ(trigger->GetAcceptType(), 2u);
    EXPECT_FLOAT_EQ(trigger->GetPosition().y, 2.0f);
    EXPECT_EQ(String("t:GetTriggerScript()"), "OnGate");
    EXPECT_EQ(Type("t:IsActive()"), "nil") << "false reaches scripts as nil";
    EXPECT_FLOAT_EQ(trigger->GetHeight(), 4.0f);
    auto* waypoint = static_cast<TsWaypointObject*>(tolua_tousertype(L, (lua_getglobal(L, "w"), -1), nullptr));
    lua_pop(L, 1);
    ASSERT_NE(waypoint, nullptr);
    EXPECT_STREQ(waypoint->GetTargetName(), "next");
    ExpectTypeErrors({"t:SetTriggerScript(1, 2)", "w:SetTarget()", "o:SetOrigin(1, 2)", "s:SetOrigin(1)"});
    EXPECT_EQ(Run("t:delete() w:delete() o:delete() s:delete()"), "");
    ExpectSelfErrors({"t:SetActive(true)"});
}
