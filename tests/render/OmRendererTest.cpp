// The device-independent part of the renderer: material and texture
// registries and their way through a saved level, screen texts and blend
// classes. No device is opened; the renderer object works without one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmMaterial.h"
#include "engine/OmTextureResource.h"
#include "render/OmD3D.h"
#include "tests/render/ResourceTestSupport.h"

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
    // What equality ignores must not split equal materials: the layer
    // array's capacity and the sign of a zero.
    OmMaterial d = MaterialWithFrames({3, 4});
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
    // The flag byte too, though material equality ignores it; the registered
    // copy keeps the flag, so registering it again finds it.
    OmMaterial f = MaterialWithFrames({3, 4});
    f.flags = 1;
    ASSERT_TRUE(f.IsEqual(a));
    EXPECT_NE(OmRenderer::HashMaterial(f), OmRenderer::HashMaterial(a));
    const int32_t flagged = renderer.RegisterMaterial(&f);
    EXPECT_NE(flagged, id);
    EXPECT_EQ(renderer.GetMaterial(flagged)->flags, 1);
    EXPECT_EQ(renderer.RegisterMaterial(&f), flagged);
    EXPECT_EQ(renderer.ReleaseMaterial(flagged), 1);

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

// A saved level carries the materials and textures its objects draw with
// through the renderer's registries, and a load registers them again.

// An object that draws with one material id.
class RenderArchiveMesh : public OmObject {
    OM_DECLARE_CLASS(RenderArchiveMesh)

    RenderArchiveMesh() = default;
    explicit RenderArchiveMesh(OmArchive& archive) : OmObject(archive) {}
    bool Register(OmArchive& archive) override
    {
        if (!OmObject::Register(archive))
            return false;
        archive.CountResource(OmArchive::kMaterial, materialId);
        return true;
    }
    void Write(OmArchive& archive) override
    {
        OmObject::Write(archive);
        archive.WriteResource(OmArchive::kMaterial, materialId);
    }
    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        materialId = archive.ReadResource(OmArchive::kMaterial);
    }

    int32_t materialId = -1;
};

OM_IMPLEMENT_CLASS(RenderArchiveMesh, OmObject)

TEST(OmRendererTest, SavedMaterialsAndTexturesTravelThroughTheRegistries)
{
    OmClassRegistry::Instance().AssignClassIds();
    rtest::TempFolder folder("om_render_archive");
    const std::string path = folder.File("level");
    {
        OmD3D renderer;
        OmTextureResource texture("rock.tga", -1, 1);
        OmMaterial material = MaterialWithFrames({renderer.RegisterTexture(&texture)}, 0x20);
        material.power = 3.0f;
        auto* mesh = new RenderArchiveMesh();
        mesh->materialId = renderer.RegisterMaterial(&material);
        OmArchive archive(OmClassRegistry::Instance());
        archive.SetResourceOwner(&renderer.GetResourceOwner());
        archive.AddRoot(mesh);
        ASSERT_TRUE(archive.Save(path.c_str()));
        mesh->Release();
    }

    // The loading renderer already holds other things, so ids differ.
    OmD3D renderer;
    OmTextureResource other("other.tga", -1, 1);
    renderer.RegisterTexture(&other);
    const OmMaterial plain = OmMaterial::Default();
    renderer.RegisterMaterial(&plain);
    OmArchive archive(OmClassRegistry::Instance());
    archive.SetResourceOwner(&renderer.GetResourceOwner());
    ASSERT_TRUE(archive.Load(path.c_str()));
    ASSERT_EQ(archive.GetRootCount(), 1u);
    auto* mesh = RenderArchiveMesh::Cast(archive.GetRoot(0));
    ASSERT_NE(mesh, nullptr);
    const OmMaterial* loaded = renderer.GetMaterial(mesh->materialId);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->blendMode, 0x20u);
    EXPECT_FLOAT_EQ(loaded->power, 3.0f);
    ASSERT_EQ(loaded->layers.GetCount(), 1u);
    const OmTextureResource* texture = renderer.GetTexture(loaded->layers[0].frames[0]);
    ASSERT_NE(texture, nullptr);
    EXPECT_STREQ(texture->fileName, "rock.tga");
    mesh->Release();
}
