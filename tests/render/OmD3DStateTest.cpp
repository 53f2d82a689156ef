// The cached device state: skipped device calls, state blocks, default
// states, primitive counts and the state put back after a device reset.
#include "tests/render/RendererFixture.h"

#include <tuple>

using namespace plat;
using rtest::RendererTest;

namespace {

uint64_t Calls(GfxDevice* device, GfxCall call) { return device->CallCount(call); }

GfxTexture* NewTexture(GfxDevice* device)
{
    GfxTexture* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, GfxFormat::A8R8G8B8, GfxPool::Managed, &texture), GfxResult::Ok);
    return texture;
}

// Loses the device and lets the renderer's next frame reset it.
void LoseAndReset(OmD3D& renderer)
{
    renderer.GetDevice()->SimulateCooperativeLevel(GfxResult::DeviceNotReset);
    renderer.MarkDeviceLost();
    EXPECT_FALSE(renderer.BeginScene(0.0f));
}

} // namespace

TEST_F(RendererTest, DefaultStatesReachTheDeviceAndTheCacheMatchesIt)
{
    ASSERT_TRUE(Open(640, 480));
    auto deviceState = [&](uint32_t state) {
        uint32_t v = 0;
        Device()->GetRenderState(state, &v);
        return v;
    };
    auto deviceStage = [&](uint32_t stage, uint32_t type) {
        uint32_t v = 0;
        Device()->GetTextureStageState(stage, type, &v);
        return v;
    };
    // The device's own default for a later stage's alpha argument differs
    // from ours; the cache must not hide that.
    EXPECT_EQ(deviceStage(5, GfxTss::AlphaArg1), 0u);
    uint32_t shader = 0;
    Device()->GetVertexShader(&shader);
    EXPECT_EQ(shader, GfxFvf::PosNormalDiffuseTex1);
    for (uint32_t s = 0; s < OmD3D::kRenderStateCount; ++s)
        EXPECT_EQ(renderer->GetRenderState(s), deviceState(s)) << "state " << s;
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage)
        for (uint32_t t = 1; t < OmD3D::kStageStateCount; ++t)
            EXPECT_EQ(renderer->GetTextureStageState(stage, t), deviceStage(stage, t)) << stage << "/" << t;
}

TEST_F(RendererTest, EqualValuesMakeNoDeviceCall)
{
    ASSERT_TRUE(Open(640, 480));
    GfxDevice* d = Device();
    d->ResetCallCounts();
    renderer->DispatchRenderState(GfxRs::CullMode, 3);
    EXPECT_EQ(Calls(d, GfxCall::SetRenderState), 0u);
    renderer->DispatchRenderState(GfxRs::CullMode, 1);
    EXPECT_EQ(Calls(d, GfxCall::SetRenderState), 1u);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::CullMode), 1u);

    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
    EXPECT_EQ(Calls(d, GfxCall::SetTextureStageState), 0u);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    EXPECT_EQ(Calls(d, GfxCall::SetTextureStageState), 1u);

    renderer->SetVertexShader(GfxFvf::PosNormalDiffuseTex1);
    renderer->SetVertexShader(0);
    EXPECT_EQ(Calls(d, GfxCall::SetVertexShader), 0u);
    EXPECT_EQ(renderer->GetVertexShader(), GfxFvf::PosNormalDiffuseTex1);
    renderer->SetVertexShader(GfxFvf::RhwDiffuse);
    EXPECT_EQ(Calls(d, GfxCall::SetVertexShader), 1u);

    GfxTexture* texture = NewTexture(d);
    ASSERT_NE(texture, nullptr);
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    renderer->SetD3DTexture(0, texture);
    renderer->SetD3DTexture(0, texture);
    EXPECT_EQ(renderer->GetFrameStats()->words[OmRenderStats::kTextureChanges], 1u);
    EXPECT_EQ(Calls(d, GfxCall::SetTexture), 1u);
    EXPECT_EQ(renderer->GetStageTexture(0), texture);
    renderer->EndScene(); // unbinds every stage
    EXPECT_EQ(renderer->GetStageTexture(0), nullptr);
    texture->Release();
}

