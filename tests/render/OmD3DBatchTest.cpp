// The geometry batch's capacities: the excess is dropped and reported once.
#include "tests/render/RendererFixture.h"

#include "render/OmD3DBatch.h"

using rtest::BlendTest;
using rtest::ErrorLog;

TEST_F(BlendTest, BatchCapacitiesDropTheExcessAndReportOnce)
{
    ErrorLog log;
    OmD3DBatch& batch = renderer->GetBatch();
    const int32_t material = Material(0.4f);

    // Outside Begin and Flush nothing is taken and nothing is written.
    batch.AddTriangles(1, uint32_t(material), 0);
    EXPECT_EQ(batch.GetTriangleCount(), 0u);

    batch.Begin(0);
    EXPECT_EQ(batch.LockSourceVertices(OmD3DBatch::kMaxSourceVertices + 1), nullptr);
    EXPECT_EQ(log.Count("more vertices asked for in one lock"), 1u);

    // Fill the output to the last vertex, then ask for more.
    for (uint32_t filled = 0; filled < OmD3DBatch::kMaxOutputVertices; filled += OmD3DBatch::kMaxSourceVertices) {
        ASSERT_NE(batch.LockSourceVertices(OmD3DBatch::kMaxSourceVertices), nullptr);
        batch.UnlockSourceVertices();
        batch.TransformVertices(OmD3DBatch::kMaxSourceVertices);
    }
    EXPECT_EQ(batch.GetVertexCount(), OmD3DBatch::kMaxOutputVertices);
    ASSERT_NE(batch.LockSourceVertices(30), nullptr);
    batch.UnlockSourceVertices();
    batch.TransformVertices(30);
    batch.TransformVertices(30);
    EXPECT_EQ(batch.GetVertexCount(), OmD3DBatch::kMaxOutputVertices);
    EXPECT_EQ(log.Count("output vertices are used up"), 1u);

    // A triangle naming a vertex never transformed is dropped, the next kept.
    const uint16_t indices[6] = {0, 1, 2, 0, 1, 2};
    batch.AddIndexedTriangles(indices, uint32_t(material), 2, OmD3DBatch::kMaxOutputVertices - 1);
    batch.AddIndexedTriangles(indices, uint32_t(material), 1, 0);
    EXPECT_EQ(batch.GetTriangleCount(), 1u);
    EXPECT_EQ(log.Count("was not transformed"), 1u);

    // Triangles beyond the store are dropped with one report.
    batch.AddTriangles(OmD3DBatch::kMaxTriangles, uint32_t(material), 0);
    batch.AddTriangles(5, uint32_t(material), 0);
    EXPECT_EQ(batch.GetTriangleCount(), OmD3DBatch::kMaxTriangles);
    EXPECT_EQ(log.Count("triangles are used up"), 1u);
    batch.Flush();
    EXPECT_EQ(renderer->GetFrameStats()->words[OmRenderStats::kPrimitives], OmD3DBatch::kMaxTriangles);
}
