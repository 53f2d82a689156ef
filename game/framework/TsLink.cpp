#include "game/framework/TsLink.h"

#include <cstdint>

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
