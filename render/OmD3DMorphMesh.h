// The renderer's form of an engine morph mesh: vertex animation by whole
// key frames. It keeps the engine mesh (and so its frames) and, when a
// morph shape tells it, rewrites its dynamic vertex buffer with the blend
// of two frames. Opaque subsets draw in the opaque pass; alpha-blended and
// additive subsets both belong to the alpha pass, where the alpha sorter
// draws them from a copy of their blended vertices.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmBaseMorphMesh.h"
#include "render/OmD3DDeviceVertex.h"

class OmD3D;

class OmD3DMorphMesh : public OmBaseMorphMesh {
    OM_DECLARE_CLASS(OmD3DMorphMesh)

    static constexpr uint32_t kMaxIndices = kOmDeviceMaxIndices;
    static constexpr uint32_t kMaxVertices = kOmDeviceMaxVertices;

    OmD3DMorphMesh() = default;
    explicit OmD3DMorphMesh(OmArchive& archive) : OmBaseMorphMesh(archive) {}
    ~OmD3DMorphMesh() override;

    // Draws the subsets of the renderer's current pass. In the opaque pass a
    // mesh with blended subsets also queues itself for the alpha pass.
    void Render(OmRenderer& renderer) override;
    void ComputeBounds() override {}
    uint32_t GetVertexFormat() const override { return m_format; }
    const void* GetVertices() const override;
    const void* GetTriangles() const override;

    bool Create(OmRenderer& renderer, uint32_t renderFlags, uint32_t indexCount, uint32_t vertexCount,
                const uint8_t layout[12]) override;
    bool ConvertFrom(const OmMorphMesh& mesh) override;
    // False when the buffer cannot be written. The frames must hold the
    // mesh's vertex count; they stay the mesh's until the next call, so a
    // device reset can write them again.
    bool SetFrames(const OmMeshVertex* frameA, const OmMeshVertex* frameB, float fraction) override;

    // Kept from the conversion: the scene pass for opaque subsets, the
    // sorted pass for alpha-blended and additive ones.
    uint32_t GetPassMask() const override { return m_passMask; }
    uint32_t GetStride() const { return m_stride; }
    uint32_t GetVertexCount() const { return m_vertexCount; }
    uint32_t GetTriangleCount() const { return m_triangleCount; }
    uint32_t GetSubsetCount() const { return uint32_t(m_subsets.subsets.size()); }
    int32_t GetVertexBufferId() const { return m_vertexBuffer; }

private:
    void ReleaseResources();
    bool InPass(uint32_t materialId, uint32_t pass) const;
    bool WriteVertices();

    uint32_t m_format = 0;
    uint32_t m_stride = 0;
    int32_t m_indexBuffer = -1;
    int32_t m_vertexBuffer = -1;
    uint32_t m_triangleCount = 0;
    uint32_t m_vertexCount = 0;
    OmDeviceSubsets m_subsets;
    // What the buffer shows: the rest pose, or the blend of two frames.
    std::vector<OmMeshVertex> m_restPose;
    const OmMeshVertex* m_frameA = nullptr;
    const OmMeshVertex* m_frameB = nullptr;
    float m_fraction = 0.0f;
    // The device reset the buffer was last written after; a reset loses
    // the contents of a dynamic buffer.
    uint32_t m_writtenAtReset = 0;
    bool m_converted = false;
    uint32_t m_passMask = kScenePass;
};
