#include "game/objects/TsCharacterTargets.h"

#include "engine/OmArchive.h"
#include "game/objects/TsCharacterObject.h"

void TsCharacterTargets::Forget()
{
    Clear();
    m_aimPoint = OmVector3();
    m_lastAttacker = nullptr;
    m_lastHitTick = -1;
}

void TsCharacterTargets::Write(OmArchive& archive) const
{
    archive.WriteObjectRef(m_first).WriteObjectRef(m_locked).WriteVector(m_aimPoint);
    archive.WriteObjectRef(m_assigned).WriteVector(m_basePoint);
    archive.WriteObjectRef(m_lastAttacker).WriteI32(m_lastHitTick);
}

void TsCharacterTargets::Read(OmArchive& archive)
{
    ReadLink(archive, m_first);
    ReadLink(archive, m_locked).ReadVector(m_aimPoint);
    ReadLink(archive, m_assigned).ReadVector(m_basePoint);
    ReadLink(archive, m_lastAttacker).ReadI32(m_lastHitTick);
}
