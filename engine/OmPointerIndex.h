// Where a pointer sits in a table its holder keeps: a map from pointers to
// slot numbers, so that "is this object already in my table, and where" is
// answered without walking the table. Open addressing with linear probing,
// at most half full; it allocates only when it grows past the most it ever
// held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class OmPointerIndex {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // The slot the key was given, or kNone. Inline: squads ask it for
    // every enemy each member senses, each tick.
    uint32_t Find(const void* key) const
    {
        if (!key || m_count == 0)
            return kNone;
        const Entry& entry = m_entries[Place(key)];
        return entry.key ? entry.slot : kNone;
    }
    // Asks the processor to fetch the table toward its cache, for a holder
    // about to look up many keys in a table it has not read for a while.
    void Prefetch() const
    {
        const char* bytes = reinterpret_cast<const char*>(m_entries.get());
        const size_t size = size_t(m_places) * sizeof(Entry);
        for (size_t offset = 0; offset < size; offset += 64)
            __builtin_prefetch(bytes + offset);
    }
    // Gives the (non-null) key a slot, replacing any it had.
    void Set(const void* key, uint32_t slot);
    // Forgets the key; nothing when it has no slot.
    void Erase(const void* key);
    // Forgets every key; the room stays.
    void Clear();
    // Room for this many keys without growing.
    void Reserve(uint32_t keys);
    uint32_t GetCount() const { return m_count; }

private:
    struct Entry {
        const void* key = nullptr; // none: an empty place
        uint32_t slot = kNone;
    };

    // Objects are at least 8 bytes apart: the low bits say nothing, the
    // multiplier spreads the rest over the top bits.
    uint32_t Home(const void* key) const
    {
        const uint64_t k = reinterpret_cast<uintptr_t>(key) >> 3;
        return uint32_t((k * 0x9E3779B97F4A7C15ull) >> 32) & (m_places - 1);
    }
    // The place holding the key, or the empty place where it would go.
    uint32_t Place(const void* key) const
    {
        uint32_t i = Home(key);
        while (m_entries[i].key && m_entries[i].key != key)
            i = (i + 1) & (m_places - 1);
        return i;
    }
    void Rehash(uint32_t places);

    std::unique_ptr<Entry[]> m_entries;
    uint32_t m_places = 0; // a power of two, or 0 before the first key
    uint32_t m_count = 0;
};
