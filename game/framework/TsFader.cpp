#include "game/framework/TsFader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "render/OmD3D.h"
#include "render/OmD3DBuffer.h"
#include "render/OmD3DSavedStates.h"
#include "render/OmD3DDeviceVertex.h"

using namespace plat;

namespace {

// What drawing the fade changes; read from the renderer's cache first and
// put back after, so the frame around it keeps whatever it had set.
constexpr uint32_t kSavedRenderStates[] = {GfxRs::AlphaBlendEnable, GfxRs::SrcBlend,     GfxRs::DestBlend,
                                           GfxRs::ZEnable,          GfxRs::ZWriteEnable, GfxRs::Lighting,
                                           GfxRs::CullMode};
constexpr OmD3DStageState kSavedStageStates[] = {{0, GfxTss::ColorOp},   {0, GfxTss::ColorArg1}, {0, GfxTss::AlphaOp},
                                                 {0, GfxTss::AlphaArg1}, {1, GfxTss::ColorOp},   {1, GfxTss::AlphaOp}};

OmColour Lerp(const OmColour& a, const OmColour& b, float t)
{
    return OmColour(a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t);
}

} // namespace

TsFader::~TsFader()
{
    ReleaseBuffers();
}

void TsFader::ReleaseBuffers()
{
    OmReleaseDeviceBuffers(m_indexBuffer, m_vertexBuffer);
}

bool TsFader::CreateBuffers()
{
    if (m_indexBuffer >= 0 && m_vertexBuffer >= 0) {
        return true;
    }
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        LogError("TsFader: there is no renderer to fade the screen with");
        return false;
    }
    ReleaseBuffers();
    const bool made = OmCreateDeviceBuffers(*renderer, kIndexCount / 3, kVertexCount, GfxFvf::RhwDiffuse, true,
                                            true, m_indexBuffer, m_vertexBuffer);
    OmD3DIndexBuffer* indices = made ? renderer->GetIndexBuffer(m_indexBuffer) : nullptr;
    uint16_t* out = indices ? indices->Lock(0, kIndexCount, false) : nullptr;
    if (!out) {
        LogError("TsFader: the fade's device buffers could not be made; the fade is not drawn");
        ReleaseBuffers();
        return false;
    }
    for (int row = 0; row < kCellsPerSide; ++row) {
        for (int column = 0; column < kCellsPerSide; ++column) {
            const auto v = static_cast<uint16_t>(row * kGridSide + column);
            const uint16_t cell[6] = {v, uint16_t(v + kGridSide + 1), uint16_t(v + kGridSide),
                                      v, uint16_t(v + 1),          uint16_t(v + kGridSide + 1)};
            std::memcpy(out, cell, sizeof cell);
            out += 6;
        }
    }
    indices->Unlock();
    return true;
}

void TsFader::PlaceVertices(float width, float height)
{
    m_screenWidth = width;
    m_screenHeight = height;
    for (int row = 0; row < kGridSide; ++row) {
        for (int column = 0; column < kGridSide; ++column) {
            TsFaderVertex& v = m_vertices[row * kGridSide + column];
            v.x = float(column) * width / float(kCellsPerSide);
            v.y = float(row) * height / float(kCellsPerSide);
            v.z = 0.1f;
            v.rhw = 1.0f;
        }
    }
}

bool TsFader::Start(TsFadeKind kind, float seconds, bool out, const OmColour& colour)
{
    OmD3D* renderer = OmD3D::Instance();
    if (renderer) {
        GfxViewport viewport{};
        renderer->GetDeviceViewport(&viewport);
        PlaceVertices(float(viewport.width), float(viewport.height));
    }
    const bool ready = CreateBuffers();
    const uint32_t packed = out ? 0u : OmPackColour(colour);
    for (TsFaderVertex& v : m_vertices) {
        v.colour = packed;
    }
    m_kind = kind >= TS_FADE_NONE && kind <= TS_FADE_IRIS_CLOSING ? kind : TS_FADE_UNIFORM;
    m_out = out ? 1 : 0;
    m_next = m_previous = m_current = 0.0f;
    // A fade of no length (or of a length that is not a number) is over at
    // the next tick.
    const float tick = TsAccess::TickDuration();
    m_speed = seconds > 0.0f ? std::min(tick / seconds, 1.0f) : 1.0f;
    m_startColour = out ? OmColour() : colour;
    m_endColour = out ? colour : OmColour();
    m_rendering = 1;
    return ready;
}

