// The alpha-triangle sorter behind the renderer's alpha queue, and the geometry batch.
#include "tests/render/RendererFixture.h"

#include <initializer_list>
#include <vector>

#include "engine/OmLight.h"
#include "engine/OmMesh.h"
#include "render/OmD3DAlphaSorter.h"
#include "render/OmD3DBatch.h"

using namespace plat;
using namespace rtest;

namespace {

// A blended object as the sorter reads it.
class AlphaObject : public OmGeometry {
public:
    void Render(OmRenderer&) override {}
    uint32_t GetVertexFormat() const override { return format; }
    const void* GetVertices() const override { return &vertices; }
    const void* GetTriangles() const override { return &triangles; }
    uint32_t GetPassMask() const override { return passMask; }

    // A square of half size s facing -z at depth z.
    void Square(float s, float z, const float colour[4], uint32_t material)
    {
        const uint32_t first = vertices.GetCount();
        for (uint32_t c = 0; c < 4; ++c)
            vertices.Add(SquareCorner(c, 0, 0, z, s, colour));
        auto at = [first](uint32_t i) { return uint16_t(first + i); };
        triangles.Add(OmAlphaTriangle{{at(0), at(1), at(3)}, material});
        triangles.Add(OmAlphaTriangle{{at(1), at(2), at(3)}, material});
        m_bounds = OmSphere(OmVector3(0, 0, z), s * 1.5f);
    }

    uint32_t format = GfxFvf::PosDiffuseTex1;
    uint32_t passMask = kSortedPass;
    OmArray<OmMeshVertex> vertices;
    OmArray<OmAlphaTriangle> triangles;
};

class SorterTest : public BlendTest {
protected:
    void SetUp() override
    {
        BlendTest::SetUp();
        // As a frame leaves stage 0 after the batch: alpha from the vertices.
        renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
        renderer->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
        material = uint32_t(Material({1, 1, 1, 1}, 0x20));
        nearSquare.Square(0.5f, 0.3f, red, material);
        farSquare.Square(0.5f, 0.6f, blue, material);
    }
    void Queue(AlphaObject& object) { renderer->QueueAlphaItem(&object, object.GetBounds()); }
    OmD3DAlphaSorter& Sorter() { return *renderer->GetAlphaSorter(); }
    // Half-transparent red drawn over half-transparent blue over black: about 127 red and 63 blue.
    static void ExpectRedOverBlue(uint32_t pixel)
    {
        EXPECT_NEAR(Channel(pixel, 16), 127, 3);
        EXPECT_NEAR(Channel(pixel, 0), 63, 3);
    }

    const float red[4] = {1, 0, 0, 0.5f}, blue[4] = {0, 0, 1, 0.5f};
    uint32_t material = 0;
    // The red square in front of the blue one, touching it.
    AlphaObject nearSquare, farSquare;
};

// A coloured-source vertex of the batch (position, diffuse, one texture set).
struct BatchVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};

// Two triangles over the screen square [-s, s] at depth z, in one material.
void AddSquare(OmD3DBatch& batch, float s, float z, uint32_t colour, uint32_t material)
{
    const float corners[6][2] = {{-s, s}, {s, s}, {-s, -s}, {s, s}, {s, -s}, {-s, -s}};
    auto* v = static_cast<BatchVertex*>(batch.LockSourceVertices(6));
    ASSERT_NE(v, nullptr);
    for (const auto& c : corners)
        *v++ = BatchVertex{c[0], c[1], z, colour, 0, 0};
    batch.UnlockSourceVertices();
    const uint32_t base = batch.GetVertexCount();
    batch.TransformVertices(6);
    batch.AddTriangles(2, material, base);
}

} // namespace

TEST_F(SorterTest, TouchingSquaresDrawBackToFrontInOneRunWhateverTheQueueOrder)
{
    std::vector<uint32_t> results;
    for (bool nearFirst : {true, false}) {
        ClearTo(0, 0, 0);
        Queue(nearFirst ? nearSquare : farSquare);
        Queue(nearFirst ? farSquare : nearSquare);
        renderer->FlushAlphaQueue();
        // One cluster, one run: sorted as a whole, drawn with one call.
        EXPECT_EQ(Sorter().GetFlushCount(), 1u);
        EXPECT_EQ(Sorter().GetDrawCount(), 1u);
        results.push_back(Pixel(ReadPixels(), 320, 240));
    }
    EXPECT_EQ(results[0], results[1]);
    ExpectRedOverBlue(results[0]);
    EXPECT_EQ(renderer->GetRenderPass(), 1u);
}

TEST_F(SorterTest, ItemsThatDoNotTouchAreFlushedOneByOneTheFarOneFirst)
{
    farSquare.SetBounds(OmSphere(OmVector3(0, 0, 50), 1));
    Queue(nearSquare);
    Queue(farSquare);
    renderer->FlushAlphaQueue();
    EXPECT_EQ(Sorter().GetFlushCount(), 2u);
    ExpectRedOverBlue(Pixel(ReadPixels(), 320, 240));
}

