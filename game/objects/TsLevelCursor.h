// Turns the mouse into game terms once per tick while a level runs: the
// world point under the cursor, the entity under it, whether the
// controlled character could walk there, and a turn of the camera while the
// cursor rests at the left or right screen edge.
#pragma once

#include <cstdint>

#include "engine/OmVector3.h"

class OmCamera;
class TsEntity;
class TsEntityDB;

// What the cursor asks of the running level (its world, pathfinder and
// controlled character); the level answers.
class TsCursorQueries {
public:
    virtual ~TsCursorQueries() = default;
    // Up to max surface points of the world under the pixel (x, y); the
    // number found.
    virtual int PickSurface(int x, int y, OmVector3* points, int max) = 0;
    // The height the picked point is chosen nearest to (the controlled
    // character's); 0 without one.
    virtual float ControlledHeight() = 0;
    // Whether the controlled character can walk to (x, z).
    virtual bool CanReach(float x, float z) = 0;
};

enum TsCursorState : int32_t {
    TS_CURSOR_DISABLED = 0,
    TS_CURSOR_REACHABLE = 1, // or nothing picked
    TS_CURSOR_UNREACHABLE = 2,
    TS_CURSOR_ENTITY = 3,
};

class TsLevelCursor {
public:
    static constexpr int kMaxSurfacePoints = 32;
    static constexpr int kMaxEdgeCount = 5;

    TsLevelCursor() = default;

    // One tick: cursor at (x, y) window pixels on a screen of width x
    // height, seen through camera. Entities come from db (those with the
    // model flag); queries may be null (nothing is picked).
    void Update(int x, int y, int screenWidth, int screenHeight, const OmCamera* camera, TsCursorQueries* queries,
                const TsEntityDB* db);
    void UpdateState(bool enabled, TsCursorQueries* queries);

    TsCursorState GetState() const { return m_state; }
    void SetState(TsCursorState state) { m_state = state; }
    TsEntity* GetHovered() const { return m_hovered; }
    void ClearHovered() { m_hovered = nullptr; }
    const OmVector3& GetRayOrigin() const { return m_rayOrigin; }
    const OmVector3& GetRayDirection() const { return m_rayDirection; }
    bool HasPicked() const { return m_picked != 0; }
    const OmVector3& GetPickedPoint() const { return m_pickedPoint; }
    float GetTurn() const { return m_turn; }
    void ClearTurn() { m_turn = 0.0f; }
    int32_t GetLeftCount() const { return m_leftCount; }
    int32_t GetRightCount() const { return m_rightCount; }

    // The hit of the segment from..from+dir on the upright cylinder at
    // base (radius, height): true and the fraction along the segment.
    static bool SegmentHitsCylinder(const OmVector3& from, const OmVector3& dir, const OmVector3& base,
                                    float radius, float height, float& along);

private:
    void CountEdges(int x, int screenWidth);
    void PickEntity(const TsEntityDB& db, float reach);

    TsCursorState m_state = TS_CURSOR_REACHABLE;
    TsEntity* m_hovered = nullptr;
    OmVector3 m_rayOrigin;
    OmVector3 m_rayDirection;
    OmVector3 m_pickedPoint;
    uint8_t m_picked = 0;
    float m_edgeBand = 0.95f;
    float m_turn = 0.0f;
    int32_t m_leftCount = 0;
    int32_t m_rightCount = 0;
};
