// The title figure's skinned shape. With a render target handed to it by
// the title mode it draws the figure and the scrolling strips into that
// texture (the title mode then paints it back as the interference effect);
// without one it draws the figure straight to the screen with the credits
// beside it.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "engine/OmSkinShape.h"
#include "platform/GfxTexture.h"
#include "ui/TsCreditsScroller.h"

class OmD3D;
namespace plat {
class GfxSurface;
}

class TsFrontEndSkinShape : public OmSkinShape {
    OM_DECLARE_CLASS(TsFrontEndSkinShape)

    TsFrontEndSkinShape() = default;
    explicit TsFrontEndSkinShape(OmArchive& archive) : OmSkinShape(archive) {}
    ~TsFrontEndSkinShape() override;

    OmNode* NewInstance() override { return new TsFrontEndSkinShape(); }
    void Render(OmRenderer& renderer) override;

    // Takes a reference to each surface (either may be null); the ones held
    // before are released.
    void SetRenderTarget(plat::GfxSurface* colour, plat::GfxSurface* depth, int32_t width, int32_t height);
    // Releases both surfaces; the size is kept for re-creating them.
    void ReleaseRenderTarget();
    bool HasRenderTarget() const { return m_colour && m_depth; }
    plat::GfxSurface* GetColourSurface() const { return m_colour; }
    plat::GfxSurface* GetDepthSurface() const { return m_depth; }
    int32_t GetTargetWidth() const { return m_targetWidth; }
    int32_t GetTargetHeight() const { return m_targetHeight; }

    void TickScroller(float tickDuration) { m_scroller.Tick(tickDuration); }
    TsCreditsScroller& GetScroller() { return m_scroller; }

private:
    void RenderIntoTarget(OmRenderer& renderer);
    void RenderToScreen(OmRenderer& renderer);
    void RenderScroller(OmRenderer& renderer, float offsetX, bool drawStrips);
    // Draws the blended triangles filed and queued so far where the target is now.
    static void FlushBlended(OmD3D& renderer);

    OmRef<plat::GfxSurface> m_colour;
    OmRef<plat::GfxSurface> m_depth;
    int32_t m_targetWidth = 0;
    int32_t m_targetHeight = 0;
    TsCreditsScroller m_scroller;
};
