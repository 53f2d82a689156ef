// Walking routes over the AI map. The pathfinder works on a 256 x 256 tile
// window that the level re-centres every tick on the point it follows; it
// answers whether a cell is walkable for a body size and a set of keys,
// whether a straight line can be walked, a route between two points (A*),
// the nearest walkable point along a line, and which cells characters stand
// on.
//
// The search is a weighted A*: it counts three steps for every tile of
// Manhattan distance still to go and settles each cell the first time it
// reaches it. That makes it head for the goal and slide along a wall toward
// it, so a long way round costs a few hundred cells where a shortest-route
// search would first search most of the room; the routes it finds are good
// rather than shortest, and the straightening callers do afterwards evens
// them out.
//
// All search state lives in the 16-bit cell words, so a search allocates
// nothing and clearing it is one pass over the grid, skipped when nothing
// was searched since the window was filled.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"

class TsWaypointObject;
class TsWorld;
class TsEntity;

class TsPathfinder {
public:
    static constexpr int32_t kSide = 256;
    static constexpr int32_t kCellCount = kSide * kSide;
    // Routes are counted in steps (straight or diagonal alike); the step
    // count is kept in 8 bits, so no route of more than kMaxSteps is found.
    static constexpr int32_t kMaxSteps = 254;
    // Open-list entries one search may hold: a search that would need more
    // has wandered far from the goal and gives up.
    static constexpr uint32_t kOpenLimit = 2048;
    // The estimate's steps for each tile of Manhattan distance to the goal.
    static constexpr uint32_t kEstimateWeight = 3;

    // Cell word bits.
    static constexpr uint16_t kClassMask = 3;
    static constexpr uint16_t kKeyA = 4;
    static constexpr uint16_t kOccupied = 8;
    static constexpr uint16_t kMapBits = 15;
    static constexpr uint16_t kVisited = 16;
    static constexpr int kParentShift = 5;
    static constexpr int kStepShift = 8;

    TsPathfinder();
    ~TsPathfinder();
    TsPathfinder(const TsPathfinder&) = delete;
    TsPathfinder& operator=(const TsPathfinder&) = delete;

    // The world whose AI map the window copies from, and the characters
    // whose cells count as occupied (the entity database's active
    // characters). Either may be null: no map leaves every cell blocked, no
    // list marks nothing.
    void SetWorld(const TsWorld* world) { m_world = world; }
    void SetCharacters(const OmArray<TsEntity*>* characters) { m_characters = characters; }

    // Re-centres the window on a world point and refills it.
    void CentreOn(float x, float z);

    void SetRequirements(int32_t clearanceClass, bool keyA, bool occupiedOK);
    bool IsPassable(int32_t cell) const;
    bool IsPassableAt(float x, float z, int32_t clearanceClass, bool keyA, bool occupiedOK);
    // Only the key: false outside the window.
    bool IsKeyAccessible(float x, float z, bool keyA) const;

    // Sets or clears the occupied bit on the square of cells within
    // halfSize of the cell, clipped to the window; a negative cell does nothing.
    void MarkOccupied(int32_t cell, int32_t halfSize);
    void ClearOccupied(int32_t cell, int32_t halfSize);

    // A route from (x1, z1) to (x2, z2): true and the route's
    // points (y 0) from the start to the goal in path; false and path
    // untouched when there is none within the limits. A straight walkable
    // line gives just the two points themselves; otherwise the points are
    // the centres of the cells along the route.
    bool FindPath(float x1, float z1, float x2, float z2, int32_t clearanceClass, bool keyA, bool occupiedOK,
                  int32_t iterationLimit, OmArray<OmVector3>& path);
    // The same route as a chain of fresh path nodes from the start to the
    // goal, which lives as long as its first node is held. False and path
    // untouched when there is no route.
    bool FindPath(float x1, float z1, float x2, float z2, int32_t clearanceClass, bool keyA, bool occupiedOK,
                  int32_t iterationLimit, OmRef<TsWaypointObject>& path);
    bool IsStraightWalkable(float x1, float z1, float x2, float z2, int32_t clearanceClass, bool keyA,
                            bool occupiedOK);
    // The walkable point nearest to `to` on the line back to `from`: `to`
    // itself when walkable, else the first walkable cell's centre (out's y
    // kept). False when from is not walkable or nothing on the line is.
    bool GetValidDestination(const OmVector3& from, const OmVector3& to, float radius, bool keyA,
                             bool occupiedOK, OmVector3& out);
    // from itself when walkable, else the first walkable cell's centre on
    // the line from `from` along direction for distance.
    bool GetValidPosition(const OmVector3& from, const OmVector3& direction, float distance, float radius,
                          bool keyA, bool occupiedOK, OmVector3& out);

    int32_t CellFromWorld(float x, float z) const;
    static int32_t CellIndex(int32_t cx, int32_t cz);
    void CellCentre(int32_t cell, float& x, float& z) const;
    int32_t ClassForRadius(float radius) const;

    uint16_t GetCell(int32_t cell) const { return m_grid[cell]; }
    int32_t GetLastCell() const { return m_lastCell; }
    float GetOriginX() const { return m_originX; }
    float GetOriginZ() const { return m_originZ; }
    float GetCellSize() const { return m_cellSize; }
    // World units to tiles, the radar's scale.
    float GetInverseCellSize() const { return m_inverseCellSize; }

private:
    // Fixed-point (8 fraction bits) cell coordinates of a world point; false
    // when it lies outside the window or is not finite.
    bool ToFixed(float x, float z, int32_t& fx, int32_t& fz) const;
    // Steps cell by cell from the first point's cell toward the second's,
    // testing each cell entered; stopWhen picks which answer ends the walk.
    enum class Walk { Blocked, Reached, Found, Outside, TooLong };
    Walk WalkLine(float x1, float z1, float x2, float z2, bool stopOnPassable);
    void SetOccupied(int32_t cell, int32_t halfSize, bool occupied);
    void ClearSearch();
    bool Search(int32_t start, int32_t goal, int32_t iterationLimit);
    // Reaches each walkable neighbour not yet reached; false when the open
    // list is full.
    bool Expand(int32_t cell, uint32_t g);
    void BuildPath(int32_t start, int32_t goal, OmArray<OmVector3>& path) const;
    // The weighted Manhattan distance to the goal. It overestimates on
    // purpose: the search trades the shortest route for far fewer cells.
    uint32_t Estimate(int32_t cell) const;
    bool Push(int32_t cell, uint32_t f);
    int32_t Pop();

    std::unique_ptr<uint16_t[]> m_grid;
    int32_t m_searchDirty = 0;
    int32_t m_goal = -1;
    int32_t m_start = -1;
    int32_t m_requiredClass = 1;
    uint32_t m_allowed = 0;
    int32_t m_lastCell = -1;
    float m_originX = 0.0f;
    float m_originZ = 0.0f;
    float m_cellSize = 1.0f;
    float m_inverseCellSize = 1.0f;
    // A binary heap of entries (f, cell), f in the high half, least f at
    // the root; f alone orders them, the cell never breaks a tie.
    std::unique_ptr<uint32_t[]> m_open;
    uint32_t m_openCount = 0;
    OmArray<OmVector3> m_points{256}; // the chain form's route, reused
    const TsWorld* m_world = nullptr;                  // borrowed from the level
    const OmArray<TsEntity*>* m_characters = nullptr;  // borrowed from the entity database
};
