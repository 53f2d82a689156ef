#include "render/OmD3DMesh.h"

#include <algorithm>
#include <cstring>

#include "engine/OmArchive.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmReport.h"
#include "engine/OmVector4.h"
#include "render/OmD3D.h"
#include "render/OmD3DBatch.h"

using namespace plat;

OM_IMPLEMENT_CLASS(OmD3DMesh, OmBaseMesh)

namespace {

constexpr uint32_t kMaxTexSets = 8;

void FormatFromLayout(const uint8_t* layout, uint32_t& stride, uint32_t& format, bool weights)
{
    format = GfxFvf::Xyz;
    stride = 12;
    if (layout[1]) {
        format |= GfxFvf::Normal;
        stride += 12;
    }
    if (layout[2] >= 1) {
        format |= GfxFvf::Diffuse;
        stride += 4;
    }
    if (layout[2] >= 2) {
        format |= GfxFvf::Specular;
        stride += 4;
    }
    const uint32_t sets = std::min<uint32_t>(layout[3], kMaxTexSets);
    format |= sets << GfxFvf::TexCountShift;
    for (uint32_t i = 0; i < sets; ++i) {
        const uint32_t shift = 16 + 2 * i;
        switch (layout[4 + i]) {
        case 1: format |= GfxFvf::TexSize1 << shift; stride += 4; break;
        case 2: stride += 8; break;
        case 3: format |= GfxFvf::TexSize3 << shift; stride += 12; break;
        default: break; // no room: the stride check of the caller refuses it
        }
    }
    const uint32_t w = layout[0];
    if (weights && w >= 1 && w <= 5) {
        format = (format & ~GfxFvf::PositionMask) | (GfxFvf::XyzB1 + 2 * (w - 1));
        stride += 4 * w;
    }
}

void Put(uint8_t* at, const void* data, size_t size) { std::memcpy(at, data, size); }

// A device vertex made from an engine vertex; parts the layout lacks are
// left out, texture sets take as many floats as the format gives them.
void WriteVertex(uint8_t* out, const OmMeshVertex& v, const GfxFvfLayout& l, uint32_t stride)
{
    std::memset(out, 0, stride); // blend weights, specular, extra components
    Put(out, &v.position, 12);
    if (l.normal)
        Put(out + l.normal, &v.normal, 12);
    if (l.diffuse) {
        const uint32_t c = OmPackColour(v.colour);
        Put(out + l.diffuse, &c, 4);
    }
    for (uint32_t i = 0; i < l.texSets; ++i) {
        const float* uv = i == 0 ? v.uv0 : i == 1 ? v.uv1 : nullptr;
        if (uv)
            Put(out + l.tex[i], uv, 4 * std::min<uint32_t>(l.texSize[i], 2));
    }
}

void ReadVertex(const uint8_t* in, const GfxFvfLayout& l, OmMeshVertex& v)
{
    v.normal = OmVector3(0.0f, 0.0f, 0.0f);
    v.uv0[0] = v.uv0[1] = v.uv1[0] = v.uv1[1] = 0.0f;
    std::memcpy(&v.position, in, 12);
    if (l.normal)
        std::memcpy(&v.normal, in + l.normal, 12);
    v.colour[0] = v.colour[1] = v.colour[2] = v.colour[3] = 1.0f;
    if (l.diffuse) {
        uint32_t c;
        std::memcpy(&c, in + l.diffuse, 4);
        for (int k = 0; k < 3; ++k)
            v.colour[k] = float((c >> (16 - 8 * k)) & 0xFF) / 255.0f;
        v.colour[3] = float(c >> 24) / 255.0f;
    }
    if (l.texSets > 0)
        std::memcpy(v.uv0, in + l.tex[0], 4 * std::min<uint32_t>(l.texSize[0], 2));
}

} // namespace

void VertexFormatFromLayout(const uint8_t* layout, uint32_t& stride, uint32_t& format)
{
    FormatFromLayout(layout, stride, format, true);
}

