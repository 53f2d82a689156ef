// The flattened form of a waypoint chain that moving characters follow: a
// list of 2D points on the ground (x, z), each with the unit direction and
// length of its segment and its start along the whole path as a fraction
// of the total length, so a position along the path is one value in 0..1.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"

class OmArchive;

class TsPathTrack {
public:
    // One point as the archive stores it: six 32-bit floats.
    struct Point {
        float x = 0.0f, z = 0.0f;
        float directionX = 0.0f, directionZ = 0.0f; // unit, towards the next point
        float segmentLength = 0.0f;
        float start = 0.0f; // distance from the path's start times the inverse length
    };
    static_assert(sizeof(Point) == 24, "a track point is six words on disk");

    TsPathTrack() { Clear(); }

    void Clear();
    // The total length; its inverse is -1 when the length is not positive,
    // and such a track counts as done.
    void SetLength(float total);
    // The point's segment runs on to (toX, toZ): its direction (none for a
    // segment of no length) and its length, which is returned.
    static float AimAt(Point& point, float toX, float toZ);
    // The point whose segment holds s (a fraction of the length). The
    // search resumes at the cursor and restarts from the first point when
    // s lies before it. The track must hold a point.
    const Point& FindSegment(float s);
    // The 2D position at s; false (and nothing written) on an empty track.
    bool PointAt(float s, float& x, float& z);

    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);

    OmArray<Point>& GetPoints() { return m_points; }
    const OmArray<Point>& GetPoints() const { return m_points; }
    uint32_t GetCount() const { return m_points.GetCount(); }
    bool IsClosed() const { return m_closed != 0; }
    void SetClosed(bool closed) { m_closed = closed ? 1 : 0; }
    float GetLength() const { return m_length; }
    float GetInverseLength() const { return m_inverseLength; }
    bool IsDone() const { return m_inverseLength <= 0.0f || m_points.GetCount() == 0; }
    int32_t GetCursor() const { return m_cursor; }
    void SetCursor(int32_t cursor) { m_cursor = cursor; }

private:
    OmArray<Point> m_points{64};
    uint8_t m_closed = 0;
    float m_length = 0.0f;
    float m_inverseLength = -1.0f;
    int32_t m_cursor = 0;
};
