#include "game/framework/TsWorldQuad.h"

#include <cstring>

#include "engine/OmMatrix3.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsLog.h"
#include "render/OmD3D.h"
#include "render/OmD3DBuffer.h"
#include "render/OmD3DSavedStates.h"

using namespace plat;

namespace {

struct QuadVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 24, "quad vertices are position, colour and one texture pair");

constexpr QuadVertex kCorners[4] = {
    {-0.5f, 0.0f, -0.5f, 0xFFFFFFFFu, 0.0f, 0.0f},
    {-0.5f, 0.0f, 0.5f, 0xFFFFFFFFu, 0.0f, 1.0f},
    {0.5f, 0.0f, -0.5f, 0xFFFFFFFFu, 1.0f, 0.0f},
    {0.5f, 0.0f, 0.5f, 0xFFFFFFFFu, 1.0f, 1.0f},
};

constexpr uint32_t kSavedRenderStates[] = {GfxRs::Lighting,  GfxRs::CullMode,  GfxRs::AlphaBlendEnable,
                                           GfxRs::SrcBlend,  GfxRs::DestBlend, GfxRs::ZWriteEnable};
constexpr OmD3DStageState kSavedStageStates[] = {{0, GfxTss::ColorOp}, {0, GfxTss::ColorArg1}, {0, GfxTss::ColorArg2}};

} // namespace

TsWorldQuad::~TsWorldQuad()
{
    Release();
}

void TsWorldQuad::Release()
{
    if (OmD3D* renderer = OmD3D::Instance()) {
        renderer->ReleaseVertexBuffer(m_vertexBuffer);
        if (m_texture >= 0) {
            renderer->ReleaseTexture(m_texture);
        }
    }
    m_vertexBuffer = m_texture = -1;
}

bool TsWorldQuad::Create(const char* textureName)
{
    Release();
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        LogError("TsWorldQuad: there is no renderer to make the quad with");
        return false;
    }
    m_vertexBuffer = renderer->CreateVertexBuffer(GfxFvf::PosDiffuseTex1, 4, true, false, true);
    OmD3DVertexBuffer* buffer = renderer->GetVertexBuffer(m_vertexBuffer);
    void* out = buffer ? buffer->Lock(0, 4, false) : nullptr;
    if (!out) {
        LogErrorF("TsWorldQuad: the vertex buffer for %s could not be made", textureName ? textureName : "");
        Release();
        return false;
    }
    std::memcpy(out, kCorners, sizeof kCorners);
    buffer->Unlock();
    OmTextureResource texture;
    texture.SetName(textureName);
    m_texture = renderer->RegisterTexture(&texture);
    return m_texture >= 0 && renderer->LoadTexture(m_texture);
}

void TsWorldQuad::Render()
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || m_vertexBuffer < 0) {
        return;
    }
    const OmD3DSavedStates saved(*renderer, kSavedRenderStates, kSavedStageStates);
    renderer->SetWorldTransform(&OmMatrix3::Identity(), &m_position, m_scale);
    renderer->DispatchRenderState(GfxRs::Lighting, 0);
    renderer->DispatchRenderState(GfxRs::CullMode, GfxCull::None);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    renderer->DispatchRenderState(GfxRs::SrcBlend, GfxBlend::SrcAlpha);
    renderer->DispatchRenderState(GfxRs::DestBlend, GfxBlend::InvSrcAlpha);
    renderer->DispatchRenderState(GfxRs::ZWriteEnable, 0);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::BlendDiffuseAlpha);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    renderer->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
    renderer->SetTexture(0, m_texture);
    renderer->SetVertexShader(GfxFvf::PosDiffuseTex1);
    renderer->SetStreamSource(0, m_vertexBuffer);
    renderer->DrawPrimitive(GfxPrimitive::TriangleStrip, 0, 2);
}
