#include "tests/script/LuaTestState.h"

#include "game/framework/TsAccess.h"
#include "script/GameBindings.h"

#include <lauxlib.h>
#include <lualib.h>

#include <cctype>
#include <string>

void LuaTest::SetUp()
{
    L = luaL_newstate();
    const lua_CFunction libs[] = {luaopen_base, luaopen_string, luaopen_math};
    for (lua_CFunction lib : libs) {
        lua_pushcfunction(L, lib);
        lua_call(L, 0, 0);
    }
    ASSERT_EQ(tolua_game_open(L), 1);
}

void LuaTest::TearDown()
{
    // As when a level closes: what the scripts made and kept goes first.
    if (L)
        TsScriptHandles::DestroyScriptHeld(L);
    if (L)
        lua_close(L);
    L = nullptr;
}

void GameStateTest::SetUp()
{
    LuaTest::SetUp();
    TsAccess::SetLuaState(L);
}

void GameStateTest::TearDown()
{
    TsAccess::SetLuaState(nullptr);
    LuaTest::TearDown();
}

std::string LuaTest::Run(const std::string& code)
{
    if (luaL_loadbuffer(L, code.data(), code.size(), "test") != 0 || lua_pcall(L, 0, 0, 0) != 0) {
        std::string message = lua_tostring(L, -1) ? lua_tostring(L, -1) : "(no message)";
        lua_pop(L, 1);
        return message;
    }
    return "";
}

namespace {
// Runs "return expr" leaving one value on the stack (nil after an error).
void PushResult(lua_State* L, const std::string& expr)
{
    const std::string code = "return " + expr;
    if (luaL_loadbuffer(L, code.data(), code.size(), "test") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
        ADD_FAILURE() << expr << ": " << lua_tostring(L, -1);
        lua_pop(L, 1);
        lua_pushnil(L);
    }
}

// The name of the function a chunk calls first: the word before its "(".
std::string CalledName(const std::string& chunk)
{
    const std::size_t open = chunk.find('(');
    if (open == std::string::npos)
        return "";
    std::size_t begin = open;
    while (begin > 0 && (std::isalnum(static_cast<unsigned char>(chunk[begin - 1])) || chunk[begin - 1] == '_'))
        --begin;
    return chunk.substr(begin, open - begin);
}
} // namespace

double LuaTest::Number(const std::string& expr)
{
    PushResult(L, expr);
    const double v = lua_type(L, -1) == LUA_TNUMBER ? lua_tonumber(L, -1) : NAN;
    lua_pop(L, 1);
    return v;
}

std::string LuaTest::String(const std::string& expr)
{
    PushResult(L, expr);
    std::string s = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
    lua_pop(L, 1);
    return s;
}

void LuaTest::ExpectErrors(std::initializer_list<const char*> chunks, bool self)
{
    for (const char* chunk : chunks) {
        const std::string fn = CalledName(chunk);
        ExpectError(chunk, self ? "invalid 'self' in function '" + fn + "'" : "error in function '" + fn + "'.");
    }
}

void LuaTest::ExpectError(const std::string& chunk, const std::string& prefix)
{
    const std::string message = WithoutPosition(Run(chunk));
    EXPECT_EQ(message.substr(0, prefix.size()), prefix) << chunk << "\nmessage: " << message;
}

void LuaTest::ExpectRows(std::initializer_list<Row> rows)
{
    for (const Row& row : rows) {
        const std::string expected = row.expected;
        if (expected.rfind("error:", 0) == 0) {
            ExpectError(row.chunk, expected.substr(6));
            continue;
        }
        ASSERT_EQ(Run(std::string("result = (function() ") + row.chunk + " end)()"), "") << row.chunk;
        if (expected == "nil" || expected == "userdata" || expected == "number" || expected == "string")
            EXPECT_EQ(Type("result"), expected) << row.chunk;
        else if (expected == "true")
            EXPECT_EQ(Type("result"), "boolean") << row.chunk;
        else if (expected.front() == '\'')
            EXPECT_EQ(String("result"), expected.substr(1, expected.size() - 2)) << row.chunk;
        else
            EXPECT_EQ(Number("result"), std::stod(expected)) << row.chunk;
    }
}

std::string WithoutPosition(const std::string& message)
{
    // "chunk:123: message": the first ": " preceded by ":digits".
    const std::size_t end = message.find(": ");
    if (end == std::string::npos)
        return message;
    std::size_t i = end;
    while (i > 0 && std::isdigit(static_cast<unsigned char>(message[i - 1])))
        --i;
    if (i == end || i == 0 || message[i - 1] != ':')
        return message;
    return message.substr(end + 2);
}
