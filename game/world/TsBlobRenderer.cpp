#include "game/world/TsBlobRenderer.h"

#include <algorithm>
#include <cmath>

#include "engine/OmCamera.h"
#include "engine/OmMaterial.h"
#include "engine/OmMath.h"
#include "engine/OmMatrix4.h"
#include "engine/OmMaxLight.h"
#include "engine/OmPlane.h"
#include "game/framework/TsLog.h"
#include "game/world/TsWorldCell.h"
#include "render/OmD3D.h"
#include "render/OmD3DBatch.h"

using namespace plat;

namespace {

constexpr float kQuantStep = 1.0f / 65535.0f;
constexpr float kTexStep = 1.0f / 511.0f;

uint32_t Byte(uint32_t word, int slot) { return (word >> (24 - 8 * slot)) & 0xFF; }

// A light's colour as it adds to a vertex (nothing while it is off); a
// light effect flickering or pulsing the light scales it.
void LightColour(const OmMaxLight* light, float out[3])
{
    const bool lit = light && light->on && light->multiplier > 0.0f;
    for (int c = 0; c < 3; ++c)
        out[c] = lit ? light->colour[c] * light->scale * light->multiplier : 0.0f;
}

} // namespace

TsBlobRenderer::TsBlobRenderer() { m_runs.Resize(1024); }

TsBlobRenderer::~TsBlobRenderer()
{
    OmD3D* d3d = OmD3D::Instance();
    if (d3d && d3d->GetDevice()) {
        Unlock();
        for (uint32_t i = 0; i < plat::GfxMaxActiveLights; ++i)
            d3d->GetDevice()->LightEnable(i, false);
        d3d->ReleaseVertexBuffer(m_vertexBuffer);
        d3d->ReleaseIndexBuffer(m_indexBuffer);
    }
}

bool TsBlobRenderer::Create(float cellEdge, float heightRange)
{
    OmD3D* d3d = OmD3D::Instance();
    m_stepH = cellEdge * kQuantStep;
    m_stepV = heightRange * kQuantStep;
    if (!d3d || !d3d->GetDevice())
        return false;
    if (!m_shadow)
        m_shadow = std::make_unique<TsEntShadow>("data\\FX\\blob2.tga");
    if (m_vertexBuffer < 0)
        m_vertexBuffer = d3d->CreateVertexBuffer(GfxFvf::PosDiffuseTex1, kMaxVertices, false, false, true);
    if (m_indexBuffer < 0)
        m_indexBuffer = d3d->CreateIndexBuffer(kMaxIndices, false, false, true);
    if (!IsReady()) {
        LogError("World: the cell renderer's buffers could not be made; the world is not drawn");
        return false;
    }
    return true;
}

bool TsBlobRenderer::IsReady() const
{
    OmD3D* d3d = OmD3D::Instance();
    return d3d && d3d->GetVertexBuffer(m_vertexBuffer) && d3d->GetIndexBuffer(m_indexBuffer);
}

void TsBlobRenderer::SetCameraFade(float minimumAlpha, const OmVector3& position, float radius)
{
    m_fadeMinimum = std::clamp(minimumAlpha, 0.0f, 1.0f);
    m_fadeCentre = position;
    m_fadeScale = 1.0f / std::max(radius, 0.1f);
    m_fade = m_fadeMinimum < 1.0f ? 1 : 0;
}

bool TsBlobRenderer::Lock()
{
    if (!IsReady())
        return false;
    OmD3D* d3d = OmD3D::Instance();
    OmD3DVertexBuffer* vb = d3d->GetVertexBuffer(m_vertexBuffer);
    OmD3DIndexBuffer* ib = d3d->GetIndexBuffer(m_indexBuffer);
    vb->SetDiscard();
    ib->SetDiscard();
    m_vertices = static_cast<TsBlobVertex*>(vb->Lock(0, kMaxVertices, false));
    m_indices = m_vertices ? ib->Lock(0, kMaxIndices, false) : nullptr;
    if (!m_indices) {
        Unlock(); // a failed lock draws nothing this frame
        return false;
    }
    return true;
}

