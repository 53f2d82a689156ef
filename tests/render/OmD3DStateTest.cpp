// The cached device state: default states, state blocks, and the state put
// back after a device reset.
#include "tests/render/RendererFixture.h"

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

// A device reset loses every state and binding; the renderer's reset puts
// its cached states back and binds the textures again, so they must live.
TEST_F(RendererTest, StatesAndBoundTexturesOutliveAReset)
{
    ASSERT_TRUE(Open(640, 480));
    GfxTexture* texture = NewTexture(Device());
    ASSERT_NE(texture, nullptr);
    renderer->SetD3DTexture(0, texture);
    const uint32_t block = renderer->BeginStateBlock();
    renderer->SetD3DTexture(2, texture);
    renderer->EndStateBlock();
    texture->Release(); // only the bindings and the block hold it now
    renderer->DispatchRenderState(GfxRs::CullMode, GfxCull::None);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::TFactor);

    Device()->SimulateCooperativeLevel(GfxResult::DeviceNotReset);
    renderer->MarkDeviceLost();
    EXPECT_FALSE(renderer->BeginScene(0.0f));
    ExpectCacheMatchesDevice({GfxRs::CullMode});
    uint32_t arg = 0;
    Device()->GetTextureStageState(0, GfxTss::ColorArg1, &arg);
    EXPECT_EQ(arg, GfxTa::TFactor);
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
