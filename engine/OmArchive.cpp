#include "engine/OmArchive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"
#include "engine/OmHashMap.h"
#include "engine/OmObject.h"
#include "engine/OmReport.h"
#include "engine/OmStream.h"
#include "engine/OmVector3.h"
#include "engine/OmWriteReplacing.h"

const char OmArchive::kHeaderText[] =
    "Orrimund File Format. Archive of registered engine objects and their links.";

namespace {

constexpr uint32_t kHeaderLength = sizeof(OmArchive::kHeaderText) - 1;
static_assert(kHeaderLength == 75);
constexpr uint32_t kVersionMajor = 1;
constexpr uint32_t kVersionMinor = 0;
// Fewest bytes an object can occupy in a file: every object writes at least
// its root part, a reference count and the length of its name. Bounds what a
// count can ask for.
constexpr uint64_t kMinObjectBytes = 8;
// Most bytes of memory the objects of a file may cost per byte left in it,
// beyond a fixed allowance. A failed load builds every object a reference
// reached, however little of the file it read, so an object costs what
// building it takes: its cell and what its loading constructor takes of the
// heap (LoadingCost). Saved games cost two to four; the allowance covers a
// level, whose loading constructor makes its pathfinder, HUD and radar, in
// the smallest of them.
constexpr uint64_t kCostPerFileByte = 6;
constexpr uint64_t kCostAllowance = 512 * 1024;

} // namespace

bool OmArchive::IsBeingTakenDown(const OmObject& object)
{
    return object.GetRefCount() == kTakeDownRefCount;
}

OmArchive::OmArchive(OmClassRegistry& registry)
    : m_registry(registry), m_roots(64), m_classCount(registry.GetCount())
{
    const uint32_t slots = m_classCount ? m_classCount : 1;
    m_objectMaps = std::make_unique<OmHashMap[]>(slots);
    m_objectLists = std::make_unique<OmArray<OmObject*>[]>(slots);
}

OmArchive::~OmArchive() = default;

// ---- registration -------------------------------------------------------

bool OmArchive::Register(OmObject* object)
{
    if (!object)
        return false;
    int32_t classId = object->GetClassId();
    if (classId < 0 || uint32_t(classId) >= m_classCount) {
        const OmClass* cls = object->GetClass();
        ReportError("OmArchive::Register: class %s has no registry entry; object not saved",
                    cls && cls->name ? cls->name : "(unknown)");
        return false;
    }
    OmArray<OmObject*>& list = m_objectLists[classId];
    if (!m_objectMaps[classId].Add(uintptr_t(object), list.GetCount()))
        return false;
    // Growing by the fixed step alone would copy the list over and over for
    // the tens of thousands of objects of a level; doubling keeps it linear.
    if (list.GetCount() == list.GetCapacity())
        list.Reserve(list.GetCapacity() * 2);
    list.Add(object);
    return true;
}

bool OmArchive::IsRoot(const OmObject* object) const
{
    for (uint32_t i = 0; i < m_roots.GetCount(); ++i) {
        if (m_roots[i] == object)
            return true;
    }
    return false;
}

// Taken down as a failed load is: releasing the roots instead would leave
// behind whatever no root reaches, as in a file whose roots name one object
// twice and another not at all.
void OmArchive::RefuseLoad()
{
    DiscardLoadedObjects();
    ReleaseLoadedResources();
    FreeLoadTable();
    m_roots.RemoveAll();
}

int32_t OmArchive::GetObjectIndex(const OmObject* object) const
{
    if (!object)
        return -1;
    int32_t classId = object->GetClassId();
    if (classId < 0 || uint32_t(classId) >= m_classCount)
        return -1;
    uintptr_t index;
    if (!m_objectMaps[classId].Lookup(uintptr_t(object), index))
        return -1;
    return int32_t(index);
}

// ---- failure ------------------------------------------------------------

bool OmArchive::HasFailed() const
{
    return m_failed || (m_input && m_input->HasFailed());
}

void OmArchive::Fail(const char* why)
{
    // The stream may have failed first (a short read); the archive still
    // reports its first failure.
    if (!m_failed)
        ReportError("Archive \"%s\": %s", m_path, why);
    m_failed = true;
    if (m_input)
        m_input->SetFailed();
}

