// The engine's editable triangle mesh. Importers fill it and clean it with
// the tools here (welding, sorting by material, edge adjacency, texture
// unwrapping, splitting off alpha triangles); the renderer then builds its
// own render mesh from it.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmGeometry.h"
#include "engine/OmVector3.h"

class OmBaseMesh;

// 56 bytes, the unit of the vertex array and of archives. Not initialised
// by its constructor: importers fill every field.
struct OmMeshVertex {
    OmVector3 position;
    OmVector3 normal;
    float colour[4]; // red, green, blue, alpha
    float uv0[2];
    float uv1[2];

    OmMeshVertex() = default;

    // Normal, colour and texture coordinates blended from a to b; the
    // position is the caller's.
    static void Interpolate(const OmMeshVertex& a, const OmMeshVertex& b, float t, OmMeshVertex& out);
    // Within positionTolerance in space and attributeTolerance in every
    // other component (bounds included).
    static bool NearlyEqual(const OmMeshVertex& a, const OmMeshVertex& b, float positionTolerance,
                            float attributeTolerance);
};
static_assert(sizeof(OmMeshVertex) == 56, "mesh vertices are written raw");

// A run of triangles of one material.
struct OmMaterialGroup {
    uint32_t materialId;
    uint32_t firstTriangle;
    uint32_t triangleCount;
    uint32_t lowestVertex;
    uint32_t vertexSpan; // highest - lowest + 1
};
static_assert(sizeof(OmMaterialGroup) == 20, "material groups are written raw");

class OmMesh : public OmGeometry {
    OM_DECLARE_CLASS(OmMesh)

    static constexpr uint32_t kLayoutSize = 12;
    // Render meshes index their vertices with 16 bits.
    static constexpr uint32_t kMaxRenderVertices = 65536;
    static constexpr uint32_t kWeldBuckets = 1597;

    OmMesh();
    explicit OmMesh(OmArchive& archive);

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    void Render(OmRenderer&) override {}
    void ComputeBounds() override;
    // The same fit without storing it; the box of the points when asked.
    void ComputeBoundsInto(OmSphere& out, OmVector3* min = nullptr, OmVector3* max = nullptr) const;

    void WeldVertices(float positionTolerance, float attributeTolerance);
    // newPositions, when given, receives each old triangle's new position.
    void SortTrianglesByMaterial(OmArray<uint32_t>* newPositions = nullptr);
    // Three entries per triangle: the triangle across each edge, -1 for none.
    void BuildEdgeAdjacency(OmArray<int32_t>& adjacency) const;
    bool UnwrapTextures(int32_t wrap);
    // Two new meshes: triangles of alpha materials and all others. Materials
    // are looked up in the renderer's table.
    void SplitByAlpha(OmRenderer& renderer, OmMesh*& opaque, OmMesh*& alpha) const;
    bool ConvertForRenderer(OmRenderer& renderer, uint32_t renderFlags, OmBaseMesh& renderMesh);
    // Shared with the skinned and morph meshes: false (reported under the
    // caller's class name) when 16-bit indices cannot reach every vertex.
    static bool FitsRenderIndices(const char* who, uint32_t vertexCount);
    // The render flags for these material groups: the alpha flag set when one
    // is blended, or, for meshes drawn without an alpha pass, its blend
    // turned opaque-compatible and the flag cleared.
    static uint32_t AlphaRenderFlags(OmRenderer& renderer, const OmArray<OmMaterialGroup>& groups,
                                     uint32_t renderFlags);

    OmArray<OmMeshVertex> vertices{64};
    OmArray<uint32_t> indices{64};
    OmArray<uint32_t> triangleMaterials{64};
    OmArray<OmMaterialGroup> materialGroups{64};
    uint8_t layout[kLayoutSize] = {0, 1, 0, 1, 2};
};

// Two-sided Moeller-Trumbore; t, u and v are divided by the determinant on
// a hit.
bool IntersectRayTriangle(const OmVector3& origin, const OmVector3& direction, const OmVector3& a,
                          const OmVector3& b, const OmVector3& c, float& t, float& u, float& v);
// An upright cylinder from base up to base.y + height. fraction is where
// along the segment the first hit lies.
bool IntersectSegmentCylinder(const OmVector3& start, const OmVector3& end, const OmVector3& base,
                              float radius, float height, float& fraction);
