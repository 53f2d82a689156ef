#include "game/world/TsCellGeometry.h"

namespace {

struct Point {
    int64_t x, z;
};

int64_t Cross(const Point& o, const Point& a, const Point& b)
{
    return (a.x - o.x) * (b.z - o.z) - (a.z - o.z) * (b.x - o.x);
}

int Sign(int64_t v)
{
    return v > 0 ? 1 : v < 0 ? -1 : 0;
}

bool OnSegment(const Point& p, const Point& a, const Point& b)
{
    return (p.x >= (a.x < b.x ? a.x : b.x)) && (p.x <= (a.x > b.x ? a.x : b.x)) &&
           (p.z >= (a.z < b.z ? a.z : b.z)) && (p.z <= (a.z > b.z ? a.z : b.z));
}

// Closed segments, touching ends included.
bool SegmentsMeet(const Point& a, const Point& b, const Point& c, const Point& d)
{
    const int d1 = Sign(Cross(c, d, a)), d2 = Sign(Cross(c, d, b));
    const int d3 = Sign(Cross(a, b, c)), d4 = Sign(Cross(a, b, d));
    if (d1 * d2 < 0 && d3 * d4 < 0)
        return true;
    return (d1 == 0 && OnSegment(a, c, d)) || (d2 == 0 && OnSegment(b, c, d)) || (d3 == 0 && OnSegment(c, a, b)) ||
           (d4 == 0 && OnSegment(d, a, b));
}

// Inside or on the edge, whichever way the triangle winds.
bool InTriangle(const Point& p, const Point t[3])
{
    const int64_t c0 = Cross(t[0], t[1], p), c1 = Cross(t[1], t[2], p), c2 = Cross(t[2], t[0], p);
    const bool anyNegative = c0 < 0 || c1 < 0 || c2 < 0;
    const bool anyPositive = c0 > 0 || c1 > 0 || c2 > 0;
    return !(anyNegative && anyPositive);
}

} // namespace

bool TriangleTouchesSquare(const int32_t corners[3][2], const TsQuantSquare& s)
{
    const Point t[3] = {{corners[0][0], corners[0][1]}, {corners[1][0], corners[1][1]}, {corners[2][0], corners[2][1]}};
    for (const Point& p : t)
        if (p.x >= s.x0 && p.x <= s.x1 && p.z >= s.z0 && p.z <= s.z1)
            return true;
    const Point square[4] = {{s.x0, s.z0}, {s.x1, s.z0}, {s.x1, s.z1}, {s.x0, s.z1}};
    for (int e = 0; e < 3; ++e)
        for (int side = 0; side < 4; ++side)
            if (SegmentsMeet(t[e], t[(e + 1) % 3], square[side], square[(side + 1) % 4]))
                return true;
    for (const Point& corner : square)
        if (InTriangle(corner, t))
            return true;
    return false;
}
