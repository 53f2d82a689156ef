#include "render/OmD3DSkinMesh.h"

#include <cstring>

#include "engine/OmMaterial.h"
#include "engine/OmReport.h"
#include "engine/OmSkinMesh.h"
#include "render/OmD3D.h"
#include "render/OmD3DBatch.h"
#include "render/OmD3DMesh.h"

using namespace plat;

OM_IMPLEMENT_CLASS(OmD3DSkinMesh, OmBaseSkinMesh)

namespace {

// One palette for every skinned mesh: meshes skin one after another.
OmMatrix4 s_palette[OmD3DSkinMesh::kMaxBones];

// Adds w times the first three columns of m into out (rows 0 to 3).
void AddWeighted(float out[12], const OmMatrix4& m, float w)
{
    const float* a = m.Data();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            out[3 * r + c] += w * a[4 * r + c];
}

// Opaque materials draw in place; alpha-blended and additive ones belong to
// the sorted pass, as the morph mesh's do.
bool InSortedPass(const OmD3D& renderer, uint32_t materialId)
{
    const OmMaterial* m = renderer.GetMaterial(int32_t(materialId));
    return m && renderer.GetBlendClass(m->blendMode) != 1;
}

} // namespace

OmD3DSkinMesh::~OmD3DSkinMesh() { ReleaseResources(); }

void OmD3DSkinMesh::ReleaseResources()
{
    m_subsets.Release();
    OmReleaseDeviceBuffers(m_indexBuffer, m_vertexBuffer);
    m_converted = false;
}

bool OmD3DSkinMesh::Create(OmRenderer&, uint32_t renderFlags, uint32_t indexCount, uint32_t vertexCount,
                           const uint8_t layout[12])
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !renderer->GetDevice() || !layout)
        return false;
    if (!OmCheckDeviceCounts(indexCount, vertexCount, "OmD3DSkinMesh"))
        return false;
    ReleaseResources();
    m_usage = renderFlags;
    m_triangleCount = indexCount / 3;
    m_vertexCount = vertexCount;
    // The buffer never carries the weights: the CPU blends the vertices.
    VertexFormatFromLayoutNoWeights(layout, m_stride, m_format);
    const bool writeOnly = (renderFlags & 0x200) == 0;
    return OmCreateDeviceBuffers(*renderer, m_triangleCount, m_vertexCount, m_format, true, writeOnly, m_indexBuffer,
                                 m_vertexBuffer);
}

bool OmD3DSkinMesh::CheckBones(const OmSkinMesh& mesh) const
{
    const uint32_t bones = mesh.skeleton.GetBoneCount();
    if (bones > kMaxBones) {
        ReportError("OmD3DSkinMesh: a skeleton of %u bones, more than the palette holds (%u)", bones, kMaxBones);
        return false;
    }
    for (uint32_t i = 0; i < mesh.vertices.GetCount(); ++i) {
        const OmSkinVertex& v = mesh.vertices[i];
        for (int k = 0; k < 4; ++k) {
            if (v.weights[k] != 0.0f && v.bones[k] >= bones) {
                ReportError("OmD3DSkinMesh: vertex %u is weighted to bone %u of %u", i, v.bones[k], bones);
                return false;
            }
        }
    }
    return true;
}

bool OmD3DSkinMesh::ConvertFrom(const OmSkinMesh& mesh)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !CheckBones(mesh))
        return false;
    m_skeleton.origin = mesh.skeleton.origin;
    m_skeleton.rootBone = mesh.skeleton.rootBone;
    m_skeleton.bones.Resize(mesh.skeleton.GetBoneCount());
    for (uint32_t b = 0; b < mesh.skeleton.GetBoneCount(); ++b)
        m_skeleton.bones[b] = mesh.skeleton.bones[b];
    if (!WriteBindPose(mesh)
        || !OmWriteDeviceIndices(*renderer, m_indexBuffer, mesh.indices, m_vertexCount, "OmD3DSkinMesh"))
        return false;
    if (mesh.indices.GetCount() != m_triangleCount * 3) {
        ReportError("OmD3DSkinMesh: %u indices given for a mesh made for %u triangles", mesh.indices.GetCount(),
                    m_triangleCount);
        return false;
    }
    m_indices.resize(mesh.indices.GetCount());
    for (uint32_t i = 0; i < mesh.indices.GetCount(); ++i)
        m_indices[i] = uint16_t(mesh.indices[i]);
    m_bounds = mesh.GetBounds();
    if (!m_subsets.Take(*renderer, mesh.materialGroups, m_triangleCount, m_vertexCount, "OmD3DSkinMesh"))
        return false;
    m_subsets.BuildAlphaMap(mesh.indices, m_vertexCount,
                            [renderer](uint32_t id) { return InSortedPass(*renderer, id); });
    m_passMask = 0;
    for (const OmDeviceSubset& s : m_subsets.subsets)
        m_passMask |= InSortedPass(*renderer, s.materialId) ? kSortedPass : kScenePass;
    m_additiveTriangles.RemoveAll();
    for (uint32_t t = 0; t < m_subsets.alphaTriangles.GetCount(); ++t) {
        const OmAlphaTriangle& tri = m_subsets.alphaTriangles[t];
        if (!renderer->IsAlphaMaterial(int32_t(tri.materialId)))
            m_additiveTriangles.Add(tri);
    }
    m_converted = true;
    // The alpha copy starts in the bind pose, like the buffer.
    SetBoneMatrices(nullptr, 0);
    return true;
}

