// The renderer's form of an engine skinned mesh. Skinning runs on the CPU:
// the mesh keeps each vertex's bind pose with up to four bone weights and,
// whenever a skin shape hands it the posed bone matrices, blends one matrix
// per vertex from a palette of at most 256 bones and rewrites its dynamic
// vertex buffer. Opaque and additive subsets draw directly; alpha-blended
// ones go through the geometry batch, or the alpha pass when no batch is
// open, from a copy of their skinned vertices.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmBaseSkinMesh.h"
#include "engine/OmSkeleton.h"
#include "render/OmD3DDeviceVertex.h"

class OmD3D;

class OmD3DSkinMesh : public OmBaseSkinMesh {
    OM_DECLARE_CLASS(OmD3DSkinMesh)

    // Bone indices are bytes: the palette has one matrix per possible index.
    static constexpr uint32_t kMaxBones = 256;
    static constexpr uint32_t kMaxIndices = kOmDeviceMaxIndices;
    static constexpr uint32_t kMaxVertices = kOmDeviceMaxVertices;

    struct SkinVertex {
        OmVector3 position;
        OmVector3 normal;
        float uv[2];
        float weights[4];
        uint8_t bones[4];
    };

    OmD3DSkinMesh() = default;
    explicit OmD3DSkinMesh(OmArchive& archive) : OmBaseSkinMesh(archive) {}
    ~OmD3DSkinMesh() override;

    void Render(OmRenderer& renderer) override;
    void ComputeBounds() override {}
    uint32_t GetVertexFormat() const override { return m_format; }
    // The alpha subsets as the alpha pass reads them; null without any.
    const void* GetVertices() const override;
    const void* GetTriangles() const override;

    bool Create(OmRenderer& renderer, uint32_t renderFlags, uint32_t indexCount, uint32_t vertexCount,
                const uint8_t layout[12]) override;
    bool ConvertFrom(const OmSkinMesh& mesh) override;
    // Skins every vertex at once: palette entry i is bone i's inverse bind
    // matrix followed by its posed matrix. Bones past count keep the bind
    // pose.
    void SetBoneMatrices(const OmBoneMatrix* matrices, uint32_t count) override;
    const OmSkeleton* GetSkeleton() const override { return m_converted ? &m_skeleton : nullptr; }

    // Kept from the conversion: the scene pass for opaque subsets, the
    // sorted pass for alpha-blended and additive ones (alpha-blended ones
    // go into the geometry batch instead while one is open).
    uint32_t GetPassMask() const override { return m_passMask; }
    // What the sorted pass draws of the current frame.
    const OmArray<OmAlphaTriangle>& SortedTriangles() const;
    uint32_t GetStride() const { return m_stride; }
    uint32_t GetVertexCount() const { return m_vertexCount; }
    uint32_t GetTriangleCount() const { return m_triangleCount; }
    int32_t GetVertexBufferId() const { return m_vertexBuffer; }
    uint32_t GetAlphaVertexCount() const { return m_subsets.GetAlphaCount(); }
    uint32_t GetSubsetCount() const { return uint32_t(m_subsets.subsets.size()); }

private:
    void ReleaseResources();
    bool CheckBones(const OmSkinMesh& mesh) const;
    bool WriteBindPose(const OmSkinMesh& mesh);
    void BuildPalette(const OmBoneMatrix* matrices, uint32_t count);
    void SkinVertices(uint8_t* out);
    void DrawAlphaThroughBatch(OmD3D& renderer);
    bool TransformAlphaVertices(OmD3DBatch& batch, bool lit);

    uint32_t m_format = 0;
    uint32_t m_stride = 0;
    uint32_t m_usage = 0;
    int32_t m_indexBuffer = -1;
    int32_t m_vertexBuffer = -1;
    OmSkeleton m_skeleton;
    std::vector<SkinVertex> m_vertices;
    std::vector<uint32_t> m_colours; // only for a format with a diffuse colour
    std::vector<uint16_t> m_indices; // kept for the batch
    uint32_t m_triangleCount = 0;
    uint32_t m_vertexCount = 0;
    OmDeviceSubsets m_subsets;
    bool m_converted = false;
    uint32_t m_passMask = kScenePass;
    // The additive triangles alone: what the sorted pass draws of a frame
    // whose blended triangles went into the geometry batch.
    OmArray<OmAlphaTriangle> m_additiveTriangles{64};
    bool m_sortAdditiveOnly = false;
};
