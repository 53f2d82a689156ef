// The demo data written by tools/make-data imports cleanly: the models into
// the trees they describe, the brush test room into closed brushes.
#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "SceneImportSupport.h"
#include "engine/OmLight.h"
#include "engine/OmSceneImporter.h"
#include "platform/ImageFile.h"

using archive_test::ErrorCapture;
using importtest::DataFolder;
using importtest::ImportTest;

namespace {

std::string Data(const char* relative)
{
    return (DataFolder() / relative).string();
}

bool HaveDemoData()
{
    return std::filesystem::exists(DataFolder() / "models" / "box.pbf");
}

} // namespace

TEST_F(ImportTest, DemoCrateIsOneTexturedBox)
{
    ASSERT_TRUE(HaveDemoData()) << "the demo data is missing: run tools/make-data BUILD_DIR";
    ErrorCapture errors;
    OmSceneImporter importer;
    importer.SetTextureDirectory((Data("textures") + "/").c_str());
    ASSERT_TRUE(importer.Load(Data("models/box.pbf").c_str(), root));
    ASSERT_EQ(root->GetChildCount(), 1);
    EXPECT_STREQ(root->GetChild(0)->GetName(), "Crate");
    OmMesh* mesh = MeshOf(root->GetChild(0));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->indices.GetCount(), 36u);
    // Six sides of four corners each: welding keeps the sides apart.
    EXPECT_EQ(mesh->vertices.GetCount(), 24u);
    const std::string texture = TextureName(int32_t(mesh->triangleMaterials[0]));
    EXPECT_NE(texture.find("crate.tga"), std::string::npos);
    plat::Image image;
    EXPECT_TRUE(plat::LoadImageFile(texture, image));
    EXPECT_EQ(image.width, 64u);
    OmVector3 min, max;
    importer.GetBounds(min, max);
    EXPECT_FLOAT_EQ(max.y, 0.5f);
    EXPECT_EQ(errors.Text(), "");
}

TEST_F(ImportTest, DemoFigureHasLimbsMaterialsAndALamp)
{
    ASSERT_TRUE(HaveDemoData()) << "the demo data is missing: run tools/make-data BUILD_DIR";
    ErrorCapture errors;
    OmSceneImporter importer;
    importer.SetTextureDirectory((Data("textures") + "/").c_str());
    ASSERT_TRUE(importer.Load(Data("models/figure.pbf").c_str(), root));
    auto* figure = dynamic_cast<OmGroup*>(root->GetChild(0));
    ASSERT_NE(figure, nullptr);
    EXPECT_STREQ(figure->GetName(), "Figure");
    ASSERT_EQ(figure->GetChildCount(), 7);
    int shapes = 0;
    for (int i = 0; i < 6; ++i)
        shapes += MeshOf(figure->GetChild(uint32_t(i))) != nullptr;
    EXPECT_EQ(shapes, 6);
    OmNode* head = figure->GetChild(1);
    EXPECT_STREQ(head->GetName(), "Head");
    EXPECT_FLOAT_EQ(head->GetLocal().position.y, 1.85f);
    EXPECT_NE(TextureName(int32_t(MeshOf(head)->triangleMaterials[0])).find("skin.tga"), std::string::npos);
    EXPECT_NE(TextureName(int32_t(MeshOf(figure->GetChild(0))->triangleMaterials[0])).find("cloth.tga"),
              std::string::npos);
    auto* lamp = dynamic_cast<OmLight*>(figure->GetChild(6));
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->lightType, OmLight::kPoint);
    EXPECT_FLOAT_EQ(lamp->range, 30.0f);
    EXPECT_EQ(errors.Text(), "");
}

TEST_F(ImportTest, BrushTestRoomImportsAsClosedBrushes)
{
    ErrorCapture errors;
    OmSceneImporter importer;
    ASSERT_TRUE(importer.Load(Data("levels/testroom.map").c_str(), root));
    auto* world = dynamic_cast<OmGroup*>(root->GetChild(0));
    ASSERT_NE(world, nullptr);
    EXPECT_STREQ(world->GetName(), "World");
    ASSERT_EQ(world->GetChildCount(), 7);
    uint32_t triangles = 0;
    for (int i = 0; i < 7; ++i) {
        OmMesh* mesh = MeshOf(world->GetChild(uint32_t(i)));
        ASSERT_NE(mesh, nullptr) << i;
        triangles += mesh->indices.GetCount() / 3;
    }
    // Six box brushes and a wedge (two quads, a slope and two triangles).
    EXPECT_EQ(triangles, 6u * 12 + 3 * 2 + 2);
    OmVector3 min, max;
    importer.GetBounds(min, max);
    EXPECT_FLOAT_EQ(max.y, 1.66f);
    EXPECT_FLOAT_EQ(min.y, -0.16f);
    EXPECT_EQ(errors.Text(), "");
}
