#include "game/world/TsShockwave.h"

#include <algorithm>
#include <cmath>

#include "engine/OmMatrix4.h"
#include "engine/OmVector4.h"
#include "game/world/TsExplosionParams.h"
#include "platform/DebugOutput.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

constexpr uint32_t kSteps = 32;
constexpr uint32_t kRingBlend = 0x40;

int32_t s_vertexBuffer = -1;
int32_t s_indexBuffer = -1;
float s_sin[kSteps];
float s_cos[kSteps];

void FillTables()
{
    for (uint32_t k = 0; k < kSteps; ++k) {
        const double a = k * 2.0 * 3.14159265358979323846 / kSteps;
        s_sin[k] = static_cast<float>(std::sin(a));
        s_cos[k] = static_cast<float>(std::cos(a));
    }
}

uint32_t Channel(float level, float bias)
{
    return OmLevelByte(level * bias);
}

} // namespace

void TsShockwave::Start(const TsExplosionParams& type, const OmVector3& position)
{
    m_centre = OmVector3(position.x, position.y + 1.0f, position.z);
    m_elapsed = 0.0f;
    // A ring with no lifetime ends at once instead of dividing by zero.
    m_rate = type.m_shockLifetime > 0.0f ? 1.0f / type.m_shockLifetime : 0.0f;
    m_delay = type.m_shockDelay;
    m_minRadius = type.m_shockMinRadius;
    m_maxRadius = type.m_shockMaxRadius;
    m_width = type.m_shockWidth;
    m_colour = type.m_shockColourBias;
    m_texture = type.textureId;
    m_visible = false;
}

bool TsShockwave::Advance(float dt)
{
    m_elapsed += dt;
    m_visible = false;
    if (m_elapsed < m_delay)
        return true;
    if (m_rate <= 0.0f || !std::isfinite(m_rate))
        return false;
    const float f = (m_elapsed - m_delay) * m_rate;
    m_radius = (m_maxRadius - m_minRadius) * f + m_minRadius;
    if (m_radius > m_maxRadius)
        return false;
    m_inner = std::max(0.0f, m_radius - m_width);
    const float level = std::clamp((1.0f - f) * (1.0f - f), 0.0f, 1.0f) * 255.0f;
    m_drawColour = 0xFF000000u | Channel(level, m_colour.x) << 16 | Channel(level, m_colour.y) << 8
        | Channel(level, m_colour.z);
    m_visible = true;
    Draw();
    return true;
}

void TsShockwave::BuildRing(const OmVector3& centre, float radius, float inner, uint32_t colour,
                            TsShockwaveVertex* out)
{
    if (s_sin[1] == 0.0f)
        FillTables();
    for (uint32_t k = 0; k < kSteps; ++k) {
        const float u = (k & 1) ? 0.5f : ((k / 3) & 1 ? 1.0f : 0.0f);
        out[2 * k] = {radius * s_cos[k] + centre.x, centre.y, radius * s_sin[k] + centre.z, colour, u, 1.0f};
        out[2 * k + 1] = {inner * s_cos[k] + centre.x, centre.y, inner * s_sin[k] + centre.z, colour, u, 0.0f};
    }
}

bool TsShockwave::InitBuffers()
{
    OmD3D* d3d = OmD3D::Instance();
    if (BuffersReady() || !d3d)
        return BuffersReady();
    FillTables();
    s_vertexBuffer = d3d->CreateVertexBuffer(GfxFvf::PosDiffuseTex1, kBufferVertices, false, false, true);
    s_indexBuffer = d3d->CreateIndexBuffer(kRingIndices, true, false, true);
    OmD3DIndexBuffer* ib = d3d->GetIndexBuffer(s_indexBuffer);
    uint16_t* indices = ib ? ib->Lock(0, kRingIndices, false) : nullptr;
    if (!d3d->GetVertexBuffer(s_vertexBuffer) || !indices) {
        DebugOutput("TsShockwave: the ring buffers could not be made; rings are not drawn\n");
        ReleaseBuffers();
        return false;
    }
    for (uint32_t i = 0; i < kRingIndices; ++i)
        indices[i] = static_cast<uint16_t>(i % kRingVertices);
    ib->Unlock();
    return true;
}

void TsShockwave::ReleaseBuffers()
{
    OmD3D* d3d = OmD3D::Instance();
    if (d3d) {
        d3d->ReleaseVertexBuffer(s_vertexBuffer);
        d3d->ReleaseIndexBuffer(s_indexBuffer);
    }
    s_vertexBuffer = s_indexBuffer = -1;
}

bool TsShockwave::BuffersReady()
{
    OmD3D* d3d = OmD3D::Instance();
    return d3d && d3d->GetVertexBuffer(s_vertexBuffer) && d3d->GetIndexBuffer(s_indexBuffer);
}

void TsShockwave::Draw()
{
    if (!BuffersReady())
        return;
    OmD3D* d3d = OmD3D::Instance();
    OmD3DVertexBuffer* vb = d3d->GetVertexBuffer(s_vertexBuffer);
    if (vb->GetAppendPosition() + kRingVertices >= kBufferVertices)
        vb->SetDiscard();
    auto* out = static_cast<TsShockwaveVertex*>(vb->Lock(vb->GetAppendPosition(), kRingVertices, false));
    if (!out)
        return;
    BuildRing(m_centre, m_radius, m_inner, m_drawColour, out);
    vb->Unlock();
    const uint32_t first = vb->GetAppendPosition() - kRingVertices;

    d3d->SetWorldMatrix(&OmMatrix4::Identity());
    d3d->SetStreamSource(0, s_vertexBuffer);
    d3d->SetIndices(s_indexBuffer, first);
    d3d->SetTexture(0, m_texture);
    d3d->SetLighting(false);
    d3d->SetVertexShader(GfxFvf::PosDiffuseTex1);
    d3d->SetBlendMode(kRingBlend);
    d3d->DispatchRenderState(GfxRs::ZWriteEnable, 0);
    d3d->SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Clamp);
    if (GfxFailed(d3d->DrawIndexedPrimitive(GfxPrimitive::TriangleStrip, 0, kRingVertices, 0, kRingVertices)))
        DebugOutput("DrawPrim failed in shockwave\n");
    d3d->SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Wrap);
    d3d->DispatchRenderState(GfxRs::ZWriteEnable, 1);
    d3d->SetBlendMode(0);
}
