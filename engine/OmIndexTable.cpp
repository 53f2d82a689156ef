#include "engine/OmIndexTable.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmArray.h"

OmIndexTable::OmIndexTable(uint32_t growStep) : m_growStep(growStep ? growStep : 1)
{
}

OmIndexTable::~OmIndexTable()
{
    delete[] m_links;
}

void OmIndexTable::Grow(uint32_t n)
{
    if (n <= m_capacity)
        return;
    uint64_t rounded = (uint64_t(n) + m_growStep - 1) / m_growStep * m_growStep;
    uint32_t capacity = uint32_t(rounded < INT32_MAX ? rounded : INT32_MAX);
    int32_t* links = new int32_t[capacity];
    if (m_capacity)
        std::memcpy(links, m_links, m_capacity * sizeof(int32_t));
    for (uint32_t i = m_capacity; i < capacity; ++i)
        links[i] = ~int32_t(i + 1);
    links[capacity - 1] = 0;

    // The new run goes to the end of the free chain.
    if (m_freeHead == -1) {
        m_freeHead = int32_t(m_capacity);
    } else {
        int32_t last = m_freeHead;
        while (links[last] != 0)
            last = ~links[last];
        links[last] = ~int32_t(m_capacity);
    }
    delete[] m_links;
    m_links = links;
    m_capacity = capacity;
}

int32_t OmIndexTable::AllocIndex()
{
    if (m_count >= m_capacity)
        Grow(uint32_t(std::min<uint64_t>(uint64_t(m_capacity) + m_growStep, INT32_MAX)));
    int32_t id = m_freeHead;
    m_freeHead = ~m_links[id];
    m_links[id] = m_usedHead;
    m_usedHead = id;
    ++m_count;
    return id;
}

bool OmIndexTable::IsInUse(int32_t id) const
{
    for (int32_t i = m_usedHead; i != -1; i = m_links[i]) {
        if (i == id)
            return true;
    }
    return false;
}

void OmIndexTable::ReleaseIndex(int32_t id)
{
    int32_t* prevLink = &m_usedHead;
    while (*prevLink != -1 && *prevLink != id)
        prevLink = &m_links[*prevLink];
    if (*prevLink == -1 || id < 0)
        return;
    *prevLink = m_links[id];
    m_links[id] = ~m_freeHead;
    m_freeHead = id;
    --m_count;
}

int32_t OmIndexTable::GetNext(int32_t& cursor) const
{
    int32_t id = cursor;
    cursor = m_links[id];
    return id;
}

void OmIndexTable::Clear()
{
    delete[] m_links;
    m_links = nullptr;
    m_capacity = m_count = 0;
    m_freeHead = m_usedHead = -1;
}

void OmIndexTable::Swap(OmIndexTable& other) noexcept
{
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_growStep, other.m_growStep);
    std::swap(m_links, other.m_links);
    std::swap(m_count, other.m_count);
    std::swap(m_freeHead, other.m_freeHead);
    std::swap(m_usedHead, other.m_usedHead);
}

void OmIndexTable::Write(OmArchive& archive) const
{
    archive.WriteU32(m_capacity).WriteU32(m_growStep).WriteU32(m_count);
    archive.WriteU32(uint32_t(m_freeHead)).WriteU32(uint32_t(m_usedHead));
    archive.WriteBytes(m_links, uint64_t(m_capacity) * sizeof(int32_t));
}

void OmIndexTable::Read(OmArchive& archive)
{
    Clear();
    uint32_t capacity = 0, growStep = 0, count = 0, freeHead = 0, usedHead = 0;
    archive.ReadU32(capacity).ReadU32(growStep).ReadU32(count).ReadU32(freeHead).ReadU32(usedHead);
    if (archive.HasFailed())
        return;
    if (growStep == 0 || growStep > OM_MAX_GROW_STEP || capacity > INT32_MAX || !archive.CanRead(uint64_t(capacity) * sizeof(int32_t)))
        return archive.Fail("index table with a bad size");
    m_capacity = capacity;
    m_growStep = growStep;
    m_count = count;
    m_freeHead = int32_t(freeHead);
    m_usedHead = int32_t(usedHead);
    if (capacity) {
        m_links = new int32_t[capacity];
        archive.ReadBytes(m_links, uint64_t(capacity) * sizeof(int32_t));
    }
    if (archive.HasFailed() || !IsConsistent()) {
        Clear();
        m_growStep = growStep;
        archive.Fail("index table chains do not hold together");
    }
}

// Walks both chains: together they must visit every id exactly once, and
// the used chain must be count long.
bool OmIndexTable::IsConsistent() const
{
    auto inRange = [this](int32_t id) { return id >= 0 && uint32_t(id) < m_capacity; };
    if ((m_usedHead != -1 && !inRange(m_usedHead)) || (m_freeHead != -1 && !inRange(m_freeHead)))
        return false;
    if (m_count > m_capacity)
        return false;
    std::vector<bool> seen(m_capacity, false);
    uint32_t used = 0;
    for (int32_t id = m_usedHead; id != -1; id = m_links[id]) {
        if (!inRange(id) || seen[id])
            return false;
        seen[id] = true;
        ++used;
    }
    uint32_t free = 0;
    for (int32_t id = m_freeHead; id != -1; id = ~m_links[id]) {
        if (!inRange(id) || seen[id])
            return false;
        seen[id] = true;
        ++free;
    }
    return used == m_count && used + free == m_capacity;
}
