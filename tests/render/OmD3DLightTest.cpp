// Device lights, the light sets around a node's draw, and the renderer's own camera.
#include <gtest/gtest.h>

#include "engine/OmClass.h"
#include "engine/OmCamera.h"
#include "engine/OmLight.h"
#include "engine/OmRef.h"
#include "engine/OmVoidChain.h"
#include "tests/render/RendererFixture.h"

using namespace plat;
using rtest::Channel;
using rtest::ScreenTest;

namespace {

struct LitVertex {
    float x, y, z, nx, ny, nz, u, v;
};

class LightTest : public ScreenTest {
protected:
    OmLight* NewLight(int32_t type, float r, float g, float b)
    {
        OmLight* light = lights.emplace_back(OmMakeRef<OmLight>());
        light->lightType = type;
        light->diffuse[0] = r, light->diffuse[1] = g, light->diffuse[2] = b, light->diffuse[3] = 1.0f;
        light->ambient[0] = r, light->ambient[1] = g, light->ambient[2] = b, light->ambient[3] = 1.0f;
        return light;
    }

    bool DeviceLightOn(int32_t index)
    {
        bool on = false;
        Device()->GetLightEnable(static_cast<uint32_t>(index), &on);
        return on;
    }

    // A lit square facing the default light's direction, in the middle of
    // an orthographic view; returns the centre pixel.
    uint32_t DrawLitSquare()
    {
        OmProjectionParams ortho;
        ortho.halfWidth = ortho.halfHeight = 1.0f;
        ortho.nearDistance = 0.0f, ortho.farDistance = 10.0f, ortho.orthographic = 1;
        renderer->SetProjection(&ortho);
        renderer->SetViewMatrix(&OmMatrix4::Identity());
        renderer->SetWorldMatrix(&OmMatrix4::Identity());
        renderer->SetLighting(true);
        renderer->ApplyMaterial(0);
        renderer->SetTexture(0, -1);
        const LitVertex v[4] = {{-0.5f, 0.5f, 1, 0, 0, -1, 0, 0}, {0.5f, 0.5f, 1, 0, 0, -1, 1, 0},
                                {-0.5f, -0.5f, 1, 0, 0, -1, 0, 1}, {0.5f, -0.5f, 1, 0, 0, -1, 1, 1}};
        renderer->SetVertexShader(GfxFvf::PosNormalTex1);
        renderer->SetCulling(false);
        return Pixel(DrawFrame([&] { renderer->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, v, sizeof v[0]); }),
                     width / 2, height / 2);
    }

    std::vector<OmRef<OmLight>> lights;
};

} // namespace

TEST_F(LightTest, LightsSwitchOnAndOffById)
{
    renderer->DispatchRenderState(GfxRs::Ambient, 0);
    OmLight* red = NewLight(OmLight::kDirectional, 1, 0, 0);
    OmLight* green = NewLight(OmLight::kDirectional, 0, 1, 0);
    const int32_t r = renderer->AddLight(red);
    const int32_t g = renderer->AddLight(green);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 1);
    EXPECT_EQ(red->deviceLightId, r);
    EXPECT_EQ(renderer->AddLight(red), r); // a light keeps its index

    EXPECT_LT(Channel(DrawLitSquare(), 16), 8u);
    renderer->EnableLight(red, true);
    uint32_t c = DrawLitSquare();
    EXPECT_GT(Channel(c, 16), 240u);
    EXPECT_LT(Channel(c, 8), 8u);
    renderer->EnableLight(green, true);
    renderer->EnableLight(red, false);
    c = DrawLitSquare();
    EXPECT_LT(Channel(c, 16), 8u);
    EXPECT_GT(Channel(c, 8), 240u);
}

// Its slot is freed and its index cleared.
TEST_F(LightTest, ARemovedLightIsOffAndCannotReachTheLightInItsSlot)
{
    renderer->DispatchRenderState(GfxRs::Ambient, 0);
    OmLight* green = NewLight(OmLight::kDirectional, 0, 1, 0);
    const int32_t g = renderer->AddLight(green);
    renderer->EnableLight(green, true);
    renderer->RemoveLight(green);
    EXPECT_EQ(green->deviceLightId, -1);
    EXPECT_FALSE(DeviceLightOn(g));
    EXPECT_LT(Channel(DrawLitSquare(), 8), 8u);
    renderer->EnableLight(green, true); // no index: nothing happens
    OmLight* blue = NewLight(OmLight::kDirectional, 0, 0, 1);
    EXPECT_EQ(renderer->AddLight(blue), g);
    EXPECT_FALSE(DeviceLightOn(g));
    renderer->UpdateLight(green);
    EXPECT_FALSE(DeviceLightOn(g));
}

