#include "engine/OmRendererResourceOwner.h"

#include "engine/OmRenderer.h"

uint32_t OmRendererResourceOwner::GetMaterialSlotCount() const { return m_renderer.GetMaterialSlotCount(); }
uint32_t OmRendererResourceOwner::GetTextureSlotCount() const { return m_renderer.GetTextureSlotCount(); }
OmMaterial* OmRendererResourceOwner::GetMaterial(int32_t id) { return m_renderer.GetMaterial(id); }
OmTextureResource* OmRendererResourceOwner::GetTexture(int32_t id) { return m_renderer.GetTexture(id); }

int32_t OmRendererResourceOwner::RegisterTexture(const OmTextureResource& texture)
{
    return m_renderer.RegisterTexture(&texture);
}

int32_t OmRendererResourceOwner::RegisterMaterial(const OmMaterial& material)
{
    return m_renderer.RegisterMaterial(&material);
}

int32_t OmRendererResourceOwner::AddRefMaterial(int32_t id) { return m_renderer.AddRefMaterial(id); }
void OmRendererResourceOwner::ReleaseMaterial(int32_t id) { m_renderer.ReleaseMaterial(id); }
void OmRendererResourceOwner::ReleaseTexture(int32_t id) { m_renderer.ReleaseTexture(id); }
