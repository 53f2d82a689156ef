// Saves the graph of objects reachable from a list of roots into one file,
// and loads such a file back into fresh objects with every link restored.
//
// Classes are named in the file by their class name; objects are numbered
// per class in the order they were first registered. On loading, every
// object's cell has its place before any object is read (its page is set
// aside when a reference or the object itself first reaches it), so a
// reference turns into an address by arithmetic alone and forward
// references need no second pass.
//
// Layout (32-bit little-endian words): the header text, version 1.0, the
// class count and one record per registered class (name, object count), the
// optional resource section, the roots as references, then every class's
// objects in index order. A reference is 0xFFFFFFFF for null, else the
// class index and the object index within the class.
//
// Nothing read from a file is trusted: every count, length and reference is
// checked, and the first problem marks the archive failed (logged once);
// later reads then give zeros and Load returns false, taking the objects it
// had begun to build away again. A saved reference count is checked too:
// once every object is read, each must be counted at least as often as
// the file names holders of it (the holders that read their references as
// counted ones, and the caller of a root), or a release could end it while
// one of them still holds it. A count above that is kept: it names holders
// outside the file (a shot holds itself; a file of the player alone leaves
// out the level that lists the party), which take their places after it,
// up to the take-down mark: past it a count could not be told from a cell
// being taken down or a free one. An object counted 0 that no holder in
// the file names is held by nothing and refused.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmRef.h"

class OmBufferedFile;
class OmClass;
class OmClassRegistry;
class OmFastAlloc;
class OmHashMap;
class OmObject;
class OmResourceOwner;
class OmVector3;
struct OmFastAllocPage;

class OmArchive {
public:
    static constexpr uint32_t kNullRef = 0xFFFFFFFFu;
    static constexpr uint32_t kBufferSize = 16384;
    // While a failed load takes its objects down, each count is pinned at
    // this value so no release ends one early; their destructors must not
    // release the objects they list (those are taken down too).
    static constexpr uint32_t kTakeDownRefCount = 0x40000000u;
    static bool IsBeingTakenDown(const OmObject& object);
    static const char kHeaderText[];

    enum ResourceKind : uint32_t { kMaterial = 0, kTexture = 1 };

    explicit OmArchive(OmClassRegistry& registry);
    virtual ~OmArchive();
    OmArchive(const OmArchive&) = delete;
    OmArchive& operator=(const OmArchive&) = delete;

    // The renderer whose materials and textures travel with the objects. A
    // file saved with an owner must be loaded with one, and without one
    // when saved without.
    void SetResourceOwner(OmResourceOwner* owner) { m_resourceOwner = owner; }
    OmResourceOwner* GetResourceOwner() const { return m_resourceOwner; }

    // The classes a file of the caller's kind holds. A load whose class
    // table counts an object of any other class (one derived from a class
    // listed too) is refused, naming that class, before it builds or reads
    // a single object. Until this is called every registered class may be
    // held.
    void HoldOnly(std::initializer_list<const OmClass*> classes) { m_heldClasses.assign(classes); }

    void AddRoot(OmObject* object) { m_roots.Add(object); }
    bool IsRoot(const OmObject* object) const;
    uint32_t GetRootCount() const { return m_roots.GetCount(); }
    OmObject* GetRoot(uint32_t i) const { return i < m_roots.GetCount() ? m_roots[i] : nullptr; }
    // For a load whose roots the caller refuses, before anything has taken
    // one: everything the load built goes, as a failed load's does, however
    // often the roots name an object and whether or not one reaches it. The
    // root list is emptied.
    void RefuseLoad();

    // False for null, for an object already registered, and (with a log
    // line) for an object whose class has no registry entry.
    bool Register(OmObject* object);
    int32_t GetObjectIndex(const OmObject* object) const;

    bool Save(const char* path);
    // Save into a temporary file beside path, put in its place only once it
    // was written whole: a full disk or a failed write keeps the old file.
    bool SaveReplacing(const char* path);
    // A load that succeeded is remembered until the archive goes or loads
    // again, so that its caller can still refuse it whole (RefuseLoad).
    bool Load(const char* path);