bool OmArchive::CanRead(uint64_t size) const
{
    return m_input && !HasFailed() && size <= m_input->GetRemaining();
}

// ---- primitives ---------------------------------------------------------

OmArchive& OmArchive::WriteU32(uint32_t value)
{
    if (m_output)
        m_output->WriteU32(value);
    return *this;
}

OmArchive& OmArchive::WriteFloat(float value)
{
    if (m_output)
        m_output->WriteFloat(value);
    return *this;
}

OmArchive& OmArchive::WriteVector(const OmVector3& value)
{
    return WriteFloat(value.x).WriteFloat(value.y).WriteFloat(value.z);
}

OmArchive& OmArchive::WriteBytes(const void* data, uint64_t size)
{
    if (m_output && size)
        m_output->Write(data, size_t(size));
    return *this;
}

OmArchive& OmArchive::WriteString(const char* text)
{
    uint32_t length = text ? uint32_t(std::strlen(text)) : 0;
    WriteU32(length);
    return WriteBytes(text, length);
}

OmArchive& OmArchive::WriteObjectRef(const OmObject* object)
{
    int32_t classId = object ? object->GetClassId() : -1;
    if (classId < 0 || uint32_t(classId) >= m_classCount)
        return WriteU32(kNullRef);
    int32_t index = GetObjectIndex(object);
    return WriteU32(uint32_t(classId)).WriteU32(index < 0 ? kNullRef : uint32_t(index));
}

OmArchive& OmArchive::ReadU32(uint32_t& value)
{
    if (!m_input || HasFailed() || m_input->ReadU32(value) != 4) {
        value = 0;
        Fail("the file ends early");
    }
    return *this;
}

OmArchive& OmArchive::ReadI32(int32_t& value)
{
    uint32_t word;
    ReadU32(word);
    value = int32_t(word);
    return *this;
}

OmArchive& OmArchive::ReadFloat(float& value)
{
    uint32_t word;
    ReadU32(word);
    std::memcpy(&value, &word, sizeof value);
    return *this;
}

OmArchive& OmArchive::ReadBool(bool& value)
{
    uint32_t word;
    ReadU32(word);
    value = word != 0;
    return *this;
}

OmArchive& OmArchive::ReadVector(OmVector3& value)
{
    return ReadFloat(value.x).ReadFloat(value.y).ReadFloat(value.z);
}

OmArchive& OmArchive::ReadBytes(void* data, uint64_t size)
{
    if (size == 0)
        return *this;
    if (!CanRead(size)) {
        Fail("a block runs past the end of the file");
        std::memset(data, 0, size_t(size));
        return *this;
    }
    if (m_input->Read(data, size_t(size)) != size) {
        Fail("the file ends early");
        std::memset(data, 0, size_t(size));
    }
    return *this;
}

OmArchive& OmArchive::ReadString(char*& text)
{
    uint32_t length = 0;
    ReadU32(length);
    delete[] text;
    text = nullptr;
    if (length == 0 || HasFailed())
        return *this;
    if (!CanRead(length)) {
        Fail("a string runs past the end of the file");
        return *this;
    }
    text = new char[uint64_t(length) + 1];
    ReadBytes(text, length);
    text[length] = 0;
    if (HasFailed()) {
        delete[] text;
        text = nullptr;
    }
    return *this;
}

OmArchive& OmArchive::ReadObjectRef(OmObject*& object)
{
    return ReadAnyRef(object, kBorrowed);
}

OmArchive& OmArchive::ReadHeldObjectRef(OmObject*& object)
{
    return ReadAnyRef(object, kHeld);
}

OmArchive& OmArchive::ReadAnyRef(OmObject*& object, Holding holding)
{
    void* cell = nullptr;
    ReadRefOf(cell, nullptr, holding);
    object = static_cast<OmObject*>(cell);
    return *this;
}

OmArchive& OmArchive::ReadRefOf(void*& cell, const OmClass* expected, Holding holding)
{
    cell = nullptr;
    uint32_t classIndex = 0;
    ReadU32(classIndex);
    if (classIndex == kNullRef || HasFailed())
        return *this;
    if (classIndex >= m_loadClassCount) {
        Fail("a reference names a class the file does not list");
        return *this;
    }
    uint32_t objectIndex = 0;
    ReadU32(objectIndex);
    const LoadClass& entry = m_loadTable[classIndex];
    // An object that was never registered was written with an index past
    // the class's count; it reads back as null.
    if (HasFailed() || objectIndex >= entry.count)
        return *this;
    if (expected && !OmClass::IsDerivedFrom(m_registry.GetClass(entry.registryIndex), expected)) {
        Fail("a reference points at an object of the wrong class");
        return *this;
    }
    cell = CellFor(m_loadTable[classIndex], objectIndex);
    CountHolder(m_loadTable[classIndex], objectIndex, holding);
    return *this;
}

