// The title figure's shape draws the figure both ways: into the render
// target it is handed (and nowhere else), and straight to the screen when it
// has none; a target the device refuses skips the figure but keeps the
// screen's target.
#include "tests/ui/TitleFixture.h"

#include "engine/OmGroup.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"
#include "ui/TsFrontEndSkinShape.h"

using namespace titletest;
using namespace plat;

namespace {

class SkinShape : public TitleTest {
protected:
    void SetUp() override
    {
        TitleTest::SetUp();
        Start();
        renderer = OmD3D::Instance();
        device = renderer->GetDevice();
        shape = Title().GetCharacterShape();
        ASSERT_NE(shape, nullptr);
    }

    // One frame of the figure alone on black, fully lit by the ambient
    // light; with a render texture, that texture then covers the screen.
    std::vector<uint32_t> DrawFigure(GfxTexture* showTexture)
    {
        const float black[3] = {0, 0, 0};
        renderer->SetClearColour(black);
        renderer->Clear(nullptr, 0);
        EXPECT_TRUE(renderer->BeginScene(0.0f));
        renderer->ApplyCamera();
        renderer->DispatchRenderState(GfxRs::Ambient, 0xFFFFFFFF);
        Title().GetCharacterModel()->Update(0.0f);
        Title().GetCharacterModel()->Render(*renderer);
        if (showTexture)
            CoverScreen(showTexture);
        renderer->EndScene();
        renderer->Present();
        return ReadScreen();
    }

    void CoverScreen(GfxTexture* texture)
    {
        struct Vertex {
            float x, y, z, rhw;
            uint32_t colour;
            float u, v;
        };
        const float w = float(width), h = float(height);
        const Vertex quad[4] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                                {w, 0, 0, 1, 0xFFFFFFFF, 1, 0},
                                {0, h, 0, 1, 0xFFFFFFFF, 0, 1},
                                {w, h, 0, 1, 0xFFFFFFFF, 1, 1}};
        renderer->DispatchRenderState(GfxRs::ZEnable, 0);
        renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
        renderer->SetVertexShader(0x144);
        renderer->SetTexture(0, -1);
        device->SetTexture(0, texture);
        renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
        renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
        renderer->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, quad, sizeof(Vertex));
        device->SetTexture(0, nullptr);
        renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
        renderer->DispatchRenderState(GfxRs::ZEnable, 1);
    }

    static int Lit(const std::vector<uint32_t>& screen)
    {
        int n = 0;
        for (uint32_t p : screen)
            n += (p & 0xFFFFFF) != 0;
        return n;
    }

    OmD3D* renderer = nullptr;
    GfxDevice* device = nullptr;
    TsFrontEndSkinShape* shape = nullptr;
};

TEST_F(SkinShape, TheFigureGoesIntoItsTargetOrToTheScreenAndARefusedTargetSkipsIt)
{
    ASSERT_TRUE(shape->HasRenderTarget());
    EXPECT_EQ(Lit(DrawFigure(nullptr)), 0) << "nothing of the figure reaches the screen";
    EXPECT_GT(Lit(DrawFigure(Title().GetRenderTexture())), width * height / 50) << "the texture holds the figure";
    // The screen's own target is back afterwards.
    GfxSurface* target = nullptr;
    ASSERT_EQ(device->GetRenderTarget(&target), GfxResult::Ok);
    GfxSurface* back = nullptr;
    device->GetBackBuffer(0, 0, &back);
    EXPECT_EQ(target, back);
    target->Release();

    Title().ReleaseRenderTarget();
    ASSERT_FALSE(shape->HasRenderTarget());
    EXPECT_GT(Lit(DrawFigure(nullptr)), width * height / 50);

    // A plain texture's level is no render target: SetRenderTarget fails.
    GfxTexture* plain = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 64, 1, 0, GfxFormat::A8R8G8B8, GfxPool::Managed, &plain), GfxResult::Ok);
    GfxSurface* level = nullptr;
    plain->GetSurfaceLevel(0, &level);
    GfxSurface* depth = nullptr;
    device->CreateDepthStencilSurface(64, 64, GfxFormat::D16, 0, &depth);
    shape->SetRenderTarget(level, depth, 64, 64);
    const uint32_t before = back->AddRef() - 1;
    back->Release();
    EXPECT_EQ(Lit(DrawFigure(nullptr)), 0);
    EXPECT_EQ(back->AddRef() - 1, before) << "the kept back buffer was released";
    back->Release();
    back->Release();
    shape->ReleaseRenderTarget();
    level->Release();
    depth->Release();
    plain->Release();
}

} // namespace
