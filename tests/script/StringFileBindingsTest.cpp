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
    // The wide holder is a class of its own to scripts.
    ExpectTypeErrors({"name:Set(5)", "name:Set()", "name:Get(1)", "OmString.Get(wide)"});
    ExpectSelfErrors({"OmString.Get(nil)"});
}

TEST_F(HolderTest, WideHolderTakesOnlyTextObjectsThatOutliveChangesToIt)
{
    EXPECT_EQ(Type("wide:Get()"), "userdata");
    ExpectTypeErrors({"other:Set('Hello')", "other:Set(nil)"});
    ASSERT_EQ(Run("text = wide:Get()"), "");
    wide_.Set("Something else entirely, long enough to move");
    ASSERT_EQ(Run("other:Set(text); text = nil; collectgarbage('collect')"), "");
    EXPECT_STREQ(other_.Get(), "Hello");
    EXPECT_EQ(Type("OmWideString.Get(other) and other:Get()"), "userdata");
    OmWideString empty;
    tolua_pushusertype(L, &empty, "OmWideString");
    lua_setglobal(L, "empty");
    EXPECT_EQ(Type("empty:Get()"), "nil");
}

TEST_F(LuaTest, ScriptsMakeWriteReadAndDeleteFilesWithTheirArgumentsChecked)
{
    ScratchDir dir;
    LogCapture log;
    OpenPackage();
    ASSERT_EQ(Run("f = FileIO:new()"), "");
    EXPECT_EQ(String("tolua.type(f)"), "FileIO");
    ExpectTypeErrors({"FileIO:new(1)", "f:Open('x.txt')", "f:Open(nil, 'r')", "f:WriteLine(nil)", "f:Close(1)",
                      "f:Execute('a', 'b')"});
    EXPECT_EQ(Type("f:Open('notes.txt', 'w')"), "number");
    ASSERT_EQ(Run("f:WriteLine('a'); f:WriteLine(''); f:WriteLine('b'); f:Close()"), "");
    EXPECT_EQ(Type("f:Open('NOTES.TXT', 'r')"), "number");
    EXPECT_EQ(String("f:ReadLine()"), "a");
    EXPECT_EQ(Type("f:Eof()"), "nil");
    EXPECT_EQ(String("f:ReadLine()"), "b");
    EXPECT_EQ(Number("f:Eof()"), 1);
    EXPECT_EQ(Type("f:Open('missing.txt', 'r')"), "nil");

    // A file the game made is not the script's to delete.
    FileIO gameFile;
    tolua_pushusertype(L, &gameFile, "FileIO");
    lua_setglobal(L, "g");
    EXPECT_LUA_ERROR("g:delete()", "object not owned by the script in function 'delete'");
    ASSERT_EQ(Run("f:delete()"), "");
    ExpectSelfErrors({"f:ReadLine()", "f:delete()"});
}
