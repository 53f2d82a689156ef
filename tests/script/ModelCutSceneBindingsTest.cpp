// Models and the cut-scene director as entity and mission scripts use
// them: the model's file, heading and texts, and camera work with its
// optional arguments, through objects of derived classes too.

#include "tests/script/LuaTestState.h"

#include <cmath>

#include "engine/OmCamera.h"
#include "game/framework/TsCamera.h"
#include "game/level/TsCutScene.h"
#include "game/objects/TsModel.h"

namespace {

constexpr double kPi = 3.14159265358979;

class ScriptBarrel : public TsModel {
    OM_DECLARE_CLASS(ScriptBarrel)

    ScriptBarrel() = default;
    explicit ScriptBarrel(OmArchive& archive) : TsModel(archive) {}
};

class ModelCutSceneBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        barrel = new ScriptBarrel();
        Publish(barrel, "barrel", "TsModel");
        camera = new TsCamera();
        scene = new TsCutScene();
        scene->SetCamera(camera);
        Publish(scene, "scene", "TsCutScene");
    }
    void TearDown() override
    {
        scene->Release();
        camera->Release();
        barrel->Release();
        LuaTest::TearDown();
    }
    void Publish(void* object, const char* name, const char* type)
    {
        tolua_pushusertype(L, object, type);
        lua_setglobal(L, name);
    }

    ScriptBarrel* barrel = nullptr;
    TsCamera* camera = nullptr;
    TsCutScene* scene = nullptr;
};

} // namespace

OM_IMPLEMENT_CLASS(ScriptBarrel, TsModel)

TEST_F(ModelCutSceneBindingsTest, ModelsTakeTheirFileHeadingAndTexts)
{
    ASSERT_EQ(Run("barrel:SetMdl('barrel.pbf') barrel:SetDisplayNameID(30100.7) barrel:SetDisplayDescriptionID(-2.9)"),
              "");
    EXPECT_STREQ(barrel->GetMdl(), "barrel.pbf");
    EXPECT_EQ(barrel->GetDisplayNameID(), 30100);
    EXPECT_EQ(barrel->GetDisplayDescriptionID(), -2);
    ExpectRows({
        {"barrel:SetSpriteName('barrel.tga') return barrel:GetSpriteName()", "'barrel.tga'"},
        {"barrel:SetSpriteName(nil) return barrel:GetSpriteName()", "nil"},
        {"barrel:SetDisplayName('ignored') barrel:SetDisplayDescription('ignored') return barrel:GetDisplayName()",
         "string"},
        {"barrel:SetPosition(1, 2, 3) return GetZ(barrel:GetPosition())", "3"}, // a model is an entity
    });
    ASSERT_EQ(Run("barrel:SetHeadingDegrees(90)"), "");
    EXPECT_NEAR(Number("barrel:GetHeading()"), kPi / 2, 1e-6);
    ASSERT_EQ(Run("barrel:SetDirection(-1, 0)"), "");
    EXPECT_NEAR(Number("barrel:GetHeading()"), -kPi / 2, 1e-6);
    ASSERT_EQ(Run("barrel:SetDirection(0, 0)"), ""); // no direction: the heading stays
    EXPECT_NEAR(barrel->GetHeading(), -kPi / 2, 1e-6);
    ExpectTypeErrors({"barrel:SetMdl(5)", "barrel:SetHeadingDegrees()", "barrel:SetDirection(1)",
                      "barrel:SetDisplayName()", "barrel:GetHeading(1)", "TsModel.SetMdl(scene, 'x.pbf')"});
    ExpectSelfErrors({"TsModel.GetHeading(nil)", "TsModel.SetMdl(nil, 'x')"});
}

TEST_F(ModelCutSceneBindingsTest, CameraWorkWithAndWithoutTime)
{
    camera->Distance().SetAll(10.0f);
    // No time: at once, no scene.
    ASSERT_EQ(Run("scene:ZoomCamera(4, 0); scene:MoveCamera(1, 2, 3, -1)"), "");
    EXPECT_FLOAT_EQ(camera->Distance().current, 4.0f);
    EXPECT_FLOAT_EQ(camera->Focus().next.z, 3.0f);
    EXPECT_EQ(Type("scene:IsCutSceneActive()"), "nil");

    // A quarter turn over a second, the profile defaulting to 1.
    ASSERT_EQ(Run("scene:RotateCamera(0.25, 1)"), "");
    EXPECT_EQ(Type("scene:IsCameraRotating()"), "number");
    EXPECT_EQ(Type("scene:IsCutSceneActive()"), "number");

    ExpectRows({
        {"scene:SetCutSceneActive(nil) return scene:IsCutSceneActive()", "nil"},
        {"scene:SetCutSceneActive() return scene:IsCutSceneActive()", "number"}, // no argument: on
        {"scene:LockActive(1) scene:SetPlayerLockedOut(2) return scene:IsActiveLocked()", "number"},
        {"scene:SetFollowTarget(barrel) scene:SetFollowTarget(nil) return 0", "0"},
        {"scene:FadeCamera(TsFader.FADE_IRIS, 0.5, 1) return scene:IsFadeComplete()", "nil"},
        {"scene:StopRenderingFader() return TsCutScene.CAMERAMOVE_SINE", "3"},
    });
    EXPECT_TRUE(scene->IsPlayerLockedOut());
    EXPECT_EQ(scene->GetFader().GetKind(), TS_FADE_IRIS);
    EXPECT_FALSE(scene->GetFader().IsRendering());

    ExpectTypeErrors({"scene:MoveCamera(1, 2, 3)", "scene:FadeCamera(1, 2)", "scene:RotateCamera(0.25, 1, 1, 1)",
                      "scene:SetFollowTarget(scene)", "scene:IsCameraMoving(1)"});
    ExpectSelfErrors({"TsCutScene.MoveCamera(nil, 1, 2, 3, 4)", "TsCutScene.IsFadeComplete(nil)"});
}