bool OmD3DSkinMesh::WriteBindPose(const OmSkinMesh& mesh)
{
    uint32_t stride = 0, format = 0;
    VertexFormatFromLayoutNoWeights(mesh.layout, stride, format);
    if (format != m_format || stride != m_stride || GfxFvfVertexSize(format) != stride) {
        ReportError("OmD3DSkinMesh: vertex layout gives format 0x%x (%u bytes), the mesh was made for 0x%x", format,
                    stride, m_format);
        return false;
    }
    if (mesh.vertices.GetCount() != m_vertexCount) {
        ReportError("OmD3DSkinMesh: %u vertices given for a mesh made for %u", mesh.vertices.GetCount(),
                    m_vertexCount);
        return false;
    }
    const bool diffuse = (m_format & GfxFvf::Diffuse) != 0;
    m_vertices.resize(m_vertexCount);
    m_colours.assign(diffuse ? m_vertexCount : 0, 0u);
    for (uint32_t i = 0; i < m_vertexCount; ++i) {
        const OmSkinVertex& in = mesh.vertices[i];
        SkinVertex& v = m_vertices[i];
        v.position = in.vertex.position;
        v.normal = in.vertex.normal;
        v.uv[0] = in.vertex.uv0[0];
        v.uv[1] = in.vertex.uv0[1];
        std::memcpy(v.weights, in.weights, sizeof v.weights);
        std::memcpy(v.bones, in.bones, sizeof v.bones);
        if (diffuse)
            m_colours[i] = OmPackColour(in.vertex.colour);
    }
    return true;
}

void OmD3DSkinMesh::BuildPalette(const OmBoneMatrix* matrices, uint32_t count)
{
    const uint32_t bones = m_skeleton.GetBoneCount();
    for (uint32_t b = 0; b < bones; ++b) {
        if (!matrices || b >= count) {
            s_palette[b].SetIdentity();
            continue;
        }
        OmMatrix4 posed;
        float* m = posed.Data();
        const OmBoneMatrix& bm = matrices[b];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                m[4 * r + c] = bm.rotation.Row(r)[c];
        m[12] = bm.position.x;
        m[13] = bm.position.y;
        m[14] = bm.position.z;
        MultiplyMatrix4(m_skeleton.bones[b].inverseBind, posed, s_palette[b]);
    }
}

void OmD3DSkinMesh::SkinVertices(uint8_t* out)
{
    const GfxFvfLayout l = GfxFvfOffsets(m_format);
    OmMeshVertex* alpha = m_subsets.alphaVertices.GetData();
    for (uint32_t i = 0; i < m_vertexCount; ++i) {
        const SkinVertex& v = m_vertices[i];
        float blend[12] = {};
        AddWeighted(blend, s_palette[v.bones[0]], v.weights[0]);
        // Blending stops at the first empty weight.
        for (int k = 1; k < 4 && v.weights[k] != 0.0f; ++k)
            AddWeighted(blend, s_palette[v.bones[k]], v.weights[k]);
        const OmVector3& p = v.position;
        const OmVector3& n = v.normal;
        const OmVector3 position(p.x * blend[0] + p.y * blend[3] + p.z * blend[6] + blend[9],
                                 p.x * blend[1] + p.y * blend[4] + p.z * blend[7] + blend[10],
                                 p.x * blend[2] + p.y * blend[5] + p.z * blend[8] + blend[11]);
        const OmVector3 normal(n.x * blend[0] + n.y * blend[3] + n.z * blend[6],
                               n.x * blend[1] + n.y * blend[4] + n.z * blend[7],
                               n.x * blend[2] + n.y * blend[5] + n.z * blend[8]);
        const uint32_t colour = m_colours.empty() ? 0xFFFFFFFFu : m_colours[i];
        OmWriteDeviceVertex(out + size_t(i) * m_stride, l, m_stride, position, normal, colour, v.uv, nullptr);
        const uint16_t slot = m_subsets.alphaMap.empty() ? OmDeviceSubsets::kNotAlpha : m_subsets.alphaMap[i];
        if (slot == OmDeviceSubsets::kNotAlpha)
            continue;
        OmMeshVertex& a = alpha[slot];
        a.position = position;
        a.normal = normal;
        for (int k = 0; k < 4; ++k)
            a.colour[k] = float((colour >> (k == 3 ? 24 : 16 - 8 * k)) & 0xFF) / 255.0f;
        a.uv0[0] = a.uv1[0] = v.uv[0];
        a.uv0[1] = a.uv1[1] = v.uv[1];
    }
}

