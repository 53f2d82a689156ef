// Lighting and software vertex processing, against values worked out by hand.
#include "GfxTestSupport.h"
#include "platform/CameraMatrix.h"

#include <cmath>

using namespace gfxtest;

namespace {

struct NormalVertex {
    float x, y, z, nx, ny, nz;
};

GfxLight Light(uint32_t type, GfxColorValue diffuse)
{
    GfxLight l{};
    l.type = type;
    l.diffuse = diffuse;
    return l;
}

GfxLight Directional(GfxVector3 direction, GfxColorValue diffuse)
{
    GfxLight l = Light(GfxLightType::Directional, diffuse);
    l.direction = direction;
    return l;
}

GfxLight PointLight(GfxVector3 position, float range, float a0, float a1, float a2)
{
    GfxLight l = Light(GfxLightType::Point, {1, 1, 1, 1});
    l.position = position;
    l.range = range;
    l.attenuation0 = a0;
    l.attenuation1 = a1;
    l.attenuation2 = a2;
    return l;
}

uint32_t Grey(float level)
{
    const uint32_t c = static_cast<uint32_t>(std::lround(level * 255.0f));
    return c << 16 | c << 8 | c;
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
        ASSERT_EQ(device->CreateVertexBuffer(64 * 32, GfxUsage::WriteOnly, GfxFvf::Xyz | GfxFvf::Normal,
                                             GfxPool::Managed, &source), GfxResult::Ok);
        ASSERT_EQ(device->CreateVertexBuffer(64 * sizeof(RhwVertex), GfxUsage::WriteOnly, GfxFvf::RhwDiffuse,
                                             GfxPool::Default, &output), GfxResult::Ok);
        Hold(source);
        Hold(output);
    }

    void SetLight(uint32_t index, const GfxLight& light)
    {
        device->SetLight(index, &light);
        device->LightEnable(index, true);
    }

    // Runs one vertex of the given format through software processing into out.
    template <class Out = RhwVertex, class In = NormalVertex>
    Out Process(const In& v, uint32_t fvf = GfxFvf::Xyz | GfxFvf::Normal, GfxVertexBuffer* out = nullptr)
    {
        Fill(source, v);
        device->SetVertexShader(fvf);
        device->SetStreamSource(0, source, sizeof v);
        out = out ? out : output;
        EXPECT_EQ(device->ProcessVertices(0, 0, 1, out, 0), GfxResult::Ok);
        Out o{};
        std::memcpy(&o, out->Bytes(), sizeof o);
        return o;
    }
    uint32_t Lit(const NormalVertex& v) { return Process(v).color & 0xFFFFFF; }
    // A screen-filling quad at depth 0.5 with the given normal; the colour drawn at its centre.
    uint32_t DrawLitQuad(GfxVector3 n)
    {
        const NormalVertex q[4] = {{-1, 1, 0.5f, n.x, n.y, n.z}, {1, 1, 0.5f, n.x, n.y, n.z},
                                   {-1, -1, 0.5f, n.x, n.y, n.z}, {1, -1, 0.5f, n.x, n.y, n.z}};
        device->BeginScene();
        ClearTo(0xFF000000);
        device->SetVertexShader(GfxFvf::Xyz | GfxFvf::Normal);
        EXPECT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, q, sizeof(NormalVertex)), GfxResult::Ok);
        device->EndScene();
        return Rgb(32, 32);
    }

    GfxVertexBuffer* source = nullptr;
    GfxVertexBuffer* output = nullptr;
};

} // namespace

TEST_F(LightingTest, LightsStayInWorldSpaceWhenTheViewChanges)
{
    // The light is set under one view and used under another: what it lights
    // in the world must not change (a light fixed to the old camera would).
    SetLight(0, Directional({0, 0, 1}, {1, 1, 1, 1}));
    GfxMatrix view = GfxIdentityMatrix();
    view.m[0][0] = -1.0f; // half a turn about y, then moved
    view.m[2][2] = -1.0f;
    view.m[3][2] = 5.0f;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(Near(Lit({0, 0, 0.5f, 0, 0, -1}), 0xFF8040, 1)) << pass;
        EXPECT_EQ(Lit({0, 0, 0.5f, 0, 0, 1}), 0u) << pass;
        device->SetTransform(GfxTransform::View, &view);
    }
    // A point light set under the turned view, used under none: 2 units away, half the material.
    device->LightEnable(0, false);
    SetLight(1, PointLight({0, 0, -2}, 10.0f, 0.0f, 1.0f, 0.0f));
    view = GfxIdentityMatrix();
    device->SetTransform(GfxTransform::View, &view);
    EXPECT_TRUE(Near(Lit({0, 0, 0, 0, 0, -1}), 0x804020, 1));
}

