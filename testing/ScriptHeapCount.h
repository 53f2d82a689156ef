// Counts the blocks a script state makes or grows through its allocation
// function while it is installed: the script heap is out of sight of the
// counted operator new.
#pragma once

#include <lua.hpp>

#include <cstddef>

class ScriptHeapCount {
public:
    explicit ScriptHeapCount(lua_State* L) : m_L(L)
    {
        s_inner = lua_getallocf(L, &s_user);
        s_blocks = 0;
        lua_setallocf(L, &Count, nullptr);
    }
    ~ScriptHeapCount() { lua_setallocf(m_L, s_inner, s_user); }
    ScriptHeapCount(const ScriptHeapCount&) = delete;
    ScriptHeapCount& operator=(const ScriptHeapCount&) = delete;

    static int Blocks() { return s_blocks; }

private:
    static void* Count(void*, void* block, size_t oldSize, size_t newSize)
    {
        if (newSize > oldSize)
            ++s_blocks;
        return s_inner(s_user, block, oldSize, newSize);
    }
    lua_State* m_L;
    static inline lua_Alloc s_inner = nullptr;
    static inline void* s_user = nullptr;
    static inline int s_blocks = 0;
};
