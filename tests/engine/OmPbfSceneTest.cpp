#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ArchiveTestSupport.h"
#include "PbfTestScenes.h"

using archive_test::WordAt;
using namespace pbftest;

namespace {

// Write, read back, write again: the two files must be identical.
std::vector<uint8_t> RoundTrip(uint32_t version, OmPbfScene& copy)
{
    OmPbfScene scene;
    FillScene(scene, version);
    const std::vector<uint8_t> bytes = Write(scene);
    OmMemoryFile in(bytes.data(), bytes.size());
    EXPECT_TRUE(copy.Serialise(in));
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(Write(copy), bytes);
    return bytes;
}

void ExpectTree(const OmPbfScene& scene)
{
    const OmPbfNode& root = scene.root;
    EXPECT_STREQ(root.name.CStr(), "root");
    ASSERT_TRUE(root.child);
    ASSERT_TRUE(root.child->sibling);
    ASSERT_TRUE(root.child->child);
    ASSERT_TRUE(root.child->child->sibling);
    const OmPbfNode* grandchild2 = root.child->child->sibling;
    EXPECT_EQ(root.child->sibling->object, 2);
    EXPECT_EQ(root.child->child->object, 5);
    EXPECT_EQ(grandchild2->object, -1);
    EXPECT_EQ(grandchild2->parent, root.child);
    EXPECT_EQ(root.child->sibling->parent, &root);
    EXPECT_FALSE(grandchild2->sibling);
}

bool Read(const std::vector<uint8_t>& bytes, OmPbfScene& scene)
{
    OmMemoryFile in(bytes.data(), bytes.size());
    return scene.Serialise(in);
}

std::vector<uint8_t> FullSceneBytes()
{
    OmPbfScene full;
    FillScene(full, 4);
    return Write(full);
}

void PutWords(std::vector<uint8_t>& bytes, std::initializer_list<uint32_t> words)
{
    for (uint32_t w : words)
        bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&w), reinterpret_cast<const uint8_t*>(&w) + 4);
}

} // namespace

TEST(OmPbfSceneTest, EveryVersionRoundTripsByteForByteWithItsOwnDifferences)
{
    OmPbfScene copies[5];
    size_t sizes[5] = {};
    for (uint32_t version = 1; version <= 4; ++version) {
        SCOPED_TRACE(version);
        sizes[version] = RoundTrip(version, copies[version]).size();
        ExpectTree(copies[version]);
    }
    // Version 1 lacks the corner list's count and capacity, 2 the ambient colour.
    EXPECT_EQ(sizes[1] + 8, sizes[2]);
    EXPECT_EQ(sizes[2] + 16, sizes[3]);

    const OmPbfScene& v4 = copies[4];
    ASSERT_EQ(v4.objects.Count(), 6);
    EXPECT_EQ(v4.objects.At(3)->type, uint32_t(kPbfMarker));
    EXPECT_STREQ(v4.materials[1].layers[0].name.CStr(), "water.ifl");
    EXPECT_NE(v4.materials[1].layers[0].extra, 0u);
    OmPbfScene fresh;
    FillScene(fresh, 4);
    const auto* max = static_cast<const OmPbfMaxLightRecord*>(v4.objects.At(5));
    const auto* original = static_cast<const OmPbfMaxLightRecord*>(fresh.objects.At(5));
    EXPECT_STREQ(max->mapName.CStr(), original->mapName.CStr());
    EXPECT_EQ(max->value5, original->value5);
    EXPECT_EQ(v4.ambient.a, fresh.ambient.a);

    // Version 3 keeps names alone: an image list becomes an animated layer.
    const auto& plain = copies[3].materials[0].layers;
    const auto& list = copies[3].materials[1].layers;
    ASSERT_EQ(plain.count, 1);
    ASSERT_EQ(plain.capacity, 1);
    EXPECT_EQ(plain[0].animated, 0);
    EXPECT_EQ(plain[0].startFrame, 0);
    EXPECT_EQ(list[0].animated, 1);
    EXPECT_EQ(list[0].extra, 0u);
    EXPECT_EQ(copies[2].ambient.r, 0.04f);
    EXPECT_EQ(copies[2].ambient.a, 1.0f);

    OmPbfScene version1;
    FillScene(version1, 1);
    const auto* mesh = static_cast<const OmPbfMeshRecord*>(copies[1].objects.At(0));
    const auto* source = static_cast<const OmPbfMeshRecord*>(version1.objects.At(0));
    EXPECT_EQ(mesh->faces[0].corners[2].texCoord, source->faces[0].corners[2].texCoord);
    EXPECT_EQ(mesh->faces[0].material, source->faces[0].material);
}

TEST(OmPbfSceneTest, ASaveToAFullDiskFailsAndSaysSo)
{
    OmPbfScene scene;
    FillScene(scene, 4);
    DebugOutputCapture errors; // the scene is small enough to wait in the stdio buffer until closing
    EXPECT_FALSE(scene.Save("/dev/full"));
    EXPECT_TRUE(errors.Contains("could not be written")) << errors.Text();
}

TEST(OmPbfSceneTest, LayoutOfStringsAnEmptySceneAndBones)
{
    OmPbfScene empty;
    const std::vector<uint8_t> bytes = Write(empty);
    // Version, materials (0, 0), objects (0, 8), root, ambient.
    const size_t rootBytes = 4 + 1 + 4 + 64 + 8 + 8 + 1 + 1;
    ASSERT_EQ(bytes.size(), 4 + 8 + 8 + rootBytes + 16);
    EXPECT_EQ(WordAt(bytes, 0), 4u);
    EXPECT_EQ(WordAt(bytes, 16), 8u);

    OmPbfString s("hello");
    OmMemoryFile out;
    s.Serialise(out);
    ASSERT_EQ(out.Bytes().size(), 10u);
    EXPECT_EQ(out.Bytes()[9], 0);

    OmPbfBoneRecord bone;
    OmMemoryFile boneOut;
    bone.Serialise(boneOut);
    EXPECT_EQ(boneOut.Bytes().size(), 4u + 5 + 12 + 4 * 64 + 12);
}

