// Fog, stencil, flat shading, depth bias and the developer's wire cylinder,
// read back from the back buffer.
#include "tests/render/RendererFixture.h"

#include <bit>
#include <cmath>

#include "testing/AllocationCounter.h"
#include "tests/platform/ImageTestFiles.h"

using namespace plat;
using namespace rtest;
using imgtest::Near;

namespace {

constexpr uint32_t kGrey = 0xFF808080;
constexpr uint32_t kLeftX = 160, kRightX = 480, kMidY = 240;

constexpr uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }

// White fogged towards red by a factor f (1 clear).
uint32_t Fogged(float f)
{
    const uint32_t c = uint32_t(std::lround(f * 255.0f));
    return 0xFFFF0000u | c << 8 | c;
}

struct SceneVertex {
    float x, y, z;
    uint32_t colour;
};

// A 32-bit screen whose depth buffer has stencil bits, under a 90-degree
// perspective camera at the origin looking along +z, lighting and culling off.
class RasterStateTest : public rtest::RendererTest {
protected:
    void SetUp() override
    {
        GfxTestAdapter adapter = rtest::StandardAdapter();
        adapter.refusedFormats = {GfxFormat::D32};
        ASSERT_TRUE(Open(640, 480, 32, adapter));
        GfxSurface* depth = nullptr;
        ASSERT_EQ(Device()->GetDepthStencilSurface(&depth), GfxResult::Ok);
        EXPECT_EQ(depth->Format(), GfxFormat::D24S8);
        depth->Release();
        BeginScreenFractionScene();
        rtest::AimCamera(*renderer, *renderer->GetCamera(), 4.0f / 3.0f);
        renderer->SetCulling(false);
        Clear();
    }

    void Clear()
    {
        Device()->Clear(0, nullptr, GfxClear::Target | GfxClear::ZBuffer | GfxClear::Stencil, kBlack, 1.0f, 0);
    }

    void States(std::initializer_list<std::pair<uint32_t, uint32_t>> states)
    {
        for (const auto& [state, value] : states) {
            renderer->DispatchRenderState(state, value);
        }
    }

    // A quad at eye depth z spanning x0..x1 and y0..y1 in multiples of z
    // (the screen spans -4/3..4/3 across and -1..1 up).
    void DrawQuad(float z, uint32_t colour, float x0 = -2, float x1 = 2, float y0 = -2, float y1 = 2)
    {
        const SceneVertex v[4] = {{x0 * z, y1 * z, z, colour}, {x1 * z, y1 * z, z, colour},
                                  {x0 * z, y0 * z, z, colour}, {x1 * z, y0 * z, z, colour}};
        renderer->SetVertexShader(GfxFvf::PosDiffuse);
        renderer->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, v, sizeof(SceneVertex));
    }
    void DrawLeftHalf(float z, uint32_t colour) { DrawQuad(z, colour, -2, 0); }

    uint32_t Centre() { return Pixel(ReadPixels(), 320, kMidY); }
};

struct FogCase {
    const char* name;
    uint32_t tableMode, vertexMode, range;
    float start, end, density;
    float z;      // eye depth of the wall
    float extent; // the wall's half-size, in multiples of z
    uint32_t expected;
};

TEST_F(RasterStateTest, FogBlendsTowardsItsColourByDistanceAsItsModeSays)
{
    const FogCase cases[] = {
        {"linear, nearer than the start: clear", GfxFog::Linear, 0, 0, 10, 20, 1, 5, 2, kWhite},
        {"linear, halfway from start to end", GfxFog::Linear, 0, 0, 10, 20, 1, 15, 2, Fogged(0.5f)},
        {"linear, past the end: all fog", GfxFog::Linear, 0, 0, 10, 20, 1, 40, 2, kRed},
        {"exponential", GfxFog::Exp, 0, 0, 0, 0, 0.05f, 10, 2, Fogged(std::exp(-0.5f))},
        {"squared exponential", GfxFog::Exp2, 0, 0, 0, 0, 0.05f, 10, 2, Fogged(std::exp(-0.25f))},
        {"vertex fog, linear", 0, GfxFog::Linear, 0, 10, 20, 1, 15, 2, Fogged(0.5f)},
        // Corners at (+-z, +-z, z) lie sqrt(3) z from the eye: every vertex
        // has the same range, so the whole wall has one factor.
        {"vertex fog by range", 0, GfxFog::Linear, 1, 0, 20, 1, 10, 1, Fogged(1 - std::sqrt(3.0f) / 2)},
        {"the same wall by depth", 0, GfxFog::Linear, 0, 0, 20, 1, 10, 1, Fogged(0.5f)},
        {"table fog wins over vertex fog", GfxFog::Linear, GfxFog::Exp, 0, 10, 20, 1, 15, 2, Fogged(0.5f)},
    };
    for (const FogCase& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        States({{GfxRs::FogEnable, 1}, {GfxRs::FogColor, kRed}, {GfxRs::FogTableMode, c.tableMode},
                {GfxRs::FogVertexMode, c.vertexMode}, {GfxRs::RangeFogEnable, c.range},
                {GfxRs::FogStart, Bits(c.start)}, {GfxRs::FogEnd, Bits(c.end)},
                {GfxRs::FogDensity, Bits(c.density)}});
        DrawQuad(c.z, kWhite, -c.extent, c.extent, -c.extent, c.extent);
        const uint32_t got = Centre();
        EXPECT_TRUE(Near(got, c.expected, 2)) << std::hex << got << " wanted " << c.expected;
    }
    // Fog off leaves the far wall clear whatever the modes say.
    Clear();
    renderer->DispatchRenderState(GfxRs::FogEnable, 0);
    DrawQuad(40, kWhite);
    EXPECT_EQ(Centre(), kWhite);
}