TEST_F(LightTest, AnAmbientLightSetsTheAmbientLevelOnly)
{
    OmLight* ambient = NewLight(OmLight::kAmbient, 0.5f, 0.5f, 0.5f);
    const int32_t a = renderer->AddLight(ambient);
    renderer->EnableLight(ambient, true);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::Ambient), 0xFF7F7F7Fu);
    EXPECT_FALSE(DeviceLightOn(a));
    renderer->EnableLight(ambient, false);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::Ambient), 0u);
}

TEST_F(LightTest, ALightInTwoChainsIsOnUntilBothAreRemoved)
{
    OmLight* chained = NewLight(OmLight::kPoint, 1, 1, 1);
    OmLight* off = NewLight(OmLight::kPoint, 1, 1, 1);
    off->SetEnabled(false);
    const int32_t index = renderer->AddLight(chained);
    renderer->AddLight(off);
    OmVoidChain first(chained), second(chained);
    second.Insert(off);
    Device()->ResetCallCounts();
    renderer->AddLights(1, first);
    renderer->AddLights(1, second);
    EXPECT_EQ(Device()->CallCount(GfxCall::SetLight), 1u);
    EXPECT_TRUE(DeviceLightOn(index));
    EXPECT_EQ(chained->useCount, 2u);
    EXPECT_FALSE(renderer->IsLightInSet(1, off)); // disabled lights are passed over
    EXPECT_FALSE(renderer->IsLightInSet(0, chained));
    renderer->RemoveLights(1, first);
    EXPECT_TRUE(DeviceLightOn(index));
    renderer->RemoveLights(1, second);
    EXPECT_FALSE(DeviceLightOn(index));
    EXPECT_FALSE(renderer->IsLightInSet(1, chained));
    renderer->RemoveLights(1, second); // already out: nothing more
    EXPECT_EQ(chained->useCount, 0u);
    renderer->AddLights(5, first); // no such set
    EXPECT_FALSE(DeviceLightOn(index));
}

TEST_F(LightTest, TheRendererCameraOutlivesModeSwitchesAndAppliesItsProjection)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        renderer->ReleaseAllMaterials();
        renderer->ReleaseAllTextures();
        OmClassRegistry::Instance().FreeAllObjects();
        OmCamera* camera = renderer->GetCamera();
        ASSERT_NE(camera, nullptr);
        EXPECT_EQ(camera->GetRefCount(), 1u);
        OmProjection projection;
        projection.halfWidth = 2.0f + float(round), projection.halfHeight = 1.0f;
        projection.nearDistance = 1.0f, projection.farDistance = 100.0f;
        camera->SetProjection(projection);
        camera->SetFrame(OmVector3(0, 0, -5), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
        renderer->InvalidateCamera(true);
        renderer->ApplyCamera();
        EXPECT_FALSE(camera->IsProjectionDirty());
        EXPECT_FLOAT_EQ(renderer->GetProjectionMatrix()->m[0], 1.0f / projection.halfWidth);
        EXPECT_FLOAT_EQ(renderer->GetViewMatrix()->m[14], 5.0f);
    }
}

TEST_F(LightTest, RecordsTakeWhereTheLightIsAndAnUnlimitedRangeForZero)
{
    OmLight* spot = NewLight(OmLight::kSpot, 1, 1, 1);
    spot->range = 0.0f;
    spot->GetPosition() = OmVector3(1, 2, 3);
    renderer->AddLight(spot);
    renderer->EnableLight(spot, true);
    const GfxLight& record = renderer->GetLightRecord(spot->deviceLightId)->light;
    EXPECT_FLOAT_EQ(record.range, 1.8446743e19f);
    EXPECT_FLOAT_EQ(record.position.z, 3.0f); // where the light is, not where it was made
}

TEST_F(LightTest, OnlyTheFirstEightLightsReachTheDevice)
{
    for (int i = 0; i < 9; ++i)
        renderer->AddLight(NewLight(OmLight::kPoint, 1, 1, 1));
    OmLight* ninth = lights.back();
    EXPECT_EQ(ninth->deviceLightId, 8);
    Device()->ResetCallCounts();
    renderer->UpdateLight(ninth);
    EXPECT_EQ(Device()->CallCount(GfxCall::LightEnable), 0u);
    renderer->UpdateLight(lights[1]);
    EXPECT_EQ(Device()->CallCount(GfxCall::LightEnable), 1u);
}