TEST_F(SorterTest, WhatTheSorterCannotDrawIsRefusedNotDrawnFromStaleData)
{
    ErrorLog log;
    AlphaObject unsupported;
    unsupported.Square(0.5f, 0.5f, red, material);
    unsupported.format = 0x252; // two texture sets
    AlphaObject badIndex;
    badIndex.Square(0.5f, 0.5f, red, material);
    badIndex.triangles[1].v[2] = 4;
    AlphaObject tooLarge;
    for (uint32_t i = 0; i * 4 <= OmD3DAlphaSorter::kMaxItemVertices; ++i)
        tooLarge.Square(0.5f, 0.5f, red, material);
    for (AlphaObject* object : {&unsupported, &badIndex, &tooLarge})
        Queue(*object);
    renderer->FlushAlphaQueue();
    EXPECT_EQ(Sorter().GetDrawCount(), 0u);
    EXPECT_EQ(Pixel(ReadPixels(), 320, 240), 0xFF000000u);
    EXPECT_EQ(log.Count("Unsuppored vertex shader"), 1u);
    EXPECT_EQ(log.Count("names a vertex it does not have"), 1u);
    EXPECT_EQ(log.Count("more than the sorter takes"), 1u);
}

TEST_F(SorterTest, ExactlyTheCapacityIsTakenAndOneTriangleMoreDropsTheNextItem)
{
    ErrorLog log;
    AlphaObject full, extra;
    full.Square(0.5f, 0.5f, red, material);
    const OmAlphaTriangle first = full.triangles[0];
    while (full.triangles.GetCount() < OmD3DAlphaSorter::kMaxTriangles)
        full.triangles.Add(first);
    extra.Square(0.5f, 0.5f, red, material);
    OmRenderItem item;
    item.object = &full;
    item.bounds = full.GetBounds();
    Sorter().AddItem(item);
    EXPECT_EQ(Sorter().GetTriangleCount(), OmD3DAlphaSorter::kMaxTriangles);
    item.object = &extra;
    Sorter().AddItem(item);
    EXPECT_EQ(Sorter().GetTriangleCount(), OmD3DAlphaSorter::kMaxTriangles);
    EXPECT_EQ(log.Count("Too many simultaneous alpha polys"), 1u);
    Sorter().Flush();
    EXPECT_EQ(Sorter().GetTriangleCount(), 0u);
}

// Each item lands on the one screen at its own view depth.
TEST_F(SorterTest, OverlappingItemsOfDifferentCamerasAreSortedTogether)
{
    AlphaObject nearer, farther;
    nearer.Square(0.5f, 0.3f, red, material);
    nearer.SetBounds(OmSphere(OmVector3(0, 0, 0.3f), 5)); // queued first, as the farther item
    farther.Square(0.5f, -4.4f, blue, material);
    Queue(nearer);
    OmMatrix4 view; // the second camera sees the far square 0.6 ahead
    view.m[14] = 5.0f;
    renderer->SetViewMatrix(&view);
    Queue(farther);
    renderer->FlushAlphaQueue();
    EXPECT_EQ(Sorter().GetFlushCount(), 1u);
    ExpectRedOverBlue(Pixel(ReadPixels(), 320, 240));
}

TEST_F(SorterTest, LitItemsAreLitInWorldSpaceThroughTheirOwnCameraUnderARotatedView)
{
    renderer->SetLighting(true);
    const auto light = OmMakeRef<OmLight>(); // directional, shining along +z
    renderer->AddLight(light);
    renderer->EnableLight(light, true);
    const int32_t litMaterial = Material({1, 1, 1, 1}, 0x20);

    // The square faces the light; the camera looks at it from 45 degrees.
    AlphaObject square;
    const float grey[4] = {1, 1, 1, 1};
    square.Square(0.3f, 0.0f, grey, uint32_t(litMaterial));
    square.format = GfxFvf::PosNormalTex1;
    OmMatrix4 turned;
    turned.RotateY(0.78539816f);
    turned.m[14] = 0.5f;
    renderer->SetViewMatrix(&turned);
    Queue(square);
    // A second camera, unturned, sees another such square to the right, in
    // the same cluster: it is lit through its own camera.
    AlphaObject beside;
    beside.Square(0.3f, 0.0f, grey, uint32_t(litMaterial));
    beside.format = GfxFvf::PosNormalTex1;
    OmMatrix4 shifted;
    shifted.m[12] = 0.6f;
    shifted.m[14] = 0.5f;
    renderer->SetViewMatrix(&shifted);
    Queue(beside);
    renderer->SetViewMatrix(&turned);
    renderer->FlushAlphaQueue();
    EXPECT_EQ(Sorter().GetFlushCount(), 1u);
    const std::vector<uint32_t> pixels = ReadPixels();
    // Full light on squares facing it; lit in the other camera's space they
    // would get cos 45 of it.
    for (uint32_t x : {320u, 512u})
        EXPECT_GE(Channel(Pixel(pixels, x, 240), 8), 250u) << x;
    EXPECT_EQ(renderer->GetViewMatrix()->m[14], 0.5f);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::Lighting), 1u);
    renderer->RemoveLight(light);
}

