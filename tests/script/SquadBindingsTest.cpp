// Teams, squads, non-player and player characters and the player as
// mission and entity scripts make and configure them.

#include "tests/script/LuaTestState.h"

#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "tests/game/framework/LogCapture.h"

class SquadBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
    }

    template <class T>
    T* Global(const char* name)
    {
        lua_getglobal(L, name);
        auto* object = static_cast<T*>(tolua_tousertype(L, -1, nullptr));
        lua_pop(L, 1);
        return object;
    }

    // Pushes a C++ object as a script global of the class.
    void Publish(void* object, const char* type, const char* name)
    {
        tolua_pushusertype(L, object, type);
        lua_setglobal(L, name);
    }
};

TEST_F(SquadBindingsTest, TeamsSetAlliancesAndAnswerByIdOrByTeam)
{
    LogCapture log;
    ASSERT_EQ(Run("red = TsTeam:new() red:SetTeamID(1) blue = TsTeam:new() blue:SetTeamID(2)\n"
                  "red:SetAlliance(2, TsTeam.HOSTILE) blue:SetAlliance(3, TsTeam.FRIENDLY)\n"
                  "red:SetAlliance(-1, TsTeam.HOSTILE)"),
              "");
    EXPECT_EQ(Number("red:GetAlliance(2)"), 2.0);
    EXPECT_EQ(Number("red:GetAlliance(blue)"), 2.0) << "the object form";
    EXPECT_EQ(Number("red:GetAlliance(0)"), -1.0) << "grown entries are INVALID";
    EXPECT_EQ(Number("red:GetAlliance(99)"), -1.0) << "past the table";
    EXPECT_EQ(Number("red:GetAlliance(-5)"), -1.0);
    EXPECT_EQ(Number("blue:GetAlliance(red)"), -1.0);
    EXPECT_TRUE(log.Contains("out of range")) << "a negative id is refused";
    EXPECT_EQ(Global<TsTeam>("red")->GetAllianceCount(), 3);
    ExpectTypeErrors({"red:SetAlliance(1)", "red:GetAlliance('x')", "red:SetTeamID()"});
    EXPECT_LUA_ERROR("TsTeam.SetAlliance(nil, 1, 2)", "invalid 'self' in function 'lua_SetAlliance'");
    EXPECT_EQ(Run("red:delete() blue:delete()"), "");
}

TEST_F(SquadBindingsTest, SquadsStoreWhatScriptsSet)
{
    ASSERT_EQ(Run("s = TsSquadObject:new()\n"
                  "s:SetOrigin(1, 2, 3) s:SetTeam(4) s:SetIndex(5) s:SetBehaviour(13)\n"
                  "s:SetPatrolPath('route') s:SetFormation(TsSquadObject.FORMATION_VEE) s:SetRange(7.5)\n"
                  "s:ForceActive(true)"),
              "");
    TsSquadObject* squad = Global<TsSquadObject>("s");
    ASSERT_NE(squad, nullptr);
    EXPECT_EQ(squad->GetOrigin().y, 2.0f);
    EXPECT_EQ(squad->GetTeamId(), 4);
    EXPECT_EQ(squad->GetIndex(), 5);
    EXPECT_EQ(squad->GetBehaviour(), 13);
    EXPECT_STREQ(squad->GetPatrolPathName(), "route");
    EXPECT_EQ(squad->GetRange(), 7.5f);
    EXPECT_EQ(Number("s:GetFormation()"), 3.0);
    EXPECT_EQ(Number("s:AliveMemberCount()"), 0.0);
    EXPECT_EQ(Type("s:GetTeam()"), "nil") << "no team until import";
    ExpectTypeErrors({"s:SetOrigin(1, 2)", "s:ForceActive()", "s:SetPatrolPath(3, 4)"});
    EXPECT_EQ(Run("s:delete()"), "");
}

