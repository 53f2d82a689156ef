#include "game/objects/TsNeighbourList.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/OmMath.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityGrid.h"

void TsNeighbourList::Build(const TsEntity& owner, const OmArray<TsEntity*>& entities)
{
    m_list.RemoveAll();
    m_touching = 0;
    for (uint32_t i = 0; i < entities.GetCount(); ++i)
        Add(owner, entities[i], std::numeric_limits<float>::infinity());
    m_sorted = false;
    m_tiesKnown = false;
}

// A row of cells at a time, as Add measures: room is made for the whole run
// first, so the measuring loop only reads and writes. The spread of the
// separations is noted on the way (see SortKeepsGatheredTies).
void TsNeighbourList::Build(const TsEntity& owner, float reach, const TsEntityGrid& grid)
{
    m_list.RemoveAll();
    m_touching = 0;
    const float gather = reach + owner.GetRadius() + grid.GetLargestRadius();
    const float x = owner.GetPosition().x, z = owner.GetPosition().z, own = owner.GetRadius();
    const TsEntity* const self = &owner;
    uint32_t touching = 0, numbers = 0;
    float lo = std::numeric_limits<float>::infinity(), hi = -lo;
    grid.ForEachRunNear(x, z, gather, [&](const TsEntityGrid::Item* item, const TsEntityGrid::Item* end) {
        const uint32_t count = m_list.GetCount();
        m_list.Reserve(count + uint32_t(end - item));
        Neighbour* const first = m_list.GetData() + count;
        Neighbour* out = first;
        // Every item is measured and written; only those kept move the
        // end on, so the loop has no branch for the disc's ragged edge.
        for (; item != end; ++item) {
            const float dx = item->x - x;
            const float dz = item->z - z;
            const float squared = dx * dx + dz * dz;
            const float edges = reach + own + item->radius;
            const float separation = FastSqrt(squared) - own - item->radius;
            *out = Neighbour{item->entity, separation};
            out += uint32_t(!(squared > edges * edges)) & uint32_t(item->entity != self) &
                   uint32_t(!(separation > reach));
        }
        for (const Neighbour* n = first; n != out; ++n) {
            touching += n->separation <= 0.0f ? 1u : 0u;
            numbers += std::isfinite(n->separation) ? 1u : 0u;
            lo = std::min(lo, n->separation);
            hi = std::max(hi, n->separation);
        }
        m_list.Resize(count + uint32_t(out - first));
    });
    m_touching = touching;
    m_sorted = false;
    const uint32_t count = m_list.GetCount();
    m_tiesKept = count >= kBucketSortFrom && numbers == count && hi > lo;
    m_tiesKnown = true;
}

// Kept when its separation is within the reach.
void TsNeighbourList::Add(const TsEntity& owner, TsEntity* entity, float reach)
{
    if (entity == &owner)
        return;
    const OmVector3& at = owner.GetPosition();
    const float dx = entity->GetPosition().x - at.x;
    const float dz = entity->GetPosition().z - at.z;
    const float squared = dx * dx + dz * dz;
    const float edges = reach + owner.GetRadius() + entity->GetRadius();
    if (squared > edges * edges)
        return; // the square root is saved for those kept
    Neighbour n;
    n.entity = entity;
    n.separation = FastSqrt(squared) - owner.GetRadius() - entity->GetRadius();
    if (n.separation > reach)
        return;
    m_list.Add(n);
    if (n.separation <= 0.0f)
        ++m_touching;
}

