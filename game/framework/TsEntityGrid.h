// A uniform grid over the level's active entities, rebuilt once a tick, so
// that each character gathers its neighbours from the cells about it rather
// than measuring itself against every entity of the level: the cost of the
// neighbour lists then grows with the count, not with its square.
//
// The grid keeps each entity's ground position and radius beside it, cell by
// cell, so a gathering reads one run of memory rather than visiting every
// entity object; it allocates only when a level has more entities or cells
// than any tick before.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/OmArray.h"

class TsEntity;

class TsEntityGrid {
public:
    // An entity as the grid saw it when it was built.
    struct Item {
        float x = 0.0f;
        float z = 0.0f;
        float radius = 0.0f;
        TsEntity* entity = nullptr;
    };

    // Cells are this wide at least; a level wider than kMaxSide cells of it
    // gets wider cells.
    static constexpr float kCellSize = 4.0f;
    static constexpr int32_t kMaxSide = 256;

    void Build(const OmArray<TsEntity*>& entities);

    uint32_t GetCount() const { return m_items.GetCount(); }
    // The largest radius of any entity in the grid: a gathering that wants
    // every entity whose edge lies within a distance widens by it.
    float GetLargestRadius() const { return m_largestRadius; }

    // Calls visit(item), cell by cell and row by row, for every entity of
    // the cells that the square of half-side reach about (x, z) touches,
    // less the cells wholly outside the disc of that radius: all within
    // reach, and some more. The cells of the grid's edges, which also hold
    // what lies beyond it (or is no number), are never left out.
    template <class Visit>
    void ForEachNear(float x, float z, float reach, Visit&& visit) const
    {
        ForEachRunNear(x, z, reach, [&](const Item* first, const Item* end) {
            for (; first != end; ++first)
                visit(*first);
        });
    }

    // The same entities in the same order, a row's cells at a time: calls
    // visitRun(first, end) with each row's run of items (a row's cells lie
    // one after another).
    template <class VisitRun>
    void ForEachRunNear(float x, float z, float reach, VisitRun&& visitRun) const
    {
        if (m_items.GetCount() == 0)
            return;
        const int32_t c0 = Column(x - reach), c1 = Column(x + reach);
        const int32_t r0 = Row(z - reach), r1 = Row(z + reach);
        const float slack = Slack(x, z, reach);
        for (int32_t row = r0; row <= r1; ++row) {
            int32_t first = c0, last = c1;
            if (row > 0 && row < m_rows - 1)
                ClipToDisc(row, x, z, reach, slack, first, last);
            const uint32_t base = uint32_t(row * m_columns);
            const Item* items = m_items.GetData();
            const uint32_t begin = m_cellStart[base + uint32_t(first)];
            const uint32_t end = m_cellStart[base + uint32_t(last) + 1];
            if (begin < end)
                visitRun(items + begin, items + end);
        }
    }

private:
    // How far the rounding of cell bounds and distances could be out, and
    // more: a cell is left out only when it lies beyond the disc by this.
    float Slack(float x, float z, float reach) const;
    // Narrows the row's columns first..last to those the disc reaches. A
    // row of the grid's inside lies between its bounds; the disc's chord at
    // the row's nearest edge to the centre spans every column the disc
    // reaches in it. An edge column stays when the square reached it.
    // Inline: every neighbour gathering asks it for each of its rows.
    void ClipToDisc(int32_t row, float x, float z, float reach, float slack, int32_t& first, int32_t& last) const
    {
        const float low = m_minZ + float(row) * m_cell;
        const float high = low + m_cell;
        const float across = std::max(0.0f, std::max(low - z, z - high) - slack);
        const float radius = reach + slack;
        if (!(across <= radius))
            return; // a centre that is no number: the square stays
        const float half = std::sqrt(radius * radius - across * across) + slack;
        if (first > 0)
            first = std::max(first, Column(x - half));
        if (last < m_columns - 1)
            last = std::min(last, Column(x + half));
    }
    int32_t Column(float x) const { return Clamp((x - m_minX) * m_inverseCell, m_columns); }
    int32_t Row(float z) const { return Clamp((z - m_minZ) * m_inverseCell, m_rows); }
    // A cell coordinate within 0..count-1; a position that is no number
    // falls in the first cell.
    static int32_t Clamp(float cell, int32_t count)
    {
        if (!(cell > 0.0f))
            return 0;
        return cell >= float(count) ? count - 1 : int32_t(cell);
    }

    OmArray<uint32_t> m_cellStart{256}; // per cell, its first index into m_items; one more at the end
    OmArray<Item> m_items{256};         // the entities, cell by cell
    OmArray<uint32_t> m_cellOf{256};    // the cell of each entity, in the built array's order
    float m_minX = 0.0f;
    float m_minZ = 0.0f;
    float m_cell = kCellSize;
    float m_inverseCell = 1.0f / kCellSize;
    int32_t m_columns = 1;
    int32_t m_rows = 1;
    float m_largestRadius = 0.0f;
};
