#include "game/objects/TsRouteFollower.h"

#include <algorithm>
#include <cmath>

#include "engine/OmArchive.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsWaypointObject.h"

namespace {

constexpr float kArrived = 0.01f;

// Copies route points into a track: each point with the direction and
// length of its segment and its start as a fraction of the whole length.
void FillTrack(TsPathTrack& track, const OmArray<OmVector3>& route)
{
    track.Clear();
    const uint32_t count = route.GetCount();
    track.GetPoints().Resize(count);
    float total = 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        TsPathTrack::Point& p = track.GetPoints()[i];
        p = TsPathTrack::Point{.x = route[i].x, .z = route[i].z, .start = total};
        if (i + 1 == count)
            continue;
        total += TsPathTrack::AimAt(p, route[i + 1].x, route[i + 1].z);
    }
    if (total <= 0.0f)
        return; // a track of no length counts as done
    track.SetLength(total);
    for (uint32_t i = 0; i < count; ++i)
        track.GetPoints()[i].start *= track.GetInverseLength();
}

} // namespace

void TsRouteFollower::Reserve()
{
    m_route.Reserve(m_route.GetGrowStep());
    m_track.GetPoints().Reserve(m_track.GetPoints().GetGrowStep());
}

bool TsRouteFollower::EndsInCellOf(const TsPathfinder& pathfinder, const OmVector3& point) const
{
    const uint32_t count = m_track.GetCount();
    if (count == 0)
        return false;
    const TsPathTrack::Point& last = m_track.GetPoints()[count - 1];
    const int32_t lastCell = pathfinder.CellFromWorld(last.x, last.z);
    return lastCell >= 0 && lastCell == pathfinder.CellFromWorld(point.x, point.z) && !m_track.IsClosed();
}

bool TsRouteFollower::Plan(TsPathfinder& pathfinder, const OmVector3& from, const OmVector3& goal, int32_t cls,
                           int32_t limit)
{
    const bool keyA = m_pathKeyA != 0;
    m_route.RemoveAll();
    const bool found = pathfinder.FindPath(from.x, from.z, goal.x, goal.z, cls, keyA, false, limit, m_route);
    if (found) {
        // Cut every node that a straight walk from the kept node before it
        // to the node after it can skip.
        if (m_route.GetCount() > 2) {
            uint32_t kept = 1;
            for (uint32_t i = 1; i + 1 < m_route.GetCount(); ++i) {
                if (!pathfinder.IsStraightWalkable(m_route[kept - 1].x, m_route[kept - 1].z, m_route[i + 1].x,
                                                   m_route[i + 1].z, cls, keyA, m_mayCrossOccupied != 0))
                    m_route[kept++] = m_route[i];
            }
            m_route[kept++] = m_route[m_route.GetCount() - 1];
            m_route.Resize(kept);
        }
        FillTrack(m_track, m_route);
    } else {
        m_track.Clear();
    }
    m_progress = 0.0f;
    return found;
}

bool TsRouteFollower::CanReach(TsPathfinder& pathfinder, const OmVector3& from, const OmVector3& to, int32_t cls)
{
    m_route.RemoveAll();
    return pathfinder.FindPath(from.x, from.z, to.x, to.z, cls, m_pathKeyA != 0, true, kCowerLimit, m_route);
}

bool TsRouteFollower::Lay(const TsWaypointObject& first)
{
    first.BuildTrack(m_track);
    m_progress = 0.0f;
    return !m_track.IsDone();
}

bool TsRouteFollower::IsDone(const OmVector3& position) const
{
    const uint32_t count = m_track.GetCount();
    if (count == 0 || m_progress >= 1.0f || m_track.IsDone())
        return true;
    // A loop's last point is passed on the way round, not its end.
    if (m_track.IsClosed())
        return false;
    const TsPathTrack::Point& last = m_track.GetPoints()[count - 1];
    return std::fabs(position.x - last.x) <= kArrived && std::fabs(position.z - last.z) <= kArrived;
}

bool TsRouteFollower::GetEnd(OmVector3& point) const
{
    const uint32_t count = m_track.GetCount();
    if (count == 0)
        return false;
    const TsPathTrack::Point& last = m_track.GetPoints()[count - 1];
    point.Set(last.x, m_goalHeight, last.z);
    return true;
}

bool TsRouteFollower::Direction(OmVector3& direction)
{
    if (m_track.GetCount() == 0)
        return false;
    const TsPathTrack::Point& p = m_track.FindSegment(std::clamp(m_progress, 0.0f, 1.0f));
    if (p.directionX == 0.0f && p.directionZ == 0.0f)
        return false;
    direction.Set(p.directionX, 0.0f, p.directionZ);
    return true;
}

bool TsRouteFollower::Step(float distance, float& progress, float& x, float& z)
{
    progress = m_progress + distance * m_track.GetInverseLength();
    if (!std::isfinite(progress))
        progress = 1.0f;
    if (progress >= 1.0f)
        progress = m_track.IsClosed() ? progress - std::floor(progress) : 1.0f;
    return m_track.PointAt(progress, x, z);
}

void TsRouteFollower::WriteKeys(OmArchive& archive) const
{
    archive.WriteU32(m_pathKeyA).WriteU32(m_mayCrossOccupied);
}

void TsRouteFollower::ReadKeys(OmArchive& archive)
{
    uint32_t keyA = 0, mayCross = 0;
    archive.ReadU32(keyA).ReadU32(mayCross);
    m_pathKeyA = keyA != 0 ? 1 : 0;
    m_mayCrossOccupied = mayCross != 0 ? 1 : 0;
}

void TsRouteFollower::WriteTrack(OmArchive& archive) const
{
    m_track.Write(archive);
    archive.WriteFloat(m_progress);
}

void TsRouteFollower::ReadTrack(OmArchive& archive)
{
    m_track.Read(archive);
    archive.ReadFloat(m_progress);
    if (!std::isfinite(m_progress))
        m_progress = 0.0f;
}
