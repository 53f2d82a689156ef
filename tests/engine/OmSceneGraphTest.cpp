#include <gtest/gtest.h>

#include <algorithm>

#include "engine/OmController.h"
#include "engine/OmGroup.h"
#include "engine/OmShape.h"
#include "tests/engine/SceneTestSupport.h"

namespace {

bool Near(const OmVector3& a, const OmVector3& b, float eps = 1e-5f)
{
    return OmVector3::NearlyEqual(a, b, eps);
}

uint32_t ListLength(const OmVoidChain& list)
{
    uint32_t n = 0;
    for (const OmVoidChain::Link* l = list.GetFirst(); l && l->value; l = l->next)
        ++n;
    return n;
}

struct HoldingController : OmController {
    HoldingController(bool hold, int* calls) : hold(hold), calls(calls) {}
    bool Update(float) override { return ++*calls, hold; }
    bool hold;
    int* calls;
};

// A scene under a camera at the origin looking down +z.
struct SceneFixture : ::testing::Test {
    SceneFixture()
    {
        SetStandardCamera(*camera);
        renderer.UseCamera(camera);
        root->SetName("root");
    }
    // A render mesh of the given name and model-space radius about its origin.
    TestRenderMesh* Mesh(const char* name, float radius)
    {
        meshes.push_back(OmMakeRef<TestRenderMesh>());
        meshes.back()->SetName(name);
        meshes.back()->SetBounds(OmSphere(OmVector3(), radius));
        return meshes.back();
    }
    void Frame(float time = 0.0f)
    {
        root->Update(time);
        // What the renderer's ApplyCamera does with its current camera.
        camera->Apply(renderer);
        renderer.draws.clear();
        root->Render(renderer);
    }

    RecordingRenderer renderer;
    OmRef<OmCamera> camera = OmMakeRef<OmCamera>();
    std::vector<OmRef<TestRenderMesh>> meshes;
    OmRef<OmGroup> root = OmMakeRef<OmGroup>();
};

} // namespace

TEST_F(SceneFixture, WorldTransformsComposeParentFirstAndBoundsFollow)
{
    // Parent turned so x goes to -z and z to x, scaled by 2, at (10, 0, 0).
    OmGroup* parent = AddNode<OmGroup>(*root, "parent");
    parent->LocalRotation().Set(0, 0, -1, 0, 1, 0, 1, 0, 0);
    parent->LocalPosition() = OmVector3(10, 0, 0);
    parent->LocalScale() = 2.0f;
    OmGroup* child = AddNode<OmGroup>(*parent, "child");
    child->LocalPosition() = OmVector3(1, 0, 0);
    child->LocalRotation().Set(0, 1, 0, -1, 0, 0, 0, 0, 1); // x to y
    OmShape* leaf = AddShape(*child, "leaf", Mesh("leafMesh", 1.0f), OmVector3(0, 0, 1));
    leaf->LocalScale() = 0.5f;

    root->Update(0.0f);

    EXPECT_TRUE(Near(child->GetWorldPosition(), OmVector3(10, 0, -2)));
    // The child's own turn applies first: x goes to y, which the parent keeps.
    EXPECT_TRUE(Near(child->GetWorldRotation().Transform(OmVector3(1, 0, 0)), OmVector3(0, 1, 0)));
    // (0, 0, 1) through the child (z stays z), then the parent (z to x), times 2.
    EXPECT_TRUE(Near(leaf->GetWorldPosition(), OmVector3(12, 0, -2)));
    EXPECT_EQ(leaf->GetWorldScale(), 1.0f);
    EXPECT_TRUE(Near(root->GetBounds().centre, OmVector3(12, 0, -2)));
    EXPECT_EQ(root->GetBounds().radius, 1.0f);

    // Moving the leaf moves the bounds of every group above it.
    leaf->LocalPosition() = OmVector3(0, 0, 3);
    root->Update(0.0f);
    EXPECT_TRUE(Near(leaf->GetWorldPosition(), OmVector3(16, 0, -2)));
    EXPECT_TRUE(Near(root->GetBounds().centre, OmVector3(16, 0, -2)));
}

