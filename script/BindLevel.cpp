// The level mode and its mission record for scripts. Level scripts create
// levels with new (the developer's conversion tools), and mission scripts
// fill the level info through TsAccess.LevelInfo().

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptVariables.h"
#include "script/ScriptWrap.h"

#include "engine/OmString.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLog.h"
#include "game/level/TsLevel.h"


namespace script::bind {

namespace {

constexpr const char* kLevel = "TsLevel";

void* CreateLevel() { return new TsLevel; }
void DestroyLevel(void* level) { delete static_cast<TsLevel*>(level); }

int New(lua_State* L) { return NewObject(L, kLevel, OM_TYPE_ERROR("new"), CreateLevel, DestroyLevel); }

// The level the game is playing (or whose LuaTick is running) is not the
// script's to delete, even one the script made: the tick would go on in
// freed memory.
int Delete(lua_State* L)
{
    tolua_Error err;
    if (IsSelf(L, kLevel, &err) && IsEnd(L, 2, &err)) {
        const TsLevel* level = ToObject<TsLevel>(L, 1);
        if (level && (level->IsInUse() || level->IsInLuaTick())) {
            LogError("TsLevel:delete: refused: the level is being played");
            return 0;
        }
    }
    return DeleteObject(L, kLevel, OM_TYPE_ERROR("delete"), OM_SELF_ERROR("delete"), DestroyLevel);
}

// Self and one argument tested by `test` at position 2.
template <class Test>
TsLevel* SelfAnd(lua_State* L, Test test, const char* typeError, const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, kLevel, &err) || !test(L, 2, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, typeError, &err);
    TsLevel* self = ToObject<TsLevel>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

bool TestBool(lua_State* L, int lo, tolua_Error* err) { return IsBool(L, lo, err); }
bool TestString(lua_State* L, int lo, tolua_Error* err) { return IsString(L, lo, NilArg::Reject, err); }

TsLevel* Self(lua_State* L, const char* typeError, const char* selfError)
{
    return SelfOnly<TsLevel>(L, kLevel, typeError, selfError);
}

int ActivateIngameFrontEnd(lua_State* L)
{
    SelfAnd(L, TestBool, OM_TYPE_ERROR("ActivateIngameFrontEnd"), OM_SELF_ERROR("ActivateIngameFrontEnd"))
        ->ActivateIngameFrontEnd(ToBool(L, 2));
    return 0;
}

int Pause(lua_State* L)
{
    SelfAnd(L, TestBool, OM_TYPE_ERROR("Pause"), OM_SELF_ERROR("Pause"))->Pause(ToBool(L, 2));
    return 0;
}

int GameIsInNormalState(lua_State* L)
{
    PushBool(L, Self(L, OM_TYPE_ERROR("GameIsInNormalState"), OM_SELF_ERROR("GameIsInNormalState"))
                    ->GameIsInNormalState());
    return 1;
}

int ImportWorld(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kLevel, &err) || !IsString(L, 2, NilArg::Reject, &err) ||
        !IsString(L, 3, NilArg::Reject, &err) || !IsNumber(L, 4, &err) || !IsBool(L, 5, &err) ||
        !IsNumber(L, 6, &err) || !IsNumber(L, 7, &err) || !IsBool(L, 8, &err) || !IsEnd(L, 9, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("ImportWorld"), &err);
    TsLevel* self = ToObject<TsLevel>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("ImportWorld"));
    PushBool(L, self->ImportWorld(ToString(L, 2), ToString(L, 3), ToFloat(L, 4), ToBool(L, 5), ToFloat(L, 6),
                                  ToFloat(L, 7), ToBool(L, 8)));
    return 1;
}

int MakeDetectionMap(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kLevel, &err) || !IsString(L, 2, NilArg::Reject, &err) ||
        !IsString(L, 3, NilArg::Reject, &err) || !IsEnd(L, 4, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("MakeDetectionMap"), &err);
    TsLevel* self = ToObject<TsLevel>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("MakeDetectionMap"));
    PushBool(L, self->MakeDetectionMap(ToString(L, 2), ToString(L, 3)));
    return 1;
}

