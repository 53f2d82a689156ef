#include "render/OmD3DAlphaSorter.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/OmArray.h"
#include "engine/OmGeometry.h"
#include "engine/OmMesh.h"
#include "engine/OmReport.h"
#include "engine/OmVector4.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

bool Supported(uint32_t format)
{
    return format == GfxFvf::PosNormalTex1 || format == GfxFvf::PosDiffuseTex1
        || format == GfxFvf::PosNormalDiffuseTex1;
}

// Keys are non-negative, so their bit patterns order like the floats.
bool FartherFirst(const void* a, const void* b)
{
    const float ka = *static_cast<const float*>(a), kb = *static_cast<const float*>(b);
    return std::bit_cast<uint32_t>(ka) > std::bit_cast<uint32_t>(kb);
}

// The inverse transpose of the 3x3 block, for normals.
bool NormalMatrix(const OmMatrix4& m, float out[9])
{
    const float* a = m.Data();
    const float c00 = a[5] * a[10] - a[6] * a[9], c01 = a[6] * a[8] - a[4] * a[10], c02 = a[4] * a[9] - a[5] * a[8];
    const float det = a[0] * c00 + a[1] * c01 + a[2] * c02;
    if (!(det != 0.0f))
        return false;
    const float inv = 1.0f / det;
    // Rows of the inverse transpose are the cofactor rows over det.
    out[0] = c00 * inv;
    out[1] = c01 * inv;
    out[2] = c02 * inv;
    out[3] = (a[2] * a[9] - a[1] * a[10]) * inv;
    out[4] = (a[0] * a[10] - a[2] * a[8]) * inv;
    out[5] = (a[1] * a[8] - a[0] * a[9]) * inv;
    out[6] = (a[1] * a[6] - a[2] * a[5]) * inv;
    out[7] = (a[2] * a[4] - a[0] * a[6]) * inv;
    out[8] = (a[0] * a[5] - a[1] * a[4]) * inv;
    return true;
}

} // namespace

OmD3DAlphaSorter::OmD3DAlphaSorter(OmD3D& renderer)
    : m_renderer(renderer),
      m_sorted(new Triangle*[kMaxTriangles]),
      m_triangles(new Triangle[kMaxTriangles]),
      m_scratch(new Vertex[kMaxItemVertices])
{
}

OmD3DAlphaSorter::~OmD3DAlphaSorter() { ReleaseBuffers(); }

bool OmD3DAlphaSorter::CreateBuffers()
{
    // Made for the largest of the three strides it draws with.
    if (m_buffer < 0)
        m_buffer = m_renderer.CreateVertexBuffer(GfxFvf::PosNormalDiffuseTex1, kBufferVertices, false, false, true);
    return m_buffer >= 0;
}

void OmD3DAlphaSorter::ReleaseBuffers()
{
    m_renderer.ReleaseVertexBuffer(m_buffer);
    m_buffer = -1;
}

uint32_t OmD3DAlphaSorter::StartCluster(const OmRenderItem& item)
{
    // Views are rigid, so only the centre moves into view space.
    const OmSphere sphere(item.view.TransformPoint(item.bounds.centre), item.bounds.radius);
    uint32_t view = 0;
    while (view < m_viewCount && std::memcmp(&m_views[view], &item.view, sizeof item.view) != 0)
        ++view;
    if (view < kMaxClusterViews && m_cluster.Intersects(sphere)) {
        m_cluster.Enclose(sphere);
    } else {
        Flush();
        m_cluster = sphere;
        view = 0;
    }
    if (view == m_viewCount)
        m_views[m_viewCount++] = item.view;
    return view;
}

void OmD3DAlphaSorter::ReportUnsupported(uint32_t format)
{
    const uint32_t* reported = m_reportedFormats;
    const uint32_t* end = reported + m_reportedFormatCount;
    if (std::find(reported, end, format) != end || m_reportedFormatCount == kMaxReportedFormats)
        return;
    m_reportedFormats[m_reportedFormatCount++] = format;
    ReportError("Unsuppored vertex shader");
}

bool OmD3DAlphaSorter::Accepts(uint32_t format, uint32_t vertexCount, const void* triangles, uint32_t triangleCount)
{
    if (!Supported(format)) {
        ReportUnsupported(format);
        return false;
    }
    if (vertexCount > kMaxItemVertices) {
        ReportError("Alpha item of %u vertices, more than the sorter takes (%u)", vertexCount, kMaxItemVertices);
        return false;
    }
    if (m_triangleCount + triangleCount > kMaxTriangles) {
        ReportError("Too many simultaneous alpha polys");
        return false;
    }
    const auto* t = static_cast<const OmAlphaTriangle*>(triangles);
    for (uint32_t i = 0; i < triangleCount; ++i) {
        if (t[i].v[0] >= vertexCount || t[i].v[1] >= vertexCount || t[i].v[2] >= vertexCount) {
            ReportError("Alpha item triangle %u names a vertex it does not have", i);
            return false;
        }
    }
    return true;
}