TEST_F(LightingTest, ASpotLightsFullyInsideItsInnerConeAndFallsOffToItsOuterCone)
{
    GfxLight light = Light(GfxLightType::Spot, {1, 1, 1, 1});
    light.position = {0, 0, -1};
    light.direction = {0, 0, 1};
    light.range = 100.0f;
    light.attenuation0 = 1.0f;
    light.theta = 0.5f;             // inner cone half-angle 0.25
    light.phi = 3.14159265f / 2.0f; // outer cone half-angle pi/4
    light.falloff = 1.0f;
    SetLight(0, light);
    // Straight below the light, the normal facing it: full.
    EXPECT_TRUE(Near(Lit({0, 0, 0, 0, 0, -1}), 0xFF8040, 1));
    // At 60 degrees off the axis: outside the outer cone.
    EXPECT_EQ(Lit({std::tan(3.14159265f / 3.0f), 0, 0, 0, 0, -1}), 0u);
    // Half way between the cone edges in cosine: 0.5 of the light, times N.L (= rho, the normal is the axis).
    const float rho = 0.5f * (std::cos(0.25f) + std::cos(3.14159265f / 4.0f));
    const uint32_t e = (Grey(0.5f * rho) & 0xFF0000) | (Grey(0.25f * rho) & 0xFF00) | (Grey(0.125f * rho) & 0xFF);
    const uint32_t got = Lit({std::tan(std::acos(rho)), 0, 0, 0, 0, -1});
    EXPECT_TRUE(Near(got, e, 2)) << std::hex << got << " " << e;
}

// The light 2 units in front of a vertex at the origin facing it.
TEST_F(LightingTest, PointLightAttenuationFollowsItsTermsAndStopsAtItsRange)
{
    device->SetRenderState(GfxRs::Lighting, 1);
    const struct {
        const char* name;
        float a0, a1, a2, range;
        uint32_t expected;
    } cases[] = {
        {"1 / (0.25 x 2) = 2, clamped per channel", 0, 0.25f, 0, 10, 0xFFFF80}, {"1 / 2", 0, 1, 0, 10, 0x804020},
        {"a negative term is kept: 1 / (1 - 0.25 x 2)", 1, -0.25f, 0, 10, 0xFFFF80},
        {"1 / (1 + 0.75 x 4)", 1, 0, 0.75f, 10, 0x402010}, {"beyond the range nothing arrives", 1, 0, 0.75f, 1.5f, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLight(3, PointLight({0, 0, -2}, c.range, c.a0, c.a1, c.a2));
        const uint32_t got = Lit({0, 0, 0, 0, 0, -1});
        EXPECT_TRUE(c.expected ? Near(got, c.expected, 1) : got == 0) << std::hex << got;
    }
}

TEST_F(LightingTest, SoftwareAndHardwarePathsGiveTheSamePixels)
{
    GfxLight light = PointLight({0.3f, -0.2f, -1.0f}, 50.0f, 0.2f, 0.3f, 0.1f);
    light.ambient = {0.1f, 0.05f, 0.0f, 1};
    SetLight(1, light);
    SetLight(0, Directional({0.5f, -0.5f, 0.7f}, {0.3f, 0.4f, 0.2f, 1}));
    device->SetRenderState(GfxRs::Ambient, 0xFF102030);
    device->SetRenderState(GfxRs::NormalizeNormals, 1);
    GfxMatrix world = GfxIdentityMatrix();
    world.m[0][0] = 0.8f;
    world.m[3][2] = 2.0f;
    GfxMatrix proj{};
    plat::MatrixPerspectiveFovLH(&proj.m[0][0], 3.14159265f / 2.0f, 1.0f, 1.0f, 100.0f);
    device->SetTransform(GfxTransform::World, &world);
    device->SetTransform(GfxTransform::Projection, &proj);
    // A large triangle with one normal per corner.
    const NormalVertex tri[3] = {{-2.0f, 2.0f, 0.0f, 0.0f, 0.3f, -1.0f},
                                 {2.0f, 1.5f, 0.5f, 0.4f, 0.0f, -1.0f},
                                 {-1.5f, -2.0f, -0.5f, -0.3f, -0.2f, -1.0f}};
    Fill(source, tri);
    const auto draw = [&](uint32_t fvf, GfxVertexBuffer* vb, uint32_t stride) {
        device->BeginScene();
        ClearTo(0xFF000000);
        device->SetVertexShader(fvf);
        device->SetStreamSource(0, vb, stride);
        ASSERT_EQ(device->DrawPrimitive(GfxPrimitive::TriangleList, 0, 1), GfxResult::Ok);
        device->EndScene();
    };
    draw(GfxFvf::Xyz | GfxFvf::Normal, source, sizeof(NormalVertex));
    std::vector<uint32_t> gpu;
    const int probes[][2] = {{20, 20}, {32, 32}, {28, 40}, {40, 25}, {16, 30}};
    for (const auto& p : probes)
        gpu.push_back(Rgb(p[0], p[1]));
    ASSERT_EQ(device->ProcessVertices(0, 0, 3, output, 0), GfxResult::Ok);
    draw(GfxFvf::RhwDiffuse, output, sizeof(RhwVertex));
    for (size_t i = 0; i < gpu.size(); ++i) {
        EXPECT_NE(gpu[i], 0u) << "probe " << i << " is outside the triangle";
        EXPECT_TRUE(Near(Rgb(probes[i][0], probes[i][1]), gpu[i], 2))
            << std::hex << Rgb(probes[i][0], probes[i][1]) << " vs " << gpu[i];
    }
}

TEST_F(LightingTest, SpecularHighlightWithLocalAndDistantViewer)
{
    GfxLight light = Directional({0, 0, 1}, {0, 0, 0, 1});
    light.specular = {1, 1, 1, 1};
    SetLight(0, light);
    GfxMaterial m{};
    m.specular = {0.5f, 0.5f, 0.5f, 1};
    m.power = 4.0f;
    device->SetMaterial(&m);
    device->SetRenderState(GfxRs::SpecularEnable, 1);
    struct Out2 {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
    };
    GfxVertexBuffer* out = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(Out2), 0, GfxFvf::XyzRhw | GfxFvf::Diffuse | GfxFvf::Specular,
                                         GfxPool::Default, &out), GfxResult::Ok);
    const auto specularAt = [&](NormalVertex v) {
        return Process<Out2>(v, GfxFvf::Xyz | GfxFvf::Normal, out).specular & 0xFFFFFF;
    };
    // Seen from straight ahead the half vector is the normal: 0.5 x 1^4.
    EXPECT_EQ(specularAt({0, 0, 5, 0, 0, -1}), 0x808080u);
    // Off to the side a local viewer sees less: N.H = cos(22.5 degrees).
    const uint32_t side = specularAt({5, 0, 5, 0, 0, -1});
    EXPECT_TRUE(Near(side, Grey(0.5f * std::pow(std::cos(3.14159265f / 8.0f), 4.0f)), 1)) << std::hex << side;
    device->SetRenderState(GfxRs::LocalViewer, 0);
    EXPECT_EQ(specularAt({5, 0, 5, 0, 0, -1}), 0x808080u);
    // Drawn, the highlight adds to the diffuse colour (black here).
    EXPECT_TRUE(Near(DrawLitQuad({0, 0, -1}), 0x808080, 1)) << std::hex << Rgb(32, 32);
    device->SetRenderState(GfxRs::SpecularEnable, 0);
    EXPECT_EQ(DrawLitQuad({0, 0, -1}), 0u);
    out->Release();
}