TEST_F(SceneFixture, RenderMeshesReplaceEngineMeshesInEveryShapeAndLightsRegister)
{
    OmMesh* mesh = MakeTriangleMesh();
    OmGroup* inner = AddNode<OmGroup>(*root, "inner");
    OmShape* a = AddShape(*root, "a", mesh);
    OmShape* b = AddShape(*inner, "b", mesh);
    auto* light = AddNode<OmLight>(*inner, "light");
    mesh->Release(); // the shapes hold it now

    EXPECT_TRUE(CreateRenderMeshes(root, renderer, 0));
    ASSERT_EQ(renderer.createdMeshes.size(), 1u);
    TestRenderMesh* renderMesh = renderer.createdMeshes[0];
    EXPECT_TRUE(a->GetGeometry() == renderMesh && b->GetGeometry() == renderMesh);
    EXPECT_EQ(renderMesh->GetRefCount(), 2u);
    EXPECT_EQ(renderMesh->createdVertices, 3u);
    EXPECT_EQ(light->deviceLightId, 0);

    AddShape(*inner, "c", OmMakeRef<OmMesh>());
    renderer.failMeshCreate = true;
    EXPECT_FALSE(CreateRenderMeshes(root, renderer, 0));
}

TEST_F(SceneFixture, CullingDrawsWhatIsInsideOrStraddlesAndSkipsPassedPlanes)
{
    AddShape(*root, "inside", Mesh("inside", 1.0f), OmVector3(0, 0, 10));
    AddShape(*root, "behind", Mesh("behind", 1.0f), OmVector3(0, 0, -10));
    AddShape(*root, "pastFar", Mesh("pastFar", 1.0f), OmVector3(0, 0, 120));
    AddShape(*root, "leftOut", Mesh("leftOut", 1.0f), OmVector3(-30, 0, 10));
    AddShape(*root, "straddlesLeft", Mesh("straddlesLeft", 1.0f), OmVector3(-10, 0, 10));
    AddShape(*root, "straddlesFar", Mesh("straddlesFar", 1.0f), OmVector3(0, 0, 100.5f));
    OmGroup* away = AddNode<OmGroup>(*root, "away");
    away->LocalPosition() = OmVector3(0, 50, -50);
    AddShape(*away, "awayChild", Mesh("awayChild", 1.0f), OmVector3(0, 0, 0));
    TestRenderMesh* nested = Mesh("nested", 0.5f);
    AddShape(*AddNode<OmGroup>(*root, "group"), "nested", nested, OmVector3(0, 0, 10));

    Frame();

    std::vector<std::string> drawn(renderer.draws.begin(), renderer.draws.end());
    std::sort(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn, (std::vector<std::string>{"inside", "nested", "straddlesFar", "straddlesLeft"}));
    // The nested leaf's group was wholly inside all six planes: it tested none.
    ASSERT_EQ(nested->drawMasks.size(), 1u);
    EXPECT_EQ(nested->drawMasks[0] & 0x3Fu, 0u);
    // Every culled or drawn child leaves the mask as it found it.
    EXPECT_EQ(camera->GetPlaneMask(), OmCamera::kAllPlanes);
    // The shape's world transform reached the renderer before its draw.
    EXPECT_FLOAT_EQ(renderer.lastWorldScale, 1.0f);
}

TEST_F(SceneFixture, ModifierListsStayBoundedForCulledAndDrawnNodesAlike)
{
    OmShape* seen = AddShape(*root, "seen", Mesh("seen", 1.0f), OmVector3(0, 0, 10));
    OmShape* hidden = AddShape(*root, "hidden", Mesh("hidden", 1.0f), OmVector3(0, 0, -10));
    const auto light = OmMakeRef<OmLight>();
    light->AddTarget(seen);
    light->AddTarget(hidden);
    const unsigned linksBefore = OmVoidChain::GetPooledLinkCount();
    for (int frame = 0; frame < 50; ++frame) {
        light->Update(float(frame));
        EXPECT_EQ(ListLength(hidden->GetModifierList(0)), 1u);
        Frame(float(frame));
        EXPECT_TRUE(hidden->GetModifierList(0).IsEmpty()) << "frame " << frame;
        EXPECT_TRUE(seen->GetModifierList(0).IsEmpty()) << "frame " << frame;
    }
    // A node that is updated but never drawn keeps one entry per light.
    for (int frame = 0; frame < 20; ++frame)
        light->Update(0.0f);
    EXPECT_EQ(ListLength(hidden->GetModifierList(0)), 1u);
    EXPECT_LE(OmVoidChain::GetPooledLinkCount(), linksBefore + 1);

    light->SetEnabled(false);
    Frame();
    light->Update(0.0f);
    EXPECT_TRUE(seen->GetModifierList(0).IsEmpty());
}

