// The string holders and script-made files, from real scripts.

#include "tests/script/LuaTestState.h"

#include "engine/OmString.h"
#include "game/framework/FileIO.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"

namespace {

class HolderTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        tolua_pushusertype(L, &name_, "OmString");
        lua_setglobal(L, "name");
        tolua_pushusertype(L, &wide_, "OmWideString");
        lua_setglobal(L, "wide");
        tolua_pushusertype(L, &other_, "OmWideString");
        lua_setglobal(L, "other");
    }

    OmString name_;
    OmWideString wide_{"Hello"};
    OmWideString other_;
};

} // namespace

TEST_F(HolderTest, StringHolderSetsGetsAndClears)
{
    EXPECT_EQ(Type("name:Get()"), "nil");
    ASSERT_EQ(Run("name:Set('Vessa')"), "");
    EXPECT_STREQ(name_.Get(), "Vessa");
    EXPECT_EQ(String("name:Get()"), "Vessa");
    ASSERT_EQ(Run("name:Set(nil)"), "");
    EXPECT_EQ(name_.Get(), nullptr);
    EXPECT_LUA_ERROR("name:Set(5)", "error in function 'Set'.");
    EXPECT_LUA_ERROR("name:Set()", "error in function 'Set'.");
    EXPECT_LUA_ERROR("name:Get(1)", "error in function 'Get'.");
    EXPECT_LUA_ERROR("OmString.Get(nil)", "invalid 'self' in function 'Get'");
    // The wide holder is a class of its own to scripts.
    EXPECT_LUA_ERROR("OmString.Get(wide)", "error in function 'Get'.");
}

TEST_F(HolderTest, WideHolderTakesOnlyTextObjects)
{
    EXPECT_EQ(Type("wide:Get()"), "userdata");
    ASSERT_EQ(Run("other:Set(wide:Get())"), "");
    EXPECT_STREQ(other_.Get(), "Hello");
    EXPECT_LUA_ERROR("other:Set('Hello')", "error in function 'Set'.");
    EXPECT_LUA_ERROR("other:Set(nil)", "error in function 'Set'.");
    EXPECT_EQ(Type("OmWideString.Get(other) and other:Get()"), "userdata");
    OmWideString empty;
    tolua_pushusertype(L, &empty, "OmWideString");
    lua_setglobal(L, "empty");
    EXPECT_EQ(Type("empty:Get()"), "nil");
}

TEST_F(HolderTest, TextObjectsOutliveChangesToTheirHolder)
{
    ASSERT_EQ(Run("text = wide:Get()"), "");
    wide_.Set("Something else entirely, long enough to move");
    ASSERT_EQ(Run("other:Set(text); text = nil; collectgarbage('collect')"), "");
    EXPECT_STREQ(other_.Get(), "Hello");
}

TEST_F(LuaTest, ScriptsMakeWriteReadAndDeleteFiles)
{
    ScratchDir dir;
    OpenPackage();
    ASSERT_EQ(Run("f = FileIO:new()"), "");
    EXPECT_EQ(String("tolua.type(f)"), "FileIO");
    EXPECT_EQ(Type("f:Open('notes.txt', 'w')"), "number");
    ASSERT_EQ(Run("f:WriteLine('a'); f:WriteLine(''); f:WriteLine('b'); f:Close()"), "");
    EXPECT_EQ(Type("f:Open('NOTES.TXT', 'r')"), "number");
    EXPECT_EQ(String("f:ReadLine()"), "a");
    EXPECT_EQ(Type("f:Eof()"), "nil");
    EXPECT_EQ(String("f:ReadLine()"), "b");
    EXPECT_EQ(Number("f:Eof()"), 1);
    EXPECT_EQ(Type("f:Open('missing.txt', 'r')"), "nil");
    ASSERT_EQ(Run("f:delete()"), "");
    EXPECT_LUA_ERROR("f:ReadLine()", "invalid 'self' in function 'ReadLine'");
    EXPECT_LUA_ERROR("f:delete()", "invalid 'self' in function 'delete'");
}

TEST_F(LuaTest, FileFunctionsCheckTheirArguments)
{
    ScratchDir dir;
    LogCapture log;
    OpenPackage();
    ASSERT_EQ(Run("f = FileIO:new()"), "");
    EXPECT_LUA_ERROR("FileIO:new(1)", "error in function 'new'.");
    EXPECT_LUA_ERROR("f:Open('x.txt')", "error in function 'Open'.");
    EXPECT_LUA_ERROR("f:Open(nil, 'r')", "error in function 'Open'.");
    EXPECT_LUA_ERROR("f:WriteLine(nil)", "error in function 'WriteLine'.");
    EXPECT_LUA_ERROR("f:Close(1)", "error in function 'Close'.");
    EXPECT_LUA_ERROR("f:Execute('a', 'b')", "error in function 'Execute'.");
    // A file the game made is not the script's to delete.
    FileIO gameFile;
    tolua_pushusertype(L, &gameFile, "FileIO");
    lua_setglobal(L, "g");
    EXPECT_LUA_ERROR("g:delete()", "object not owned by the script in function 'delete'");
    ASSERT_EQ(Run("f:delete()"), "");
}
