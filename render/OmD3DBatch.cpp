#include "render/OmD3DBatch.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "engine/OmReport.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

constexpr uint32_t kOutputFormats[3] = {GfxFvf::RhwDiffuse, GfxFvf::RhwDiffuseTex1, GfxFvf::RhwDiffuseTex2};
constexpr uint32_t kBlendAlpha = 0x20;

uint32_t Bucket(float key)
{
    const float scaled = key * float(OmD3DBatch::kBucketCount);
    if (!(scaled >= 0.0f)) // negative, or not a number
        return 0;
    if (scaled >= float(OmD3DBatch::kBucketCount - 1))
        return OmD3DBatch::kBucketCount - 1;
    return uint32_t(std::lround(scaled));
}

} // namespace

OmD3DBatch::OmD3DBatch(OmD3D& renderer)
    : m_renderer(renderer),
      m_triangles(new Triangle[kMaxTriangles]),
      m_buckets(new Triangle*[kBucketCount]()),
      m_runs(new Run[kMaxTriangles])
{
}

OmD3DBatch::~OmD3DBatch() { ReleaseBuffers(); }

void OmD3DBatch::Report(Problem problem, const char* text)
{
    if (m_reported & problem)
        return;
    m_reported |= problem;
    ReportError("OmD3DBatch: %s", text);
}

// ---- buffers ------------------------------------------------------------------

bool OmD3DBatch::CreateBuffers(uint32_t mode)
{
    m_mode = mode > 2 ? 2 : mode;
    if (m_lit.buffer < 0)
        m_lit.buffer = m_renderer.CreateVertexBuffer(GfxFvf::PosNormalTex1, kMaxSourceVertices, false, true, true);
    if (m_coloured.buffer < 0)
        m_coloured.buffer =
            m_renderer.CreateVertexBuffer(GfxFvf::PosDiffuseTex1, kMaxSourceVertices, false, true, true);
    // An existing output buffer stays, whatever mode it was made for.
    if (m_outputBuffer < 0)
        m_outputBuffer = m_renderer.CreateVertexBuffer(kOutputFormats[m_mode], kMaxOutputVertices, false, true, true);
    if (m_indexBuffer < 0)
        m_indexBuffer = m_renderer.CreateIndexBuffer(kMaxTriangles * 3, false, true, true);
    const OmD3DVertexBuffer* output = m_renderer.GetVertexBuffer(m_outputBuffer);
    m_outputStride = output ? output->GetStride() : 0;
    return m_lit.buffer >= 0 && m_coloured.buffer >= 0 && m_outputBuffer >= 0 && m_indexBuffer >= 0;
}

void OmD3DBatch::ReleaseBuffers()
{
    if (m_output) {
        if (OmD3DVertexBuffer* output = m_renderer.GetVertexBuffer(m_outputBuffer))
            output->Unlock();
        m_output = nullptr;
    }
    for (int32_t* id : {&m_lit.buffer, &m_coloured.buffer, &m_outputBuffer}) {
        m_renderer.ReleaseVertexBuffer(*id);
        *id = -1;
    }
    m_renderer.ReleaseIndexBuffer(m_indexBuffer);
    m_indexBuffer = -1;
    m_lit.mapped = m_coloured.mapped = nullptr;
    m_mode = 0;
    m_outputStride = 0;
}

// ---- the frame ------------------------------------------------------------------

void OmD3DBatch::Begin(uint8_t orderFlag)
{
    m_orderFlag = orderFlag;
    for (Source* source : {&m_lit, &m_coloured}) {
        if (OmD3DVertexBuffer* buffer = m_renderer.GetVertexBuffer(source->buffer))
            buffer->SetDiscard();
        source->locked = 0;
    }
    OmD3DVertexBuffer* output = m_renderer.GetVertexBuffer(m_outputBuffer);
    if (output && output->IsLocked())
        output->Unlock(); // a frame that never flushed
    // The output stays locked until Flush: the add operations read the
    // transformed depths through this pointer.
    m_output = output ? static_cast<uint8_t*>(output->Lock(0, kMaxOutputVertices, false)) : nullptr;
    if (!m_output)
        Report(kLockFailed, "the output buffer cannot be locked; this frame's blended triangles are dropped");
    m_outputCount = 0;
    m_trianglesAdded = 0;
    m_triangleCount = 0;
    std::memset(m_buckets.get(), 0, sizeof(Triangle*) * kBucketCount);
}

void* OmD3DBatch::LockSource(Source& source, uint32_t count)
{
    OmD3DVertexBuffer* buffer = m_renderer.GetVertexBuffer(source.buffer);
    if (count == 0 || !buffer)
        return nullptr;
    if (count > kMaxSourceVertices) {
        Report(kSourceTooLarge, "more vertices asked for in one lock than a source buffer holds; nothing is locked");
        return nullptr;
    }
    source.mapped = buffer->Lock(buffer->GetAppendPosition(), count, false);
    source.locked = source.mapped ? count : 0;
    return source.mapped;
}

