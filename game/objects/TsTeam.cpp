#include "game/objects/TsTeam.h"

#include <cstdio>

#include "engine/OmArchive.h"
#include "game/framework/TsLog.h"

OM_IMPLEMENT_CLASS(TsTeam, TsObject)

void TsTeam::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteI32(m_teamId);
    archive.WriteU32(m_alliances.GetCount());
    for (uint32_t i = 0; i < m_alliances.GetCount(); ++i) {
        archive.WriteI32(m_alliances[i]);
    }
}

// A table longer than any team id could need is a damaged file.
void TsTeam::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    archive.ReadI32(m_teamId);
    uint32_t count = 0;
    archive.ReadU32(count);
    m_alliances.RemoveAll();
    if (archive.HasFailed()) {
        return;
    }
    if (count > uint32_t(kMaxTeamId) + 1) {
        char why[80];
        std::snprintf(why, sizeof why, "a team's alliance table holds %u entries", count);
        archive.Fail(why);
        return;
    }
    m_alliances.Resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        archive.ReadI32(m_alliances[i]);
    }
    if (archive.HasFailed()) {
        m_alliances.RemoveAll();
    }
}

bool TsTeam::SetAlliance(int32_t teamId, int32_t relation)
{
    if (teamId < 0 || teamId > kMaxTeamId) {
        LogErrorF("TsTeam::SetAlliance - team id %d out of range (0 to %d) for team %s", teamId, kMaxTeamId,
                  NameOrEmpty());
        return false;
    }
    const uint32_t index = uint32_t(teamId);
    while (m_alliances.GetCount() <= index) {
        m_alliances.Add(TS_ALLIANCE_INVALID);
    }
    m_alliances[index] = relation;
    return true;
}

int32_t TsTeam::GetAlliance(int32_t teamId) const
{
    if (teamId < 0 || uint32_t(teamId) >= m_alliances.GetCount()) {
        return TS_ALLIANCE_INVALID;
    }
    return m_alliances[uint32_t(teamId)];
}

int32_t TsTeam::GetAlliance(const TsTeam* other) const
{
    return other ? GetAlliance(other->GetTeamId()) : TS_ALLIANCE_INVALID;
}
