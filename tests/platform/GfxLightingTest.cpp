// Lighting and software vertex processing, against values worked out by hand.
#include "GfxTestSupport.h"

#include <cmath>

using namespace gfxtest;

namespace {

struct NormalVertex {
    float x, y, z, nx, ny, nz;
};

struct OutVertex {
    float x, y, z, rhw;
    uint32_t color;
};

GfxLight Directional(GfxVector3 direction, GfxColorValue diffuse)
{
    GfxLight l{};
    l.type = GfxLightType::Directional;
    l.diffuse = diffuse;
    l.direction = direction;
    return l;
}

GfxLight PointLight(GfxVector3 position, float range, float a0, float a1, float a2)
{
    GfxLight l{};
    l.type = GfxLightType::Point;
    l.diffuse = {1, 1, 1, 1};
    l.position = position;
    l.range = range;
    l.attenuation0 = a0;
    l.attenuation1 = a1;
    l.attenuation2 = a2;
    return l;
}

class LightingTest : public DeviceTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Make(64, 64));
        GfxMaterial m{};
        m.diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
        m.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        device->SetMaterial(&m);
        device->SetRenderState(GfxRs::Ambient, 0);
        device->SetRenderState(GfxRs::CullMode, GfxCull::None);
        device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
        device->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Diffuse);
        ASSERT_EQ(device->CreateVertexBuffer(64 * sizeof(NormalVertex), GfxUsage::WriteOnly,
                                             GfxFvf::Xyz | GfxFvf::Normal, GfxPool::Managed, &source),
                  GfxResult::Ok);
        ASSERT_EQ(device->CreateVertexBuffer(64 * sizeof(OutVertex), GfxUsage::WriteOnly,
                                             GfxFvf::RhwDiffuse, GfxPool::Default, &output),
                  GfxResult::Ok);
    }
    void TearDown() override
    {
        if (source)
            source->Release();
        if (output)
            output->Release();
        DeviceTest::TearDown();
    }

    // Lights one vertex in software and returns its colour.
    uint32_t Processed(const NormalVertex& v)
    {
        uint8_t* data = nullptr;
        EXPECT_EQ(source->Lock(0, sizeof v, &data, 0), GfxResult::Ok);
        std::memcpy(data, &v, sizeof v);
        source->Unlock();
        device->SetVertexShader(GfxFvf::Xyz | GfxFvf::Normal);
        device->SetStreamSource(0, source, sizeof(NormalVertex));
        EXPECT_EQ(device->ProcessVertices(0, 0, 1, output, 0), GfxResult::Ok);
        OutVertex out{};
        std::memcpy(&out, output->Bytes(), sizeof out);
        return out.color;
    }

    // A screen-filling quad at depth 0.5 with the given normal.
    void DrawLitQuad(GfxVector3 n)
    {
        const NormalVertex q[4] = {{-1, 1, 0.5f, n.x, n.y, n.z}, {1, 1, 0.5f, n.x, n.y, n.z},
                                   {-1, -1, 0.5f, n.x, n.y, n.z}, {1, -1, 0.5f, n.x, n.y, n.z}};
        device->BeginScene();
        ClearTo(0xFF000000);
        device->SetVertexShader(GfxFvf::Xyz | GfxFvf::Normal);
        ASSERT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, q, sizeof(NormalVertex)),
                  GfxResult::Ok);
        device->EndScene();
    }

    GfxVertexBuffer* source = nullptr;
    GfxVertexBuffer* output = nullptr;
};

} // namespace

TEST_F(LightingTest, DirectionalLightScalesMaterialDiffuse)
{
    const GfxLight light = Directional({0, 0, 1}, {0.8f, 0.8f, 0.8f, 1});
    device->SetLight(0, &light);
    device->LightEnable(0, true);
    // The normal faces the light: full strength, 0.8 x (1, 0.5, 0.25).
    DrawLitQuad({0, 0, -1});
    EXPECT_TRUE(Near(Rgb(32, 32), 0xCC6633)) << std::hex << Rgb(32, 32);
    EXPECT_TRUE(Near(Processed({0, 0, 0.5f, 0, 0, -1}) & 0xFFFFFF, 0xCC6633));
    // At 60 degrees half of it.
    const float s = std::sqrt(3.0f) / 2.0f;
    DrawLitQuad({s, 0, -0.5f});
    EXPECT_TRUE(Near(Rgb(32, 32), 0x663319)) << std::hex << Rgb(32, 32);
    // Facing away: black, and the global ambient still counts.
    device->SetRenderState(GfxRs::Ambient, 0xFF202020);
    DrawLitQuad({0, 0, 1});
    EXPECT_TRUE(Near(Rgb(32, 32), 0x202020)) << std::hex << Rgb(32, 32);
}

