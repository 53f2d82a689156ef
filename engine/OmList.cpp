#include "engine/OmList.h"

#include "engine/OmArchive.h"
#include "engine/OmObject.h"

OmList::~OmList()
{
    while (m_spare) {
        Node* next = m_spare->next;
        delete m_spare;
        m_spare = next;
    }
    while (m_first) {
        Node* next = m_first->next;
        delete m_first;
        m_first = next;
    }
}

OmList::Node* OmList::NewNode()
{
    if (!m_spare)
        return new Node{};
    Node* node = m_spare;
    m_spare = node->next;
    return node;
}

OmList::Node* OmList::AddTail(void* value)
{
    Node* node = NewNode();
    *node = Node{m_last, nullptr, value};
    if (m_last)
        m_last->next = node;
    else
        m_first = node;
    m_last = node;
    ++m_count;
    return node;
}

OmList::Node* OmList::AddHead(void* value)
{
    Node* node = NewNode();
    *node = Node{nullptr, m_first, value};
    if (m_first)
        m_first->prev = node;
    else
        m_last = node;
    m_first = node;
    ++m_count;
    return node;
}

void OmList::RemoveAt(Node* node)
{
    if (!node)
        return;
    if (node->prev)
        node->prev->next = node->next;
    else
        m_first = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        m_last = node->prev;
    node->prev = nullptr;
    node->next = m_spare;
    m_spare = node;
    --m_count;
}

bool OmList::Find(void* value, Node*& node) const
{
    for (Node* n = m_first; n; n = n->next) {
        if (n->value == value) {
            node = n;
            return true;
        }
    }
    return false;
}

bool OmList::Remove(void* value)
{
    Node* node;
    if (!Find(value, node))
        return false;
    RemoveAt(node);
    return true;
}

void OmList::RemoveAll()
{
    while (m_first)
        RemoveAt(m_first);
}

void OmList::RegisterAll(OmArchive& archive) const
{
    for (Node* n = m_first; n; n = n->next) {
        if (n->value)
            ValueAt<OmObject>(n)->Register(archive);
    }
}

void OmList::WriteRefs(OmArchive& archive) const
{
    archive.WriteU32(m_count);
    for (Node* n = m_first; n; n = n->next)
        archive.WriteObjectRef(ValueAt<const OmObject>(n));
}

void OmList::ReadRefs(OmArchive& archive, bool held)
{
    uint32_t count = 0;
    archive.ReadU32(count);
    // Each reference takes at least one word of the file.
    if (!archive.CanRead(uint64_t(count) * 4)) {
        if (!archive.HasFailed())
            archive.Fail("list longer than the file");
        return;
    }
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        OmObject* object = nullptr;
        if (held)
            archive.ReadHeldObjectRef(object);
        else
            archive.ReadObjectRef(object);
        AddTail(object);
    }
}
