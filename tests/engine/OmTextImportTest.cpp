#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TextFiles.h"
#include "engine/OmAnimationText.h"
#include "engine/OmBoneText.h"
#include "engine/OmBrushMap.h"
#include "engine/OmPbfScene.h"
#include "tests/platform/DebugOutputCapture.h"

using texttest::Bone;
using texttest::Influences;
using texttest::TempFile;

namespace {

const char kIdentity[] = "1 0 0\n0 1 0\n0 0 1\n";

// Four bones: 0 a root with children 1 and 2 (in that order, 3 after them),
// 3 a second root.
std::string FourBones()
{
    return std::string("4\n2\n") + Bone(0, "Pelvis", -1, "10 20 30") + Bone(1, "LeftLeg", 0, "10 20 40") +
           Bone(2, "RightLeg", 0, "0 0 0") + Bone(3, "A name far longer than thirty-one characters", -1, "0 0 0");
}

const OmPbfBoneRecord& BoneAt(const OmPbfScene& scene, int i)
{
    return *static_cast<const OmPbfBoneRecord*>(scene.objects.At(i));
}

OmPbfMeshRecord MeshOf(int positions)
{
    OmPbfMeshRecord mesh;
    for (int i = 0; i < positions; ++i)
        mesh.positions.Add(OmVector3());
    return mesh;
}

// Each bone's block: a line of three floats, four lines skipped, then matrix rows 0, 2, 1, 3.
std::string Animation(int bones, int frames, const char* kind, const std::string& translation = "1 2 3")
{
    std::string text = std::to_string(bones) + "\n0\n" + std::to_string(frames) + "\nheader\n" + kind +
                       " motion\n1\n2\n3\n4\n5\n6\n";
    for (int f = 0; f < frames; ++f) {
        text += "// Frame # " + std::to_string(f) + "\n";
        for (int b = 0; b < bones; ++b)
            text += "0 0 0\nx\nx\nx\nx\n" + std::string(kIdentity) + translation + "\n";
    }
    return text;
}

// A box brush from (-64, -64, -16) to (64, 64, 16) with the points of each
// plane listed as the level editor writes them, plus optional extra planes.
std::string BoxBrush(const std::string& extra = "")
{
    return "{\r\n"
           "( -64 -64 -16 ) ( -64 -63 -16 ) ( -64 -64 -15 ) stone 0 0 0 1 1\r\n"
           "( -64 -64 -16 ) ( -64 -64 -15 ) ( -63 -64 -16 ) stone 0 0 0 1 1\r\n"
           "( -64 -64 -16 ) ( -63 -64 -16 ) ( -64 -63 -16 ) stone 0 0 0 1 1\r\n"
           "( 64 64 16 ) ( 64 65 16 ) ( 65 64 16 ) stone 0 0 0 1 1\r\n"
           "( 64 64 16 ) ( 65 64 16 ) ( 64 64 17 ) stone 0 0 0 1 1\r\n"
           "( 64 64 16 ) ( 64 64 17 ) ( 64 65 16 ) stone 0 0 0 1 1\r\n" +
           extra + "}\r\n";
}

OmPbfMeshRecord* ReadMap(OmPbfScene& scene, const std::string& text, const char* name)
{
    TempFile file(name, text);
    OmBrushFile brush;
    EXPECT_TRUE(brush.Open(file.Path()));
    ReadBrushMap(scene, brush, kBrushMapScale);
    return static_cast<OmPbfMeshRecord*>(scene.objects.At(0));
}

} // namespace

