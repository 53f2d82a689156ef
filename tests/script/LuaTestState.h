#pragma once

// A Lua state with the libraries the game opens (base, string, math) and
// the binding package, for tests that run real scripts.

#include <tolua++.h>

#include "tests/fuzz/BindingFuzz.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

class LuaTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a chunk; returns "" on success, else the error message.
    std::string Run(const std::string& code);
    // Runs "return <expr>" and gives the number (NaN when it is not one).
    double Number(const std::string& expr);
    // Runs "return <expr>" and gives the string ("" when it is not one).
    std::string String(const std::string& expr);
    // Lua's type name of the expression's first value.
    std::string Type(const std::string& expr) { return String("type((" + expr + "))"); }
    // Each chunk must fail with the type error of the first function it
    // calls ("error in function 'Name'."), or with that function's
    // null-self error.
    void ExpectTypeErrors(std::initializer_list<const char*> chunks) { ExpectErrors(chunks, false); }
    void ExpectSelfErrors(std::initializer_list<const char*> chunks) { ExpectErrors(chunks, true); }
    // Expects the chunk to fail with a message that starts with prefix.
    void ExpectError(const std::string& chunk, const std::string& prefix);

    // A chunk and what it must give: a type ("nil", "userdata", "number",
    // "string"), "true", a number ("2.5"), a string in quotes ("'gate'"), or
    // "error:" and the start of the message. A chunk that gives a value
    // returns it.
    struct Row {
        const char* chunk;
        const char* expected;
    };
    void ExpectRows(std::initializer_list<Row> rows);

    // Sets a global to the object's handle as the game pushes it.
    void Publish(const char* name, void* object, const char* type) { bindingfuzz::Publish(L, name, object, type); }
    // The object a global holds (null when it holds none).
    template <class T = void>
    T* Global(const char* name)
    {
        lua_getglobal(L, name);
        void* object = tolua_tousertype(L, -1, nullptr);
        lua_pop(L, 1);
        return static_cast<T*>(object);
    }

    lua_State* L = nullptr;

private:
    void ExpectErrors(std::initializer_list<const char*> chunks, bool self);
};

using PackageTest = LuaTest;

// The package in the game's own state, where templates and level scripts
// run and where objects that go kill their handles.
class GameStateTest : public LuaTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The message without the "chunk:line: " position Lua puts in front.
std::string WithoutPosition(const std::string& message);
