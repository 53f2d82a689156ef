// A script state the game's objects reach through TsAccess for the length
// of one test, its text run first.
#pragma once

#include <gtest/gtest.h>

#include "game/framework/TsAccess.h"
#include "tests/game/framework/ScriptState.h"

class GameScript : public ScriptState {
public:
    explicit GameScript(const char* text = "")
    {
        TsAccess::SetLuaState(L());
        EXPECT_EQ(Run(text), 0) << text;
    }
    ~GameScript() { TsAccess::SetLuaState(nullptr); }
};