TEST(OmBoneTextTest, BonesLinkNamesAxesAndBindMatrices)
{
    TempFile file("bones.txt", FourBones());
    OmPbfScene scene;
    ASSERT_TRUE(ReadBonesFromFile(scene, file.Path(), 0.1f));
    ASSERT_EQ(scene.objects.Count(), 4);
    const OmPbfBoneRecord& root = BoneAt(scene, 0);
    EXPECT_STREQ(root.name.CStr(), "Pelvis");
    EXPECT_EQ(root.firstChild, 1);
    EXPECT_EQ(BoneAt(scene, 1).nextSibling, 2);
    EXPECT_EQ(BoneAt(scene, 2).nextSibling, -1);
    EXPECT_EQ(BoneAt(scene, 3).parent, -1);
    EXPECT_EQ(BoneAt(scene, 3).firstChild, -1);
    EXPECT_EQ(BoneAt(scene, 3).name.Length(), 31u);
    // Z-up (1, 2, 3) is Y-up (1, 3, 2); translations are scaled.
    EXPECT_EQ(root.pivot.y, 3.0f);
    EXPECT_EQ(root.bindMatrix.m[13], 3.0f);
    EXPECT_EQ(root.bindMatrix.m[14], 2.0f);
    EXPECT_FLOAT_EQ(root.inverseBind.m[12], -1.0f);
    // The leg sits 1 unit (file z 10) above the pelvis in its parent's frame.
    EXPECT_TRUE(OmVector3::NearlyEqual(BoneAt(scene, 1).localTranslation, OmVector3(0, 1, 0), 1e-5f));
    EXPECT_FLOAT_EQ(root.localTranslation.x, 1.0f);
}

TEST(OmBoneTextTest, MalformedBoneFilesFailWithoutRecords)
{
    const std::string good = FourBones();
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"0\n2\n", "Invalid number of bones (0)"},
        {"2\n0\n", "Invalid number of verts (0)"},
        {"1\n2\n" + Bone(1, "Wrong", -1, "0 0 0"), "Bone number doesn't match"},
        {"1\n2\n" + Bone(0, "Self", 0, "0 0 0"), "invalid parent (0)"},
        {"1\n2\n" + Bone(0, "Past", 1, "0 0 0"), "invalid parent (1)"},
        {"2\n2\n" + Bone(0, "A", 1, "0 0 0") + Bone(1, "B", 0, "0 0 0"), "loop"},
        {good.substr(0, good.size() / 2), "Error in ReadBonesFromFile"},
        {"1\n2\n// Bone # 0\nno name here\n-1\n", "Error in ReadBonesFromFile"},
    };
    for (const auto& c : cases) {
        TempFile file("bones.txt", c.text);
        DebugOutputCapture errors;
        OmPbfScene scene;
        EXPECT_FALSE(ReadBonesFromFile(scene, file.Path(), 1.0f) || scene.objects.Count()) << c.text;
        EXPECT_TRUE(errors.Contains(c.error)) << c.error << " in " << errors.Text();
    }
}

TEST(OmBoneTextTest, SkinWeightsKeepTheFourStrongestAndNeverDivideByZero)
{
    const std::string text = FourBones() + "// Vertex list\n" + Influences({{1, 0.25f}, {2, 0.75f}}) +
                             Influences({{0, 0.1f}, {1, -0.4f}, {2, 0.05f}, {3, 0.3f}, {0, 0.2f}, {1, 0.0f}}) +
                             Influences({{0, 0.5f}, {1, -0.5f}, {2, 0}, {3, 0}, {0, 0}});
    TempFile weightsFile("weights.txt", text);
    OmPbfMeshRecord mesh = MeshOf(3);
    ASSERT_TRUE(ReadSkinWeights(mesh, weightsFile.Path(), 4));
    ASSERT_EQ(mesh.skinWeights.count, 3);
    const OmPbfSkinWeight& two = mesh.skinWeights[0];
    EXPECT_EQ(two.weight[0], 0.25f);
    EXPECT_EQ(two.bone[1], 2u);
    EXPECT_EQ(two.weight[2], 0.0f);
    // Magnitudes 0.4, 0.3, 0.2, 0.1 kept in that order, summing to 0.2.
    const OmPbfSkinWeight& six = mesh.skinWeights[1];
    EXPECT_EQ(six.bone[0], 1u);
    EXPECT_EQ(six.bone[1], 3u);
    EXPECT_EQ(six.bone[2], 0u);
    EXPECT_NEAR(six.weight[0], -0.4f / 0.2f, 1e-4f);
    EXPECT_NEAR(six.weight[3], 0.1f / 0.2f, 1e-4f);
    // Two weights that cancel: kept as read, not divided by zero.
    const OmPbfSkinWeight& cancel = mesh.skinWeights[2];
    EXPECT_EQ(cancel.weight[0], 0.5f);
    EXPECT_EQ(cancel.weight[1], -0.5f);
    EXPECT_EQ(cancel.weight[2], 0.0f);
}

