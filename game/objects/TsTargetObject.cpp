#include "game/objects/TsTargetObject.h"

#include "engine/OmArchive.h"

OM_IMPLEMENT_CLASS(TsTargetObject, TsObject)

void TsTargetObject::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteVector(m_origin);
}

void TsTargetObject::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    archive.ReadVector(m_origin);
}