void VertexFormatFromLayoutNoWeights(const uint8_t* layout, uint32_t& stride, uint32_t& format)
{
    FormatFromLayout(layout, stride, format, false);
}

OmD3DMesh::~OmD3DMesh() { ReleaseResources(); }

void OmD3DMesh::ReleaseResources()
{
    ReleaseSubsets();
    OmReleaseDeviceBuffers(m_indexBuffer, m_vertexBuffer);
}

void OmD3DMesh::ReleaseSubsets()
{
    OmD3D* renderer = OmD3D::Instance();
    for (const Subset& s : m_subsets) {
        if (renderer)
            renderer->ReleaseMaterial(int32_t(s.materialId));
    }
    m_subsets.clear();
    m_alphaMap.clear();
    m_alphaCount = 0;
    m_alphaVertices.RemoveAll();
    m_alphaTriangles.RemoveAll();
}

// ---- creation ---------------------------------------------------------------------

bool OmD3DMesh::Create(OmRenderer&, uint32_t renderFlags, uint32_t indexCount, uint32_t vertexCount,
                       const uint8_t layout[12])
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !layout)
        return false;
    if (!OmCheckDeviceCounts(indexCount, vertexCount, "OmD3DMesh"))
        return false;
    ReleaseResources();
    m_usage = renderFlags;
    m_triangleCount = indexCount / 3;
    m_vertexCount = vertexCount;
    VertexFormatFromLayout(layout, m_stride, m_format);
    return CreateBuffers(*renderer);
}

bool OmD3DMesh::CreateBuffers(OmD3D& renderer)
{
    if (!renderer.GetDevice())
        return false;
    const bool writeOnly = (m_usage & kReadable) == 0;
    return OmCreateDeviceBuffers(renderer, m_triangleCount, m_vertexCount, m_format, false, writeOnly, m_indexBuffer,
                                 m_vertexBuffer);
}

bool OmD3DMesh::ConvertFrom(const OmMesh& mesh)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer)
        return false;
    if (mesh.vertices.GetCount() > kMaxVertices) {
        ReportError("OmD3DMesh: %u vertices, more than 16-bit indices reach", mesh.vertices.GetCount());
        return false;
    }
    if (!WriteVertices(mesh, mesh.layout) || !WriteIndices(mesh))
        return false;
    m_bounds = mesh.GetBounds();
    if (!TakeSubsets(mesh))
        return false;
    BuildAlphaMap();
    return true;
}

bool OmD3DMesh::WriteVertices(const OmMesh& mesh, const uint8_t* layout)
{
    uint32_t stride = 0, format = 0;
    VertexFormatFromLayout(layout, stride, format);
    if (format != m_format || stride != m_stride || GfxFvfVertexSize(format) != stride) {
        ReportError("OmD3DMesh: vertex layout gives format 0x%x (%u bytes), the mesh was made for 0x%x", format,
                    stride, m_format);
        return false;
    }
    if (mesh.vertices.GetCount() != m_vertexCount) {
        ReportError("OmD3DMesh: %u vertices given for a mesh made for %u", mesh.vertices.GetCount(), m_vertexCount);
        return false;
    }
    if (m_vertexCount == 0)
        return true;
    OmD3DVertexBuffer* buffer = OmD3D::Instance()->GetVertexBuffer(m_vertexBuffer);
    auto* out = buffer ? static_cast<uint8_t*>(buffer->Lock(0, 0, false)) : nullptr;
    if (!out)
        return false;
    const GfxFvfLayout l = GfxFvfOffsets(m_format);
    for (uint32_t i = 0; i < m_vertexCount; ++i)
        WriteVertex(out + size_t(i) * m_stride, mesh.vertices[i], l, m_stride);
    buffer->Unlock();
    return true;
}