// The roots are read before any object, so a root found counted already
// was named by an earlier root.
void OmArchive::CountHolder(LoadClass& entry, uint32_t index, Holding holding)
{
    if (holding == kBorrowed)
        return;
    if (!entry.holders)
        entry.holders = std::make_unique<uint32_t[]>(entry.count);
    uint32_t& holders = entry.holders[index];
    if (holding == kHeld || holders == 0)
        ++holders;
}

// ---- saving -------------------------------------------------------------

bool OmArchive::Save(const char* path)
{
    m_path = path ? path : "";
    m_failed = false;
    m_output = std::make_unique<OmBufferedFile>(kBufferSize);
    if (!m_output->Open(path, true)) {
        ReportError("Archive \"%s\": cannot open the file for writing", m_path);
        m_output.reset();
        return false;
    }
    if (m_resourceOwner)
        SizeResourceTables();
    for (uint32_t i = 0; i < m_roots.GetCount(); ++i) {
        if (m_roots[i])
            m_roots[i]->Register(*this);
    }
    if (m_resourceOwner)
        NumberResources();

    WriteHeader();
    if (m_resourceOwner)
        WriteResourceSection();
    WriteU32(m_roots.GetCount());
    for (uint32_t i = 0; i < m_roots.GetCount(); ++i)
        WriteObjectRef(m_roots[i]);
    for (uint32_t c = 0; c < m_classCount; ++c) {
        for (uint32_t j = 0; j < m_objectLists[c].GetCount(); ++j)
            m_objectLists[c][j]->Write(*this);
    }

    FreeResourceTables();
    m_output->Close();
    // A write that came up short closes the stream: the file is incomplete.
    bool written = !m_failed && !m_output->HasFailed();
    m_output.reset();
    if (!written)
        ReportError("Archive \"%s\": the file could not be written completely", m_path);
    return written;
}

bool OmArchive::SaveReplacing(const char* path)
{
    return OmWriteReplacing(path, [this](const char* temporary) { return Save(temporary); });
}

void OmArchive::WriteHeader()
{
    WriteBytes(kHeaderText, kHeaderLength);
    WriteU32(kVersionMajor).WriteU32(kVersionMinor);
    WriteU32(m_classCount);
    for (uint32_t c = 0; c < m_classCount; ++c) {
        WriteString(m_registry.GetClass(int32_t(c))->name);
        WriteU32(m_objectLists[c].GetCount());
    }
}

// ---- loading ------------------------------------------------------------

bool OmArchive::Load(const char* path)
{
    m_path = path ? path : "";
    m_failed = false;
    m_roots.RemoveAll();
    FreeLoadTable();
    m_loadedMaterialRefs.RemoveAll();
    m_loadedTextureRefs.RemoveAll();
    m_input = std::make_unique<OmBufferedFile>(kBufferSize);
    bool loaded = false;
    if (!m_input->Open(path, false))
        ReportError("Archive \"%s\": cannot open the file", m_path);
    else
        loaded = LoadContents() && !HasFailed();
    if (!loaded)
        RefuseLoad();
    FreeResourceTables();
    m_input.reset();
    return loaded;
}

bool OmArchive::LoadContents()
{
    if (!ReadHeader() || !ReadClassTable())
        return false;
    if (m_resourceOwner && !ReadResourceSection())
        return false;
    return ReadRoots() && ReadObjects();
}

bool OmArchive::ReadHeader()
{
    char header[kHeaderLength];
    ReadBytes(header, kHeaderLength);
    if (HasFailed() || std::memcmp(header, kHeaderText, kHeaderLength) != 0) {
        Fail("not an archive file (header text differs)");
        return false;
    }
    ReadU32(m_versionMajor).ReadU32(m_versionMinor);
    if (HasFailed())
        return false;
    if (m_versionMajor != kVersionMajor || m_versionMinor != kVersionMinor) {
        Fail("unsupported archive version");
        return false;
    }
    return true;
}

