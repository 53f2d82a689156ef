// A saved level carries the materials and textures its objects draw with
// through the renderer's registries, and a load registers them again.
#include <gtest/gtest.h>

#include <string>

#include "engine/OmArchive.h"
#include "engine/OmMaterial.h"
#include "engine/OmTextureResource.h"
#include "render/OmD3D.h"
#include "tests/render/ResourceTestSupport.h"

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

TEST(OmRendererArchiveTest, MaterialsAndTexturesTravelThroughTheRegistries)
{
    OmClassRegistry::Instance().AssignClassIds();
    rtest::TempFolder folder("om_render_archive");
    const std::string path = folder.File("level");
    {
        OmD3D renderer;
        OmTextureResource texture("rock.tga", -1, 1);
        OmMaterial material(OmColour(1, 0, 0, 1), OmColour(), OmColour(), OmColour(), 3.0f, 1.0f, 0x20);
        OmMaterialLayer layer;
        layer.frames.Add(renderer.RegisterTexture(&texture));
        material.layers.Add(layer);
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
