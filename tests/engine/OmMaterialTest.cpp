#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmMaterial.h"
#include "engine/OmTextureResource.h"
#include "tests/engine/ArchiveTestSupport.h"

using namespace archive_test;

namespace {

OmMaterialLayer MakeLayer(std::initializer_list<int32_t> ids, bool animated, int32_t start = 0, float rate = 1.0f)
{
    OmMaterialLayer layer;
    layer.animated = animated ? 1 : 0;
    layer.startFrame = start;
    layer.frameRate = rate;
    for (int32_t id : ids) {
        layer.frames.Add(id);
    }
    return layer;
}

// A material with every saved field away from its default.
OmMaterial* MakeMaterial()
{
    OmMaterial* m = new OmMaterial(OmColour(0.1f, 0.2f, 0.3f, 0.4f), OmColour(0.5f, 0.6f, 0.7f, 0.8f),
                                   OmColour(0.9f, 1.0f, 0.25f, 0.5f), OmColour(0.75f, 0, 1, 0.125f), 12.5f, 1.0f, 288);
    m->flags = 1;
    m->layers.Add(MakeLayer({4, 5, 6}, true, 1, 0.5f));
    m->layers.Add(MakeLayer({9}, false));
    return m;
}

class OmResourceArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        OmClassRegistry::Instance().AssignClassIds();
        path_ = ::testing::TempDir() + "resource_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".arc";
    }
    void TearDown() override { std::remove(path_.c_str()); }

    bool Save(OmObject* root)
    {
        OmArchive archive(OmClassRegistry::Instance());
        archive.AddRoot(root);
        return archive.Save(path_.c_str());
    }

    // Loads the one root; the caller owns the result (count 0 as loaded).
    template <class T>
    T* Load()
    {
        OmArchive archive(OmClassRegistry::Instance());
        if (!archive.Load(path_.c_str()) || archive.GetRootCount() != 1) {
            return nullptr;
        }
        T* object = T::Cast(archive.GetRoot(0));
        if (object) {
            object->AddRef(); // the count is not part of the saved data
        }
        return object;
    }

    std::string path_;
};

} // namespace

TEST(OmMaterialLayer, FramesAdvanceThirtyTimesTheRateWrapAndStayInsideTheList)
{
    struct Case {
        const char* name;
        OmMaterialLayer layer;
        float time;
        bool enabled;
        int32_t frame;
    };
    const Case cases[] = {
        {"start", MakeLayer({10, 11, 12, 13}, true), 0.0f, true, 10},
        {"1.5 frames", MakeLayer({10, 11, 12, 13}, true), 0.05f, true, 11},
        {"4.2 wraps to 0", MakeLayer({10, 11, 12, 13}, true), 0.14f, true, 10},
        {"animation switched off", MakeLayer({10, 11, 12, 13}, true), 0.1f, false, 10},
        // 0.05 * 2 * 30 = 3, plus start frame 2 = 5, mod 4 = 1.
        {"rate and start frame", MakeLayer({10, 11, 12, 13}, true, 2, 2.0f), 0.05f, true, 11},
        // A negative time wraps backwards instead of indexing before the list.
        {"negative time", MakeLayer({10, 11, 12, 13}, true), -0.05f, true, 13},
        {"still layer", MakeLayer({10, 11, 12}, false, 2), 7.3f, true, 12},
        {"no frames", MakeLayer({}, true), 0.5f, true, -1},
        {"start past the list", MakeLayer({10}, false, 5), 0.0f, true, -1},
        {"negative start", MakeLayer({10}, false, -1), 0.0f, true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.layer.GetFrameTexture(c.time, c.enabled), c.frame);
    }
    const int32_t huge = cases[0].layer.GetFrameTexture(1e30f, true);
    EXPECT_TRUE(huge >= 10 && huge <= 13) << "huge times still land in the list: " << huge;
}

TEST(OmMaterial, AlphaModesIgnoreTheFlagBit)
{
    OmMaterial m;
    for (uint32_t mode : {32u, 47u, 63u, 288u, 319u}) {
        m.blendMode = mode;
        EXPECT_TRUE(m.IsAlpha()) << mode;
    }
    for (uint32_t mode : {0u, 31u, 64u, 66u, 256u, 287u, 320u}) {
        m.blendMode = mode;
        EXPECT_FALSE(m.IsAlpha()) << mode;
    }
}

