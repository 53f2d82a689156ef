#include "game/objects/TsPathfinder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "game/framework/TsAccess.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsProfilerDisplay.h"
#include "game/framework/TsScriptHandles.h"
#include "game/objects/TsWaypointObject.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"

namespace {

// Neighbours in expansion order; the opposite of d is (d + 4) mod 8.
constexpr int32_t kDirX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int32_t kDirZ[8] = {1, 1, 0, -1, -1, -1, 0, 1};

constexpr int32_t kHalf = TsPathfinder::kSide / 2;
constexpr int32_t kFixedOne = 256; // fixed-point cell coordinates: 8 fraction bits
// The walks toward a valid point give up after this many cells.
constexpr int32_t kWalkLimit = 256;

// A float cell coordinate as an integer, toward zero; values that are not
// finite or lie far outside answer a coordinate outside every window.
int32_t Truncate(float v)
{
    if (!std::isfinite(v) || v > 1.0e9f || v < -1.0e9f)
        return INT32_MIN / 2;
    return int32_t(v);
}

// An open-list entry: f in the high half, the cell in the low.
uint32_t Entry(uint32_t f, int32_t cell)
{
    return (f << 16) | uint32_t(cell);
}

uint32_t EntryF(uint32_t entry)
{
    return entry >> 16;
}

int32_t EntryCell(uint32_t entry)
{
    return int32_t(entry & 0xFFFF);
}

} // namespace

TsPathfinder::TsPathfinder()
    : m_grid(std::make_unique<uint16_t[]>(kCellCount)), m_open(std::make_unique<uint32_t[]>(kOpenLimit))
{
}

TsPathfinder::~TsPathfinder() { TsScriptHandles::Forget(this, "TsPathfinder"); }

int32_t TsPathfinder::CellIndex(int32_t cx, int32_t cz)
{
    if (cx < 0 || cx >= kSide || cz < 0 || cz >= kSide)
        return -1;
    return cz * kSide + cx;
}

int32_t TsPathfinder::CellFromWorld(float x, float z) const
{
    return CellIndex(Truncate((x - m_originX) * m_inverseCellSize), Truncate((z - m_originZ) * m_inverseCellSize));
}

void TsPathfinder::CellCentre(int32_t cell, float& x, float& z) const
{
    x = (float(cell % kSide) + 0.5f) * m_cellSize + m_originX;
    z = (float(cell / kSide) + 0.5f) * m_cellSize + m_originZ;
}

int32_t TsPathfinder::ClassForRadius(float radius) const
{
    if (2.0f * radius < m_cellSize)
        return 1;
    return 2.0f * radius >= 3.0f * m_cellSize ? 3 : 2;
}

namespace {

// Whether the world holds a map the window can copy: codes for every tile
// and a crop whose corners keep the window's arithmetic in range.
bool HasUsableMap(const TsWorld* world)
{
    if (!world || !world->GetAIMap() || !(world->GetAITileSize() > 0.0f) || !std::isfinite(world->GetAITileSize()))
        return false;
    constexpr int32_t kFar = 1 << 24;
    const int64_t rows = world->GetAIRows(), columns = world->GetAIColumns();
    return rows > 0 && columns > 0 && rows * columns <= int64_t(world->GetAIMap()->GetCount()) &&
           world->GetAIFirstColumn() >= 0 && world->GetAIFirstRow() >= 0 && world->GetAIFirstColumn() < kFar &&
           world->GetAIFirstRow() < kFar && rows < kFar && columns < kFar;
}

} // namespace

void TsPathfinder::CentreOn(float x, float z)
{
    std::memset(m_grid.get(), 0, sizeof(uint16_t) * kCellCount);
    m_searchDirty = 0;
    if (!HasUsableMap(m_world))
        return; // no map: every cell blocked
    const TsWorld& world = *m_world;
    const TsNibbleArray& codes = *world.GetAIMap();
    const OmVector3& origin = world.GetAIMapOrigin();
    m_cellSize = world.GetAITileSize();
    m_inverseCellSize = 1.0f / m_cellSize;
    const int32_t stride = world.GetAIColumns();
    const int32_t minX = world.GetAIFirstColumn(), minZ = world.GetAIFirstRow();
    const int32_t maxX = minX + stride, maxZ = minZ + world.GetAIRows();
    int32_t ox = TsAIMap::TileOf(x - origin.x, m_inverseCellSize) - kHalf;
    int32_t oz = TsAIMap::TileOf(z - origin.z, m_inverseCellSize) - kHalf;
    ox = std::max(ox, minX);
    oz = std::max(oz, minZ);
    const int32_t w = std::min(kSide, maxX - minX), h = std::min(kSide, maxZ - minZ);
    if (ox + kSide >= maxX)
        ox = maxX - w;
    if (oz + kSide >= maxZ)
        oz = maxZ - h;
    m_originX = float(ox) * m_cellSize + origin.x;
    m_originZ = float(oz) * m_cellSize + origin.z;
    for (int32_t r = 0; r < h; ++r) {
        const uint32_t from = uint32_t((r + oz - minZ) * stride + (ox - minX));
        for (int32_t c = 0; c < w; ++c)
            m_grid[r * kSide + c] = codes.Get(from + uint32_t(c));
    }
    if (!m_characters)
        return;
    for (uint32_t i = 0; i < m_characters->GetCount(); ++i) {
        const TsEntity* character = (*m_characters)[i];
        const OmVector3& at = character->GetPosition();
        MarkOccupied(CellFromWorld(at.x, at.z), ClassForRadius(character->GetRadius()));
    }
}

