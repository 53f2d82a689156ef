#include "render/OmD3DSprite.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/OmTextureResource.h"
#include "platform/GfxTexture.h"
#include "render/OmD3D.h"

using namespace plat;

OM_IMPLEMENT_UNLISTED_CLASS(OmD3DSprite, OmBaseSprite)

bool OmD3DSprite::ComputePlacement(OmRenderer& renderer, Placement& out) const
{
    auto* d3d = dynamic_cast<OmD3D*>(&renderer);
    const OmTextureResource* texture = renderer.GetTexture(textureId);
    if (!d3d || !texture || !texture->loaded || !d3d->GetD3DTexture(textureId))
        return false;
    const auto w = static_cast<float>(texture->width), h = static_cast<float>(texture->height);
    GfxViewport viewport{};
    renderer.GetDeviceViewport(&viewport);

    GfxRect& r = out.source;
    r.left = static_cast<int32_t>(std::lround(w * uvRect[0]));
    r.top = static_cast<int32_t>(std::lround(h * uvRect[1]));
    r.right = static_cast<int32_t>(std::lround(w * uvRect[2]));
    r.bottom = static_cast<int32_t>(std::lround(h * uvRect[3]));
    if (screenRelative)
        out.translation = GfxVector2{static_cast<float>(viewport.width) * position[0],
                                     static_cast<float>(viewport.height) * position[1]};
    else
        out.translation = GfxVector2{position[0], position[1]};
    out.scale = GfxVector2{scale[0], scale[1]};
    // The pivot and the mirror shift are measured on the rectangle drawn,
    // not the whole texture, so part of a sheet turns about its own middle.
    const auto sourceW = static_cast<float>(std::abs(r.right - r.left));
    const auto sourceH = static_cast<float>(std::abs(r.bottom - r.top));
    out.centre = GfxVector2{sourceW * centre[0], sourceH * centre[1]};
    // A mirrored sprite covers the same place as the unmirrored one, at any
    // scale: the shift is the drawn width.
    if (r.right < r.left) {
        std::swap(r.left, r.right);
        out.translation.x += sourceW * out.scale.x;
        out.scale.x = -out.scale.x;
        out.centre.x = -out.centre.x;
    }
    if (r.bottom < r.top) {
        std::swap(r.top, r.bottom);
        out.translation.y += sourceH * out.scale.y;
        out.scale.y = -out.scale.y;
        out.centre.y = -out.centre.y;
    }
    out.translation.x = std::floor(out.translation.x);
    out.translation.y = std::floor(out.translation.y);
    return CutFromDeviceTexture(*d3d->GetD3DTexture(textureId), w, h, out);
}

// The device may hold the picture at a size other than the file's (rounded
// to what it takes, or cut down to the texture detail), the picture always
// stretched over the whole texture. The rectangle measured on the picture
// is cut from the same fractions of the texture, and the scale makes up the
// difference, so the sprite shows exactly its picture at the picture's size.
bool OmD3DSprite::CutFromDeviceTexture(GfxTexture& texture, float pictureW, float pictureH, Placement& out) const
{
    GfxSurfaceDesc desc{};
    if (GfxFailed(texture.GetLevelDesc(0, &desc)) || desc.width == 0 || desc.height == 0)
        return false;
    const auto texelsW = static_cast<float>(desc.width), texelsH = static_cast<float>(desc.height);
    const auto cut = [](float size, float fraction) { return static_cast<int32_t>(std::lround(size * fraction)); };
    GfxRect texels{cut(texelsW, std::min(uvRect[0], uvRect[2])), cut(texelsH, std::min(uvRect[1], uvRect[3])),
                   cut(texelsW, std::max(uvRect[0], uvRect[2])), cut(texelsH, std::max(uvRect[1], uvRect[3]))};
    const auto stretch = [](int32_t picture, int32_t device, float fallback) {
        return device > 0 ? static_cast<float>(picture) / static_cast<float>(device) : fallback;
    };
    out.scale.x *= stretch(out.source.right - out.source.left, texels.right - texels.left, pictureW / texelsW);
    out.scale.y *= stretch(out.source.bottom - out.source.top, texels.bottom - texels.top, pictureH / texelsH);
    out.source = texels;
    return true;
}

void OmD3DSprite::Render(OmRenderer& renderer)
{
    auto* d3d = dynamic_cast<OmD3D*>(&renderer);
    Placement p{};
    if (!d3d || !d3d->GetSpriteObject() || !ComputePlacement(renderer, p))
        return;
    d3d->GetSpriteObject()->Draw(d3d->GetD3DTexture(textureId), &p.source, &p.scale, &p.centre, angle,
                                 &p.translation, colour);
}

// ---- the renderer's sprites -----------------------------------------------------------

OmBaseSprite* OmD3D::CreateSprite(uint32_t argument)
{
    auto* sprite = new OmD3DSprite();
    sprite->Initialise(argument);
    return sprite;
}

void OmD3D::CreateSpriteObject()
{
    if (!m_sprite && m_device && GfxFailed(GfxSprite::Create(m_device, m_sprite.Put())))
        m_sprite.Detach(); // a failed call leaves nothing to hold
}
