// The way a character walks: the track it follows with its progress along
// it (0 at the start, 1 at the end), the route the pathfinder last gave, the
// keys that open ground to it (path key A, crossing occupied cells), the
// pathfinder beacon the cower search reached and the ground height of the
// goal the HUD marks. It plans on the pathfinder it is handed; marking the
// cells that others stand on is the character's business.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmVector3.h"
#include "game/objects/TsPathTrack.h"

class OmArchive;
class TsPathfinder;
class TsWaypointObject;

class TsRouteFollower {
public:
    // How long the pathfinder may search, by what the route is for.
    static constexpr int32_t kMoveLimit = 500;         // a move its squad orders
    static constexpr int32_t kPlayerMoveLimit = 10000; // a move the player orders: across the whole window
    static constexpr int32_t kApproachLimit = 500;     // closing in on a target
    static constexpr int32_t kCowerLimit = 300;        // whether a hiding place can be reached

    const TsPathTrack& GetTrack() const { return m_track; }
    float GetProgress() const { return m_progress; }
    void SetProgress(float progress) { m_progress = progress; }
    // Empties the track; the progress stays where it was.
    void Clear() { m_track.Clear(); }
    // Empties the track and starts over at its beginning.
    void Stop()
    {
        m_track.Clear();
        m_progress = 0.0f;
    }
    // The track along a waypoint chain from its first point (round and
    // round for a closed chain), from its beginning; false when it leaves
    // nothing to walk.
    bool Lay(const TsWaypointObject& first);
    // Room for a grow step in the route and the track, so that the first
    // chase of a fight allocates nothing.
    void Reserve();

    void GivePathKeyA() { m_pathKeyA = 1; }
    bool HasPathKeyA() const { return m_pathKeyA != 0; }
    void SetMayCrossOccupied(bool may) { m_mayCrossOccupied = may ? 1 : 0; }
    bool MayCrossOccupied() const { return m_mayCrossOccupied != 0; }
    void ForgetKeys() { m_pathKeyA = m_mayCrossOccupied = 0; }
    int32_t GetBeaconIndex() const { return m_beaconIndex; }
    void SetBeaconIndex(int32_t index) { m_beaconIndex = index; }
    void SetGoalHeight(float height) { m_goalHeight = height; }

    // Whether the track is an open one that already ends in point's cell.
    bool EndsInCellOf(const TsPathfinder& pathfinder, const OmVector3& point) const;
    // A route from one point to the goal for a clearance class, within the
    // pathfinder's iteration limit, with every node cut that a straight walk
    // can skip, laid into the track from its start. An empty track when
    // there is none.
    bool Plan(TsPathfinder& pathfinder, const OmVector3& from, const OmVector3& goal, int32_t cls, int32_t limit);
    // Whether a route leads from one point to a hiding place, occupied
    // cells allowed, within the cower search's limit; the track is left as
    // it is.
    bool CanReach(TsPathfinder& pathfinder, const OmVector3& from, const OmVector3& to, int32_t cls);
    // Done when the track is empty or ended, or an open one's last point is
    // reached from where the walker stands.
    bool IsDone(const OmVector3& position) const;
    // The track's last point at the goal's height; false on an empty track.
    bool GetEnd(OmVector3& point) const;
    // The ground direction of the track where the progress stands.
    bool Direction(OmVector3& direction);
    // Where a step of a distance along the track leads: the progress there
    // (a loop comes round, another track stops at its end) and the point.
    // False on an empty track.
    bool Step(float distance, float& progress, float& x, float& z);

    // The keys and the track with its progress, each where the character's
    // archive keeps them.
    void WriteKeys(OmArchive& archive) const;
    void ReadKeys(OmArchive& archive);
    void WriteTrack(OmArchive& archive) const;
    void ReadTrack(OmArchive& archive);

private:
    TsPathTrack m_track;
    float m_progress = 0.0f;
    uint8_t m_pathKeyA = 0;
    uint8_t m_mayCrossOccupied = 0;
    int32_t m_beaconIndex = 0;
    // Not saved: rebuilt as play goes on.
    float m_goalHeight = 0.0f;
    OmArray<OmVector3> m_route{64};
};
