#include "engine/OmRefList.h"

void OmRefListBase::RemoveAll()
{
    while (const Node* node = m_list.GetFirst()) {
        auto* object = static_cast<OmObject*>(DetachAt(node));
        if (object)
            object->Release();
    }
}

void OmRefListBase::SwapValues(const Node* a, const Node* b)
{
    if (!a || !b)
        return;
    auto* x = const_cast<Node*>(a);
    auto* y = const_cast<Node*>(b);
    void* value = x->value;
    x->value = y->value;
    y->value = value;
}

void* OmRefListBase::DetachAt(const Node* node)
{
    if (!node)
        return nullptr;
    void* value = node->value;
    m_list.RemoveAt(const_cast<Node*>(node));
    return value;
}

const OmRefListBase::Node* OmRefListBase::FindValue(const void* value) const
{
    Node* node = nullptr;
    return m_list.Find(const_cast<void*>(value), node) ? node : nullptr;
}
