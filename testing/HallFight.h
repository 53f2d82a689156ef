// The mission's fight, as play tests and measurements stage it: the hall's
// squad brought into the party's room, seeing the party at once, and each
// side ordered to attack the other as a player's clicks and the guards' own
// sight would have them do.
#pragma once

#include <string_view>

#include "game/framework/TsAccess.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"

namespace hallfight {

// The level's entity of that name, or null.
inline TsEntity* Find(TsLevel& level, const char* name)
{
    for (OmList::Node* n = level.GetEntityDB()->GetEntities().GetFirst(); n; n = n->next) {
        auto* entity = TsEntity::Cast(static_cast<OmObject*>(n->value));
        if (entity && entity->GetName() && std::string_view(entity->GetName()) == name)
            return entity;
    }
    return nullptr;
}

inline TsCharacterObject* Character(TsLevel& level, const char* name)
{
    return dynamic_cast<TsCharacterObject*>(Find(level, name));
}

inline TsSquadObject* Squad(TsLevel& level, int32_t index)
{
    for (OmList::Node* n = level.GetEntityDB()->GetSquads().GetFirst(); n; n = n->next) {
        auto* squad = TsSquadObject::Cast(static_cast<TsObject*>(n->value));
        if (squad && squad->GetIndex() == index)
            return squad;
    }
    return nullptr;
}

// A new game started on the mission leaves the party's squad without a
// team (the demo's scripts give it one when a party comes from another
// level), and nobody is the enemy of a squad without one: it gets the
// player's team, as in the campaign.
inline void GiveThePartyItsTeam(TsLevel& level)
{
    constexpr int32_t kPlayerTeam = 0;
    TsSquadObject* party = TsAccess::LocalPlayer() ? TsAccess::LocalPlayer()->GetSquad() : nullptr;
    for (OmList::Node* n = level.GetEntityDB()->GetTeams().GetFirst(); n && party; n = n->next) {
        auto* team = TsTeam::Cast(static_cast<TsObject*>(n->value));
        if (team && team->GetTeamId() == kPlayerTeam && !party->GetTeam()) {
            party->SetTeam(kPlayerTeam);
            party->SetTeamObject(team);
        }
    }
}

// The three guards placed by the party, their squad aware of it.
inline void BringTheHallSquadIn(TsLevel& level)
{
    const char* const guards[3] = {"guard1", "guard2", "guard3"};
    const float at[3][2] = {{4.0f, 4.0f}, {4.5f, 5.0f}, {4.0f, 6.0f}};
    for (int i = 0; i < 3; ++i) {
        if (TsEntity* guard = Find(level, guards[i]))
            guard->SetPosition(at[i][0], 0.0f, at[i][1]);
    }
    if (TsSquadObject* squad = Squad(level, 1)) {
        squad->AddThreat(Find(level, "Ann"));
        squad->AddThreat(Find(level, "Bob"));
    }
}

// Each guard attacks a member of the party, who attacks it back.
inline void OrderAttacks(TsLevel& level)
{
    const char* const party[2] = {"Ann", "Bob"};
    const char* const guards[3] = {"guard1", "guard2", "guard3"};
    for (int i = 0; i < 3; ++i) {
        TsCharacterObject* guard = Character(level, guards[i]);
        TsCharacterObject* pc = Character(level, party[i % 2]);
        if (guard && pc) {
            guard->AttackTarget(pc, pc->GetPosition(), true);
            pc->AttackTarget(guard, guard->GetPosition(), true);
        }
    }
}

} // namespace hallfight
