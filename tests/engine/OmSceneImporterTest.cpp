#include <gtest/gtest.h>

#include "PbfTestScenes.h"
#include "SceneImportSupport.h"
#include "engine/OmLight.h"
#include "engine/OmMaxLight.h"
#include "engine/OmSceneImporter.h"
#include "tests/platform/DebugOutputCapture.h"

using importtest::Child;
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
    EXPECT_FALSE(importer.Load(nullptr, root) || importer.Load("/no/such/scene.pbf", root));
}

TEST_F(ImportTest, ACornerNamingAPositionOrCoordinateThatIsMissingDropsItsMesh)
{
    scene.AddObject(Triangle());
    static_cast<OmPbfMeshRecord*>(scene.objects.At(0))->faces[0].corners[1].position = 7;
    scene.AddObject(Triangle());
    static_cast<OmPbfMeshRecord*>(scene.objects.At(1))->faces[0].corners[2].texCoord = 0xFFFFFFFF;
    scene.root.name.Assign("Bad");
    scene.root.object = 0;
    DebugOutputCapture errors;
    EXPECT_TRUE(SaveAndLoad("bad.pbf"));
    EXPECT_FALSE(importer.GetObject(0));
    EXPECT_FALSE(importer.GetObject(1));
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_TRUE(errors.Contains("missing position"));
    EXPECT_TRUE(errors.Contains("missing texture coordinate"));
}

TEST_F(ImportTest, AFileCutShortFailsWithAnError)
{
    pbftest::FillScene(scene, 4);
    const std::vector<uint8_t> bytes = pbftest::Write(scene);
    const std::string half(bytes.begin(), bytes.begin() + long(bytes.size() / 2));
    DebugOutputCapture cutErrors;
    EXPECT_FALSE(importer.Load(files.Write("cut.pbf", half).c_str(), root));
    EXPECT_TRUE(cutErrors.Contains("could not be read"));
    EXPECT_EQ(root->GetChildCount(), 0);
}

TEST_F(ImportTest, NodesWithChildrenBecomeGroups)
{
    scene.AddObject(Triangle());
    scene.AddObject(std::make_unique<OmPbfMarkerRecord>());
    scene.AddObject(std::make_unique<OmPbfLightRecord>());
    scene.root.name.Assign("Model");
    OmPbfNode* arm = Child(scene.root, "Arm", 1); // a marker builds nothing
    arm->transform.SetTranslation(OmVector3(0, 50, 0));
    Child(*arm, "Hand", 0);
    Child(scene.root, "Lamp", 2);

    ASSERT_TRUE(SaveAndLoad("model.pbf"));
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
    const char* wallNames[] = {"_a", "_cb", "_cm", "_x", "plain"};
    const uint32_t blends[] = {64, 256 + 32, 256 + 65, 0, 0};
    for (const char* name : wallNames)
        scene.materials.Add(NamedMaterial(name, "stone.tga"));
    scene.AddObject(Triangle(4));
    scene.AddObject(Triangle(9)); // out of range: the first material
    scene.root.name.Assign("Walls");
    Child(scene.root, "A", 0);
    Child(scene.root, "B", 1);

    importer.opacity = 0.5f;
    ASSERT_TRUE(SaveAndLoad("walls.pbf"));
    ASSERT_EQ(importer.GetMaterialCount(), 5);
    for (int i = 0; i < 5; ++i) {
        const OmMaterial* m = renderer.GetMaterial(importer.GetMaterialId(i));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->blendMode, blends[i]) << wallNames[i];
    }
    const OmMaterial* plain = renderer.GetMaterial(importer.GetMaterialId(4));
    EXPECT_EQ(plain->diffuse.b, 0.3f);
    EXPECT_EQ(plain->ambient.r, 0.4f);
    EXPECT_EQ(plain->specular.g, 0.8f);
    EXPECT_EQ(plain->diffuse.a, 0.5f);
    EXPECT_EQ(plain->emissive.a, 0.0f);
    EXPECT_EQ(plain->factor, 3.0f);
    EXPECT_EQ(TextureName(importer.GetMaterialId(4)), "Textures\\stone.tga");
    EXPECT_EQ(MeshOf(importer.GetObject(0))->triangleMaterials[0], uint32_t(importer.GetMaterialId(4)));
    EXPECT_EQ(MeshOf(importer.GetObject(1))->triangleMaterials[0], uint32_t(importer.GetMaterialId(0)));
    EXPECT_EQ(OmSceneImporter::BlendModeFromName("_"), 0u);
    EXPECT_EQ(OmSceneImporter::BlendModeFromName("_c"), 256u);
}