void TsPathfinder::SetRequirements(int32_t clearanceClass, bool keyA, bool occupiedOK)
{
    m_requiredClass = clearanceClass;
    m_allowed = (keyA ? kKeyA : 0u) | (occupiedOK ? kOccupied : 0u);
}

bool TsPathfinder::IsPassable(int32_t cell) const
{
    if (cell < 0 || cell >= kCellCount)
        return false;
    const uint32_t word = m_grid[cell];
    if (int32_t(word & kClassMask) < m_requiredClass)
        return false;
    return (word & (kKeyA | kOccupied) & ~m_allowed) == 0;
}

bool TsPathfinder::IsPassableAt(float x, float z, int32_t clearanceClass, bool keyA, bool occupiedOK)
{
    SetRequirements(clearanceClass, keyA, occupiedOK);
    return IsPassable(CellFromWorld(x, z));
}

bool TsPathfinder::IsKeyAccessible(float x, float z, bool keyA) const
{
    const int32_t cell = CellFromWorld(x, z);
    if (cell < 0)
        return false;
    return (m_grid[cell] & kKeyA) == 0 || keyA;
}

void TsPathfinder::SetOccupied(int32_t cell, int32_t halfSize, bool occupied)
{
    if (cell < 0 || cell >= kCellCount || halfSize < 0)
        return;
    const int32_t cx = cell % kSide, cz = cell / kSide;
    const int32_t x0 = std::max(cx - halfSize, 0), x1 = std::min(cx + halfSize, kSide - 1);
    const int32_t z0 = std::max(cz - halfSize, 0), z1 = std::min(cz + halfSize, kSide - 1);
    for (int32_t z = z0; z <= z1; ++z)
        for (int32_t x = x0; x <= x1; ++x) {
            uint16_t& word = m_grid[z * kSide + x];
            word = occupied ? uint16_t(word | kOccupied) : uint16_t(word & ~kOccupied);
        }
}

void TsPathfinder::MarkOccupied(int32_t cell, int32_t halfSize)
{
    SetOccupied(cell, halfSize, true);
}

void TsPathfinder::ClearOccupied(int32_t cell, int32_t halfSize)
{
    SetOccupied(cell, halfSize, false);
}

bool TsPathfinder::ToFixed(float x, float z, int32_t& fx, int32_t& fz) const
{
    const float sx = (x - m_originX) * m_inverseCellSize * float(kFixedOne);
    const float sz = (z - m_originZ) * m_inverseCellSize * float(kFixedOne);
    fx = Truncate(sx);
    fz = Truncate(sz);
    const int32_t limit = kSide * kFixedOne;
    // Truncation toward zero puts a point just before the origin in cell 0.
    return fx > -kFixedOne && fx < limit && fz > -kFixedOne && fz < limit;
}

