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
    OM_DECLARE_TEST_CLASS(TestMorphRenderMesh, OmBaseMorphMesh)

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
        m_shape->SetGeometry(mesh);
        ASSERT_TRUE(mesh->ConvertForRenderer(m_renderer, 0, *m_renderMesh));
    }
    void UseRenderMesh() { m_shape->SetGeometry(m_renderMesh); }
    float X() const { return m_renderMesh->blended[0].position.x; }

    RecordingRenderer m_renderer;
    OmRef<TestMorphRenderMesh> m_renderMesh = OmMakeRef<TestMorphRenderMesh>();
    OmRef<OmMorphShape> m_shape = OmMakeRef<OmMorphShape>();
};

} // namespace

TEST_F(MorphShapeTest, PlayAskedBeforeConversionRunsAtTheRecordsOwnSpeed)
{
    m_shape->PlayAnimation(0, OM_PLAY_ONCE); // no render mesh yet: speed 1.0
    EXPECT_FLOAT_EQ(m_shape->GetSpeed(), 1.0f);
    UseRenderMesh();
    m_shape->Update(-0.05f);
    m_shape->Update(0.0f);
    EXPECT_FLOAT_EQ(m_shape->GetSpeed(), 10.0f); // three frames are a tenth of a second
    EXPECT_NEAR(X(), 15.0f, 1e-3f);
    m_shape->Update(3.0f); // long past its end: holds the last frame
    EXPECT_EQ(m_shape->GetFrames().frame0, 2);
    EXPECT_LT(std::fabs(X() - 20.0f), 1e-3f);
}

// Once through from the first frame, not already at its end.
TEST_F(MorphShapeTest, PlayAskedLateInALevelsTimeStartsAtTheFirstFrame)
{
    UseRenderMesh();
    m_shape->PlayAnimation(0, OM_PLAY_LOOP);
    m_shape->Update(6.0f);
    m_shape->PlayAnimation(0, OM_PLAY_ONCE);
    m_shape->Update(7.0f);
    EXPECT_NEAR(X(), 0.0f, 1e-3f);
    m_shape->Update(7.05f);
    EXPECT_NEAR(X(), 15.0f, 1e-3f);
}

TEST_F(MorphShapeTest, TheEngineMeshAloneOrIndicesWithoutAnAnimationDoNothing)
{
    m_shape->PlayAnimation(0, OM_PLAY_LOOP);
    m_shape->Update(0.05f);
    EXPECT_EQ(m_shape->GetFrames().frame0, -1);
    UseRenderMesh();
    for (int32_t index : {2, 99, -1}) {
        m_shape->PlayAnimation(index, OM_PLAY_LOOP);
        m_shape->Update(0.5f);
    }
    EXPECT_EQ(m_renderMesh->calls, 0);
}

TEST_F(MorphShapeTest, AnUnknownAnimationCountsAsFinishedSoAQueuedOneTakesOver)
{
    UseRenderMesh();
    m_shape->PlayAnimation(7, OM_PLAY_LOOP);
    m_shape->QueueAnimation(1, OM_PLAY_ONCE);
    m_shape->Update(0.6f);
    EXPECT_EQ(m_shape->GetAnimation(), 1);
    EXPECT_EQ(m_renderMesh->calls, 1);
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
    DebugOutputCapture trace;
    auto* wrong = new OmMorphAnimation();
    ASSERT_TRUE(wrong->Allocate(2, 5)); // five vertices for a one-vertex mesh
    EXPECT_EQ(mesh->AddAnimation(wrong), -1);
    EXPECT_EQ(mesh->GetAnimationCount(), 2);
    EXPECT_TRUE(trace.Contains("frames of 5 vertices"));
}
