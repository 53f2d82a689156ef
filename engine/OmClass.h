// Run-time class information. Every class derived from OmObject has one
// static OmClass record; every concrete class is also entered in the
// program-wide OmClassRegistry with a factory that can build it and the pool
// that holds its instances. Type tests, casts, creation by class, the
// archive's class table and the search of live objects by name all go
// through these.
//
// Registration happens during static initialisation, in whatever order the
// linker gives the source files, so AddClass may see a record before the
// record's constructor has run: it stores and compares addresses only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "engine/OmArray.h"

class OmArchive;
class OmFastAlloc;
class OmObject;

class OmClass {
public:
    OmClass(const char* name, const OmClass* parent);
    ~OmClass();
    OmClass(const OmClass&) = delete;
    OmClass& operator=(const OmClass&) = delete;

    // True when record is this class or one of its ancestors.
    bool IsDerivedFrom(const OmClass* record) const;
    // The same walk from a record that may be null (false then).
    static bool IsDerivedFrom(const OmClass* cls, const OmClass* record);
    // The same test by class name, for layers that cannot see the class
    // they ask about (it is defined by a layer built on theirs).
    static bool IsDerivedFromNamed(const OmClass* cls, const char* name);

    const char* name;
    const OmClass* parent;
    // -1 until OmClassRegistry::AssignClassIds, and for good for classes
    // that have no registry entry.
    int32_t index;
};

class OmClassFactory {
public:
    virtual ~OmClassFactory() = default;
    // A new object from the class pool, default-constructed; also stored
    // through out when it is given.
    virtual OmObject* Create(OmObject** out) = 0;
    // Runs the loading constructor in a cell the archive has set aside.
    // Neither allocates nor reads.
    virtual OmObject* CreateFromArchive(OmArchive& archive, void* cell) = 0;
    // The heap bytes the loading constructor takes besides the cell, as the
    // class declares them (a static kLoadingHeapBytes, which its subclasses
    // inherit); 0 when it declares none.
    virtual uint64_t DeclaredLoadingHeapBytes() const = 0;
};

// The factory of one concrete class T: T() for Create, T(OmArchive&) for
// loading.
template <class T>
class OmClassFactoryOf : public OmClassFactory {
public:
    OmObject* Create(OmObject** out) override
    {
        T* object = new T();
        if (out)
            *out = object;
        return object;
    }
    OmObject* CreateFromArchive(OmArchive& archive, void* cell) override
    {
        return ::new (cell) T(archive);
    }
    uint64_t DeclaredLoadingHeapBytes() const override
    {
        if constexpr (requires { T::kLoadingHeapBytes; })
            return T::kLoadingHeapBytes;
        else
            return 0;
    }
};

class OmClassRegistry {
public:
    struct Entry {
        const OmClass* record;
        OmClassFactory* factory;
        OmFastAlloc* pool;
    };

    static OmClassRegistry& Instance();

    // The index of the record's entry, appending one on first sight. A
    // record seen before keeps its entry; the factory and pool given again
    // are ignored.
    int32_t AddClass(const OmClass* record, OmClassFactory* factory, OmFastAlloc* pool);
    bool AssignClassIds();
    bool FindClassIndex(const char* name, int32_t& index) const;
    // The first live object of the class whose name is exactly name; null
    // for a null or empty name, and for an index without an entry.
    OmObject* FindObject(int32_t classIndex, const char* name) const;
    // Null for an index without an entry.
    OmObject* CreateObject(int32_t classIndex) const;
    // Drops every pooled object of every registered class, without running
    // destructors, and releases the pools' pages. Classes kept out of the
    // registry (OM_IMPLEMENT_UNLISTED_CLASS) keep their objects.
    void FreeAllObjects();

    uint32_t GetCount() const { return m_entries.GetCount(); }
    const OmClass* GetClass(int32_t index) const;
    OmClassFactory* GetFactory(int32_t index) const;
    OmFastAlloc* GetPool(int32_t index) const;

