// The back buffer, pre-transformed drawing and culling on the device alone;
// blending, alpha testing and transformed geometry are checked on the
// pixels the renderer draws through it.
#include "GfxTestSupport.h"

using namespace gfxtest;

TEST_F(DeviceTest, ClearFillsTheBackBufferOrOneRectangleAndNeverLeavesTheViewport)
{
    for (auto [w, h] : {std::pair{640u, 480u}, std::pair{800u, 600u}}) {
        ASSERT_TRUE(Make(w, h)) << w << "x" << h;
        EXPECT_EQ(params.backBufferWidth, w);
        ClearTo(0xFF336699);
        ExpectRgb({{0, 0, 0x336699}, {int(w) - 1, int(h) - 1, 0x336699}});
        GfxSurface* back = nullptr;
        ASSERT_EQ(device->GetBackBuffer(0, GfxBackBufferMono, &back), GfxResult::Ok);
        GfxSurfaceDesc desc{};
        back->GetDesc(&desc);
        EXPECT_EQ(desc.width, w);
        EXPECT_EQ(desc.height, h);
        EXPECT_EQ(desc.format, GfxFormat::X8R8G8B8);
        back->Release();
    }
    ClearTo(0xFF000000);
    const GfxRect r{200, 150, 600, 450};
    ASSERT_EQ(device->Clear(1, &r, GfxClear::Target, 0xFFFF8000, 1.0f, 0), GfxResult::Ok);
    ExpectRgb({{200, 150, 0xFF8000}, {599, 449, 0xFF8000}, {199, 150, 0}, {200, 149, 0}, {600, 449, 0},
               {599, 450, 0}});
    const GfxViewport vp{100, 100, 50, 50, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), GfxResult::Ok);
    ClearTo(0xFF0000FF);
    ExpectRgb({{100, 100, 0x0000FF}, {149, 149, 0x0000FF}, {150, 150, 0}, {99, 100, 0}});
}

TEST_F(DeviceTest, SixteenBitBackBufferHoldsPackedPixels)
{
    ASSERT_TRUE(Make(640, 480, GfxFormat::R5G6B5));
    ClearTo(0xFFFF0000);
    GfxSurface* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, GfxBackBufferMono, &back), GfxResult::Ok);
    GfxLockedRect locked{};
    ASSERT_EQ(back->LockRect(&locked, nullptr, GfxLock::ReadOnly), GfxResult::Ok);
    EXPECT_EQ(locked.pitch, 640 * 2);
    uint16_t pixel = 0;
    std::memcpy(&pixel, static_cast<uint8_t*>(locked.bits) + 10 * locked.pitch + 20, 2);
    EXPECT_EQ(pixel, 0xF800);
    back->UnlockRect();
    back->Release();
}

TEST_F(DeviceTest, PretransformedVerticesHitPixelCentresAndDrawsNeedAScene)
{
    ASSERT_TRUE(Make(64, 64));
    UseDiffuse();
    ClearTo(0xFF000000);
    // A vertex without a colour is white.
    struct V {
        float x, y, z, rhw;
    };
    const V v[3] = {{-0.5f, -0.5f, 0.5f, 1}, {40, -0.5f, 0.5f, 1}, {-0.5f, 40, 0.5f, 1}};
    device->SetVertexShader(GfxFvf::XyzRhw);
    EXPECT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, v, sizeof(V)), GfxResult::InvalidCall);
    EXPECT_EQ(Rgb(1, 1), 0u);
    ASSERT_EQ(device->BeginScene(), GfxResult::Ok);
    EXPECT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, v, sizeof(V)), GfxResult::Ok);
    device->EndScene();
    EXPECT_EQ(Rgb(1, 1), 0xFFFFFFu);
    device->BeginScene();
    ClearTo(0xFF000000);
    DrawRect(10, 20, 20, 30, 0xFF00FF00);
    device->EndScene();
    ExpectRgb({{10, 20, 0x00FF00}, {19, 29, 0x00FF00}, {9, 20, 0}, {20, 20, 0}, {10, 19, 0}, {10, 30, 0}});
}

TEST_F(DeviceTest, CullingJudgesWindingOnTheScreen)
{
    ASSERT_TRUE(Make(32, 32));
    UseDiffuse();
    // On screen (y down): top-left, top-right, bottom-left turns clockwise.
    const RhwVertex cw[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF}, {30, 0, 0.5f, 1, 0xFFFFFFFF},
                             {0, 30, 0.5f, 1, 0xFFFFFFFF}};
    const RhwVertex ccw[3] = {cw[0], cw[2], cw[1]};
    struct Case {
        uint32_t cull;
        const RhwVertex* v;
        bool drawn;
    };
    const Case cases[] = {{GfxCull::Ccw, cw, true}, {GfxCull::Ccw, ccw, false}, {GfxCull::Cw, cw, false},
                          {GfxCull::Cw, ccw, true}, {GfxCull::None, cw, true},  {GfxCull::None, ccw, true}};
    for (const Case& c : cases) {
        device->BeginScene();
        ClearTo(0xFF000000);
        device->SetRenderState(GfxRs::CullMode, c.cull);
        device->SetVertexShader(GfxFvf::RhwDiffuse);
        device->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, c.v, sizeof(RhwVertex));
        device->EndScene();
        EXPECT_EQ(Rgb(5, 5), c.drawn ? 0xFFFFFFu : 0u) << "cull " << c.cull;
    }
}