bool OmD3DMesh::WriteIndices(const OmMesh& mesh)
{
    const uint32_t count = mesh.indices.GetCount();
    if (count > kMaxIndices || count != m_triangleCount * 3) {
        ReportError("OmD3DMesh: %u indices do not fit a mesh made for %u triangles", count, m_triangleCount);
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (mesh.indices[i] >= m_vertexCount) {
            ReportError("OmD3DMesh: index %u names vertex %u of %u", i, mesh.indices[i], m_vertexCount);
            return false;
        }
    }
    if (count == 0)
        return true;
    OmD3DIndexBuffer* buffer = OmD3D::Instance()->GetIndexBuffer(m_indexBuffer);
    uint16_t* out = buffer ? buffer->Lock(0, count, false) : nullptr;
    if (!out)
        return false;
    for (uint32_t i = 0; i < count; ++i)
        out[i] = uint16_t(mesh.indices[i]);
    buffer->Unlock();
    return true;
}

bool OmD3DMesh::TakeSubsets(const OmMesh& mesh)
{
    OmD3D& renderer = *OmD3D::Instance();
    ReleaseSubsets();
    for (uint32_t g = 0; g < mesh.materialGroups.GetCount(); ++g) {
        const OmMaterialGroup& group = mesh.materialGroups[g];
        const bool inRange = uint64_t(group.firstTriangle) + group.triangleCount <= m_triangleCount
            && uint64_t(group.lowestVertex) + group.vertexSpan <= m_vertexCount;
        if (!inRange || !renderer.GetMaterial(int32_t(group.materialId))) {
            ReportError("OmD3DMesh: material group %u (material %u) lies outside the mesh or names no material", g,
                        group.materialId);
            return false;
        }
        renderer.AddRefMaterial(int32_t(group.materialId));
        m_subsets.push_back(Subset{group.materialId, group.firstTriangle * 3, group.triangleCount,
                                   group.lowestVertex, group.vertexSpan});
    }
    return true;
}

// Numbers the vertices of alpha subsets in order of first use; they are
// what the mesh copies into the geometry batch each frame.
void OmD3DMesh::BuildAlphaMap()
{
    OmD3D& renderer = *OmD3D::Instance();
    m_alphaMap.assign(m_vertexCount, kNotAlpha);
    m_alphaCount = 0;
    bool anyAlpha = false;
    m_passMask = 0;
    for (const Subset& s : m_subsets) {
        const bool alpha = renderer.IsAlphaMaterial(int32_t(s.materialId));
        anyAlpha = anyAlpha || alpha;
        m_passMask |= alpha ? kSortedPass : kScenePass;
    }
    OmD3DIndexBuffer* buffer = renderer.GetIndexBuffer(m_indexBuffer);
    if (!anyAlpha || !buffer)
        return;
    const uint16_t* indices = buffer->Lock(0, m_triangleCount * 3, true);
    if (!indices)
        return;
    for (const Subset& s : m_subsets) {
        if (!renderer.IsAlphaMaterial(int32_t(s.materialId)))
            continue;
        for (uint32_t i = 0; i < s.triangleCount * 3; ++i) {
            uint16_t& entry = m_alphaMap[indices[s.firstIndex + i]];
            if (entry == kNotAlpha && m_alphaCount < kNotAlpha)
                entry = uint16_t(m_alphaCount++);
        }
    }
    BuildAlphaCopy(renderer, indices);
    buffer->Unlock();
}

// The alpha vertices read back as engine vertices, and the alpha triangles
// numbered by the alpha-vertex map.
void OmD3DMesh::BuildAlphaCopy(OmD3D& renderer, const uint16_t* indices)
{
    m_alphaVertices.RemoveAll();
    m_alphaTriangles.RemoveAll();
    OmD3DVertexBuffer* vb = renderer.GetVertexBuffer(m_vertexBuffer);
    const auto* src = vb ? static_cast<const uint8_t*>(vb->Lock(0, 0, true)) : nullptr;
    if (!src)
        return;
    const GfxFvfLayout l = GfxFvfOffsets(m_format);
    m_alphaVertices.Resize(m_alphaCount);
    for (uint32_t v = 0; v < m_vertexCount; ++v) {
        if (m_alphaMap[v] != kNotAlpha)
            ReadVertex(src + size_t(v) * m_stride, l, m_alphaVertices[m_alphaMap[v]]);
    }
    vb->Unlock();
    for (const Subset& s : m_subsets) {
        if (!renderer.IsAlphaMaterial(int32_t(s.materialId)))
            continue;
        for (uint32_t t = 0; t < s.triangleCount; ++t) {
            const uint16_t* i = indices + s.firstIndex + 3 * t;
            m_alphaTriangles.Add(OmAlphaTriangle{{m_alphaMap[i[0]], m_alphaMap[i[1]], m_alphaMap[i[2]]}, s.materialId});
        }
    }
}