TsPathfinder::Walk TsPathfinder::WalkLine(float x1, float z1, float x2, float z2, bool stopOnPassable)
{
    // A walk that cannot start reaches no cell: an earlier walk's last cell
    // must not pass for this one's.
    m_lastCell = -1;
    int32_t fx1, fz1, fx2, fz2;
    if (!ToFixed(x1, z1, fx1, fz1) || !ToFixed(x2, z2, fx2, fz2))
        return Walk::Outside;
    fx1 = std::max(fx1, 0);
    fz1 = std::max(fz1, 0);
    fx2 = std::max(fx2, 0);
    fz2 = std::max(fz2, 0);
    int32_t cx = fx1 / kFixedOne, cz = fz1 / kFixedOne;
    const int32_t gx = fx2 / kFixedOne, gz = fz2 / kFixedOne;
    const int64_t dx = std::abs(int64_t(fx2) - fx1), dz = std::abs(int64_t(fz2) - fz1);
    const int32_t sx = fx2 > fx1 ? 1 : -1, sz = fz2 > fz1 ? 1 : -1;
    // Distances along each axis from the start to the next cell boundary.
    int64_t nextX = sx > 0 ? int64_t(cx + 1) * kFixedOne - fx1 : fx1 - int64_t(cx) * kFixedOne;
    int64_t nextZ = sz > 0 ? int64_t(cz + 1) * kFixedOne - fz1 : fz1 - int64_t(cz) * kFixedOne;
    m_lastCell = CellIndex(cx, cz);
    const int32_t steps = std::abs(gx - cx) + std::abs(gz - cz);
    for (int32_t step = 0; step < steps; ++step) {
        if (stopOnPassable && step >= kWalkLimit)
            return Walk::TooLong;
        // The boundary the line meets first: compare nextX / dx with nextZ / dz.
        const bool alongX = cz == gz || (cx != gx && nextX * dz <= nextZ * dx);
        if (alongX) {
            cx += sx;
            nextX += kFixedOne;
        } else {
            cz += sz;
            nextZ += kFixedOne;
        }
        // A blocked cell is not reached: the last cell stays the one before it.
        const int32_t cell = CellIndex(cx, cz);
        const bool passable = IsPassable(cell);
        if (!stopOnPassable && !passable)
            return Walk::Blocked;
        m_lastCell = cell;
        if (stopOnPassable && passable)
            return Walk::Found;
    }
    return Walk::Reached;
}

bool TsPathfinder::IsStraightWalkable(float x1, float z1, float x2, float z2, int32_t clearanceClass, bool keyA,
                                      bool occupiedOK)
{
    SetRequirements(clearanceClass, keyA, occupiedOK);
    return WalkLine(x1, z1, x2, z2, false) == Walk::Reached;
}

bool TsPathfinder::GetValidDestination(const OmVector3& from, const OmVector3& to, float radius, bool keyA,
                                       bool occupiedOK, OmVector3& out)
{
    SetRequirements(ClassForRadius(radius), keyA, occupiedOK);
    if (IsPassable(CellFromWorld(to.x, to.z))) {
        out = to;
        return true;
    }
    // "source position not on a walkable tile": the search has nowhere to end.
    if (!IsPassable(CellFromWorld(from.x, from.z)))
        return false;
    if (WalkLine(to.x, to.z, from.x, from.z, true) != Walk::Found)
        return false;
    CellCentre(m_lastCell, out.x, out.z);
    return true;
}

bool TsPathfinder::GetValidPosition(const OmVector3& from, const OmVector3& direction, float distance,
                                    float radius, bool keyA, bool occupiedOK, OmVector3& out)
{
    SetRequirements(ClassForRadius(radius), keyA, occupiedOK);
    if (IsPassable(CellFromWorld(from.x, from.z))) {
        out = from;
        return true;
    }
    const float toX = from.x + direction.x * distance, toZ = from.z + direction.z * distance;
    if (WalkLine(from.x, from.z, toX, toZ, true) != Walk::Found)
        return false;
    CellCentre(m_lastCell, out.x, out.z);
    return true;
}

void TsPathfinder::ClearSearch()
{
    if (!m_searchDirty)
        return;
    for (int32_t i = 0; i < kCellCount; ++i)
        m_grid[i] &= kMapBits;
    m_searchDirty = 0;
}

uint32_t TsPathfinder::Estimate(int32_t cell) const
{
    const int32_t dx = std::abs(cell % kSide - m_goal % kSide);
    const int32_t dz = std::abs(cell / kSide - m_goal / kSide);
    return kEstimateWeight * uint32_t(dx + dz);
}

// A new entry rises above parents of equal f, so among equals the latest
// comes out first: the search keeps following the line it is on.
bool TsPathfinder::Push(int32_t cell, uint32_t f)
{
    if (m_openCount >= kOpenLimit)
        return false;
    uint32_t hole = m_openCount++;
    while (hole > 0) {
        const uint32_t parent = (hole - 1) / 2;
        if (EntryF(m_open[parent]) < f)
            break;
        m_open[hole] = m_open[parent];
        hole = parent;
    }
    m_open[hole] = Entry(f, cell);
    return true;
}

