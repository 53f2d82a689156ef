// The renderer's skinned mesh as the engine sees it: the renderer derives
// its device mesh from this, fills it from an engine skin mesh and blends
// its vertices with the bone matrices a skin shape hands it each frame.
#pragma once

#include <cstdint>

#include "engine/OmGeometry.h"

class OmSkinMesh;
class OmSkeleton;
struct OmBoneMatrix;

class OmBaseSkinMesh : public OmGeometry {
    OM_DECLARE_ABSTRACT_CLASS(OmBaseSkinMesh)

    OmBaseSkinMesh() = default;
    explicit OmBaseSkinMesh(OmArchive& archive) : OmGeometry(archive) {}

    virtual bool Create(OmRenderer& renderer, uint32_t renderFlags, uint32_t indexCount,
                        uint32_t vertexCount, const uint8_t layout[12]) = 0;
    // Copies vertices, indices, material groups, bounds and the skeleton.
    virtual bool ConvertFrom(const OmSkinMesh& mesh) = 0;
    // One posed matrix per bone of the skeleton, model space; kept until the
    // next call for the vertex blending.
    virtual void SetBoneMatrices(const OmBoneMatrix* matrices, uint32_t count) = 0;
    // The skeleton copied from the engine mesh (null before ConvertFrom).
    virtual const OmSkeleton* GetSkeleton() const = 0;
};
