#include "game/framework/TsEntityGrid.h"

#include <algorithm>
#include <cmath>

#include "game/framework/TsEntity.h"

namespace {

// A coordinate the grid can measure: positions that are no number, or lie
// beyond any level, do not stretch the grid (they land in an edge cell).
constexpr float kFarthest = 1.0e6f;

bool Measurable(float v)
{
    return std::fabs(v) <= kFarthest;
}

} // namespace

void TsEntityGrid::Build(const OmArray<TsEntity*>& entities)
{
    const uint32_t count = entities.GetCount();
    float minX = 0.0f, minZ = 0.0f, maxX = 0.0f, maxZ = 0.0f;
    bool any = false;
    m_largestRadius = 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        const OmVector3& p = entities[i]->GetPosition();
        m_largestRadius = std::max(m_largestRadius, entities[i]->GetRadius());
        if (!Measurable(p.x) || !Measurable(p.z))
            continue;
        minX = any ? std::min(minX, p.x) : p.x;
        maxX = any ? std::max(maxX, p.x) : p.x;
        minZ = any ? std::min(minZ, p.z) : p.z;
        maxZ = any ? std::max(maxZ, p.z) : p.z;
        any = true;
    }
    if (!(m_largestRadius <= kFarthest))
        m_largestRadius = kFarthest;
    const float extent = std::max(maxX - minX, maxZ - minZ);
    const float cell = std::max(kCellSize, extent / float(kMaxSide - 1));
    m_minX = minX;
    m_minZ = minZ;
    m_cell = cell;
    m_inverseCell = 1.0f / cell;
    m_columns = std::clamp(int32_t((maxX - minX) * m_inverseCell) + 1, 1, kMaxSide);
    m_rows = std::clamp(int32_t((maxZ - minZ) * m_inverseCell) + 1, 1, kMaxSide);

    // A counting sort of the entities by cell.
    const uint32_t cells = uint32_t(m_columns * m_rows);
    m_cellStart.Resize(cells + 1);
    std::fill(m_cellStart.GetData(), m_cellStart.GetData() + cells + 1, 0u);
    m_cellOf.Resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const OmVector3& p = entities[i]->GetPosition();
        m_cellOf[i] = uint32_t(Row(p.z) * m_columns + Column(p.x));
        ++m_cellStart[m_cellOf[i] + 1];
    }
    for (uint32_t c = 0; c < cells; ++c)
        m_cellStart[c + 1] += m_cellStart[c];
    m_items.Resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        TsEntity* entity = entities[i];
        m_items[m_cellStart[m_cellOf[i]]++] =
            Item{entity->GetPosition().x, entity->GetPosition().z, entity->GetRadius(), entity};
    }
    // Each start was moved to its cell's end: shift them back one cell.
    for (uint32_t c = cells; c > 0; --c)
        m_cellStart[c] = m_cellStart[c - 1];
    m_cellStart[0] = 0;
}

float TsEntityGrid::Slack(float x, float z, float reach) const
{
    const float span = float(m_columns + m_rows) * m_cell;
    return 1.0e-4f * (std::fabs(x) + std::fabs(z) + std::fabs(m_minX) + std::fabs(m_minZ) + span + reach);
}
