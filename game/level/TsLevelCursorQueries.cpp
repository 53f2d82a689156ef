#include "game/level/TsLevelCursorQueries.h"

#include "game/framework/TsAccess.h"
#include "game/framework/TsEntity.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPathfinder.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"

int TsLevelCursorQueries::PickSurface(int x, int y, OmVector3* points, int max)
{
    TsWorld* world = m_level.GetWorld();
    int32_t count = 0;
    if (world && !world->PickScreenPoint(static_cast<float>(x), static_cast<float>(y), points, count, max)) {
        count = 0;
    }
    return count;
}

float TsLevelCursorQueries::ControlledHeight()
{
    const TsEntity* character = TsAccess::CurrentCharacter();
    return character ? character->GetPosition().y : 0.0f;
}

bool TsLevelCursorQueries::CanReach(float x, float z)
{
    return CanWalkTo(m_level.GetPathfinder(), TsAccess::CurrentCharacter(), x, z);
}

// With nobody to walk, no point is reachable. A wide character does not fit
// through a gap a narrow one passes, and a keyed area is open only to those
// holding its key; other characters in the way do not make a point unreachable.
bool TsLevelCursorQueries::CanWalkTo(TsPathfinder* pathfinder, const TsCharacterObject* character, float x, float z)
{
    if (!character || !pathfinder) {
        return false;
    }
    return pathfinder->IsPassableAt(x, z, pathfinder->ClassForRadius(character->GetRadius()),
                                    character->HasPathKeyA(), true);
}
