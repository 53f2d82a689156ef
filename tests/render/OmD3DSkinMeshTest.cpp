// Skinned and morph device meshes.
#include "tests/render/RendererFixture.h"

#include <cmath>
#include <cstring>

#include "engine/OmMorphMesh.h"
#include "engine/OmRef.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "render/OmD3DBatch.h"
#include "render/OmD3DMorphMesh.h"
#include "render/OmD3DSkinMesh.h"

using namespace plat;
using rtest::BlendTest;
using rtest::Convert;
using rtest::ErrorLog;

namespace {

constexpr float kHalf = 0.05f; // half the side of a test square, in screen fractions

const float kRedColour[4] = {1, 0, 0, 1}, kGreenColour[4] = {0, 1, 0, 1};

// A red square of two triangles centred on (x, y), wholly on one bone.
void AddSquare(OmSkinMesh& mesh, float x, float y, uint8_t bone)
{
    const uint32_t first = mesh.vertices.GetCount();
    for (uint32_t c = 0; c < 4; ++c) {
        OmSkinVertex v{};
        v.vertex = rtest::SquareCorner(c, x, y, 0.5f, kHalf, kRedColour);
        v.bones[0] = bone;
        v.weights[0] = 1.0f;
        mesh.vertices.Add(v);
    }
    for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u})
        mesh.indices.Add(first + i);
}

void SetLayout(uint8_t* layout, uint8_t normal, uint8_t colours)
{
    const uint8_t l[12] = {0, normal, colours, 1, 2};
    std::memcpy(layout, l, sizeof l);
}

// Two bones: a root at the origin and a child whose joint is at (0.5, 0),
// resting a quarter turn about z. One square hangs off each.
OmRef<OmSkinMesh> TwoBoneFigure(int32_t material, uint8_t normal, uint8_t colours)
{
    auto mesh = OmMakeRef<OmSkinMesh>();
    SetLayout(mesh->layout, normal, colours);
    OmBone root, child;
    root.SetName("Root");
    root.firstChild = 1;
    child.SetName("Arm");
    child.parent = 0;
    child.offset = OmVector3(0.5f, 0, 0);
    child.rotation.SetFromMatrix([] {
        OmMatrix4 m;
        m.SetAxisRotation(1.5707964f, 0, 0, 1);
        return m;
    }());
    OmMatrix4 bind;
    bind.SetTranslation(OmVector3(0.5f, 0, 0));
    InvertMatrix4(bind, child.inverseBind);
    mesh->skeleton.bones.Add(root);
    mesh->skeleton.bones.Add(child);
    mesh->skeleton.rootBone = 0;
    AddSquare(*mesh, -0.5f, 0.0f, 0);
    AddSquare(*mesh, 0.8f, 0.0f, 1);
    mesh->materialGroups.Add(OmMaterialGroup{uint32_t(material), 0, 4, 0, 8});
    mesh->ComputeBounds();
    return mesh;
}

} // namespace

class DeviceSkinMeshTest : public BlendTest {
protected:
    int32_t Opaque() { return Material({1, 1, 1, 1}); }

    // Pixel of a point given in screen fractions (x right, y up).
    uint32_t At(const std::vector<uint32_t>& pixels, const OmVector3& p)
    {
        return Pixel(pixels, uint32_t((p.x + 1) * 0.5f * float(width)), uint32_t((1 - p.y) * 0.5f * float(height)));
    }

    // The figure converted with its two squares in subsets of their own,
    // the left one drawn with material left, the right one with right.
    OmRef<OmD3DSkinMesh> TwoSubsetFigure(int32_t left, int32_t right)
    {
        const OmRef<OmSkinMesh> mesh = TwoBoneFigure(left, 0, 1);
        mesh->materialGroups.RemoveAll();
        mesh->materialGroups.Add(OmMaterialGroup{uint32_t(left), 0, 2, 0, 4});
        mesh->materialGroups.Add(OmMaterialGroup{uint32_t(right), 2, 2, 4, 4});
        return Convert(*renderer, *mesh, new OmD3DSkinMesh());
    }
    static uint32_t SortedTriangles(OmD3DSkinMesh& figure)
    {
        const auto* list = static_cast<const OmArray<OmAlphaTriangle>*>(figure.GetTriangles());
        return list ? list->GetCount() : 0u;
    }
};

