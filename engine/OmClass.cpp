#include "engine/OmClass.h"

#include <cstring>

#include "engine/OmFastAlloc.h"
#include "engine/OmObject.h"
#include "engine/OmReport.h"
#include "engine/OmString.h"

OmClass::OmClass(const char* className, const OmClass* parentClass)
    : name(OmCopyText(className)), parent(parentClass), index(-1)
{
}

OmClass::~OmClass()
{
    delete[] name;
    name = nullptr;
}

bool OmClass::IsDerivedFrom(const OmClass* record) const
{
    return IsDerivedFrom(this, record);
}

bool OmClass::IsDerivedFrom(const OmClass* cls, const OmClass* record)
{
    for (; cls; cls = cls->parent) {
        if (cls == record)
            return true;
    }
    return false;
}

bool OmClass::IsDerivedFromNamed(const OmClass* cls, const char* name)
{
    if (!name)
        return false;
    for (; cls; cls = cls->parent) {
        if (cls->name && std::strcmp(cls->name, name) == 0)
            return true;
    }
    return false;
}

OmClassRegistry& OmClassRegistry::Instance()
{
    static OmClassRegistry registry;
    return registry;
}

int32_t OmClassRegistry::AddClass(const OmClass* record, OmClassFactory* factory, OmFastAlloc* pool)
{
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i) {
        if (m_entries[i].record == record)
            return int32_t(i);
    }
    m_entries.Add(Entry{record, factory, pool});
    return int32_t(m_entries.GetCount() - 1);
}

bool OmClassRegistry::AssignClassIds()
{
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i)
        const_cast<OmClass*>(m_entries[i].record)->index = int32_t(i);
    return true;
}

bool OmClassRegistry::FindClassIndex(const char* name, int32_t& index) const
{
    if (!name)
        return false;
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i) {
        const char* entryName = m_entries[i].record->name;
        if (entryName && std::strcmp(entryName, name) == 0) {
            index = int32_t(i);
            return true;
        }
    }
    return false;
}

const OmClassRegistry::Entry* OmClassRegistry::EntryAt(int32_t index) const
{
    if (index < 0 || uint32_t(index) >= m_entries.GetCount())
        return nullptr;
    return m_entries.At(uint32_t(index));
}

const OmClass* OmClassRegistry::GetClass(int32_t index) const
{
    const Entry* entry = EntryAt(index);
    return entry ? entry->record : nullptr;
}

OmClassFactory* OmClassRegistry::GetFactory(int32_t index) const
{
    const Entry* entry = EntryAt(index);
    return entry ? entry->factory : nullptr;
}

OmFastAlloc* OmClassRegistry::GetPool(int32_t index) const
{
    const Entry* entry = EntryAt(index);
    return entry ? entry->pool : nullptr;
}

OmObject* OmClassRegistry::FindObject(int32_t classIndex, const char* name) const
{
    const Entry* entry = EntryAt(classIndex);
    if (!entry || !name || !*name)
        return nullptr;
    OmFastAllocIterator it;
    entry->pool->BeginIteration(it);
    while (void* cell = entry->pool->NextLiveObject(it)) {
        OmObject* object = static_cast<OmObject*>(cell);
        const char* objectName = object->GetName();
        if (objectName && std::strcmp(objectName, name) == 0)
            return object;
    }
    return nullptr;
}

OmObject* OmClassRegistry::CreateObject(int32_t classIndex) const
{
    const Entry* entry = EntryAt(classIndex);
    return entry ? entry->factory->Create(nullptr) : nullptr;
}

void OmClassRegistry::FreeAllObjects()
{
    // Handing each live cell back first would only be undone by releasing
    // the pages, so the pages go at once.
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i)
        m_entries[i].pool->Destroy();
}

void OmPoolCellTooSmall(const char* className)
{
    FatalError("%s: object larger than its pool cells; declare the class with OM_DECLARE_CLASS", className);
}
