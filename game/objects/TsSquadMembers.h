// How the squad's own source files (TsSquadObject, TsSquadBehaviours,
// TsSquadPlayer) read its member list, so that they read it one way.
#pragma once

#include "engine/OmList.h"
#include "engine/OmRefList.h"
#include "game/framework/TsEntity.h"
#include "game/objects/TsCharacterObject.h"

namespace TsSquadMembers {

// The member an entry of the list holds; null for no entry.
inline TsCharacterObject* CharacterAt(const OmList::Node* node)
{
    return OmRefList<TsCharacterObject>::At(node);
}

// A member that is neither dead nor dormant takes part in what the squad
// does; null is no member.
inline bool IsLiving(const TsCharacterObject* character)
{
    return character && !character->HasFlag(TS_ENTITY_DEAD | TS_ENTITY_DORMANT);
}

} // namespace TsSquadMembers