void TsBlobRenderer::Unlock()
{
    OmD3D* d3d = OmD3D::Instance();
    if (m_vertices && d3d)
        d3d->GetVertexBuffer(m_vertexBuffer)->Unlock();
    if (m_indices && d3d)
        d3d->GetIndexBuffer(m_indexBuffer)->Unlock();
    m_vertices = nullptr;
    m_indices = nullptr;
}

bool TsBlobRenderer::BeginFrame()
{
    m_verticesUsed = m_indicesUsed = m_runsUsed = 0;
    // Without a doubling texture stage the stored half-bright colours and
    // light weights are doubled as they are decoded instead.
    const OmD3D* d3d = OmD3D::Instance();
    m_brighten = d3d && !d3d->CanModulate2x();
    if (m_vertices)
        return true;
    return Lock();
}

TsCellVertex TsBlobRenderer::Brightened(const TsCellVertex& v)
{
    const auto twice = [](uint32_t word, uint32_t mask) {
        uint32_t out = word & ~mask;
        for (int shift = 0; shift < 32; shift += 8)
            if (mask >> shift & 0xFF)
                out |= std::min<uint32_t>(2 * (word >> shift & 0xFF), 255) << shift;
        return out;
    };
    TsCellVertex out = v;
    out.colour = twice(v.colour, 0x00FFFFFF); // the normal's index stays
    out.lightWeights = twice(v.lightWeights, 0xFFFFFFFF);
    return out;
}

uint32_t TsBlobRenderer::LitColour(const TsCellVertex& stored, TsCellLights lights, bool brighten)
{
    const TsCellVertex v = brighten ? Brightened(stored) : stored;
    // A light from a damaged world can add more than an int holds: each share
    // saturates, and four of them sum without overflow in 64 bits.
    int64_t rgb[3] = {(v.colour >> 16) & 0xFF, (v.colour >> 8) & 0xFF, v.colour & 0xFF};
    if (v.lightWeights != 0) {
        for (int slot = 0; slot < 4; ++slot) {
            const uint32_t w = Byte(v.lightWeights, slot);
            const uint32_t index = Byte(v.lightIndices, slot);
            if (w == 0 || index >= lights.size())
                continue;
            float colour[3];
            LightColour(lights[index], colour);
            for (int c = 0; c < 3; ++c)
                rgb[c] += SaturatingInt(std::round(static_cast<float>(w) * colour[c]));
        }
        for (int64_t& c : rgb)
            c = std::clamp<int64_t>(c, 0, 255);
    }
    return 0xFF000000u | static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8
        | static_cast<uint32_t>(rgb[2]);
}

uint32_t TsBlobRenderer::FadeAlpha(const OmVector3& p, const OmVector3& camera, const OmVector3& axis) const
{
    if (p.y < m_fadeCentre.y + 1.0f)
        return 255;
    const float dx = p.x - camera.x, dz = p.z - camera.z;
    const float cx = m_fadeCentre.x - camera.x, cz = m_fadeCentre.z - camera.z;
    if (dx * dx + dz * dz > cx * cx + cz * cz)
        return 255;
    const OmVector3 d = p - camera;
    const float t = d.Dot(axis);
    if (t < 0.0f)
        return 255;
    const float s = (d - axis * t).LengthSquared();
    if (s > kFadeReach)
        return 255;
    return static_cast<uint32_t>(std::lround(std::clamp(s * m_fadeScale, m_fadeMinimum, 1.0f) * 255.0f));
}

