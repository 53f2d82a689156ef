// TsAnimationDB for scripts: the developer road that converts text
// animations into the database and writes the binary file.

#include "script/ScriptBinders.h"
#include "script/ScriptWrap.h"

#include "game/framework/TsAnimationDB.h"

namespace script::bind {

namespace {

constexpr const char* kAnimationDB = "TsAnimationDB";

int WriteBinary(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kAnimationDB, &err) || !IsString(L, 2, NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("WriteBinary"), &err);
    TsAnimationDB* self = ToObject<TsAnimationDB>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("WriteBinary"));
    PushBool(L, self->WriteBinary(ToString(L, 2)));
    return 1;
}

int LoadAnimationTextFile(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kAnimationDB, &err) || !IsNumber(L, 2, &err) || !IsNumber(L, 3, &err) ||
        !IsString(L, 4, NilArg::Reject, &err) || !IsString(L, 5, NilArg::Reject, &err, true) || !IsEnd(L, 6, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("LoadAnimationTextFile"), &err);
    TsAnimationDB* self = ToObject<TsAnimationDB>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("LoadAnimationTextFile"));
    // The optional fifth argument is the figure's bone file, for animations
    // stored in model space.
    self->LoadAnimationTextFile(ToInt(L, 2), ToInt(L, 3), ToString(L, 4), ToString(L, 5));
    return 0;
}

} // namespace

void TsAnimationDBClass(lua_State* L)
{
    tolua_function(L, "WriteBinary", WriteBinary);
    tolua_function(L, "LoadAnimationTextFile", LoadAnimationTextFile);
}

} // namespace script::bind
