// A link from one game object to another that it does not hold: a switch's
// doors, a door's buddy, a character's targets, a squad's threats. The
// object linked to may go while the link is kept (a script deletes it, the
// level lets go of it), so the link is cut as the object is destroyed and
// reads as none from then on: holding a TsLink never leaves a pointer to a
// freed cell, and its holder has nothing to forget by hand.
//
// Every link that points somewhere is chained with the others that point
// there, and a game object's destruction (~TsObject) cuts that chain;
// ForgetObject is left for what a holder keeps beside its links. A link
// only keeps the address, so it may be aimed at an object whose cell the
// archive has set aside but not yet filled while a file is read; like the archive,
// it takes the object's address for its TsObject's, the first base of
// every game class.
//
// A link that holds its object is an OmRef instead; a bare pointer between
// game objects borrows for the length of a call.
#pragma once

#include "engine/OmArchive.h"

class OmClassRegistry;
class TsObject;

class TsLinkBase {
public:
    TsLinkBase(const TsLinkBase&) = delete;
    TsLinkBase& operator=(const TsLinkBase&) = delete;

    // Cuts every link to gone (which is being destroyed).
    static void CutLinksTo(const TsObject* gone);
    // Takes off the chains every link that lies in, or points into, a cell
    // still allocated from one of the registry's pools: such cells are
    // dropped without destructors (what a mode switch finds leaked), and a
    // link left chained there would be written through afterwards.
    static void UnchainLeaked(const OmClassRegistry& registry);

protected:
    TsLinkBase() = default;
    ~TsLinkBase() { Aim(nullptr); }

    // Points the link at the object at that address (none: off the chain).
    void Aim(void* object);
    void* Target() const { return m_target; }

private:
    void* m_target = nullptr;
    // Neighbours on the chain of links to nearby addresses.
    TsLinkBase* m_previous = nullptr;
    TsLinkBase* m_next = nullptr;
};

// T is a game class (a TsObject); it may be incomplete where the link is
// used.
template <class T>
class TsLink : public TsLinkBase {
public:
    TsLink() = default;
    TsLink(T* object) { Aim(object); }
    TsLink(const TsLink& other) : TsLinkBase() { Aim(other.Target()); }
    TsLink& operator=(const TsLink& other)
    {
        Aim(other.Target());
        return *this;
    }
    TsLink& operator=(T* object)
    {
        Aim(object);
        return *this;
    }

    T* Get() const { return static_cast<T*>(Target()); }
    T* operator->() const { return Get(); }
    operator T*() const { return Get(); }
};

// A link read from an archive: the file keeps it as the object reference a
// bare pointer was written as, so older saved games read back unchanged.
template <class T>
OmArchive& ReadLink(OmArchive& archive, TsLink<T>& link)
{
    T* object = nullptr;
    archive.ReadRef(object);
    link = object;
    return archive;
}
