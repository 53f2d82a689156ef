#include "ui/TsGuiSprite.h"

#include <utility>

#include "engine/OmTextureResource.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(SpriteVertex) == 28);

struct UV {
    float u, v;
};

const OmTextureResource* TextureOf(int32_t id)
{
    const OmRenderer* r = OmRenderer::Current();
    return r && id >= 0 ? r->GetTexture(id) : nullptr;
}

} // namespace

float TsGuiSprite::GetPixelWidth() const
{
    const OmTextureResource* t = TextureOf(textureId);
    return t ? float(t->width) : 0.0f;
}

float TsGuiSprite::GetPixelHeight() const
{
    const OmTextureResource* t = TextureOf(textureId);
    return t ? float(t->height) : 0.0f;
}

void TsGuiSprite::Draw(OmD3D* renderer, float x, float y, int32_t orientation, uint32_t blendMode) const
{
    DrawMirrored(renderer, x, y, orientation, false, false, blendMode);
}

void TsGuiSprite::DrawMirrored(OmD3D* renderer, float x, float y, int32_t orientation, bool mirrorX, bool mirrorY,
                               uint32_t blendMode) const
{
    if (!renderer || textureId < 0) {
        return;
    }
    const float texW = GetPixelWidth(), texH = GetPixelHeight();
    float w = float(int32_t((umax - umin) * texW));
    float h = float(int32_t((vmax - vmin) * texH));
    if (orientation == 1 || orientation == 3) {
        std::swap(w, h);
    }
    const float x0 = float(int32_t(x)) + 0.5f, y0 = float(int32_t(y)) + 0.5f;

    // Corner coordinates in the order top-left, top-right, bottom-left, bottom-right.
    const UV a{umin, vmin}, b{umax, vmin}, c{umin, vmax}, d{umax, vmax};
    UV uv[4];
    switch (orientation) {
    case 1: uv[0] = c, uv[1] = a, uv[2] = d, uv[3] = b; break;
    case 2: uv[0] = d, uv[1] = c, uv[2] = b, uv[3] = a; break;
    case 3: uv[0] = b, uv[1] = d, uv[2] = a, uv[3] = c; break;
    default: uv[0] = a, uv[1] = b, uv[2] = c, uv[3] = d; break;
    }
    if (mirrorX) {
        std::swap(uv[0], uv[1]);
        std::swap(uv[2], uv[3]);
    }
    if (mirrorY) {
        std::swap(uv[0], uv[2]);
        std::swap(uv[1], uv[3]);
    }
    const uint32_t colour = 0x80FFFFFFu;
    const SpriteVertex v[4] = {
        {x0, y0, 0.0f, 1.0f, colour, uv[0].u, uv[0].v},
        {x0 + w, y0, 0.0f, 1.0f, colour, uv[1].u, uv[1].v},
        {x0, y0 + h, 0.0f, 1.0f, colour, uv[2].u, uv[2].v},
        {x0 + w, y0 + h, 0.0f, 1.0f, colour, uv[3].u, uv[3].v},
    };

    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
    const bool setBlend = blendMode != kKeepBlend;
    if (setBlend) {
        renderer->SetBlendMode(blendMode);
    }
    renderer->SetVertexShader(GfxFvf::RhwDiffuseTex1);
    renderer->SetTexture(0, textureId);
    renderer->SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Clamp);
    renderer->SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Clamp);
    renderer->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, v, sizeof(SpriteVertex));
    renderer->SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Wrap);
    renderer->SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Wrap);
    if (setBlend) {
        renderer->SetBlendMode(0);
    }
}

void TsGuiSpritePlacement::Draw(float x, float y) const
{
    if (!sprite) {
        return;
    }
    if (!mirrorX && !mirrorY) {
        sprite->Draw(OmD3D::Instance(), x, y, orientation, blendMode);
    } else {
        sprite->DrawMirrored(OmD3D::Instance(), x, y, orientation, mirrorX != 0, mirrorY != 0, blendMode);
    }
}
