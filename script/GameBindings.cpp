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

// What a script's handle of a class's objects holds (see TsScriptHandles):
// a counted handle holds a reference of its own, as the pooled, counted
// classes are released rather than destroyed; a borrowed one holds nothing,
// and is left null when its object, destroyed outright, goes.
enum class Handle { Borrowed, Counted };
constexpr Handle kBorrowed = Handle::Borrowed;
constexpr Handle kCounted = Handle::Counted;

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
    Handle handle;
    bool needsUsertype;
    lua_CFunction collector = nullptr;
};
constexpr HiddenClass kHiddenClasses[] = {
    {"OmObject", "", kCounted, true},
    {"TCHAR", "", kBorrowed, false, bind::CollectText}, // text copies handed to scripts
    {"TsCamera", "", kBorrowed, false},
    {"TsInput", "", kBorrowed, false},
    {"uint", "", kBorrowed, false},
    {"TsWorld", "", kBorrowed, false},
    {"OmTuple3", "", kBorrowed, false},
    {"TsGameMode", "", kBorrowed, false},
    {"TsPathfinder", "", kBorrowed, false},
    {"TsFrontEnd", "TsGameMode", kBorrowed, false},
};

enum class Kind { Class, Functions, Constants };

struct Entry {
    Kind kind;
    const char* name = nullptr;            // class
    const char* base = "";                 // class
    Handle handle = kBorrowed;             // class
    const ConstantList* constants = nullptr; // class-scoped or global
    Binder bind = nullptr;                 // class functions or global functions
    const char* const* globals = nullptr;  // names of a global function group
    std::size_t globalCount = 0;
    lua_CFunction collector = nullptr;     // class
};

constexpr Entry Class(const char* name, const char* base, Handle handle, const ConstantList* constants = nullptr,
                      Binder bind = nullptr, lua_CFunction collector = nullptr)
{
    return Entry{Kind::Class, name, base, handle, constants, bind, nullptr, 0, collector};
}

template <std::size_t N>
constexpr Entry Functions(const char* const (&names)[N], Binder bind)
{
    return Entry{Kind::Functions, nullptr, "", kBorrowed, nullptr, bind, names, N, nullptr};
}

