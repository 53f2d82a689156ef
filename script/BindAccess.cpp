// TsAccess for scripts: static functions that reach the game's single
// objects. They ignore position 1, so scripts call them with a colon on the
// class table or, without arguments, with a dot.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsAccess.h"

namespace script::bind {

namespace {

// The object accessors: no argument, the object with its class's tag (nil
// when the game has none, e.g. level objects outside a level).
#define OM_ACCESS_OBJECT(Name, Tag)                                                              \
    int Name(lua_State* L)                                                                       \
    {                                                                                            \
        NoArgs(L, OM_TYPE_ERROR(#Name));                                                         \
        PushObject(L, TsAccess::Name(), Tag);                                                    \
        return 1;                                                                                \
    }

#define OM_ACCESS_NUMBER(Name)                                                                   \
    int Name(lua_State* L)                                                                       \
    {                                                                                            \
        NoArgs(L, OM_TYPE_ERROR(#Name));                                                         \
        PushNumber(L, TsAccess::Name());                                                         \
        return 1;                                                                                \
    }

OM_ACCESS_OBJECT(CutScene, "TsCutScene")
OM_ACCESS_OBJECT(Radar, "TsRadar")
OM_ACCESS_OBJECT(EntityDB, "TsEntityDB")
OM_ACCESS_OBJECT(Mode, "TsGameMode")
OM_ACCESS_OBJECT(Level, "TsLevel")
OM_ACCESS_OBJECT(FrontEnd, "TsFrontEnd")
OM_ACCESS_OBJECT(AnimDB, "TsAnimationDB")
OM_ACCESS_OBJECT(Input, "TsInput")
OM_ACCESS_OBJECT(Audio, "TsAudio")
OM_ACCESS_NUMBER(FrameDelta)
OM_ACCESS_NUMBER(TickDuration)
OM_ACCESS_NUMBER(TicksPerSecond)
OM_ACCESS_NUMBER(ScreenWidth)
OM_ACCESS_NUMBER(ScreenHeight)
OM_ACCESS_OBJECT(LevelInfo, "TsLevelInfo")
OM_ACCESS_OBJECT(LocalPlayer, "TsPlayer")
OM_ACCESS_OBJECT(CurrentCharacter, "TsPCObject")
OM_ACCESS_OBJECT(HUDe, "TsHUDe")
OM_ACCESS_OBJECT(World, "TsWorld")
OM_ACCESS_OBJECT(Pathfinder, "TsPathfinder")
OM_ACCESS_OBJECT(CameraHelper, "TsCamera")
OM_ACCESS_OBJECT(Conversation, "TsConversation")
OM_ACCESS_OBJECT(Options, "TsOptions")

#undef OM_ACCESS_OBJECT
#undef OM_ACCESS_NUMBER

// The tutorial lives in the level's in-game menu: without a level there is
// nothing to show, and the script is told so with nil.
bool HaveLevel() { return TsAccess::CurrentLevel() != nullptr; }

// The text is required but not used.
int TutorialDialog(lua_State* L)
{
    tolua_Error err;
    if (!IsString(L, 2, NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("TutorialDialog"), &err);
    const bool run = HaveLevel();
    if (run)
        TsAccess::TutorialDialog();
    PushBool(L, run);
    return 1;
}

int StartTutorialDialog(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("StartTutorialDialog"), &err);
    const bool run = HaveLevel();
    if (run)
        TsAccess::StartTutorialDialog(ToInt(L, 2));
    PushBool(L, run);
    return 1;
}

// A negative fragment index can never address the dialog's list; the list
// itself refuses indices past its size.
int TutorialDialogAddFragment(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsNumber(L, 3, &err) || !IsEnd(L, 4, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("TutorialDialogAddFragment"), &err);
    const int index = ToInt(L, 3);
    const bool run = HaveLevel() && index >= 0;
    if (run)
        TsAccess::TutorialDialogAddFragment(ToInt(L, 2), index);
    PushBool(L, run);
    return 1;
}

int SetTutorialDialogExitScript(lua_State* L)
{
    tolua_Error err;
    if (!IsString(L, 2, NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("SetTutorialDialogExitScript"), &err);
    if (HaveLevel())
        TsAccess::SetTutorialDialogExitScript(ToString(L, 2));
    return 0;
}

int GetExitMovie(lua_State* L)
{
    NoArgs(L, OM_TYPE_ERROR("GetExitMovie"));
    PushString(L, TsAccess::GetExitMovie());
    return 1;
}

int SetExitMovie(lua_State* L)
{
    tolua_Error err;
    if (!IsString(L, 2, NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("SetExitMovie"), &err);
    TsAccess::SetExitMovie(ToString(L, 2));
    return 0;
}

// GetDialogDisplayString is registered twice: the wide form first, then the
// plain form, which replaces it in the table. Both test the same argument;
// when the plain form's tests fail it hands the call to the wide form, which
// tests again and reports the error. The holder is a copy owned by Lua.
int GetDialogDisplayStringWide(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("GetDialogDisplayString"), &err);
    PushHolderCopy(L, TsAccess::GetDialogDisplayString(ToInt(L, 2)), true);
    return 1;
}

int GetDialogDisplayString(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsEnd(L, 3, &err))
        return GetDialogDisplayStringWide(L);
    PushHolderCopy(L, TsAccess::GetDialogDisplayString(ToInt(L, 2)), false);
    return 1;
}

} // namespace

void TsAccessClass(lua_State* L)
{
    tolua_function(L, "CutScene", CutScene);
    tolua_function(L, "Radar", Radar);
    tolua_function(L, "EntityDB", EntityDB);
    tolua_function(L, "Mode", Mode);
    tolua_function(L, "Level", Level);
    tolua_function(L, "FrontEnd", FrontEnd);
    tolua_function(L, "AnimDB", AnimDB);
    tolua_function(L, "Input", Input);
    tolua_function(L, "Audio", Audio);
    tolua_function(L, "FrameDelta", FrameDelta);
    tolua_function(L, "TickDuration", TickDuration);
    tolua_function(L, "TicksPerSecond", TicksPerSecond);
    tolua_function(L, "ScreenWidth", ScreenWidth);
    tolua_function(L, "ScreenHeight", ScreenHeight);
    tolua_function(L, "LevelInfo", LevelInfo);
    tolua_function(L, "LocalPlayer", LocalPlayer);
    tolua_function(L, "CurrentCharacter", CurrentCharacter);
    tolua_function(L, "HUDe", HUDe);
    tolua_function(L, "World", World);
    tolua_function(L, "Pathfinder", Pathfinder);
    tolua_function(L, "CameraHelper", CameraHelper);
    tolua_function(L, "Conversation", Conversation);
    tolua_function(L, "Options", Options);
    tolua_function(L, "TutorialDialog", TutorialDialog);
    tolua_function(L, "StartTutorialDialog", StartTutorialDialog);
    tolua_function(L, "TutorialDialogAddFragment", TutorialDialogAddFragment);
    tolua_function(L, "SetTutorialDialogExitScript", SetTutorialDialogExitScript);
    tolua_function(L, "GetExitMovie", GetExitMovie);
    tolua_function(L, "SetExitMovie", SetExitMovie);
    tolua_function(L, "GetDialogDisplayString", GetDialogDisplayStringWide);
    tolua_function(L, "GetDialogDisplayString", GetDialogDisplayString);
}

} // namespace script::bind
