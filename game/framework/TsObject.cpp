#include "game/framework/TsObject.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsObject, OmObject)

void TsObject::Tick(uint32_t)
{
}

void TsObject::Render(float, float)
{
}

bool TsObject::OnTimer(TsTimerEntry&)
{
    return true;
}
