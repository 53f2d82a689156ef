#include <gtest/gtest.h>

#include <cstring>

#include "engine/OmArchive.h"
#include "engine/OmGroup.h"
#include "engine/OmMaxLight.h"
#include "engine/OmShape.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/SceneTestSupport.h"
#include "tests/engine/TestClass.h"

// Saves a camera the way its owners do: the camera does not enter the
// archive by itself, its holder registers it.
class TestCameraHolder : public OmObject {
    OM_DECLARE_TEST_CLASS(TestCameraHolder, OmObject)
    ~TestCameraHolder() override
    {
        if (camera)
            camera->Release();
    }
    bool Register(OmArchive& archive) override
    {
        if (!OmObject::Register(archive))
            return false;
        archive.Register(camera);
        return true;
    }
    void Write(OmArchive& archive) override
    {
        OmObject::Write(archive);
        archive.WriteObjectRef(camera);
    }
    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        archive.ReadRef(camera);
    }

    OmCamera* camera = nullptr;
};

// Kept out of the class registry: archives write it as a null reference.
OM_TEST_CLASS(TestUnsavedShape, OmShape);

// Writes the list links it is told to, as a damaged file would hold them.
class TestMislinkedShape : public OmShape {
    OM_DECLARE_TEST_CLASS(TestMislinkedShape, OmShape)
    void Write(OmArchive& archive) override
    {
        OmNode::Write(archive);
        archive.WriteObjectRef(GetGeometry()).WriteObjectRef(writtenPrev).WriteObjectRef(writtenNext);
    }

    OmShape* writtenPrev = nullptr;
    OmShape* writtenNext = nullptr;
};

OM_IMPLEMENT_CLASS(TestCameraHolder, OmObject)
OM_IMPLEMENT_UNLISTED_CLASS(TestUnsavedShape, OmShape)
OM_IMPLEMENT_CLASS(TestMislinkedShape, OmShape)