TEST_F(DeviceSkinMeshTest, APosedFigureIsDrawnWhereTheBonesCarryItInEveryLayout)
{
    struct Layout {
        uint8_t normal, colours;
        uint32_t format, stride;
    } const layouts[] = {{0, 1, 0x142, 24}, {1, 1, 0x152, 36}, {0, 0, 0x102, 20}, {1, 0, 0x112, 32}};
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.format);
        const OmRef<OmSkinMesh> engine = TwoBoneFigure(Opaque(), l.normal, l.colours);
        const auto device = Convert(*renderer, *engine, static_cast<OmD3DSkinMesh*>(renderer->CreateSkinMesh()));
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->GetVertexFormat(), l.format);
        EXPECT_EQ(device->GetStride(), l.stride);
        const auto shape = OmMakeRef<OmSkinShape>();
        shape->SetGeometry(device);
        shape->Update(0.0f);
        ClearTo(0, 0, 0);
        shape->Render(*renderer);

        // The CPU's answer: the arm square's centre (0.8, 0) taken into the
        // arm bone's bind space and out through its posed matrix.
        const OmBoneMatrix& arm = shape->GetBones()[1];
        const OmVector3 local = engine->skeleton.bones[1].inverseBind.TransformPoint(OmVector3(0.8f, 0, 0.5f));
        const OmVector3 posed = arm.rotation.Transform(local) + arm.position;
        EXPECT_GT(std::fabs(posed.y), 0.2f); // the quarter turn lifts it off the axis
        const auto pixels = ReadPixels();
        // Drawn where posed, in its colour when it has one (where the format
        // puts it); the root square stays; nothing left in the bind pose.
        EXPECT_NE(At(pixels, posed) & 0xFFFFFF, 0u);
        if (l.colours) {
            EXPECT_EQ(At(pixels, posed), 0xFFFF0000u);
        }
        EXPECT_NE(At(pixels, OmVector3(-0.5f, 0, 0)) & 0xFFFFFF, 0u);
        EXPECT_EQ(At(pixels, OmVector3(0.8f, 0, 0)) & 0xFFFFFF, 0u);
    }
}

// Every material reference taken by the failed conversions is given back.
TEST_F(DeviceSkinMeshTest, SkeletonsPastThePaletteAndStrayBoneIndicesAreRefused)
{
    ErrorLog log;
    const int32_t material = Opaque();
    const uint32_t references = renderer->GetMaterial(material)->GetRefCount();
    const OmRef<OmSkinMesh> engine = TwoBoneFigure(material, 0, 1);
    engine->skeleton.bones.Resize(256); // fills the palette exactly
    auto device = Convert(*renderer, *engine, new OmD3DSkinMesh());
    EXPECT_NE(device, nullptr);
    if (device) {
        OmBoneMatrix matrices[256];
        device->SetBoneMatrices(matrices, 256);
    }
    device = nullptr;
    engine->skeleton.bones.Resize(257);
    EXPECT_EQ(Convert(*renderer, *engine, new OmD3DSkinMesh()), nullptr);
    EXPECT_EQ(log.Count("more than the palette holds"), 1u);

    engine->skeleton.bones.Resize(2);
    engine->vertices[5].bones[2] = 2;
    engine->vertices[5].weights[2] = 0.1f;
    EXPECT_EQ(Convert(*renderer, *engine, new OmD3DSkinMesh()), nullptr);
    EXPECT_EQ(log.Count("weighted to bone 2 of 2"), 1u);
    // An index past the skeleton with no weight on it is harmless.
    engine->vertices[5].weights[2] = 0.0f;
    EXPECT_NE(Convert(*renderer, *engine, new OmD3DSkinMesh()), nullptr);
    EXPECT_EQ(renderer->GetMaterial(material)->GetRefCount(), references);
}

// Pass masks: 1 the scene pass (drawn in place), 2 the sorted pass.
TEST_F(DeviceSkinMeshTest, ABlendedOrAdditiveSubsetAddsTheSortedPassToTheMask)
{
    const int32_t additive = Material({1, 1, 1, 1}, 0x40), glass = Material({1, 1, 1, 1}, 0x20);
    struct Case {
        int32_t left, right;
        uint32_t mask;
    } const cases[] = {
        {Opaque(), Opaque(), 1u}, {Opaque(), additive, 3u}, {Opaque(), glass, 3u}, {glass, additive, 2u}};
    for (const Case& c : cases) {
        const OmRef<OmD3DSkinMesh> figure = TwoSubsetFigure(c.left, c.right);
        ASSERT_NE(figure, nullptr);
        EXPECT_EQ(figure->GetPassMask(), c.mask) << c.right;
    }
}

