// A paged store of fixed-size records with a hash index over a 32-bit key
// (vertex welding uses it). Records are addressed by index and never
// removed; pages are added as the table fills, so record addresses stay put.
#pragma once

#include <cstdint>

class OmHashTable {
public:
    OmHashTable(uint32_t recordSize, uint32_t pageShift, uint32_t align, uint32_t loadRatio,
                uint32_t initialCapacity);
    virtual ~OmHashTable();
    OmHashTable(const OmHashTable&) = delete;
    OmHashTable& operator=(const OmHashTable&) = delete;

    // A new record for key (contents not set); returns its index.
    int32_t Add(uint32_t key);
    int32_t AddRecord(uint32_t key, const void* record);

    void* GetRecord(int32_t index) const;
    uint32_t GetKey(int32_t index) const { return LinkAt(index).key; }

    // The records of one key's bucket, newest first; -1 ends the walk. The
    // bucket may hold other keys too: compare GetKey.
    int32_t GetBucketHead(uint32_t key) const { return m_buckets[key % m_bucketCount]; }
    int32_t GetNextInBucket(int32_t index) const { return LinkAt(index).next; }

    uint32_t GetCount() const { return m_count; }
    uint32_t GetCapacity() const { return m_pageCount << m_pageShift; }
    uint32_t GetBucketCount() const { return m_bucketCount; }

protected:
    // Subclasses that add many records ask for the buckets to follow the
    // count as it grows.
    void SetAutoRebucket(bool on) { m_autoRebucket = on; }
    void ChooseBuckets();

private:
    struct Link {
        int32_t next;
        uint32_t key;
    };

    void AddPage();
    Link& LinkAt(int32_t index) const;

    uint32_t m_recordSize;
    uint32_t m_stride;
    uint32_t m_pageShift;
    char** m_recordPages = nullptr;
    Link** m_linkPages = nullptr;
    uint32_t m_pageCount = 0;
    uint32_t m_pageSlots = 0;
    int32_t m_freeHead = -1;
    int32_t* m_buckets = nullptr;
    uint32_t m_bucketCount = 0;
    uint32_t m_count = 0;
    uint32_t m_loadRatio;
    bool m_autoRebucket = false;
};
