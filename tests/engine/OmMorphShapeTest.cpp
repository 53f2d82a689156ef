#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/OmBaseMorphMesh.h"
#include "engine/OmMorphMesh.h"
#include "engine/OmMorphShape.h"
#include "tests/engine/SceneTestSupport.h"

namespace {

// A render morph mesh that blends like the device one into a plain array.
class TestMorphRenderMesh : public OmBaseMorphMesh {
    OM_DECLARE_CLASS(TestMorphRenderMesh)

    TestMorphRenderMesh() = default;
    explicit TestMorphRenderMesh(OmArchive& archive) : OmBaseMorphMesh(archive) {}

    void Render(OmRenderer&) override {}
    bool Create(OmRenderer&, uint32_t, uint32_t, uint32_t vertexCount, const uint8_t*) override
    {
        blended.resize(vertexCount);
        return true;
    }
    bool ConvertFrom(const OmMorphMesh& mesh) override
    {
        KeepFrames(mesh);
        return true;
    }
    bool SetFrames(const OmMeshVertex* a, const OmMeshVertex* b, float fraction) override
    {
        ++calls;
        for (size_t i = 0; i < blended.size(); ++i)
            OmMorphVertex::Interpolate(a[i], b[i], fraction, blended[i]);
        return true;
    }

    std::vector<OmMeshVertex> blended;
    int calls = 0;
};

OM_IMPLEMENT_CLASS(TestMorphRenderMesh, OmBaseMorphMesh)

// One vertex; frame f of animation 0 puts it at x = 10f (3 frames), the
// one frame of animation 1 at x = -5.
OmRef<OmMorphMesh> MakeMesh()
{
    auto mesh = OmMakeRef<OmMorphMesh>();
    mesh->vertices.Add(Vertex(0));
    auto* walk = new OmMorphAnimation();
    EXPECT_TRUE(walk->Allocate(3, 1));
    for (int32_t f = 0; f < 3; ++f)
        walk->frames[f][0] = Vertex(10.0f * float(f));
    EXPECT_EQ(mesh->AddAnimation(walk), 0);
    auto* still = new OmMorphAnimation();
    EXPECT_TRUE(still->Allocate(1, 1));
    still->frames[0][0] = Vertex(-5.0f);
    EXPECT_EQ(mesh->AddAnimation(still), 1);
    return mesh;
}

class MorphShapeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const OmRef<OmMorphMesh> mesh = MakeMesh(); // the shape and the render mesh hold it
        shape_->SetGeometry(mesh);
        ASSERT_TRUE(mesh->ConvertForRenderer(renderer_, 0, *renderMesh_));
    }
    void UseRenderMesh() { shape_->SetGeometry(renderMesh_); }
    float X() const { return renderMesh_->blended[0].position.x; }

    RecordingRenderer renderer_;
    OmRef<TestMorphRenderMesh> renderMesh_ = OmMakeRef<TestMorphRenderMesh>();
    OmRef<OmMorphShape> shape_ = OmMakeRef<OmMorphShape>();
};

} // namespace

TEST_F(MorphShapeTest, PlayAskedBeforeConversionRunsAtTheRecordsOwnSpeed)
{
    shape_->PlayAnimation(0, OM_PLAY_ONCE); // no render mesh yet: speed 1.0
    EXPECT_FLOAT_EQ(shape_->GetSpeed(), 1.0f);
    UseRenderMesh();
    shape_->Update(-0.05f);
    shape_->Update(0.0f);
    EXPECT_FLOAT_EQ(shape_->GetSpeed(), 10.0f); // three frames are a tenth of a second
    EXPECT_NEAR(X(), 15.0f, 1e-3f);
    shape_->Update(3.0f); // long past its end: holds the last frame
    EXPECT_EQ(shape_->GetFrames().frame0, 2);
    EXPECT_LT(std::fabs(X() - 20.0f), 1e-3f);
}

// Once through from the first frame, not already at its end.
TEST_F(MorphShapeTest, PlayAskedLateInALevelsTimeStartsAtTheFirstFrame)
{
    UseRenderMesh();
    shape_->PlayAnimation(0, OM_PLAY_LOOP);
    shape_->Update(6.0f);
    shape_->PlayAnimation(0, OM_PLAY_ONCE);
    shape_->Update(7.0f);
    EXPECT_NEAR(X(), 0.0f, 1e-3f);
    shape_->Update(7.05f);
    EXPECT_NEAR(X(), 15.0f, 1e-3f);
}

TEST_F(MorphShapeTest, TheEngineMeshAloneOrIndicesWithoutAnAnimationDoNothing)
{
    shape_->PlayAnimation(0, OM_PLAY_LOOP);
    shape_->Update(0.05f);
    EXPECT_EQ(shape_->GetFrames().frame0, -1);
    UseRenderMesh();
    for (int32_t index : {2, 99, -1}) {
        shape_->PlayAnimation(index, OM_PLAY_LOOP);
        shape_->Update(0.5f);
    }
    EXPECT_EQ(renderMesh_->calls, 0);
}

TEST_F(MorphShapeTest, AnUnknownAnimationCountsAsFinishedSoAQueuedOneTakesOver)
{
    UseRenderMesh();
    shape_->PlayAnimation(7, OM_PLAY_LOOP);
    shape_->QueueAnimation(1, OM_PLAY_ONCE);
    shape_->Update(0.6f);
    EXPECT_EQ(shape_->GetAnimation(), 1);
    EXPECT_EQ(renderMesh_->calls, 1);
}

TEST(MorphMeshTest, BoundsCoverEveryFrameButNotTheRestPose)
{
    const OmRef<OmMorphMesh> mesh = MakeMesh();
    mesh->ComputeBounds(); // x from -5 to 20; the rest pose at 0 does not count
    EXPECT_EQ(mesh->GetBounds().centre.x, 7.5f);
    EXPECT_EQ(mesh->GetBounds().radius, 12.5f);
}

TEST(MorphMeshTest, AnAnimationWhoseFramesDoNotMatchTheMeshIsRefused)
{
    const OmRef<OmMorphMesh> mesh = MakeMesh();
    TraceCapture trace;
    auto* wrong = new OmMorphAnimation();
    ASSERT_TRUE(wrong->Allocate(2, 5)); // five vertices for a one-vertex mesh
    EXPECT_EQ(mesh->AddAnimation(wrong), -1);
    EXPECT_EQ(mesh->GetAnimationCount(), 2);
    EXPECT_TRUE(trace.Contains("frames of 5 vertices"));
}
