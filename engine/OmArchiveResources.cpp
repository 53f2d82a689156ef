// The archive's material and texture section. Objects count the ids they
// use while registering; only used resources are written, renumbered from 0
// in ascending order of id, each with its use count, so the loader can hand
// the owner the same number of references.
#include "engine/OmArchive.h"

#include "engine/OmMaterial.h"
#include "engine/OmReport.h"
#include "engine/OmResourceOwner.h"
#include "engine/OmTextureResource.h"

namespace {

int32_t* NewTable(uint32_t size, int32_t fill)
{
    int32_t* table = new int32_t[size ? size : 1];
    for (uint32_t i = 0; i < size; ++i)
        table[i] = fill;
    return table;
}

} // namespace

void OmArchive::SizeResourceTables()
{
    FreeResourceTables();
    m_materialSlots = m_resourceOwner->GetMaterialSlotCount();
    m_textureSlots = m_resourceOwner->GetTextureSlotCount();
    m_materialUseCounts = NewTable(m_materialSlots, 0);
    m_materialIdMap = NewTable(m_materialSlots, -1);
    m_textureUseCounts = NewTable(m_textureSlots, 0);
    m_textureIdMap = NewTable(m_textureSlots, -1);
}

void OmArchive::NumberResources()
{
    // A used material's textures travel with it, whether or not any object
    // names them itself.
    for (uint32_t id = 0; id < m_materialSlots; ++id) {
        if (m_materialUseCounts[id] <= 0)
            continue;
        if (const OmMaterial* material = m_resourceOwner->GetMaterial(int32_t(id)))
            material->CountTextureUses(*this);
    }
    m_materialsWritten = m_texturesWritten = 0;
    for (uint32_t id = 0; id < m_materialSlots; ++id) {
        if (m_materialUseCounts[id] > 0)
            m_materialIdMap[id] = int32_t(m_materialsWritten++);
    }
    for (uint32_t id = 0; id < m_textureSlots; ++id) {
        if (m_textureUseCounts[id] > 0)
            m_textureIdMap[id] = int32_t(m_texturesWritten++);
    }
}

void OmArchive::WriteResourceSection()
{
    WriteU32(m_texturesWritten);
    for (uint32_t id = 0; id < m_textureSlots; ++id) {
        if (m_textureUseCounts[id] <= 0)
            continue;
        WriteU32(uint32_t(m_textureUseCounts[id]));
        OmTextureResource* texture = m_resourceOwner->GetTexture(int32_t(id));
        if (!texture) {
            ReportError("Archive \"%s\": texture id %u is used but not registered", m_path, id);
            OmTextureResource empty;
            empty.Write(*this);
            continue;
        }
        texture->Write(*this);
    }
    WriteU32(m_materialsWritten);
    for (uint32_t id = 0; id < m_materialSlots; ++id) {
        if (m_materialUseCounts[id] <= 0)
            continue;
        WriteU32(uint32_t(m_materialUseCounts[id]));
        OmMaterial* material = m_resourceOwner->GetMaterial(int32_t(id));
        if (!material) {
            ReportError("Archive \"%s\": material id %u is used but not registered", m_path, id);
            OmMaterial empty;
            empty.Write(*this);
            continue;
        }
        material->Write(*this);
    }
}

// Every use was counted from a resource id that is written further on, so
// a count cannot exceed what is left of the file; this keeps a corrupt count
// from running billions of registrations.
bool OmArchive::ReadUseCount(uint32_t& uses)
{
    ReadU32(uses);
    if (HasFailed())
        return false;
    if (uses == 0 || !CanRead(uses - 1)) {
        Fail("a resource with an impossible use count");
        return false;
    }
    return true;
}

bool OmArchive::ReadResourceSection()
{
    return ReadTextures() && ReadMaterials();
}

bool OmArchive::ReadTextures()
{
    uint32_t count = 0;
    ReadU32(count);
    if (HasFailed() || !CanRead(uint64_t(count) * 8)) {
        Fail("texture count larger than the file");
        return false;
    }
    m_texturesWritten = count;
    m_textureIdMap = NewTable(count, -1);
    OmTextureResource* scratch = new OmTextureResource();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t uses = 0;
        if (!ReadUseCount(uses))
            break;
        scratch->Read(*this);
        if (HasFailed())
            break;
        int32_t id = m_resourceOwner->RegisterTexture(*scratch);
        if (id < 0) {
            ReportError("Archive \"%s\": texture \"%s\" could not be registered", m_path,
                        scratch->fileName ? scratch->fileName : "");
            continue;
        }
        m_textureIdMap[i] = id;
        m_loadedTextureRefs.Add(id);
        for (uint32_t u = 1; u < uses; ++u) {
            m_resourceOwner->RegisterTexture(*scratch);
            m_loadedTextureRefs.Add(id);
        }
    }
    scratch->Release();
    return !HasFailed();
}

bool OmArchive::ReadMaterials()
{
    uint32_t count = 0;
    ReadU32(count);
    if (HasFailed() || !CanRead(uint64_t(count) * 8)) {
        Fail("material count larger than the file");
        return false;
    }
    m_materialsWritten = count;
    m_materialIdMap = NewTable(count, -1);
    OmMaterial* scratch = new OmMaterial();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t uses = 0;
        if (!ReadUseCount(uses))
            break;
        scratch->Read(*this);
        if (HasFailed())
            break;
        int32_t id = m_resourceOwner->RegisterMaterial(*scratch);
        if (id < 0) {
            ReportError("Archive \"%s\": material %u could not be registered", m_path, i);
            continue;
        }
        m_materialIdMap[i] = id;
        m_loadedMaterialRefs.Add(id);
        for (uint32_t u = 1; u < uses; ++u) {
            m_resourceOwner->AddRefMaterial(id);
            m_loadedMaterialRefs.Add(id);
        }
    }
    scratch->Release();
    return !HasFailed();
}

void OmArchive::ReleaseLoadedResources()
{
    if (!m_resourceOwner)
        return;
    for (uint32_t i = m_loadedMaterialRefs.GetCount(); i-- > 0;)
        m_resourceOwner->ReleaseMaterial(m_loadedMaterialRefs[i]);
    for (uint32_t i = m_loadedTextureRefs.GetCount(); i-- > 0;)
        m_resourceOwner->ReleaseTexture(m_loadedTextureRefs[i]);
    m_loadedMaterialRefs.RemoveAll();
    m_loadedTextureRefs.RemoveAll();
}