namespace {

using archive_test::Registry;

struct Scene {
    OmRef<OmGroup> root;
    OmGroup* body;
    OmMesh* mesh;
};

// An unsaved first child, a body with two shapes sharing a mesh, two lights.
Scene BuildScene()
{
    Scene s{OmMakeRef<OmGroup>(), nullptr, MakeTriangleMesh()};
    s.root->SetName("model");
    AddNode<TestUnsavedShape>(*s.root, "unsaved"); // slot 0: comes back as a null slot
    s.body = AddNode<OmGroup>(*s.root, "body");
    s.body->LocalPosition() = OmVector3(1, 2, 3);
    s.body->LocalRotation().SetRotationY(0.5f);
    s.body->LocalScale() = 2.0f;
    OmShape* a = AddShape(*s.body, "a", s.mesh);
    OmShape* b = AddShape(*s.body, "b", s.mesh, OmVector3(0, 0, 10));
    s.mesh->Release();

    auto* lamp = AddNode<OmLight>(*s.body, "lamp");
    lamp->lightType = OmLight::kPoint;
    lamp->specular[3] = 1.0f;
    lamp->Range() = OmSphere(OmVector3(1, 1, 1), 7.0f);
    lamp->AddTarget(b);
    lamp->AddTarget(a);

    auto* sun = AddNode<OmMaxLightNode>(*s.root, "sun");
    sun->SetEnabled(false);
    sun->light.decay = OmMaxLight::kInverse;
    sun->light.shadowParams[1] = 3.0f;
    sun->light.projectorMap = "gobo.tga";
    return s;
}

// Saves one group of shapes drawing their geometries (the last given heads the
// list); the caller's references are given back first.
bool SaveShapes(const std::string& path, std::initializer_list<std::pair<OmShape*, OmGeometry*>> shapes,
                std::initializer_list<OmGeometry*> geometries)
{
    auto* root = new OmGroup();
    for (auto [shape, geometry] : shapes) {
        shape->SetGeometry(geometry);
        root->AddChild(shape);
        shape->Release();
    }
    for (OmGeometry* geometry : geometries)
        geometry->Release();
    DebugOutputCapture trace;
    const bool saved = archive_test::SaveRoots(path, {root, nullptr});
    root->Release();
    return saved;
}

// The scene and a camera holder saved to a file; the renderer sees what is read.
struct SavedScene : testing::Test {
    void SetUp() override
    {
        holder->camera = new OmCamera();
        SetStandardCamera(*holder->camera);
        holder->camera->SetFrame(OmVector3(0, 5, -5), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
        holder->camera->Apply(renderer);
        DebugOutputCapture trace; // the unsaved shape is reported, not saved
        ASSERT_TRUE(archive_test::SaveRoots(path, {s.root, holder}));
    }
    RecordingRenderer renderer;
    Scene s = BuildScene();
    OmRef<TestCameraHolder> holder = OmMakeRef<TestCameraHolder>();
    const archive_test::TestFile path{"scene"}, cut{"scene_cut"};
};

} // namespace

TEST_F(SavedScene, ItsNodeTreeMeshesLightsAndCameraRoundTrip)
{
    OmArchive archive(Registry());
    ASSERT_TRUE(archive.Load(path.c_str()));
    const auto root = OmRef<OmGroup>::Adopt(OmGroup::Cast(archive.GetRoot(0)));
    const auto loadedHolder = OmRef<TestCameraHolder>::Adopt(TestCameraHolder::Cast(archive.GetRoot(1)));
    ASSERT_TRUE(root && loadedHolder);

    // The unsaved child left a null slot 0; the group's bounds skip it.
    EXPECT_EQ(root->GetChildCount(), 3);
    EXPECT_FALSE(root->GetChild(0));
    auto* body = OmGroup::Cast(root->GetChild(1));
    ASSERT_TRUE(body);
    ASSERT_STREQ(body->GetName(), "body");
    ASSERT_EQ(body->GetParent(), root);
    EXPECT_TRUE(body->GetLocal().rotation.Equals(s.body->GetLocal().rotation));

    auto* a = OmShape::Cast(body->GetChild(0));
    auto* b = OmShape::Cast(body->GetChild(1));
    ASSERT_TRUE(a && b);
    auto* mesh = OmMesh::Cast(a->GetGeometry());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(b->GetGeometry(), mesh); // still one shared mesh
    ASSERT_EQ(mesh->GetRefCount(), 2u);
    ASSERT_EQ(mesh->vertices.GetCount(), 3u);
    EXPECT_EQ(std::memcmp(mesh->vertices.GetData(), s.mesh->vertices.GetData(), 3 * sizeof(OmMeshVertex)), 0);
    ASSERT_EQ(mesh->materialGroups.GetCount(), 1u);
    ASSERT_EQ(mesh->materialGroups[0].vertexSpan, 3u);
    EXPECT_EQ(std::memcmp(mesh->layout, s.mesh->layout, 12), 0);

    auto* lamp = OmLight::Cast(body->GetChild(2));
    ASSERT_TRUE(lamp);
    ASSERT_EQ(lamp->lightType, OmLight::kPoint);
    ASSERT_EQ(lamp->specular[3], 1.0f);
    EXPECT_FLOAT_EQ(lamp->GetRange().radius, 7.0f);
    EXPECT_FLOAT_EQ(lamp->range, 1000.0f); // not stored: the default
    EXPECT_GE(lamp->deviceLightId, 0);     // registered as it was read
    EXPECT_EQ(renderer.addedLights.back(), lamp);
    // Targets come back in the reverse of the written order.
    const OmVoidChain::Link* target = lamp->GetTargets().GetFirst();
    ASSERT_TRUE(target);
    ASSERT_TRUE(target->next);
    ASSERT_EQ(target->value, b);
    ASSERT_EQ(target->next->value, a);

    auto* sun = OmMaxLightNode::Cast(root->GetChild(2));
    ASSERT_TRUE(sun);
    ASSERT_FALSE(sun->IsEnabled());
    EXPECT_STREQ(sun->light.projectorMap.Get(), "gobo.tga");
    EXPECT_EQ(sun->light.decay, OmMaxLight::kInverse);
    EXPECT_EQ(sun->light.shadowParams[1], 3.0f);

    OmCamera* camera = loadedHolder->camera;
    ASSERT_NE(camera, nullptr);
    EXPECT_TRUE(camera->GetPosition().Equals(OmVector3(0, 5, -5)));
    EXPECT_EQ(camera->GetPlane(OM_PLANE_NEAR).d, -4.0f);
    EXPECT_TRUE(camera->IsProjectionDirty()); // sent again on first use

    // The loaded tree updates, with the null slot in place.
    root->Update(0.0f);
    EXPECT_FALSE(root->GetBounds().IsEmpty());
    EXPECT_TRUE(OmVector3::NearlyEqual(b->GetWorldPosition(), body->GetWorldPosition() +
                                           body->GetWorldRotation().Transform(OmVector3(0, 0, 10)) * 2.0f,
                                       1e-4f));
}

TEST_F(SavedScene, EveryTruncatedCopyFailsToLoadAndLeavesNoLightRegistered)
{
    const std::vector<unsigned char> bytes = archive_test::ReadFile(path);
    DebugOutputCapture trace;
    for (size_t length = 0; length < bytes.size(); length += 7) {
        const std::vector<unsigned char> damaged(bytes.begin(), bytes.begin() + long(length));
        EXPECT_FALSE(archive_test::LoadBytes(cut, damaged).ok) << length;
        for (OmLight* light : renderer.addedLights)
            EXPECT_EQ(light, nullptr) << length;
    }
}

// The root's child count, 3 before a null reference, raised far beyond the file.
TEST_F(SavedScene, AChildCountBeyondTheFileFailsTheLoad)
{
    const std::vector<unsigned char> huge = archive_test::ReadFile(path);
    const size_t at = archive_test::FindWords(huge, {3u, uint32_t(OmArchive::kNullRef)});
    ASSERT_NE(at, std::string::npos);
    DebugOutputCapture trace;
    EXPECT_FALSE(archive_test::LoadBytes(cut, archive_test::Patched(huge, at, 0x40000000u)).ok);
    EXPECT_TRUE(trace.Contains("group with more children than the file holds"));
}

// The links agree both ways even where an unsaved shape sat among them.
TEST(OmSceneArchive, SharedMeshUsersComeBackAsOneSoundList)
{
    const archive_test::TestFile path("mesh_users");
    OmMesh* saved = MakeTriangleMesh();
    ASSERT_TRUE(
        SaveShapes(path, {{new OmShape(), saved}, {new TestUnsavedShape(), saved}, {new OmShape(), saved}}, {saved}));
    OmArchive archive(Registry());
    ASSERT_TRUE(archive.Load(path.c_str()));
    auto* root = OmGroup::Cast(archive.GetRoot(0));
    auto* first = root ? OmShape::Cast(root->GetChild(0)) : nullptr;
    OmGeometry* mesh = first ? first->GetGeometry() : nullptr;
    ASSERT_NE(mesh, nullptr);
    std::vector<OmShape*> users;
    for (OmShape* shape = mesh->GetFirstUser(); shape && users.size() < 4; shape = shape->GetNextUser())
        users.push_back(shape);
    ASSERT_EQ(users.size(), 2u);
    ASSERT_FALSE(users[0]->GetPrevUser());
    ASSERT_EQ(users[1]->GetPrevUser(), users[0]);
    mesh->BoundsChanged();
    // Unlinking works on the loaded list: the other shape becomes the head.
    users[0]->SetGeometry(nullptr);
    EXPECT_EQ(mesh->GetFirstUser(), users[1]);
    EXPECT_FALSE(users[1]->GetPrevUser());
    root->Release();
    // Counts are stored as they stood: the unsaved shape's reference is given back here.
    EXPECT_EQ(mesh->Release(), 0u);
}

// Lists that disagree would hang or corrupt every walk over them. The
// intact list is 2 -> 1 -> 0; shape 0 writes the links it is given.
TEST(OmSceneArchive, ShapeListsWhoseLinksDisagreeFailTheLoad)
{
    const archive_test::TestFile path("mesh_users");
    const struct {
        const char* what;
        int prev, next; // index among the three shapes; -1 null
        bool otherMesh; // shape 0 draws a second mesh
    } cases[] = {
        {"a tail that loops back to the head", 1, 2, false},
        {"a shape its predecessor does not name", -1, -1, false},
        {"a link into another mesh's list", -1, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OmMesh* mesh = MakeTriangleMesh();
        OmMesh* other = MakeTriangleMesh();
        auto* bad = new TestMislinkedShape();
        OmShape* shapes[3] = {bad, new OmShape(), new OmShape()};
        bad->writtenPrev = c.prev < 0 ? nullptr : shapes[c.prev];
        bad->writtenNext = c.next < 0 ? nullptr : shapes[c.next];
        ASSERT_TRUE(SaveShapes(path, {{bad, c.otherMesh ? other : mesh}, {shapes[1], mesh}, {shapes[2], mesh}},
                               {mesh, other}));

        DebugOutputCapture trace;
        EXPECT_FALSE(OmArchive(Registry()).Load(path.c_str()));
        EXPECT_TRUE(trace.Contains("links to objects that do not link back"));
    }
}
