#include "engine/OmVoidChain.h"

#include "engine/OmFastAlloc.h"

namespace {

// One link per page, as chains are short and scattered.
OmFastAlloc& LinkPool()
{
    static OmFastAlloc pool(sizeof(OmVoidChain::Link), 5, alignof(OmVoidChain::Link), "OmVoidChain");
    return pool;
}

} // namespace

OmVoidChain::~OmVoidChain()
{
    Link* link = m_head.next;
    while (link) {
        Link* next = link->next;
        LinkPool().Free(link);
        link = next;
    }
}

void OmVoidChain::Insert(void* value)
{
    if (!value)
        return;
    if (IsEmpty()) {
        m_head.value = value;
        return;
    }
    Link* link = static_cast<Link*>(LinkPool().Alloc(sizeof(Link)));
    *link = m_head;
    m_head.value = value;
    m_head.next = link;
}

void OmVoidChain::Remove(void* value)
{
    if (!value || IsEmpty())
        return;
    if (m_head.value == value) {
        Link* second = m_head.next;
        if (!second) {
            m_head.value = nullptr;
            return;
        }
        m_head = *second;
        LinkPool().Free(second);
        return;
    }
    for (Link* prev = &m_head; prev->next; prev = prev->next) {
        Link* link = prev->next;
        if (link->value == value) {
            prev->next = link->next;
            LinkPool().Free(link);
            return;
        }
    }
}

unsigned OmVoidChain::GetPooledLinkCount()
{
    return LinkPool().GetLiveCount();
}
