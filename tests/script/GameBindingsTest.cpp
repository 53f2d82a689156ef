// The package as a whole: what open registers, the class tree, and the
// package inside the game's script host and what its close leaves behind.

#include "tests/script/LuaTestState.h"

#include "game/framework/TsScriptHost.h"
#include "script/GameBindings.h"
#include "script/ScriptPackage.h"
#include "script/ScriptWrap.h"
#include "tests/game/framework/LogCapture.h"

#include <set>
#include <string>
#include <vector>

namespace {

std::set<std::string> GlobalNames(lua_State* L)
{
    std::set<std::string> names;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX)) {
        if (lua_type(L, -2) == LUA_TSTRING)
            names.insert(lua_tostring(L, -2));
        lua_pop(L, 1);
    }
    return names;
}

std::set<std::string> PackageNames()
{
    std::set<std::string> names;
    script::ForEachPackageGlobal([](const char* name, void* set) { static_cast<std::set<std::string>*>(set)->insert(name); },
                                 &names);
    return names;
}

// A distinct address per fake object; tests only push and test tags.
char g_objects[3][64];

} // namespace

TEST_F(LuaTest, OpenPublishesTheDistinctPackageNamesClassTablesAndConstants)
{
    const std::set<std::string> names = PackageNames();
    EXPECT_EQ(names.size(), script::kPackageGlobalCount);
    OpenPackage();
    // The host's own globals are among the names but come with the host.
    for (const char* c : {"TsObject", "OmVector3", "TsAccess", "TsOptions", "TsCutScene", "TsLevel", "TsPlayer",
                          "TsWeaponObject", "TsHUDe", "FileIO"}) {
        EXPECT_TRUE(names.count(c)) << c;
        EXPECT_EQ(Type(c), "table") << c;
    }
    for (const char* hidden : {"TsGameMode", "TsFrontEnd", "TsInput", "TCHAR", "uint", "OmTuple3"}) {
        EXPECT_FALSE(names.count(hidden)) << hidden;
        EXPECT_EQ(Type(hidden), "nil") << hidden;
    }
    EXPECT_EQ(Number("TSANIM_INVALIDANIM"), 8388607);
    EXPECT_EQ(Number("AID_NOSOUND"), -1);
    EXPECT_EQ(Number("TsHUDe.MAX_SPRITES"), 42);
    // Class constants stay in their class.
    EXPECT_EQ(Type("eDoorType_Pivoting"), "nil");
    EXPECT_EQ(Type("MAX_SPRITES"), "nil");
    EXPECT_EQ(Type("tolua"), "table");
    for (const char* helper : {"tolua.takeownership", "tolua.releaseownership", "tolua.cast", "tolua.inherit",
                               "tolua.setpeer"})
        EXPECT_EQ(Type(helper), "nil") << helper;
    EXPECT_EQ(Type("tolua.type"), "function");
}

TEST_F(LuaTest, DerivedObjectsPassTheirBasesTestsAndUnrelatedOnesFail)
{
    OpenPackage();
    struct Case {
        const char* type;
        std::vector<const char*> passes, fails;
    };
    const Case cases[] = {
        {"TsDoorObject", {"TsDoorObject", "TsDynGeometry", "TsModel", "TsEntity", "TsObject", "const TsModel"},
         {"TsCharacterObject", "TsSwitchObject", "OmVector3", "TsLevel"}},
        {"TsBanterObject", {"TsCharacterObject"}, {"TsPCObject"}},
        {"TsFrontEnd", {"TsGameMode"}, {}}, // the front end is a game mode too
    };
    int slot = 0;
    tolua_Error err;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        tolua_pushusertype(L, g_objects[slot++], c.type);
        for (const char* base : c.passes)
            EXPECT_TRUE(script::IsObject(L, -1, base, script::NilArg::Reject, &err)) << base;
        for (const char* other : c.fails)
            EXPECT_FALSE(script::IsObject(L, -1, other, script::NilArg::Reject, &err)) << other;
        lua_pop(L, 1);
    }
}

TEST(HostBindings, WrapperErrorsInNestedCallsAreLoggedAndCloseLeavesNoPackageGlobal)
{
    LogCapture log;
    lua_State* L = TsScriptHost::OpenLua();
    ASSERT_NE(L, nullptr);
    const char* script = "function inner() return GetX(5) end\n"
                         "function outer() return inner() + 1 end\n"
                         "outer()";
    EXPECT_NE(TsScriptHost::DoString(L, script), TS_SCRIPT_OK);
    EXPECT_TRUE(log.Contains("error in function 'GetX'.")) << log.All();
    log.Clear();
    // The state lives on.
    EXPECT_EQ(TsScriptHost::DoString(L, "TsAccess:Options():SetGamma(1.5)"), TS_SCRIPT_OK);
    EXPECT_NE(TsScriptHost::DoString(L, "TsAccess:Options():SetGamma()"), TS_SCRIPT_OK);
    EXPECT_TRUE(log.Contains("error in function 'SetGamma'.")) << log.All();
    TsScriptHost::DoString(L, "TsAccess:Options():SetGamma(1.0)");

    // The host's close is this followed by lua_close: every package global
    // goes, the host's own registered after the package too, and dofile;
    // tolua++'s own table and the base library stay with the state.
    const std::set<std::string> before = GlobalNames(L);
    TsScriptHost::DoString(L, "TsAccess.custom = 1");
    tolua_game_close(L);
    std::set<std::string> left = GlobalNames(L);
    for (const char* name : {"TsAccess", "OmVector3", "GetX", "dofile", "_ERRORMESSAGE", "ShellWrite", "FileIO",
                             "AID_FACTORY_ALARM", "TS_ITEMUSAGE_AUTO_USE", "NUM_OF_SOUNDS", "TSANIM_STAND"})
        EXPECT_FALSE(left.count(name)) << name;
    for (const std::string& name : PackageNames())
        EXPECT_FALSE(left.count(name)) << name;
    EXPECT_TRUE(left.count("tolua") && left.count("print") && left.count("string"));
    EXPECT_LT(left.size(), before.size());
    lua_close(L);
}
