#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "tests/engine/SceneTestSupport.h"

namespace {

// Appends one triangle of three new (unshared) vertices.
void AddTriangle(OmMesh& mesh, const OmMeshVertex& a, const OmMeshVertex& b, const OmMeshVertex& c,
                 uint32_t material = 0)
{
    for (const OmMeshVertex* v : {&a, &b, &c}) {
        mesh.indices.Add(mesh.vertices.GetCount());
        mesh.vertices.Add(*v);
    }
    mesh.triangleMaterials.Add(material);
}

// A unit quad in the xz plane as two triangles with six unshared vertices.
void AddQuad(OmMesh& mesh)
{
    AddTriangle(mesh, Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(1, 0, 1));
    AddTriangle(mesh, Vertex(0, 0, 0), Vertex(1, 0, 1), Vertex(0, 0, 1));
}

} // namespace

TEST(OmMesh, EdgeAdjacencyPairsSharedEdgesByPosition)
{
    const auto mesh = OmMakeRef<OmMesh>();
    AddQuad(*mesh); // unshared corners: edges meet by position only
    OmArray<int32_t> adjacency;
    mesh->BuildEdgeAdjacency(adjacency);
    // Triangle 0's edge 2 (corner 2 to 0) is triangle 1's edge 0 (corner 0 to 1).
    EXPECT_EQ(std::vector<int32_t>(adjacency.GetData(), adjacency.GetData() + adjacency.GetCount()),
              (std::vector<int32_t>{-1, -1, 1, 0, -1, -1}));

    // A third triangle on the same edge pairs with the first.
    AddTriangle(*mesh, Vertex(1, 0, 1), Vertex(0, 0, 0), Vertex(0, 1, 0));
    mesh->BuildEdgeAdjacency(adjacency);
    EXPECT_EQ(adjacency[6], 0);
    EXPECT_EQ(adjacency[2], 2);
    EXPECT_EQ(adjacency[3], 0);
}

TEST(OmMesh, WeldingRefusesIndicesPastTheVertices)
{
    const auto mesh = OmMakeRef<OmMesh>();
    AddQuad(*mesh);
    AddTriangle(*mesh, Vertex(1, 0, 1), Vertex(0, 0, 0), Vertex(0, 1, 0));
    mesh->indices[4] = 99;
    DebugOutputCapture trace;
    mesh->WeldVertices(0.01f, 0.01f);
    EXPECT_TRUE(trace.Contains("WeldVertices"));
    EXPECT_EQ(mesh->vertices.GetCount(), 9u);
    EXPECT_EQ(mesh->indices[4], 99u);
}

TEST(OmMesh, UnwrappingShiftsTrianglesThatCrossAWrapAndRefusesSharedVertices)
{
    const auto wrapped = OmMakeRef<OmMesh>();
    // u runs 2.1 to 2.4 without crossing a half-wrap: left alone.
    AddTriangle(*wrapped, Vertex(0, 0, 0, 2.1f, 0.1f), Vertex(1, 0, 0, 2.4f, 0.1f), Vertex(0, 0, 1, 2.3f, 0.2f));
    // u 3.4 to 3.6 crosses 3.5: moved down by floor(3.4) = 3.
    AddTriangle(*wrapped, Vertex(0, 0, 0, 3.4f, 0.1f), Vertex(1, 0, 0, 3.6f, 0.1f), Vertex(0, 0, 1, 3.45f, 0.2f));
    // Spread of 5 in v with a wrap of 1: counted.
    AddTriangle(*wrapped, Vertex(0, 0, 0, 0.1f, 0.0f), Vertex(1, 0, 0, 0.1f, 5.0f), Vertex(0, 0, 1, 0.1f, 0.2f));
    DebugOutputCapture overWrapped;
    EXPECT_TRUE(wrapped->UnwrapTextures(1));
    EXPECT_FLOAT_EQ(wrapped->vertices[0].uv0[0], 2.1f);
    EXPECT_NEAR(wrapped->vertices[3].uv0[0], 0.4f, 1e-5f);
    EXPECT_NEAR(wrapped->vertices[4].uv0[0], 0.6f, 1e-5f);
    EXPECT_TRUE(overWrapped.Contains("Error in OmMesh::UnwrapTextures() - coords out of range"));
    EXPECT_TRUE(overWrapped.Contains("Mesh has 1 triangles with over-wrapped texture coords"));

    wrapped->WeldVertices(0.01f, 10.0f);
    DebugOutputCapture refused;
    EXPECT_FALSE(wrapped->UnwrapTextures(1));
    EXPECT_TRUE(refused.Contains("Cannot unwrap mesh with indexed vertices"));
}

