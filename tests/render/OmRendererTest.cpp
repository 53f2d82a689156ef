// The device-independent part of the renderer: material and texture
// registries, screen texts, debug lines and blend classes. No device is
// opened; the renderer object works without one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/OmClass.h"
#include "engine/OmMaterial.h"
#include "engine/OmTextureResource.h"
#include "render/OmD3D.h"

namespace {

class TextRecorder : public OmD3D {
public:
    void DrawText(float x, float y, const char* text, const float*, float) override
    {
        drawn.push_back(std::to_string(x) + "," + std::to_string(y) + ":" + text);
    }
    std::vector<std::string> drawn;
};

OmMaterial MaterialWithFrames(std::vector<int32_t> frames, uint32_t blend = 0)
{
    OmMaterial m(OmColour(1, 1, 1, 1), OmColour(0.5f, 0.5f, 0.5f, 1), OmColour(), OmColour(), 10.0f, 1.0f,
                 blend);
    OmMaterialLayer layer;
    for (int32_t id : frames)
        layer.frames.Add(id);
    m.layers.Add(layer);
    return m;
}

const float kWhite[4] = {1, 1, 1, 1};

} // namespace

TEST(OmRendererTest, EqualMaterialsShareAnIdUntilTheLastRelease)
{
    OmD3D renderer;
    const OmMaterial a = MaterialWithFrames({3, 4});
    const int32_t id = renderer.RegisterMaterial(&a);
    // What equality ignores must not split equal materials: the flag byte,
    // the layer array's capacity, and the sign of a zero.
    OmMaterial d = MaterialWithFrames({3, 4});
    d.flags = 7;
    d.layers[0].frames.Reserve(200);
    d.specular.r = -0.0f;
    ASSERT_TRUE(d.IsEqual(a));
    EXPECT_EQ(renderer.RegisterMaterial(&d), id);
    EXPECT_EQ(renderer.GetMaterial(id)->GetRefCount(), 2u);
    // One texture id or one byte apart: another material.
    OmMaterial b = MaterialWithFrames({3, 5}), c = MaterialWithFrames({3, 4});
    c.power = 11.0f;
    EXPECT_NE(renderer.RegisterMaterial(&b), id);
    EXPECT_NE(renderer.RegisterMaterial(&c), id);

    EXPECT_EQ(renderer.ReleaseMaterial(id), 1);
    EXPECT_NE(renderer.GetMaterial(id), nullptr);
    EXPECT_EQ(renderer.ReleaseMaterial(id), 0);
    EXPECT_EQ(renderer.GetMaterial(id), nullptr);
    EXPECT_EQ(renderer.ReleaseMaterial(id), 0);
    // A freed id is given out again.
    const OmMaterial e = MaterialWithFrames({}, 0x20);
    EXPECT_EQ(renderer.RegisterMaterial(&e), id);
    renderer.ReleaseAllMaterials();
}

TEST(OmRendererTest, ReleasingOneOfTwoMaterialsWithTheSameKeyKeepsTheOther)
{
    // Frames {1, 0} and {0, 2} give the same key.
    const OmMaterial a = MaterialWithFrames({1, 0});
    const OmMaterial b = MaterialWithFrames({0, 2});
    ASSERT_EQ(OmRenderer::HashMaterial(a), OmRenderer::HashMaterial(b));
    OmD3D renderer;
    const int32_t idB = renderer.RegisterMaterial(&b);
    const int32_t idA = renderer.RegisterMaterial(&a);
    ASSERT_NE(idA, idB);
    EXPECT_EQ(renderer.ReleaseMaterial(idA), 0);
    EXPECT_EQ(renderer.RegisterMaterial(&b), idB);
    EXPECT_EQ(renderer.GetMaterial(idB)->GetRefCount(), 2u);
    renderer.ReleaseAllMaterials();
}

