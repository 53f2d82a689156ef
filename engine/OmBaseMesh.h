// The renderer's static mesh as the engine sees it: the renderer derives
// its device mesh from this and fills it from an engine mesh.
#pragma once

#include <cstdint>

#include "engine/OmGeometry.h"

class OmMesh;

// Render flag of a mesh that has alpha materials.
constexpr uint32_t OM_MESH_HAS_ALPHA = 0x200;
// Render flag that draws plain alpha materials as blend 66 in the opaque pass.
constexpr uint32_t OM_MESH_NO_ALPHA_PASS = 0x400;

class OmBaseMesh : public OmGeometry {
    OM_DECLARE_ABSTRACT_CLASS(OmBaseMesh)

    OmBaseMesh() = default;
    explicit OmBaseMesh(OmArchive& archive) : OmGeometry(archive) {}

    // Makes the device buffers; false when they cannot be made.
    virtual bool Create(OmRenderer& renderer, uint32_t renderFlags, uint32_t indexCount,
                        uint32_t vertexCount, const uint8_t layout[12]) = 0;
    // Copies vertices, indices, material groups and bounds; false on failure.
    virtual bool ConvertFrom(const OmMesh& mesh) = 0;
};
