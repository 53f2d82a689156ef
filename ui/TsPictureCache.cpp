#include "ui/TsPictureCache.h"

#include "platform/GfxDevice.h"
#include "render/OmD3D.h"

using namespace plat;

bool TsPictureCache::PutBack(OmD3D& renderer, uint32_t key)
{
    GfxDevice* device = renderer.GetDevice();
    if (!Holds(key) || !device)
        return false;
    OmRef<GfxSurface> colour;
    OmRef<GfxSurface> depth;
    device->GetRenderTarget(colour.Put());
    device->GetDepthStencilSurface(depth.Put());
    if (renderer.CopyTarget(m_colour, m_depth, colour, depth))
        return true;
    m_kept = false;
    return false;
}

bool TsPictureCache::Keep(OmD3D& renderer, uint32_t key)
{
    GfxDevice* device = renderer.GetDevice();
    if (m_unusable || !device)
        return false;
    OmRef<GfxSurface> colour;
    OmRef<GfxSurface> depth;
    device->GetRenderTarget(colour.Put());
    device->GetDepthStencilSurface(depth.Put());
    if (!colour || !depth || (!m_texture && !Make(renderer, *colour, *depth))) {
        m_unusable = true;
        return false;
    }
    m_kept = renderer.CopyTarget(colour, depth, m_colour, m_depth);
    m_key = key;
    m_unusable = !m_kept;
    return m_kept;
}

bool TsPictureCache::Make(OmD3D& renderer, const GfxSurface& colour, const GfxSurface& depth)
{
    GfxDevice* device = renderer.GetDevice();
    if (GfxFailed(device->CreateTexture(colour.Width(), colour.Height(), 1, GfxUsage::RenderTarget, colour.Format(),
                                        GfxPool::Default, m_texture.Put()))) {
        m_texture.Detach(); // a failed call leaves nothing to hold
        return false;
    }
    m_texture->GetSurfaceLevel(0, m_colour.Put());
    if (GfxFailed(device->CreateDepthStencilSurface(depth.Width(), depth.Height(), depth.Format(), 0,
                                                    m_depth.Put()))) {
        m_depth.Detach();
        Release();
        return false;
    }
    return true;
}

void TsPictureCache::Release()
{
    m_colour = nullptr;
    m_depth = nullptr;
    m_texture = nullptr;
    m_kept = false;
    m_unusable = false;
}
