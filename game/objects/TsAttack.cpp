#include "game/objects/TsAttack.h"

#include "engine/OmArchive.h"
#include "game/framework/TsEntity.h"
#include "game/objects/TsCharacterObject.h"

OM_IMPLEMENT_CLASS(TsAttack, OmObject)

bool TsAttack::Register(OmArchive& archive)
{
    if (!OmObject::Register(archive))
        return false;
    if (m_target)
        m_target->Register(archive);
    if (m_attacker)
        m_attacker->Register(archive);
    return true;
}

void TsAttack::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteObjectRef(m_target).WriteObjectRef(m_attacker);
    archive.WriteVector(m_position).WriteVector(m_direction);
    archive.WriteI32(m_matterType).WriteFloat(m_damage).WriteFloat(m_stun);
    archive.WriteI32(m_secondId).WriteI32(m_impactSound);
}

void TsAttack::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    ReadLink(archive, m_target);
    ReadLink(archive, m_attacker);
    archive.ReadVector(m_position).ReadVector(m_direction);
    archive.ReadEnum(m_matterType).ReadFloat(m_damage).ReadFloat(m_stun);
    archive.ReadI32(m_secondId).ReadI32(m_impactSound);
}

bool TsAttack::Deliver()
{
    if (!m_target)
        return false;
    m_target->OnHit(*this);
    return true;
}