TEST(OmBoneTextTest, SkinWeightFilesWithoutAListOrWithStrayBonesFail)
{
    const struct {
        std::string text;
        int vertices;
        const char* error;
    } broken[] = {
        {FourBones(), 1, "no vertex list"},
        {"// Vertex list\n" + Influences({{4, 1.0f}}), 1, "names bone 4 of 4"},
        // Two vertices promised, one given: the file ends mid-search.
        {"// Vertex list\n" + Influences({{0, 1.0f}}), 2, "vertex 1 is missing"},
    };
    for (const auto& c : broken) {
        TempFile file("bones.txt", c.text);
        DebugOutputCapture errors;
        OmPbfMeshRecord mesh = MeshOf(c.vertices);
        EXPECT_FALSE(ReadSkinWeights(mesh, file.Path(), 4)) << c.error;
        EXPECT_TRUE(errors.Contains(c.error)) << errors.Text();
    }
    OmPbfMeshRecord mesh = MeshOf(1);
    EXPECT_FALSE(ReadSkinWeights(mesh, "/no/such/bones.txt", 4));
}

TEST(OmAnimationTextTest, RelativeAndAbsoluteFilesGiveKeysPerFrame)
{
    TempFile relative("walk.txt", Animation(2, 3, "Relative"));
    auto anim = LoadAnimationFile(relative.Path(), nullptr, 0.5f, 0.0f, 0);
    ASSERT_NE(anim, nullptr) << GetLastAnimationError();
    EXPECT_EQ(anim->frameCount, 3);
    ASSERT_EQ(anim->rotations.size(), 6u);
    EXPECT_NEAR(anim->duration, 0.1f, 1e-6f);
    // File (1, 2, 3) is (1, 3, 2) Y-up, times the scale.
    EXPECT_EQ(anim->translations[2].y, 1.5f);
    EXPECT_LT(std::fabs(std::fabs(anim->rotations[5].w) - 1.0f), 1e-5f);

    const std::vector<int32_t> parents = {-1, 0};
    TempFile absolute("run.txt", Animation(2, 1, "Absolute"));
    anim = LoadAnimationFile(absolute.Path(), &parents, 1.0f, 1.5707963f, 0);
    ASSERT_NE(anim, nullptr) << GetLastAnimationError();
    // The root turns a quarter about Y; the child is relative to its parent.
    EXPECT_NEAR(std::fabs(anim->rotations[0].y), std::sqrt(0.5f), 1e-4f);
    EXPECT_NEAR(std::fabs(anim->rotations[1].w), 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(anim->translations[0].z, 2.0f);
}

TEST(OmAnimationTextTest, BadAnimationFilesGiveNullAndAReason)
{
    const std::vector<int32_t> parents = {-1, 0};
    const struct {
        std::string text;
        const std::vector<int32_t>* skeleton;
        const char* error;
    } cases[] = {
        {Animation(2, 1, "Absolute"), nullptr, "requires a skeleton!"},
        {Animation(3, 1, "Relative"), &parents, "doesn't match skeleton"},
        {Animation(2, 0, "Relative"), nullptr, "Invalid number of frames"},
        {"2\n0\n-5\n", nullptr, "Invalid number of frames"},
        {"256\n0\n2000000000\n", nullptr, "Invalid number of frames"},
        {Animation(2, 2, "Relative").substr(0, 200), nullptr, "ends or breaks"},
    };
    for (const auto& c : cases) {
        TempFile file("anim.txt", c.text);
        EXPECT_EQ(LoadAnimationFile(file.Path(), c.skeleton, 1.0f, 0.0f, 0), nullptr);
        EXPECT_NE(std::string(GetLastAnimationError()).find(c.error), std::string::npos)
            << c.error << " vs " << GetLastAnimationError();
    }
    EXPECT_TRUE(!LoadAnimationFile(nullptr, nullptr, 1.0f, 0.0f, 0));
    EXPECT_STREQ(GetLastAnimationError(), "No animation file specified");
    EXPECT_TRUE(!LoadAnimationFile("/no/such/anim.txt", nullptr, 1.0f, 0.0f, 0));
    EXPECT_STREQ(GetLastAnimationError(), "Cannot open animation file /no/such/anim.txt");
}

TEST(OmBrushMapTest, ASlopedPlaneClipsTheBoxIntoOutwardFacingTriangles)
{
    // The plane x + y + 4z = 128 (through (64, 0, 16), (0, 64, 16) and
    // (64, 64, 0)) cuts the top corner at x = y = 64: a seventh face.
    OmPbfScene scene;
    const std::string slope = "( 64 0 16 ) ( 0 64 16 ) ( 64 64 0 ) stone 0 0 0 1 1\n";
    OmPbfMeshRecord* mesh = ReadMap(scene, BoxBrush(slope) + "entity\n" + BoxBrush(), "slope.map");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(scene.objects.Count(), 1); // reading stops at "entity"
    EXPECT_EQ(mesh->normals.count, 7);
    // In engine axes (tool x = -z', y = x', z = y', hundredths) every point
    // keeps x' - z' + 4y' <= 1.28, and the cut face lies on the plane.
    int onSlope = 0;
    for (const OmVector3& p : mesh->positions) {
        const float side = p.x - p.z + 4.0f * p.y;
        EXPECT_LE(side, 1.28f + 1e-4f);
        onSlope += std::fabs(side - 1.28f) < 1e-4f;
    }
    // The slope is a triangle; the three faces it cuts become pentagons
    // (two points each on the slope, three triangles each); three quads stay.
    EXPECT_EQ(onSlope, 3 + 3 * 2);
    EXPECT_EQ(mesh->faces.count, 1 + 3 * 3 + 3 * 2);
    // Every triangle faces away from the brush's centre, the origin.
    for (const OmPbfFace& face : mesh->faces) {
        const OmVector3 a = mesh->positions[int32_t(face.corners[0].position)];
        OmVector3 n;
        CrossProduct(mesh->positions[int32_t(face.corners[1].position)] - a,
                     mesh->positions[int32_t(face.corners[2].position)] - a, n);
        EXPECT_GT(n.Dot(a), 0.0f);
        EXPECT_GT(n.Dot(mesh->normals[int32_t(face.corners[0].normal)]), 0.0f);
    }
}

TEST(OmBrushMapTest, AMalformedPlaneIsReportedAndSkipped)
{
    DebugOutputCapture errors;
    OmPbfScene bad;
    OmPbfMeshRecord* mesh = ReadMap(bad, BoxBrush("( 1 2 3 ) ( oops\n"), "bad.map");
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->faces.count, 12);
    ASSERT_TRUE(errors.Contains("malformed plane"));
}

