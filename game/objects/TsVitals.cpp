#include "game/objects/TsVitals.h"

#include "engine/OmArchive.h"

void TsVitals::SetMaxHealth(float maximum)
{
    m_maxHealth = maximum;
    if (m_health > maximum)
        m_health = maximum;
}

void TsVitals::SetMaxVitality(float maximum)
{
    m_maxVitality = maximum;
    if (m_vitality > maximum)
        m_vitality = maximum;
}

bool TsVitals::AddHealth(float delta)
{
    m_health += delta;
    if (m_health > m_maxHealth) {
        m_health = m_maxHealth;
        return false;
    }
    return m_health <= 0.0f;
}

bool TsVitals::AddVitality(float delta)
{
    m_vitality += delta;
    if (m_vitality > m_maxVitality) {
        m_vitality = m_maxVitality;
        return false;
    }
    if (!(m_vitality < 0.0f))
        return false;
    const float rest = m_vitality;
    m_vitality = 0.0f;
    return AddHealth(rest);
}

void TsVitals::Write(OmArchive& archive) const
{
    archive.WriteFloat(m_maxHealth).WriteFloat(m_health).WriteFloat(m_maxVitality).WriteFloat(m_vitality);
    archive.WriteFloat(m_healthRecovery).WriteFloat(m_vitalityRecovery);
}

void TsVitals::Read(OmArchive& archive)
{
    archive.ReadFloat(m_maxHealth).ReadFloat(m_health).ReadFloat(m_maxVitality).ReadFloat(m_vitality);
    archive.ReadFloat(m_healthRecovery).ReadFloat(m_vitalityRecovery);
}
