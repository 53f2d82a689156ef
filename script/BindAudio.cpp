// TsAudio for scripts: the level and front-end scripts choose and load
// their sounds and play one-off effects. Sound ids outside 0-239 never reach
// the audio object: a script's mistake is logged, not played.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsAudio.h"
#include "game/framework/TsLog.h"

namespace script::bind {

namespace {

constexpr const char* kAudio = "TsAudio";

// Tests self and `numbers` number arguments from position 2; raises the
// wrapper's messages, else returns self.
TsAudio* SelfAndNumbers(lua_State* L, int numbers, const char* typeError, const char* selfError)
{
    tolua_Error err;
    bool ok = IsSelf(L, kAudio, &err);
    for (int i = 0; ok && i < numbers; ++i)
        ok = IsNumber(L, 2 + i, &err);
    if (!ok || !IsEnd(L, 2 + numbers, &err))
        RaiseTypeError(L, typeError, &err);
    TsAudio* self = ToObject<TsAudio>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

bool CheckedId(const char* function, int id)
{
    if (IsSoundId(id))
        return true;
    LogErrorF("TsAudio:%s: sound id %d is not 0-%d", function, id, NUM_OF_SOUNDS - 1);
    return false;
}

int LoadWavFromFile(lua_State* L)
{
    TsAudio* self = SelfAndNumbers(L, 1, OM_TYPE_ERROR("LoadWavFromFile"), OM_SELF_ERROR("LoadWavFromFile"));
    const int id = ToInt(L, 2);
    PushBool(L, CheckedId("LoadWavFromFile", id) && self->LoadWavFromFile(id));
    return 1;
}

int LuaPlaySoundNow(lua_State* L)
{
    TsAudio* self = SelfAndNumbers(L, 4, OM_TYPE_ERROR("LuaPlaySoundNow"), OM_SELF_ERROR("LuaPlaySoundNow"));
    const int id = ToInt(L, 2);
    if (CheckedId("LuaPlaySoundNow", id))
        self->LuaPlaySoundNow(id, ToFloat(L, 3), ToFloat(L, 4), ToFloat(L, 5));
    return 0;
}

int FlagSoundForLoading(lua_State* L)
{
    TsAudio* self =
        SelfAndNumbers(L, 1, OM_TYPE_ERROR("FlagSoundForLoading"), OM_SELF_ERROR("FlagSoundForLoading"));
    const int id = ToInt(L, 2);
    if (CheckedId("FlagSoundForLoading", id))
        self->FlagSoundForLoading(id);
    return 0;
}

} // namespace

void TsAudioClass(lua_State* L)
{
    tolua_function(L, "LoadWavFromFile", LoadWavFromFile);
    tolua_function(L, "LuaPlaySoundNow", LuaPlaySoundNow);
    tolua_function(L, "FlagSoundForLoading", FlagSoundForLoading);
}

} // namespace script::bind
