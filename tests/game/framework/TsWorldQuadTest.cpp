#include "tests/render/RendererFixture.h"

#include "game/framework/TsWorldQuad.h"

namespace {

namespace GfxRs = plat::GfxRs;

using WorldQuadTest = rtest::ScreenTest;

TEST_F(WorldQuadTest, DrawsWithItsTextureAndPutsTheStatesBack)
{
    TsWorldQuad quad;
    ASSERT_TRUE(quad.Create("data\\textures\\cloth.tga"));
    EXPECT_GE(quad.GetVertexBufferId(), 0);
    EXPECT_GE(quad.GetTextureId(), 0);

    quad.SetScale(4.0f);
    ClearTo(0.0f, 0.0f, 1.0f);
    renderer->DispatchRenderState(GfxRs::CullMode, plat::GfxCull::Cw);
    renderer->DispatchRenderState(GfxRs::ZWriteEnable, 1);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
    ASSERT_EQ(Device()->BeginScene(), plat::GfxResult::Ok);
    quad.Render();
    Device()->EndScene();
    ExpectStates({{GfxRs::CullMode, plat::GfxCull::Cw}, {GfxRs::ZWriteEnable, 1}, {GfxRs::AlphaBlendEnable, 0}});
}

TEST_F(WorldQuadTest, AReleasedQuadHoldsNothingAndOneWithoutItsTextureIsNotMade)
{
    TsWorldQuad quad;
    ASSERT_TRUE(quad.Create("data\\textures\\cloth.tga"));
    quad.Release();
    EXPECT_EQ(quad.GetVertexBufferId(), -1);
    EXPECT_EQ(quad.GetTextureId(), -1);
    EXPECT_FALSE(quad.Create("data\\textures\\no such texture.tga"));
    quad.Release();
    EXPECT_EQ(quad.GetTextureId(), -1);
}

} // namespace
