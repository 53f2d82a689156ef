// The geometry batch: depth buckets drawn far to near (or near to far), one
// draw per run of equal material, and the capacities that drop the excess.
#include "tests/render/RendererFixture.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "render/OmD3DBatch.h"

using namespace plat;
using rtest::BlendTest;
using rtest::ColouredVertex;
using rtest::ErrorLog;

namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;

// Hands the batch the triangles of the given corners (screen fractions) at
// depth z.
void AddTriangles(OmD3DBatch& batch, std::initializer_list<std::pair<float, float>> corners, float z,
                  uint32_t colour, uint32_t material)
{
    const uint32_t n = uint32_t(corners.size());
    auto* v = static_cast<ColouredVertex*>(batch.LockSourceVertices(n));
    ASSERT_NE(v, nullptr);
    for (const auto& [x, y] : corners)
        *v++ = ColouredVertex{x, y, z, colour, 0, 0};
    batch.UnlockSourceVertices();
    const uint32_t base = batch.GetVertexCount();
    batch.TransformVertices(n);
    batch.AddTriangles(n / 3, material, base);
}

// Two triangles over the screen square [-s, s] at depth z.
void AddQuad(OmD3DBatch& batch, float s, float z, uint32_t colour, uint32_t material)
{
    AddTriangles(batch, {{-s, s}, {s, s}, {-s, -s}, {s, s}, {s, -s}, {-s, -s}}, z, colour, material);
}

// One small triangle at depth z.
void AddTriangleAt(OmD3DBatch& batch, float z, uint32_t material)
{
    AddTriangles(batch, {{0, 0}, {0.1f, 0}, {0, 0.1f}}, z, kRed, material);
}

} // namespace

TEST_F(BlendTest, BatchDrawsFarToNearOrNearToFarByTheOrderFlag)
{
    OmD3DBatch& batch = renderer->GetBatch();
    const int32_t nearMaterial = Material(0.1f), farMaterial = Material(0.2f);
    for (uint8_t order : {0, 1}) {
        SCOPED_TRACE(order);
        ClearTo(0, 0, 0);
        renderer->GetDevice()->ResetCallCounts();
        batch.Begin(order);
        // Added near first, so only the buckets can put the far one first.
        AddQuad(batch, 0.5f, 0.25f, kGreen, uint32_t(nearMaterial));
        AddQuad(batch, 0.5f, 0.75f, kRed, uint32_t(farMaterial));
        EXPECT_EQ(batch.GetTriangleCount(), 4u);
        batch.Flush();
        // Depth writes are off for blended runs: the one drawn last shows.
        const std::vector<uint32_t> pixels = ReadPixels();
        EXPECT_EQ(Pixel(pixels, 320, 240), order == 0 ? kGreen : kRed);
        EXPECT_EQ(Pixel(pixels, 10, 10), 0xFF000000u);
        EXPECT_EQ(Draws(), 2u);
    }
}

TEST_F(BlendTest, BatchDrawsOncePerRunOfEqualMaterial)
{
    OmD3DBatch& batch = renderer->GetBatch();
    const int32_t m3 = Material(0.3f), m5 = Material(0.5f);
    renderer->GetDevice()->ResetCallCounts();
    batch.Begin(0);
    // Far to near this gives materials 3, 3, 5, 3: three runs.
    AddTriangleAt(batch, 0.9f, uint32_t(m3));
    AddTriangleAt(batch, 0.7f, uint32_t(m3));
    AddTriangleAt(batch, 0.5f, uint32_t(m5));
    AddTriangleAt(batch, 0.3f, uint32_t(m3));
    // Below 0 and at or beyond 1 land in the end buckets and still draw.
    AddTriangleAt(batch, -0.5f, uint32_t(m3));
    AddTriangleAt(batch, 0.95f, uint32_t(m3));
    batch.Flush();
    EXPECT_EQ(Draws(), 3u);
    EXPECT_EQ(renderer->GetFrameStats()->words[OmRenderStats::kPrimitives], 6u);

    // Alternating materials cost a draw each; an empty frame draws nothing
    // and still leaves the stages as it found them.
    renderer->GetDevice()->ResetCallCounts();
    batch.Begin(0);
    for (int i = 0; i < 4; ++i)
        AddTriangleAt(batch, 0.8f - 0.1f * float(i), uint32_t(i % 2 ? m5 : m3));
    batch.Flush();
    EXPECT_EQ(Draws(), 4u);
    renderer->GetDevice()->ResetCallCounts();
    batch.Begin(0);
    batch.Flush();
    EXPECT_EQ(Draws(), 0u);
    EXPECT_FALSE(renderer->GetVertexBuffer(batch.GetOutputBufferId())->IsLocked());
    EXPECT_EQ(renderer->GetTextureStageState(1, GfxTss::ColorOp), GfxTop::Disable);
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::AlphaOp), GfxTop::Modulate);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::SoftwareVertexProcessing), 0u);
}

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
