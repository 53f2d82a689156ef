// The package as a whole: what open registers, the class tree, what close
// leaves behind, and the package inside the game's script host.

#include "tests/script/LuaTestState.h"

#include "game/framework/TsScriptHost.h"
#include "script/GameBindings.h"
#include "script/ScriptPackage.h"
#include "script/ScriptWrap.h"
#include "tests/game/framework/LogCapture.h"

#include <iterator>
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

void Collect(const char* name, void* context)
{
    static_cast<std::set<std::string>*>(context)->insert(name);
}

std::set<std::string> PackageNames()
{
    std::set<std::string> names;
    script::ForEachPackageGlobal(Collect, &names);
    return names;
}

constexpr const char* kClassTables[] = {
    "TsObject", "OmVector3", "TsAccess", "TsOptions", "TsAnimationDB", "TsAudio", "TsEntity",
    "TsEntityDB", "TsModel", "TsDynGeometry", "TsSwitchObject", "TsDoorObject",
    "TsCollectibleObject", "TsFader", "TsCutScene", "OmString", "OmWideString", "TsRadar",
    "TsLevel", "TsLevelInfo", "TsTriggerObject", "TsWaypointObject", "TsTeam", "TsSquadObject",
    "TsInventory", "TsCharacterObject", "TsNPCObject", "TsConversation", "TsBanterObject",
    "TsPCObject", "TsPCStartObject", "TsPlayer", "TsExplosionParams", "TsProjectileAttributes",
    "TsWeaponAttributes", "TsWeaponObject", "TsMineObject", "TsItemObject", "TsStashObject",
    "TsLockObject", "TsLightEffectObject", "TsTargetObject", "TsBoundObject", "TsHUDe", "FileIO",
};

// A distinct address per fake object; tests only push and test tags.
char g_objects[3][64];

} // namespace

TEST_F(LuaTest, OpenPublishesTheDistinctPackageNamesClassTablesAndConstants)
{
    const std::set<std::string> names = PackageNames();
    EXPECT_EQ(names.size(), script::kPackageGlobalCount);
    OpenPackage();
    for (const char* c : kClassTables) {
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

TEST_F(LuaTest, CloseClearsEveryPackageGlobalAndLeavesDofileGone)
{
    const std::set<std::string> before = GlobalNames(L);
    ASSERT_TRUE(before.count("dofile"));
    OpenPackage();
    Run("TsAccess.custom = 1");
    tolua_game_close(L);

    std::set<std::string> expected = before;
    expected.erase("dofile");
    expected.insert("tolua"); // tolua++'s own table stays with the state
    EXPECT_EQ(GlobalNames(L), expected);
    for (const char* name : {"TsAccess", "GetX", "NUM_OF_SOUNDS", "TSANIM_STAND", "ShellWrite",
                             "_ERRORMESSAGE", "FileIO", "TS_ITEMUSAGE_AUTO_USE"})
        EXPECT_EQ(Type(name), "nil") << name;
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

// One object pushed under two types: what tolua++ keeps for each name.
TEST_F(LuaTest, ModeAndLevelShareOneUserdataButRecordsAndFirstFieldsDoNot)
{
    OpenPackage();
    ASSERT_EQ(Run("typeof = tolua.type"), "");
    struct Case {
        const char *first, *second, *firstType, *secondType;
        bool same;
    };
    const Case cases[] = {
        {"TsLevel", "TsGameMode", "TsLevel", "TsLevel", true}, // still a level
        {"TsGameMode", "TsLevel", "TsLevel", "TsLevel", true}, // becomes the level
        {"TsLevelInfo", "OmString", "TsLevelInfo", "OmString", false},
        {"TsExplosionParams", "OmString", "TsExplosionParams", "OmString", false},
        {"TsGameMode", "TsCamera", "TsGameMode", "TsCamera", false},
        {"uint", "OmTuple3", "uint", "OmTuple3", false},
    };
    static char objects[std::size(cases)][64];
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        char* object = objects[&c - cases];
        tolua_pushusertype(L, object, c.first);
        lua_setglobal(L, "a");
        tolua_pushusertype(L, object, c.second);
        lua_setglobal(L, "b");
        EXPECT_EQ(String("typeof(a)"), c.firstType);
        EXPECT_EQ(String("typeof(b)"), c.secondType);
        if (c.same) {
            EXPECT_EQ(Type("a == b or nil"), "boolean");
        }
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

    // The host's close is this followed by lua_close; the host's own
    // globals, registered after the package, go too.
    tolua_game_close(L);
    for (const char* name : {"TsAccess", "OmVector3", "GetX", "dofile", "_ERRORMESSAGE", "ShellWrite",
                             "AID_FACTORY_ALARM", "TS_ITEMUSAGE_AUTO_USE"}) {
        lua_getglobal(L, name);
        EXPECT_TRUE(lua_isnil(L, -1)) << name;
        lua_pop(L, 1);
    }
    lua_close(L);
}
