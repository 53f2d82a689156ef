// Every squad of a level but the player's made active wherever the camera
// looks, as long play tests and measurements want them: answers how many.
#pragma once

#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsSquadObject.h"

inline int ForceOtherSquadsActive(TsLevel& level)
{
    int count = 0;
    for (OmList::Node* n = level.GetEntityDB()->GetSquads().GetFirst(); n; n = n->next) {
        auto* squad = TsSquadObject::Cast(static_cast<TsObject*>(n->value));
        if (squad && squad->GetIndex() != 0) {
            squad->ForceActive(false);
            ++count;
        }
    }
    return count;
}
