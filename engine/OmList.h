// A doubly linked list of word-sized values (usually object pointers).
// Removed nodes wait on a spare chain for reuse, so a list that shrinks and
// grows again allocates nothing.
#pragma once

#include <cstdint>

class OmArchive;

class OmList {
public:
    struct Node {
        Node* prev; // toward the first node
        Node* next; // toward the last node
        void* value;
    };

    OmList() = default;
    ~OmList();
    OmList(const OmList&) = delete;
    OmList& operator=(const OmList&) = delete;

    Node* AddTail(void* value);
    Node* AddHead(void* value);
    void RemoveAt(Node* node);
    bool Find(void* value, Node*& node) const;
    bool Remove(void* value);
    void RemoveAll();

    Node* GetFirst() const { return m_first; }
    Node* GetLast() const { return m_last; }
    static Node* Next(Node*& cursor) { return cursor = cursor ? cursor->next : nullptr; }
    static Node* Prev(Node*& cursor) { return cursor = cursor ? cursor->prev : nullptr; }
    uint32_t GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    // A node's value as the T* that was stored; null for no node.
    template <class T>
    static T* ValueAt(const Node* node)
    {
        return node ? static_cast<T*>(node->value) : nullptr;
    }

    // The values are OmObjects: registered, written and read as references,
    // in traversal order. A list that holds a reference on each entry reads
    // them as counted (held).
    void RegisterAll(OmArchive& archive) const;
    void WriteRefs(OmArchive& archive) const;
    void ReadRefs(OmArchive& archive, bool held = false);

private:
    Node* NewNode();

    uint32_t m_count = 0;
    Node* m_first = nullptr;
    Node* m_last = nullptr;
    Node* m_spare = nullptr;
};