void TsBlobRenderer::Decode(const TsCellVertex& in, TsBlobVertex& out, const OmVector3& origin, float sh,
                            float sv) const
{
    out.x = in.x * sh + origin.x;
    out.y = in.y * sv + origin.y;
    out.z = in.z * sh + origin.z;
    out.u = in.u * kTexStep;
    out.v = in.v * kTexStep;
}

uint32_t TsBlobRenderer::FadeColour(const TsCellVertex& in, const TsBlobVertex& out, TsCellLights lights,
                                    const OmVector3& camera, const OmVector3& axis) const
{
    // Only the alpha changes as a vertex enters the fade: a wall by a lamp
    // keeps the lamp's colour while it clears.
    const uint32_t alpha = FadeAlpha(OmVector3(out.x, out.y, out.z), camera, axis);
    return std::min(alpha, 255u) << 24 | (LitColour(in, lights, m_brighten) & 0xFFFFFF);
}

uint16_t TsBlobRenderer::CopyVertex(TsCellGroup& group, uint16_t i, const OmVector3& origin, float sh, float sv,
                                    TsCellLights lights, uint32_t base, uint32_t& copies,
                                    const OmVector3& camera, const OmVector3& axis)
{
    if (m_copyStamp[i] == m_cellStamp)
        return m_copyIndex[i];
    const TsCellVertex& in = group.vertices[i];
    const uint32_t slot = group.vertices.GetCount() + copies++;
    TsBlobVertex& out = m_vertices[base + slot];
    Decode(in, out, origin, sh, sv);
    out.colour = FadeColour(in, out, lights, camera, axis);
    m_copyStamp[i] = m_cellStamp;
    m_copyIndex[i] = static_cast<uint16_t>(slot);
    return static_cast<uint16_t>(slot);
}

bool TsBlobRenderer::Fades(const TsCellGroup& group, const uint16_t* corners, const OmVector3& origin, float sh,
                           float sv, const OmVector3& camera, const OmVector3& axis) const
{
    for (int k = 0; k < 3; ++k) {
        TsBlobVertex probe;
        Decode(group.vertices[corners[k]], probe, origin, sh, sv);
        if (FadeAlpha(OmVector3(probe.x, probe.y, probe.z), camera, axis) < 255)
            return true;
    }
    return false;
}

bool TsBlobRenderer::RoomForCell(const TsCellGroup& group, bool fade)
{
    const uint32_t n = group.vertices.GetCount();
    const uint32_t triangles = group.GetTriangleCount();
    if (n > kMaxVertices || 3 * triangles > kMaxIndices || group.runs.GetCount() > kMaxRuns) {
        LogErrorOnce(m_reportedOversize, "World: a cell holds more geometry than one batch can draw; it is left out");
        return false;
    }
    // The worst case counts a copy of every corner a fade could make.
    const uint32_t worstVertices = n + (fade ? std::min(3 * triangles, kMaxVertices) : 0);
    // With the fade on a run may split into its solid and its faded part.
    const uint32_t worstRuns = group.runs.GetCount() * (fade ? 2 : 1);
    if (m_verticesUsed + worstVertices > kMaxVertices || m_indicesUsed + 3 * triangles > kMaxIndices
        || m_runsUsed + worstRuns > kMaxRuns) {
        Flush(true);
        if (!m_vertices)
            return false;
    }
    return true;
}