// The left half holds stencil 5 and depth at z 10 (drawn grey); the right
// half stencil 0 and no depth.
class StencilTest : public RasterStateTest {
protected:
    void SetUp() override
    {
        RasterStateTest::SetUp();
        Prepare();
    }
    void Prepare()
    {
        Clear();
        Stencil(GfxCmp::Always, 5, 0xFF, GfxStencilOp::Keep, GfxStencilOp::Keep, GfxStencilOp::Replace);
        renderer->DispatchRenderState(GfxRs::StencilEnable, 1);
        DrawLeftHalf(10, kGrey);
    }

    void Stencil(uint32_t func, uint32_t ref, uint32_t mask = 0xFF, uint32_t fail = GfxStencilOp::Keep,
                 uint32_t zfail = GfxStencilOp::Keep, uint32_t pass = GfxStencilOp::Keep, uint32_t writeMask = 0xFF)
    {
        States({{GfxRs::StencilFunc, func}, {GfxRs::StencilRef, ref}, {GfxRs::StencilMask, mask},
                {GfxRs::StencilFail, fail}, {GfxRs::StencilZFail, zfail}, {GfxRs::StencilPass, pass},
                {GfxRs::StencilWriteMask, writeMask}});
    }

    // Colours the part of the screen from x0 to x1 (multiples of the wall's
    // depth) wherever the stencil states let it, depth left alone.
    void Paint(uint32_t colour, float x0 = -2, float x1 = 2)
    {
        States({{GfxRs::ZFunc, GfxCmp::Always}, {GfxRs::ZWriteEnable, 0}});
        DrawQuad(50, colour, x0, x1);
        States({{GfxRs::ZFunc, GfxCmp::LessEqual}, {GfxRs::ZWriteEnable, 1}});
    }

    // Whether the stencil at (x, kMidY) holds value: a wall drawn where it
    // equals the value shows there, one drawn where it differs does not.
    bool Holds(uint32_t x, uint32_t value)
    {
        const auto shows = [&](uint32_t func) {
            Stencil(func, value);
            Paint(kBlue);
            const bool shown = Pixel(ReadPixels(), x, kMidY) == kBlue;
            Stencil(GfxCmp::Always, 0);
            Paint(kBlack);
            return shown;
        };
        return shows(GfxCmp::Equal) && !shows(GfxCmp::NotEqual);
    }
};

struct StencilFuncCase {
    const char* name;
    uint32_t func, ref, mask;
    bool left, right; // where the wall shows (stencil 5 left, 0 right)
};

struct StencilOpCase {
    const char* name;
    uint32_t func;
    bool behind; // the wall lies behind the left half's depth
    uint32_t fail, zfail, pass, ref, writeMask;
    uint32_t left, right; // the stencil afterwards
};

TEST_F(StencilTest, TheComparisonDecidesWherePixelsAreDrawn)
{
    const StencilFuncCase comparisons[] = {
        {"always", GfxCmp::Always, 0, 0xFF, true, true}, {"never", GfxCmp::Never, 0, 0xFF, false, false},
        {"equal", GfxCmp::Equal, 5, 0xFF, true, false}, {"not equal", GfxCmp::NotEqual, 5, 0xFF, false, true},
        {"less: the reference is below the stored value", GfxCmp::Less, 3, 0xFF, true, false},
        {"greater or equal", GfxCmp::GreaterEqual, 0, 0xFF, false, true},
        {"the mask applies to both sides", GfxCmp::Equal, 4, 4, true, false},
        {"mask 0 makes every value equal", GfxCmp::Equal, 7, 0, true, true},
    };
    for (const StencilFuncCase& c : comparisons) {
        SCOPED_TRACE(c.name);
        Stencil(c.func, c.ref, c.mask);
        DrawQuad(5, kGreen);
        ExpectPixels(ReadPixels(),
                     {{kLeftX, kMidY, c.left ? kGreen : kGrey}, {kRightX, kMidY, c.right ? kGreen : kBlack}});
        Stencil(GfxCmp::Always, 0);
        Paint(kGrey, -2, 0);
        Paint(kBlack, 0, 2);
    }
}