const void* OmD3DMesh::GetVertices() const { return m_alphaTriangles.GetCount() ? &m_alphaVertices : nullptr; }
const void* OmD3DMesh::GetTriangles() const { return m_alphaTriangles.GetCount() ? &m_alphaTriangles : nullptr; }

// ---- drawing ---------------------------------------------------------------------

bool OmD3DMesh::CopyAlphaVertices(OmD3D& renderer, OmD3DBatch& batch, bool toLit)
{
    const uint32_t base = m_format & ~GfxFvf::PositionMask;
    const bool hasNormal = (m_format & GfxFvf::Normal) != 0;
    const bool hasColour = (m_format & GfxFvf::Diffuse) != 0;
    if ((m_format & GfxFvf::PositionMask) != GfxFvf::Xyz || (!hasNormal && !hasColour) || (base & GfxFvf::Specular))
        return false;
    OmD3DVertexBuffer* vb = renderer.GetVertexBuffer(m_vertexBuffer);
    const auto* src = vb ? static_cast<const uint8_t*>(vb->Lock(0, 0, true)) : nullptr;
    if (!src)
        return false;
    auto* dst = static_cast<uint8_t*>(toLit ? batch.LockLitVertices(m_alphaCount)
                                            : batch.LockSourceVertices(m_alphaCount));
    if (!dst) {
        vb->Unlock();
        return false;
    }
    const GfxFvfLayout l = GfxFvfOffsets(m_format);
    const uint32_t outStride = toLit ? 32 : 24;
    const uint32_t white = 0xFFFFFFFF;
    for (uint32_t v = 0; v < m_vertexCount; ++v) {
        if (m_alphaMap[v] == kNotAlpha)
            continue;
        const uint8_t* in = src + size_t(v) * m_stride;
        uint8_t* out = dst + size_t(m_alphaMap[v]) * outStride;
        std::memcpy(out, in, 12);
        if (toLit)
            std::memcpy(out + 12, in + l.normal, 12);
        else
            std::memcpy(out + 12, hasColour ? in + l.diffuse : reinterpret_cast<const uint8_t*>(&white), 4);
        float uv[2] = {0.0f, 0.0f};
        if (l.texSets > 0)
            std::memcpy(uv, in + l.tex[0], 4 * std::min<uint32_t>(l.texSize[0], 2));
        std::memcpy(out + outStride - 8, uv, 8);
    }
    vb->Unlock();
    if (toLit) {
        batch.UnlockLitVertices();
        batch.TransformLitVertices(m_alphaCount);
    } else {
        batch.UnlockSourceVertices();
        batch.TransformVertices(m_alphaCount);
    }
    return true;
}

void OmD3DMesh::Render(OmRenderer&)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || m_vertexBuffer < 0 || m_indexBuffer < 0)
        return;
    OmD3DBatch& batch = renderer->GetBatch();
    // No batch to sort into: the alpha pass draws the alpha subsets.
    if (m_alphaCount > 0 && !batch.IsOpen() && m_alphaTriangles.GetCount() && renderer->GetRenderPass() == 1)
        renderer->QueueAlphaItem(this, m_bounds);
    // The alpha subsets go into the batch before the mesh binds its own
    // buffers, since transforming through the batch binds the batch's.
    if (m_alphaCount > 0 && batch.IsOpen())
        AddAlphaSubsets(*renderer, batch);
    renderer->SetStreamSource(0, m_vertexBuffer);
    renderer->SetVertexShader(m_format);
    renderer->SetIndices(m_indexBuffer, 0);
    DrawOpaqueSubsets(*renderer);
}

