// FileIO for scripts: a line-based text file that scripts create and delete
// themselves.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include "game/framework/FileIO.h"

#include <new>

namespace script::bind {

namespace {

constexpr const char* kFileIO = "FileIO";

void* CreateFile() { return new (std::nothrow) FileIO; }
void DestroyFile(void* file) { delete static_cast<FileIO*>(file); }

int New(lua_State* L) { return NewObject(L, kFileIO, OM_TYPE_ERROR("new"), CreateFile, DestroyFile); }

int Delete(lua_State* L)
{
    return DeleteObject(L, kFileIO, OM_TYPE_ERROR("delete"), OM_SELF_ERROR("delete"), DestroyFile);
}

// Tests self and `count` string arguments from position 2; returns self.
FileIO* SelfAndStrings(lua_State* L, int count, const char* typeError, const char* selfError)
{
    tolua_Error err;
    bool ok = IsSelf(L, kFileIO, &err);
    for (int i = 0; ok && i < count; ++i)
        ok = IsString(L, 2 + i, NilArg::Reject, &err);
    if (!ok || !IsEnd(L, 2 + count, &err))
        RaiseTypeError(L, typeError, &err);
    FileIO* self = ToObject<FileIO>(L, 1);
    if (!self)
        Raise(L, selfError);
    return self;
}

int Open(lua_State* L)
{
    FileIO* self = SelfAndStrings(L, 2, OM_TYPE_ERROR("Open"), OM_SELF_ERROR("Open"));
    PushBool(L, self->Open(ToString(L, 2), ToString(L, 3)));
    return 1;
}

int Close(lua_State* L)
{
    SelfOnly<FileIO>(L, kFileIO, OM_TYPE_ERROR("Close"), OM_SELF_ERROR("Close"))->Close();
    return 0;
}

int Eof(lua_State* L)
{
    PushBool(L, SelfOnly<FileIO>(L, kFileIO, OM_TYPE_ERROR("Eof"), OM_SELF_ERROR("Eof"))->Eof());
    return 1;
}

int ReadLine(lua_State* L)
{
    PushString(L, SelfOnly<FileIO>(L, kFileIO, OM_TYPE_ERROR("ReadLine"), OM_SELF_ERROR("ReadLine"))
                      ->ReadLine());
    return 1;
}

int WriteLine(lua_State* L)
{
    SelfAndStrings(L, 1, OM_TYPE_ERROR("WriteLine"), OM_SELF_ERROR("WriteLine"))
        ->WriteLine(ToString(L, 2));
    return 0;
}

int Execute(lua_State* L)
{
    SelfAndStrings(L, 3, OM_TYPE_ERROR("Execute"), OM_SELF_ERROR("Execute"))
        ->Execute(ToString(L, 2), ToString(L, 3), ToString(L, 4));
    return 0;
}

int Screenshot(lua_State* L)
{
    FileIO* self = SelfAndStrings(L, 1, OM_TYPE_ERROR("Screenshot"), OM_SELF_ERROR("Screenshot"));
    PushString(L, self->Screenshot(ToString(L, 2)));
    return 1;
}

} // namespace

void FileIOClass(lua_State* L)
{
    tolua_function(L, "new", New);
    tolua_function(L, "delete", Delete);
    tolua_function(L, "Open", Open);
    tolua_function(L, "Close", Close);
    tolua_function(L, "Eof", Eof);
    tolua_function(L, "ReadLine", ReadLine);
    tolua_function(L, "WriteLine", WriteLine);
    tolua_function(L, "Execute", Execute);
    tolua_function(L, "Screenshot", Screenshot);
}

} // namespace script::bind