void TsBlobRenderer::AddRun(TsCellGroup& group, const TsCellRun& run, const OmArray<OmPlane>& planes, bool fade,
                            bool doubleSided, const OmVector3& origin, float sh, float sv, TsCellLights lights,
                            uint32_t base, uint32_t& copies, const OmVector3& eye, const OmVector3& axis)
{
    const uint32_t n = group.vertices.GetCount();
    const uint32_t first = m_indicesUsed + 3 * run.firstTriangle;
    // Solid triangles fill the run's indices from the front and faded
    // ones from the back, so each part draws as a run of its own: only
    // the faded part blends and gives up its depth writes.
    uint16_t* solid = m_indices + first;
    uint16_t* faded = m_indices + first + 3 * run.triangleCount;
    const uint16_t* src = group.indices.GetData() + 3 * run.firstTriangle;
    for (uint32_t t = 0; t < run.triangleCount; ++t, src += 3) {
        if (fade && !doubleSided && planes[run.firstTriangle + t].Classify(eye) == 2) {
            // Faces away: nothing to draw, but the corner it names is decoded.
            solid[0] = solid[1] = solid[2] = src[0];
            group.vertices[src[0]].flags |= kDecodeMark;
            solid += 3;
            continue;
        }
        const bool fades = fade && !doubleSided && Fades(group, src, origin, sh, sv, eye, axis)
            && base + n + copies + 3 <= kMaxVertices;
        if (fades) {
            faded -= 3;
            for (int k = 0; k < 3; ++k)
                faded[k] = CopyVertex(group, src[k], origin, sh, sv, lights, base, copies, eye, axis);
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            solid[k] = src[k];
            group.vertices[src[k]].flags |= kDecodeMark;
        }
        solid += 3;
    }
    const uint32_t solidCount = static_cast<uint32_t>(solid - (m_indices + first)) / 3;
    const uint32_t fadedCount = run.triangleCount - solidCount;
    m_runs[m_runsUsed++] = {run.material, run.firstVertex, run.vertexCount, first, solidCount,
                            doubleSided ? 1u : 0u, base, 0};
    if (fadedCount > 0)
        m_runs[m_runsUsed++] = {run.material, run.firstVertex, run.vertexCount, first + 3 * solidCount,
                                fadedCount, 0, base, 1};
}

void TsBlobRenderer::DecodeMarked(TsCellGroup& group, const OmVector3& origin, float sh, float sv,
                                  TsCellLights lights, uint32_t base)
{
    // Every shared corner an index names, a degenerate triangle's included.
    for (uint32_t i = 0; i < group.vertices.GetCount(); ++i) {
        TsCellVertex& v = group.vertices[i];
        if (v.flags & kDecodeMark) {
            TsBlobVertex& out = m_vertices[base + i];
            Decode(v, out, origin, sh, sv);
            out.colour = LitColour(v, lights, m_brighten);
        }
        v.flags = kDecodedFlag;
    }
}

void TsBlobRenderer::AddCell(TsCellGroup& group, const OmArray<OmPlane>& planes, const OmVector3& origin,
                             const OmVector3& size, TsCellLights lights)
{
    const uint32_t n = group.vertices.GetCount();
    const uint32_t triangles = group.GetTriangleCount();
    if (!m_vertices || n == 0 || triangles == 0)
        return;
    const bool fade = m_fade != 0 && planes.GetCount() >= triangles;
    if (!RoomForCell(group, fade))
        return;
    const float sh = size.x * kQuantStep, sv = size.y * kQuantStep;
    const uint32_t base = m_verticesUsed;
    uint32_t copies = 0;
    if (++m_cellStamp == 0) {
        std::fill(std::begin(m_copyStamp), std::end(m_copyStamp), 0u);
        m_cellStamp = 1;
    }
    OmD3D* d3d = OmD3D::Instance();
    OmCamera* camera = d3d ? d3d->GetCamera() : nullptr;
    const OmVector3 eye = camera ? camera->GetPosition() : OmVector3();
    const OmVector3 axis = camera ? camera->GetForward() : OmVector3(0, 0, 1);
    for (uint32_t r = 0; r < group.runs.GetCount(); ++r) {
        const TsCellRun& run = group.runs[r];
        const OmMaterial* material = d3d ? d3d->GetMaterial(run.material) : nullptr;
        const bool doubleSided = material && (material->flags & 1);
        AddRun(group, run, planes, fade && camera, doubleSided, origin, sh, sv, lights, base, copies, eye, axis);
    }
    DecodeMarked(group, origin, sh, sv, lights, base);
    m_verticesUsed += n + copies;
    m_indicesUsed += 3 * triangles;
}

