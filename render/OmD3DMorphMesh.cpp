#include "render/OmD3DMorphMesh.h"

#include "engine/OmMaterial.h"
#include "engine/OmMorphMesh.h"
#include "engine/OmReport.h"
#include "render/OmD3D.h"
#include "render/OmD3DMesh.h"

using namespace plat;

OM_IMPLEMENT_CLASS(OmD3DMorphMesh, OmBaseMorphMesh)

namespace {

// Opaque materials draw in pass 1; every blended one, additive included,
// in the alpha pass (2): the renderer has no third pass to draw them in.
uint32_t PassOf(const OmD3D& renderer, uint32_t materialId)
{
    const OmMaterial* m = renderer.GetMaterial(int32_t(materialId));
    return m && renderer.GetBlendClass(m->blendMode) != 1 ? 2u : 1u;
}

} // namespace

OmD3DMorphMesh::~OmD3DMorphMesh() { ReleaseResources(); }

void OmD3DMorphMesh::ReleaseResources()
{
    m_subsets.Release();
    OmReleaseDeviceBuffers(m_indexBuffer, m_vertexBuffer);
    m_frameA = m_frameB = nullptr;
    m_converted = false;
}

bool OmD3DMorphMesh::Create(OmRenderer&, uint32_t, uint32_t indexCount, uint32_t vertexCount,
                            const uint8_t layout[12])
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !renderer->GetDevice() || !layout)
        return false;
    if (!OmCheckDeviceCounts(indexCount, vertexCount, "OmD3DMorphMesh"))
        return false;
    ReleaseResources();
    m_triangleCount = indexCount / 3;
    m_vertexCount = vertexCount;
    VertexFormatFromLayout(layout, m_stride, m_format);
    return OmCreateDeviceBuffers(*renderer, m_triangleCount, m_vertexCount, m_format, true, true, m_indexBuffer,
                                 m_vertexBuffer);
}

bool OmD3DMorphMesh::ConvertFrom(const OmMorphMesh& mesh)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer)
        return false;
    uint32_t stride = 0, format = 0;
    VertexFormatFromLayout(mesh.layout, stride, format);
    if (format != m_format || stride != m_stride || GfxFvfVertexSize(format) != stride) {
        ReportError("OmD3DMorphMesh: vertex layout gives format 0x%x (%u bytes), the mesh was made for 0x%x",
                    format, stride, m_format);
        return false;
    }
    if (mesh.vertices.GetCount() != m_vertexCount || mesh.indices.GetCount() != m_triangleCount * 3) {
        ReportError("OmD3DMorphMesh: %u vertices and %u indices given for a mesh made for %u and %u",
                    mesh.vertices.GetCount(), mesh.indices.GetCount(), m_vertexCount, m_triangleCount * 3);
        return false;
    }
    if (!OmWriteDeviceIndices(*renderer, m_indexBuffer, mesh.indices, m_vertexCount, "OmD3DMorphMesh"))
        return false;
    m_bounds = mesh.GetBounds();
    if (!m_subsets.Take(*renderer, mesh.materialGroups, m_triangleCount, m_vertexCount, "OmD3DMorphMesh"))
        return false;
    m_subsets.BuildAlphaMap(mesh.indices, m_vertexCount,
                            [renderer](uint32_t id) { return PassOf(*renderer, id) == 2; });
    m_passMask = 0;
    for (const OmDeviceSubset& s : m_subsets.subsets)
        m_passMask |= PassOf(*renderer, s.materialId) == 2 ? kSortedPass : kScenePass;
    m_restPose.assign(mesh.vertices.GetData(), mesh.vertices.GetData() + m_vertexCount);
    m_frameA = m_frameB = nullptr;
    KeepFrames(mesh);
    m_converted = true;
    return WriteVertices();
}

bool OmD3DMorphMesh::SetFrames(const OmMeshVertex* frameA, const OmMeshVertex* frameB, float fraction)
{
    if (!m_converted || !frameA || !frameB)
        return false;
    m_frameA = frameA;
    m_frameB = frameB;
    m_fraction = fraction;
    return WriteVertices();
}

// The blend of the two frames (or the rest pose before any), into the
// buffer and the alpha copy.
bool OmD3DMorphMesh::WriteVertices()
{
    OmD3D* renderer = OmD3D::Instance();
    if (m_vertexCount == 0)
        return true;
    OmD3DVertexBuffer* buffer = renderer ? renderer->GetVertexBuffer(m_vertexBuffer) : nullptr;
    auto* out = buffer ? static_cast<uint8_t*>(buffer->Lock(0, 0, false)) : nullptr;
    if (!out)
        return false;
    const GfxFvfLayout l = GfxFvfOffsets(m_format);
    // Bit 0x100 decides first: a format of three sets writes one.
    const bool secondSet = (m_format & 0x100) == 0;
    for (uint32_t i = 0; i < m_vertexCount; ++i) {
        OmMeshVertex v;
        if (m_frameA)
            OmMorphVertex::Interpolate(m_frameA[i], m_frameB[i], m_fraction, v);
        else
            v = m_restPose[i];
        OmWriteDeviceVertex(out + size_t(i) * m_stride, l, m_stride, v.position, v.normal, OmPackColour(v.colour),
                            v.uv0, secondSet ? v.uv1 : nullptr);
        const uint16_t slot = m_subsets.alphaMap[i];
        if (slot != OmDeviceSubsets::kNotAlpha)
            m_subsets.alphaVertices[slot] = v;
    }
    buffer->Unlock();
    m_writtenAtReset = renderer->GetResetCount();
    return true;
}

bool OmD3DMorphMesh::InPass(uint32_t materialId, uint32_t pass) const
{
    return PassOf(*OmD3D::Instance(), materialId) == pass;
}

const void* OmD3DMorphMesh::GetVertices() const
{
    return m_subsets.alphaTriangles.GetCount() ? &m_subsets.alphaVertices : nullptr;
}

const void* OmD3DMorphMesh::GetTriangles() const
{
    return m_subsets.alphaTriangles.GetCount() ? &m_subsets.alphaTriangles : nullptr;
}

void OmD3DMorphMesh::Render(OmRenderer&)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !m_converted || m_vertexBuffer < 0 || m_indexBuffer < 0)
        return;
    // A reset since the last write left the dynamic buffer empty.
    if (m_writtenAtReset != renderer->GetResetCount() && !WriteVertices())
        return;
    const uint32_t pass = renderer->GetRenderPass() == 1 ? 1u : 2u;
    // A copy: an object sharing this mesh morphs it again before the pass.
    if (pass == 1 && m_subsets.alphaTriangles.GetCount())
        renderer->QueueAlphaPose(this, m_bounds, m_subsets.alphaVertices);
    renderer->SetStreamSource(0, m_vertexBuffer);
    renderer->SetVertexShader(m_format);
    renderer->SetIndices(m_indexBuffer, 0);
    for (const OmDeviceSubset& s : m_subsets.subsets) {
        if (!InPass(s.materialId, pass))
            continue;
        renderer->ApplyMaterial(int32_t(s.materialId));
        renderer->DrawIndexedPrimitive(GfxPrimitive::TriangleList, s.minVertex, s.vertexCount, s.firstIndex,
                                       s.triangleCount);
    }
}
