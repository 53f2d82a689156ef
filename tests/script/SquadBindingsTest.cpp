// Teams, squads, non-player and player characters, placed markers and the
// player as mission and entity scripts make and configure them.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsTriggerObject.h"
#include "tests/game/framework/LogCapture.h"

class SquadBindingsTest : public PackageTest {
protected:
    LogCapture log_;
};

TEST_F(SquadBindingsTest, TeamsSetAlliancesAndAnswerByIdOrByTeam)
{
    ASSERT_EQ(Run("red = TsTeam:new() red:SetTeamID(1) blue = TsTeam:new() blue:SetTeamID(2)\n"
                  "red:SetAlliance(2, TsTeam.HOSTILE) blue:SetAlliance(3, TsTeam.FRIENDLY)\n"
                  "red:SetAlliance(-1, TsTeam.HOSTILE)"),
              "");
    ExpectRows({
        {"return red:GetAlliance(2)", "2"},
        {"return red:GetAlliance(blue)", "2"}, // the object form
        {"return red:GetAlliance(0)", "-1"},  // grown entries are INVALID
        {"return red:GetAlliance(99)", "-1"}, // past the table
        {"return red:GetAlliance(-5)", "-1"},
        {"return blue:GetAlliance(red)", "-1"},
    });
    EXPECT_TRUE(log_.Contains("out of range")) << "a negative id is refused";
    EXPECT_EQ(Global<TsTeam>("red")->GetAllianceCount(), 3);
    ExpectTypeErrors({"red:SetAlliance(1)", "red:GetAlliance('x')", "red:SetTeamID()"});
    EXPECT_LUA_ERROR("TsTeam.SetAlliance(nil, 1, 2)", "invalid 'self' in function 'lua_SetAlliance'");
    EXPECT_EQ(Run("red:delete() blue:delete()"), "");
}

// What entity scripts set on the objects they make, where the binding
// converts on the way.
TEST_F(SquadBindingsTest, PlacedObjectsTakeTheirSettings)
{
    ASSERT_EQ(Run("s = TsSquadObject:new() s:SetOrigin(1, 2, 3) s:SetTeam(4) s:SetIndex(5) s:SetBehaviour(13)\n"
                  "s:SetPatrolPath('route') s:SetFormation(TsSquadObject.FORMATION_VEE) s:SetRange(7.5)\n"
                  "s:ForceActive(true)\n"
                  "n = TsNPCObject:new() n:SetWeaponName('Rifle') n:SetItemName('Medkit') n:SetNPCType(TS_NPC_GONK)\n"
                  "p = TsPCObject:new() p:SetPCType(TsPCObject.TAMSA)\n"
                  "t = TsTriggerObject:new() t:SetTriggerScript('OnGate') t:SetActive(false)\n"
                  "t:SetActivationType(1) t:SetAcceptType(2) t:SetPosition(0, 4, 0) t:SetHeight(2)\n"
                  "t:SetExitTrigger(true) t:SaveTownStash()\n"
                  "w = TsWaypointObject:new() w:SetTarget('next') w:SetTargetname('ignored')\n"
                  "o = TsTargetObject:new() o:SetTargetName('x') o:SetOrigin(1, 2, 3) m = TsPCStartObject:new()"),
              "");
    TsSquadObject* squad = Global<TsSquadObject>("s");
    ASSERT_NE(squad, nullptr);
    EXPECT_EQ(squad->GetOrigin().y, 2.0f);
    EXPECT_STREQ(squad->GetPatrolPathName(), "route");
    EXPECT_EQ(Global<TsNPCObject>("n")->GetNPCType(), 5);
    // A trigger's position is its centre: half its height above the ground.
    auto* trigger = Global<TsTriggerObject>("t");
    EXPECT_FLOAT_EQ(trigger->GetPosition().y, 2.0f);
    EXPECT_FLOAT_EQ(trigger->GetHeight(), 4.0f);
    ExpectRows({
        {"return s:GetFormation()", "3"},
        {"return s:AliveMemberCount()", "0"},
        {"return s:GetTeam()", "nil"}, // no team until import
        {"p:SetStay(1) return p:GetStay()", "1"},
        {"p:SetStay(nil) return p:GetStay()", "nil"},
        {"return t:GetTriggerScript()", "'OnGate'"},
        {"return t:IsActive()", "nil"}, // false reaches scripts as nil
    });
    ExpectTypeErrors({"s:SetOrigin(1, 2)", "s:ForceActive()", "s:SetPatrolPath(3, 4)", "n:SetNPCType('x')",
                      "p:SetPCType()", "t:SetTriggerScript(1, 2)", "w:SetTarget()", "o:SetOrigin(1, 2)",
                      "m:SetOrigin(1)"});
    EXPECT_EQ(Run("s:delete() n:delete() p:delete() t:delete() w:delete() o:delete() m:delete()"), "");
    ExpectSelfErrors({"t:SetActive(true)"});
}

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
        {"TsPlayer:_EnableEasterEgg(3, 1) return player:GetKitty()", "99999"},
        {"return TsPlayer:_IsEasterEggEnabled(3)", "1"},
        {"TsPlayer:_EnableEasterEgg(3, nil) return TsPlayer:_IsEasterEggEnabled(3)", "nil"},
        {"player:SetScriptState(3, 42) return player:GetScriptState(3)", "42"},
        {"return player:GetScriptState(99)", "-1"},
    });
    EXPECT_EQ(player.GetCurrentIndex(), 1);
    EXPECT_TRUE(log_.Contains("TsPlayer::GetCharacter - Couldn't find character named 'nobody'"));
    ExpectTypeErrors({"player:AddCharacter(1)", "player:SetCurrentCharacter()", "TsPlayer:_EnableEasterEgg()",
                      "player:SetScriptState(1)", "player:GetScriptState('a')"});
    EXPECT_EQ(Run("player:Clear()"), "");
    EXPECT_EQ(player.GetCharacterCount(), 0);
}
