// Developer drawing: the frame's debug lines, a wire cylinder, immediate
// line lists, and the screenshot of the front buffer.
#include <algorithm>
#include <cmath>
#include <string>

#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "engine/OmReport.h"
#include "engine/OmVector4.h"
#include "platform/BmpFile.h"
#include "platform/WindowRect.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

struct LineVertex {
    float x, y, z;
    uint32_t colour;
};
static_assert(sizeof(LineVertex) == 16);

LineVertex At(const OmVector3& p, uint32_t colour) { return LineVertex{p.x, p.y, p.z, colour}; }

// The most lines DrawLines sends in one draw; longer lists go in batches
// from the same stack block.
constexpr uint32_t kLinesPerDraw = 256;
// 16-bit indices reach 2n + 3 vertices.
constexpr int32_t kMaxWireSegments = 16000;

} // namespace

float FastSin(float x) { return x * (1.0f + x * x * (x * x * 0.00761f - 0.16605f)); }

float FastCos(float x) { return 1.0f + x * x * (x * x * 0.03705f - 0.4967f); }

void FastSinCos(float angle, float& s, float& c)
{
    // The polynomials hold on 0 to pi/2 only: fold every angle there.
    float a = std::fmod(angle, OM_TWO_PI);
    if (a < 0.0f)
        a += OM_TWO_PI;
    float sign = 1.0f;
    if (a > OM_PI) {
        a -= OM_PI; // sin and cos both change sign over half a turn
        sign = -1.0f;
    }
    if (a > OM_HALF_PI) {
        s = sign * FastSin(OM_PI - a);
        c = -sign * FastCos(OM_PI - a);
    } else {
        s = sign * FastSin(a);
        c = sign * FastCos(a);
    }
}

// ---- debug lines ------------------------------------------------------------------

void OmD3D::DrawDebugLines()
{
    const uint32_t count = m_debugLineCount;
    m_debugLineCount = 0;
    if (count == 0 || !m_device)
        return;
    OmD3DVertexBuffer* buffer = GetVertexBuffer(m_debugLineBuffer);
    auto* v = buffer ? static_cast<LineVertex*>(buffer->Lock(0, 2 * count, false)) : nullptr;
    if (!v)
        return; // no buffer to draw from: the lines are dropped
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t colour = OmPackColour(m_debugLines[i].colour);
        v[2 * i] = At(m_debugLines[i].from, colour);
        v[2 * i + 1] = At(m_debugLines[i].to, colour);
    }
    buffer->Unlock();

    const uint32_t lighting = GetRenderState(GfxRs::Lighting);
    const uint32_t colourVertex = GetRenderState(GfxRs::ColorVertex);
    SetLighting(false);
    SetWorldMatrix(&OmMatrix4::Identity());
    SetVertexShader(GfxFvf::PosDiffuse);
    SetStreamSource(0, m_debugLineBuffer);
    const uint32_t zEnable = GetRenderState(GfxRs::ZEnable);
    const uint32_t colourOp = GetTextureStageState(0, GfxTss::ColorOp);
    DispatchRenderState(GfxRs::ZEnable, 1);
    DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
    DispatchRenderState(GfxRs::AlphaTestEnable, 0);
    SetTexture(0, -1);
    DrawPrimitive(GfxPrimitive::LineList, 0, count);
    SetTextureStageState(0, GfxTss::ColorOp, colourOp);
    DispatchRenderState(GfxRs::ZEnable, zEnable);
    DispatchRenderState(GfxRs::Lighting, lighting);
    DispatchRenderState(GfxRs::ColorVertex, colourVertex);
}

// ---- immediate lines ----------------------------------------------------------------

void OmD3D::DrawLines(int32_t lineCount, const OmVector3* points, uint32_t colour)
{
    if (lineCount <= 0 || !points || !m_device)
        return;
    SetIndices(-1, 0);
    SetD3DStreamSource(0, nullptr, 0);
    SetTexture(0, -1);
    const uint32_t lighting = GetRenderState(GfxRs::Lighting);
    const uint32_t colourVertex = GetRenderState(GfxRs::ColorVertex);
    SetLighting(false);
    SetVertexShader(GfxFvf::PosDiffuse);
    LineVertex v[2 * kLinesPerDraw];
    for (uint32_t done = 0; done < static_cast<uint32_t>(lineCount);) {
        const uint32_t n = std::min(kLinesPerDraw, static_cast<uint32_t>(lineCount) - done);
        for (uint32_t i = 0; i < 2 * n; ++i)
            v[i] = At(points[2 * done + i], colour);
        DrawPrimitiveUP(GfxPrimitive::LineList, n, v, sizeof(LineVertex));
        done += n;
    }
    // Put lighting back as the caller had it rather than forcing it on.
    DispatchRenderState(GfxRs::Lighting, lighting);
    DispatchRenderState(GfxRs::ColorVertex, colourVertex);
}

// ---- wire cylinder ------------------------------------------------------------------