namespace {

// The scratch of the neighbour sort, shared by every list: the game ticks
// on one thread, and a list is sorted before the next is built.
OmArray<TsNeighbourList::Neighbour> g_sortedNeighbours{256};
OmArray<uint32_t> g_neighbourBuckets{256};

bool Nearer(const TsNeighbourList::Neighbour& a, const TsNeighbourList::Neighbour& b)
{
    return a.separation < b.separation;
}

// A counting sort on a coarse key puts the list nearly in order in two
// passes, and an insertion sort finishes the few out of place; both keep
// ties in the order they came. The separations lie in lo..hi, lo below hi.
void BucketSort(TsNeighbourList::Neighbour* list, uint32_t count, float lo, float hi)
{
    const float scale = float(count - 1) / (hi - lo);
    auto bucketOf = [&](float separation) { return std::min(uint32_t((separation - lo) * scale), count - 1); };
    g_neighbourBuckets.Resize(count + 1);
    uint32_t* starts = g_neighbourBuckets.GetData();
    std::fill(starts, starts + count + 1, 0u);
    for (uint32_t i = 0; i < count; ++i)
        ++starts[bucketOf(list[i].separation) + 1];
    for (uint32_t b = 0; b < count; ++b)
        starts[b + 1] += starts[b];
    g_sortedNeighbours.Resize(count);
    for (uint32_t i = 0; i < count; ++i)
        g_sortedNeighbours[starts[bucketOf(list[i].separation)]++] = list[i];
    for (uint32_t i = 0; i < count; ++i) {
        const TsNeighbourList::Neighbour n = g_sortedNeighbours[i];
        uint32_t j = i;
        for (; j > 0 && Nearer(n, list[j - 1]); --j)
            list[j] = list[j - 1];
        list[j] = n;
    }
}

// Whether the separations are all numbers and not all alike, their least
// and greatest in lo and hi.
bool Spread(const TsNeighbourList::Neighbour* list, uint32_t count, float& lo, float& hi)
{
    bool finite = true;
    lo = hi = count > 0 ? list[0].separation : 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        const float s = list[i].separation;
        finite = finite && std::isfinite(s);
        lo = std::min(lo, s);
        hi = std::max(hi, s);
    }
    return finite && hi > lo;
}

} // namespace

// Every character's list holds a hundred or so neighbours: long lists of
// numbers take the bucketed sort, the rest the plain one.
void TsNeighbourList::Sort() const
{
    const uint32_t count = m_list.GetCount();
    Neighbour* list = m_list.GetData();
    float lo = 0.0f, hi = 0.0f;
    if (count < kBucketSortFrom || !Spread(list, count, lo, hi)) {
        std::sort(list, list + count, Nearer);
        return;
    }
    BucketSort(list, count, lo, hi);
}

// The bucketed sort keeps ties as gathered, so any part of the list sorted
// the same way comes out in the order the whole list would have it.
bool TsNeighbourList::SortKeepsGatheredTies() const
{
    float lo = 0.0f, hi = 0.0f;
    return m_list.GetCount() >= kBucketSortFrom && Spread(m_list.GetData(), m_list.GetCount(), lo, hi);
}

void TsNeighbourList::SortNearestFirst(OmArray<Neighbour>& part)
{
    Neighbour* list = part.GetData();
    const uint32_t count = part.GetCount();
    float lo = 0.0f, hi = 0.0f;
    if (count >= kBucketSortFrom && Spread(list, count, lo, hi)) {
        BucketSort(list, count, lo, hi);
        return;
    }
    for (uint32_t i = 1; i < count; ++i) {
        const Neighbour n = list[i];
        uint32_t j = i;
        for (; j > 0 && Nearer(n, list[j - 1]); --j)
            list[j] = list[j - 1];
        list[j] = n;
    }
}

bool TsNeighbourList::WalksGathered() const
{
    if (m_sorted)
        return false;
    if (!m_tiesKnown) {
        m_tiesKept = SortKeepsGatheredTies();
        m_tiesKnown = true;
    }
    return m_tiesKept;
}

void TsNeighbourList::Within(float limit, OmArray<Neighbour>& out) const
{
    out.RemoveAll();
    if (!WalksGathered()) {
        const OmArray<Neighbour>& sorted = Sorted();
        for (uint32_t i = 0; i < sorted.GetCount() && sorted[i].separation <= limit; ++i)
            out.Add(sorted[i]);
        return;
    }
    for (uint32_t i = 0; i < m_list.GetCount(); ++i)
        if (m_list[i].separation <= limit)
            out.Add(m_list[i]);
    SortNearestFirst(out);
}