TEST_F(RendererTest, StateBlocksRecordWithoutEffectAndReapply)
{
    ASSERT_TRUE(Open(640, 480));
    GfxDevice* d = Device();
    GfxTexture* texture = NewTexture(d);
    ASSERT_NE(texture, nullptr);
    d->ResetCallCounts();

    const uint32_t handle = renderer->BeginStateBlock();
    EXPECT_NE(handle, 0u);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 5);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 6); // the later value wins
    renderer->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Add);
    renderer->SetD3DTexture(1, texture);
    renderer->EndStateBlock();
    for (GfxCall call : {GfxCall::SetRenderState, GfxCall::SetTextureStageState, GfxCall::SetTexture})
        EXPECT_EQ(Calls(d, call), 0u);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::AlphaBlendEnable), 0u);
    EXPECT_EQ(renderer->GetStageTexture(1), nullptr);

    renderer->ApplyStateBlock(handle);
    ExpectStates({{GfxRs::AlphaBlendEnable, 1}, {GfxRs::SrcBlend, 6}});
    EXPECT_EQ(renderer->GetTextureStageState(1, GfxTss::ColorOp), GfxTop::Add);
    // The whole texture address survives the block, not a cut-down word.
    EXPECT_EQ(renderer->GetStageTexture(1), texture);
    EXPECT_EQ(Calls(d, GfxCall::SetRenderState), 2u);
    GfxTexture* bound = nullptr;
    d->GetTexture(1, &bound);
    EXPECT_EQ(bound, texture);
    if (bound)
        bound->Release();

    // Capture takes the values current now; applying gives them back.
    renderer->DispatchRenderState(GfxRs::SrcBlend, 2);
    renderer->SetD3DTexture(1, nullptr);
    renderer->CaptureStateBlock(handle);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 9);
    renderer->ApplyStateBlock(handle);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::SrcBlend), 2u);
    EXPECT_EQ(renderer->GetStageTexture(1), nullptr);

    // A deleted block is gone; its handle is never given out again.
    renderer->DeleteStateBlock(handle);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 9);
    renderer->ApplyStateBlock(handle);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::SrcBlend), 9u);
    const uint32_t next = renderer->BeginStateBlock();
    renderer->EndStateBlock();
    EXPECT_NE(next, handle);
    renderer->DeleteStateBlock(next);
    texture->Release();
}

TEST_F(RendererTest, PrimitiveCountsSplitByPassAndStartOverEachFrame)
{
    ASSERT_TRUE(Open(640, 480));
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    DrawCorner(0, 0, 10, 0xFFFFFFFFu);
    renderer->SetRenderPass(2);
    DrawCorner(0, 0, 10, 0xFFFFFFFFu);
    DrawCorner(0, 0, 10, 0xFFFFFFFFu);
    renderer->SetRenderPass(1);
    const uint32_t* words = renderer->GetFrameStats()->words;
    EXPECT_EQ(std::tie(words[OmRenderStats::kPrimitives], words[OmRenderStats::kAlphaPrimitives]),
              std::make_tuple(3u, 2u));
    renderer->EndScene();
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    EXPECT_EQ(std::tie(words[OmRenderStats::kPrimitives], words[OmRenderStats::kAlphaPrimitives]),
              std::make_tuple(0u, 0u));
    renderer->EndScene();
}

TEST_F(RendererTest, RestoredStateDrawsTheSamePixelsAfterAReset)
{
    ASSERT_TRUE(Open(640, 480));
    // States away from the device's defaults: colour from the texture
    // factor, blended half over the background, no culling.
    renderer->DispatchRenderState(GfxRs::TextureFactor, 0xFF00FF00u);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::TFactor);
    renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Diffuse);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 5);  // source alpha
    renderer->DispatchRenderState(GfxRs::DestBlend, 6); // inverse source alpha
    renderer->DispatchRenderState(GfxRs::CullMode, 1);
    auto frame = [&] {
        EXPECT_TRUE(renderer->BeginScene(0.0f));
        ClearTo(0.0f, 0.0f, 1.0f);
        DrawCorner(10, 10, 100, 0x80FFFFFFu);
        // Counter-clockwise on screen: drawn only because culling is off.
        const rtest::RhwVertex ccw[3] = {{200, 10, 0.5f, 1, 0x80FFFFFFu},
                                         {200, 110, 0.5f, 1, 0x80FFFFFFu},
                                         {300, 10, 0.5f, 1, 0x80FFFFFFu}};
        renderer->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, ccw, sizeof(rtest::RhwVertex));
        std::vector<uint32_t> pixels = ReadPixels();
        renderer->EndScene();
        return pixels;
    };
    const std::vector<uint32_t> before = frame();
    const uint32_t blended = Pixel(before, 20, 20);
    EXPECT_NEAR(static_cast<int>((blended >> 8) & 0xFF), 128, 2);
    EXPECT_NEAR(static_cast<int>(blended & 0xFF), 127, 2);
    EXPECT_EQ(Pixel(before, 210, 20), blended);

    // A reset of the device alone loses the states...
    GfxPresentParameters params = renderer->GetPresentParameters();
    ASSERT_EQ(Device()->Reset(&params), GfxResult::Ok);
    EXPECT_NE(frame(), before);

    // ...which the renderer's reset puts back.
    LoseAndReset(*renderer);
    ASSERT_EQ(Device()->TestCooperativeLevel(), GfxResult::Ok);
    EXPECT_EQ(frame(), before);
}

TEST_F(RendererTest, BoundTexturesOutliveTheirOwnersAcrossAReset)
{
    ASSERT_TRUE(Open(640, 480));
    GfxTexture* texture = NewTexture(Device());
    ASSERT_NE(texture, nullptr);
    renderer->SetD3DTexture(0, texture);
    const uint32_t block = renderer->BeginStateBlock();
    renderer->SetD3DTexture(2, texture);
    renderer->EndStateBlock();
    texture->Release(); // only the bindings and the block hold it now

    // The device drops its bindings when it resets; the renderer binds the
    // texture again, so it must still be there.
    LoseAndReset(*renderer);
    GfxTexture* bound = nullptr;
    Device()->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    if (bound)
        bound->Release();
    renderer->SetD3DTexture(0, nullptr);
    renderer->ApplyStateBlock(block);
    EXPECT_EQ(renderer->GetStageTexture(2), texture);
    renderer->DeleteStateBlock(block);
}
