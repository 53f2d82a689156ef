// A script state opened by the host for one test, closed at the end.
#pragma once

#include <lua.hpp>
#include <string>
#include <vector>

#include "game/framework/TsScriptHost.h"
#include "game/framework/TsShell.h"

class ScriptState {
public:
    // Each test starts with a shell as the program first sees it.
    ScriptState() : m_L((TsShell::Instance().Destroy(), TsScriptHost::OpenLua()))
    {
        TsShell::Instance().SetLuaState(m_L);
    }
    ~ScriptState() { TsScriptHost::CloseLua(m_L); }
    ScriptState(const ScriptState&) = delete;
    ScriptState& operator=(const ScriptState&) = delete;

    lua_State* L() const { return m_L; }
    int Run(const std::string& text) const { return TsScriptHost::DoString(m_L, text.c_str()); }
    double Number(const char* name) const
    {
        double value = -12345.0;
        TsScriptHost::GetGlobalNumber(m_L, name, &value);
        return value;
    }
    std::string String(const char* name) const
    {
        std::string value = "(unset)";
        TsScriptHost::GetGlobalString(m_L, name, &value);
        return value;
    }
    // The value of a Lua expression, as a string.
    std::string Eval(const std::string& expression) const
    {
        Run("eval_result = " + expression);
        return String("eval_result");
    }

private:
    lua_State* m_L;
};

// Feeds the shell typed lines from a list for the length of a test.
class TypedLines {
public:
    explicit TypedLines(std::initializer_list<const char*> lines) : m_lines(lines.begin(), lines.end())
    {
        TsShell::Instance().SetInputHook(&TypedLines::Next, this);
    }
    ~TypedLines() { TsShell::Instance().SetInputHook(nullptr, nullptr); }
    TypedLines(const TypedLines&) = delete;
    TypedLines& operator=(const TypedLines&) = delete;
    std::size_t Left() const { return m_lines.size() - m_next; }

private:
    static bool Next(std::string* line, void* user)
    {
        auto* self = static_cast<TypedLines*>(user);
        if (self->m_next >= self->m_lines.size()) {
            return false;
        }
        *line = self->m_lines[self->m_next++];
        return true;
    }
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
};