bool TsBlobRenderer::HoldsTogether(const TsCellGroup& geometry)
{
    const uint32_t triangles = geometry.GetTriangleCount();
    for (uint32_t r = 0; r < geometry.runs.GetCount(); ++r) {
        const TsCellRun& run = geometry.runs[r];
        if (run.firstTriangle > triangles || run.triangleCount > triangles - run.firstTriangle)
            return false;
    }
    const uint16_t* indices = geometry.indices.GetData();
    const uint32_t n = geometry.vertices.GetCount();
    return std::all_of(indices, indices + 3 * triangles, [n](uint16_t i) { return i < n; });
}

void TsBlobRenderer::AddDynamic(const TsCellGroup& geometry, const OmVector3& origin, TsCellLights lights)
{
    OmD3D* d3d = OmD3D::Instance();
    const uint32_t n = geometry.vertices.GetCount();
    if (!d3d || !d3d->GetBatch().IsOpen() || n == 0 || geometry.runs.GetCount() == 0)
        return;
    if (n > OmD3DBatch::kMaxSourceVertices || !HoldsTogether(geometry)) {
        LogErrorOnceF(m_reportedBadDynamic,
                      "World: a dynamic object's geometry (%u vertices, %u indices, %u runs) does not fit the "
                      "batch or names vertices it lacks; it is left out",
                      n, geometry.indices.GetCount(), geometry.runs.GetCount());
        return;
    }
    OmD3DBatch& batch = d3d->GetBatch();
    auto* out = static_cast<TsBlobVertex*>(batch.LockSourceVertices(n));
    if (!out)
        return;
    // The batch's blending shows a faded vertex's alpha, so unlike the
    // cells nothing needs copying: each vertex is decoded once, faded or not.
    const OmCamera* camera = d3d->GetCamera();
    const bool fade = m_fade != 0 && camera;
    const OmVector3 eye = camera ? camera->GetPosition() : OmVector3();
    const OmVector3 axis = camera ? camera->GetForward() : OmVector3(0, 0, 1);
    for (uint32_t i = 0; i < n; ++i) {
        const TsCellVertex& in = geometry.vertices[i];
        Decode(in, out[i], origin, m_stepH, m_stepV);
        out[i].colour = fade ? FadeColour(in, out[i], lights, eye, axis) : LitColour(in, lights, m_brighten);
    }
    batch.UnlockSourceVertices();
    const uint32_t base = batch.GetVertexCount();
    // The positions are in the world already and the colours carry their
    // light: transformed with the device's lights on, vertices without
    // normals would come out black.
    const bool lighting = d3d->GetRenderState(GfxRs::Lighting) != 0;
    d3d->SetWorldMatrix(&OmMatrix4::Identity());
    d3d->SetLighting(false);
    batch.TransformVertices(n);
    d3d->SetLighting(lighting);
    for (uint32_t r = 0; r < geometry.runs.GetCount(); ++r) {
        const TsCellRun& run = geometry.runs[r];
        batch.AddIndexedTriangles(geometry.indices.GetData() + 3 * run.firstTriangle,
                                  static_cast<uint32_t>(run.material), run.triangleCount, base);
    }
}