TEST_F(LightingTest, TextureTransformAndCameraSpaceTexgen)
{
    // Camera-space position through a matrix that maps x to u and z to v,
    // the way cloud shadows are projected; with two coordinates asked for,
    // q stays 1 whatever the matrix's last column holds.
    struct Src {
        float x, y, z;
        uint32_t c;
        float u, v;
    };
    struct Out {
        float x, y, z, rhw;
        uint32_t c;
        float u0, v0, s1, t1, r1, q1;
    };
    GfxVertexBuffer* out = nullptr;
    const uint32_t outFvf = GfxFvf::RhwDiffuseTex2 | GfxFvf::TexSizeBits(GfxFvf::TexSize4, 1);
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(Out), 0, outFvf, GfxPool::Default, &out), GfxResult::Ok);
    device->SetRenderState(GfxRs::Lighting, 0);
    GfxMatrix texgen{};
    texgen.m[0][0] = 0.5f;  // u = x / 2 + 0.1
    texgen.m[2][1] = 0.25f; // v = z / 4 + 0.2
    texgen.m[3][0] = 0.1f;
    texgen.m[3][1] = 0.2f;
    device->SetTransform(static_cast<uint32_t>(GfxTransform::Texture0 + 1), &texgen);
    device->SetTextureStageState(1, GfxTss::TexCoordIndex, GfxTci::CameraSpacePosition);
    device->SetTextureStageState(1, GfxTss::TextureTransformFlags, GfxTtff::Count2);
    const Out o = Process<Out>(Src{2.0f, 3.0f, 4.0f, 0xFFFFFFFF, 0.25f, 0.75f}, GfxFvf::PosDiffuseTex1, out);
    EXPECT_EQ(std::pair(o.u0, o.v0), std::pair(0.25f, 0.75f)); // set 0 passes through
    EXPECT_FLOAT_EQ(o.s1, 1.1f);
    EXPECT_FLOAT_EQ(o.t1, 1.2f);
    EXPECT_FLOAT_EQ(o.q1, 1.0f);
    out->Release();
}
