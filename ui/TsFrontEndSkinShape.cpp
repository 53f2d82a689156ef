#include "ui/TsFrontEndSkinShape.h"

#include "engine/OmMatrix4.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "render/OmD3D.h"
#include "render/OmD3DBatch.h"

OM_IMPLEMENT_CLASS(TsFrontEndSkinShape, OmSkinShape)

namespace {

constexpr float kScrollerTurn = 0.2f;          // radians about y
constexpr float kTargetScrollerOffset = -2.7f; // the strips beside the figure in the texture
constexpr float kScreenScrollerOffset = -1.0f;

} // namespace

TsFrontEndSkinShape::~TsFrontEndSkinShape()
{
    ReleaseRenderTarget();
    m_scroller.Release();
}

void TsFrontEndSkinShape::SetRenderTarget(plat::GfxSurface* colour, plat::GfxSurface* depth, int32_t width,
                                          int32_t height)
{
    m_colour.Reset(colour);
    m_depth.Reset(depth);
    m_targetWidth = width;
    m_targetHeight = height;
}

void TsFrontEndSkinShape::ReleaseRenderTarget()
{
    m_colour = nullptr;
    m_depth = nullptr;
}

void TsFrontEndSkinShape::Render(OmRenderer& renderer)
{
    if (HasRenderTarget())
        RenderIntoTarget(renderer);
    else
        RenderToScreen(renderer);
}

void TsFrontEndSkinShape::RenderIntoTarget(OmRenderer& renderer)
{
    auto* d3d = dynamic_cast<OmD3D*>(&renderer);
    plat::GfxDevice* device = d3d ? d3d->GetDevice() : nullptr;
    if (!device) {
        RenderToScreen(renderer);
        return;
    }
    // Kept surfaces are let go of whether or not the figure was drawn.
    OmRef<plat::GfxSurface> keptColour;
    OmRef<plat::GfxSurface> keptDepth;
    device->GetRenderTarget(keptColour.Put());
    device->GetDepthStencilSurface(keptDepth.Put());
    // The figure's blended parts belong in its target, and what the scene
    // filed before it on the screen: each is drawn before the target changes.
    const bool batchOpen = d3d->GetBatch().IsOpen();
    FlushBlended(*d3d);
    if (!plat::GfxFailed(device->SetRenderTarget(m_colour, m_depth))) {
        device->Clear(0, nullptr, plat::GfxClear::Target | plat::GfxClear::ZBuffer, 0, 1.0f, 0);
        if (batchOpen)
            d3d->GetBatch().Begin(0);
        OmSkinShape::Render(renderer);
        FlushBlended(*d3d);
        RenderScroller(renderer, kTargetScrollerOffset, true);
        device->SetRenderTarget(keptColour, keptDepth);
    }
    if (batchOpen)
        d3d->GetBatch().Begin(0); // the scene after the figure files into it as before
}

void TsFrontEndSkinShape::FlushBlended(OmD3D& renderer)
{
    if (renderer.GetBatch().IsOpen())
        renderer.GetBatch().Flush();
    renderer.FlushAlphaQueue();
}

void TsFrontEndSkinShape::RenderToScreen(OmRenderer& renderer)
{
    renderer.SetLighting(true);
    OmSkinShape::Render(renderer);
    if (auto* d3d = dynamic_cast<OmD3D*>(&renderer))
        d3d->SetBlendMode(0);
    RenderScroller(renderer, kScreenScrollerOffset, false);
}

void TsFrontEndSkinShape::RenderScroller(OmRenderer& renderer, float offsetX, bool drawStrips)
{
    auto* d3d = dynamic_cast<OmD3D*>(&renderer);
    if (!d3d)
        return;
    OmMatrix4 world = OmMatrix4::Identity();
    world.Translate(offsetX, 0.0f, 0.0f);
    world.PreRotateY(kScrollerTurn);
    renderer.SetWorldMatrix(&world);
    d3d->SetTexture(0, -1);
    d3d->SetStreamSource(0, -1);
    d3d->DispatchRenderState(plat::GfxRs::Lighting, 0);
    d3d->DispatchRenderState(plat::GfxRs::ZEnable, 0);
    m_scroller.Render(TsAccess::FrameDelta(), drawStrips, m_targetWidth, m_targetHeight);
    d3d->DispatchRenderState(plat::GfxRs::Lighting, 1);
    d3d->DispatchRenderState(plat::GfxRs::ZEnable, 1);
}