TEST(OmMaterial, EqualityComparesEverythingButTheFlagByte)
{
    OmMaterial* a = MakeMaterial();
    const std::pair<const char*, void (*)(OmMaterial&)> changes[] = {
        {"factor", [](OmMaterial& m) { m.factor = 2.0f; }},
        {"a colour", [](OmMaterial& m) { m.specular.b = 0.26f; }},
        {"a frame", [](OmMaterial& m) { m.layers[0].frames[2] = 7; }},
        {"a layer's animation", [](OmMaterial& m) { m.layers[1].animated = 1; }},
        {"a layer more", [](OmMaterial& m) { m.layers.Add(MakeLayer({}, false)); }},
    };
    for (auto [what, change] : changes) {
        OmMaterial* b = MakeMaterial();
        b->flags = 0;
        EXPECT_TRUE(a->IsEqual(*b)) << "the flag byte is not compared";
        change(*b);
        EXPECT_FALSE(a->IsEqual(*b)) << what;
        EXPECT_FALSE(b->IsEqual(*a)) << what;
        b->Release();
    }
    a->Release();
}

TEST(OmMaterial, CopiesOwnTheirLayersAndStartWithTheFlagClear)
{
    OmMaterial* original = MakeMaterial();
    original->factor = 3.0f;
    OmMaterial* copy = new OmMaterial(*original);
    EXPECT_TRUE(copy->IsEqual(*original));
    EXPECT_EQ(copy->flags, 0);
    EXPECT_EQ(copy->GetRefCount(), 1u);
    EXPECT_EQ(copy->layers.GetGrowStep(), 64u);
    EXPECT_EQ(original->layers.GetGrowStep(), 2u);
    // Changing the original's frames leaves the copy's alone.
    original->layers[0].frames[0] = 99;
    EXPECT_EQ(copy->layers[0].frames[0], 4);
    original->Release();
    EXPECT_EQ(copy->layers[0].GetFrameTexture(0.0f, false), 5);
    copy->Release();
}

TEST(OmTextureResource, CopiesOwnTheirPixels)
{
    const uint32_t data[4] = {0xFF0000FFu, 0x00FF00FFu, 0x0000FFFFu, 0xFFFFFFFFu};
    OmTextureResource* original = new OmTextureResource();
    original->SetPixels(data, 4);
    original->format = 21;
    OmTextureResource* copy = new OmTextureResource(*original);
    ASSERT_NE(copy->pixels, nullptr);
    EXPECT_NE(copy->pixels, original->pixels);
    EXPECT_EQ(copy->mipLevels, 4);
    EXPECT_EQ(copy->format, 21u);
    EXPECT_TRUE(copy->IsEqual(*original));
    // Both free their blocks; the copy's must outlive the original.
    original->Release();
    EXPECT_EQ(copy->pixels[3], 0xFFFFFFFFu);
    copy->Release();

    OmTextureResource* named = new OmTextureResource("data\\FX\\blob2.tga", 1, 1);
    OmTextureResource* namedCopy = new OmTextureResource(*named);
    named->Release();
    EXPECT_STREQ(namedCopy->fileName, "data\\FX\\blob2.tga");
    namedCopy->Release();
}

TEST(OmTextureResource, EqualityByNameSettingsAndTheAnyFormatWord)
{
    OmTextureResource registered("data\\FX\\blob2.tga", -1, 1);
    registered.format = 5;
    OmTextureResource wanted("data\\FX\\blob2.tga", -1, 1);
    EXPECT_TRUE(registered.IsEqual(wanted)) << "a format of 0 in the wanted one matches any";
    EXPECT_FALSE(wanted.IsEqual(registered)) << "but not the reverse";
    wanted.format = 6;
    EXPECT_FALSE(registered.IsEqual(wanted));
    wanted.format = 0;
    wanted.enabled = 0;
    EXPECT_FALSE(registered.IsEqual(wanted));
    // Names compare with case; mip levels and the flag count.
    for (const OmTextureResource& other : {OmTextureResource("data\\FX\\Blob2.tga", -1, 1),
                                           OmTextureResource("data\\FX\\blob2.tga", 1, 1),
                                           OmTextureResource("data\\FX\\blob2.tga", -1, 0)})
        EXPECT_FALSE(registered.IsEqual(other)) << other.fileName << " " << other.mipLevels;
    OmTextureResource unnamed;
    unnamed.mipLevels = -1;
    EXPECT_FALSE(registered.IsEqual(unnamed) || unnamed.IsEqual(registered));
}