void OmD3DMesh::AddAlphaSubsets(OmD3D& renderer, OmD3DBatch& batch)
{
    const bool lit = (m_format & GfxFvf::Normal) && renderer.GetRenderState(GfxRs::Lighting) != 0;
    OmD3DIndexBuffer* ib = renderer.GetIndexBuffer(m_indexBuffer);
    OmFileAlphaSubsets(
        renderer, m_subsets, lit, [&] { return CopyAlphaVertices(renderer, batch, lit); },
        [&](const Subset& s, uint32_t base) {
            const uint16_t* indices = ib ? ib->Lock(0, m_triangleCount * 3, true) : nullptr;
            if (!indices)
                return false;
            batch.AddRemappedTriangles(indices, s.firstIndex, m_alphaMap.data(), s.materialId, s.triangleCount,
                                       base);
            ib->Unlock();
            return true;
        });
}

void OmD3DMesh::DrawOpaqueSubsets(OmD3D& renderer)
{
    for (const Subset& s : m_subsets) {
        if (renderer.IsAlphaMaterial(int32_t(s.materialId)))
            continue; // in the batch, the alpha pass's queue, or nowhere this frame
        renderer.ApplyMaterial(int32_t(s.materialId));
        renderer.DrawIndexedPrimitive(GfxPrimitive::TriangleList, s.minVertex, s.vertexCount, s.firstIndex,
                                      s.triangleCount);
    }
}

// ---- archive ---------------------------------------------------------------------

bool OmD3DMesh::Register(OmArchive& archive)
{
    if (!OmBaseMesh::Register(archive))
        return false;
    for (const Subset& s : m_subsets)
        archive.CountResource(OmArchive::kMaterial, int32_t(s.materialId));
    return true;
}

void OmD3DMesh::Write(OmArchive& archive)
{
    OmBaseMesh::Write(archive);
    archive.WriteU32(m_format).WriteU32(m_usage).WriteU32(m_stride);
    archive.WriteU32(m_triangleCount).WriteU32(m_vertexCount);
    OmD3D* renderer = OmD3D::Instance();
    OmD3DVertexBuffer* vb = renderer ? renderer->GetVertexBuffer(m_vertexBuffer) : nullptr;
    OmD3DIndexBuffer* ib = renderer ? renderer->GetIndexBuffer(m_indexBuffer) : nullptr;
    const uint64_t vertexBytes = uint64_t(m_stride) * m_vertexCount;
    const uint64_t indexBytes = uint64_t(m_triangleCount) * 6;
    const void* vertices = vb && vertexBytes ? vb->Lock(0, 0, true) : nullptr;
    const void* indices = ib && indexBytes ? ib->Lock(0, m_triangleCount * 3, true) : nullptr;
    if ((vertexBytes && !vertices) || (indexBytes && !indices))
        ReportError("OmD3DMesh: the buffers cannot be read; the mesh is saved empty-filled");
    std::vector<uint8_t> zeros(vertices && indices ? 0 : size_t(std::max(vertexBytes, indexBytes)), 0);
    archive.WriteBytes(vertices ? vertices : zeros.data(), vertexBytes);
    archive.WriteBytes(indices ? indices : zeros.data(), indexBytes);
    if (vertices)
        vb->Unlock();
    if (indices)
        ib->Unlock();
    archive.WriteU32(uint32_t(m_subsets.size()));
    for (const Subset& s : m_subsets) {
        archive.WriteResource(OmArchive::kMaterial, int32_t(s.materialId));
        archive.WriteU32(s.firstIndex).WriteU32(s.triangleCount).WriteU32(s.minVertex).WriteU32(s.vertexCount);
    }
}