bool OmArchive::ReadClassTable()
{
    uint32_t count = 0;
    ReadU32(count);
    // Each class record takes at least its name length and object count.
    if (HasFailed() || !CanRead(uint64_t(count) * 8)) {
        Fail("class count larger than the file");
        return false;
    }
    m_loadTable = std::make_unique<LoadClass[]>(count ? count : 1);
    m_loadClassCount = count;
    uint64_t totalObjects = 0;
    for (uint32_t c = 0; c < count; ++c) {
        LoadClass& entry = m_loadTable[c];
        char* name = nullptr;
        ReadString(name);
        entry.name.reset(name);
        ReadU32(entry.count);
        if (HasFailed())
            return false;
        if (!name || !m_registry.FindClassIndex(name, entry.registryIndex)) {
            ReportError("Archive \"%s\": unknown class \"%s\"", m_path, name ? name : "");
            Fail("unknown class");
            return false;
        }
        if (!MayHold(entry))
            return false;
        totalObjects += entry.count;
    }
    if (!CanRead(totalObjects * kMinObjectBytes)) {
        Fail("object counts larger than the file");
        return false;
    }
    if (!ObjectsFitTheFile())
        return false;
    // Every object's cell has its place now, so that references can be
    // turned into addresses before the objects exist; the pages themselves
    // are set aside as a reference or an object first reaches them, so a
    // count the file does not live up to costs no more than the file holds.
    for (uint32_t c = 0; c < count; ++c) {
        LoadClass& entry = m_loadTable[c];
        if (entry.count == 0)
            continue;
        OmFastAlloc* pool = m_registry.GetPool(entry.registryIndex);
        entry.pageCount = (entry.count - 1) / pool->GetCellsPerPage() + 1;
        entry.pages = std::make_unique<OmFastAllocPage*[]>(entry.pageCount);
    }
    return true;
}

bool OmArchive::MayHold(const LoadClass& entry)
{
    if (entry.count == 0 || m_heldClasses.empty())
        return true;
    const OmClass* cls = m_registry.GetClass(entry.registryIndex);
    if (std::find(m_heldClasses.begin(), m_heldClasses.end(), cls) != m_heldClasses.end())
        return true;
    char why[200];
    std::snprintf(why, sizeof why, "it holds objects of class %s, which a file of its kind does not hold",
                  entry.name.get());
    Fail(why);
    return false;
}

// A class that declares nothing is charged its cell's size again, which
// covers the little most loading constructors take; every class of the game
// is held to what it is charged.
uint64_t OmArchive::LoadingCost(const OmClassRegistry& registry, int32_t index)
{
    const uint64_t cell = registry.GetPool(index)->GetStride();
    return cell + std::max(cell, registry.GetFactory(index)->DeclaredLoadingHeapBytes());
}

bool OmArchive::ObjectsFitTheFile()
{
    uint64_t cost = 0;
    for (uint32_t c = 0; c < m_loadClassCount; ++c) {
        const LoadClass& entry = m_loadTable[c];
        cost += uint64_t(entry.count) * LoadingCost(m_registry, entry.registryIndex);
    }
    const uint64_t fileBytes = m_input->GetRemaining();
    const uint64_t most = fileBytes * kCostPerFileByte + kCostAllowance;
    if (cost <= most)
        return true;
    char why[160];
    std::snprintf(why, sizeof why,
                  "its objects would take %llu bytes of memory, more than the %llu its %llu bytes allow",
                  static_cast<unsigned long long>(cost), static_cast<unsigned long long>(most),
                  static_cast<unsigned long long>(fileBytes));
    Fail(why);
    return false;
}

void* OmArchive::CellFor(LoadClass& entry, uint32_t index)
{
    OmFastAlloc* pool = m_registry.GetPool(entry.registryIndex);
    const uint32_t perPage = pool->GetCellsPerPage();
    const uint32_t page = index / perPage;
    if (!entry.pages[page]) {
        const uint32_t first = page * perPage;
        pool->AllocatePages(std::min(perPage, entry.count - first), 1, &entry.pages[page]);
    }
    return pool->CellAt(index, entry.pages.get());
}

