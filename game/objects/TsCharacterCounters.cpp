#include "game/objects/TsCharacterCounters.h"

#include <cstdint>

#include "engine/OmArchive.h"

bool TsCharacterCounters::Tick(bool mobile)
{
    m_tickCounter = m_tickCounter >= 0 && m_tickCounter < INT32_MAX ? m_tickCounter + 1 : 0;
    m_hitFlash.Tick();
    m_cooldown.Tick();
    if (m_busy.Get() <= 0)
        return false;
    m_busy.Tick();
    if (m_busy.Get() > 0 || !mobile)
        return false;
    m_busy.Set(-1);
    m_tickCounter = 0;
    return true;
}

void TsCharacterCounters::Reset()
{
    m_tickCounter = 0;
    m_cooldown.Set(0);
    m_busy.Set(0);
    m_stun.Set(0);
}

void TsCharacterCounters::WriteRhythm(OmArchive& archive) const
{
    archive.WriteI32(m_tickCounter);
    m_cooldown.Write(archive);
}

void TsCharacterCounters::ReadRhythm(OmArchive& archive)
{
    archive.ReadI32(m_tickCounter);
    m_cooldown.Read(archive, "a character's cooldown");
    if (m_tickCounter < 0)
        archive.Fail("a character's tick counter is below 0");
}

void TsCharacterCounters::WriteWaits(OmArchive& archive) const
{
    m_hitFlash.Write(archive);
    m_stun.Write(archive);
    m_busy.Write(archive);
}

void TsCharacterCounters::ReadWaits(OmArchive& archive)
{
    m_hitFlash.Read(archive, "a character's hit flash");
    m_stun.Read(archive, "a character's stun");
    m_busy.Read(archive, "a character's busy wait");
}
