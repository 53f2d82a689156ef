#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ArchiveTestSupport.h"
#include "PbfTestScenes.h"
#include "SceneImportSupport.h"
#include "engine/OmLight.h"
#include "engine/OmMaxLight.h"
#include "engine/OmSceneImporter.h"

using archive_test::ErrorCapture;
using importtest::ImportTest;

namespace {

// One triangle in the XZ plane; corner i uses position and coordinate i.
std::unique_ptr<OmPbfMeshRecord> Triangle(uint32_t material = 0)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    mesh->normals.Add(OmVector3(0, 1, 0));
    auto* uvs = mesh->uvSets.Append();
    OmPbfFace* face = mesh->faces.Append();
    for (uint32_t k = 0; k < 3; ++k) {
        mesh->positions.Add(OmVector3(k == 2 ? 10.0f : 0.0f, 0, k == 1 ? 10.0f : 0.0f));
        uvs->Add(OmPbfTexCoord{float(k), 0.5f, 0});
        face->corners[int32_t(k)] = OmPbfCorner{k, 0, 0, k};
    }
    face->material = material;
    return mesh;
}

OmPbfNode* Child(OmPbfNode& parent, const char* name, int32_t object)
{
    auto* node = new OmPbfNode();
    node->name.Assign(name);
    node->object = object;
    parent.AddChild(node);
    return node;
}

OmPbfMaterial NamedMaterial(const char* name, const char* texture = "")
{
    OmPbfMaterial m;
    m.name.Assign(name);
    m.diffuse = {0.1f, 0.2f, 0.3f, 0.9f};
    m.ambient = {0.4f, 0.5f, 0.6f, 0.9f};
    m.specular = {0.7f, 0.8f, 0.9f, 0.9f};
    m.power = 12.0f;
    m.secondValue = 3.0f;
    if (*texture)
        m.layers.Append()->name.Assign(texture);
    return m;
}

} // namespace

TEST_F(ImportTest, AMissingSceneFileFailsToLoad)
{
    OmSceneImporter none;
    EXPECT_FALSE(none.Load(nullptr, root) || none.Load("/no/such/scene.pbf", root));
}

TEST_F(ImportTest, ACornerNamingAPositionOrCoordinateThatIsMissingDropsItsMesh)
{
    OmPbfScene bad;
    bad.AddObject(Triangle());
    static_cast<OmPbfMeshRecord*>(bad.objects.At(0))->faces[0].corners[1].position = 7;
    bad.AddObject(Triangle());
    static_cast<OmPbfMeshRecord*>(bad.objects.At(1))->faces[0].corners[2].texCoord = 0xFFFFFFFF;
    bad.root.name.Assign("Bad");
    bad.root.object = 0;
    const std::string badPath = TempPath("bad.pbf");
    ASSERT_TRUE(bad.Save(badPath.c_str()));
    ErrorCapture errors;
    OmSceneImporter dropping;
    EXPECT_TRUE(dropping.Load(badPath.c_str(), root));
    EXPECT_FALSE(dropping.GetObject(0));
    EXPECT_FALSE(dropping.GetObject(1));
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_TRUE(errors.Contains("missing position"));
    EXPECT_TRUE(errors.Contains("missing texture coordinate"));
}

TEST_F(ImportTest, AFileCutShortFailsWithAnError)
{
    OmPbfScene full;
    pbftest::FillScene(full, 4);
    const std::vector<uint8_t> bytes = pbftest::Write(full);
    const std::string cut = TempPath("cut.pbf");
    archive_test::WriteFile(cut, std::vector<unsigned char>(bytes.begin(), bytes.begin() + long(bytes.size() / 2)));
    ErrorCapture cutErrors;
    OmSceneImporter truncated;
    EXPECT_FALSE(truncated.Load(cut.c_str(), root));
    EXPECT_TRUE(cutErrors.Contains("could not be read"));
    EXPECT_EQ(root->GetChildCount(), 0);
}

TEST_F(ImportTest, NodesWithChildrenBecomeGroups)
{
    OmPbfScene scene;
    scene.AddObject(Triangle());
    scene.AddObject(std::make_unique<OmPbfMarkerRecord>());
    scene.AddObject(std::make_unique<OmPbfLightRecord>());
    scene.root.name.Assign("Model");
    OmPbfNode* arm = Child(scene.root, "Arm", 1); // a marker builds nothing
    arm->transform.SetTranslation(OmVector3(0, 50, 0));
    Child(*arm, "Hand", 0);
    Child(scene.root, "Lamp", 2);

    OmSceneImporter importer;
    ASSERT_TRUE(SaveAndLoad(scene, "model.pbf", importer));
    ASSERT_EQ(root->GetChildCount(), 1);
    auto* model = dynamic_cast<OmGroup*>(root->GetChild(0));
    ASSERT_TRUE(model);
    ASSERT_EQ(model->GetChildCount(), 2);
    EXPECT_STREQ(model->GetName(), "Model");
    auto* armGroup = dynamic_cast<OmGroup*>(model->GetChild(0));
    ASSERT_TRUE(armGroup);
    ASSERT_EQ(armGroup->GetChildCount(), 1);
    EXPECT_FLOAT_EQ(armGroup->GetLocal().position.y, 5.0f);
    EXPECT_STREQ(armGroup->GetChild(0)->GetName(), "Hand");
    EXPECT_TRUE(MeshOf(armGroup->GetChild(0)));
    EXPECT_TRUE(dynamic_cast<OmLight*>(model->GetChild(1)));
    EXPECT_FALSE(importer.GetObject(1));
}