TEST_F(LightingTest, LightsStayInWorldSpaceWhenTheViewChanges)
{
    // The light is set under one view and used under another: what it lights
    // in the world must not change (a light fixed to the old camera would).
    const GfxLight light = Directional({0, 0, 1}, {1, 1, 1, 1});
    device->SetLight(0, &light);
    device->LightEnable(0, true);
    GfxLight point = PointLight({0, 0, -2}, 10.0f, 0.0f, 1.0f, 0.0f);
    GfxMatrix view = GfxIdentityMatrix();
    view.m[0][0] = -1.0f; // half a turn about y, then moved
    view.m[2][2] = -1.0f;
    view.m[3][2] = 5.0f;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(Near(Processed({0, 0, 0.5f, 0, 0, -1}) & 0xFFFFFF, 0xFF8040)) << pass;
        EXPECT_EQ(Processed({0, 0, 0.5f, 0, 0, 1}) & 0xFFFFFF, 0u) << pass;
        device->SetTransform(GfxTransform::View, &view);
    }
    device->LightEnable(0, false);
    device->SetTransform(GfxTransform::View, &view);
    device->SetLight(1, &point);
    device->LightEnable(1, true);
    view = GfxIdentityMatrix();
    device->SetTransform(GfxTransform::View, &view);
    // 2 units from the light: half the material.
    EXPECT_TRUE(Near(Processed({0, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0x804020));
}

TEST_F(LightingTest, PointLightAttenuationAndRange)
{
    device->SetRenderState(GfxRs::Lighting, 1);
    // Light 2 units in front of a vertex at the origin facing it.
    GfxLight light = PointLight({0, 0, -2}, 10.0f, 0.0f, 0.25f, 0.0f); // 1 / (0.25 x 2) = 2
    device->SetLight(3, &light);
    device->LightEnable(3, true);
    // Twice the material, clamped per channel.
    EXPECT_TRUE(Near(Processed({0, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0xFFFF80));
    light.attenuation1 = 1.0f; // 1 / 2
    device->SetLight(3, &light);
    EXPECT_TRUE(Near(Processed({0, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0x804020));
    // A negative term is kept: 1 / (1 - 0.25 x 2) = 2.
    light.attenuation0 = 1.0f;
    light.attenuation1 = -0.25f;
    device->SetLight(3, &light);
    EXPECT_TRUE(Near(Processed({0, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0xFFFF80));
    light.attenuation1 = 0.0f;
    light.attenuation2 = 0.75f; // 1 / (1 + 0.75 x 4) = 0.25
    device->SetLight(3, &light);
    EXPECT_TRUE(Near(Processed({0, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0x402010));
    // Beyond the range nothing arrives.
    light.range = 1.5f;
    device->SetLight(3, &light);
    EXPECT_EQ(Processed({0, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0u);
}

TEST_F(LightingTest, SpotConeInnerOuterAndFalloff)
{
    GfxLight light{};
    light.type = GfxLightType::Spot;
    light.diffuse = {1, 1, 1, 1};
    light.position = {0, 0, -1};
    light.direction = {0, 0, 1};
    light.range = 100.0f;
    light.attenuation0 = 1.0f;
    light.theta = 0.5f;               // inner cone half-angle 0.25
    light.phi = 3.14159265f / 2.0f;   // outer cone half-angle pi/4
    light.falloff = 1.0f;
    device->SetLight(0, &light);
    device->LightEnable(0, true);
    // Straight below the light, the normal facing it: full.
    EXPECT_TRUE(Near(Processed({0, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0xFF8040));
    // At 60 degrees off the axis: outside the outer cone.
    const float t = std::tan(3.14159265f / 3.0f);
    EXPECT_EQ(Processed({t, 0, 0, 0, 0, -1}) & 0xFFFFFF, 0u);
    // Half way between the cone edges in cosine: 0.5 of the light, times N.L.
    const float cosIn = std::cos(0.25f), cosOut = std::cos(3.14159265f / 4.0f);
    const float rho = 0.5f * (cosIn + cosOut);
    const float x = std::tan(std::acos(rho));
    const float ndl = rho; // the normal is the axis
    const GfxColorValue expected{0.5f * ndl, 0.5f * ndl * 0.5f, 0.5f * ndl * 0.25f, 1};
    const uint32_t e = static_cast<uint32_t>(std::lround(expected.r * 255)) << 16
        | static_cast<uint32_t>(std::lround(expected.g * 255)) << 8
        | static_cast<uint32_t>(std::lround(expected.b * 255));
    EXPECT_TRUE(Near(Processed({x, 0, 0, 0, 0, -1}) & 0xFFFFFF, e, 2))
        << std::hex << Processed({x, 0, 0, 0, 0, -1}) << " " << e;
}

TEST_F(LightingTest, ColourSourcesAndColorVertex)
{
    const GfxLight light = Directional({0, 0, 1}, {1, 1, 1, 1});
    device->SetLight(0, &light);
    device->LightEnable(0, true);
    struct V {
        float x, y, z, nx, ny, nz;
        uint32_t c;
    };
    GfxVertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(V), 0, GfxFvf::Xyz | GfxFvf::Normal | GfxFvf::Diffuse,
                                         GfxPool::Managed, &vb),
              GfxResult::Ok);
    const V v{0, 0, 0, 0, 0, -1, 0x80004080};
    uint8_t* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, &v, sizeof v);
    vb->Unlock();
    device->SetVertexShader(GfxFvf::Xyz | GfxFvf::Normal | GfxFvf::Diffuse);
    device->SetStreamSource(0, vb, sizeof(V));
    auto run = [&] {
        device->ProcessVertices(0, 0, 1, output, 0);
        OutVertex out{};
        std::memcpy(&out, output->Bytes(), sizeof out);
        return out.color;
    };
    // Diffuse from the vertex colour (the default source), alpha with it.
    EXPECT_TRUE(Near(run(), 0x80004080));
    EXPECT_EQ(run() >> 24, 0x80u);
    // COLORVERTEX off: the material again.
    device->SetRenderState(GfxRs::ColorVertex, 0);
    EXPECT_TRUE(Near(run(), 0xFFFF8040));
    // Emissive from the vertex colour adds to the material's diffuse.
    device->SetRenderState(GfxRs::ColorVertex, 1);
    device->SetRenderState(GfxRs::DiffuseMaterialSource, GfxMcs::Material);
    device->SetRenderState(GfxRs::EmissiveMaterialSource, GfxMcs::Color1);
    EXPECT_TRUE(Near(run() & 0xFFFFFF, 0xFFBFBF));
    // Unlit: the vertex colour passes unchanged.
    device->SetRenderState(GfxRs::Lighting, 0);
    EXPECT_EQ(run(), 0x80004080u);
    vb->Release();
}

TEST_F(LightingTest, SoftwareAndHardwarePathsGiveTheSamePixels)
{
    GfxLight light = PointLight({0.3f, -0.2f, -1.0f}, 50.0f, 0.2f, 0.3f, 0.1f);
    light.ambient = {0.1f, 0.05f, 0.0f, 1};
    device->SetLight(1, &light);
    device->LightEnable(1, true);
    GfxLight sun = Directional({0.5f, -0.5f, 0.7f}, {0.3f, 0.4f, 0.2f, 1});
    device->SetLight(0, &sun);
    device->LightEnable(0, true);
    device->SetRenderState(GfxRs::Ambient, 0xFF102030);
    device->SetRenderState(GfxRs::NormalizeNormals, 1);
    GfxMatrix world = GfxIdentityMatrix();
    world.m[0][0] = 0.8f;
    world.m[3][2] = 2.0f;
    GfxMatrix proj{};
    proj.m[0][0] = 1.0f;
    proj.m[1][1] = 1.0f;
    proj.m[2][2] = 100.0f / 99.0f;
    proj.m[2][3] = 1.0f;
    proj.m[3][2] = -100.0f / 99.0f;
    device->SetTransform(GfxTransform::World, &world);
    device->SetTransform(GfxTransform::Projection, &proj);
    // A large triangle with one normal per corner.
    const NormalVertex tri[3] = {{-2.0f, 2.0f, 0.0f, 0.0f, 0.3f, -1.0f},
                                 {2.0f, 1.5f, 0.5f, 0.4f, 0.0f, -1.0f},
                                 {-1.5f, -2.0f, -0.5f, -0.3f, -0.2f, -1.0f}};
    uint8_t* data = nullptr;
    source->Lock(0, 0, &data, 0);
    std::memcpy(data, tri, sizeof tri);
    source->Unlock();
    device->BeginScene();
    ClearTo(0xFF000000);
    device->SetVertexShader(GfxFvf::Xyz | GfxFvf::Normal);
    device->SetStreamSource(0, source, sizeof(NormalVertex));
    ASSERT_EQ(device->DrawPrimitive(GfxPrimitive::TriangleList, 0, 1), GfxResult::Ok);
    device->EndScene();
    std::vector<uint32_t> gpu;
    const int probes[][2] = {{20, 20}, {32, 32}, {28, 40}, {40, 25}, {16, 30}};
    for (const auto& p : probes)
        gpu.push_back(Rgb(p[0], p[1]));

    ASSERT_EQ(device->ProcessVertices(0, 0, 3, output, 0), GfxResult::Ok);
    device->BeginScene();
    ClearTo(0xFF000000);
    device->SetVertexShader(GfxFvf::RhwDiffuse);
    device->SetStreamSource(0, output, sizeof(OutVertex));
    ASSERT_EQ(device->DrawPrimitive(GfxPrimitive::TriangleList, 0, 1), GfxResult::Ok);
    device->EndScene();
    for (size_t i = 0; i < gpu.size(); ++i) {
        EXPECT_NE(gpu[i], 0u) << "probe " << i << " is outside the triangle";
        EXPECT_TRUE(Near(Rgb(probes[i][0], probes[i][1]), gpu[i], 2))
            << std::hex << Rgb(probes[i][0], probes[i][1]) << " vs " << gpu[i];
    }
}