constexpr Entry Constants(const ConstantList* list)
{
    return Entry{Kind::Constants, nullptr, "", kBorrowed, list, nullptr, nullptr, 0, nullptr};
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

// The whole package in registration order. Each class says whether its
// handles are counted or borrowed. A class binder of nullptr means
// none of the class's game operations exists yet: its table still exists,
// with its base and constants, so scripts and derived classes resolve.
const Entry kPackage[] = {
    Class("TsObject", "OmObject", kCounted, nullptr, bind::TsObjectClass),
    Class("OmVector3", "", kBorrowed, nullptr, bind::OmVector3Class, CollectVector),
    Functions(kVectorGlobals, bind::VectorGlobals),
    Class("TsAccess", "", kBorrowed, nullptr, bind::TsAccessClass),
    Class("TsOptions", "", kBorrowed, nullptr, bind::TsOptionsClass),
    Constants(&kAnimationIds),
    Class("TsAnimationDB", "", kBorrowed, nullptr, bind::TsAnimationDBClass),
    Class("TsAudio", "", kBorrowed, nullptr, bind::TsAudioClass),
    Constants(&kAudioAndSkillConstants),
    Class("TsEntity", "TsObject", kCounted, nullptr, bind::TsEntityClass),
    Class("TsEntityDB", "TsObject", kBorrowed, nullptr, bind::TsEntityDBClass), // goes with its level
    Class("TsModel", "TsEntity", kCounted, nullptr, bind::TsModelClass),
    Class("TsDynGeometry", "TsModel", kCounted, nullptr, bind::TsDynGeometryClass),
    Class("TsSwitchObject", "TsDynGeometry", kCounted, nullptr, bind::TsSwitchObjectClass),
    Class("TsDoorObject", "TsDynGeometry", kCounted, &kDoorTypes, bind::TsDoorObjectClass),
    Class("TsCollectibleObject", "TsModel", kCounted, nullptr, bind::TsCollectibleObjectClass),
    Class("TsFader", "", kBorrowed, &kFadePatterns),
    Class("TsCutScene", "", kBorrowed, &kCameraProfiles, bind::TsCutSceneClass),
    Class("OmString", "", kBorrowed, nullptr, bind::OmStringClass, bind::CollectString),
    Class("OmWideString", "", kBorrowed, nullptr, bind::OmWideStringClass, bind::CollectWideString),
    Class("TsRadar", "", kBorrowed, nullptr, bind::TsRadarClass),
    Class("TsLevel", "TsGameMode", kBorrowed, nullptr, bind::TsLevelClass),
    Class("TsLevelInfo", "", kBorrowed, nullptr, bind::TsLevelInfoClass),
    Class("TsTriggerObject", "TsEntity", kCounted, nullptr, bind::TsTriggerObjectClass),
    Class("TsWaypointObject", "TsEntity", kCounted, nullptr, bind::TsWaypointObjectClass),
    Class("TsTeam", "TsObject", kCounted, &kTeamRelations, bind::TsTeamClass),
    Class("TsSquadObject", "TsObject", kCounted, &kFormations, bind::TsSquadObjectClass),
    Class("TsInventory", "TsObject", kCounted, nullptr, bind::TsInventoryClass),
    Constants(&kEquipTypes),
    Class("TsCharacterObject", "TsModel", kCounted, &kCharacterSounds, bind::TsCharacterObjectClass),
    Constants(&kNpcTypes),
    Class("TsNPCObject", "TsCharacterObject", kCounted, nullptr, bind::TsNPCObjectClass),
    Class("TsConversation", "", kCounted, nullptr, bind::TsConversationClass),
    Class("TsBanterObject", "TsNPCObject", kCounted, nullptr, bind::TsBanterObjectClass),
    Class("TsPCObject", "TsCharacterObject", kCounted, &kPlayerCharacterTypes, bind::TsPCObjectClass),
    Class("TsPCStartObject", "TsEntity", kCounted, nullptr, bind::TsPCStartObjectClass),
    Class("TsPlayer", "TsObject", kBorrowed, &kDisplayModes, bind::TsPlayerClass), // destroyed outright
    Class("TsExplosionParams", "", kBorrowed, nullptr, bind::TsExplosionParamsClass),
    Functions(kExplosionGlobals, bind::ExplosionGlobals),
    Class("TsProjectileAttributes", "", kBorrowed, nullptr, bind::TsProjectileAttributesClass),
    Constants(&kWeaponTypes),
    Class("TsWeaponAttributes", "", kBorrowed, nullptr, bind::TsWeaponAttributesClass),
    Class("TsWeaponObject", "TsCollectibleObject", kCounted, &kWeaponSounds, bind::TsWeaponObjectClass),
    Class("TsMineObject", "TsModel", kCounted, nullptr, bind::TsMineObjectClass),
    Constants(&kItemUsages),
    Class("TsItemObject", "TsCollectibleObject", kCounted, &kItemSounds, bind::TsItemObjectClass),
    Class("TsStashObject", "TsModel", kCounted, nullptr, bind::TsStashObjectClass),
    Class("TsLockObject", "TsEntity", kCounted, nullptr, bind::TsLockObjectClass),
    Class("TsLightEffectObject", "TsObject", kCounted, &kLightEffects, bind::TsLightEffectObjectClass),
    Class("TsTargetObject", "TsObject", kCounted, nullptr, bind::TsTargetObjectClass),
    Class("TsBoundObject", "TsObject", kCounted, nullptr, bind::TsBoundObjectClass),
    Class("TsHUDe", "", kBorrowed, &kHudSprites, bind::TsHUDeClass),
    Functions(kErrorGlobals, nullptr),
    Class("FileIO", "", kBorrowed, nullptr, bind::FileIOClass),
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

void SetUpHandles(lua_State* L)
{
    auto setUp = [L](const char* name, Handle handle) {
        TsScriptHandles::WrapCollector(L, name);
        if (handle == kCounted)
            TsScriptHandles::MakeCounted(L, name);
    };
    for (const HiddenClass& c : kHiddenClasses)
        setUp(c.name, c.handle);
    for (const Entry& e : kPackage) {
        if (e.kind == Kind::Class)
            setUp(e.name, e.handle);
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

namespace {

// The host opens every state with the package from the program's start:
// this library is linked whole into every program that has it, and the
// host below it names none of it.
const TsScriptPackage kPackageForHost = {&tolua_game_open, &tolua_game_close, &TsScriptHandles::DestroyScriptHeld};
[[maybe_unused]] const bool kHandedToHost = (TsScriptHost::SetPackage(&kPackageForHost), true);

} // namespace