// Only the world's brushes are read: the next entity's heading, written as a
// comment, ends them; the world's own heading before them and other comments,
// brackets and all, are passed over. A plane line is a plane whatever its
// texture is called: "identity" holds "entity", which only ends the brushes
// on a line of its own kind.
TEST(OmTextImport, OnlyTheNextEntityEndsTheWorldsBrushes)
{
    std::string identity = BoxBrush();
    for (size_t at = identity.find("stone"); at != std::string::npos; at = identity.find("stone", at))
        identity.replace(at, 5, "identity");
    const struct {
        const char* name;
        std::string text;
        int32_t brushes;
    } cases[] = {
        {"the next entity's heading", BoxBrush() + "// entity 1\n{\n" + BoxBrush() + "}\n", 1},
        {"the world's own heading first", "// entity 0\n{\n" + BoxBrush() + BoxBrush() + "}\n// entity 1\n", 2},
        {"other comments", "// a wall (north)\n" + BoxBrush() + "// }\n" + BoxBrush(), 2},
        {"a texture name holding entity", identity + BoxBrush() + "entity\n" + BoxBrush(), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DebugOutputCapture errors;
        OmPbfScene scene;
        const OmPbfMeshRecord* first = ReadMap(scene, c.text, "entities.map");
        ASSERT_TRUE(first);
        EXPECT_EQ(first->faces.count, 12);
        EXPECT_EQ(scene.objects.Count(), c.brushes);
        EXPECT_FALSE(errors.Contains("malformed plane"));
    }
}