TEST_F(StencilTest, TheOperationsWriteTheStencilAsTheTestsTurnOut)
{
    constexpr uint32_t K = GfxStencilOp::Keep;
    const StencilOpCase operations[] = {
        {"pass replaces with the reference", GfxCmp::Always, false, K, K, GfxStencilOp::Replace, 9, 0xFF, 9, 9},
        {"pass zeroes", GfxCmp::Always, false, K, K, GfxStencilOp::Zero, 0, 0xFF, 0, 0},
        {"saturating increment", GfxCmp::Always, false, K, K, GfxStencilOp::IncrSat, 0, 0xFF, 6, 1},
        {"saturating decrement stops at 0", GfxCmp::Always, false, K, K, GfxStencilOp::DecrSat, 0, 0xFF, 4, 0},
        {"decrement wraps", GfxCmp::Always, false, K, K, GfxStencilOp::Decr, 0, 0xFF, 4, 255},
        {"increment", GfxCmp::Always, false, K, K, GfxStencilOp::Incr, 0, 0xFF, 6, 1},
        {"invert", GfxCmp::Always, false, K, K, GfxStencilOp::Invert, 0, 0xFF, 250, 255},
        {"the write mask keeps the bits it leaves out", GfxCmp::Always, false, K, K, GfxStencilOp::Invert, 0, 0x0F,
         10, 15},
        {"a failed stencil test runs the fail operation", GfxCmp::Never, false, GfxStencilOp::Replace, K, K, 9, 0xFF,
         9, 9},
        {"a failed depth test runs the depth-fail operation", GfxCmp::Always, true, K, GfxStencilOp::Replace,
         GfxStencilOp::Zero, 9, 0xFF, 9, 0},
    };
    for (const StencilOpCase& c : operations) {
        SCOPED_TRACE(c.name);
        Prepare();
        Stencil(c.func, c.ref, 0xFF, c.fail, c.zfail, c.pass, c.writeMask);
        DrawQuad(c.behind ? 20.0f : 5.0f, kGreen);
        EXPECT_TRUE(Holds(kLeftX, c.left)) << "left should hold " << c.left;
        EXPECT_TRUE(Holds(kRightX, c.right)) << "right should hold " << c.right;
    }
}

struct BiasCase {
    const char* name;
    uint32_t zbias, zfunc;
    bool ownVertices; // the decal has vertices of its own, else the floor's
    bool cover;       // a nearer wall covers the decal's place
    uint32_t expected;
};

TEST_F(RasterStateTest, FlatShadingGivesEachTriangleItsFirstVertexColour)
{
    // A strip of two triangles: (red, green, blue) on the left, (green, blue, white) on the right.
    const SceneVertex strip[4] = {{-10, 10, 10, kRed}, {10, 10, 10, kGreen}, {-10, -10, 10, kBlue},
                                  {10, -10, 10, kWhite}};
    struct Case {
        uint32_t shade;
        bool flat;
    };
    for (const Case c : {Case{GfxShade::Flat, true}, Case{GfxShade::Gouraud, false}}) {
        SCOPED_TRACE(c.shade);
        Clear();
        renderer->DispatchRenderState(GfxRs::ShadeMode, c.shade);
        renderer->SetVertexShader(GfxFvf::PosDiffuse);
        renderer->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, strip, sizeof(SceneVertex));
        const std::vector<uint32_t> pixels = ReadPixels();
        const uint32_t leftTriangle[3] = {Pixel(pixels, 200, 150), Pixel(pixels, 250, 200), Pixel(pixels, 200, 250)};
        const uint32_t rightTriangle[3] = {Pixel(pixels, 440, 330), Pixel(pixels, 390, 280), Pixel(pixels, 440, 230)};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(leftTriangle[i] == kRed, c.flat) << std::hex << leftTriangle[i];
            EXPECT_EQ(rightTriangle[i] == kGreen, c.flat) << std::hex << rightTriangle[i];
        }
    }
}

