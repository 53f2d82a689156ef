// The player's party and squad as mission scripts build them.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsPlayer.h"
#include "tests/game/framework/LogCapture.h"

class SquadBindingsTest : public PackageTest {
protected:
    LogCapture log_;
};

TEST_F(SquadBindingsTest, ThePlayerBuildsItsPartyAndSquad)
{
    TsPlayer player;
    tolua_pushusertype(L, &player, "TsPlayer");
    lua_setglobal(L, "player");
    ASSERT_EQ(Run("a = TsPCObject:new() a:SetName('a') b = TsPCObject:new() b:SetName('b')\n"
                  "c = TsPCObject:new() c:SetName('c') d = TsPCObject:new() d:SetName('d')\n"
                  "player:AddCharacter(a) player:AddCharacter(b) player:AddCharacter(c) player:AddCharacter(d)\n"
                  "player:AddCharacterToSquad(a, nil) player:AddCharacterToSquad(b, nil)\n"
                  "player:AddCharacterToSquad(c, nil) player:AddCharacterToSquad(d, nil)"),
              "");
    EXPECT_TRUE(log_.Contains("Player squad full, cannot add character d"));
    ExpectRows({
        {"return player:GetTeamCount()", "3"},
        {"player:AddCharacterToSquad(d, b) return player:GetTeamCount()", "3"}, // the removal comes first
        {"player:AddCharacterToSquad(nil, a) player:SetCurrentCharacter(1) return player:GetTeamCount()", "2"},
        {"return player:GetCharacter('nobody')", "nil"},
        {"return player:GetCharacter('c')", "userdata"},
        {"return player:GetSquad()", "userdata"},
        {"return player:AddToKitty(-50)", "-50"},
        {"return player:AddToKitty(2147483647)", "2147483597"},
        {"return player:AddToKitty(2147483647)", "2147483647"}, // holds at the ends
        {"player:AddToKitty(-2147483648) return player:AddToKitty(-2147483648)", "-2147483648"},
        {"TsPlayer:_EnableEasterEgg(3, 1) return player:GetKitty()", "99999"},
        {"return TsPlayer:_IsEasterEggEnabled(3)", "1"},
        {"TsPlayer:_EnableEasterEgg(3, nil) return TsPlayer:_IsEasterEggEnabled(3)", "nil"},
        {"player:SetScriptState(3, 42) return player:GetScriptState(3)", "42"},
        {"return player:GetScriptState(99)", "-1"},
    });
    EXPECT_EQ(player.GetCurrentIndex(), 1);
    EXPECT_TRUE(log_.Contains("TsPlayer::GetCharacter - Couldn't find character named 'nobody'"));
    ExpectTypeErrors({"player:AddCharacter(1)", "player:GetScriptState('a')"});
    EXPECT_EQ(Run("player:Clear()"), "");
    EXPECT_EQ(player.GetCharacterCount(), 0);
}
