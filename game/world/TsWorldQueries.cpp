// The spatial questions asked of the static world: segment casts walked
// cell by cell over the grid, ground heights, every hit along a ray,
// picking, blob-shadow triangles, the strongest lights at a point and the
// world-to-screen projection. Triangle tests run on the cells' quantised
// integers with one float plane per triangle.
#include "game/world/TsWorld.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "engine/OmMatrix4.h"
#include "engine/OmMaxLight.h"
#include "engine/OmRenderer.h"
#include "engine/OmVector4.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsProfilerDisplay.h"
#include "game/world/TsCellGeometry.h"
#include "game/world/TsWorldCell.h"

namespace {

constexpr float kDirectionEpsilon = 1.0e-6f;

float Axis(const OmVector3& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

void SetAxis(OmVector3& v, int axis, float value)
{
    (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value;
}

// Moves `end` along the segment onto the bound when only it lies beyond;
// false when both ends lie beyond the same bound.
bool ClipEnd(OmVector3& end, const OmVector3& other, int axis, float bound, bool lower)
{
    const float e = Axis(end, axis), o = Axis(other, axis);
    const bool endOut = lower ? e < bound : e > bound;
    const bool otherOut = lower ? o < bound : o > bound;
    if (!endOut)
        return true;
    if (otherOut)
        return false;
    const float t = (bound - e) / (o - e);
    if (t >= 0.0f && t <= 1.0f) {
        end = end + (other - end) * t;
        SetAxis(end, axis, bound);
    }
    return true;
}

bool ClipToCell(const TsWorldCell& cell, OmVector3& a, OmVector3& b)
{
    const OmVector3& o = cell.GetBoxOrigin();
    const OmVector3& s = cell.GetBoxSize();
    // Y first, then X, then Z, each lower bound then upper.
    const int axes[3] = {1, 0, 2};
    const float lo[3] = {o.x, cell.GetMinY(), o.z};
    const float hi[3] = {o.x + s.x, cell.GetMaxY(), o.z + s.z};
    for (OmVector3* end : {&a, &b}) {
        const OmVector3& other = end == &a ? b : a;
        for (int axis : axes) {
            if (!ClipEnd(*end, other, axis, lo[axis], true) || !ClipEnd(*end, other, axis, hi[axis], false))
                return false;
        }
    }
    return true;
}

struct QuantSegment {
    int32_t q0[3], q1[3];
};

struct TriangleHit {
    float t;
    int32_t h[3];
};

// The axes ordered by |n| ascending, ties in X, Y, Z order: the last is
// dropped and the first two span the plane the point test runs in.
void SortAxes(const float n[3], int order[3])
{
    order[0] = 0;
    order[1] = 1;
    order[2] = 2;
    for (int i = 1; i < 3; ++i)
        for (int j = i; j > 0 && std::fabs(n[order[j]]) < std::fabs(n[order[j - 1]]); --j)
            std::swap(order[j], order[j - 1]);
}

// Only front faces are hit; products run in 64 bits, since differences of
// 16-bit coordinates multiplied together overflow 32.
bool TestTriangle(const float n[3], const QuantSegment& seg, const TsCellVertex* p[3], TriangleHit& out)
{
    const int32_t d[3] = {seg.q1[0] - seg.q0[0], seg.q1[1] - seg.q0[1], seg.q1[2] - seg.q0[2]};
    const int32_t p0[3] = {p[0]->x, p[0]->y, p[0]->z};
    const float denominator = n[0] * float(d[0]) + n[1] * float(d[1]) + n[2] * float(d[2]);
    if (!(denominator < 0.0f))
        return false;
    const float offset = n[0] * float(seg.q0[0] - p0[0]) + n[1] * float(seg.q0[1] - p0[1]) +
                         n[2] * float(seg.q0[2] - p0[2]);
    float t = -offset / denominator;
    if (t >= -0.01f && t < 0.0f)
        t = 0.0f;
    else if (t > 1.0f && t < 1.01f)
        t = 1.0f;
    if (!(t >= 0.0f && t <= 1.0f))
        return false;
    for (int i = 0; i < 3; ++i)
        out.h[i] = std::clamp(seg.q0[i] + int32_t(std::nearbyint(float(d[i]) * t)), 0, 65535);
    out.t = t;
    int order[3];
    SortAxes(n, order);
    const int u = order[0], v = order[1];
    const int64_t c2[3] = {p[2]->x, p[2]->y, p[2]->z};
    const int64_t c0[3] = {p0[0], p0[1], p0[2]};
    const int64_t c1[3] = {p[1]->x, p[1]->y, p[1]->z};
    const int64_t e0u = c0[u] - c2[u], e0v = c0[v] - c2[v];
    const int64_t e1u = c1[u] - c2[u], e1v = c1[v] - c2[v];
    const int64_t hu = out.h[u] - c2[u], hv = out.h[v] - c2[v];
    const int64_t det = e1v * e0u - e1u * e0v;
    if (det == 0)
        return false;
    const double s = double(hv * e0u - hu * e0v) / double(det);
    const double r = double(hu * e1v - hv * e1u) / double(det);
    return r >= 0.0 && r <= 1.0 && s >= 0.0 && s <= 1.0 && r + s < 1.01;
}

// The cell's segment test: calls found(group, triangle, hit) for every
// triangle the segment passes through the front of, in bin and list order.
template <class Found>
void ForEachCellHit(const TsWorldCell& cell, OmVector3 a, OmVector3 b, bool includeAlpha, Found&& found)
{
    if (!ClipToCell(cell, a, b))
        return;
    QuantSegment seg;
    cell.Quantise(a, seg.q0[0], seg.q0[1], seg.q0[2]);
    cell.Quantise(b, seg.q1[0], seg.q1[1], seg.q1[2]);
    const int32_t binX0 = std::min(seg.q0[0], seg.q1[0]) >> TsWorldCell::kBinShift;
    const int32_t binX1 = std::max(seg.q0[0], seg.q1[0]) >> TsWorldCell::kBinShift;
    const int32_t binZ0 = std::min(seg.q0[2], seg.q1[2]) >> TsWorldCell::kBinShift;
    const int32_t binZ1 = std::max(seg.q0[2], seg.q1[2]) >> TsWorldCell::kBinShift;
    const OmVector3& size = cell.GetBoxSize();
    const float yScale = size.y / size.x;
    for (int32_t bz = binZ0; bz <= binZ1; ++bz) {
        for (int32_t bx = binX0; bx <= binX1; ++bx) {
            const TsCellBin& bin = cell.Bin(bz * TsWorldCell::kBinsPerSide + bx);
            for (int kind = 0; kind < (includeAlpha ? 2 : 1); ++kind) {
                const TsCellGroup& group = cell.Group(kind);
                const OmArray<OmPlane>& planes = cell.Planes(kind);
                const OmArray<uint16_t>& list = bin.triangles[kind];
                for (uint32_t i = 0; i < list.GetCount(); ++i) {
                    const uint32_t tri = list[i];
                    const OmVector3& normal = planes[tri].normal;
                    const float n[3] = {normal.x, normal.y * yScale, normal.z};
                    const TsCellVertex* p[3] = {&group.vertices[group.indices[3 * tri]],
                                                &group.vertices[group.indices[3 * tri + 1]],
                                                &group.vertices[group.indices[3 * tri + 2]]};
                    TriangleHit hit;
                    if (TestTriangle(n, seg, p, hit))
                        found(kind, tri, hit, p);
                }
            }
        }
    }
}

// The 16.16 walk over grid positions from (x0, z0) to (x1, z1): visit(cx,
// cz, step) returns true to stop.
template <class Visit>
void WalkGrid(int32_t x0, int32_t z0, int32_t x1, int32_t z1, Visit&& visit)
{
    const int32_t dx = x1 - x0, dz = z1 - z0;
    int32_t step = 0;
    if (std::abs(dx) < std::abs(dz)) {
        const int32_t sz = dz > 0 ? 1 : -1;
        const int64_t stepX = dx == 0 ? 0 : (int64_t(dx) * 65536) / std::abs(dz);
        int64_t x = int64_t(x0) * 65536;
        for (int32_t z = z0; z != z1; z += sz, x += stepX)
            if (visit(int32_t(x >> 16), z, step++))
                return;
        visit(int32_t(x >> 16), z1, step);
        return;
    }
    const int32_t sx = dx >= 0 ? 1 : -1;
    const int64_t stepZ = dx == 0 ? int64_t(dz) * 65536 : (int64_t(dz) * 65536) / std::abs(dx);
    int64_t z = int64_t(z0) * 65536;
    for (int32_t x = x0; x != x1; x += sx, z += stepZ)
        if (visit(x, int32_t(z >> 16), step++))
            return;
    visit(x1, int32_t(z >> 16), step);
}

bool Visited(OmArray<int32_t>& visited, int32_t cx, int32_t cz)
{
    for (uint32_t i = 0; i < visited.GetCount(); i += 2)
        if (visited[i] == cx && visited[i + 1] == cz)
            return true;
    visited.Add(cx);
    visited.Add(cz);
    return false;
}

// Liang-Barsky on one axis: narrows [t0, t1] to where a + (b - a) t lies
// within lo..hi.
bool ClipSlab(float a, float b, float lo, float hi, float& t0, float& t1)
{
    const float d = b - a;
    if (d == 0.0f)
        return a >= lo && a <= hi;
    float ta = (lo - a) / d, tb = (hi - a) / d;
    if (ta > tb)
        std::swap(ta, tb);
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
    return t0 <= t1;
}

} // namespace

bool TsWorld::ClipToGrid(OmVector3& a, OmVector3& b) const
{
    if (m_cellCount <= 0 || !IsFinite(a) || !IsFinite(b))
        return false;
    const float extent = float(m_gridSize) * m_cellEdge;
    float t0 = 0.0f, t1 = 1.0f;
    if (!ClipSlab(a.x, b.x, m_gridOrigin.x, m_gridOrigin.x + extent, t0, t1) ||
        !ClipSlab(a.z, b.z, m_gridOrigin.z, m_gridOrigin.z + extent, t0, t1))
        return false;
    const OmVector3 d = b - a;
    const OmVector3 start = a;
    a = start + d * t0;
    b = start + d * t1;
    return IsFinite(a) && IsFinite(b);
}

// ---- nearest hit ------------------------------------------------------------------

bool TsWorld::TestCell(int32_t cx, int32_t cz, const OmVector3& a, const OmVector3& b, const OmVector3& start,
                       TsWorldHit& hit, bool includeAlpha, bool& found)
{
    const TsWorldCell* cell = CellAt(cx, cz);
    if (!cell)
        return false;
    float bestT = FLT_MAX;
    int bestKind = 0;
    uint32_t bestTriangle = 0;
    int32_t bestPoint[3] = {};
    ForEachCellHit(*cell, a, b, includeAlpha, [&](int kind, uint32_t tri, const auto& h, const TsCellVertex**) {
        if (h.t < bestT) {
            bestT = h.t;
            bestKind = kind;
            bestTriangle = tri;
            std::copy(h.h, h.h + 3, bestPoint);
        }
    });
    if (bestT == FLT_MAX)
        return false;
    const OmVector3 point = cell->Dequantise(uint16_t(bestPoint[0]), uint16_t(bestPoint[1]), uint16_t(bestPoint[2]));
    const float distance = (point - start).Length();
    // The first hit of a visit stands whatever its distance; later ones
    // only when nearer.
    if (found && !(distance < hit.distance))
        return true;
    const TsCellGroup& group = cell->Group(bestKind);
    hit.point = point;
    hit.distance = distance;
    hit.normal = cell->Planes(bestKind)[bestTriangle].normal;
    hit.corner0 = cell->Dequantise(group.vertices[group.indices[3 * bestTriangle]]);
    hit.corner1 = cell->Dequantise(group.vertices[group.indices[3 * bestTriangle + 1]]);
    hit.corner2 = cell->Dequantise(group.vertices[group.indices[3 * bestTriangle + 2]]);
    found = true;
    return true;
}

bool TsWorld::CastSegmentStatic(const OmVector3& start, const OmVector3& end, TsWorldHit& hit, bool includeAlpha)
{
    const TsProfileScope scope(TsAccess::LevelProfiler(), TS_PROFILE_RAYCASTING);
    hit.distance = FLT_MAX;
    OmVector3 a = start, b = end;
    if (!ClipToGrid(a, b))
        return false;
    int32_t x0, z0, x1, z1;
    WorldToCell(a.x, a.z, x0, z0);
    WorldToCell(b.x, b.z, x1, z1);
    bool hitAny = false;
    WalkGrid(x0, z0, x1, z1, [&](int32_t cx, int32_t cz, int32_t step) {
        if (step == 0)
            m_visitedNearest.RemoveAll();
        bool found = false;
        for (int32_t ox = -1; ox <= 1; ++ox)
            for (int32_t oz = -1; oz <= 1; ++oz)
                if (!Visited(m_visitedNearest, cx + ox, cz + oz))
                    TestCell(cx + ox, cz + oz, a, b, start, hit, includeAlpha, found);
        hitAny = found;
        return found;
    });
    return hitAny;
}

namespace {
TsWorld::DoorCaster s_doorCaster = nullptr;
}

void TsWorld::SetDoorCaster(DoorCaster caster)
{
    s_doorCaster = caster;
}

bool TsWorld::CastSegment(const OmVector3& start, const OmVector3& end, TsWorldHit& hit, bool includeAlpha)
{
    const bool cells = CastSegmentStatic(start, end, hit, includeAlpha);
    if (!s_doorCaster) {
        static bool reported = false;
        LogErrorOnce(reported, "TsWorld::CastSegment: no door cast is installed; casts see the static world only");
        return cells;
    }
    // A door as far off as the cells stands in front of the wall it is set
    // into: the tie is the door's.
    TsWorldHit door;
    if (s_doorCaster(start, end, door) || (cells && door.distance > hit.distance))
        return cells;
    hit = door;
    return true;
}

float TsWorld::GetGroundHeight(const OmVector3& point)
{
    TsWorldHit hit;
    const OmVector3 below(point.x, point.y - kGroundReach, point.z);
    return CastSegment(point, below, hit, false) ? hit.point.y : FLT_MAX;
}

// ---- every hit ------------------------------------------------------------------

int32_t TsWorld::CollectCellHits(int32_t cx, int32_t cz, const OmVector3& a, const OmVector3& b, OmVector3* points,
                                 int32_t count, int32_t maxCount, bool includeAlpha)
{
    const TsWorldCell* cell = CellAt(cx, cz);
    if (!cell)
        return count;
    ForEachCellHit(*cell, a, b, includeAlpha, [&](int, uint32_t, const auto& h, const TsCellVertex**) {
        if (count < maxCount)
            points[count++] = cell->Dequantise(uint16_t(h.h[0]), uint16_t(h.h[1]), uint16_t(h.h[2]));
    });
    return count;
}

int32_t TsWorld::FindAllIntersections(const OmVector3& start, const OmVector3& direction, OmVector3* points,
                                      int32_t maxCount, bool includeAlpha)
{
    // Only a ray that goes down reaches the world's floor.
    if (!points || maxCount <= 0 || !(direction.y < -kDirectionEpsilon) || !IsFinite(start) || !IsFinite(direction))
        return 0;
    const float yEnd = std::min(m_boundsMin.y, m_boundsMax.y);
    if (!(start.y > yEnd))
        return 0;
    const float t = (yEnd - start.y) / direction.y;
    OmVector3 a = start, b(start.x + direction.x * t, yEnd, start.z + direction.z * t);
    if (!ClipToGrid(a, b))
        return 0;
    int32_t x0, z0, x1, z1;
    WorldToCell(a.x, a.z, x0, z0);
    WorldToCell(b.x, b.z, x1, z1);
    int32_t count = 0;
    WalkGrid(x0, z0, x1, z1, [&](int32_t cx, int32_t cz, int32_t step) {
        if (step == 0)
            m_visitedAll.RemoveAll();
        for (int32_t ox = -1; ox <= 1 && count < maxCount; ++ox)
            for (int32_t oz = -1; oz <= 1 && count < maxCount; ++oz)
                if (!Visited(m_visitedAll, cx + ox, cz + oz))
                    count = CollectCellHits(cx + ox, cz + oz, a, b, points, count, maxCount, includeAlpha);
        return false;
    });
    return count;
}
