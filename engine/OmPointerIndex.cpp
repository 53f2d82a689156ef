#include "engine/OmPointerIndex.h"

namespace {

constexpr uint32_t kLeastPlaces = 16;

} // namespace

void OmPointerIndex::Set(const void* key, uint32_t slot)
{
    if (!key)
        return;
    Reserve(m_count + 1);
    Entry& entry = m_entries[Place(key)];
    if (!entry.key) {
        entry.key = key;
        ++m_count;
    }
    entry.slot = slot;
}

// The places after the freed one that would have been found through it
// move back, so no probe ever stops short of its key.
void OmPointerIndex::Erase(const void* key)
{
    if (!key || m_count == 0)
        return;
    uint32_t hole = Place(key);
    if (!m_entries[hole].key)
        return;
    const uint32_t mask = m_places - 1;
    for (uint32_t next = (hole + 1) & mask; m_entries[next].key; next = (next + 1) & mask) {
        const uint32_t home = Home(m_entries[next].key);
        // Whether home lies cyclically in (hole, next]: then the entry stays.
        const bool stays = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (!stays) {
            m_entries[hole] = m_entries[next];
            hole = next;
        }
    }
    m_entries[hole] = Entry{};
    --m_count;
}

void OmPointerIndex::Clear()
{
    for (uint32_t i = 0; i < m_places; ++i)
        m_entries[i] = Entry{};
    m_count = 0;
}

void OmPointerIndex::Reserve(uint32_t keys)
{
    if (uint64_t(keys) * 2 <= m_places)
        return;
    uint32_t places = m_places ? m_places : kLeastPlaces;
    while (uint64_t(keys) * 2 > places)
        places *= 2;
    Rehash(places);
}

void OmPointerIndex::Rehash(uint32_t places)
{
    std::unique_ptr<Entry[]> old = std::move(m_entries);
    const uint32_t oldPlaces = m_places;
    m_entries = std::make_unique<Entry[]>(places);
    m_places = places;
    m_count = 0;
    for (uint32_t i = 0; i < oldPlaces; ++i)
        if (old[i].key)
            Set(old[i].key, old[i].slot);
}
