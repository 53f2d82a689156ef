#include "game/framework/TsLink.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"

namespace {

// The links that point somewhere, chained by the address they point at:
// an object that goes walks only its own bucket, however many links the
// level holds (a crowd's squads remember thousands of threats). A fixed
// table, so aiming a link never allocates. The game runs on one thread.
constexpr uint32_t kBucketBits = 12;
TsLinkBase* g_buckets[1u << kBucketBits] = {};

TsLinkBase*& BucketOf(const void* object)
{
    // Objects are at least 16 bytes apart: the low bits say nothing.
    const uint64_t key = uint64_t(reinterpret_cast<uintptr_t>(object)) >> 4;
    return g_buckets[(key * 0x9E3779B97F4A7C15ull) >> (64 - kBucketBits)];
}

// The cells still allocated from the registry's pools, by address.
struct Cell {
    const char* begin;
    const char* end;
};

std::vector<Cell> LiveCells(const OmClassRegistry& registry)
{
    std::vector<Cell> cells;
    for (uint32_t i = 0; i < registry.GetCount(); ++i) {
        const OmFastAlloc* pool = registry.GetPool(int32_t(i));
        OmFastAllocIterator it;
        pool->BeginIteration(it);
        while (const void* cell = pool->NextLiveObject(it)) {
            const char* begin = static_cast<const char*>(cell);
            cells.push_back({begin, begin + pool->GetElementSize()});
        }
    }
    std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.begin < b.begin; });
    return cells;
}

bool InCell(const std::vector<Cell>& cells, const void* address)
{
    const char* at = static_cast<const char*>(address);
    auto after = std::upper_bound(cells.begin(), cells.end(), at,
                                  [](const char* a, const Cell& cell) { return a < cell.begin; });
    return after != cells.begin() && at < (after - 1)->end;
}

} // namespace

void TsLinkBase::Aim(void* object)
{
    if (object == m_target)
        return;
    if (m_target) {
        (m_previous ? m_previous->m_next : BucketOf(m_target)) = m_next;
        if (m_next)
            m_next->m_previous = m_previous;
        m_previous = m_next = nullptr;
    }
    m_target = object;
    if (m_target) {
        TsLinkBase*& first = BucketOf(m_target);
        m_next = first;
        if (first)
            first->m_previous = this;
        first = this;
    }
}

void TsLinkBase::CutLinksTo(const TsObject* gone)
{
    for (TsLinkBase* link = BucketOf(gone); link;) {
        TsLinkBase* next = link->m_next;
        if (link->m_target == static_cast<const void*>(gone))
            link->Aim(nullptr);
        link = next;
    }
}

void TsLinkBase::UnchainLeaked(const OmClassRegistry& registry)
{
    const std::vector<Cell> cells = LiveCells(registry);
    if (cells.empty())
        return;
    for (TsLinkBase* first : g_buckets) {
        for (TsLinkBase* link = first; link;) {
            TsLinkBase* next = link->m_next;
            if (InCell(cells, link) || InCell(cells, link->m_target))
                link->Aim(nullptr);
            link = next;
        }
    }
}
