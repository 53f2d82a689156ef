#include "engine/OmObject.h"

#include <new>

#include "engine/OmArchive.h"
#include "engine/OmString.h"

OmClass OmObject::s_class("OmObject", nullptr);

namespace {
OmObject::UnsavedReferences g_unsavedReferences = nullptr;
}

void OmObject::SetUnsavedReferences(UnsavedReferences counter) { g_unsavedReferences = counter; }

OmObject::OmObject() : m_refCount(1), m_name(nullptr)
{
}

OmObject::OmObject(OmArchive&) : m_refCount(0), m_name(nullptr)
{
}

OmObject::~OmObject()
{
    delete[] m_name;
    m_name = nullptr;
    m_refCount = 0;
}

uint32_t OmObject::Release()
{
    uint32_t count = --m_refCount;
    if (count == 0)
        delete this;
    return count;
}

void OmObject::SetName(const char* text)
{
    char* copy = OmCopyText(text);
    delete[] m_name;
    m_name = copy;
}

int32_t OmObject::GetClassId() const
{
    const OmClass* cls = GetClass();
    return cls ? cls->index : -1;
}

size_t OmObject::RefCountOffset()
{
    // The object is not standard-layout, so offsetof is not available; the
    // address difference in a live object is the same number.
    static const size_t offset = [] {
        alignas(OmObject) unsigned char storage[sizeof(OmObject)];
        OmObject* probe = ::new (storage) OmObject();
        size_t result = size_t(reinterpret_cast<char*>(&probe->m_refCount) - reinterpret_cast<char*>(probe));
        probe->~OmObject();
        return result;
    }();
    return offset;
}

namespace {

uint32_t UnsavedOf(const OmObject& object)
{
    return g_unsavedReferences ? g_unsavedReferences(object) : 0;
}

} // namespace

// An object that only unsaved references hold would come back held by
// nothing, since they do not come back: it is left out, and what borrowed
// it reads back null, as it would once they let it go. A root stays, for
// its loader holds it.
bool OmObject::Register(OmArchive& archive)
{
    if (UnsavedOf(*this) >= m_refCount && !archive.IsRoot(this))
        return false;
    return archive.Register(this);
}

void OmObject::Write(OmArchive& archive)
{
    const uint32_t unsaved = UnsavedOf(*this);
    const uint32_t saved = unsaved < m_refCount ? m_refCount - unsaved : 1; // a root: its loader's
    const uint32_t retaken = RetakenReferences();
    archive.WriteU32(saved > retaken ? saved - retaken : 0);
    archive.WriteString(m_name);
}

void OmObject::Read(OmArchive& archive)
{
    archive.ReadU32(m_refCount);
    archive.ReadString(m_name);
}
