// The engine's morph mesh: one set of triangles and, per animation, a list
// of key frames that are each a whole copy of the vertex array. The importer
// fills it; the renderer builds its own morph mesh from it and blends two
// frames at a time.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmGeometry.h"
#include "engine/OmMesh.h"

class OmBaseMorphMesh;

// Morph animations play at this rate.
constexpr float OM_MORPH_FRAME_TIME = 1.0f / 30.0f;

// The vertex blend of the renderer's morph mesh: position, normal (then
// renormalised), colour and both texture pairs from a (t = 0) to b (t = 1).
struct OmMorphVertex {
    static void Interpolate(const OmMeshVertex& a, const OmMeshVertex& b, float t, OmMeshVertex& out);
};

// One animation: frameCount frames of vertexCount vertices each. The
// record owns its frames.
class OmMorphAnimation {
public:
    OmMorphAnimation() = default;
    ~OmMorphAnimation();
    OmMorphAnimation(const OmMorphAnimation&) = delete;
    OmMorphAnimation& operator=(const OmMorphAnimation&) = delete;

    // Room for the frames, each vertex zeroed; false when it cannot be had.
    bool Allocate(int32_t frames, int32_t vertices);
    float Duration() const { return float(frameCount) * OM_MORPH_FRAME_TIME; }

    uint32_t lead = 0; // the importer's own word
    OmMeshVertex** frames = nullptr;
    int32_t frameCount = 0;
    int32_t vertexCount = 0;
    uint32_t extra[2] = {}; // the importer's own words

private:
    void Free();
};

class OmMorphMesh : public OmGeometry {
    OM_DECLARE_CLASS(OmMorphMesh)

    OmMorphMesh();
    explicit OmMorphMesh(OmArchive& archive);
    ~OmMorphMesh() override;

    // Morph meshes are never stored with their contents: Register, Write and
    // Read are the geometry's.

    void Render(OmRenderer&) override {}
    // The sphere holding every frame of every animation; the rest pose does
    // not count.
    void ComputeBounds() override;
    void SortTrianglesByMaterial();

    const uint8_t* GetVertexLayout() const { return layout; }
    bool ConvertForRenderer(OmRenderer& renderer, uint32_t renderFlags, OmBaseMorphMesh& renderMesh);

    // The mesh takes the record; one whose vertex count differs from the
    // rest pose's is refused (and deleted) with a report. The new index, or -1.
    int32_t AddAnimation(OmMorphAnimation* animation);
    // Null for an index that names no animation.
    const OmMorphAnimation* GetAnimation(int32_t index) const;
    int32_t GetAnimationCount() const { return int32_t(animations->GetCount()); }

    OmArray<OmMorphAnimation*>* animations;
    OmArray<OmMeshVertex> vertices{64};
    OmArray<uint32_t> indices{64};
    OmArray<uint32_t> triangleMaterials{64};
    OmArray<OmMaterialGroup> materialGroups{64};
    uint8_t layout[OmMesh::kLayoutSize] = {0, 1, 0, 1, 2};
};
