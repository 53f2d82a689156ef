// The renderer's form of a static engine mesh: a managed vertex buffer and a
// 16-bit index buffer, drawn subset by subset with each subset's material.
// Subsets whose material is alpha-blended are not drawn directly: their
// vertices are copied into the geometry batch, which draws them depth-sorted
// with the frame's other blended triangles. Drawn while no batch is open,
// the mesh queues itself for the renderer's alpha pass instead, which sorts
// the same triangles from a copy kept for it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmBaseMesh.h"
#include "engine/OmMesh.h"
#include "render/OmD3DAlphaSorter.h"
#include "render/OmD3DDeviceVertex.h"

class OmD3D;
class OmD3DBatch;

// Format and stride of a device vertex for an engine vertex layout (blend
// weights, normal, colours, texture sets and their sizes).
void VertexFormatFromLayout(const uint8_t* layout, uint32_t& stride, uint32_t& format);
void VertexFormatFromLayoutNoWeights(const uint8_t* layout, uint32_t& stride, uint32_t& format);

class OmD3DMesh : public OmBaseMesh {
    OM_DECLARE_CLASS(OmD3DMesh)

    // 16-bit indices: the most indices a mesh may have, and the most vertices.
    static constexpr uint32_t kMaxIndices = kOmDeviceMaxIndices;
    static constexpr uint32_t kMaxVertices = kOmDeviceMaxVertices;
    // Alpha-vertex map entry of a vertex no alpha subset uses.
    static constexpr uint16_t kNotAlpha = 0xFFFF;
    // Render flag that keeps the buffers readable.
    static constexpr uint32_t kReadable = 0x200;

    struct Subset {
        uint32_t materialId;
        uint32_t firstIndex;
        uint32_t triangleCount;
        uint32_t minVertex;
        uint32_t vertexCount;
    };
    static_assert(sizeof(Subset) == 20);

    OmD3DMesh() = default;
    explicit OmD3DMesh(OmArchive& archive) : OmBaseMesh(archive) {}
    ~OmD3DMesh() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    void Render(OmRenderer& renderer) override;
    void ComputeBounds() override {}
    uint32_t GetVertexFormat() const override { return m_format; }
    // Kept from the conversion: the scene pass for opaque and additive
    // subsets (drawn in place), the sorted pass for alpha-blended ones (when
    // no geometry batch takes them).
    uint32_t GetPassMask() const override { return m_passMask; }
    // The alpha subsets as the alpha pass reads them (OmArray<OmMeshVertex>
    // and OmArray<OmAlphaTriangle>); null when the mesh has none.
    const void* GetVertices() const override;
    const void* GetTriangles() const override;

    bool Create(OmRenderer& renderer, uint32_t renderFlags, uint32_t indexCount, uint32_t vertexCount,
                const uint8_t layout[12]) override;
    bool ConvertFrom(const OmMesh& mesh) override;

    uint32_t GetStride() const { return m_stride; }
    uint32_t GetUsage() const { return m_usage; }
    uint32_t GetTriangleCount() const { return m_triangleCount; }
    uint32_t GetVertexCount() const { return m_vertexCount; }
    int32_t GetVertexBufferId() const { return m_vertexBuffer; }
    int32_t GetIndexBufferId() const { return m_indexBuffer; }
    uint32_t GetSubsetCount() const { return uint32_t(m_subsets.size()); }
    const Subset& GetSubset(uint32_t i) const { return m_subsets[i]; }
    uint32_t GetAlphaVertexCount() const { return m_alphaCount; }
    uint16_t GetAlphaIndex(uint32_t vertex) const { return m_alphaMap[vertex]; }

private:
    bool CreateBuffers(OmD3D& renderer);
    void ReleaseResources();
    void ReleaseSubsets();
    bool WriteVertices(const OmMesh& mesh, const uint8_t* layout);
    bool WriteIndices(const OmMesh& mesh);
    bool TakeSubsets(const OmMesh& mesh);
    void BuildAlphaMap();
    void BuildAlphaCopy(OmD3D& renderer, const uint16_t* indices);
    bool ReadSubsets(OmArchive& archive, uint32_t count);
    bool IndicesInRange();
    // Copies the alpha vertices into a batch source (the lit one when toLit:
    // the mesh has normals and lighting is on) and transforms them; false
    // when nothing could be copied.
    bool CopyAlphaVertices(OmD3D& renderer, OmD3DBatch& batch, bool toLit);
    void AddAlphaSubsets(OmD3D& renderer, OmD3DBatch& batch);
    void DrawOpaqueSubsets(OmD3D& renderer);

    uint32_t m_format = 0;
    uint32_t m_usage = 0;
    uint32_t m_stride = 0;
    int32_t m_indexBuffer = -1;
    int32_t m_vertexBuffer = -1;
    uint32_t m_triangleCount = 0;
    uint32_t m_vertexCount = 0;
    std::vector<Subset> m_subsets;
    std::vector<uint16_t> m_alphaMap;
    uint32_t m_alphaCount = 0;
    uint32_t m_passMask = kScenePass;
    OmArray<OmMeshVertex> m_alphaVertices{64};
    OmArray<OmAlphaTriangle> m_alphaTriangles{64};
};
