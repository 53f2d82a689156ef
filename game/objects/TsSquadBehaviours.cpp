// The squad's update: threat ageing, target assignment, the behaviours and
// the formations.
#include "game/objects/TsSquadObject.h"

#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"

void TsSquadObject::Update(uint32_t tickCount)
{
    static bool reported = false;
    if (!reported) {
        reported = true;
        LogError("TsSquadObject: squad behaviours are not built yet");
    }
    (void)tickCount;
}

bool TsSquadObject::Import()
{
    static bool reported = false;
    if (!reported) {
        reported = true;
        LogError("TsSquadObject: squad import is not built yet");
    }
    return false;
}