TEST(OmMesh, SplitByAlphaSendsTrianglesByMaterialAndRenumbersVertices)
{
    RecordingRenderer renderer;
    OmMaterial opaqueMaterial, alphaMaterial;
    alphaMaterial.blendMode = 0x120; // alpha blended with alpha test
    const int32_t opaqueId = renderer.RegisterMaterial(&opaqueMaterial);
    const int32_t alphaId = renderer.RegisterMaterial(&alphaMaterial);

    const auto source = OmMakeRef<OmMesh>();
    for (int i = 0; i < 5; ++i)
        source->vertices.Add(Vertex(float(i), 0, 0));
    const uint32_t corners[9] = {0, 1, 2, 2, 3, 4, 4, 1, 0};
    for (uint32_t c : corners)
        source->indices.Add(c);
    for (uint32_t material : {uint32_t(opaqueId), uint32_t(alphaId), 999u}) // 999: no such material, opaque
        source->triangleMaterials.Add(material);

    OmRef<OmMesh> opaque, alpha;
    source->SplitByAlpha(renderer, *opaque.Put(), *alpha.Put());
    ASSERT_TRUE(opaque);
    ASSERT_TRUE(alpha);
    ASSERT_EQ(alpha->vertices.GetCount(), 3u);
    ASSERT_EQ(alpha->indices.GetCount(), 3u);
    EXPECT_EQ(alpha->indices[0], 0u);
    EXPECT_EQ(alpha->vertices[0].position.x, 2.0f);
    EXPECT_EQ(alpha->triangleMaterials[0], uint32_t(alphaId));

    // Opaque: triangles 0 and 2 share source vertices 0, 1 and 4.
    EXPECT_EQ(opaque->vertices.GetCount(), 4u);
    EXPECT_EQ(std::vector<uint32_t>(opaque->indices.GetData(), opaque->indices.GetData() + 6),
              (std::vector<uint32_t>{0, 1, 2, 3, 1, 0}));
    EXPECT_FLOAT_EQ(opaque->vertices[3].position.x, 4.0f);
    EXPECT_EQ(opaque->triangleMaterials.GetCount(), 2u);
    EXPECT_EQ(opaque->materialGroups.GetCount(), 0u);
    EXPECT_EQ(source->vertices.GetCount(), 5u); // the source is unchanged
}

TEST(OmMesh, ConversionForTheRendererSetsAlphaFlagsAndRefusesOversizedMeshes)
{
    RecordingRenderer renderer;
    OmMaterial plainAlpha;
    plainAlpha.blendMode = 0x20;
    const int32_t plainId = renderer.RegisterMaterial(&plainAlpha);

    const auto tri = OmMakeRef<OmMesh>();
    AddTriangle(*tri, Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(0, 0, 1), uint32_t(plainId));
    tri->SortTrianglesByMaterial();
    const auto target = OmRef<TestRenderMesh>::Adopt(static_cast<TestRenderMesh*>(renderer.CreateMesh()));
    EXPECT_TRUE(tri->ConvertForRenderer(renderer, 0x1, *target));
    EXPECT_EQ(target->createdFlags, 0x201u);
    EXPECT_EQ(target->createdIndices, 3u);
    const uint8_t layout[12] = {0, 1, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(target->createdLayout, layout, 12), 0);

    // Without an alpha pass the plain blend turns into 66 and the flag goes.
    EXPECT_TRUE(tri->ConvertForRenderer(renderer, 0x600, *target));
    EXPECT_EQ(target->createdFlags, 0x400u);
    EXPECT_EQ(renderer.GetMaterial(plainId)->blendMode, 0x42u);

    target->failCreate = true;
    EXPECT_FALSE(tri->ConvertForRenderer(renderer, 0, *target));

    target->failCreate = false;
    tri->vertices.Resize(OmMesh::kMaxRenderVertices + 1);
    DebugOutputCapture oversized;
    EXPECT_FALSE(tri->ConvertForRenderer(renderer, 0, *target));
    EXPECT_TRUE(oversized.Contains("ConvertForRenderer"));
}

