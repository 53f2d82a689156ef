// What the level cursor asks of the running level: the world under a
// pixel, the controlled character's height, and whether that character can
// walk to a point (the pathfinder's answer for its body size and keys).
#pragma once

#include "game/objects/TsLevelCursor.h"

class TsLevel;
class TsPathfinder;
class TsCharacterObject;

class TsLevelCursorQueries : public TsCursorQueries {
public:
    explicit TsLevelCursorQueries(TsLevel& level) : m_level(level) {}
    int PickSurface(int x, int y, OmVector3* points, int max) override;
    float ControlledHeight() override;
    bool CanReach(float x, float z) override;
    // Whether the character could stand at the point: its clearance class
    // and path key as the pathfinder sees them.
    static bool CanWalkTo(TsPathfinder* pathfinder, const TsCharacterObject* character, float x, float z);

private:
    TsLevel& m_level;
};
