// The package inside the game's script host, and what its close leaves
// behind.

#include <gtest/gtest.h>

#include "game/framework/TsScriptHost.h"
#include "script/GameBindings.h"
#include "script/ScriptPackage.h"
#include "tests/fuzz/BindingFuzz.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScriptState.h"

#include <set>
#include <string>

namespace {

std::set<std::string> PackageNames()
{
    std::set<std::string> names;
    script::ForEachPackageGlobal([](const char* name, void* set) { static_cast<std::set<std::string>*>(set)->insert(name); },
                                 &names);
    return names;
}

} // namespace

TEST(HostBindings, TheBindingsCloseLeavesNoPackageGlobal)
{
    LogCapture log;
    const ScriptState lua;
    lua_State* L = lua.L();
    ASSERT_NE(L, nullptr);
    // The host's close is this followed by lua_close: every package global
    // goes, the host's own registered after the package too, and dofile;
    // tolua++'s own table and the base library stay with the state.
    const std::set<std::string> before = bindingfuzz::GlobalNames(L);
    TsScriptHost::DoString(L, "TsAccess.custom = 1");
    tolua_game_close(L);
    std::set<std::string> left = bindingfuzz::GlobalNames(L);
    for (const char* name : {"TsAccess", "OmVector3", "GetX", "dofile", "_ERRORMESSAGE", "ShellWrite", "FileIO",
                             "AID_FACTORY_ALARM", "TS_ITEMUSAGE_AUTO_USE", "NUM_OF_SOUNDS", "TSANIM_STAND"})
        EXPECT_FALSE(left.count(name)) << name;
    for (const std::string& name : PackageNames())
        EXPECT_FALSE(left.count(name)) << name;
    EXPECT_TRUE(left.count("tolua") && left.count("print") && left.count("string"));
    EXPECT_LT(left.size(), before.size());
}
