#include "game/objects/TsPathTrack.h"

#include <cmath>

#include "engine/OmArchive.h"

void TsPathTrack::Clear()
{
    m_points.Resize(0);
    m_length = 0.0f;
    m_inverseLength = -1.0f;
    m_closed = 0;
    m_cursor = 0;
}

void TsPathTrack::SetLength(float total)
{
    m_length = total;
    m_inverseLength = total > 0.0f ? 1.0f / total : -1.0f;
}

float TsPathTrack::AimAt(Point& point, float toX, float toZ)
{
    const float dx = toX - point.x, dz = toZ - point.z;
    const float length = std::sqrt(dx * dx + dz * dz);
    if (length > 0.0f) {
        point.directionX = dx / length;
        point.directionZ = dz / length;
    }
    point.segmentLength = length;
    return length;
}

const TsPathTrack::Point& TsPathTrack::FindSegment(float s)
{
    const int32_t count = static_cast<int32_t>(m_points.GetCount());
    // A cursor from a damaged save, or left over from a longer track, starts
    // the search over rather than reading past the points.
    if (m_cursor < 0 || m_cursor >= count || s < m_points[uint32_t(m_cursor)].start)
        m_cursor = 0;
    // An open track's last point only ends the path; a closed track's last
    // point starts the segment back to the first.
    const int32_t lastSegment = m_closed ? count - 1 : count - 2;
    while (m_cursor < lastSegment && m_points[uint32_t(m_cursor + 1)].start <= s)
        ++m_cursor;
    return m_points[uint32_t(m_cursor)];
}

bool TsPathTrack::PointAt(float s, float& x, float& z)
{
    if (m_points.GetCount() == 0)
        return false;
    const Point& p = FindSegment(s);
    const float along = (s - p.start) * m_length;
    x = p.x + p.directionX * along;
    z = p.z + p.directionZ * along;
    return true;
}

void TsPathTrack::Write(OmArchive& archive) const
{
    m_points.Write(archive);
    archive.WriteBool(m_closed != 0).WriteFloat(m_length).WriteFloat(m_inverseLength).WriteI32(m_cursor);
}

void TsPathTrack::Read(OmArchive& archive)
{
    m_points.Read(archive);
    bool closed = false;
    archive.ReadBool(closed).ReadFloat(m_length).ReadFloat(m_inverseLength).ReadI32(m_cursor);
    m_closed = closed ? 1 : 0;
    if (m_cursor < 0 || m_cursor >= static_cast<int32_t>(m_points.GetCount()))
        m_cursor = 0;
}
