#include "game/world/TsEntShadow.h"

#include "engine/OmMatrix4.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsOptions.h"
#include "render/OmD3D.h"

using namespace plat;

bool TsEntShadow::s_enabled = false;
uint32_t TsEntShadow::s_saved[8] = {};

namespace {

constexpr uint32_t kShadowBlend = 0x142;
constexpr uint32_t kSavedStage[6] = {GfxTss::ColorOp, GfxTss::ColorArg1, GfxTss::ColorArg2,
                                     GfxTss::AlphaOp, GfxTss::AlphaArg1, GfxTss::AlphaArg2};

} // namespace

TsEntShadow::TsEntShadow(const char* textureFile)
{
    TsOptions* options = TsAccess::Options();
    s_enabled = options && options->GetFXDetailLevel() != 0;
    OmD3D* d3d = OmD3D::Instance();
    if (!s_enabled || !d3d)
        return;
    OmTextureResource resource(textureFile, 1, 1);
    texture = d3d->RegisterTexture(&resource);
    // Without its texture a shadow would paint a white square.
    if (texture >= 0 && !d3d->LoadTexture(texture)) {
        LogErrorF("Shadows: the texture %s could not be loaded; blob shadows are not drawn", textureFile);
        d3d->ReleaseTexture(texture);
        texture = -1;
    }
    vertexBuffer = d3d->CreateVertexBuffer(GfxFvf::PosDiffuseTex1, kVertexCount, false, false, true);
    if (vertexBuffer < 0)
        LogError("Shadows: the shadow vertex buffer could not be made; blob shadows are not drawn");
}

TsEntShadow::~TsEntShadow()
{
    OmD3D* d3d = OmD3D::Instance();
    if (!d3d)
        return;
    if (texture >= 0)
        d3d->ReleaseTexture(texture);
    if (vertexBuffer >= 0)
        d3d->ReleaseVertexBuffer(vertexBuffer);
}

void TsEntShadow::BeginRender()
{
    OmD3D* d3d = OmD3D::Instance();
    if (!IsReady() || !d3d)
        return;
    d3d->SetWorldMatrix(&OmMatrix4::Identity());
    d3d->SetVertexShader(GfxFvf::PosDiffuseTex1);
    d3d->SetStreamSource(0, vertexBuffer);
    d3d->SetIndices(-1, 0);
    d3d->SetTexture(0, texture);
    d3d->DispatchRenderState(GfxRs::ZWriteEnable, 0);
    d3d->DispatchRenderState(GfxRs::ZFunc, GfxCmp::Equal);
    for (int i = 0; i < 6; ++i)
        s_saved[i] = d3d->GetTextureStageState(0, kSavedStage[i]);
    s_saved[6] = d3d->GetRenderState(GfxRs::AlphaTestEnable);
    s_saved[7] = d3d->GetRenderState(GfxRs::AlphaRef);
    d3d->SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Clamp);
    d3d->SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Clamp);
    d3d->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    d3d->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    d3d->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Current);
    d3d->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    d3d->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
    d3d->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Current);
    d3d->SetLighting(false);
    d3d->SetBlendMode(kShadowBlend);
    d3d->DispatchRenderState(GfxRs::AlphaRef, 2);
    // The blend table turns depth writes back on for some modes.
    d3d->DispatchRenderState(GfxRs::ZWriteEnable, 0);
}

void TsEntShadow::EndRender()
{
    OmD3D* d3d = OmD3D::Instance();
    if (!IsReady() || !d3d)
        return;
    d3d->SetBlendMode(0);
    d3d->SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Wrap);
    d3d->SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Wrap);
    for (int i = 0; i < 6; ++i)
        d3d->SetTextureStageState(0, kSavedStage[i], s_saved[i]);
    d3d->DispatchRenderState(GfxRs::AlphaTestEnable, s_saved[6]);
    d3d->SetLighting(true);
    d3d->DispatchRenderState(GfxRs::ZWriteEnable, 1);
    d3d->DispatchRenderState(GfxRs::ZFunc, GfxCmp::LessEqual);
    d3d->DispatchRenderState(GfxRs::AlphaRef, s_saved[7]);
}
