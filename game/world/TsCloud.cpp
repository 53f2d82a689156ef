#include "game/world/TsCloud.h"

#include <cstring>

#include "engine/OmCamera.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsOptions.h"
#include "render/OmD3D.h"

using namespace plat;

bool TsCloud::s_supported = false;

namespace {

// Keeps an offset within -1..1 without losing its phase (the texture wraps).
float WrapOffset(float offset)
{
    if (offset > 1.0f)
        offset -= 2.0f;
    if (offset < -1.0f)
        offset += 2.0f;
    return offset;
}

} // namespace

bool TsCloud::IsSupported()
{
    s_supported = false;
    OmD3D* d3d = OmD3D::Instance();
    TsOptions* options = TsAccess::Options();
    if (!d3d || !d3d->GetDevice() || !options)
        return false;
    const OmAdapterRecord* adapter = d3d->GetAdapter(static_cast<uint32_t>(d3d->GetCurrentAdapterIndex()));
    if (!adapter)
        return false;
    s_supported = adapter->caps.maxSimultaneousTextures > 1 && options->GetFXDetailLevel() >= 2
        && (adapter->caps.textureCaps & GfxTextureCapsBits::Projected) != 0 && d3d->CanModulate2x();
    return s_supported;
}

TsCloud::TsCloud(const char* textureFile)
{
    if (!IsSupported())
        return;
    OmRenderer* renderer = OmRenderer::Current();
    OmTextureResource resource(textureFile, -1, 1);
    texture = renderer->RegisterTexture(&resource);
    // A layer without its texture would darken the world with a blank stage.
    if (texture >= 0 && !renderer->LoadTexture(texture)) {
        LogErrorF("Clouds: the texture %s could not be loaded; the cloud layer is off", textureFile);
        renderer->ReleaseTexture(texture);
        texture = -1;
    }
}

TsCloud::~TsCloud()
{
    if (texture >= 0 && OmRenderer::Current())
        OmRenderer::Current()->ReleaseTexture(texture);
}

void TsCloud::Update(float time)
{
    if (lastTime < 0.0f)
        lastTime = time;
    const float dt = time - lastTime;
    lastTime = time;
    uOffset = WrapOffset(uOffset + dt * uSpeed);
    vOffset = WrapOffset(vOffset + dt * vSpeed);
    OmRenderer* renderer = OmRenderer::Current();
    BuildTextureMatrix(renderer ? renderer->GetCamera() : nullptr);
}

void TsCloud::BuildTextureMatrix(const OmCamera* camera)
{
    // World point to cloud coordinates: u = x * uScale + uOffset,
    // v = z * vScale + vOffset.
    const float p[16] = {uScale, 0, 0, 0, 0, 0, 0, 0, 0, vScale, 0, 0, uOffset, vOffset, 0, 0};
    OmMatrix4 projection;
    projection.Set(p);
    OmMatrix4 cameraToWorld;
    if (camera) {
        cameraToWorld.SetRow0(camera->GetRight());
        cameraToWorld.SetRow1(camera->GetUp());
        cameraToWorld.SetRow2(camera->GetForward());
        cameraToWorld.SetTranslation(camera->GetPosition());
    }
    textureMatrix.SetProduct(cameraToWorld, projection);
}

void TsCloud::BeginRender()
{
    OmD3D* d3d = OmD3D::Instance();
    if (!s_supported || texture < 0 || !d3d || !d3d->GetDevice())
        return;
    d3d->GetBatch().SetSecondTexture(texture);
    d3d->SetTexture(1, texture);
    d3d->SetTextureStageState(1, GfxTss::TexCoordIndex, GfxTci::CameraSpacePosition);
    d3d->SetTextureStageState(1, GfxTss::TextureTransformFlags, GfxTtff::Count2);
    GfxMatrix m;
    std::memcpy(&m, textureMatrix.Data(), sizeof(m));
    d3d->GetDevice()->SetTransform(GfxTransform::Texture0 + 1, &m);
    d3d->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Modulate);
    d3d->SetTextureStageState(1, GfxTss::ColorArg1, GfxTa::Texture);
    d3d->SetTextureStageState(1, GfxTss::ColorArg2, GfxTa::Current);
    d3d->SetTextureStageState(1, GfxTss::AlphaOp, GfxTop::Modulate);
    d3d->SetTextureStageState(1, GfxTss::AlphaArg1, GfxTa::Texture);
    d3d->SetTextureStageState(1, GfxTss::AlphaArg2, GfxTa::Current);
    d3d->SetTextureStageState(1, GfxTss::MinFilter, GfxFilter::Linear);
    d3d->SetTextureStageState(1, GfxTss::MagFilter, GfxFilter::Linear);
    d3d->SetTextureStageState(1, GfxTss::AddressU, GfxAddress::Wrap);
    d3d->SetTextureStageState(1, GfxTss::AddressV, GfxAddress::Wrap);
}

void TsCloud::EndRender()
{
    OmD3D* d3d = OmD3D::Instance();
    if (!s_supported || texture < 0 || !d3d || !d3d->GetDevice())
        return;
    d3d->SetTexture(1, -1);
    d3d->GetBatch().SetSecondTexture(-1);
    d3d->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
    d3d->SetTextureStageState(1, GfxTss::AlphaOp, GfxTop::Disable);
    d3d->SetTextureStageState(1, GfxTss::TexCoordIndex, 1);
    d3d->SetTextureStageState(1, GfxTss::TextureTransformFlags, GfxTtff::Disable);
}
