#include "game/objects/TsLevelCursor.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/OmCamera.h"
#include "engine/OmList.h"
#include "engine/OmMath.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"

namespace {

constexpr float kTurnPerCount = 0.2f * OM_PI;
constexpr float kParallel = 1e-6f;
// How far the hover test reaches when the camera gives no far distance.
constexpr float kDefaultReach = 1000.0f;

// The parameter interval of x0 + t dx inside [lo, hi]; false when empty.
bool Slab(float x0, float dx, float lo, float hi, float& t0, float& t1)
{
    if (std::fabs(dx) < kParallel) {
        return x0 >= lo && x0 <= hi;
    }
    float a = (lo - x0) / dx, b = (hi - x0) / dx;
    if (a > b) {
        std::swap(a, b);
    }
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
    return t0 <= t1;
}

} // namespace

bool TsLevelCursor::SegmentHitsCylinder(const OmVector3& from, const OmVector3& dir, const OmVector3& base,
                                        float radius, float height, float& along)
{
    float t0 = 0.0f, t1 = 1.0f;
    if (!Slab(from.y, dir.y, base.y, base.y + height, t0, t1)) {
        return false;
    }
    // Inside the circle: |f + t d|^2 <= r^2 in the horizontal plane.
    const float fx = from.x - base.x, fz = from.z - base.z;
    const float a = dir.x * dir.x + dir.z * dir.z;
    const float b = 2.0f * (fx * dir.x + fz * dir.z);
    const float c = fx * fx + fz * fz - radius * radius;
    if (a < kParallel) {
        if (c > 0.0f) {
            return false; // straight up or down, outside the circle
        }
    } else {
        const float disc = b * b - 4.0f * a * c;
        if (disc < 0.0f) {
            return false;
        }
        const float root = std::sqrt(disc);
        t0 = std::max(t0, (-b - root) / (2.0f * a));
        t1 = std::min(t1, (-b + root) / (2.0f * a));
        if (t0 > t1) {
            return false;
        }
    }
    along = t0;
    return true;
}

void TsLevelCursor::CountEdges(int x, int screenWidth)
{
    // The cursor is kept inside the window, so the right edge is the last
    // pixel column.
    if (x <= 0) {
        m_leftCount = std::min(m_leftCount + 1, kMaxEdgeCount);
        m_rightCount = 0;
    } else if (x >= screenWidth - 1) {
        m_rightCount = std::min(m_rightCount + 1, kMaxEdgeCount);
        m_leftCount = 0;
    } else {
        m_leftCount = std::max(m_leftCount - 1, 0);
        m_rightCount = std::max(m_rightCount - 1, 0);
    }
}

void TsLevelCursor::Update(int x, int y, int screenWidth, int screenHeight, const OmCamera* camera,
                           TsCursorQueries* queries, const TsEntityDB* db)
{
    m_turn = 0.0f;
    m_hovered = nullptr;
    m_picked = 0;
    if (screenWidth <= 0 || screenHeight <= 0) {
        return;
    }
    const float nx = 2.0f * float(x) / float(screenWidth) - 1.0f;
    const float ny = 2.0f * float(y) / float(screenHeight) - 1.0f;
    CountEdges(x, screenWidth);
    if (ny > -m_edgeBand && ny < m_edgeBand) {
        if (m_leftCount >= 1) {
            m_turn = float(m_leftCount) * -kTurnPerCount;
        } else if (m_rightCount >= 1) {
            m_turn = float(m_rightCount) * kTurnPerCount;
        }
    }
    if (!camera) {
        return;
    }
    camera->GetPickRay(nx, ny, m_rayOrigin, m_rayDirection);
    if (queries && std::fabs(m_rayDirection.y) >= kParallel) {
        OmVector3 points[kMaxSurfacePoints];
        const int found = std::min(queries->PickSurface(x, y, points, kMaxSurfacePoints), kMaxSurfacePoints);
        const float height = queries->ControlledHeight();
        float best = FLT_MAX;
        for (int i = 0; i < found; ++i) {
            const float gap = std::fabs(points[i].y - height);
            if (gap < best) {
                best = gap;
                m_pickedPoint = points[i];
                m_picked = 1;
            }
        }
    }
    if (db) {
        // The pick ray's direction is about one unit long: the test reaches
        // as far as the camera sees, or entities more than a step away would
        // never be hovered.
        const float far = camera->GetProjection().farDistance;
        PickEntity(*db, far > 0.0f ? far : kDefaultReach);
    }
}

void TsLevelCursor::PickEntity(const TsEntityDB& db, float reach)
{
    const OmVector3 segment = m_rayDirection * reach;
    float nearest = FLT_MAX;
    for (const OmList::Node* node = db.GetEntities().GetFirst(); node; node = node->next) {
        auto* entity = OmList::ValueAt<TsEntity>(node);
        if (!entity || !entity->HasFlag(TS_ENTITY_MODEL)) {
            continue;
        }
        float along = 0.0f;
        if (SegmentHitsCylinder(m_rayOrigin, segment, entity->GetPosition(), entity->GetRadius(),
                                entity->GetHeight(), along)
            && along < nearest) {
            nearest = along;
            m_hovered = entity;
        }
    }
}

void TsLevelCursor::UpdateState(bool enabled, TsCursorQueries* queries)
{
    if (!enabled) {
        m_state = TS_CURSOR_DISABLED;
    } else if (m_hovered) {
        m_state = TS_CURSOR_ENTITY;
    } else if (!m_picked || !queries) {
        m_state = TS_CURSOR_REACHABLE;
    } else {
        m_state = queries->CanReach(m_pickedPoint.x, m_pickedPoint.z) ? TS_CURSOR_REACHABLE : TS_CURSOR_UNREACHABLE;
    }
}