TEST(OmIntersect, RayTriangleIsTwoSidedAndReportsBarycentrics)
{
    const OmVector3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    float t = 0, u = 0, v = 0;
    ASSERT_TRUE(IntersectRayTriangle(OmVector3(0.25f, 0.5f, -2), OmVector3(0, 0, 4), a, b, c, t, u, v));
    EXPECT_EQ(t, 0.5f);
    EXPECT_EQ(u, 0.25f);
    EXPECT_EQ(v, 0.5f);
    // From the other side.
    ASSERT_TRUE(IntersectRayTriangle(OmVector3(0.25f, 0.25f, 2), OmVector3(0, 0, -1), a, b, c, t, u, v));
    EXPECT_FLOAT_EQ(t, 2.0f);
    // On the long edge (u + v = 1) still hits.
    EXPECT_TRUE(IntersectRayTriangle(OmVector3(0.5f, 0.5f, -1), OmVector3(0, 0, 1), a, b, c, t, u, v));
    // Outside, and parallel to the plane.
    EXPECT_FALSE(IntersectRayTriangle(OmVector3(0.8f, 0.8f, -1), OmVector3(0, 0, 1), a, b, c, t, u, v));
    EXPECT_FALSE(IntersectRayTriangle(OmVector3(0.2f, 0.2f, -1), OmVector3(1, 0, 0), a, b, c, t, u, v));
    // Behind the origin: a hit with negative t that callers drop.
    ASSERT_TRUE(IntersectRayTriangle(OmVector3(0.2f, 0.2f, 1), OmVector3(0, 0, 1), a, b, c, t, u, v));
    EXPECT_LT(t, 0.0f);
}

TEST(OmIntersect, ASegmentHitsACylinderOnlyAlongItselfAndWithinTheHeight)
{
    const OmVector3 base(0, 0, 0);
    float f = -1.0f;
    ASSERT_TRUE(IntersectSegmentCylinder(OmVector3(-4, 1, 0), OmVector3(4, 1, 0), base, 1.0f, 2.0f, f));
    EXPECT_FLOAT_EQ(f, 3.0f / 8.0f);
    // Passing above or beside it.
    EXPECT_FALSE(IntersectSegmentCylinder(OmVector3(-4, 3, 0), OmVector3(4, 3, 0), base, 1.0f, 2.0f, f));
    EXPECT_FALSE(IntersectSegmentCylinder(OmVector3(-4, 1, 2), OmVector3(4, 1, 2), base, 1.0f, 2.0f, f));
    // Straight down has no horizontal extent.
    EXPECT_FALSE(IntersectSegmentCylinder(OmVector3(0, 5, 0), OmVector3(0, -5, 0), base, 1.0f, 2.0f, f));
    // Ending before the cylinder is a miss, not a hit beyond the end.
    EXPECT_FALSE(IntersectSegmentCylinder(OmVector3(-4, 1, 0), OmVector3(-2, 1, 0), base, 1.0f, 2.0f, f));
    // Starting inside: the hit is where it leaves.
    ASSERT_TRUE(IntersectSegmentCylinder(OmVector3(0, 1, 0), OmVector3(2, 1, 0), base, 1.0f, 2.0f, f));
    EXPECT_FLOAT_EQ(f, 0.5f);
    // Dropping in through the top.
    ASSERT_TRUE(IntersectSegmentCylinder(OmVector3(-0.5f, 4, 0), OmVector3(0.5f, 0, 0), base, 1.0f, 2.0f, f));
    EXPECT_FLOAT_EQ(f, 0.5f);
}
