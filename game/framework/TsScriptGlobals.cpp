#include "game/framework/TsScriptGlobals.h"

#include <lua.hpp>
#include <tolua++.h>

#include "engine/OmClass.h"
#include "engine/OmObject.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"

namespace {

bool HasScriptType(lua_State* L, const char* name)
{
    luaL_getmetatable(L, name);
    const bool known = lua_istable(L, -1);
    lua_pop(L, 1);
    return known;
}

struct GlobalRequest {
    OmObject* object;
    const char* type;
    bool nullValues = false;
};

// Runs under lua_cpcall: a script may give _G metamethods that raise.
int PublishEntry(lua_State* L)
{
    auto* request = static_cast<GlobalRequest*>(lua_touserdata(L, 1));
    TsScriptHandles::Push(L, request->object, request->type);
    lua_setfield(L, LUA_GLOBALSINDEX, request->object->GetName());
    return 0;
}

int ForgetEntry(lua_State* L)
{
    auto* request = static_cast<GlobalRequest*>(lua_touserdata(L, 1));
    OmObject* object = request->object;
    const char* name = object->GetName();
    if (name && *name) {
        lua_getfield(L, LUA_GLOBALSINDEX, name);
        if (lua_type(L, -1) == LUA_TUSERDATA && *static_cast<void**>(lua_touserdata(L, -1)) == object) {
            lua_pushnil(L);
            lua_setfield(L, LUA_GLOBALSINDEX, name);
        }
        lua_pop(L, 1);
    }
    if (request->nullValues)
        TsScriptHandles::KillObject(L, object, request->type);
    return 0;
}

bool RunProtected(lua_State* L, lua_CFunction entry, GlobalRequest& request)
{
    const int top = lua_gettop(L);
    const int code = lua_cpcall(L, entry, &request);
    if (code != 0) {
        const char* why = lua_tostring(L, -1);
        LogErrorF("Script global '%s': %s", request.object->NameOrEmpty(),
                  why ? why : "script error");
    }
    lua_settop(L, top);
    return code == 0;
}

} // namespace

const char* TsScriptGlobals::ScriptTypeOf(lua_State* L, const OmObject* object)
{
    if (!L || !object)
        return nullptr;
    for (const OmClass* cls = object->GetClass(); cls; cls = cls->parent) {
        if (cls->name && HasScriptType(L, cls->name))
            return cls->name;
    }
    return nullptr;
}

bool TsScriptGlobals::Publish(lua_State* L, OmObject* object)
{
    if (!L || !object)
        return false;
    const char* name = object->GetName();
    if (!name || !*name)
        return false;
    GlobalRequest request{object, ScriptTypeOf(L, object)};
    if (!request.type) {
        LogErrorF("Script global '%s': no script type for class %s or its bases", name,
                  object->GetClass()->name);
        return false;
    }
    return RunProtected(L, &PublishEntry, request);
}

void TsScriptGlobals::Unpublish(lua_State* L, OmObject* object)
{
    if (!L || !object)
        return;
    GlobalRequest request{object, ScriptTypeOf(L, object), false};
    if (request.type)
        RunProtected(L, &ForgetEntry, request);
}

void TsScriptGlobals::Forget(lua_State* L, OmObject* object)
{
    if (!L || !object)
        return;
    GlobalRequest request{object, ScriptTypeOf(L, object), true};
    if (request.type)
        RunProtected(L, &ForgetEntry, request);
}
