// Textures, the stage cascade, surfaces and the front buffer.
#include "GfxTestSupport.h"

using namespace gfxtest;

namespace {

class TextureTest : public DeviceTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Make(32, 32));
        device->SetRenderState(GfxRs::Lighting, 0);
    }
    void DrawQuad(uint32_t color) { DrawTexturedQuad(32, color); }
    GfxTexture* SolidTexture(uint32_t color) { return Hold(MakeTexture(4, 4, std::vector<uint32_t>(16, color))); }
};

} // namespace

TEST_F(TextureTest, EachStageOfTheCascadeCombinesAsItsOperationSays)
{
    GfxTexture* red = SolidTexture(0xFFC08040);
    GfxTexture* grey = SolidTexture(0x80808080);
    // The default stage 0 modulates texture and diffuse.
    device->SetTexture(0, red);
    DrawQuad(0xFF808080);
    EXPECT_TRUE(Near(Rgb(16, 16), 0x604020, 1)) << std::hex << Rgb(16, 16);
    // Stage 1 adds the texture factor; DISABLE on stage 2 ends the cascade
    // before stage 3 could change anything.
    device->SetRenderState(GfxRs::TextureFactor, 0xFF102030);
    device->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Add);
    device->SetTextureStageState(1, GfxTss::ColorArg1, GfxTa::Current);
    device->SetTextureStageState(1, GfxTss::ColorArg2, GfxTa::TFactor);
    device->SetTextureStageState(3, GfxTss::ColorOp, GfxTop::SelectArg1);
    device->SetTextureStageState(3, GfxTss::ColorArg1, GfxTa::TFactor);
    DrawQuad(0xFF808080);
    EXPECT_TRUE(Near(Rgb(16, 16), 0x706050, 1)) << std::hex << Rgb(16, 16);
    device->SetTexture(1, grey);
    device->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Modulate2x);
    device->SetTextureStageState(1, GfxTss::ColorArg2, GfxTa::Texture);
    DrawQuad(0xFF808080);
    EXPECT_TRUE(Near(Rgb(16, 16), 0x604020, 2)) << std::hex << Rgb(16, 16);
    // BLENDDIFFUSEALPHA on stage 0: texture weighted by the vertex alpha.
    device->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
    device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::BlendDiffuseAlpha);
    device->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    device->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
    DrawQuad(0x400000FF);
    // 0.25 x (C0, 80, 40) + 0.75 x (0, 0, FF)
    EXPECT_TRUE(Near(Rgb(16, 16), 0x3020CF, 2)) << std::hex << Rgb(16, 16);
}

TEST_F(TextureTest, DrawingIntoATextureTargetLeavesTheBackBufferAndDrawsBack)
{
    GfxTexture* rt = nullptr;
    GfxSurface* color = TargetLevel(16, GfxFormat::X8R8G8B8, &rt);
    GfxSurface* keptColor = Back();
    GfxSurface* keptDepth = BackDepth();
    ASSERT_TRUE(keptColor && keptDepth);
    ClearTo(0xFF000000);
    ASSERT_EQ(device->SetRenderTarget(color, Depth(16)), GfxResult::Ok);
    GfxViewport vp{};
    device->GetViewport(&vp);
    EXPECT_EQ(vp.width, 16u);
    device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    device->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Diffuse);
    device->BeginScene();
    ClearTo(0xFFFF0000);
    DrawRect(0, 0, 8, 4, 0xFF00FF00); // the top-left corner of the texture
    device->EndScene();
    EXPECT_EQ(Rgb(0, 0), 0u) << "the back buffer is untouched";
    ASSERT_EQ(device->SetRenderTarget(keptColor, keptDepth), GfxResult::Ok);
    device->SetTexture(0, rt);
    device->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    DrawQuad(0xFFFFFFFF);
    // Texture v = 0 is its top row: the green corner lands top-left.
    ExpectRgb({{2, 2, 0x00FF00}, {20, 2, 0xFF0000}, {2, 20, 0xFF0000}});
}

