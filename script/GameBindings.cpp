#include "script/GameBindings.h"

#include "script/ScriptBinders.h"
#include "script/ScriptConstants.h"
#include "script/ScriptPackage.h"
#include "script/ScriptWrap.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "game/framework/TsScriptHandles.h"
#include "game/framework/TsScriptHost.h"

namespace script {

namespace {

using namespace constants;
using bind::Binder;

// Registered before any class, each with its "const" form.
constexpr const char* kUsertypes[] = {
    "TsPlayer", "OmString", "TsLevel", "TsObject", "TsAnimationDB", "TsWeaponObject", "TsHUDe",
    "TsAudio", "TsRadar", "TsSwitchObject", "TCHAR", "TsPCObject", "TsLevelInfo",
    "TsWeaponAttributes", "TsInventory", "TsPCStartObject", "TsDoorObject", "TsConversation",
    "FileIO", "TsLightEffectObject", "TsCamera", "TsLockObject", "TsNPCObject",
    "TsExplosionParams", "TsEntity", "TsMineObject", "TsTargetObject", "TsInput",
    "TsBanterObject", "TsStashObject", "uint", "TsTriggerObject", "TsSquadObject", "TsWorld",
    "OmTuple3", "TsFader", "TsDynGeometry", "TsGameMode", "TsCutScene", "TsCollectibleObject",
    "TsModel", "TsAccess", "TsCharacterObject", "TsTeam", "TsWaypointObject", "TsPathfinder",
    "TsEntityDB", "TsProjectileAttributes", "TsFrontEnd", "TsBoundObject", "OmWideString",
    "OmVector3", "TsItemObject", "TsOptions",
};
static_assert(std::size(kUsertypes) == 54);

// Types scripts only carry around. Each gets a class hierarchy of its own
// (with no global table) so tolua keeps a separate userdata cache for it:
// two types that share a cache re-tag each other's userdata when their
// objects share an address. The front end is a game mode, and so is the
// level (below), so Mode() and Level() agree on one userdata.
// OmObject, the base named for TsObject, gets a usertype here too so the
// object classes have a proper root.
struct HiddenClass {
    const char* name;
    const char* base;
    bool needsUsertype;
    lua_CFunction collector = nullptr;
};
constexpr HiddenClass kHiddenClasses[] = {
    {"OmObject", "", true},
    {"TCHAR", "", false, bind::CollectText}, // text copies handed to scripts
    {"TsCamera", "", false},
    {"TsInput", "", false},
    {"uint", "", false},
    {"TsWorld", "", false},
    {"OmTuple3", "", false},
    {"TsGameMode", "", false},
    {"TsPathfinder", "", false},
    {"TsFrontEnd", "TsGameMode", false},
};

enum class Kind { Class, Functions, Constants };

struct Entry {
    Kind kind;
    const char* name = nullptr;            // class
    const char* base = "";                 // class
    const ConstantList* constants = nullptr; // class-scoped or global
    Binder bind = nullptr;                 // class functions or global functions
    const char* const* globals = nullptr;  // names of a global function group
    std::size_t globalCount = 0;
    lua_CFunction collector = nullptr;     // class
};

constexpr Entry Class(const char* name, const char* base = "", const ConstantList* constants = nullptr,
                      Binder bind = nullptr, lua_CFunction collector = nullptr)
{
    return Entry{Kind::Class, name, base, constants, bind, nullptr, 0, collector};
}

template <std::size_t N>
constexpr Entry Functions(const char* const (&names)[N], Binder bind)
{
    return Entry{Kind::Functions, nullptr, "", nullptr, bind, names, N, nullptr};
}

constexpr Entry Constants(const ConstantList* list)
{
    return Entry{Kind::Constants, nullptr, "", list, nullptr, nullptr, 0, nullptr};
}

constexpr const char* kVectorGlobals[] = {"GetX", "GetY", "GetZ"};
constexpr const char* kExplosionGlobals[] = {"FxGetExplosionType", "FxSetNumExplosionTypes"};
// The error handler, dofile and the shell's debugger functions are served by
// the script host, which registers them right after opening the package
// (replacing the base library's dofile). They are listed here all the same:
// they are the package's names, and close clears them.
constexpr const char* kErrorGlobals[] = {"_ERRORMESSAGE", "dofile"};
constexpr const char* kShellGlobals[] = {
    "GetHostName",        "SwitchShellMode",    "ShellWrite",
    "SetDebugPrompt",     "SetDebugLocals",     "SetDebugSourceWindow",
    "SetDebugStackFrame", "SetDebugBreakpointList", "SetDebugBreakpoint",
};

// The whole package in registration order. A class binder of nullptr means
// none of the class's game operations exists yet: its table still exists,
// with its base and constants, so scripts and derived classes resolve.
const Entry kPackage[] = {
    Class("TsObject", "OmObject", nullptr, bind::TsObjectClass),
    Class("OmVector3", "", nullptr, bind::OmVector3Class, CollectVector),
    Functions(kVectorGlobals, bind::VectorGlobals),
    Class("TsAccess", "", nullptr, bind::TsAccessClass),
    Class("TsOptions", "", nullptr, bind::TsOptionsClass),
    Constants(&kAnimationIds),
    Class("TsAnimationDB", "", nullptr, bind::TsAnimationDBClass),
    Class("TsAudio", "", nullptr, bind::TsAudioClass),
    Constants(&kAudioAndSkillConstants),
    Class("TsEntity", "TsObject", nullptr, bind::TsEntityClass),
    Class("TsEntityDB", "TsObject", nullptr, bind::TsEntityDBClass),
    Class("TsModel", "TsEntity", nullptr, bind::TsModelClass),
    Class("TsDynGeometry", "TsModel", nullptr, bind::TsDynGeometryClass),
    Class("TsSwitchObject", "TsDynGeometry", nullptr, bind::TsSwitchObjectClass),
    Class("TsDoorObject", "TsDynGeometry", &kDoorTypes, bind::TsDoorObjectClass),
    Class("TsCollectibleObject", "TsModel", nullptr, bind::TsCollectibleObjectClass),
    Class("TsFader", "", &kFadePatterns),
    Class("TsCutScene", "", &kCameraProfiles, bind::TsCutSceneClass),
    Class("OmString", "", nullptr, bind::OmStringClass, bind::CollectString),
    Class("OmWideString", "", nullptr, bind::OmWideStringClass, bind::CollectWideString),
    Class("TsRadar", "", nullptr, bind::TsRadarClass),
    Class("TsLevel", "TsGameMode", nullptr, bind::TsLevelClass),
    Class("TsLevelInfo", "", nullptr, bind::TsLevelInfoClass),
    Class("TsTriggerObject", "TsEntity", nullptr, bind::TsTriggerObjectClass),
    Class("TsWaypointObject", "TsEntity", nullptr, bind::TsWaypointObjectClass),
    Class("TsTeam", "TsObject", &kTeamRelations, bind::TsTeamClass),
    Class("TsSquadObject", "TsObject", &kFormations, bind::TsSquadObjectClass),
    Class("TsInventory", "TsObject", nullptr, bind::TsInventoryClass),
    Constants(&kEquipTypes),
    Class("TsCharacterObject", "TsModel", &kCharacterSounds, bind::TsCharacterObjectClass),
    Constants(&kNpcTypes),
    Class("TsNPCObject", "TsCharacterObject", nullptr, bind::TsNPCObjectClass),
    Class("TsConversation", "", nullptr, bind::TsConversationClass),
    Class("TsBanterObject", "TsNPCObject", nullptr, bind::TsBanterObjectClass),
    Class("TsPCObject", "TsCharacterObject", &kPlayerCharacterTypes, bind::TsPCObjectClass),
    Class("TsPCStartObject", "TsEntity", nullptr, bind::TsPCStartObjectClass),
    Class("TsPlayer", "TsObject", &kDisplayModes, bind::TsPlayerClass),
    Class("TsExplosionParams", "", nullptr, bind::TsExplosionParamsClass),
    Functions(kExplosionGlobals, bind::ExplosionGlobals),
    Class("TsProjectileAttributes", "", nullptr, bind::TsProjectileAttributesClass),
    Constants(&kWeaponTypes),
    Class("TsWeaponAttributes", "", nullptr, bind::TsWeaponAttributesClass),
    Class("TsWeaponObject", "TsCollectibleObject", &kWeaponSounds, bind::TsWeaponObjectClass),
    Class("TsMineObject", "TsModel", nullptr, bind::TsMineObjectClass),
    Constants(&kItemUsages),
    Class("TsItemObject", "TsCollectibleObject", &kItemSounds, bind::TsItemObjectClass),
    Class("TsStashObject", "TsModel", nullptr, bind::TsStashObjectClass),
    Class("TsLockObject", "TsEntity", nullptr, bind::TsLockObjectClass),
    Class("TsLightEffectObject", "TsObject", &kLightEffects, bind::TsLightEffectObjectClass),
    Class("TsTargetObject", "TsObject", nullptr, bind::TsTargetObjectClass),
    Class("TsBoundObject", "TsObject", nullptr, bind::TsBoundObjectClass),
    Class("TsHUDe", "", &kHudSprites, bind::TsHUDeClass),
    Functions(kErrorGlobals, nullptr),
    Class("FileIO", "", nullptr, bind::FileIOClass),
    Functions(kShellGlobals, bind::ShellGlobals),
};

void RegisterConstants(lua_State* L, const ConstantList& list)
{
    for (std::size_t i = 0; i < list.count; ++i)
        tolua_constant(L, list.items[i].name, list.items[i].value);
}

void RegisterHiddenClasses(lua_State* L)
{
    // tolua_cclass stores the class into the table on top of the stack; a
    // scratch table keeps these names out of the globals.
    lua_newtable(L);
    for (const HiddenClass& c : kHiddenClasses) {
        if (c.needsUsertype)
            tolua_usertype(L, c.name);
        tolua_cclass(L, c.name, c.name, c.base, c.collector);
    }
    lua_pop(L, 1);
}

void RegisterEntry(lua_State* L, const Entry& e)
{
    switch (e.kind) {
    case Kind::Class:
        tolua_cclass(L, e.name, e.name, e.base, e.collector);
        tolua_beginmodule(L, e.name);
        if (e.constants)
            RegisterConstants(L, *e.constants);
        if (e.bind)
            e.bind(L);
        tolua_endmodule(L);
        break;
    case Kind::Functions:
        if (e.bind)
            e.bind(L);
        break;
    case Kind::Constants:
        RegisterConstants(L, *e.constants);
        break;
    }
}

// Of tolua's own helpers scripts keep only type: the others let a script
// hand a game object to the collector (takeownership), read one object as
// another class or as a class that does not exist (cast, which crashes on
// an unknown name), or bind a game object to a table (inherit, setpeer).
void TrimToluaHelpers(lua_State* L)
{
    lua_getglobal(L, "tolua");
    if (lua_istable(L, -1)) {
        std::vector<std::string> names;
        lua_pushnil(L);
        while (lua_next(L, -2)) {
            if (lua_type(L, -2) == LUA_TSTRING && std::strcmp(lua_tostring(L, -2), "type") != 0)
                names.emplace_back(lua_tostring(L, -2));
            lua_pop(L, 1);
        }
        for (const std::string& name : names) {
            lua_pushnil(L);
            lua_setfield(L, -2, name.c_str());
        }
    }
    lua_pop(L, 1);
}

void ClearGlobal(const char* name, void* context)
{
    lua_State* L = static_cast<lua_State*>(context);
    lua_pushnil(L);
    lua_setglobal(L, name);
}

// The base a class was registered with ("" for a root), or null for a name
// the package does not register.
const char* BaseOf(const char* name)
{
    for (const Entry& e : kPackage) {
        if (e.kind == Kind::Class && std::strcmp(e.name, name) == 0)
            return e.base;
    }
    for (const HiddenClass& c : kHiddenClasses) {
        if (std::strcmp(c.name, name) == 0)
            return c.base;
    }
    return nullptr;
}

// Handles of the pooled, counted classes hold references; the player is
// destroyed outright and the database goes with its level, so their
// handles borrow (and are left null when the object goes).
bool IsCountedClass(const char* name)
{
    if (std::strcmp(name, "TsPlayer") == 0 || std::strcmp(name, "TsEntityDB") == 0)
        return false;
    if (std::strcmp(name, "TsConversation") == 0)
        return true; // a counted object whose script class has no base
    for (const char* at = name; at && *at; at = BaseOf(at)) {
        if (std::strcmp(at, "OmObject") == 0)
            return true;
    }
    return false;
}

void SetUpHandles(lua_State* L)
{
    auto setUp = [L](const char* name) {
        TsScriptHandles::WrapCollector(L, name);
        if (IsCountedClass(name))
            TsScriptHandles::MakeCounted(L, name);
    };
    for (const HiddenClass& c : kHiddenClasses)
        setUp(c.name);
    for (const Entry& e : kPackage) {
        if (e.kind == Kind::Class)
            setUp(e.name);
    }
}

} // namespace

void ForEachPackageGlobal(void (*visit)(const char* name, void* context), void* context)
{
    for (const Entry& e : kPackage) {
        switch (e.kind) {
        case Kind::Class:
            visit(e.name, context);
            break;
        case Kind::Functions:
            for (std::size_t i = 0; i < e.globalCount; ++i)
                visit(e.globals[i], context);
            break;
        case Kind::Constants:
            for (std::size_t i = 0; i < e.constants->count; ++i)
                visit(e.constants->items[i].name, context);
            break;
        }
    }
}

} // namespace script

int tolua_game_open(lua_State* L)
{
    using namespace script;
    ForgetClassCache();
    tolua_open(L);
    for (const char* type : kUsertypes)
        tolua_usertype(L, type);
    RegisterHiddenClasses(L);
    tolua_module(L, nullptr, 0);
    tolua_beginmodule(L, nullptr);
    for (const Entry& e : kPackage)
        RegisterEntry(L, e);
    tolua_endmodule(L);
    TrimToluaHelpers(L);
    SetUpHandles(L);
    return 1;
}

void tolua_game_close(lua_State* L)
{
    script::ForEachPackageGlobal(script::ClearGlobal, L);
}

void DestroyScriptHeldObjects(lua_State* L)
{
    TsScriptHandles::DestroyScriptHeld(L);
}

namespace {

// The host opens every state with the package from the program's start:
// this library is linked whole into every program that has it, and the
// host below it names none of it.
const TsScriptPackage kPackageForHost = {&tolua_game_open, &tolua_game_close, &DestroyScriptHeldObjects};
[[maybe_unused]] const bool kHandedToHost = (TsScriptHost::SetPackage(&kPackageForHost), true);

} // namespace