void OmD3DBatch::UnlockSource(Source& source)
{
    if (OmD3DVertexBuffer* buffer = m_renderer.GetVertexBuffer(source.buffer))
        buffer->Unlock();
    source.mapped = nullptr;
}

void* OmD3DBatch::LockSourceVertices(uint32_t count) { return LockSource(m_coloured, count); }
void OmD3DBatch::UnlockSourceVertices() { UnlockSource(m_coloured); }
void OmD3DBatch::TransformVertices(uint32_t count) { Transform(m_coloured, GfxFvf::PosDiffuseTex1, count); }
void* OmD3DBatch::LockLitVertices(uint32_t count) { return LockSource(m_lit, count); }
void OmD3DBatch::UnlockLitVertices() { UnlockSource(m_lit); }
void OmD3DBatch::TransformLitVertices(uint32_t count) { Transform(m_lit, GfxFvf::PosNormalTex1, count); }

void OmD3DBatch::Transform(Source& source, uint32_t fvf, uint32_t count)
{
    OmD3DVertexBuffer* buffer = m_renderer.GetVertexBuffer(source.buffer);
    OmD3DVertexBuffer* output = m_renderer.GetVertexBuffer(m_outputBuffer);
    if (!m_output || !buffer || !output || !m_renderer.GetDevice()) {
        if (count > 0)
            Report(kNotOpen, "vertices transformed outside Begin and Flush are dropped");
        return;
    }
    // Only what the last lock wrote, and only what the output can still hold.
    if (count > source.locked)
        count = source.locked;
    if (count > kMaxOutputVertices - m_outputCount) {
        Report(kTooManyOutputVertices, "the frame's output vertices are used up; the excess is dropped");
        count = kMaxOutputVertices - m_outputCount;
    }
    if (count == 0)
        return;
    m_renderer.DispatchRenderState(GfxRs::SoftwareVertexProcessing, 1);
    m_renderer.ResetStreamCache();
    m_renderer.SetStreamSource(0, source.buffer);
    m_renderer.SetVertexShader(fvf);
    m_renderer.DispatchRenderState(GfxRs::Clipping, 1);
    const uint32_t start = buffer->GetAppendPosition() - source.locked;
    m_renderer.GetDevice()->ProcessVertices(start, m_outputCount, count, output->GetBuffer(), 0);
    m_renderer.DispatchRenderState(GfxRs::SoftwareVertexProcessing, 0);
    m_renderer.ResetStreamCache();
    m_outputCount += count;
    source.locked = 0;
}

float OmD3DBatch::Depth(uint32_t vertex) const
{
    assert(vertex < m_outputCount); // AddOne keeps triangles to transformed vertices
    float z;
    std::memcpy(&z, m_output + size_t(vertex) * m_outputStride + 2 * sizeof(float), sizeof z);
    return z;
}

bool OmD3DBatch::AddOne(uint32_t a, uint32_t b, uint32_t c, uint32_t materialId, bool ascending)
{
    if (!m_output) {
        Report(kNotOpen, "triangles added outside Begin and Flush are dropped");
        return false;
    }
    if (m_triangleCount >= kMaxTriangles) {
        Report(kTooManyTriangles, "the frame's triangles are used up; the excess is dropped");
        return false;
    }
    if (a >= m_outputCount || b >= m_outputCount || c >= m_outputCount) {
        Report(kBadIndex, "a triangle names a vertex that was not transformed this frame; it is dropped");
        return true; // the next triangle may be fine
    }
    Triangle& t = m_triangles[m_triangleCount++];
    t.v[0] = uint16_t(a);
    t.v[1] = uint16_t(b);
    t.v[2] = uint16_t(c);
    t.materialId = uint16_t(materialId);
    t.secondTexture = m_secondTexture;
    t.key = (Depth(a) + Depth(b) + Depth(c)) * 0.33333334f;
    Triangle** link = &m_buckets[Bucket(t.key)];
    // Descending keys: before the first that is not larger. Ascending:
    // before the first that is larger.
    while (*link && (ascending ? (*link)->key <= t.key : (*link)->key > t.key))
        link = &(*link)->next;
    t.next = *link;
    *link = &t;
    return true;
}

void OmD3DBatch::AddTriangles(uint32_t count, uint32_t materialId, uint32_t base)
{
    m_trianglesAdded += count;
    for (uint32_t t = 0; t < count; ++t) {
        const uint32_t v = base + 3 * t;
        if (!AddOne(v, v + 1, v + 2, materialId, false))
            return;
    }
}