    // Writing primitives; each returns the archive so calls chain.
    OmArchive& WriteU32(uint32_t value);
    OmArchive& WriteI32(int32_t value) { return WriteU32(uint32_t(value)); }
    OmArchive& WriteFloat(float value);
    OmArchive& WriteBool(bool value) { return WriteU32(value ? 1 : 0); }
    OmArchive& WriteVector(const OmVector3& value);
    OmArchive& WriteBytes(const void* data, uint64_t size);
    OmArchive& WriteString(const char* text);
    OmArchive& WriteObjectRef(const OmObject* object);

    // Reading primitives. On failure the destination is zeroed (strings and
    // references become null) and the archive is marked failed.
    OmArchive& ReadU32(uint32_t& value);
    OmArchive& ReadI32(int32_t& value);
    OmArchive& ReadFloat(float& value);
    OmArchive& ReadBool(bool& value);
    OmArchive& ReadVector(OmVector3& value);
    // An enum stored as its 32-bit number; the number is kept as read, so
    // the reader checks the range where it matters.
    template <class Enum>
    OmArchive& ReadEnum(Enum& value)
    {
        int32_t number = 0;
        ReadI32(number);
        value = static_cast<Enum>(number);
        return *this;
    }
    OmArchive& ReadBytes(void* data, uint64_t size);
    // Frees the old text; length 0 gives null. The text is new[]-allocated.
    OmArchive& ReadString(char*& text);
    OmArchive& ReadObjectRef(OmObject*& object);
    // A reference that must be a T (or derived): a reference to an object of
    // another class fails the archive instead of handing out a mistyped
    // pointer. Borrowed: the holder keeps no count of its own.
    template <class T>
    OmArchive& ReadRef(T*& object)
    {
        return ReadTypedRef(object, kBorrowed);
    }
    // A reference the holder keeps counted in a bare pointer, releasing it
    // when it lets go: the count the file restores includes it, and the
    // load checks that it does.
    template <class T>
    OmArchive& ReadHeldRef(T*& object)
    {
        return ReadTypedRef(object, kHeld);
    }
    // The same, of any class.
    OmArchive& ReadHeldObjectRef(OmObject*& object);
    // A counted reference: the count the file restores already includes the
    // reference this holder keeps, so the object is adopted, not shared.
    template <class T>
    OmArchive& ReadRef(OmRef<T>& ref)
    {
        T* object = nullptr;
        ReadHeldRef(object);
        ref.AdoptNew(object);
        return *this;
    }

    // Resource ids (kind 0 material, 1 texture): uses are counted during
    // registration, written as their number in the file, and read back as
    // the id the loader got from the owner (-1 for an unknown kind).
    void CountResource(uint32_t kind, int32_t id);
    OmArchive& WriteResource(uint32_t kind, int32_t id);
    int32_t ReadResource(uint32_t kind);
    // An object that releases a read resource id itself (in its destructor)
    // takes over one of the references the load holds for it, so a load
    // that fails later does not give that reference back a second time.
    void AdoptResource(uint32_t kind, int32_t id);

    // What reaching an object of the registry's class costs a load: its cell
    // and the heap its loading constructor may take, the cell's size again
    // unless the class declares more. A load is refused before it builds
    // anything when its class table promises more than its file justifies.
    static uint64_t LoadingCost(const OmClassRegistry& registry, int32_t index);

    // Whether size more bytes are left to read in the file.
    bool CanRead(uint64_t size) const;
    bool HasFailed() const;
    // Marks the archive failed; the first reason is logged.
    void Fail(const char* why);

    uint32_t GetVersionMajor() const { return m_versionMajor; }
    uint32_t GetVersionMinor() const { return m_versionMinor; }

private:
    // How the reader of a reference holds it: borrowed, counted, or as the
    // caller of a root (counted once however often the roots name it).
    enum Holding { kBorrowed, kHeld, kRoot };

    struct LoadClass {
        std::unique_ptr<char[]> name;
        uint32_t count = 0;
        int32_t registryIndex = 0;
        uint32_t pageCount = 0;
        // The pool's pages of the class, null until set aside; the pages
        // themselves belong to the pool.
        std::unique_ptr<OmFastAllocPage*[]> pages;
        uint32_t constructed = 0; // objects built in the cells so far
        // Per object, the holders the file names; made when the first is read.
        std::unique_ptr<uint32_t[]> holders;
    };

