#include "game/objects/TsBanterObject.h"

#include "engine/OmArchive.h"

OM_IMPLEMENT_CLASS(TsBanterObject, TsNPCObject)

// Someone to talk to, not to fight: usable, never a target.
TsBanterObject::TsBanterObject()
{
    SetFlag(TS_ENTITY_USABLE);
    ClearFlag(TS_ENTITY_TARGETABLE);
    SetAnimationClass(0);
    SetRadius(0.25f);
    SetHeight(1.7f);
}

void TsBanterObject::Write(OmArchive& archive)
{
    TsNPCObject::Write(archive);
    archive.WriteI32(m_banterState);
    m_banterScript.Write(archive);
}

void TsBanterObject::Read(OmArchive& archive)
{
    TsNPCObject::Read(archive);
    archive.ReadI32(m_banterState);
    m_banterScript.Read(archive);
}