uint32_t OmArchive::CellsSetAside(const LoadClass& entry, uint32_t page) const
{
    if (!entry.pages[page])
        return 0;
    const uint32_t perPage = m_registry.GetPool(entry.registryIndex)->GetCellsPerPage();
    return std::min(perPage, entry.count - page * perPage);
}

bool OmArchive::ReadRoots()
{
    uint32_t count = 0;
    ReadU32(count);
    if (HasFailed() || !CanRead(uint64_t(count) * 4)) {
        Fail("root count larger than the file");
        return false;
    }
    // Objects no root reaches would be handed to nobody and never freed.
    if (count == 0 && HasObjects()) {
        Fail("the file lists objects but no root");
        return false;
    }
    m_roots.Resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        ReadAnyRef(m_roots[i], kRoot);
    }
    return !HasFailed();
}

bool OmArchive::HasObjects() const
{
    for (uint32_t c = 0; c < m_loadClassCount; ++c) {
        if (m_loadTable[c].count != 0)
            return true;
    }
    return false;
}

bool OmArchive::ReadObjects()
{
    for (uint32_t c = 0; c < m_loadClassCount; ++c) {
        LoadClass& entry = m_loadTable[c];
        if (entry.count == 0)
            continue;
        OmClassFactory* factory = m_registry.GetFactory(entry.registryIndex);
        for (uint32_t j = 0; j < entry.count; ++j) {
            OmObject* object = factory->CreateFromArchive(*this, CellFor(entry, j));
            entry.constructed = j + 1;
            object->Read(*this);
            if (HasFailed())
                return false;
        }
    }
    return CheckLinks();
}

bool OmArchive::CheckLinks()
{
    for (uint32_t c = 0; c < m_loadClassCount; ++c) {
        const LoadClass& entry = m_loadTable[c];
        OmFastAlloc* pool = m_registry.GetPool(entry.registryIndex);
        for (uint32_t j = 0; j < entry.count; ++j) {
            const auto* object = static_cast<const OmObject*>(pool->CellAt(j, entry.pages.get()));
            if (!object->LinksAreSound()) {
                char why[160];
                std::snprintf(why, sizeof why, "object %u of class %s links to objects that do not link back", j,
                              entry.name ? entry.name.get() : "?");
                Fail(why);
                return false;
            }
            if (!CountCoversHolders(entry, j, *object))
                return false;
        }
    }
    return true;
}

// The count is the one read, with the references holders took again as
// they were read (those their objects' saved counts leave out). Counted 0
// with no holder in the file, an object is held by nothing: the pool takes
// its cell for a free one, so nothing would find it, save it or free it. No
// save writes one: what holders take back by name is held in its own file
// by something else (a light by its world).
bool OmArchive::CountCoversHolders(const LoadClass& entry, uint32_t index, const OmObject& object)
{
    const uint32_t holders = entry.holders ? entry.holders[index] : 0;
    const uint32_t count = object.GetRefCount();
    // From the take-down mark up, a count reads as a cell being taken down,
    // and from the sign bit up a pool reads it as a free cell.
    if (count >= std::max(holders, 1u) && count < kTakeDownRefCount)
        return true;
    const char* name = entry.name ? entry.name.get() : "?";
    char why[200];
    if (count >= kTakeDownRefCount)
        std::snprintf(why, sizeof why, "object %u of class %s is counted %u times, past what a pool counts", index,
                      name, count);
    else
        std::snprintf(why, sizeof why, "object %u of class %s is counted %u times but has %u holders in the file%s",
                      index, name, count, holders, holders ? "" : ": nothing holds it");
    Fail(why);
    return false;
}

