// The package inside the game's script host: wrapper errors raised deep in
// script calls reach the log, and the host's close clears the package.

#include "game/framework/TsScriptHost.h"
#include "script/GameBindings.h"
#include "tests/game/framework/LogCapture.h"

#include <gtest/gtest.h>
#include <lua.hpp>

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