int MakeHeightMap(lua_State* L)
{
    PushBool(L, SelfAnd(L, TestString, OM_TYPE_ERROR("MakeHeightMap"), OM_SELF_ERROR("MakeHeightMap"))
                    ->MakeHeightMap(ToString(L, 2)));
    return 1;
}

int GetCutScene(lua_State* L)
{
    PushObject(L, Self(L, OM_TYPE_ERROR("GetCutScene"), OM_SELF_ERROR("GetCutScene"))->GetCutScene(),
               "TsCutScene");
    return 1;
}

int SetPlayerLockout(lua_State* L)
{
    SelfAnd(L, TestBool, OM_TYPE_ERROR("SetPlayerLockout"), OM_SELF_ERROR("SetPlayerLockout"))
        ->SetPlayerLockout(ToBool(L, 2));
    return 0;
}

int GetPlayerLockout(lua_State* L)
{
    PushBool(L,
             Self(L, OM_TYPE_ERROR("GetPlayerLockout"), OM_SELF_ERROR("GetPlayerLockout"))->GetPlayerLockout());
    return 1;
}

// A level built by its scripts has no other way to let its conversations
// take the camera: the flag is otherwise only read back from a saved level.
int SetConversationCamera(lua_State* L)
{
    SelfAnd(L, TestBool, OM_TYPE_ERROR("SetConversationCamera"), OM_SELF_ERROR("SetConversationCamera"))
        ->SetConversationCamera(ToBool(L, 2));
    return 0;
}

int LoadWorld(lua_State* L)
{
    PushBool(L, SelfAnd(L, TestString, OM_TYPE_ERROR("LoadWorld"), OM_SELF_ERROR("LoadWorld"))
                    ->LoadWorld(ToString(L, 2)));
    return 1;
}

int SaveWorld(lua_State* L)
{
    PushBool(L, SelfAnd(L, TestString, OM_TYPE_ERROR("SaveWorld"), OM_SELF_ERROR("SaveWorld"))
                    ->SaveWorld(ToString(L, 2)));
    return 1;
}

int Import(lua_State* L)
{
    PushBool(L, Self(L, OM_TYPE_ERROR("Import"), OM_SELF_ERROR("Import"))->Import());
    return 1;
}

int Initialise(lua_State* L)
{
    PushBool(L, Self(L, OM_TYPE_ERROR("Initialise"), OM_SELF_ERROR("Initialise"))->Initialise());
    return 1;
}

int BeginConvert(lua_State* L)
{
    // The application borrows the level until EndConvert: it stays the
    // script's to delete afterwards (delete refuses it while converting).
    Self(L, OM_TYPE_ERROR("BeginConvert"), OM_SELF_ERROR("BeginConvert"))->BeginConvert();
    return 0;
}

int EndConvert(lua_State* L)
{
    Self(L, OM_TYPE_ERROR("EndConvert"), OM_SELF_ERROR("EndConvert"))->EndConvert();
    return 0;
}

int DebugLevel(lua_State* L)
{
    Self(L, OM_TYPE_ERROR("DebugLevel"), OM_SELF_ERROR("DebugLevel"))->DebugLevel();
    return 0;
}

int GetIncidentalConversation(lua_State* L)
{
    PushObject(L,
               Self(L, OM_TYPE_ERROR("GetIncidentalConversation"), OM_SELF_ERROR("GetIncidentalConversation"))
                   ->GetIncidentalConversation(),
               "TsConversation");
    return 1;
}

// ---- level info variables ----