// A floor sloping away from the eye, and a decal lying on it.
TEST_F(RasterStateTest, DepthBiasLetsACoplanarDecalWinButNotOverNearerSurfaces)
{
    const auto quad = [](float x0, float x1, float y0, float y1, uint32_t colour, SceneVertex out[4]) {
        const auto at = [&](float x, float y) { return SceneVertex{x, y, 20 + y * 0.4f + x * 0.2f, colour}; };
        out[0] = at(x0, y1), out[1] = at(x1, y1), out[2] = at(x0, y0), out[3] = at(x1, y0);
    };
    SceneVertex floor[4], onFloor[4], decal[4];
    quad(-30, 30, -15, 15, kGrey, floor);
    quad(-30, 30, -15, 15, kGreen, onFloor);
    quad(-7.3f, 9.1f, -6.2f, 5.7f, kGreen, decal);
    const BiasCase cases[] = {
        {"the same triangles at an equal depth fail a less-than test", 0, GfxCmp::Less, false, false, kGrey},
        {"one step of bias lets them through", 1, GfxCmp::Less, false, false, kGreen},
        {"a decal with vertices of its own wins with one step", 1, GfxCmp::LessEqual, true, false, kGreen},
        {"the largest bias", 16, GfxCmp::Less, true, false, kGreen},
        {"a bias beyond the largest still wins", 200, GfxCmp::Less, true, false, kGreen},
        {"a nearer wall still hides the decal", 16, GfxCmp::LessEqual, true, true, kBlue},
    };
    for (const BiasCase& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        States({{GfxRs::ZFunc, c.zfunc}, {GfxRs::ZBias, 0}});
        renderer->SetVertexShader(GfxFvf::PosDiffuse);
        renderer->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, floor, sizeof(SceneVertex));
        if (c.cover) {
            DrawQuad(17, kBlue, -0.1f, 0.1f, -0.1f, 0.1f);
        }
        renderer->DispatchRenderState(GfxRs::ZBias, c.zbias);
        renderer->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, c.ownVertices ? decal : onFloor,
                                  sizeof(SceneVertex));
        ExpectPixels(ReadPixels(), {{320, 240, c.expected}, {300, 250, c.expected}, {340, 230, c.expected},
                                    {330, 245, c.expected}, {312, 236, c.expected}});
    }
}

// A trigger's cylinder stands behind a wall and is seen through it: the rows
// between its rings (at eye height, below the cap) show its sides.
TEST_F(RasterStateTest, AWireCylinderShowsItsSidesThroughAWallInFrontOfIt)
{
    DrawQuad(5, kGrey);
    const OmVector3 foot(0.0f, -1.0f, 10.0f);
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    renderer->DrawWirePrimitive(&foot, 2.0f, 2.0f, 8, red);
    const std::vector<uint32_t> pixels = ReadPixels();
    int sides = 0;
    for (uint32_t y = kMidY - 12; y < kMidY + 12; ++y)
        for (uint32_t x = 0; x < width; ++x)
            sides += Pixel(pixels, x, y) == kRed;
    EXPECT_EQ(Pixel(pixels, 4, kMidY), kGrey) << "the wall";
    EXPECT_GT(sides, 24);
}

TEST_F(RasterStateTest, FogStencilFlatAndBiasFramesAllocateNothingOnceWarm)
{
    uint64_t counted = 0;
    for (int frame = 0; frame < 28; ++frame) {
        // Eight frames to warm up: each combination's program is built once,
        // and the software driver compiles its own variants for each depth
        // bias it sees and again for a shader used a few times.
        testalloc::Count(frame >= 8);
        const uint64_t before = testalloc::Counted();
        Clear();
        for (uint32_t mode : {GfxFog::Linear, GfxFog::Exp, GfxFog::Exp2}) {
            States({{GfxRs::FogEnable, 1}, {GfxRs::FogTableMode, mode}, {GfxRs::FogEnd, Bits(float(30 + frame))}});
            DrawQuad(10, kWhite);
            States({{GfxRs::FogTableMode, 0}, {GfxRs::FogVertexMode, mode}});
            DrawQuad(10, kWhite);
            States({{GfxRs::FogVertexMode, 0}});
        }
        States({{GfxRs::FogEnable, 0}, {GfxRs::ShadeMode, GfxShade::Flat}, {GfxRs::StencilEnable, 1},
                {GfxRs::StencilPass, GfxStencilOp::Incr}, {GfxRs::ZBias, uint32_t(frame % 4)}});
        DrawQuad(5, kGreen);
        States({{GfxRs::ShadeMode, GfxShade::Gouraud}, {GfxRs::StencilEnable, 0}, {GfxRs::ZBias, 0}});
        testalloc::Count(false);
        counted += testalloc::Counted() - before;
    }
    EXPECT_EQ(counted, 0u);
}

} // namespace
