// Hostile teams on the demo level, placed characters, their squads and the
// player's party.
#pragma once

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsWaypointObject.h"
#include "game/objects/TsWeaponObject.h"
#include "tests/app/DemoLevelFixture.h"
#include "ui/TsGameFrontEnd.h"

namespace apptest {

namespace fs = std::filesystem;

constexpr int32_t kPlayerTeam = 0;
constexpr int32_t kEnemyTeam = 1;

inline float GroundDistance(const OmVector3& a, const OmVector3& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z));
}

class SquadLevel : public InDemoLevel {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InDemoLevel::SetUp());
        MakeTeam(kPlayerTeam, kEnemyTeam, TS_ALLIANCE_HOSTILE);
        MakeTeam(kEnemyTeam, kPlayerTeam, TS_ALLIANCE_HOSTILE);
    }

    TsEntityDB* DB() const { return Level()->GetEntityDB(); }

    TsTeam* MakeTeam(int32_t id, int32_t other, int32_t relation)
    {
        auto* team = new TsTeam;
        team->SetTeamID(id);
        team->SetAlliance(other, relation);
        DB()->AddObject(OmRef<TsObject>::Adopt(team));
        return team;
    }

    template <class T>
    T* Place(T* c, const char* name, float x, float z, int32_t squadIndex, const char* mdl = "walker.pbf")
    {
        Figure(c, name, x, z, mdl);
        c->SetSquadIndex(squadIndex);
        c->ForceActive();
        DB()->AddEntity(OmRef<TsEntity>::Adopt(c));
        EXPECT_TRUE(c->Initialise());
        return c;
    }

    TsNPCObject* AddNPC(const char* name, float x, float z, int32_t squadIndex)
    {
        return Place(new TsNPCObject, name, x, z, squadIndex);
    }

    // The squad of the characters placed with its index.
    TsSquadObject* MakeSquad(int32_t index, int32_t team, int32_t behaviour, const char* patrol = nullptr)
    {
        auto* squad = new TsSquadObject;
        squad->SetIndex(index);
        squad->SetTeam(team);
        squad->SetBehaviour(behaviour);
        if (patrol)
            squad->SetPatrolPath(patrol);
        DB()->AddObject(OmRef<TsObject>::Adopt(squad));
        EXPECT_TRUE(squad->Import());
        TsAccess::AnimDB()->LoadAnimations();
        return squad;
    }

    // The player's squad, one character made by `make` at each point, the
    // first current.
    template <class Make = TsPCObject* (*)()>
    std::vector<TsPCObject*> MakeParty(const std::vector<OmVector3>& at, Make make = [] { return new TsPCObject; })
    {
        TsPlayer* player = TsAccess::LocalPlayer();
        std::vector<TsPCObject*> party;
        for (size_t i = 0; i < at.size(); ++i) {
            TsPCObject* pc = make();
            // Tough enough to stand through every test's blows.
            pc->SetMaxHealth(1.0e6f);
            pc->SetHealth(1.0e6f);
            AddPartyMember(("pc" + std::to_string(i)).c_str(), at[i].x, at[i].z, int32_t(i), "walker.pbf", pc);
            pc->SetOrigin(at[i].x, 0.0f, at[i].z);
            party.push_back(pc);
        }
        player->GetSquad()->SetTeam(kPlayerTeam);
        EXPECT_TRUE(player->InitialiseForLevel(-1));
        player->SetCurrentCharacter(0);
        TsAccess::AnimDB()->LoadAnimations();
        return party;
    }
};

} // namespace apptest