    template <class T>
    OmArchive& ReadTypedRef(T*& object, Holding holding)
    {
        void* cell = nullptr;
        ReadRefOf(cell, &T::s_class, holding);
        object = static_cast<T*>(cell); // OmObject is always the first base
        return *this;
    }
    // A reference to an object of any class.
    OmArchive& ReadAnyRef(OmObject*& object, Holding holding);
    OmArchive& ReadRefOf(void*& cell, const OmClass* expected, Holding holding);
    void CountHolder(LoadClass& entry, uint32_t index, Holding holding);
    // Whether the object's count covers the holders the file names of it,
    // and something holds it (fails the archive when not).
    bool CountCoversHolders(const LoadClass& entry, uint32_t index, const OmObject& object);
    // The cell of object index of a class of the file; its page is set
    // aside when first reached.
    void* CellFor(LoadClass& entry, uint32_t index);
    // How many cells of the class's page are set aside (0 for a page never
    // reached).
    uint32_t CellsSetAside(const LoadClass& entry, uint32_t page) const;
    bool LoadContents();
    bool ReadHeader();
    bool ReadClassTable();
    // Whether a file of the caller's kind may hold objects of the class
    // (fails the archive, naming it, when not).
    bool MayHold(const LoadClass& entry);
    // Whether what the objects the class table lists cost stays within what
    // the rest of the file could justify; fails the archive when not.
    bool ObjectsFitTheFile();
    bool ReadRoots();
    bool HasObjects() const;
    bool ReadObjects();
    bool CheckLinks();
    void DiscardLoadedObjects();
    void FreeLoadTable();
    void WriteHeader();
    void SizeResourceTables();
    void NumberResources();
    void WriteResourceSection();
    bool ReadResourceSection();
    void FreeResourceTables();
    bool ReadTextures();
    bool ReadMaterials();
    // Reads one table of resources: each entry is registered once and then
    // given one more reference per further use, and its index in the file is
    // mapped to the owner's id (-1 where registration failed).
    template <class Resource, class RegisterFn, class AddUseFn>
    bool ReadResourceTable(const char* countError, uint32_t& written, std::unique_ptr<int32_t[]>& idMap,
                           OmArray<int32_t>& refs, RegisterFn registerEntry, AddUseFn addUse);
    bool ReadUseCount(uint32_t& uses);
    void ReleaseLoadedResources();

    OmClassRegistry& m_registry;
    // Borrowed: a save's roots belong to the caller; a load's are handed to
    // the caller, whose counts the file restored.
    OmArray<OmObject*> m_roots;
    // Per registered class: object address to index, and the registered
    // objects in index order (borrowed).
    std::unique_ptr<OmHashMap[]> m_objectMaps;
    std::unique_ptr<OmArray<OmObject*>[]> m_objectLists;
    uint32_t m_classCount;
    // The open file, only while a load or a save runs.
    std::unique_ptr<OmBufferedFile> m_input;
    std::unique_ptr<OmBufferedFile> m_output;
    uint32_t m_versionMajor = 0;
    uint32_t m_versionMinor = 0;
    // The classes the file lists, from a load's start until the archive goes,
    // loads again or the load is refused.
    std::unique_ptr<LoadClass[]> m_loadTable;
    uint32_t m_loadClassCount = 0;
    OmResourceOwner* m_resourceOwner = nullptr; // borrowed: the caller's renderer
    std::vector<const OmClass*> m_heldClasses;   // empty: any registered class
    // Per resource slot (saving) or per resource of the file (loading).
    std::unique_ptr<int32_t[]> m_materialUseCounts;
    std::unique_ptr<int32_t[]> m_materialIdMap;
    std::unique_ptr<int32_t[]> m_textureUseCounts;
    std::unique_ptr<int32_t[]> m_textureIdMap;
    uint32_t m_materialSlots = 0;
    uint32_t m_textureSlots = 0;
    uint32_t m_materialsWritten = 0;
    uint32_t m_texturesWritten = 0;
    // References taken from the owner during a load, given back if it fails.
    OmArray<int32_t> m_loadedMaterialRefs{64};
    OmArray<int32_t> m_loadedTextureRefs{64};
    const char* m_path = ""; // borrowed: the caller's path, while a load or a save runs
    bool m_failed = false;
};