TEST(OmTextureResource, MemoryTexturesComparePixelsAndSurviveMissingOnes)
{
    const uint32_t a[3] = {1, 2, 3};
    const uint32_t b[3] = {1, 2, 4};
    OmTextureResource first, second, third, loadedLike;
    first.SetPixels(a, 3);
    second.SetPixels(a, 3);
    third.SetPixels(b, 3);
    EXPECT_TRUE(first.IsEqual(second));
    EXPECT_FALSE(first.IsEqual(third));
    // As read from an archive: the word count but no pixels.
    loadedLike.mipLevels = 3;
    EXPECT_FALSE(first.IsEqual(loadedLike));
    EXPECT_FALSE(loadedLike.IsEqual(first));
    OmTextureResource loadedToo;
    loadedToo.mipLevels = 3;
    EXPECT_TRUE(loadedLike.IsEqual(loadedToo));

    first.SetPixels(nullptr, 0);
    EXPECT_EQ(first.pixels, nullptr);
    EXPECT_EQ(first.mipLevels, 0);
}

TEST_F(OmResourceArchive, MaterialRoundTripKeepsSavedFieldsOnly)
{
    OmMaterial* original = MakeMaterial();
    original->SetName("not saved");
    ASSERT_TRUE(Save(original));
    OmMaterial* loaded = Load<OmMaterial>();
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->IsEqual(*original));
    EXPECT_EQ(loaded->flags, 1);
    EXPECT_EQ(loaded->layers[0].frames[1], 5) << "without a renderer ids travel unchanged";
    EXPECT_EQ(loaded->layers.GetGrowStep(), 64u);
    EXPECT_EQ(loaded->GetName(), nullptr);
    loaded->Release();

    // The second factor is not saved: it comes back as 1.
    original->factor = 4.0f;
    ASSERT_TRUE(Save(original));
    loaded = Load<OmMaterial>();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->factor, 1.0f);
    EXPECT_FALSE(loaded->IsEqual(*original));
    loaded->Release();
    original->Release();
}

TEST_F(OmResourceArchive, MaterialWithImpossibleCountsFailsToLoad)
{
    OmMaterial* original = MakeMaterial();
    ASSERT_TRUE(Save(original));
    original->Release();
    const std::vector<unsigned char> good = ReadFile(path_);
    // The material is the last record: 16 colour floats, power, blend mode
    // and flag (76 bytes), the layer count, then the layers (16 bytes each
    // plus their frames: 3 and 1).
    const size_t materialBytes = 76 + 4 + 16 * 2 + 4 * 4;
    ASSERT_GT(good.size(), materialBytes);
    const size_t layerCountAt = good.size() - materialBytes + 76;
    const size_t frameCountAt = layerCountAt + 4 + 12;
    ASSERT_EQ(WordAt(good, layerCountAt), 2u);
    ASSERT_EQ(WordAt(good, frameCountAt), 3u);

    ErrorCapture errors;
    auto expectRefused = [&](std::vector<unsigned char> bytes, const char* why) {
        WriteFile(path_, bytes);
        EXPECT_EQ(Load<OmMaterial>(), nullptr) << why;
    };
    std::vector<unsigned char> bad = good;
    SetWord(bad, layerCountAt, 0x7FFFFFFFu);
    expectRefused(bad, "layer count");
    EXPECT_TRUE(errors.Contains("layer count")) << errors.Text();
    bad = good;
    SetWord(bad, frameCountAt, 0x40000003u);
    expectRefused(bad, "frame count");
    expectRefused(std::vector<unsigned char>(good.begin(), good.end() - 3), "cut");
}

TEST_F(OmResourceArchive, TextureRoundTripKeepsTheDescriptionButNotThePixels)
{
    OmTextureResource* named = new OmTextureResource("data\\FX\\blob2.tga", -1, 1);
    named->format = 7;
    ASSERT_TRUE(Save(named));
    OmTextureResource* loaded = Load<OmTextureResource>();
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(loaded->fileName, "data\\FX\\blob2.tga");
    EXPECT_EQ(loaded->mipLevels, -1);
    EXPECT_EQ(loaded->flags, 1);
    EXPECT_EQ(loaded->format, 7u);
    EXPECT_EQ(loaded->enabled, 1u);
    EXPECT_EQ(loaded->loaded, 0);
    EXPECT_TRUE(named->IsEqual(*loaded));
    loaded->Release();
    named->Release();

    const uint32_t data[2] = {0x11223344u, 0x55667788u};
    OmTextureResource* memory = new OmTextureResource();
    memory->SetPixels(data, 2);
    ASSERT_TRUE(Save(memory));
    loaded = Load<OmTextureResource>();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->fileName, nullptr);
    EXPECT_EQ(loaded->pixels, nullptr);
    EXPECT_EQ(loaded->mipLevels, 2);
    EXPECT_FALSE(memory->IsEqual(*loaded));
    EXPECT_FALSE(loaded->IsEqual(*memory));
    loaded->Release();
    memory->Release();
}