TEST_F(ImportTest, MaterialsTakeColoursBlendFlagsAndTextures)
{
    OmPbfScene walls;
    const char* wallNames[] = {"_a", "_cb", "_cm", "_x", "plain"};
    const uint32_t blends[] = {64, 256 + 32, 256 + 65, 0, 0};
    for (const char* name : wallNames)
        walls.materials.Add(NamedMaterial(name, "stone.tga"));
    walls.AddObject(Triangle(4));
    walls.AddObject(Triangle(9)); // out of range: the first material
    walls.root.name.Assign("Walls");
    Child(walls.root, "A", 0);
    Child(walls.root, "B", 1);

    OmSceneImporter wallImporter;
    wallImporter.opacity = 0.5f;
    ASSERT_TRUE(SaveAndLoad(walls, "walls.pbf", wallImporter));
    ASSERT_EQ(wallImporter.GetMaterialCount(), 5);
    for (int i = 0; i < 5; ++i) {
        const OmMaterial* m = renderer.GetMaterial(wallImporter.GetMaterialId(i));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->blendMode, blends[i]) << wallNames[i];
    }
    const OmMaterial* plain = renderer.GetMaterial(wallImporter.GetMaterialId(4));
    EXPECT_EQ(plain->diffuse.b, 0.3f);
    EXPECT_EQ(plain->ambient.r, 0.4f);
    EXPECT_EQ(plain->specular.g, 0.8f);
    EXPECT_EQ(plain->diffuse.a, 0.5f);
    EXPECT_EQ(plain->emissive.a, 0.0f);
    EXPECT_EQ(plain->factor, 3.0f);
    EXPECT_EQ(TextureName(wallImporter.GetMaterialId(4)), "Textures\\stone.tga");
    EXPECT_EQ(MeshOf(wallImporter.GetObject(0))->triangleMaterials[0], uint32_t(wallImporter.GetMaterialId(4)));
    EXPECT_EQ(MeshOf(wallImporter.GetObject(1))->triangleMaterials[0], uint32_t(wallImporter.GetMaterialId(0)));
    EXPECT_EQ(OmSceneImporter::BlendModeFromName("_"), 0u);
    EXPECT_EQ(OmSceneImporter::BlendModeFromName("_c"), 256u);
}

TEST_F(ImportTest, ImageListsBecomeAnimatedFramesAndTheTextureFolderIsBounded)
{
    const std::string listPath = TempPath("water.ifl");
    const std::string listText = "water1.tga\r\n\r\nwater2.tga";
    archive_test::WriteFile(listPath, std::vector<unsigned char>(listText.begin(), listText.end()));
    const std::string folder = std::filesystem::path(listPath).parent_path().string() + "/";
    const std::string listName = std::filesystem::path(listPath).filename().string();
    OmPbfScene waterScene;
    OmPbfMaterial water = NamedMaterial("water");
    OmPbfTextureLayer* layer = water.layers.Append();
    layer->name.Assign(listName.c_str());
    layer->animated = 1;
    layer->rate = 2.0f;
    waterScene.materials.Add(std::move(water));
    // A name that cannot fit after the folder is refused, not written past.
    waterScene.materials.Add(NamedMaterial("long", std::string(300, 'n').c_str()));

    ErrorCapture tooLong;
    OmSceneImporter waterImporter;
    ASSERT_TRUE(waterImporter.SetTextureDirectory(folder.c_str()));
    ASSERT_TRUE(SaveAndLoad(waterScene, "water.pbf", waterImporter));
    const OmMaterial* waterMaterial = renderer.GetMaterial(waterImporter.GetMaterialId(0));
    ASSERT_EQ(waterMaterial->layers.GetCount(), 1u);
    ASSERT_EQ(waterMaterial->layers[0].frames.GetCount(), 3u);
    EXPECT_EQ(waterMaterial->layers[0].animated, 1);
    EXPECT_EQ(waterMaterial->layers[0].frameRate, 2.0f);
    EXPECT_EQ(TextureName(waterImporter.GetMaterialId(0), 0, 0), folder + "water1.tga");
    EXPECT_EQ(TextureName(waterImporter.GetMaterialId(0), 0, 1), folder);
    EXPECT_EQ(TextureName(waterImporter.GetMaterialId(0), 0, 2), folder + "water2.tga");
    const OmMaterial* longName = renderer.GetMaterial(waterImporter.GetMaterialId(1));
    EXPECT_EQ(longName->layers[0].frames.GetCount(), 0u);
    EXPECT_TRUE(tooLong.Contains("texture name too long"));
    EXPECT_FALSE(waterImporter.SetTextureDirectory(std::string(260, 'd').c_str()));
    EXPECT_STREQ(waterImporter.GetTextureDirectory(), folder.c_str());
}