// An additive subset waits for the sorted pass even while a geometry batch
// takes the alpha-blended triangles; with no batch the sorted pass takes both.
TEST_F(DeviceSkinMeshTest, ABatchTakesBlendedSubsetsButNeverAdditiveOnes)
{
    const OmRef<OmD3DSkinMesh> figure = TwoSubsetFigure(Material({1, 1, 1, 1}, 0x20), Material({1, 1, 1, 1}, 0x40));
    ASSERT_NE(figure, nullptr);
    OmD3DBatch& batch = renderer->GetBatch();
    batch.Begin(0);
    figure->Render(*renderer);
    EXPECT_EQ(batch.GetTriangleCount(), 2u);
    EXPECT_EQ(SortedTriangles(*figure), 2u);
    batch.Flush();
    renderer->FlushAlphaQueue();
    figure->Render(*renderer); // no batch open
    EXPECT_EQ(SortedTriangles(*figure), 4u);
    renderer->FlushAlphaQueue();
}

TEST_F(DeviceSkinMeshTest, AnAdditiveSubsetWaitsForTheSortedPassAndIsDrawnThere)
{
    const OmRef<OmD3DSkinMesh> figure = TwoSubsetFigure(Opaque(), Material({1, 1, 1, 1}, 0x40));
    ASSERT_NE(figure, nullptr);
    OmD3DBatch& batch = renderer->GetBatch();
    batch.Begin(0);
    const uint64_t before = Draws();
    figure->Render(*renderer);
    EXPECT_EQ(Draws() - before, 1u) << "the opaque subset only";
    batch.Flush();
    ASSERT_EQ(renderer->GetAlphaQueueLength(), 1u);
    // The sorted pass draws the additive square (in the bind pose).
    ClearTo(0, 0, 0);
    renderer->FlushAlphaQueue();
    EXPECT_EQ(renderer->GetAlphaSorter()->GetDrawCount(), 1u);
    EXPECT_NE(At(ReadPixels(), OmVector3(0.8f, 0.0f, 0)) & 0xFFFFFF, 0u);
}

TEST_F(DeviceSkinMeshTest, AMeshSharedByFiguresInTwoPosesIsSortedInEachPose)
{
    const OmRef<OmD3DSkinMesh> figure = TwoSubsetFigure(Opaque(), Material({1, 1, 1, 1}, 0x40));
    ASSERT_NE(figure, nullptr);
    OmBoneMatrix pose[2];
    for (float lift : {0.0f, 0.5f}) {
        pose[1].position = OmVector3(0.5f, lift, 0); // the arm's joint, raised
        figure->SetBoneMatrices(pose, 2);
        figure->Render(*renderer);
    }
    renderer->FlushAlphaQueue();
    const std::vector<uint32_t> pixels = ReadPixels();
    for (float y : {0.0f, 0.5f})
        EXPECT_NE(At(pixels, OmVector3(0.8f, y, 0)) & 0xFFFFFF, 0u) << y;
}

namespace {

// A square of two triangles per subset, the frames moving it along x.
struct MorphFixture {
    OmRef<OmMorphMesh> mesh = OmMakeRef<OmMorphMesh>();

    MorphFixture(const std::vector<int32_t>& materials, const std::vector<float>& frameX)
    {
        SetLayout(mesh->layout, 0, 1);
        for (size_t s = 0; s < materials.size(); ++s) {
            const uint32_t first = mesh->vertices.GetCount();
            for (uint32_t c = 0; c < 4; ++c)
                mesh->vertices.Add(rtest::SquareCorner(c, 0.0f, float(s) * 0.5f, 0.5f, kHalf, kGreenColour));
            for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u})
                mesh->indices.Add(first + i);
            mesh->materialGroups.Add(OmMaterialGroup{uint32_t(materials[s]), uint32_t(2 * s), 2, first, 4});
        }
        auto* anim = new OmMorphAnimation();
        anim->Allocate(int32_t(frameX.size()), int32_t(mesh->vertices.GetCount()));
        for (size_t f = 0; f < frameX.size(); ++f)
            for (uint32_t v = 0; v < mesh->vertices.GetCount(); ++v)
                anim->frames[f][v] =
                    rtest::SquareCorner(v % 4, frameX[f], float(v / 4) * 0.5f, 0.5f, kHalf, kGreenColour);
        mesh->AddAnimation(anim);
        mesh->ComputeBounds();
    }

    const OmMeshVertex* Frame(int f) const { return mesh->GetAnimation(0)->frames[f]; }
};

} // namespace

