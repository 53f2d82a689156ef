// A list of counted objects that holds a reference to each entry: an object
// keeps its reference for as long as it is listed, and the list gives it
// back when the entry is removed or the list goes. A holder that keeps its
// objects this way cannot forget to count them, nor count one twice.
//
// What goes in is an OmRef, so the caller says whether the list shares the
// object (OmRef(object) adds a reference) or takes over one the caller held
// (OmRef<T>::Adopt(object)). What comes out of a removal is an OmRef too:
// the caller keeps the object by keeping it, and lets go by dropping it.
//
// The entries are plain OmList nodes, so code that only reads walks them as
// before; only the list changes them. T may be incomplete where the list is
// declared: references are counted through OmObject, which every counted
// class starts with.
#pragma once

#include <cstdint>

#include "engine/OmList.h"
#include "engine/OmObject.h"
#include "engine/OmRef.h"

class OmArchive;

class OmRefListBase {
public:
    using Node = OmList::Node;

    OmRefListBase() = default;
    ~OmRefListBase() { RemoveAll(); }
    OmRefListBase(const OmRefListBase&) = delete;
    OmRefListBase& operator=(const OmRefListBase&) = delete;

    const Node* GetFirst() const { return m_list.GetFirst(); }
    const Node* GetLast() const { return m_list.GetLast(); }
    uint32_t GetCount() const { return m_list.GetCount(); }
    bool IsEmpty() const { return m_list.IsEmpty(); }
    // The entries, for code that walks them without changing them.
    const OmList& Entries() const { return m_list; }

    // Each entry's reference goes, in list order.
    void RemoveAll();
    // The entries go without giving their references back: only for a
    // holder that a failed load takes down together with what it lists.
    void Abandon() { m_list.RemoveAll(); }
    // The first entry of object goes without giving back its reference,
    // which is not the list's: handed to another owner, or found gone.
    void Forget(const void* object) { DetachAt(FindValue(object)); }
    // Two entries trade places (each keeps its one reference).
    void SwapValues(const Node* a, const Node* b);

    void RegisterAll(OmArchive& archive) const { m_list.RegisterAll(archive); }
    void WriteRefs(OmArchive& archive) const { m_list.WriteRefs(archive); }
    // The count a file restores includes the list's own reference, so the
    // objects read are adopted, not shared.
    void ReadRefs(OmArchive& archive) { m_list.ReadRefs(archive, true); }

protected:
    const Node* AddTailValue(OmObject* adopted) { return m_list.AddTail(adopted); }
    const Node* AddHeadValue(OmObject* adopted) { return m_list.AddHead(adopted); }
    // The entry goes; its reference is the caller's.
    void* DetachAt(const Node* node);
    const Node* FindValue(const void* value) const;

private:
    OmList m_list;
};

template <class T>
class OmRefList : public OmRefListBase {
public:
    static T* At(const Node* node) { return OmList::ValueAt<T>(node); }

    // The list keeps the reference given (null entries are kept too: a
    // damaged file may name nothing, which its reader then refuses).
    const Node* AddTail(OmRef<T> object) { return AddTailValue(Counted(object.Detach())); }
    const Node* AddHead(OmRef<T> object) { return AddHeadValue(Counted(object.Detach())); }

    // The entry goes, and its reference with it to the caller.
    [[nodiscard]] OmRef<T> RemoveAt(const Node* node) { return OmRef<T>::Adopt(static_cast<T*>(DetachAt(node))); }
    // The first entry of object goes, its reference to the caller; null
    // when object is not listed.
    [[nodiscard]] OmRef<T> Remove(const T* object)
    {
        const Node* node = Find(object);
        return node ? RemoveAt(node) : OmRef<T>();
    }

    const Node* Find(const T* object) const { return object ? FindValue(object) : nullptr; }
    bool Contains(const T* object) const { return Find(object) != nullptr; }

private:
    // T's reference is its OmObject's, which starts every counted object.
    static OmObject* Counted(T* object) { return reinterpret_cast<OmObject*>(object); }
};
