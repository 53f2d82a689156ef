#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "SceneImportSupport.h"
#include "TextFiles.h"
#include "engine/OmMorphMesh.h"
#include "engine/OmPbfScene.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"
#include "tests/platform/DebugOutputCapture.h"

using importtest::ImportTest;
using texttest::Bone;
using texttest::Influences;

namespace {

// One square of two faces that share two corners, shifted along x.
std::unique_ptr<OmPbfMeshRecord> Square(float x, int positions = 4)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    const float corners[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (int i = 0; i < positions; ++i)
        mesh->positions.Add(OmVector3(x + corners[i][0], corners[i][1], 0));
    mesh->normals.Add(OmVector3(0, 0, 1));
    const uint32_t faces[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& f : faces) {
        OmPbfFace* face = mesh->faces.Append();
        for (int k = 0; k < 3; ++k)
            face->corners[k] = OmPbfCorner{positions == 4 ? f[k] : f[k] % uint32_t(positions), 0, 0, 0};
    }
    return mesh;
}

// One square placed by its node 20 up, saved as man.pbf; gives the file's path.
std::string SaveMan(const ScratchDir& folder)
{
    OmPbfScene scene;
    scene.AddObject(Square(0));
    scene.root.object = 0;
    scene.root.transform.SetTranslation(OmVector3(0, 20, 0));
    EXPECT_TRUE(scene.Save(folder.File("man.pbf").c_str()));
    return folder.File("man.pbf");
}

} // namespace

TEST_F(ImportTest, ASkinnedModelSharesCornersBindsTheSkeletonAndLimitsInfluences)
{
    const std::string man = SaveMan(files);
    files.Write("bones.txt", "3\n4\n" + Bone(0, "Pelvis", -1) + Bone(1, "Spine", 0) + Bone(2, "Head", 1) +
                                  "// Vertex list\n" + Influences({{0, 0.1f}, {1, 0.6f}, {2, 0.3f}}) +
                                  Influences({{2, 1.0f}}) + Influences({{1, 0.5f}, {0, 0.5f}}) +
                                  Influences({{0, 1.0f}}));
    const auto mesh = OmRef<OmSkinMesh>::Adopt(importer.LoadSkinned(man.c_str(), 0.1f, 2, false));
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->vertices.GetCount(), 4u);
    EXPECT_EQ(mesh->indices.GetCount(), 6u);
    ASSERT_EQ(mesh->skeleton.GetBoneCount(), 3u);
    EXPECT_EQ(mesh->skeleton.rootBone, 0);
    EXPECT_EQ(mesh->skeleton.bones[1].firstChild, 2);
    EXPECT_STREQ(mesh->skeleton.bones[2].name, "Head");
    ASSERT_EQ(mesh->materialGroups.GetCount(), 1u);
    EXPECT_EQ(mesh->materialGroups[0].triangleCount, 2u);
    // The node's transform places the mesh, then the scale applies.
    EXPECT_NEAR(mesh->vertices[0].vertex.position.y, 2.0f, 1e-5f);
    // The two strongest of (0.1, 0.6, 0.3), in order, over their sum.
    const OmSkinVertex& v = mesh->vertices[0];
    EXPECT_EQ(v.bones[0], 1);
    EXPECT_EQ(v.bones[1], 2);
    EXPECT_EQ(v.weights[2], 0.0f);
    EXPECT_NEAR(v.weights[0], 0.6f / 0.9f, 1e-5f);
    EXPECT_NEAR(v.weights[1], 0.3f / 0.9f, 1e-5f);
    // Equal magnitudes: the earlier slot first.
    EXPECT_EQ(mesh->vertices[2].bones[0], 1);
}

TEST_F(ImportTest, ASkinnedModelRefusesMissingFilesAndStrayBoneIndices)
{
    const std::string man = SaveMan(files);
    EXPECT_EQ(importer.LoadSkinned(man.c_str(), 0.1f, 4, false), nullptr); // no bones.txt
    EXPECT_EQ(importer.LoadSkinned(nullptr, 0.1f, 4, false), nullptr);
    EXPECT_EQ(importer.LoadSkinned(files.File("man.map").c_str(), 0.1f, 4, false), nullptr);
    DebugOutputCapture reports;
    files.Write("bones.txt", "2\n4\n" + Bone(0, "Pelvis", -1) + Bone(1, "Spine", 0) + "// Vertex list\n" +
                                  Influences({{0, 1.0f}}) + Influences({{5, 1.0f}}) + Influences({{0, 1.0f}}) +
                                  Influences({{1, 1.0f}}));
    OmSceneImporter third;
    EXPECT_EQ(third.LoadSkinned(man.c_str(), 0.1f, 4, false), nullptr);
    EXPECT_TRUE(reports.Contains("names bone 5 of 2")) << reports.Text();
}

