// A singly linked chain of untyped values whose first link lives inside its
// owner; further links come from one shared pool, so short chains cost no
// allocation at all.
#pragma once

class OmVoidChain {
public:
    struct Link {
        void* value;
        Link* next;
    };

    explicit OmVoidChain(void* value = nullptr) : m_head{value, nullptr} {}
    ~OmVoidChain();
    OmVoidChain(const OmVoidChain&) = delete;
    OmVoidChain& operator=(const OmVoidChain&) = delete;

    // The newest value is met first when walking from GetFirst.
    void Insert(void* value);
    void Remove(void* value);
    bool IsEmpty() const { return !m_head.next && !m_head.value; }

    // The embedded link; walk along next. An empty chain has a null value.
    const Link* GetFirst() const { return &m_head; }
    // A link's value as the T* that was stored; null for no link.
    template <class T>
    static T* ValueAt(const Link* link)
    {
        return link ? static_cast<T*>(link->value) : nullptr;
    }

    static unsigned GetPooledLinkCount();

private:
    Link m_head;
};