TEST(OmRendererTest, TexturesShareIdsAndMaterialsHoldTheirTextures)
{
    OmD3D renderer;
    OmTextureResource stone("stone.tga", -1, 1);
    const int32_t id = renderer.RegisterTexture(&stone);
    OmTextureResource again("stone.tga", -1, 1);
    again.format = 0; // matches whatever format the first one has
    renderer.GetTexture(id)->format = 21;
    EXPECT_EQ(renderer.RegisterTexture(&again), id);
    OmTextureResource other("Stone.tga", -1, 1);
    EXPECT_NE(renderer.RegisterTexture(&other), id);
    EXPECT_EQ(renderer.GetTexture(id)->GetRefCount(), 2u);

    // A material adds a reference to each texture of its layers on every
    // registration and gives them back on every release.
    const OmMaterial m = MaterialWithFrames({id});
    const int32_t mid = renderer.RegisterMaterial(&m);
    EXPECT_EQ(renderer.RegisterMaterial(&m), mid);
    EXPECT_EQ(renderer.GetTexture(id)->GetRefCount(), 3u);
    renderer.ReleaseMaterial(mid);
    EXPECT_EQ(renderer.GetTexture(id)->GetRefCount(), 2u);

    // Everything goes, however many references are held, and the load
    // state returns to "switching".
    renderer.SetLoadState(2);
    renderer.ReleaseAllMaterials();
    renderer.ReleaseAllTextures();
    EXPECT_EQ(renderer.GetTexture(id), nullptr);
    EXPECT_EQ(renderer.GetMaterial(mid), nullptr);
    EXPECT_EQ(renderer.GetLoadState(), 0u);
    EXPECT_EQ(renderer.RegisterTexture(&stone), 0);
    renderer.ReleaseAllTextures();
}

TEST(OmRendererTest, RegistriesSurviveRepeatedModeSwitches)
{
    // A mode switch releases the registries and then drops every pooled
    // object; the renderer lives on through both, twice over.
    OmD3D renderer;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        OmTextureResource texture("wall.tga", -1, 1);
        const int32_t tid = renderer.RegisterTexture(&texture);
        const OmMaterial m = MaterialWithFrames({tid});
        const int32_t mid = renderer.RegisterMaterial(&m);
        EXPECT_EQ(mid, 0);
        EXPECT_EQ(tid, 0);
        EXPECT_TRUE(renderer.GetMaterial(mid)->IsEqual(m));
        renderer.ReleaseAllMaterials();
        renderer.ReleaseAllTextures();
        OmClassRegistry::Instance().FreeAllObjects();
    }
    EXPECT_EQ(renderer.GetMaterialSlotCount(), 0u);
}

TEST(OmRendererTest, QueuedTextsAreCutAndDrawnInOrderUntilCleared)
{
    TextRecorder renderer;
    renderer.DrawQueuedText();
    EXPECT_TRUE(renderer.drawn.empty());
    const std::string longText(300, 'x');
    renderer.QueueText(0.5f, 0.25f, "first", kWhite, 1.0f);
    renderer.QueueText(0.0f, 1.0f, longText.c_str(), kWhite, 2.0f);
    ASSERT_EQ(renderer.GetQueuedTextCount(), 2u);
    EXPECT_EQ(std::string(renderer.GetQueuedText(1).text), std::string(255, 'x'));
    renderer.DrawQueuedText();
    renderer.DrawQueuedText();
    ASSERT_EQ(renderer.drawn.size(), 4u);
    EXPECT_EQ(renderer.drawn[0], "0.500000,0.250000:first");
    EXPECT_EQ(renderer.drawn[2], renderer.drawn[0]);
    renderer.ClearQueuedText();
    renderer.drawn.clear();
    renderer.DrawQueuedText();
    EXPECT_TRUE(renderer.drawn.empty());
}

TEST(OmRendererTest, BlendClassesIgnoreTheTestBit)
{
    OmD3D renderer;
    const std::pair<uint32_t, int> cases[] = {{0, 1},     {0x100, 1}, {0x120, 2}, {0x3F, 2},
                                              {0x40, 4}, {0x41, 4},  {0x142, 4}};
    for (const auto& [mode, expected] : cases)
        EXPECT_EQ(renderer.GetBlendClass(mode), expected) << std::hex << mode;
}

TEST(OmRendererTest, OneRendererAtATime)
{
    EXPECT_EQ(OmD3D::Instance(), nullptr);
    {
        OmD3D renderer;
        EXPECT_EQ(OmD3D::Instance(), &renderer);
        EXPECT_EQ(GetActiveCamera(), renderer.GetCamera());
        EXPECT_NE(GetActiveCamera(), nullptr);
    }
    EXPECT_EQ(OmD3D::Instance(), nullptr);
}