void OmD3DMesh::Read(OmArchive& archive)
{
    OmBaseMesh::Read(archive);
    archive.ReadU32(m_format).ReadU32(m_usage).ReadU32(m_stride);
    archive.ReadU32(m_triangleCount).ReadU32(m_vertexCount);
    if (archive.HasFailed())
        return;
    // Everything is checked before a byte reaches a buffer.
    const uint64_t vertexBytes = uint64_t(m_stride) * m_vertexCount;
    const uint64_t indexBytes = uint64_t(m_triangleCount) * 6;
    const bool sane = (m_format & GfxFvf::PositionMask) != GfxFvf::XyzRhw && GfxFvfVertexSize(m_format) == m_stride
        && m_vertexCount <= kMaxVertices && uint64_t(m_triangleCount) * 3 <= kMaxIndices;
    if (!sane || !archive.CanRead(vertexBytes + indexBytes)) {
        m_triangleCount = m_vertexCount = 0;
        archive.Fail("a device mesh's format, stride or counts do not fit");
        return;
    }
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !CreateBuffers(*renderer)) {
        archive.Fail("device mesh buffers cannot be made");
        return;
    }
    OmD3DVertexBuffer* vb = renderer->GetVertexBuffer(m_vertexBuffer);
    OmD3DIndexBuffer* ib = renderer->GetIndexBuffer(m_indexBuffer);
    void* vertices = vb ? vb->Lock(0, 0, false) : nullptr;
    void* indices = ib ? ib->Lock(0, m_triangleCount * 3, false) : nullptr;
    if (vertices)
        archive.ReadBytes(vertices, vertexBytes);
    if (indices)
        archive.ReadBytes(indices, indexBytes);
    if (vertices)
        vb->Unlock();
    if (indices)
        ib->Unlock();
    if ((vertexBytes && !vertices) || (indexBytes && !indices)) {
        archive.Fail("device mesh buffers cannot be filled");
        return;
    }
    if (!IndicesInRange()) {
        archive.Fail("a device mesh index names a vertex the mesh does not have");
        return;
    }
    uint32_t subsetCount = 0;
    archive.ReadU32(subsetCount);
    if (!ReadSubsets(archive, subsetCount))
        return;
    BuildAlphaMap();
}

bool OmD3DMesh::IndicesInRange()
{
    OmD3DIndexBuffer* ib = OmD3D::Instance()->GetIndexBuffer(m_indexBuffer);
    if (!ib)
        return m_triangleCount == 0;
    const uint16_t* indices = ib->Lock(0, m_triangleCount * 3, true);
    if (!indices)
        return false;
    bool ok = true;
    for (uint32_t i = 0; i < m_triangleCount * 3 && ok; ++i)
        ok = indices[i] < m_vertexCount;
    ib->Unlock();
    return ok;
}

bool OmD3DMesh::ReadSubsets(OmArchive& archive, uint32_t count)
{
    if (archive.HasFailed() || count > m_triangleCount || !archive.CanRead(uint64_t(count) * 20)) {
        archive.Fail("a device mesh's subset count does not fit");
        return false;
    }
    OmD3D& renderer = *OmD3D::Instance();
    // With a resource owner the load holds one reference per use, which the
    // mesh takes over; without one the id is the renderer's own and the mesh
    // takes a reference of its own. Either way the destructor releases it.
    const bool referenced = archive.GetResourceOwner() != nullptr;
    m_subsets.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        Subset s{};
        const int32_t material = archive.ReadResource(OmArchive::kMaterial);
        archive.ReadU32(s.firstIndex).ReadU32(s.triangleCount).ReadU32(s.minVertex).ReadU32(s.vertexCount);
        if (archive.HasFailed())
            return false;
        const bool inRange = s.firstIndex % 3 == 0 && uint64_t(s.firstIndex) + uint64_t(s.triangleCount) * 3
                <= uint64_t(m_triangleCount) * 3
            && uint64_t(s.minVertex) + s.vertexCount <= m_vertexCount;
        if (material < 0 || !renderer.GetMaterial(material) || !inRange) {
            archive.Fail("a device mesh subset names no material or lies outside the mesh");
            return false;
        }
        if (referenced)
            archive.AdoptResource(OmArchive::kMaterial, material);
        else
            renderer.AddRefMaterial(material);
        s.materialId = uint32_t(material);
        m_subsets.push_back(s);
    }
    return true;
}