void OmD3DAlphaSorter::TransformVertices(const OmRenderItem& item, uint32_t format, const void* vertices,
                                         uint32_t count)
{
    OmMatrix4 m;
    MultiplyMatrix4(item.world, item.view, m);
    float n[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (format == GfxFvf::PosNormalTex1)
        NormalMatrix(m, n);
    const auto* in = static_cast<const OmMeshVertex*>(vertices);
    for (uint32_t i = 0; i < count; ++i) {
        Vertex& out = m_scratch[i];
        TransformPoint4(in[i].position, m, out.position);
        const OmVector3& v = in[i].normal;
        out.normal = OmVector3(v.x * n[0] + v.y * n[3] + v.z * n[6], v.x * n[1] + v.y * n[4] + v.z * n[7],
                               v.x * n[2] + v.y * n[5] + v.z * n[8]);
        out.colour = OmPackColour(in[i].colour);
        out.uv[0] = in[i].uv0[0];
        out.uv[1] = in[i].uv0[1];
    }
}

void OmD3DAlphaSorter::AddItem(const OmRenderItem& item)
{
    const uint32_t view = StartCluster(item);
    const OmGeometry* object = item.object;
    const uint32_t format = object ? object->GetVertexFormat() : 0;
    const auto* own = object ? static_cast<const OmArray<OmMeshVertex>*>(object->GetVertices()) : nullptr;
    const auto* triangles = object ? static_cast<const OmArray<OmAlphaTriangle>*>(object->GetTriangles()) : nullptr;
    if (!format || !own || !triangles)
        return;
    const OmMeshVertex* pose = m_renderer.GetAlphaPose(item);
    const OmMeshVertex* vertices = pose ? pose : own->GetData();
    const uint32_t vertexCount = pose ? item.poseCount : own->GetCount();
    const uint32_t triangleCount = triangles->GetCount();
    if (!Accepts(format, vertexCount, triangles->GetData(), triangleCount))
        return;
    TransformVertices(item, format, vertices, vertexCount);
    for (uint32_t i = 0; i < triangleCount; ++i) {
        const OmAlphaTriangle& source = (*triangles)[i];
        Triangle& t = m_triangles[m_triangleCount];
        m_sorted[m_triangleCount++] = &t;
        float key = 0.0f;
        for (int k = 0; k < 3; ++k) {
            t.v[k] = m_scratch[source.v[k]];
            key = std::max(key, t.v[k].position.z);
        }
        t.key = key; // a triangle behind the eye keys 0
        t.materialId = source.materialId;
        t.format = format;
        t.view = view;
    }
}

uint8_t* OmD3DAlphaSorter::LockBuffer()
{
    OmD3DVertexBuffer* buffer = m_renderer.GetVertexBuffer(m_buffer);
    if (!buffer)
        return nullptr;
    buffer->SetDiscard();
    return static_cast<uint8_t*>(buffer->Lock(0, kBufferVertices, false));
}

// Vertices are in view space; drawing them through the inverse of their
// view and the view itself leaves them where they are while the device
// still lights them with its world-space lights.
void OmD3DAlphaSorter::DrawRun(const Triangle& first, uint32_t count)
{
    OmD3DVertexBuffer* buffer = m_renderer.GetVertexBuffer(m_buffer);
    if (!buffer || count == 0)
        return;
    buffer->Unlock();
    const uint32_t materialId = first.materialId, format = first.format;
    OmMatrix4 inverseView;
    if (InvertMatrix4(m_views[first.view], inverseView)) {
        m_renderer.SetViewMatrix(&m_views[first.view]);
        m_renderer.SetWorldMatrix(&inverseView);
    }
    m_renderer.SetD3DStreamSource(0, buffer->GetBuffer(), GfxFvfVertexSize(format));
    m_renderer.SetVertexShader(format);
    m_renderer.ApplyMaterial(int32_t(materialId));
    m_renderer.SetLighting((format & GfxFvf::Diffuse) == 0);
    m_renderer.DrawPrimitive(GfxPrimitive::TriangleList, 0, count);
    ++m_draws;
}

void OmD3DAlphaSorter::Flush()
{
    if (m_triangleCount == 0) {
        m_cluster = OmSphere();
        m_viewCount = 0;
        return;
    }
    ++m_flushes;
    std::sort(m_sorted.get(), m_sorted.get() + m_triangleCount,
              [](const Triangle* a, const Triangle* b) { return FartherFirst(&a->key, &b->key); });
    uint8_t* out = LockBuffer();
    const Triangle* run = m_sorted[0];
    uint32_t runFormat = run->format, runCount = 0;
    for (uint32_t i = 0; i < m_triangleCount && out; ++i) {
        const Triangle& t = *m_sorted[i];
        if (t.materialId != run->materialId || t.format != runFormat || t.view != run->view) {
            DrawRun(*run, runCount);
            out = LockBuffer();
            run = &t;
            runFormat = t.format;
            runCount = 0;
            if (!out)
                break;
        }
        const uint32_t stride = GfxFvfVertexSize(runFormat);
        for (const Vertex& v : t.v) {
            uint8_t* at = out + size_t(runCount * 3 + uint32_t(&v - t.v)) * stride;
            std::memcpy(at, &v.position, 12);
            if (runFormat == GfxFvf::PosNormalTex1) {
                std::memcpy(at + 12, &v.normal, 12);
            } else if (runFormat == GfxFvf::PosDiffuseTex1) {
                std::memcpy(at + 12, &v.colour, 4);
            } else {
                std::memcpy(at + 12, &v.normal, 16);
            }
            std::memcpy(at + stride - 8, v.uv, 8);
        }
        ++runCount;
    }
    if (out)
        DrawRun(*run, runCount);
    else if (OmD3DVertexBuffer* buffer = m_renderer.GetVertexBuffer(m_buffer))
        buffer->Unlock();
    m_triangleCount = 0;
    m_cluster = OmSphere();
    m_viewCount = 0;
}
