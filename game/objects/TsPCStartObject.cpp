#include "game/objects/TsPCStartObject.h"

OM_IMPLEMENT_CLASS(TsPCStartObject, TsEntity)

TsPCStartObject::TsPCStartObject()
{
    // A marker is neither drawn, touched nor activated by distance.
    m_flags = 0;
}
