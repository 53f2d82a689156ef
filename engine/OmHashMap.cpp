#include "engine/OmHashMap.h"

#include "engine/OmPrime.h"

#include <new>

namespace {
constexpr uint32_t kInitialBuckets = 7;
constexpr uint32_t kFirstBlockNodes = 8;
constexpr uint32_t kLargestBlockNodes = 4096;
} // namespace

OmHashMap::OmHashMap() : m_bucketCount(kInitialBuckets), m_buckets(new Node*[kInitialBuckets]())
{
}

OmHashMap::~OmHashMap()
{
    Clear();
    delete[] m_buckets;
}

OmHashMap::Node* OmHashMap::NewNode()
{
    if (!m_blocks || m_blocks->used == m_blocks->capacity) {
        uint32_t capacity = m_blocks ? m_blocks->capacity * 2 : kFirstBlockNodes;
        if (capacity > kLargestBlockNodes)
            capacity = kLargestBlockNodes;
        void* memory = ::operator new(sizeof(Block) + sizeof(Node) * capacity);
        m_blocks = ::new (memory) Block{m_blocks, 0, capacity};
    }
    return m_blocks->Nodes() + m_blocks->used++;
}

void OmHashMap::Insert(uintptr_t key, uintptr_t value)
{
    Node*& head = m_buckets[BucketOf(key, m_bucketCount)];
    head = ::new (NewNode()) Node{head, key, value};
    ++m_count;
    if (uint64_t(m_count) * 2 > m_bucketCount)
        Rehash(uint32_t(OmPrime_GetNext(int32_t(m_bucketCount))));
}

bool OmHashMap::Add(uintptr_t key, uintptr_t value)
{
    if (Find(key))
        return false;
    Insert(key, value);
    return true;
}

OmHashMap::Node* OmHashMap::Find(uintptr_t key) const
{
    for (Node* node = m_buckets[BucketOf(key, m_bucketCount)]; node; node = node->next) {
        if (node->key == key)
            return node;
    }
    return nullptr;
}

bool OmHashMap::Lookup(uintptr_t key, uintptr_t& value) const
{
    const Node* node = Find(key);
    if (!node)
        return false;
    value = node->value;
    return true;
}

void OmHashMap::Rehash(uint32_t bucketCount)
{
    if (bucketCount == 0)
        return;
    Node** buckets = new Node*[bucketCount]();
    for (uint32_t b = 0; b < m_bucketCount; ++b) {
        Node* node = m_buckets[b];
        while (node) {
            Node* next = node->next;
            Node*& head = buckets[BucketOf(node->key, bucketCount)];
            node->next = head;
            head = node;
            node = next;
        }
    }
    delete[] m_buckets;
    m_buckets = buckets;
    m_bucketCount = bucketCount;
}

void OmHashMap::Clear()
{
    for (uint32_t b = 0; b < m_bucketCount; ++b)
        m_buckets[b] = nullptr;
    while (m_blocks) {
        Block* next = m_blocks->next;
        ::operator delete(m_blocks);
        m_blocks = next;
    }
    m_count = 0;
}