TEST_F(SquadBindingsTest, CharactersTakeTheirSettings)
{
    ASSERT_EQ(Run("n = TsNPCObject:new() n:SetWeaponName('Rifle') n:SetItemName('Medkit') n:SetNPCType(TS_NPC_GONK)\n"
                  "p = TsPCObject:new() p:SetStay(1) p:SetPCType(TsPCObject.TAMSA)"),
              "");
    auto* npc = Global<TsNPCObject>("n");
    auto* pc = Global<TsPCObject>("p");
    ASSERT_NE(npc, nullptr);
    ASSERT_NE(pc, nullptr);
    EXPECT_STREQ(npc->GetWeaponName(), "Rifle");
    EXPECT_STREQ(npc->GetItemName(), "Medkit");
    EXPECT_EQ(npc->GetNPCType(), 5);
    EXPECT_EQ(pc->GetPCType(), TS_PC_TAMSA);
    EXPECT_EQ(Number("p:GetStay()"), 1.0);
    EXPECT_EQ(Run("p:SetStay(nil)"), "");
    EXPECT_EQ(Type("p:GetStay()"), "nil");
    ExpectTypeErrors({"n:SetNPCType('x')", "p:SetPCType()"});
    EXPECT_EQ(Run("n:delete() p:delete()"), "");
}

TEST_F(SquadBindingsTest, ThePlayerBuildsItsPartyAndSquad)
{
    LogCapture log;
    TsPlayer player;
    Publish(&player, "TsPlayer", "player");
    ASSERT_EQ(Run("a = TsPCObject:new() a:SetName('a') b = TsPCObject:new() b:SetName('b')\n"
                  "c = TsPCObject:new() c:SetName('c') d = TsPCObject:new() d:SetName('d')\n"
                  "player:AddCharacter(a) player:AddCharacter(b) player:AddCharacter(c) player:AddCharacter(d)\n"
                  "player:AddCharacterToSquad(a, nil) player:AddCharacterToSquad(b, nil)\n"
                  "player:AddCharacterToSquad(c, nil) player:AddCharacterToSquad(d, nil)"),
              "");
    EXPECT_EQ(Number("player:GetTeamCount()"), 3.0);
    EXPECT_TRUE(log.Contains("Player squad full, cannot add character d"));
    EXPECT_EQ(Run("player:AddCharacterToSquad(d, b)"), "") << "the removal comes first";
    EXPECT_EQ(Number("player:GetTeamCount()"), 3.0);
    EXPECT_EQ(Run("player:AddCharacterToSquad(nil, a) player:SetCurrentCharacter(1)"), "");
    EXPECT_EQ(Number("player:GetTeamCount()"), 2.0);
    EXPECT_EQ(player.GetCurrentIndex(), 1);
    EXPECT_EQ(Type("player:GetCharacter('nobody')"), "nil");
    EXPECT_TRUE(log.Contains("TsPlayer::GetCharacter - Couldn't find character named 'nobody'"));
    EXPECT_EQ(Type("player:GetCharacter('c')"), "userdata");
    EXPECT_EQ(Type("player:GetSquad()"), "userdata");
    EXPECT_EQ(Number("player:AddToKitty(-50)"), -50.0);
    EXPECT_EQ(Number("player:GetKitty()"), -50.0);
    EXPECT_EQ(Run("TsPlayer:_EnableEasterEgg(3, 1)"), "");
    EXPECT_EQ(Number("player:GetKitty()"), 99999.0);
    EXPECT_EQ(Number("TsPlayer:_IsEasterEggEnabled(3)"), 1.0);
    EXPECT_EQ(Run("TsPlayer:_EnableEasterEgg(3, nil)"), "");
    EXPECT_EQ(Type("TsPlayer:_IsEasterEggEnabled(3)"), "nil");
    EXPECT_EQ(Number("player:GetScriptState(2)"), -1.0);
    ExpectTypeErrors({"player:AddCharacter(1)", "player:SetCurrentCharacter()", "TsPlayer:_EnableEasterEgg()"});
    EXPECT_EQ(Run("player:Clear()"), "");
    EXPECT_EQ(player.GetCharacterCount(), 0);
}
