#include "game/world/TsEffectUtil.h"

#include <cstdio>

#include "engine/OmTextureResource.h"
#include "engine/OmVector4.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

constexpr uint32_t kFadeBlend = 0x20;

bool s_supported = false;
bool s_active = false;
uint32_t s_savedAlphaArg2 = GfxTa::Current;
uint32_t s_savedAlphaOp = GfxTop::Modulate;

} // namespace

void TestTextureFactorFade()
{
    OmD3D* d3d = OmD3D::Instance();
    s_supported = false;
    if (!d3d || !d3d->GetDevice())
        return;
    d3d->SetDefaultRenderStates();
    s_supported = true;
    BeginTextureFactorFade(0.5f);
    uint32_t passes = 0;
    const bool valid = d3d->GetDevice()->ValidateDevice(&passes) == GfxResult::Ok && passes <= 1;
    EndTextureFactorFade();
    s_supported = valid;
}

bool IsTextureFactorFadeSupported() { return s_supported; }
bool IsTextureFactorFadeActive() { return s_active; }

void BeginTextureFactorFade(float alpha)
{
    OmD3D* d3d = OmD3D::Instance();
    if (!s_supported || !d3d)
        return;
    s_active = true;
    const uint32_t g = OmColourByte(alpha);
    d3d->DispatchRenderState(GfxRs::TextureFactor, g * 0x01010101u);
    s_savedAlphaArg2 = d3d->GetTextureStageState(0, GfxTss::AlphaArg2);
    s_savedAlphaOp = d3d->GetTextureStageState(0, GfxTss::AlphaOp);
    d3d->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::TFactor);
    d3d->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
    d3d->ForceBlendMode(kFadeBlend);
}

void EndTextureFactorFade()
{
    OmD3D* d3d = OmD3D::Instance();
    if (!s_supported || !d3d)
        return;
    s_active = false;
    d3d->ReleaseBlendMode(); // back to blend mode 0
    d3d->SetTextureStageState(0, GfxTss::AlphaArg2, s_savedAlphaArg2);
    d3d->SetTextureStageState(0, GfxTss::AlphaOp, s_savedAlphaOp);
}

int32_t LoadFxSprite(const char* name)
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer || !name || !*name)
        return -1;
    char path[256];
    std::snprintf(path, sizeof(path), "data\\fx\\sprites\\%s.tga", name);
    OmTextureResource texture(path, -1, 1);
    return renderer->RegisterTexture(&texture);
}
