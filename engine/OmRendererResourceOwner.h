// The renderer's material and texture registries as the object archive sees
// them, so a saved level carries the materials and textures its objects use
// and a loaded one registers them again.
#pragma once

#include "engine/OmResourceOwner.h"

class OmRenderer;

class OmRendererResourceOwner : public OmResourceOwner {
public:
    explicit OmRendererResourceOwner(OmRenderer& renderer) : m_renderer(renderer) {}

    uint32_t GetMaterialSlotCount() const override;
    uint32_t GetTextureSlotCount() const override;
    OmMaterial* GetMaterial(int32_t id) override;
    OmTextureResource* GetTexture(int32_t id) override;
    int32_t RegisterTexture(const OmTextureResource& texture) override;
    int32_t RegisterMaterial(const OmMaterial& material) override;
    int32_t AddRefMaterial(int32_t id) override;
    void ReleaseMaterial(int32_t id) override;
    void ReleaseTexture(int32_t id) override;

private:
    OmRenderer& m_renderer;
};
