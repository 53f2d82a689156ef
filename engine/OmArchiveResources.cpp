// The archive's material and texture section. Objects count the ids they
// use while registering; only used resources are written, renumbered from 0
// in ascending order of id, each with its use count, so the loader can hand
// the owner the same number of references.
#include "engine/OmArchive.h"

#include <memory>

#include "engine/OmMaterial.h"
#include "engine/OmRef.h"
#include "engine/OmReport.h"
#include "engine/OmResourceOwner.h"
#include "engine/OmTextureResource.h"

namespace {

std::unique_ptr<int32_t[]> NewTable(uint32_t size, int32_t fill)
{
    auto table = std::make_unique<int32_t[]>(size ? size : 1);
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

template <class Resource, class RegisterFn, class AddUseFn>
bool OmArchive::ReadResourceTable(const char* countError, uint32_t& written, std::unique_ptr<int32_t[]>& idMap,
                                  OmArray<int32_t>& refs, RegisterFn registerEntry, AddUseFn addUse)
{
    uint32_t count = 0;
    ReadU32(count);
    if (HasFailed() || !CanRead(uint64_t(count) * 8)) {
        Fail(countError);
        return false;
    }
    written = count;
    idMap = NewTable(count, -1);
    const auto scratch = OmMakeRef<Resource>();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t uses = 0;
        if (!ReadUseCount(uses))
            break;
        scratch->Read(*this);
        if (HasFailed())
            break;
        int32_t id = registerEntry(*scratch, i);
        if (id < 0)
            continue;
        idMap[i] = id;
        refs.Add(id);
        for (uint32_t u = 1; u < uses; ++u) {
            addUse(*scratch, id);
            refs.Add(id);
        }
    }
    return !HasFailed();
}

bool OmArchive::ReadTextures()
{
    auto registerTexture = [this](OmTextureResource& texture, uint32_t) {
        int32_t id = m_resourceOwner->RegisterTexture(texture);
        if (id < 0)
            ReportError("Archive \"%s\": texture \"%s\" could not be registered", m_path,
                        texture.fileName ? texture.fileName : "");
        return id;
    };
    auto addUse = [this](OmTextureResource& texture, int32_t) { m_resourceOwner->RegisterTexture(texture); };
    return ReadResourceTable<OmTextureResource>("texture count larger than the file", m_texturesWritten,
                                                m_textureIdMap, m_loadedTextureRefs, registerTexture, addUse);
}

bool OmArchive::ReadMaterials()
{
    auto registerMaterial = [this](OmMaterial& material, uint32_t index) {
        int32_t id = m_resourceOwner->RegisterMaterial(material);
        if (id < 0)
            ReportError("Archive \"%s\": material %u could not be registered", m_path, index);
        return id;
    };
    auto addUse = [this](OmMaterial&, int32_t id) { m_resourceOwner->AddRefMaterial(id); };
    return ReadResourceTable<OmMaterial>("material count larger than the file", m_materialsWritten,
                                         m_materialIdMap, m_loadedMaterialRefs, registerMaterial, addUse);
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
