#include "engine/OmHashMap.h"

#include "engine/OmPrime.h"

namespace {
constexpr uint32_t kInitialBuckets = 7;
}

OmHashMap::OmHashMap() : m_bucketCount(kInitialBuckets), m_buckets(new Node*[kInitialBuckets]())
{
}

OmHashMap::~OmHashMap()
{
    Clear();
    delete[] m_buckets;
}

void OmHashMap::Insert(uintptr_t key, uintptr_t value)
{
    Node*& head = m_buckets[key % m_bucketCount];
    head = new Node{head, key, value};
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
    for (Node* node = m_buckets[key % m_bucketCount]; node; node = node->next) {
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
            Node*& head = buckets[node->key % bucketCount];
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
    for (uint32_t b = 0; b < m_bucketCount; ++b) {
        Node* node = m_buckets[b];
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
        m_buckets[b] = nullptr;
    }
    m_count = 0;
}
