// The developer shell's functions that work on the level itself: the
// level's debug switches and building an empty level for the tools.
#include "game/framework/TsShellFunctions.h"

#include <lua.hpp>

#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/level/TsLevel.h"

namespace TsShellFunctions {

int LevelSwitch(lua_State* L)
{
    TsLevel* level = TsAccess::CurrentLevel();
    if (!level) {
        LogErrorF("%s: no level is loaded", lua_tostring(L, lua_upvalueindex(1)));
        return 0;
    }
    level->ToggleDebugSwitch(static_cast<int>(lua_tointeger(L, lua_upvalueindex(2))));
    return 0;
}

// A level being played (or inside its own LuaTick) is never replaced under
// the running game: the request is refused and logged.
int CreateLevel(lua_State*)
{
    TsMain* app = TsMain::Instance();
    if (!app) {
        LogError("CreateLevel: there is no application to hold a level");
        return 0;
    }
    TsGameMode* old = app->GetLevel();
    if (old && (old == app->GetMode() || (TsLevel::Cast(old) && TsLevel::Cast(old)->IsInLuaTick()))) {
        LogError("CreateLevel: refused: the level is being played; leave it first");
        return 0;
    }
    app->ReplaceLevel(new TsLevel);
    return 0;
}

} // namespace TsShellFunctions