    // The program uses the one Instance(); separate registries serve tests.
    OmClassRegistry() : m_entries(64) {}

private:
    const Entry* EntryAt(int32_t index) const;

    OmArray<Entry> m_entries;
};

// Stops with a message when a class's pool cells are smaller than the object
// being created (a derived class that forgot its own class declaration).
[[noreturn]] void OmPoolCellTooSmall(const char* className);

// Declarations inside the class body. Each leaves the access public.
//
// OM_DECLARE_ABSTRACT_CLASS: a record, GetClass and Cast only (classes that
// are never created on their own).
#define OM_DECLARE_ABSTRACT_CLASS(Cls)                                                     \
public:                                                                                    \
    static OmClass s_class;                                                                \
    const OmClass* GetClass() const override { return &s_class; }                          \
    static Cls* Cast(OmObject* object)                                                     \
    {                                                                                      \
        return object && object->IsKindOf(&s_class) ? static_cast<Cls*>(object) : nullptr; \
    }                                                                                      \
    static const Cls* Cast(const OmObject* object)                                         \
    {                                                                                      \
        return object && object->IsKindOf(&s_class) ? static_cast<const Cls*>(object)      \
                                                    : nullptr;                             \
    }

// OM_DECLARE_CLASS: a concrete class with its own pool, factory and class
// id; instances are created with new (from the pool) or by the archive. The
// class needs a default constructor and a loading constructor
// Cls(OmArchive&).
#define OM_DECLARE_CLASS(Cls)                             \
    OM_DECLARE_ABSTRACT_CLASS(Cls)                        \
    static OmFastAlloc s_pool;                            \
    static OmClassFactory* Factory();                     \
    static int32_t ClassId();                             \
    static void* operator new(std::size_t size)           \
    {                                                     \
        if (size > s_pool.GetElementSize())               \
            OmPoolCellTooSmall(#Cls);                     \
        return s_pool.Alloc(size);                        \
    }                                                     \
    static void operator delete(void* cell) { s_pool.Free(cell); }

// Pages of every class pool.
constexpr uint32_t OM_CLASS_PAGE_SIZE = 4096;

// Definitions in the class's source file.
#define OM_IMPLEMENT_ABSTRACT_CLASS(Cls, Parent) OmClass Cls::s_class(#Cls, &Parent::s_class);

#define OM_IMPLEMENT_CLASS_POOL_(Cls, Parent)                                     \
    OmClass Cls::s_class(#Cls, &Parent::s_class);                                 \
    static OmClassFactoryOf<Cls> s_factoryOf##Cls;                                \
    OmClassFactory* Cls::Factory() { return &s_factoryOf##Cls; }                  \
    OmFastAlloc Cls::s_pool(sizeof(Cls), OM_CLASS_PAGE_SIZE, alignof(Cls), #Cls);

// A registered class: its entry is made during static initialisation, so
// ClassId() is the same from every file and FreeAllObjects clears its pool.
#define OM_IMPLEMENT_CLASS(Cls, Parent)                                                         \
    OM_IMPLEMENT_CLASS_POOL_(Cls, Parent)                                                       \
    int32_t Cls::ClassId()                                                                      \
    {                                                                                           \
        static const int32_t id =                                                               \
            OmClassRegistry::Instance().AddClass(&Cls::s_class, Cls::Factory(), &Cls::s_pool);  \
        return id;                                                                              \
    }                                                                                           \
    [[maybe_unused]] static const int32_t s_classIdOf##Cls = Cls::ClassId();

// A class with a record, factory and pool but no registry entry: its
// objects survive FreeAllObjects (a mode switch), so objects the application
// keeps for the whole run belong to such a class. ClassId() is -1, and such
// objects cannot be saved in an archive.
#define OM_IMPLEMENT_UNLISTED_CLASS(Cls, Parent) \
    OM_IMPLEMENT_CLASS_POOL_(Cls, Parent)        \
    int32_t Cls::ClassId() { return -1; }
