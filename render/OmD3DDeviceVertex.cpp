#include "render/OmD3DDeviceVertex.h"

#include <algorithm>
#include <cstring>

#include "engine/OmReport.h"
#include "render/OmD3D.h"

using namespace plat;

bool OmCheckDeviceCounts(uint32_t indexCount, uint32_t vertexCount, const char* owner)
{
    if (indexCount <= kOmDeviceMaxIndices && vertexCount <= kOmDeviceMaxVertices)
        return true;
    ReportError("%s: %u indices and %u vertices, more than 16-bit indices reach", owner, indexCount, vertexCount);
    return false;
}

bool OmCreateDeviceBuffers(OmD3D& renderer, uint32_t triangleCount, uint32_t vertexCount, uint32_t format,
                           bool dynamicVertices, bool writeOnly, int32_t& indexBuffer, int32_t& vertexBuffer)
{
    if (triangleCount > 0)
        indexBuffer = renderer.CreateIndexBuffer(triangleCount * 3, true, false, writeOnly);
    if (vertexCount > 0)
        vertexBuffer = renderer.CreateVertexBuffer(format, vertexCount, !dynamicVertices, false,
                                                   dynamicVertices || writeOnly);
    return (triangleCount == 0 || indexBuffer >= 0) && (vertexCount == 0 || vertexBuffer >= 0);
}

void OmReleaseDeviceBuffers(int32_t& indexBuffer, int32_t& vertexBuffer)
{
    if (OmD3D* renderer = OmD3D::Instance()) {
        renderer->ReleaseIndexBuffer(indexBuffer);
        renderer->ReleaseVertexBuffer(vertexBuffer);
    }
    indexBuffer = vertexBuffer = -1;
}

void OmWriteDeviceVertex(uint8_t* out, const GfxFvfLayout& l, uint32_t stride, const OmVector3& position,
                         const OmVector3& normal, uint32_t colour, const float* uv0, const float* uv1)
{
    std::memset(out, 0, stride);
    std::memcpy(out, &position, 12);
    if (l.normal)
        std::memcpy(out + l.normal, &normal, 12);
    if (l.diffuse)
        std::memcpy(out + l.diffuse, &colour, 4);
    for (uint32_t i = 0; i < l.texSets && i < 2; ++i) {
        const float* uv = i == 0 ? uv0 : uv1;
        if (uv)
            std::memcpy(out + l.tex[i], uv, 4 * std::min<uint32_t>(l.texSize[i], 2));
    }
}

bool OmDeviceSubsets::Take(OmD3D& renderer, const OmArray<OmMaterialGroup>& groups, uint32_t triangleCount,
                           uint32_t vertexCount, const char* owner)
{
    Release();
    for (uint32_t g = 0; g < groups.GetCount(); ++g) {
        const OmMaterialGroup& group = groups[g];
        const bool inRange = uint64_t(group.firstTriangle) + group.triangleCount <= triangleCount
            && uint64_t(group.lowestVertex) + group.vertexSpan <= vertexCount;
        if (!inRange || !renderer.GetMaterial(int32_t(group.materialId))) {
            ReportError("%s: material group %u (material %u) lies outside the mesh or names no material", owner, g,
                        group.materialId);
            Release();
            return false;
        }
        renderer.AddRefMaterial(int32_t(group.materialId));
        subsets.push_back(OmDeviceSubset{group.materialId, group.firstTriangle * 3, group.triangleCount,
                                         group.lowestVertex, group.vertexSpan});
    }
    return true;
}

void OmDeviceSubsets::Release()
{
    if (OmD3D* renderer = OmD3D::Instance()) {
        for (const OmDeviceSubset& s : subsets)
            renderer->ReleaseMaterial(int32_t(s.materialId));
    }
    subsets.clear();
    alphaMap.clear();
    alphaVertices.RemoveAll();
    alphaTriangles.RemoveAll();
}

bool OmWriteDeviceIndices(OmD3D& renderer, int32_t indexBuffer, const OmArray<uint32_t>& indices,
                          uint32_t vertexCount, const char* owner)
{
    const uint32_t count = indices.GetCount();
    for (uint32_t i = 0; i < count; ++i) {
        if (indices[i] >= vertexCount) {
            ReportError("%s: index %u names vertex %u of %u", owner, i, indices[i], vertexCount);
            return false;
        }
    }
    if (count == 0)
        return true;
    OmD3DIndexBuffer* buffer = renderer.GetIndexBuffer(indexBuffer);
    uint16_t* out = buffer ? buffer->Lock(0, count, false) : nullptr;
    if (!out)
        return false;
    for (uint32_t i = 0; i < count; ++i)
        out[i] = uint16_t(indices[i]);
    buffer->Unlock();
    return true;
}