void OmD3DSkinMesh::SetBoneMatrices(const OmBoneMatrix* matrices, uint32_t count)
{
    OmD3D* renderer = OmD3D::Instance();
    OmD3DVertexBuffer* buffer = renderer && m_converted ? renderer->GetVertexBuffer(m_vertexBuffer) : nullptr;
    if (!buffer || m_vertexCount == 0)
        return;
    auto* out = static_cast<uint8_t*>(buffer->Lock(0, 0, false));
    if (!out)
        return;
    BuildPalette(matrices, count);
    SkinVertices(out);
    buffer->Unlock();
}

const OmArray<OmAlphaTriangle>& OmD3DSkinMesh::SortedTriangles() const
{
    return m_sortAdditiveOnly ? m_additiveTriangles : m_subsets.alphaTriangles;
}

const void* OmD3DSkinMesh::GetVertices() const
{
    return SortedTriangles().GetCount() ? &m_subsets.alphaVertices : nullptr;
}

const void* OmD3DSkinMesh::GetTriangles() const
{
    return SortedTriangles().GetCount() ? &SortedTriangles() : nullptr;
}

// The skinned alpha vertices go into a batch source (lit when the mesh has
// normals and lighting is on), are transformed, and the alpha subsets'
// triangles are filed by depth.
void OmD3DSkinMesh::DrawAlphaThroughBatch(OmD3D& renderer)
{
    OmD3DBatch& batch = renderer.GetBatch();
    const bool lit = (m_format & GfxFvf::Normal) && renderer.GetRenderState(GfxRs::Lighting) != 0;
    OmFileAlphaSubsets(
        renderer, m_subsets.subsets, lit, [&] { return TransformAlphaVertices(batch, lit); },
        [&](const OmDeviceSubset& s, uint32_t base) {
            batch.AddRemappedTriangles(m_indices.data(), s.firstIndex, m_subsets.alphaMap.data(), s.materialId,
                                       s.triangleCount, base);
            return true;
        });
}

bool OmD3DSkinMesh::TransformAlphaVertices(OmD3DBatch& batch, bool lit)
{
    const uint32_t count = m_subsets.GetAlphaCount();
    auto* dst = static_cast<uint8_t*>(lit ? batch.LockLitVertices(count) : batch.LockSourceVertices(count));
    if (!dst)
        return false;
    const uint32_t stride = lit ? 32 : 24;
    for (uint32_t i = 0; i < count; ++i) {
        const OmMeshVertex& v = m_subsets.alphaVertices[i];
        uint8_t* out = dst + size_t(i) * stride;
        std::memcpy(out, &v.position, 12);
        if (lit) {
            std::memcpy(out + 12, &v.normal, 12);
        } else {
            const uint32_t colour = OmPackColour(v.colour);
            std::memcpy(out + 12, &colour, 4);
        }
        std::memcpy(out + stride - 8, v.uv0, 8);
    }
    if (lit) {
        batch.UnlockLitVertices();
        batch.TransformLitVertices(count);
    } else {
        batch.UnlockSourceVertices();
        batch.TransformVertices(count);
    }
    return true;
}

void OmD3DSkinMesh::Render(OmRenderer&)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !m_converted || m_vertexBuffer < 0 || m_indexBuffer < 0)
        return;
    if (m_subsets.GetAlphaCount() > 0 && renderer->GetRenderPass() == 1) {
        // The batch draws alpha-blended triangles only; additive ones wait
        // for the sorted pass, which applies their own blend.
        m_sortAdditiveOnly = renderer->GetBatch().IsOpen();
        if (m_sortAdditiveOnly)
            DrawAlphaThroughBatch(*renderer);
        // A copy: a figure sharing this mesh poses it again before the pass.
        if (SortedTriangles().GetCount())
            renderer->QueueAlphaPose(this, m_bounds, m_subsets.alphaVertices);
    }
    renderer->SetStreamSource(0, m_vertexBuffer);
    renderer->SetVertexShader(m_format);
    renderer->SetIndices(m_indexBuffer, 0);
    for (const OmDeviceSubset& s : m_subsets.subsets) {
        if (InSortedPass(*renderer, s.materialId))
            continue;
        renderer->ApplyMaterial(int32_t(s.materialId));
        renderer->DrawIndexedPrimitive(GfxPrimitive::TriangleList, s.minVertex, s.vertexCount, s.firstIndex,
                                       s.triangleCount);
    }
}