TEST_F(ImportTest, LightRecordsConvertToSpotAndDirectionalLights)
{
    OmPbfLightRecord record;
    record.kind = 1;
    record.colour = {0.5f, 0.6f, 0.7f, 1.0f};
    record.diffuseOn = 1;
    record.attenuate = 1;
    record.farDistance = 40.0f;
    record.innerCone = 0.8f;
    OmLight light;
    OmSceneImporter::ConvertLight(record, light);
    EXPECT_EQ(light.lightType, OmLight::kSpot);
    EXPECT_EQ(light.diffuse[1], 0.6f);
    EXPECT_EQ(light.specular[0], 0.0f);
    EXPECT_EQ(light.range, 12.0f);
    EXPECT_EQ(light.attenuation[1], -0.25f);
    EXPECT_EQ(light.attenuation[2], 0.25f);
    EXPECT_EQ(light.innerCone, 0.4f);
    EXPECT_EQ(light.outerCone, 0.1f);
    record.attenuate = 0;
    record.kind = 3;
    OmSceneImporter::ConvertLight(record, light);
    EXPECT_EQ(light.lightType, OmLight::kDirectional);
    EXPECT_EQ(light.range, -1.0f);
}

TEST_F(ImportTest, MaxLightsTakeTheirNodesScaleAndLeaveTheBoundsEmpty)
{
    // One under a node scaled by 2, one that no node carries.
    OmPbfScene lightScene;
    for (int i = 0; i < 2; ++i) {
        auto max = std::make_unique<OmPbfMaxLightRecord>();
        max->kind = 0;
        max->distance5 = 100.0f;
        max->angleA = 90.0f;
        max->aspect = 4.0f;
        max->mode = 7;
        lightScene.AddObject(std::move(max));
    }
    lightScene.root.name.Assign("Lights");
    OmPbfNode* scaled = Child(lightScene.root, "Big", 0);
    scaled->transform.m[0] = 2.0f;
    OmSceneImporter lightImporter;
    ASSERT_TRUE(SaveAndLoad(lightScene, "lights.pbf", lightImporter));
    auto* big = dynamic_cast<OmMaxLightNode*>(lightImporter.GetObject(0));
    auto* loose = dynamic_cast<OmMaxLightNode*>(lightImporter.GetObject(1));
    ASSERT_TRUE(big);
    ASSERT_TRUE(loose);
    ASSERT_EQ(big->light.farEnd, 20.0f);
    ASSERT_EQ(loose->light.farEnd, 10.0f);
    EXPECT_NEAR(big->light.hotspot, 0.7853982f, 1e-6f);
    EXPECT_EQ(big->light.aspect, 0.25f);
    EXPECT_EQ(big->light.decay, 2);
    // Only lights: the box stays empty.
    OmVector3 min, max;
    lightImporter.GetBounds(min, max);
    EXPECT_EQ(min.x, 100000.0f);
    EXPECT_EQ(max.y, -100000.0f);
}

TEST_F(ImportTest, VertexColoursSetTheColourByteNeverABlendWeight)
{
    // A weight count in byte 0 would turn a coloured mesh into a skinned
    // vertex format on the device and lose its colours.
    OmPbfScene scene;
    auto mesh = Triangle();
    mesh->colourSets.Append()->Add(OmPbfColour{0.25f, 0.5f, 0.75f});
    scene.AddObject(std::move(mesh));
    scene.root.object = 0; // a leaf root gives its name to the shape
    scene.root.name.Assign("Pebble");

    OmSceneImporter importer;
    ASSERT_TRUE(SaveAndLoad(scene, "coloured.pbf", importer));
    OmMesh* imported = MeshOf(root->GetChild(0));
    ASSERT_TRUE(imported);
    ASSERT_STREQ(root->GetChild(0)->GetName(), "Pebble");
    EXPECT_EQ(imported->layout[0], 0);
    EXPECT_EQ(imported->layout[1], 1);
    EXPECT_EQ(imported->layout[2], 1);
    EXPECT_FLOAT_EQ(imported->vertices[0].colour[2], 0.75f);
    // No material records: every triangle uses the default material.
    EXPECT_EQ(TextureName(int32_t(imported->triangleMaterials[0])), "default.tga");
}