int32_t TsPathfinder::Pop()
{
    const int32_t top = EntryCell(m_open[0]);
    const uint32_t last = m_open[--m_openCount];
    const uint32_t count = m_openCount;
    // The hole goes down to a leaf along the smaller children (the right one
    // of two equals), then the last entry rises from there: fewer
    // comparisons than sifting it down.
    uint32_t hole = 0;
    for (uint32_t child = 1; child < count; child = 2 * hole + 1) {
        if (child + 1 < count && EntryF(m_open[child + 1]) <= EntryF(m_open[child]))
            ++child;
        m_open[hole] = m_open[child];
        hole = child;
    }
    while (hole > 0) {
        const uint32_t parent = (hole - 1) / 2;
        if (EntryF(m_open[parent]) < EntryF(last))
            break;
        m_open[hole] = m_open[parent];
        hole = parent;
    }
    if (count > 0)
        m_open[hole] = last;
    return top;
}

// Each cell takes its step count and parent the first time it is reached
// and keeps them: the overestimate already gave up the shortest route, and
// settling once keeps every cell to one open-list entry.
bool TsPathfinder::Search(int32_t start, int32_t goal, int32_t iterationLimit)
{
    m_openCount = 0;
    ClearSearch();
    m_searchDirty = 1;
    m_start = start;
    m_goal = goal;
    m_grid[start] = uint16_t((m_grid[start] & kMapBits) | kVisited);
    Push(start, Estimate(start));
    for (int32_t iterations = 0; m_openCount > 0; ++iterations) {
        // Callers bound the work a search may take.
        if (iterations >= iterationLimit)
            return false;
        const int32_t cell = Pop();
        const uint32_t g = m_grid[cell] >> kStepShift;
        if (g > uint32_t(kMaxSteps))
            return false; // the step count would no longer fit its bits
        if (cell == goal)
            return true;
        if (!Expand(cell, g))
            return false;
    }
    return false;
}

bool TsPathfinder::Expand(int32_t cell, uint32_t g)
{
    const int32_t cx = cell % kSide, cz = cell / kSide;
    for (int d = 0; d < 8; ++d) {
        const int32_t next = CellIndex(cx + kDirX[d], cz + kDirZ[d]);
        if (next < 0 || !IsPassable(next) || (m_grid[next] & kVisited))
            continue;
        m_grid[next] = uint16_t((m_grid[next] & kMapBits) | kVisited | (((d + 4) & 7) << kParentShift) |
                                ((g + 1) << kStepShift));
        if (!Push(next, g + 1 + Estimate(next)))
            return false;
    }
    return true;
}

void TsPathfinder::BuildPath(int32_t start, int32_t goal, OmArray<OmVector3>& path) const
{
    const uint32_t steps = m_grid[goal] >> kStepShift;
    path.Resize(steps + 1);
    int32_t cell = goal;
    for (uint32_t i = steps + 1; i-- > 0;) {
        float x, z;
        CellCentre(cell, x, z);
        path[i].Set(x, 0.0f, z);
        if (cell == start)
            break;
        const int d = (m_grid[cell] >> kParentShift) & 7;
        cell += kDirZ[d] * kSide + kDirX[d];
    }
}

bool TsPathfinder::FindPath(float x1, float z1, float x2, float z2, int32_t clearanceClass, bool keyA,
                            bool occupiedOK, int32_t iterationLimit, OmArray<OmVector3>& path)
{
    const TsProfileScope scope(TsAccess::LevelProfiler(), TS_PROFILE_ASTAR);
    SetRequirements(clearanceClass, keyA, occupiedOK);
    const int32_t start = CellFromWorld(x1, z1), goal = CellFromWorld(x2, z2);
    if (start < 0 || goal < 0 || !IsPassable(goal))
        return false;
    if (IsStraightWalkable(x1, z1, x2, z2, clearanceClass, keyA, occupiedOK)) {
        path.Resize(2);
        path[0].Set(x1, 0.0f, z1);
        path[1].Set(x2, 0.0f, z2);
        return true;
    }
    if (!Search(start, goal, iterationLimit))
        return false;
    BuildPath(start, goal, path);
    return true;
}

bool TsPathfinder::FindPath(float x1, float z1, float x2, float z2, int32_t clearanceClass, bool keyA,
                            bool occupiedOK, int32_t iterationLimit, OmRef<TsWaypointObject>& path)
{
    if (!FindPath(x1, z1, x2, z2, clearanceClass, keyA, occupiedOK, iterationLimit, m_points))
        return false;
    const TsProfileScope scope(TsAccess::LevelProfiler(), TS_PROFILE_ASTAR_CREATE_PATH);
    path = TsWaypointObject::MakePath(m_points);
    return true;
}