// A mesh queues its blended parts every frame: a format the sorter cannot
// draw is said once, not once a frame, and another such format once too.
TEST_F(SorterTest, AnUnsupportedFormatIsReportedOnceWhateverTheFrames)
{
    AlphaObject twoSets, specular;
    twoSets.Square(0.5f, 0.5f, red, uint32_t(Material({1, 1, 1, 1}, 0x20)));
    twoSets.format = 0x252;
    specular.Square(0.5f, 0.5f, red, uint32_t(Material({1, 1, 1, 1}, 0x20)));
    specular.format = 0x1D2;
    ErrorLog log;
    for (int frame = 0; frame < 3; ++frame) {
        Queue(twoSets);
        renderer->FlushAlphaQueue();
    }
    EXPECT_EQ(log.Count("Unsuppored vertex shader"), 1u);
    Queue(specular);
    renderer->FlushAlphaQueue();
    EXPECT_EQ(log.Count("Unsuppored vertex shader"), 2u);
}

TEST_F(BlendTest, BatchCapacitiesDropTheExcessAndReportOnce)
{
    ErrorLog log;
    OmD3DBatch& batch = renderer->GetBatch();
    const int32_t material = Material({1, 1, 1, 1}, 0x20);

    // Outside Begin and Flush nothing is taken and nothing is written.
    batch.AddTriangles(1, uint32_t(material), 0);
    EXPECT_EQ(batch.GetTriangleCount(), 0u);

    batch.Begin(0);
    EXPECT_EQ(batch.LockSourceVertices(OmD3DBatch::kMaxSourceVertices + 1), nullptr);
    EXPECT_EQ(log.Count("more vertices asked for in one lock"), 1u);

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

    batch.AddTriangles(OmD3DBatch::kMaxTriangles, uint32_t(material), 0);
    batch.AddTriangles(5, uint32_t(material), 0);
    EXPECT_EQ(batch.GetTriangleCount(), OmD3DBatch::kMaxTriangles);
    EXPECT_EQ(log.Count("triangles are used up"), 1u);
    batch.Flush();
    EXPECT_EQ(renderer->GetFrameStats()->words[OmRenderStats::kPrimitives], OmD3DBatch::kMaxTriangles);
}

// Triangles draw bucket by bucket, far to near (near to far with order 1),
// whatever order they came in, one draw per run of one material; depths
// outside [0, 1) land in the end buckets.
TEST_F(BlendTest, BatchDrawsByDepthBucketsOneDrawPerRunOfAMaterial)
{
    struct Square {
        float z;
        uint32_t colour;
        int material; // index into materials
    };
    const struct {
        uint8_t order;
        std::initializer_list<Square> squares;
        uint64_t draws;
        uint32_t centre;
    } cases[] = {
        {0, {{0.25f, kGreen, 0}, {0.75f, kRed, 1}}, 2, kGreen}, // the near one drawn last
        {1, {{0.25f, kGreen, 0}, {0.75f, kRed, 1}}, 2, kRed},
        // Far to near: 0.95, 0.9, 0.7 (a), 0.5 (b), 0.3, -0.5 (a): three runs.
        {0, {{0.9f, kRed, 0}, {0.7f, kRed, 0}, {0.5f, kGreen, 1}, {0.3f, kRed, 0}, {-0.5f, kRed, 0}, {0.95f, kRed, 0}},
         3, kRed},
        {0, {}, 0, 0xFF000000u},
    };
    const int32_t materials[2] = {Material({1, 1, 1, 1}, 0x20), Material({0, 1, 1, 1}, 0x20)};
    OmD3DBatch& batch = renderer->GetBatch();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "order " << int(c.order) << ", " << c.squares.size() << " squares");
        ClearTo(0, 0, 0);
        Device()->ResetCallCounts();
        batch.Begin(c.order);
        for (const Square& sq : c.squares)
            AddSquare(batch, 0.5f, sq.z, sq.colour, uint32_t(materials[sq.material]));
        batch.Flush();
        EXPECT_EQ(Draws(), c.draws);
        ExpectPixels(ReadPixels(), {{320, 240, c.centre}, {10, 10, kBlack}});
    }
    EXPECT_FALSE(renderer->GetVertexBuffer(batch.GetOutputBufferId())->IsLocked());
}