#define OM_INFO_SELF(var) constexpr char k_##var[] = OM_VAR_SELF_ERROR(#var);
OM_INFO_SELF(missionName)
OM_INFO_SELF(levelName)
OM_INFO_SELF(levelPath)
OM_INFO_SELF(missionDisplayStringID)
OM_INFO_SELF(worldFilename)
OM_INFO_SELF(luaEntityFilename)
OM_INFO_SELF(luaMissionFilename)
OM_INFO_SELF(musicName)
OM_INFO_SELF(iActNumber)
OM_INFO_SELF(fmvName)
OM_INFO_SELF(exitTextStringIDs)
OM_INFO_SELF(missionObjectiveID)
OM_INFO_SELF(missionHintID)
OM_INFO_SELF(bIsTown)
OM_INFO_SELF(bIsSneakLevel)
#undef OM_INFO_SELF

#define OM_STRING_VAR(var)                                                       \
    tolua_variable(L, #var, GetOmStringVar<TsLevelInfo, &TsLevelInfo::var, k_##var>, \
                   SetOmStringVar<TsLevelInfo, &TsLevelInfo::var, k_##var>)
#define OM_NUMBER_VAR(var)                                                    \
    tolua_variable(L, #var, GetNumberVar<TsLevelInfo, &TsLevelInfo::var, k_##var>, \
                   SetNumberVar<TsLevelInfo, &TsLevelInfo::var, k_##var>)
#define OM_FLAG_VAR(var)                                                    \
    tolua_variable(L, #var, GetFlagVar<TsLevelInfo, &TsLevelInfo::var, k_##var>, \
                   SetFlagVar<TsLevelInfo, &TsLevelInfo::var, k_##var>)

} // namespace

void TsLevelClass(lua_State* L)
{
    tolua_function(L, "new", New);
    tolua_function(L, "delete", Delete);
    tolua_function(L, "ActivateIngameFrontEnd", ActivateIngameFrontEnd);
    tolua_function(L, "Pause", Pause);
    tolua_function(L, "GameIsInNormalState", GameIsInNormalState);
    tolua_function(L, "ImportWorld", ImportWorld);
    tolua_function(L, "MakeDetectionMap", MakeDetectionMap);
    tolua_function(L, "MakeHeightMap", MakeHeightMap);
    tolua_function(L, "GetCutScene", GetCutScene);
    tolua_function(L, "SetPlayerLockout", SetPlayerLockout);
    tolua_function(L, "GetPlayerLockout", GetPlayerLockout);
    tolua_function(L, "SetConversationCamera", SetConversationCamera);
    tolua_function(L, "LoadWorld", LoadWorld);
    tolua_function(L, "SaveWorld", SaveWorld);
    tolua_function(L, "Import", Import);
    tolua_function(L, "Initialise", Initialise);
    tolua_function(L, "BeginConvert", BeginConvert);
    tolua_function(L, "EndConvert", EndConvert);
    tolua_function(L, "DebugLevel", DebugLevel);
    tolua_function(L, "GetIncidentalConversation", GetIncidentalConversation);
}

void TsLevelInfoClass(lua_State* L)
{
    OM_STRING_VAR(missionName);
    OM_STRING_VAR(levelName);
    OM_STRING_VAR(levelPath);
    OM_NUMBER_VAR(missionDisplayStringID);
    OM_STRING_VAR(worldFilename);
    OM_STRING_VAR(luaEntityFilename);
    OM_STRING_VAR(luaMissionFilename);
    OM_STRING_VAR(musicName);
    OM_NUMBER_VAR(iActNumber);
    OM_STRING_VAR(fmvName);
    tolua_variable(L, "exitTextStringIDs",
                   GetIntArrayVar<TsLevelInfo, &TsLevelInfo::exitTextStringIDs, k_exitTextStringIDs>, nullptr);
    OM_NUMBER_VAR(missionObjectiveID);
    OM_NUMBER_VAR(missionHintID);
    OM_FLAG_VAR(bIsTown);
    OM_FLAG_VAR(bIsSneakLevel);
}

#undef OM_STRING_VAR
#undef OM_NUMBER_VAR
#undef OM_FLAG_VAR

} // namespace script::bind