bool TsFader::IsComplete() const
{
    return m_kind == TS_FADE_NONE || m_current >= 1.0f;
}

void TsFader::Update()
{
    if (IsComplete()) {
        m_rendering = m_out; // a finished fade out keeps the screen covered
        m_next = m_previous = m_current = 1.0f;
        return;
    }
    if (m_rendering) {
        m_previous = m_next;
        m_current = m_next;
        m_next += m_speed;
    }
}

float TsFader::BlendAt(float fraction) const
{
    return std::clamp(m_previous + (m_next - m_previous) * fraction, 0.0f, 1.0f);
}

float TsFader::PatternBlend(float r, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    if (r < t) {
        return 1.0f; // the front has passed
    }
    // At the pattern's start point the front stands still until it moves:
    // t / r would be 0 / 0 there.
    return r > 0.0f ? t / r : 0.0f;
}

float TsFader::PatternCoordinate(int i) const
{
    const TsFaderVertex& v = m_vertices[i];
    if (m_kind == TS_FADE_WIPE_LR) {
        return m_screenWidth > 0.0f ? v.x / m_screenWidth : 0.0f;
    }
    const float cx = m_screenWidth * 0.5f, cy = m_screenHeight * 0.5f;
    const float corner = std::sqrt(cx * cx + cy * cy);
    const float r = corner > 0.0f ? std::sqrt((v.x - cx) * (v.x - cx) + (v.y - cy) * (v.y - cy)) / corner : 0.0f;
    return m_kind == TS_FADE_IRIS_CLOSING ? 1.0f - r : r;
}

void TsFader::ColourVertices(float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    if (m_kind == TS_FADE_UNIFORM || m_kind == TS_FADE_NONE) {
        const uint32_t packed = OmPackColour(Lerp(m_startColour, m_endColour, t));
        for (TsFaderVertex& v : m_vertices) {
            v.colour = packed;
        }
        return;
    }
    for (int i = 0; i < kVertexCount; ++i) {
        m_vertices[i].colour = OmPackColour(Lerp(m_startColour, m_endColour, PatternBlend(PatternCoordinate(i), t)));
    }
}

void TsFader::Render(float fraction)
{
    if (!m_rendering) {
        return;
    }
    ColourVertices(BlendAt(fraction));
    Draw();
}

// The buffers made and the grid drawn all clear, not started: the colours
// are the next fade's to set.
void TsFader::WarmUp()
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !CreateBuffers()) {
        return;
    }
    GfxViewport viewport{};
    renderer->GetDeviceViewport(&viewport);
    PlaceVertices(float(viewport.width), float(viewport.height));
    for (TsFaderVertex& v : m_vertices) {
        v.colour = 0;
    }
    Draw();
}

void TsFader::Draw()
{
    OmD3D* renderer = OmD3D::Instance();
    if (m_indexBuffer < 0 || m_vertexBuffer < 0 || !renderer) {
        return;
    }
    OmD3DVertexBuffer* buffer = renderer->GetVertexBuffer(m_vertexBuffer);
    buffer->SetDiscard();
    void* out = buffer->Lock(0, kVertexCount, false);
    if (!out) {
        return; // the device refused this frame
    }
    std::memcpy(out, m_vertices, sizeof m_vertices);
    buffer->Unlock();

    const OmD3DSavedStates saved(*renderer, kSavedRenderStates, kSavedStageStates);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    renderer->DispatchRenderState(GfxRs::SrcBlend, GfxBlend::SrcAlpha);
    renderer->DispatchRenderState(GfxRs::DestBlend, GfxBlend::InvSrcAlpha);
    renderer->DispatchRenderState(GfxRs::ZEnable, 0);
    renderer->DispatchRenderState(GfxRs::ZWriteEnable, 0);
    renderer->DispatchRenderState(GfxRs::Lighting, 0);
    renderer->DispatchRenderState(GfxRs::CullMode, GfxCull::None);
    renderer->SetTexture(0, -1);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Diffuse);
    renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    renderer->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Diffuse);
    renderer->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
    renderer->SetTextureStageState(1, GfxTss::AlphaOp, GfxTop::Disable);
    renderer->SetVertexShader(GfxFvf::RhwDiffuse);
    renderer->SetStreamSource(0, m_vertexBuffer);
    renderer->SetIndices(m_indexBuffer, 0);
    renderer->DrawIndexedPrimitive(m_primitiveType, 0, m_vertexCount, 0, kIndexCount / 3);
}