TEST(OmGroup, EditingChildrenKeepsReferencesSlotsAndFlags)
{
    const auto group = OmMakeRef<OmGroup>(), a = OmMakeRef<OmGroup>(), b = OmMakeRef<OmGroup>();
    const auto stranger = OmMakeRef<OmGroup>();
    EXPECT_EQ(group->AddChild(a), 0u);
    EXPECT_EQ(group->AddChild(b), 1u);
    EXPECT_EQ(a->GetRefCount(), 2u);
    group->UpdateBounds(); // clears the group's dirty flag
    EXPECT_EQ(group->RemoveChild(nullptr), -1);
    EXPECT_FALSE(group->IsDirty());
    EXPECT_EQ(group->RemoveChild(stranger), -1);
    EXPECT_TRUE(group->IsDirty());

    EXPECT_EQ(group->RemoveChild(a), 0);
    EXPECT_EQ(a->GetRefCount(), 1u);
    EXPECT_FALSE(a->GetParent());
    EXPECT_EQ(group->GetChild(0), b); // later slots move down
    EXPECT_EQ(group->GetChildCount(), 1);
    EXPECT_FALSE(group->GetChild(1000));
    uint32_t cursor = 0;
    EXPECT_EQ(group->GetNextChild(cursor), b);
    EXPECT_FALSE(group->GetNextChild(cursor));
    group->RemoveAllChildren();
    EXPECT_EQ(b->GetRefCount(), 1u);
    EXPECT_FALSE(b->GetParent());
}

TEST(OmGroup, FindNodeByNameSearchesDepthFirstAndSkipsTheRoot)
{
    const auto root = OmMakeRef<OmGroup>();
    root->SetName("target");
    OmGroup* first = AddNode<OmGroup>(*root, "first");
    OmGroup* deep = AddNode<OmGroup>(*first, "target");
    AddNode<OmGroup>(*root, "target");
    OmNode* found = root;
    EXPECT_TRUE(FindNodeByName("target", root, found));
    EXPECT_EQ(found, deep); // reached before the later sibling
    EXPECT_FALSE(FindNodeByName("Target", root, found) || found); // case matters
}

TEST(OmNode, ALastControllerThatHoldsKeepsThePreviousWorldTransform)
{
    const auto node = OmMakeRef<OmGroup>();
    node->LocalPosition() = OmVector3(1, 0, 0);
    node->Update(0.0f);
    int calls = 0;
    node->AddController(new HoldingController(false, &calls)); // the node deletes them
    node->AddController(new HoldingController(true, &calls));
    EXPECT_EQ(node->GetControllers()->target, node);
    node->LocalPosition() = OmVector3(5, 0, 0);
    node->Update(1.0f);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(Near(node->GetWorldPosition(), OmVector3(1, 0, 0)));
}

TEST_F(SceneFixture, AGroupThatContainsItselfIsReportedNotRecursedForever)
{
    // Only a damaged archive builds this; walks must still end.
    OmGroup* outer = AddNode<OmGroup>(*root, "outer");
    OmGroup* inner = AddNode<OmGroup>(*outer, "inner");
    AddShape(*inner, "leaf", Mesh("leaf", 1.0f), OmVector3(0, 0, 10));
    inner->AddChild(outer);
    DebugOutputCapture trace;
    Frame();
    EXPECT_EQ(renderer.draws.size(), 1u);
    OmNode* found = nullptr;
    EXPECT_FALSE(FindNodeByName("missing", root, found));
    EXPECT_TRUE(CreateRenderMeshes(root, renderer, 0));
    OmMakeRef<OmGroup>()->CopyFrom(*root);
    EXPECT_TRUE(trace.Contains("contains itself"));
    inner->RemoveChild(outer);
}
