// What the object archive needs of the renderer to save and load the
// materials and textures that level objects refer to by id. The renderer's
// material and texture registries implement it.
#pragma once

#include <cstdint>

class OmMaterial;
class OmTextureResource;

class OmResourceOwner {
public:
    virtual ~OmResourceOwner() = default;

    // Number of id slots of the material and texture tables; the archive
    // sizes its use counts by them.
    virtual uint32_t GetMaterialSlotCount() const = 0;
    virtual uint32_t GetTextureSlotCount() const = 0;

    // The registered record of an id, null for an id without one.
    virtual OmMaterial* GetMaterial(int32_t id) = 0;
    virtual OmTextureResource* GetTexture(int32_t id) = 0;

    // The id of an equal registered texture (one more reference) or of a
    // newly registered copy; negative on failure.
    virtual int32_t RegisterTexture(const OmTextureResource& texture) = 0;
    // The same for a material.
    virtual int32_t RegisterMaterial(const OmMaterial& material) = 0;
    // One more reference on a registered material; returns the new count.
    virtual int32_t AddRefMaterial(int32_t id) = 0;

    // Drop one reference each (a load that fails gives back what it took).
    virtual void ReleaseMaterial(int32_t id) = 0;
    virtual void ReleaseTexture(int32_t id) = 0;
};
