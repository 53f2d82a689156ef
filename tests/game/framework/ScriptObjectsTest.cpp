#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tolua++.h>

#include "engine/OmObject.h"
#include "engine/OmRef.h"
#include "game/framework/TsScriptHost.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScriptState.h"

namespace {

OM_TEST_CLASS(Findable, OmObject);

// Makes "Findable" a script class derived from OmObject, as the binding
// package does for the game's classes.
void RegisterFindable(lua_State* L)
{
    tolua_usertype(L, "Findable");
    tolua_module(L, nullptr, 0);
    tolua_beginmodule(L, nullptr);
    tolua_cclass(L, "Findable", "Findable", "OmObject", nullptr);
    tolua_endmodule(L);
}

std::string Address(const void* p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

// A script state that sees the class, and one live object of it named "crate".
class ScriptObjects : public ::testing::Test {
protected:
    ScriptObjects()
    {
        RegisterFindable(lua.L());
        crate->SetName("crate");
    }
    LogCapture log;
    ScriptState lua;
    OmRef<Findable> crate = OmMakeRef<Findable>();
};

TEST_F(ScriptObjects, FindObjectAnswersALiveObjectOfARegisteredClass)
{
    EXPECT_EQ(lua.Eval("type(FindObject('Findable', 'crate'))"), "userdata");
    // Nothing of that name gives one nil; a class the scripts cannot see fails.
    ASSERT_EQ(lua.Run("a, b = FindObject('Findable', 'barrel'), 5"), 0);
    EXPECT_EQ(lua.Number("b"), 5.0);
    EXPECT_EQ(lua.Run("FindObject('NoSuchClass', 'crate')"), TS_SCRIPT_RUN_ERROR);
    EXPECT_TRUE(log.Contains("could not find registered class of type NoSuchClass"));
}

// An unnamed object prints with an empty name.
TEST_F(ScriptObjects, PrintShowsAnObjectsClassNameAndAddress)
{
    ASSERT_EQ(lua.Run("found = FindObject('Findable', 'crate')"), 0);
    log.Clear();
    ASSERT_EQ(lua.Run("Print(found)"), 0);
    EXPECT_EQ(log.All(), "Findable 'crate': " + Address(crate) + "\n");
    crate->SetName(nullptr);
    log.Clear();
    ASSERT_EQ(lua.Run("Print(found)"), 0);
    EXPECT_EQ(log.All(), "Findable '': " + Address(crate) + "\n");
}

TEST_F(ScriptObjects, TemplatesAndLevelInfoReceiveTheirObjectTaggedWithItsClass)
{
    ASSERT_EQ(lua.Run("function Fill(o) same = (o == FindObject('Findable', 'crate')) and 1 or 0 end\n"
                      "function Check(o) wasNil = (o == nil) and 1 or 0 end\n"
                      "function InitLevelInfo(info, text) got = type(info) .. ':' .. text; return 1 end"),
              0);
    EXPECT_TRUE(TsScriptHost::RunTemplate(lua.L(), "Fill", crate));
    EXPECT_EQ(lua.Number("same"), 1.0);
    EXPECT_FALSE(TsScriptHost::RunTemplate(lua.L(), "NoTemplate", crate));
    // An object of a class without a script side arrives as nil.
    EXPECT_TRUE(TsScriptHost::RunTemplate(lua.L(), "Check", crate, "NotAScriptClass"));
    EXPECT_EQ(lua.Number("wasNil"), 1.0);
    static int info = 0;
    EXPECT_EQ(TsScriptHost::CallInitLevelInfo(lua.L(), &info, "level1"), 0);
    EXPECT_EQ(lua.String("got"), "userdata:level1");
}

} // namespace

OM_IMPLEMENT_CLASS(Findable, OmObject)