TEST_F(DeviceSkinMeshTest, AMorphMeshShowsEitherFrameOrTheirBlend)
{
    MorphFixture fixture({Opaque()}, {-0.6f, 0.6f});
    const auto device = Convert(*renderer, *fixture.mesh, static_cast<OmD3DMorphMesh*>(renderer->CreateMorphMesh()));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetAnimationCount(), 1);
    struct Case {
        int a, b;
        float t, x;
    } cases[] = {{0, 0, 0.0f, -0.6f}, {1, 1, 0.0f, 0.6f}, {0, 1, 0.5f, 0.0f}, {0, 1, 0.75f, 0.3f}};
    for (const Case& c : cases) {
        ASSERT_TRUE(device->SetFrames(fixture.Frame(c.a), fixture.Frame(c.b), c.t));
        ClearTo(0, 0, 0);
        device->Render(*renderer);
        const auto pixels = ReadPixels();
        EXPECT_EQ(At(pixels, OmVector3(c.x, 0, 0)), 0xFF00FF00u) << c.x;
        for (float other : {-0.6f, 0.0f, 0.6f}) {
            if (std::fabs(other - c.x) > 0.2f) {
                EXPECT_EQ(At(pixels, OmVector3(other, 0, 0)) & 0xFFFFFF, 0u) << c.x << " " << other;
            }
        }
    }
}

TEST_F(DeviceSkinMeshTest, AMorphBufferIsWrittenAgainAfterADeviceReset)
{
    MorphFixture fixture({Opaque()}, {-0.6f, 0.6f});
    const auto device = Convert(*renderer, *fixture.mesh, static_cast<OmD3DMorphMesh*>(renderer->CreateMorphMesh()));
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->SetFrames(fixture.Frame(1), fixture.Frame(1), 0.0f));
    Device()->EndScene();
    renderer->MarkDeviceLost();
    renderer->ReleaseDeviceObjects();
    ASSERT_TRUE(renderer->Reset());
    renderer->ClearDeviceLost();
    BeginScreenFractionScene();
    device->Render(*renderer);
    EXPECT_EQ(At(ReadPixels(), OmVector3(0.6f, 0, 0)), 0xFF00FF00u);
}

TEST_F(DeviceSkinMeshTest, MorphSubsetsDrawInTheirPassAndAdditiveOnesInTheAlphaPass)
{
    MorphFixture subsets({Opaque(), Material({1, 1, 1, 1}, 0x40)}, {0.0f, -0.6f});
    const auto split = Convert(*renderer, *subsets.mesh, new OmD3DMorphMesh());
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(split->GetPassMask(), 3u);
    ASSERT_NE(split->GetTriangles(), nullptr);
    EXPECT_EQ(static_cast<const OmArray<OmAlphaTriangle>*>(split->GetTriangles())->GetCount(), 2u);

    uint64_t before = Draws();
    split->Render(*renderer);
    EXPECT_EQ(Draws() - before, 1u); // the opaque subset only
    EXPECT_EQ(renderer->GetAlphaQueueLength(), 1u);

    renderer->SetRenderPass(2);
    before = Draws();
    split->Render(*renderer);
    EXPECT_EQ(Draws() - before, 1u); // the additive subset
    EXPECT_EQ(renderer->GetAlphaQueueLength(), 1u); // not queued twice
    renderer->SetRenderPass(1);
}

TEST_F(DeviceSkinMeshTest, ASecondObjectSharingTheMorphMeshShowsItsOwnFrame)
{
    MorphFixture subsets({Opaque(), Material({1, 1, 1, 1}, 0x40)}, {0.0f, -0.6f});
    const auto split = Convert(*renderer, *subsets.mesh, new OmD3DMorphMesh());
    ASSERT_NE(split, nullptr);
    ASSERT_TRUE(split->SetFrames(subsets.Frame(0), subsets.Frame(0), 0.0f));
    split->Render(*renderer);
    ASSERT_TRUE(split->SetFrames(subsets.Frame(1), subsets.Frame(1), 0.0f));
    split->Render(*renderer);
    ClearTo(0, 0, 0);
    renderer->FlushAlphaQueue();
    const std::vector<uint32_t> pixels = ReadPixels();
    for (float x : {0.0f, -0.6f})
        EXPECT_NE(At(pixels, OmVector3(x, 0.5f, 0)) & 0xFFFFFF, 0u) << x;
}
