// The device side of particle drawing: one dynamic vertex buffer of 16000
// vertices and one static index buffer of 24000 indices (six per quad), made
// on first use; each texture run is appended to the vertex buffer and drawn
// as an indexed triangle list with its texture bound once.
#include <cstring>
#include <iterator>

#include "engine/OmMatrix4.h"
#include "engine/OmReport.h"
#include "engine/OmParticleSystem.h"
#include "render/OmD3D.h"
#include "render/OmD3DBuffer.h"

using namespace plat;

namespace {

constexpr uint32_t kParticleBlend = 0x140; // additive, with the alpha test

// Render and stage states the particle draw changes, read back first and put
// back after.
constexpr uint32_t kSavedRenderStates[] = {GfxRs::ZWriteEnable,     GfxRs::Lighting,  GfxRs::AlphaTestEnable,
                                           GfxRs::AlphaFunc,        GfxRs::AlphaRef,  GfxRs::SrcBlend,
                                           GfxRs::DestBlend,        GfxRs::AlphaBlendEnable};
struct StageState {
    uint32_t stage, type;
};
constexpr StageState kSavedStageStates[] = {{0, GfxTss::ColorOp},   {0, GfxTss::ColorArg1}, {0, GfxTss::ColorArg2},
                                            {0, GfxTss::AlphaOp},   {0, GfxTss::AlphaArg1}, {0, GfxTss::AlphaArg2},
                                            {1, GfxTss::ColorOp},   {1, GfxTss::AlphaOp}};

} // namespace

bool OmD3D::CreateParticleBuffers()
{
    if (GetVertexBuffer(m_particleVertexBuffer) && GetIndexBuffer(m_particleIndexBuffer))
        return true;
    ReleaseVertexBuffer(m_particleVertexBuffer);
    ReleaseIndexBuffer(m_particleIndexBuffer);
    m_particleVertexBuffer = CreateVertexBuffer(OM_PARTICLE_VERTEX_FORMAT, 4 * OM_MAX_PARTICLES, false, false, true);
    m_particleIndexBuffer = CreateIndexBuffer(6 * OM_MAX_PARTICLES, true, false, true);
    OmD3DIndexBuffer* indices = GetIndexBuffer(m_particleIndexBuffer);
    uint16_t* out = indices ? indices->Lock(0, 6 * OM_MAX_PARTICLES, false) : nullptr;
    if (!GetVertexBuffer(m_particleVertexBuffer) || !out) {
        ReportError("Particles: the device buffers could not be made; particles are not drawn");
        ReleaseVertexBuffer(m_particleVertexBuffer);
        ReleaseIndexBuffer(m_particleIndexBuffer);
        m_particleVertexBuffer = m_particleIndexBuffer = -1;
        return false;
    }
    OmFillParticleIndices(out, OM_MAX_PARTICLES);
    indices->Unlock();
    return true;
}

void OmD3D::DrawParticles(const OmParticleVertex* vertices, const OmParticleRun* runs, uint32_t runCount)
{
    if (runCount == 0 || !vertices || !runs || !m_device || !CreateParticleBuffers())
        return;
    OmD3DVertexBuffer* buffer = GetVertexBuffer(m_particleVertexBuffer);
    uint32_t savedRender[std::size(kSavedRenderStates)];
    uint32_t savedStage[std::size(kSavedStageStates)];
    for (size_t i = 0; i < std::size(kSavedRenderStates); ++i)
        savedRender[i] = GetRenderState(kSavedRenderStates[i]);
    for (size_t i = 0; i < std::size(kSavedStageStates); ++i)
        savedStage[i] = GetTextureStageState(kSavedStageStates[i].stage, kSavedStageStates[i].type);
    const OmMatrix4 view = m_view;
    const OmMatrix4 world = m_world;

    // The quads are already in camera space.
    SetViewMatrix(&OmMatrix4::Identity());
    SetWorldMatrix(&OmMatrix4::Identity());
    SetVertexShader(OM_PARTICLE_VERTEX_FORMAT);
    SetStreamSource(0, m_particleVertexBuffer);
    DispatchRenderState(GfxRs::Lighting, 0);
    SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
    SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
    SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
    SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
    SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
    SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
    SetTextureStageState(1, GfxTss::AlphaOp, GfxTop::Disable);
    SetBlendMode(kParticleBlend);
    DispatchRenderState(GfxRs::ZWriteEnable, 0); // after the blend table, which sets it too

    buffer->SetDiscard(); // a fresh buffer each frame, appended run by run
    for (uint32_t r = 0; r < runCount; ++r) {
        const uint32_t count = 4 * runs[r].quadCount;
        auto* out = static_cast<OmParticleVertex*>(buffer->Lock(buffer->GetAppendPosition(), count, false));
        if (!out)
            break; // the device refused: the rest of this frame's particles are dropped
        std::memcpy(out, vertices + 4 * runs[r].firstQuad, count * sizeof(OmParticleVertex));
        buffer->Unlock();
        const uint32_t first = buffer->GetAppendPosition() - count;
        SetTexture(0, runs[r].texture);
        SetIndices(m_particleIndexBuffer, first);
        DrawIndexedPrimitive(GfxPrimitive::TriangleList, 0, count, 0, 2 * runs[r].quadCount);
    }

    SetViewMatrix(&view);
    SetWorldMatrix(&world);
    for (size_t i = 0; i < std::size(kSavedStageStates); ++i)
        SetTextureStageState(kSavedStageStates[i].stage, kSavedStageStates[i].type, savedStage[i]);
    for (size_t i = 0; i < std::size(kSavedRenderStates); ++i)
        DispatchRenderState(kSavedRenderStates[i], savedRender[i]);
}
