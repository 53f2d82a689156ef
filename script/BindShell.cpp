// The global functions of the developer shell that the package provides.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include <cstdlib>

namespace script::bind {

namespace {

// The machine's domain name, nil when the environment has none.
int GetHostName(lua_State* L)
{
    tolua_Error err;
    if (!IsEnd(L, 1, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("GetHostName"), &err);
    PushString(L, std::getenv("USERDOMAIN"));
    return 1;
}

} // namespace

void ShellGlobals(lua_State* L) { tolua_function(L, "GetHostName", GetHostName); }

} // namespace script::bind
