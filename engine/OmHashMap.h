// A chained hash map from a word-sized key to a word-sized value. Keys are
// often object addresses, so both are pointer-sized. The bucket count comes
// from the prime table and grows once the map is more than half full.
// Entries are never removed one by one, so nodes come from blocks that
// Clear releases together (an archive maps tens of thousands of objects).
#pragma once

#include <cstdint>

class OmHashMap {
public:
    struct Node {
        Node* next;
        uintptr_t key;
        uintptr_t value;
    };

    OmHashMap();
    ~OmHashMap();
    OmHashMap(const OmHashMap&) = delete;
    OmHashMap& operator=(const OmHashMap&) = delete;

    // Adds a node without looking for the key first.
    void Insert(uintptr_t key, uintptr_t value);
    // False, and nothing added, when the key is already present.
    bool Add(uintptr_t key, uintptr_t value);
    Node* Find(uintptr_t key) const;
    bool Lookup(uintptr_t key, uintptr_t& value) const;
    void Rehash(uint32_t bucketCount);
    void Clear();

    uint32_t GetCount() const { return m_count; }
    uint32_t GetBucketCount() const { return m_bucketCount; }

private:
    // A block header; its nodes follow it in the same allocation.
    struct alignas(Node) Block {
        Block* next;
        uint32_t used;
        uint32_t capacity;
        Node* Nodes() { return reinterpret_cast<Node*>(this + 1); }
    };

    Node* NewNode();
    uint32_t BucketOf(uintptr_t key, uint32_t bucketCount) const
    {
        // Folding the high half in keeps the division 32-bit; keys below
        // 4 GB land in key mod bucketCount.
        return uint32_t(uint64_t(key) ^ (uint64_t(key) >> 32)) % bucketCount;
    }

    uint32_t m_count = 0;
    uint32_t m_bucketCount = 0;
    Node** m_buckets = nullptr;
    Block* m_blocks = nullptr;
};
