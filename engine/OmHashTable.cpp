#include "engine/OmHashTable.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kPageSlotStep = 16;

// The largest prime below each power of two from 8 to 4,194,304.
const uint32_t kBucketPrimes[] = {7,     13,     31,     61,     127,    251,     509,
                                  1021,  2039,   4093,   8191,   16381,  32749,   65521,
                                  131071, 262139, 524287, 1048573, 2097143, 4194301};

uint32_t BitCount(uint32_t value)
{
    uint32_t bits = 0;
    for (; value; value >>= 1)
        ++bits;
    return bits;
}

} // namespace

OmHashTable::OmHashTable(uint32_t recordSize, uint32_t pageShift, uint32_t align, uint32_t loadRatio,
                         uint32_t initialCapacity)
    : m_recordSize(recordSize), m_pageShift(std::min(pageShift, 20u)), m_loadRatio(loadRatio ? loadRatio : 1)
{
    if (align == 0 || (align & (align - 1)) != 0)
        align = 1;
    m_stride = (recordSize + align - 1) & ~(align - 1);
    while (GetCapacity() < initialCapacity)
        AddPage();
    ChooseBuckets();
}

OmHashTable::~OmHashTable()
{
    for (uint32_t p = 0; p < m_pageCount; ++p) {
        delete[] m_recordPages[p];
        delete[] m_linkPages[p];
    }
    delete[] m_recordPages;
    delete[] m_linkPages;
    delete[] m_buckets;
}

// One more page in both stores; its links join the free chain in
// ascending order.
void OmHashTable::AddPage()
{
    if (m_pageCount == m_pageSlots) {
        uint32_t slots = m_pageSlots + kPageSlotStep;
        char** records = new char*[slots];
        Link** links = new Link*[slots];
        std::copy(m_recordPages, m_recordPages + m_pageCount, records);
        std::copy(m_linkPages, m_linkPages + m_pageCount, links);
        delete[] m_recordPages;
        delete[] m_linkPages;
        m_recordPages = records;
        m_linkPages = links;
        m_pageSlots = slots;
    }
    uint32_t perPage = 1u << m_pageShift;
    int32_t first = int32_t(GetCapacity());
    m_recordPages[m_pageCount] = new char[size_t(perPage) * m_stride]();
    Link* links = new Link[perPage];
    for (uint32_t i = 0; i < perPage; ++i)
        links[i] = Link{i + 1 < perPage ? first + int32_t(i) + 1 : -1, 0};
    m_linkPages[m_pageCount++] = links;
    // The run goes after any links still free, so indexes stay ascending.
    if (m_freeHead == -1) {
        m_freeHead = first;
        return;
    }
    int32_t last = m_freeHead;
    while (LinkAt(last).next != -1)
        last = LinkAt(last).next;
    LinkAt(last).next = first;
}

OmHashTable::Link& OmHashTable::LinkAt(int32_t index) const
{
    uint32_t i = uint32_t(index);
    return m_linkPages[i >> m_pageShift][i & ((1u << m_pageShift) - 1)];
}

void* OmHashTable::GetRecord(int32_t index) const
{
    uint32_t i = uint32_t(index);
    return m_recordPages[i >> m_pageShift] + size_t(i & ((1u << m_pageShift) - 1)) * m_stride;
}

void OmHashTable::ChooseBuckets()
{
    if (uint64_t(m_bucketCount) * m_loadRatio > m_count)
        return;
    int32_t k = int32_t(BitCount(m_count / m_loadRatio));
    uint32_t bucketCount = kBucketPrimes[std::clamp(k - 3, 0, 19)];
    if (bucketCount == m_bucketCount)
        return;
    int32_t* buckets = new int32_t[bucketCount];
    std::fill(buckets, buckets + bucketCount, -1);
    for (uint32_t i = 0; i < m_count; ++i) {
        Link& link = LinkAt(int32_t(i));
        int32_t& head = buckets[link.key % bucketCount];
        link.next = head;
        head = int32_t(i);
    }
    delete[] m_buckets;
    m_buckets = buckets;
    m_bucketCount = bucketCount;
}

int32_t OmHashTable::Add(uint32_t key)
{
    if (m_freeHead == -1) {
        AddPage();
        if (m_autoRebucket)
            ChooseBuckets();
    }
    int32_t index = m_freeHead;
    Link& link = LinkAt(index);
    m_freeHead = link.next;
    int32_t& head = m_buckets[key % m_bucketCount];
    link = Link{head, key};
    head = index;
    ++m_count;
    return index;
}

int32_t OmHashTable::AddRecord(uint32_t key, const void* record)
{
    int32_t index = Add(key);
    std::memcpy(GetRecord(index), record, m_recordSize);
    return index;
}
