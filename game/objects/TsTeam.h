// A side in the level's fights. Squads name their team by id; a team's
// alliance table says, for every other team id, whether that team is a
// friend, neutral or an enemy. Hostility is always read from the attacker's
// own team towards the other's, so two teams may see each other differently.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsObject.h"

enum TsTeamAlliance : int32_t {
    TS_ALLIANCE_INVALID = -1,
    TS_ALLIANCE_FRIENDLY = 0,
    TS_ALLIANCE_NEUTRAL = 1,
    TS_ALLIANCE_HOSTILE = 2,
};

class TsTeam : public TsObject, public TsTeamIdentity {
    OM_DECLARE_CLASS(TsTeam)

    // Team ids index the alliance tables; a larger id is a script mistake
    // that would otherwise grow every table without bound.
    static constexpr int32_t kMaxTeamId = 1023;

    TsTeam() = default;
    explicit TsTeam(OmArchive& archive) : TsObject(archive) {}

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    void SetTeamID(int32_t id) { m_teamId = id; }
    int32_t GetTeamId() const override { return m_teamId; }

    // Grows the table to hold the id (new entries INVALID) and stores the
    // relation. A negative id or one above kMaxTeamId is refused (logged,
    // false).
    bool SetAlliance(int32_t teamId, int32_t relation);
    // The entry at the id; INVALID outside the table.
    int32_t GetAlliance(int32_t teamId) const;
    // The entry at the other team's id; INVALID without a team.
    int32_t GetAlliance(const TsTeam* other) const;
    int32_t GetAllianceCount() const { return static_cast<int32_t>(m_alliances.GetCount()); }

private:
    int32_t m_teamId = -1;
    OmArray<int32_t> m_alliances{64};
};