TEST_F(ImportTest, ImageListsBecomeAnimatedFramesFromTheTextureFolder)
{
    files.Write("water.ifl", std::string("water1.tga\r\n\r\nwater2.tga"));
    const std::string folder = files.Path() + "/";
    OmPbfMaterial water = NamedMaterial("water");
    OmPbfTextureLayer* layer = water.layers.Append();
    layer->name.Assign("water.ifl");
    layer->animated = 1;
    layer->rate = 2.0f;
    scene.materials.Add(std::move(water));

    ASSERT_TRUE(importer.SetTextureDirectory(folder.c_str()));
    ASSERT_TRUE(SaveAndLoad("water.pbf"));
    const OmMaterial* waterMaterial = renderer.GetMaterial(importer.GetMaterialId(0));
    ASSERT_EQ(waterMaterial->layers.GetCount(), 1u);
    ASSERT_EQ(waterMaterial->layers[0].frames.GetCount(), 3u);
    EXPECT_EQ(waterMaterial->layers[0].animated, 1);
    EXPECT_EQ(waterMaterial->layers[0].frameRate, 2.0f);
    EXPECT_EQ(TextureName(importer.GetMaterialId(0), 0, 0), folder + "water1.tga");
    EXPECT_EQ(TextureName(importer.GetMaterialId(0), 0, 1), folder);
    EXPECT_EQ(TextureName(importer.GetMaterialId(0), 0, 2), folder + "water2.tga");
}

// A name that cannot fit after the folder is refused, not written past.
TEST_F(ImportTest, ATextureNameOrFolderTooLongForThePathIsRefused)
{
    const std::string folder = files.Path() + "/";
    scene.materials.Add(NamedMaterial("long", std::string(300, 'n').c_str()));
    DebugOutputCapture tooLong;
    ASSERT_TRUE(importer.SetTextureDirectory(folder.c_str()));
    ASSERT_TRUE(SaveAndLoad("long.pbf"));
    const OmMaterial* longName = renderer.GetMaterial(importer.GetMaterialId(0));
    EXPECT_EQ(longName->layers[0].frames.GetCount(), 0u);
    EXPECT_TRUE(tooLong.Contains("texture name too long"));
    EXPECT_FALSE(importer.SetTextureDirectory(std::string(260, 'd').c_str()));
    EXPECT_STREQ(importer.GetTextureDirectory(), folder.c_str());
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
    for (int i = 0; i < 2; ++i) {
        auto max = std::make_unique<OmPbfMaxLightRecord>();
        max->kind = 0;
        max->distance5 = 100.0f;
        max->angleA = 90.0f;
        max->aspect = 4.0f;
        max->mode = 7;
        scene.AddObject(std::move(max));
    }
    scene.root.name.Assign("Lights");
    OmPbfNode* scaled = Child(scene.root, "Big", 0);
    scaled->transform.m[0] = 2.0f;
    ASSERT_TRUE(SaveAndLoad("lights.pbf"));
    auto* big = dynamic_cast<OmMaxLightNode*>(importer.GetObject(0));
    auto* loose = dynamic_cast<OmMaxLightNode*>(importer.GetObject(1));
    ASSERT_TRUE(big);
    ASSERT_TRUE(loose);
    ASSERT_EQ(big->light.farEnd, 20.0f);
    ASSERT_EQ(loose->light.farEnd, 10.0f);
    EXPECT_NEAR(big->light.hotspot, 0.7853982f, 1e-6f);
    EXPECT_EQ(big->light.aspect, 0.25f);
    EXPECT_EQ(big->light.decay, 2);
    // Only lights: the box stays empty.
    OmVector3 min, max;
    importer.GetBounds(min, max);
    EXPECT_EQ(min.x, 100000.0f);
    EXPECT_EQ(max.y, -100000.0f);
}

TEST_F(ImportTest, VertexColoursSetTheColourByteNeverABlendWeight)
{
    // A weight count in byte 0 would turn a coloured mesh into a skinned
    // vertex format on the device and lose its colours.
    auto mesh = Triangle();
    mesh->colourSets.Append()->Add(OmPbfColour{0.25f, 0.5f, 0.75f});
    scene.AddObject(std::move(mesh));
    scene.root.object = 0; // a leaf root gives its name to the shape
    scene.root.name.Assign("Pebble");

    ASSERT_TRUE(SaveAndLoad("coloured.pbf"));
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
