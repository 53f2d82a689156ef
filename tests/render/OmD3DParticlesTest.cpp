// Particle quads on the real device.
#include <gtest/gtest.h>

#include "engine/OmParticleSystem.h"
#include "tests/render/RendererFixture.h"

using rtest::ScreenTest;

namespace {

// A square of half size h around (x, y) at depth 0.5, as the particle
// system builds it for an unturned particle.
void Quad(OmParticleVertex* v, float x, float y, float h, uint32_t colour)
{
    v[0] = {x - h, y + h, 0.5f, colour, 0.0f, 0.0f};
    v[1] = {x + h, y + h, 0.5f, colour, 1.0f, 0.0f};
    v[2] = {x + h, y - h, 0.5f, colour, 1.0f, 1.0f};
    v[3] = {x - h, y - h, 0.5f, colour, 0.0f, 1.0f};
}

} // namespace

TEST_F(ScreenTest, ParticleRunsDrawAdditivelyAndRestoreTheState)
{
    ClearTo(0.0f, 0.0f, 0.25f);
    // With an identity projection camera space is clip space.
    renderer->SetProjectionMatrix(&OmMatrix4::Identity());
    OmMatrix4 view;
    view.SetIdentity();
    view.m[12] = 5.0f; // whatever the scene had: the quads ignore it
    renderer->SetViewMatrix(&view);
    const uint32_t zWrite = renderer->GetRenderState(plat::GfxRs::ZWriteEnable);
    const uint32_t colourOp = renderer->GetTextureStageState(0, plat::GfxTss::ColorOp);

    OmParticleVertex v[8];
    Quad(v, -0.5f, 0.0f, 0.25f, 0xFFFF0000u); // left half, red
    Quad(v + 4, 0.5f, 0.0f, 0.25f, 0xFF00FF00u); // right half, green
    const OmParticleRun runs[] = {{-1, 0, 1}, {-1, 1, 1}};
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    renderer->DrawParticles(v, runs, 2);
    renderer->EndScene();

    // Each colour added to the blue; only the blue between and above them.
    ExpectPixels(ReadPixels(), {{160, 240, 0xFFFF003Fu}, {480, 240, 0xFF00FF3Fu}, {320, 240, 0xFF00003Fu},
                                {160, 100, 0xFF00003Fu}});
    ExpectStates({{plat::GfxRs::ZWriteEnable, zWrite}, {plat::GfxRs::AlphaBlendEnable, 0}});
    EXPECT_EQ(renderer->GetTextureStageState(0, plat::GfxTss::ColorOp), colourOp);
    EXPECT_FLOAT_EQ(renderer->GetViewMatrix()->m[12], 5.0f);
}
