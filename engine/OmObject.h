// The root of every pooled, reference-counted, named and persistable class.
// Its first fields are fixed: the virtual table, then the reference count
// (the class pools read it to tell live cells from free ones), then the
// name.
//
// Saving and loading follow one protocol in every class:
// - Register calls the base Register and stops when it returns false (the
//   object is already known to the archive); otherwise it registers every
//   object it refers to and returns true.
// - Write calls the base Write, then writes its own fields in a fixed order,
//   object references through the archive's reference form.
// - Read reads exactly that back. References arrive as addresses of cells
//   the archive has set aside; the objects in them may not be read yet, so
//   Read must not look inside them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"

class OmArchive;

class OmObject {
public:
    static OmClass s_class;

    OmObject();
    // The loading constructor: count 0, no name; Read fills the rest.
    explicit OmObject(OmArchive& archive);
    virtual ~OmObject();
    OmObject(const OmObject&) = delete;
    OmObject& operator=(const OmObject&) = delete;

    virtual bool Register(OmArchive& archive);
    virtual void Write(OmArchive& archive);
    virtual void Read(OmArchive& archive);
    // Asked once every object of an archive has been read: whether the
    // links this object read agree with the objects they point to. Links
    // that only a whole file can contradict (lists threaded through several
    // objects) are checked here, so a damaged file fails its load instead
    // of leaving a list that loops.
    virtual bool LinksAreSound() const { return true; }
    // References that holders take again while the object is read back, so
    // the count a file records leaves them out: a holder that began to
    // count its references after the saved form was fixed.
    virtual uint32_t RetakenReferences() const { return 0; }
    virtual const OmClass* GetClass() const { return &s_class; }

    uint32_t AddRef() { return ++m_refCount; }
    // Destroys the object when the count reaches 0.
    uint32_t Release();
    uint32_t GetRefCount() const { return m_refCount; }

    void SetName(const char* text);
    const char* GetName() const { return m_name; }
    // The name, or "" for an unnamed object: for messages and text built
    // from it, which need a string either way.
    const char* NameOrEmpty() const { return m_name ? m_name : ""; }

    bool IsKindOf(const OmClass* record) const { return OmClass::IsDerivedFrom(GetClass(), record); }
    int32_t GetClassId() const;

    // Where the count lives, for the pools' liveness test.
    static size_t RefCountOffset();

    // References held from outside anything saved (a script's handles): a
    // saved count leaves them out, as nothing holds them in the game the
    // file loads into, and an object that only they hold is not saved at
    // all. At most one counter, set by the layer that holds them.
    using UnsavedReferences = uint32_t (*)(const OmObject&);
    static void SetUnsavedReferences(UnsavedReferences counter);

protected:
    // The archive restores counts and takes down objects of a failed load.
    friend class OmArchive;

    uint32_t m_refCount;
    char* m_name;
};