TEST_F(TextureTest, TargetTexturesCannotBeLockedAndOthersCannotBeTargets)
{
    GfxSurface* color = TargetLevel(16);
    ASSERT_NE(color, nullptr);
    GfxLockedRect locked{};
    EXPECT_EQ(color->LockRect(&locked, nullptr, 0), GfxResult::InvalidCall);
    EXPECT_EQ(device->SetRenderTarget(Level(SolidTexture(0xFFFFFFFF)), nullptr), GfxResult::InvalidCall);
    EXPECT_EQ(device->SetRenderTarget(color, Depth(8)), GfxResult::InvalidCall);
}

TEST_F(TextureTest, LevelsHalveWithTheirPitchAndLocksStayInsideThem)
{
    GfxLockedRect locked{};
    GfxTexture* t = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 4, 0, 0, GfxFormat::R5G6B5, GfxPool::Managed, &t), GfxResult::Ok);
    EXPECT_EQ(t->GetLevelCount(), 4u); // 8x4, 4x2, 2x1, 1x1
    GfxSurfaceDesc desc{};
    ASSERT_EQ(t->GetLevelDesc(2, &desc), GfxResult::Ok);
    EXPECT_EQ(std::tuple(desc.width, desc.height, desc.format), std::tuple(2u, 1u, GfxFormat::R5G6B5));
    ASSERT_EQ(t->LockRect(0, &locked, nullptr, 0), GfxResult::Ok);
    EXPECT_EQ(locked.pitch, 16);
    t->UnlockRect(0);
    const GfxRect outside{0, 0, 9, 4};
    EXPECT_EQ(t->LockRect(0, &locked, &outside, 0), GfxResult::InvalidCall);
    EXPECT_EQ(t->LockRect(4, &locked, nullptr, 0), GfxResult::InvalidCall);
    // A level handed out keeps its texture alive.
    GfxSurface* level = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(1, &level), GfxResult::Ok);
    EXPECT_EQ(t->Release(), 1u);
    EXPECT_EQ(level->Width(), 4u);
    EXPECT_EQ(level->Release(), 0u);
}

TEST_F(TextureTest, ATextureOfNoSizeOrOfAFormatTheDeviceLacksIsRefused)
{
    GfxTexture* bad = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, GfxFormat::A8R8G8B8, GfxPool::Managed, &bad), GfxResult::InvalidCall);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, GfxFormat::G16R16, GfxPool::Managed, &bad), GfxResult::InvalidCall);
    EXPECT_EQ(bad, nullptr);
}

TEST_F(TextureTest, AnImageSurfaceCopiesOntoTheBackBufferOnlyWhereItFits)
{
    GfxLockedRect locked{};
    GfxSurface* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(32, 32, GfxFormat::X8R8G8B8, &image), GfxResult::Ok);
    ASSERT_EQ(Hold(image)->LockRect(&locked, nullptr, 0), GfxResult::Ok);
    EXPECT_EQ(locked.pitch, 128);
    std::memset(locked.bits, 0x20, 32 * 128);
    image->UnlockRect();
    GfxSurface* back = Back();
    // One rectangle to a point; the rest stays.
    ClearTo(0xFF000000);
    const GfxRect r{4, 4, 8, 8};
    const GfxPoint p{20, 0};
    ASSERT_EQ(device->CopyRects(image, &r, 1, back, &p), GfxResult::Ok);
    ExpectRgb({{20, 0, 0x202020}, {23, 3, 0x202020}, {24, 4, 0}, {4, 4, 0}});
    // Formats must match and the copy must fit.
    GfxSurface* small = nullptr;
    device->CreateImageSurface(8, 8, GfxFormat::R5G6B5, &small);
    EXPECT_EQ(device->CopyRects(Hold(small), nullptr, 0, back, nullptr), GfxResult::InvalidCall);
    const GfxPoint far{30, 30};
    EXPECT_EQ(device->CopyRects(image, &r, 1, back, &far), GfxResult::InvalidCall);
}