void TsBlobRenderer::Flush(bool restart)
{
    OmD3D* d3d = OmD3D::Instance();
    const bool locked = m_vertices != nullptr;
    Unlock();
    ++m_flushes;
    if (locked && d3d && m_runsUsed > 0) {
        // The colours carry the cells' light already: device lighting would
        // see vertices without normals and turn them black.
        const bool lighting = d3d->GetRenderState(GfxRs::Lighting) != 0;
        d3d->SetLighting(false);
        d3d->SetVertexShader(GfxFvf::PosDiffuseTex1);
        d3d->SetStreamSource(0, m_vertexBuffer);
        const uint32_t op = d3d->CanModulate2x() ? GfxTop::Modulate2x : GfxTop::Modulate;
        for (uint32_t r = 0; r < m_runsUsed; ++r)
            if (!m_runs[r].faded && m_runs[r].triangleCount > 0)
                DrawRun(m_runs[r], op);
        // Faded geometry blends over what stands behind it, so it goes last
        // and leaves the depth buffer alone.
        for (uint32_t r = 0; r < m_runsUsed; ++r) {
            if (!m_runs[r].faded)
                continue;
            d3d->ForceBlendMode(0x20);
            DrawRun(m_runs[r], op);
            d3d->ReleaseBlendMode();
        }
        d3d->DispatchRenderState(GfxRs::CullMode, GfxCull::Ccw);
        d3d->DispatchRenderState(GfxRs::ZEnable, 1);
        d3d->SetLighting(lighting);
    }
    m_verticesUsed = m_indicesUsed = m_runsUsed = 0;
    if (restart)
        Lock();
}

void TsBlobRenderer::DrawRun(const Run& run, uint32_t colourOp)
{
    OmD3D* d3d = OmD3D::Instance();
    d3d->ApplyMaterial(run.material);
    d3d->SetTextureStageState(0, GfxTss::ColorOp, colourOp);
    d3d->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    d3d->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
    if (run.faded) {
        d3d->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
        d3d->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
        d3d->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
    }
    d3d->DispatchRenderState(GfxRs::CullMode, run.doubleSided ? GfxCull::None : GfxCull::Ccw);
    d3d->SetIndices(m_indexBuffer, run.indexBase);
    d3d->DrawIndexedPrimitive(GfxPrimitive::TriangleList, 0, m_verticesUsed - run.indexBase, run.firstIndex,
                              run.triangleCount);
}

void TsBlobRenderer::DrawShadowTriangles(const TsCellGroup& group, const uint16_t* triangles, int32_t count,
                                         const OmVector3& origin, const OmVector3& size, const OmVector3& centre,
                                         float radius)
{
    OmD3D* d3d = OmD3D::Instance();
    if (!m_shadow || !m_shadow->IsReady() || !triangles || count <= 0 || radius <= 0.0f || !d3d)
        return;
    OmD3DVertexBuffer* vb = d3d->GetVertexBuffer(m_shadow->vertexBuffer);
    const uint32_t maxTriangles = TsEntShadow::kVertexCount / 3;
    count = std::min<int32_t>(count, static_cast<int32_t>(maxTriangles));
    vb->SetDiscard();
    auto* out = static_cast<TsBlobVertex*>(vb->Lock(0, 3 * static_cast<uint32_t>(count), false));
    if (!out)
        return;
    const float sh = size.x * kQuantStep, sv = size.y * kQuantStep;
    const float inv = 1.0f / (2.0f * radius);
    uint32_t written = 0;
    for (int32_t t = 0; t < count; ++t) {
        const uint32_t tri = triangles[t];
        if (3 * tri + 2 >= group.indices.GetCount())
            continue;
        const uint16_t* corner = group.indices.GetData() + 3 * tri;
        if (std::max({corner[0], corner[1], corner[2]}) >= group.vertices.GetCount())
            continue;
        for (int k = 0; k < 3; ++k) {
            TsBlobVertex& v = out[written + k];
            Decode(group.vertices[corner[k]], v, origin, sh, sv);
            v.colour = 0xFFFFFFFFu;
            v.u = (v.x - centre.x) * inv + 0.5f;
            v.v = (v.z - centre.z) * inv + 0.5f;
        }
        written += 3;
    }
    vb->Unlock();
    m_shadow->BeginRender();
    if (written > 0)
        d3d->DrawPrimitive(GfxPrimitive::TriangleList, 0, written / 3);
    vb->SetDiscard();
    m_shadow->EndRender();
}
