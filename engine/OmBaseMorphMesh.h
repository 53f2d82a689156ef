// The renderer's morph mesh as the engine sees it: the renderer derives its
// device mesh from this and fills it from an engine morph mesh. The base
// keeps a reference on that engine mesh, whose frames the device mesh
// blends, so they live as long as the render mesh does even after the
// scene has let go of the engine mesh.
#pragma once

#include <cstdint>

#include "engine/OmGeometry.h"
#include "engine/OmRef.h"

class OmMorphAnimation;
class OmMorphMesh;
struct OmMeshVertex;

class OmBaseMorphMesh : public OmGeometry {
    OM_DECLARE_ABSTRACT_CLASS(OmBaseMorphMesh)

    // Out of line, where OmMorphMesh is complete for the held reference.
    OmBaseMorphMesh();
    explicit OmBaseMorphMesh(OmArchive& archive);
    ~OmBaseMorphMesh() override;

    virtual bool Create(OmRenderer& renderer, uint32_t renderFlags, uint32_t indexCount,
                        uint32_t vertexCount, const uint8_t layout[12]) = 0;
    // Copies vertices, indices, material groups and bounds; a device mesh
    // calls KeepFrames with the mesh.
    virtual bool ConvertFrom(const OmMorphMesh& mesh) = 0;
    // Fills the device vertices with the blend of two frames (each of the
    // mesh's vertex count) by the fraction.
    virtual bool SetFrames(const OmMeshVertex* frameA, const OmMeshVertex* frameB, float fraction) = 0;

    // Null for an index that names no animation (or before conversion).
    const OmMorphAnimation* GetAnimation(int32_t index) const;
    int32_t GetAnimationCount() const;

protected:
    // Takes a reference on the engine mesh holding the frames.
    void KeepFrames(const OmMorphMesh& mesh);

private:
    OmRef<OmMorphMesh> m_frameSource;
};
