// The engine's skinned mesh: vertices with up to four bone influences, the
// triangles grouped by material and the skeleton they are bound to. The
// importer fills it; the renderer builds its own skinned mesh from it.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmGeometry.h"
#include "engine/OmMesh.h"
#include "engine/OmSkeleton.h"

class OmBaseSkinMesh;

struct OmSkinVertex {
    OmMeshVertex vertex;
    uint8_t bones[4];
    float weights[4]; // in the order of bones
};
static_assert(sizeof(OmSkinVertex) == 76, "skin vertices are copied raw");

class OmSkinMesh : public OmGeometry {
    OM_DECLARE_CLASS(OmSkinMesh)

    OmSkinMesh() = default;
    explicit OmSkinMesh(OmArchive& archive) : OmGeometry(archive) {}

    // Skin meshes are never stored with their contents: Register, Write and
    // Read are the geometry's.

    void Render(OmRenderer&) override {}
    void ComputeBounds() override;

    const uint8_t* GetVertexLayout() const { return layout; }
    // As for a plain mesh: alpha materials give the alpha flag, or with the
    // no-alpha-pass flag plain alpha blending becomes blend 66.
    bool ConvertForRenderer(OmRenderer& renderer, uint32_t renderFlags, OmBaseSkinMesh& renderMesh);

    OmSkeleton skeleton;
    OmArray<OmSkinVertex> vertices{64};
    OmArray<uint32_t> indices{64};
    OmArray<uint32_t> triangleMaterials{64};
    OmArray<OmMaterialGroup> materialGroups{64};
    uint8_t layout[OmMesh::kLayoutSize] = {0, 1, 0, 1, 2};
};
