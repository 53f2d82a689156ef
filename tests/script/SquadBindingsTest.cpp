// The player's party and squad as mission scripts build them.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsPlayer.h"
#include "tests/game/framework/LogCapture.h"

using SquadBindingsTest = PackageTest;

TEST_F(SquadBindingsTest, ThePlayerBuildsItsPartyAndSquad)
{
    LogCapture log;
    TsPlayer player;
    Publish("player", &player, "TsPlayer");
    ASSERT_EQ(Run("for _, n in ipairs({'a', 'b', 'c'}) do local pc = TsPCObject:new() pc:SetName(n) _G[n] = pc\n"
                  "player:AddCharacter(pc) player:AddCharacterToSquad(pc, nil) end"),
              "");
    ExpectRows({
        {"return player:GetTeamCount()", "3"},
        {"player:AddCharacterToSquad(nil, a) player:SetCurrentCharacter(1) return player:GetTeamCount()", "2"},
        {"return player:GetCharacter('c')", "userdata"},
        {"return player:GetSquad()", "userdata"},
        {"return player:AddToKitty(-50)", "-50"},
        {"return player:AddToKitty(2147483647)", "2147483597"},
        {"return player:AddToKitty(2147483647)", "2147483647"}, // holds at the ends
        {"player:AddToKitty(-2147483648) return player:AddToKitty(-2147483648)", "-2147483648"},
        {"TsPlayer:_EnableEasterEgg(3, 1) return TsPlayer:_IsEasterEggEnabled(3) and player:GetKitty()", "99999"},
        {"TsPlayer:_EnableEasterEgg(3, nil) return TsPlayer:_IsEasterEggEnabled(3)", "nil"},
        {"player:SetScriptState(3, 42) return player:GetScriptState(3)", "42"},
    });
    EXPECT_EQ(player.GetCurrentIndex(), 1);
    ExpectTypeErrors({"player:AddCharacter(1)", "player:GetScriptState('a')"});
    EXPECT_EQ(Run("player:Clear()"), "");
    EXPECT_EQ(player.GetCharacterCount(), 0);
}