void OmD3D::BuildWireCylinder(int32_t n, float height, float radius, uint32_t colour)
{
    const auto count = static_cast<size_t>(n);
    if (m_wireSegments != n) {
        // Resized only when the segment count changes.
        m_wireVertices.resize((2 * count + 4) * sizeof(LineVertex));
        m_wireSideIndices.resize(2 * count + 2);
        m_wireCapIndices.resize(count + 2);
        m_wireSegments = n;
    }
    auto* v = reinterpret_cast<LineVertex*>(m_wireVertices.data());
    const float step = OM_TWO_PI / static_cast<float>(n);
    for (size_t i = 0; i < count; ++i) {
        float s = 0.0f, c = 0.0f;
        FastSinCos(static_cast<float>(i) * step, s, c);
        v[i] = LineVertex{radius * c, 0.0f, radius * s, colour};
        v[count + 1 + i] = LineVertex{radius * c, height, radius * s, colour};
    }
    v[count] = v[0];
    v[2 * count + 1] = v[count + 1];
    v[2 * count + 2] = LineVertex{0.0f, height, 0.0f, colour};
    v[2 * count + 3] = LineVertex{0.0f, 0.0f, 0.0f, colour};
    for (size_t i = 0; i <= count; ++i) {
        m_wireSideIndices[2 * i] = static_cast<uint16_t>(i);
        m_wireSideIndices[2 * i + 1] = static_cast<uint16_t>(count + 1 + i);
    }
    m_wireCapIndices[0] = static_cast<uint16_t>(2 * count + 2);
    for (size_t i = 0; i <= count; ++i)
        m_wireCapIndices[1 + i] = static_cast<uint16_t>(count + 1 + i);
}

void OmD3D::DrawWirePrimitive(const OmVector3* position, float height, float radius, int32_t segments,
                              const float* colour)
{
    if (!position || !colour || segments <= 0 || !m_device)
        return;
    const int32_t n = std::min(segments, kMaxWireSegments);
    const uint32_t zWrite = GetRenderState(GfxRs::ZWriteEnable);
    const uint32_t lighting = GetRenderState(GfxRs::Lighting);
    const uint32_t fillMode = GetRenderState(GfxRs::FillMode);
    const uint32_t zEnable = GetRenderState(GfxRs::ZEnable);
    const uint32_t shader = GetVertexShader();
    const OmMatrix4 savedWorld = m_world;
    BuildWireCylinder(n, height, radius, OmPackColour(colour));

    SetVertexShader(GfxFvf::PosDiffuse);
    SetTexture(0, -1);
    SetWireframe(true);
    DispatchRenderState(GfxRs::Lighting, 0);
    // A developer's view: the whole cylinder is seen through the walls in
    // front of it, its sides as well as its cap.
    DispatchRenderState(GfxRs::ZEnable, 0);
    DispatchRenderState(GfxRs::ZWriteEnable, 0);
    SetD3DStreamSource(0, nullptr, 0);
    SetIndices(-1, 0);
    OmMatrix4 world;
    world.SetTranslation(*position);
    SetWorldMatrix(&world);

    const auto vertexCount = static_cast<uint32_t>(2 * n + 4);
    DrawIndexedPrimitiveUP(GfxPrimitive::TriangleStrip, 0, vertexCount, static_cast<uint32_t>(2 * n),
                           m_wireSideIndices.data(), GfxFormat::Index16, m_wireVertices.data(), sizeof(LineVertex));
    // The cap is seen from above: through the cache, and put back after.
    const uint32_t cull = GetRenderState(GfxRs::CullMode);
    DispatchRenderState(GfxRs::CullMode, GfxCull::Cw);
    DrawIndexedPrimitiveUP(GfxPrimitive::TriangleFan, 0, vertexCount, static_cast<uint32_t>(n),
                           m_wireCapIndices.data(), GfxFormat::Index16, m_wireVertices.data(), sizeof(LineVertex));
    DispatchRenderState(GfxRs::CullMode, cull);

    SetVertexShader(shader);
    DispatchRenderState(GfxRs::Lighting, lighting);
    DispatchRenderState(GfxRs::ZWriteEnable, zWrite);
    DispatchRenderState(GfxRs::ZEnable, zEnable);
    DispatchRenderState(GfxRs::FillMode, fillMode);
    SetWorldMatrix(&savedWorld);
}

// ---- screenshot ------------------------------------------------------------------------

bool OmD3D::SaveScreenshot(const char* fileName)
{
    if (!fileName || !m_device)
        return false;
    GfxDisplayMode mode{};
    m_device->GetDisplayMode(&mode);
    OmRef<GfxSurface> surface;
    if (GfxFailed(m_device->CreateImageSurface(mode.width, mode.height, GfxFormat::A8R8G8B8, surface.Put()))
        || !surface)
        return false;
    bool written = false;
    if (!GfxFailed(m_device->GetFrontBuffer(surface))) {
        // Only the part of the window that lies on the screen can be read.
        GfxRect r = WindowScreenRect(m_window, m_backBuffer.width, m_backBuffer.height);
        r.left = std::clamp(r.left, 0, static_cast<int32_t>(surface->Width()));
        r.right = std::clamp(r.right, r.left, static_cast<int32_t>(surface->Width()));
        r.top = std::clamp(r.top, 0, static_cast<int32_t>(surface->Height()));
        r.bottom = std::clamp(r.bottom, r.top, static_cast<int32_t>(surface->Height()));
        GfxLockedRect locked{};
        if (r.right > r.left && r.bottom > r.top
            && !GfxFailed(surface->LockRect(&locked, &r, GfxLock::ReadOnly))) {
            std::string error;
            written = WriteBmp24(fileName, locked.bits, static_cast<uint32_t>(r.right - r.left),
                                 static_cast<uint32_t>(r.bottom - r.top), static_cast<size_t>(locked.pitch), &error);
            if (!written)
                ReportError("OmD3D: screenshot not saved: %s", error.c_str());
            surface->UnlockRect();
        }
    }
    return written;
}
