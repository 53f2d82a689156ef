// Hands out small integer ids (texture and material ids, timer ids). Ids
// first come out in ascending order; released ids are reused last-released
// first. The free and used chains share one array of links: a used id holds
// the next used id (-1 at the end), a free id the complement of the next
// free id (0 for the last).
#pragma once

#include <cstdint>

class OmArchive;

class OmIndexTable {
public:
    explicit OmIndexTable(uint32_t growStep);
    ~OmIndexTable();
    OmIndexTable(const OmIndexTable&) = delete;
    OmIndexTable& operator=(const OmIndexTable&) = delete;

    int32_t AllocIndex();
    // Room for n ids without growing; never shrinks.
    void Reserve(uint32_t n) { Grow(n); }
    // Nothing for an id that is not in use.
    void ReleaseIndex(int32_t id);
    bool IsInUse(int32_t id) const;

    // Most recently allocated first: for (c = GetFirst(); c != -1;) id = GetNext(c);
    int32_t GetFirst() const { return m_usedHead; }
    int32_t GetNext(int32_t& cursor) const;

    void Clear();
    // Each table takes the other's ids and chains as they are.
    void Swap(OmIndexTable& other) noexcept;

    void Write(OmArchive& archive) const;
    // A table that does not hold together (heads or links out of range,
    // chains that loop or miss ids) fails the archive and leaves the table
    // empty.
    void Read(OmArchive& archive);

    uint32_t GetCapacity() const { return m_capacity; }
    uint32_t GetCount() const { return m_count; }
    uint32_t GetGrowStep() const { return m_growStep; }

private:
    void Grow(uint32_t n);
    bool IsConsistent() const;

    uint32_t m_capacity = 0;
    uint32_t m_growStep;
    int32_t* m_links = nullptr;
    uint32_t m_count = 0;
    int32_t m_freeHead = -1;
    int32_t m_usedHead = -1;
};