// A load that failed leaves no half-read object behind. A destructor may
// release what its object refers to, and any loaded object may be referred
// to, so no destructor may meet an object that is already gone:
// 1. every set-aside cell gets an object, and every count is pinned high so
//    that no release ends an object early;
// 2. each object is destroyed (freeing what it read) and at once rebuilt
//    empty by its loading constructor, pinned again;
// 3. the empty objects, which refer to nothing, are destroyed for good and
//    the cells go back to their pools.
// Only the pages something reached were set aside, so a count the file did
// not live up to builds nothing here.
void OmArchive::DiscardLoadedObjects()
{
    if (!m_loadTable)
        return;
    auto forEachCell = [this](auto&& action) {
        for (uint32_t c = 0; c < m_loadClassCount; ++c) {
            LoadClass& entry = m_loadTable[c];
            if (!entry.pages)
                continue;
            OmClassFactory* factory = m_registry.GetFactory(entry.registryIndex);
            OmFastAlloc* pool = m_registry.GetPool(entry.registryIndex);
            for (uint32_t p = 0; p < entry.pageCount; ++p) {
                const uint32_t first = p * pool->GetCellsPerPage();
                for (uint32_t j = first; j < first + CellsSetAside(entry, p); ++j)
                    action(entry, j, factory, pool->CellAt(j, entry.pages.get()));
            }
        }
    };
    forEachCell([this](LoadClass& entry, uint32_t j, OmClassFactory* factory, void* cell) {
        if (j >= entry.constructed)
            factory->CreateFromArchive(*this, cell);
        static_cast<OmObject*>(cell)->m_refCount = kTakeDownRefCount;
    });
    forEachCell([this](LoadClass&, uint32_t, OmClassFactory* factory, void* cell) {
        static_cast<OmObject*>(cell)->~OmObject();
        factory->CreateFromArchive(*this, cell)->m_refCount = kTakeDownRefCount;
    });
    forEachCell([](LoadClass&, uint32_t, OmClassFactory*, void* cell) { static_cast<OmObject*>(cell)->~OmObject(); });
    for (uint32_t c = 0; c < m_loadClassCount; ++c) {
        LoadClass& entry = m_loadTable[c];
        entry.constructed = 0;
        for (uint32_t p = 0; p < entry.pageCount; ++p) {
            if (const uint32_t cells = CellsSetAside(entry, p))
                m_registry.GetPool(entry.registryIndex)->ReturnCells(cells, &entry.pages[p]);
        }
    }
}

void OmArchive::FreeLoadTable()
{
    m_loadTable.reset();
    m_loadClassCount = 0;
}

// ---- resources ----------------------------------------------------------

void OmArchive::CountResource(uint32_t kind, int32_t id)
{
    int32_t* counts = kind == kMaterial  ? m_materialUseCounts.get()
                      : kind == kTexture ? m_textureUseCounts.get()
                                         : nullptr;
    uint32_t slots = kind == kMaterial ? m_materialSlots : m_textureSlots;
    if (counts && id >= 0 && uint32_t(id) < slots)
        ++counts[id];
}

OmArchive& OmArchive::WriteResource(uint32_t kind, int32_t id)
{
    if (!m_resourceOwner)
        return WriteU32(uint32_t(id));
    const int32_t* map = kind == kMaterial  ? m_materialIdMap.get()
                         : kind == kTexture ? m_textureIdMap.get()
                                            : nullptr;
    uint32_t slots = kind == kMaterial ? m_materialSlots : m_textureSlots;
    if (!map || id < 0 || uint32_t(id) >= slots)
        return WriteU32(kNullRef);
    return WriteU32(uint32_t(map[id]));
}

int32_t OmArchive::ReadResource(uint32_t kind)
{
    uint32_t number = 0;
    ReadU32(number);
    if (kind != kMaterial && kind != kTexture)
        return -1;
    if (!m_resourceOwner || HasFailed())
        return HasFailed() ? -1 : int32_t(number);
    const int32_t* map = kind == kMaterial ? m_materialIdMap.get() : m_textureIdMap.get();
    uint32_t count = kind == kMaterial ? m_materialsWritten : m_texturesWritten;
    if (number == kNullRef)
        return -1;
    if (!map || number >= count) {
        Fail("a resource id outside the resource section");
        return -1;
    }
    return map[number];
}

void OmArchive::AdoptResource(uint32_t kind, int32_t id)
{
    OmArray<int32_t>* refs = kind == kMaterial ? &m_loadedMaterialRefs : kind == kTexture ? &m_loadedTextureRefs : nullptr;
    if (!refs)
        return;
    for (uint32_t i = refs->GetCount(); i-- > 0;) {
        if ((*refs)[i] == id) {
            (*refs)[i] = (*refs)[refs->GetCount() - 1];
            refs->Resize(refs->GetCount() - 1);
            return;
        }
    }
}

void OmArchive::FreeResourceTables()
{
    m_materialUseCounts.reset();
    m_materialIdMap.reset();
    m_textureUseCounts.reset();
    m_textureIdMap.reset();
    m_materialSlots = m_textureSlots = 0;
}