// Row vectors: a point goes through its own node's transform, then its ancestors'.
TEST_F(ImportTest, ASkinnedModelTakesItsNodeTransformBeforeItsAncestors)
{
    scene.AddObject(Square(0));
    scene.root.transform.SetTranslation(OmVector3(100, 0, 0));
    OmPbfNode* node = importtest::Child(scene.root, "", 0);
    node->transform.SetAxisRotation(1.5707964f, 0, 0, 1);
    ASSERT_TRUE(scene.Save(files.File("turned.pbf").c_str()));
    files.Write("bones.txt", "1\n4\n" + Bone(0, "Root", -1) + "// Vertex list\n" + Influences({{0, 1.0f}}) +
                                  Influences({{0, 1.0f}}) + Influences({{0, 1.0f}}) + Influences({{0, 1.0f}}));
    const auto turnedMesh =
        OmRef<OmSkinMesh>::Adopt(importer.LoadSkinned(files.File("turned.pbf").c_str(), 1.0f, 4, false));
    ASSERT_TRUE(turnedMesh);
    ASSERT_EQ(turnedMesh->vertices.GetCount(), 4u);
    const OmVector3 turned = node->transform.TransformPoint(OmVector3(10, 0, 0));
    const OmVector3& p = turnedMesh->vertices[1].vertex.position; // the corner (10, 0, 0)
    EXPECT_TRUE(OmVector3::NearlyEqual(p, OmVector3(100, turned.y, 0), 1e-3f));
    EXPECT_NEAR(std::abs(p.y), 10.0f, 1e-3f);
}

TEST_F(ImportTest, AMorphModelTakesFramesFromEveryMeshAndLeavesThePathAlone)
{
    scene.AddObject(Square(0));
    scene.AddObject(std::make_unique<OmPbfMarkerRecord>());
    scene.AddObject(Square(20));
    ASSERT_TRUE(scene.Save(files.File("wave.pbf").c_str()));
    std::string path = files.File("WAVE.PBF");
    std::vector<char> text(path.c_str(), path.c_str() + path.size() + 1);
    const auto morph = OmRef<OmMorphMesh>::Adopt(importer.LoadMorphModel(text.data(), 0.1f));
    EXPECT_STREQ(text.data(), path.c_str());
    ASSERT_NE(morph, nullptr);
    // The base is not scaled; the marker's frame is the base in the frames' units.
    ASSERT_EQ(morph->vertices.GetCount(), 4u);
    EXPECT_EQ(morph->vertices[1].position.x, 10.0f);
    const OmMorphAnimation* anim = morph->GetAnimation(0);
    ASSERT_TRUE(anim);
    ASSERT_EQ(anim->frameCount, 3);
    EXPECT_FLOAT_EQ(anim->frames[0][1].position.x, 1.0f);
    EXPECT_FLOAT_EQ(anim->frames[1][1].position.x, 1.0f);
    EXPECT_FLOAT_EQ(anim->frames[2][1].position.x, 3.0f);
}

TEST_F(ImportTest, AMorphModelRefusesFramesShorterThanTheBaseAndMissingFiles)
{
    scene.AddObject(Square(0));
    scene.AddObject(Square(20, 3)); // one corner fewer
    ASSERT_TRUE(scene.Save(files.File("short.pbf").c_str()));
    DebugOutputCapture shortFrames;
    EXPECT_EQ(importer.LoadMorphModel(files.File("short.pbf").c_str(), 1.0f), nullptr);
    EXPECT_TRUE(shortFrames.Contains("frame 1")) << shortFrames.Text();
    EXPECT_EQ(importer.LoadMorphModel(nullptr, 1.0f), nullptr);
    EXPECT_EQ(importer.LoadMorphModel(files.File("level.map").c_str(), 1.0f), nullptr);
}
