// Helpers for the tests of blended drawing: plain coloured materials, and a
// renderer set up so that positions are screen fractions (identity
// matrices) with lighting off.
#pragma once

#include "engine/OmMaterial.h"
#include "tests/render/RendererFixture.h"

namespace rtest {

// A coloured-source vertex (position, diffuse, one texture set).
struct ColouredVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(ColouredVertex) == 24);

class BlendTest : public RendererTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Open(640, 480));
        BeginScreenFractionScene();
    }
    void BeginScreenFractionScene()
    {
        renderer->SetWorldMatrix(&OmMatrix4::Identity());
        renderer->SetViewMatrix(&OmMatrix4::Identity());
        renderer->SetProjectionMatrix(&OmMatrix4::Identity());
        renderer->SetLighting(false);
        ClearTo(0.0f, 0.0f, 0.0f);
        ASSERT_TRUE(Device()->BeginScene() == plat::GfxResult::Ok);
    }
    void TearDown() override
    {
        if (renderer && renderer->GetDevice())
            Device()->EndScene();
        RendererTest::TearDown();
    }

    // A registered material whose emissive colour tells it apart.
    int32_t Material(float tag, uint32_t blend = 0x20)
    {
        const OmColour white(1, 1, 1, 1), none(0, 0, 0, 0);
        OmMaterial m(white, white, none, OmColour(tag, 0, 0, 1), 10.0f, 1.0f, blend);
        return renderer->RegisterMaterial(&m);
    }

    uint64_t Draws() const
    {
        return renderer->GetDevice()->CallCount(plat::GfxCall::DrawIndexedPrimitive)
            + renderer->GetDevice()->CallCount(plat::GfxCall::DrawPrimitive);
    }
};

} // namespace rtest
