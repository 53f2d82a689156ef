#include <gtest/gtest.h>

#include <vector>

#include "engine/OmMaterial.h"
#include "engine/OmRef.h"
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
    for (int32_t id : ids)
        layer.frames.Add(id);
    return layer;
}

// A material with every saved field away from its default.
OmRef<OmMaterial> MakeMaterial()
{
    auto m = OmMakeRef<OmMaterial>(OmColour(0.1f, 0.2f, 0.3f, 0.4f), OmColour(0.5f, 0.6f, 0.7f, 0.8f),
                                   OmColour(0.9f, 1.0f, 0.25f, 0.5f), OmColour(0.75f, 0, 1, 0.125f), 12.5f, 1.0f, 288);
    m->flags = 1;
    m->layers.Add(MakeLayer({4, 5, 6}, true, 1, 0.5f));
    m->layers.Add(MakeLayer({9}, false));
    return m;
}

} // namespace

TEST(OmMaterialLayer, FramesAdvanceThirtyTimesTheRateAndWrapInsideTheList)
{
    const struct {
        const char* name;
        OmMaterialLayer layer;
        float time;
        bool enabled;
        int32_t frame;
    } cases[] = {
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
    for (const auto& c : cases)
        EXPECT_EQ(c.layer.GetFrameTexture(c.time, c.enabled), c.frame) << c.name;
    const int32_t huge = cases[0].layer.GetFrameTexture(1e30f, true);
    EXPECT_TRUE(huge >= 10 && huge <= 13) << "huge times still land in the list: " << huge;
}

TEST(OmTextureResource, ACopyOwnsItsPixelsAndItsFileName)
{
    const uint32_t data[4] = {0xFF0000FFu, 0x00FF00FFu, 0x0000FFFFu, 0xFFFFFFFFu};
    auto original = OmMakeRef<OmTextureResource>();
    original->SetPixels(data, 4);
    original->format = 21;
    const auto copy = OmMakeRef<OmTextureResource>(*original);
    ASSERT_TRUE(copy->pixels);
    ASSERT_NE(copy->pixels, original->pixels);
    EXPECT_EQ(copy->mipLevels, 4);
    EXPECT_EQ(copy->format, 21u);
    EXPECT_TRUE(copy->IsEqual(*original));
    // Both free their blocks; the copy's must outlive the original.
    original = nullptr;
    EXPECT_EQ(copy->pixels[3], 0xFFFFFFFFu);

    auto named = OmMakeRef<OmTextureResource>("data\\FX\\blob2.tga", 1, 1);
    const auto namedCopy = OmMakeRef<OmTextureResource>(*named);
    named = nullptr;
    EXPECT_STREQ(namedCopy->fileName, "data\\FX\\blob2.tga");
}

TEST(OmResourceArchive, AMaterialWithImpossibleCountsFailsToLoad)
{
    const TestFile path("material");
    {
        const OmRef<OmMaterial> material = MakeMaterial();
        ASSERT_TRUE(SaveRoots(path, {material.Get()}));
    }
    const std::vector<unsigned char> good = ReadFile(path);
    // The material is the last record: 16 colour floats, power, blend mode
    // and flag (76 bytes), the layer count, then the layers (16 bytes each
    // plus their frames: 3 and 1).
    const size_t materialBytes = 76 + 4 + 16 * 2 + 4 * 4;
    ASSERT_GT(good.size(), materialBytes);
    const size_t layerCountAt = good.size() - materialBytes + 76;
    const size_t frameCountAt = layerCountAt + 4 + 12;
    ASSERT_EQ(WordAt(good, layerCountAt), 2u);
    ASSERT_EQ(WordAt(good, frameCountAt), 3u);

    DebugOutputCapture errors;
    EXPECT_FALSE(LoadBytes(path, Patched(good, layerCountAt, 0x7FFFFFFFu)).ok);
    EXPECT_TRUE(errors.Contains("layer count")) << errors.Text();
    EXPECT_FALSE(LoadBytes(path, Patched(good, frameCountAt, 0x40000003u)).ok);
    EXPECT_FALSE(LoadBytes(path, std::vector<unsigned char>(good.begin(), good.end() - 3)).ok);
}