// Version 4, no materials, two objects: a type without a reader, then
// (read as the next type) a marker. Their entries stay empty.
TEST(OmPbfSceneTest, ObjectTypesWithoutAReaderLeaveEmptyEntries)
{
    OmPbfScene empty;
    std::vector<uint8_t> objects;
    PutWords(objects, {4, 0, 0, 2, 8, 4, 3});
    OmMemoryFile rootOut;
    empty.root.Serialise(rootOut);
    objects.insert(objects.end(), rootOut.Bytes().begin(), rootOut.Bytes().end());
    PutWords(objects, {0, 0, 0, 0}); // the ambient colour
    OmPbfScene scene;
    ASSERT_TRUE(Read(objects, scene));
    ASSERT_EQ(scene.objects.Count(), 2);
    ASSERT_TRUE(scene.objects.At(1));
    EXPECT_EQ(scene.objects.At(1)->type, uint32_t(kPbfMarker));
    EXPECT_FALSE(scene.objects.At(0));
    EXPECT_FALSE(scene.objects.At(2));
    EXPECT_FALSE(scene.objects.At(-1));
    // Written back, the empty entry keeps the marker at index 1.
    EXPECT_EQ(Write(scene), objects);
}

TEST(OmPbfSceneTest, AGenerousReserveLoadsWithoutTakingItsRoom)
{
    // Material capacity at offset 8.
    const std::vector<uint8_t> reserved = archive_test::Patched(FullSceneBytes(), 8, 1000000);
    OmPbfScene roomy;
    ASSERT_TRUE(Read(reserved, roomy));
    EXPECT_EQ(roomy.materials.count, 2);
    EXPECT_LE(roomy.materials.capacity, 2 * roomy.materials.count + 64);
    ExpectTree(roomy);
}

TEST(OmPbfSceneTest, EveryTruncationAndEveryLyingCountFailWithAnErrorAndAnEmptyScene)
{
    const std::vector<uint8_t> good = FullSceneBytes();
    // Offsets into the file: material count/capacity at 4/8, the first
    // material's layer count at 13 and its first layer's name length at 21.
    const struct {
        size_t offset;
        uint32_t value;
        const char* what;
    } lies[] = {
        {4, 3, "more materials than room"},
        {8, 0x80000000, "room no list can have"},
        {4, 0x10000000, "a count the file cannot hold"},
        {21, 0xFFFFFFFF, "a string longer than any name"},
        {21, 4000, "a string running past the end"},
        {13, 0x7FFFFFFF, "a layer count the file cannot hold"},
    };
    std::vector<std::pair<std::vector<uint8_t>, std::string>> damaged;
    for (size_t cut = 0; cut < good.size(); ++cut)
        damaged.emplace_back(std::vector<uint8_t>(good.begin(), good.begin() + long(cut)), std::to_string(cut));
    for (const auto& lie : lies)
        damaged.emplace_back(archive_test::Patched(good, lie.offset, lie.value), lie.what);
    for (const auto& [bytes, what] : damaged) {
        DebugOutputCapture errors;
        OmPbfScene scene;
        ASSERT_FALSE(Read(bytes, scene)) << what;
        ASSERT_TRUE(errors.Contains("** ERROR **")) << what;
        EXPECT_EQ(scene.objects.Count(), 0) << what;
        EXPECT_FALSE(scene.root.child) << what;
    }
}

TEST(OmPbfSceneTest, VersionZeroAndAFaceOfFourCornersAreRefused)
{
    DebugOutputCapture errors;
    OmPbfScene scene;
    EXPECT_FALSE(Read(std::vector<uint8_t>(64, 0), scene)); // version 0
    EXPECT_TRUE(errors.Contains("PBF: Incompatible file versions\n"));
    EXPECT_EQ(scene.materials.count, 0);
    EXPECT_EQ(scene.objects.Count(), 0);

    auto mesh = std::make_unique<OmPbfMeshRecord>();
    mesh->faces.Append()->corners.Append(); // a face of four corners
    scene.AddObject(std::move(mesh));
    OmPbfScene copy;
    EXPECT_FALSE(Read(Write(scene), copy));
    EXPECT_TRUE(errors.Contains("4 corners"));
}

TEST(OmPbfSceneTest, LongSiblingAndChildChainsNeedNoDeepStack)
{
    constexpr int kNodes = 200000;
    OmPbfScene chain;
    OmPbfNode* last = nullptr;
    for (int i = 0; i < kNodes; ++i) {
        auto* node = new OmPbfNode();
        node->object = i;
        if (last)
            last->sibling = node, node->parent = &chain.root;
        else
            chain.root.AddChild(node);
        last = node;
    }
    // A chain of children hangs off the last sibling.
    OmPbfNode* deep = last;
    for (int i = 0; i < kNodes / 4; ++i) {
        auto* node = new OmPbfNode();
        node->object = kNodes + i;
        deep->child = node;
        node->parent = deep;
        deep = node;
    }
    EXPECT_EQ(chain.root.FindByObject(kNodes - 1), last);
    const std::vector<uint8_t> chainBytes = Write(chain);
    OmPbfScene chainCopy;
    ASSERT_TRUE(Read(chainBytes, chainCopy));
    ASSERT_EQ(Write(chainCopy), chainBytes);
    EXPECT_NE(chainCopy.root.FindByObject(kNodes + kNodes / 4 - 1), nullptr);
}