uint32_t OmD3DBatch::AddIndexedTriangles(const uint16_t* indices, uint32_t materialId, uint32_t count, uint32_t base)
{
    m_trianglesAdded += count;
    for (uint32_t t = 0; indices && t < count; ++t) {
        const uint16_t* i = indices + 3 * t;
        if (!AddOne(base + i[0], base + i[1], base + i[2], materialId, false))
            break;
    }
    return m_trianglesAdded;
}

void OmD3DBatch::AddRemappedTriangles(const uint16_t* indices, uint32_t first, const uint16_t* remap,
                                      uint32_t materialId, uint32_t count, uint32_t base)
{
    m_trianglesAdded += count;
    if (!indices || !remap)
        return;
    const bool ascending = m_orderFlag != 0;
    for (uint32_t t = 0; t < count; ++t) {
        const uint16_t* i = indices + first + 3 * t;
        if (!AddOne(base + remap[i[0]], base + remap[i[1]], base + remap[i[2]], materialId, ascending))
            return;
    }
}

// ---- drawing --------------------------------------------------------------------

// Writes the indices in drawing order and the runs into the run table;
// returns the run count.
uint32_t OmD3DBatch::BuildRuns(uint16_t* indices)
{
    uint32_t runs = 0, written = 0;
    Run* open = nullptr;
    for (uint32_t step = 0; step < kBucketCount; ++step) {
        const uint32_t bucket = m_orderFlag ? step : kBucketCount - 1 - step;
        for (const Triangle* t = m_buckets[bucket]; t; t = t->next) {
            if (!open || open->materialId != t->materialId || open->secondTexture != t->secondTexture) {
                open = &m_runs[runs++];
                *open = Run{t->materialId, t->secondTexture, written, 0};
            }
            ++open->count;
            for (uint16_t v : t->v)
                indices[written++] = v;
        }
    }
    return runs;
}

void OmD3DBatch::Flush()
{
    OmD3DIndexBuffer* indexBuffer = m_renderer.GetIndexBuffer(m_indexBuffer);
    uint16_t* indices = indexBuffer ? indexBuffer->Lock(0, kMaxTriangles * 3, false) : nullptr;
    const uint32_t runs = indices && m_output ? BuildRuns(indices) : 0;
    if (m_triangleCount > 0 && !indices)
        Report(kLockFailed, "the index buffer cannot be locked; this frame's blended triangles are dropped");
    if (OmD3DVertexBuffer* output = m_renderer.GetVertexBuffer(m_outputBuffer))
        output->Unlock();
    if (indexBuffer)
        indexBuffer->Unlock();
    m_output = nullptr;
    m_renderer.DispatchRenderState(GfxRs::SoftwareVertexProcessing, 1);
    m_renderer.ResetStreamCache();
    if (const OmD3DVertexBuffer* output = m_renderer.GetVertexBuffer(m_outputBuffer))
        m_renderer.SetVertexShader(output->GetFormat());
    m_renderer.SetStreamSource(0, m_outputBuffer);
    m_renderer.SetIndices(m_indexBuffer, 0);
    m_renderer.SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
    m_renderer.SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
    m_renderer.SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
    DrawRuns(runs);
    m_renderer.SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
    m_renderer.SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
    m_renderer.SetTextureStageState(1, GfxTss::AlphaOp, GfxTop::Disable);
    m_renderer.DispatchRenderState(GfxRs::SoftwareVertexProcessing, 0);
    m_renderer.ResetStreamCache();
}

void OmD3DBatch::DrawRuns(uint32_t runCount)
{
    for (uint32_t r = 0; r < runCount; ++r) {
        const Run& run = m_runs[r];
        m_renderer.ApplyMaterial(run.materialId);
        const uint32_t blend = m_renderer.GetMaterialBlendMode(run.materialId);
        const uint32_t alphaOp = blend & (0x20 | 0x100) ? GfxTop::Modulate : GfxTop::SelectArg2;
        if (m_mode >= 2) {
            m_renderer.SetTexture(1, run.secondTexture);
            const uint32_t op = run.secondTexture >= 0 ? GfxTop::Modulate : GfxTop::Disable;
            m_renderer.SetTextureStageState(1, GfxTss::ColorOp, op);
            m_renderer.SetTextureStageState(1, GfxTss::AlphaOp, op);
        }
        m_renderer.SetTextureStageState(0, GfxTss::AlphaOp, alphaOp);
        m_renderer.SetBlendMode(kBlendAlpha);
        m_renderer.DrawIndexedPrimitive(GfxPrimitive::TriangleList, 0, m_outputCount, run.firstIndex, run.count);
    }
}
