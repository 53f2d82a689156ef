#include "engine/OmMesh.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmBaseMesh.h"
#include "engine/OmMaterial.h"
#include "engine/OmReport.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(OmMesh, OmGeometry)

OmMesh::OmMesh() = default;

// Every layout byte is set before Read fills them, so a failed read never
// leaves stray bytes for a later save.
OmMesh::OmMesh(OmArchive& archive) : OmGeometry(archive)
{
}

bool OmMesh::Register(OmArchive& archive)
{
    return OmGeometry::Register(archive);
}

void OmMesh::Write(OmArchive& archive)
{
    OmGeometry::Write(archive);
    vertices.Write(archive);
    indices.Write(archive);
    triangleMaterials.Write(archive);
    materialGroups.Write(archive);
    archive.WriteBytes(layout, kLayoutSize);
}

void OmMesh::Read(OmArchive& archive)
{
    OmGeometry::Read(archive);
    vertices.Read(archive);
    indices.Read(archive);
    triangleMaterials.Read(archive);
    materialGroups.Read(archive);
    archive.ReadBytes(layout, kLayoutSize);
}

void OmMesh::ComputeBounds()
{
    ComputeBoundsInto(m_bounds);
    BoundsChanged();
}

void OmMesh::ComputeBoundsInto(OmSphere& out, OmVector3* min, OmVector3* max) const
{
    OmSphere::FromPoints(vertices.GetData(), int(vertices.GetCount()), out, min, max);
}

void OmMeshVertex::Interpolate(const OmMeshVertex& a, const OmMeshVertex& b, float t, OmMeshVertex& out)
{
    const float s = 1.0f - t;
    OmVector3::Lerp(a.normal, b.normal, t, out.normal);
    out.normal.Normalise();
    for (int i = 0; i < 4; ++i)
        out.colour[i] = a.colour[i] * s + b.colour[i] * t;
    for (int i = 0; i < 2; ++i) {
        out.uv0[i] = a.uv0[i] * s + b.uv0[i] * t;
        out.uv1[i] = a.uv1[i] * s + b.uv1[i] * t;
    }
}

namespace {

bool Within(const float* a, const float* b, int n, float tolerance)
{
    for (int i = 0; i < n; ++i) {
        if (!(std::fabs(a[i] - b[i]) <= tolerance))
            return false;
    }
    return true;
}

} // namespace

bool OmMeshVertex::NearlyEqual(const OmMeshVertex& a, const OmMeshVertex& b, float p, float q)
{
    if (!OmVector3::NearlyEqual(a.position, b.position, p) || !(Distance(a.position, b.position) <= p))
        return false;
    return Within(&a.normal.x, &b.normal.x, 3, q) && Within(a.colour, b.colour, 4, q) &&
           Within(a.uv0, b.uv0, 2, q) && Within(a.uv1, b.uv1, 2, q);
}

namespace {

// The rounded cell coordinate, kept in range for far-off or broken points.
int64_t Cell(float coordinate, double inverseCell)
{
    double scaled = std::nearbyint(double(coordinate) * inverseCell);
    if (!(scaled > -1e15))
        scaled = -1e15;
    if (scaled > 1e15)
        scaled = 1e15;
    return int64_t(scaled);
}

uint32_t WeldBucket(const OmVector3& p, double inverseCell)
{
    const int64_t sum = Cell(p.x, inverseCell) + Cell(p.y, inverseCell) + Cell(p.z, inverseCell);
    return uint32_t((sum < 0 ? -sum : sum) % OmMesh::kWeldBuckets);
}

bool IndicesInRange(const OmArray<uint32_t>& indices, uint32_t vertexCount, const char* caller)
{
    for (uint32_t i = 0; i < indices.GetCount(); ++i) {
        if (indices[i] >= vertexCount) {
            ReportError("%s: index %u names vertex %u of %u", caller, i, indices[i], vertexCount);
            return false;
        }
    }
    return true;
}

} // namespace

void OmMesh::WeldVertices(float positionTolerance, float attributeTolerance)
{
    if (!IndicesInRange(indices, vertices.GetCount(), "OmMesh::WeldVertices"))
        return;
    // A tolerance of 0 welds only exact copies, which still share a cell.
    const double inverseCell = positionTolerance > 0.0f ? 1.0 / double(positionTolerance) : 1.0;
    OmArray<OmMeshVertex> welded(vertices.GetCount() ? vertices.GetCount() : 1);
    welded.RemoveAll();
    std::vector<std::vector<uint32_t>> buckets(kWeldBuckets);
    for (uint32_t i = 0; i < indices.GetCount(); ++i) {
        const OmMeshVertex& vertex = vertices[indices[i]];
        std::vector<uint32_t>& bucket = buckets[WeldBucket(vertex.position, inverseCell)];
        uint32_t found = UINT32_MAX;
        for (uint32_t candidate : bucket) {
            if (OmMeshVertex::NearlyEqual(vertex, welded[candidate], positionTolerance, attributeTolerance)) {
                found = candidate;
                break;
            }
        }
        if (found == UINT32_MAX) {
            found = welded.GetCount();
            welded.Add(vertex);
            bucket.push_back(found);
        }
        indices[i] = found;
    }
    vertices.Resize(welded.GetCount());
    for (uint32_t i = 0; i < welded.GetCount(); ++i)
        vertices[i] = welded[i];
}

void OmMesh::SortTrianglesByMaterial(OmArray<uint32_t>* newPositions)
{
    const uint32_t triangleCount = triangleMaterials.GetCount();
    if (uint64_t(triangleCount) * 3 > indices.GetCount())
        return;
    materialGroups.RemoveAll();
    std::vector<uint32_t> groupOf(triangleCount);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        uint32_t g = 0;
        while (g < materialGroups.GetCount() && materialGroups[g].materialId != triangleMaterials[t])
            ++g;
        if (g == materialGroups.GetCount())
            materialGroups.Add({triangleMaterials[t], 0, 0, 0, vertices.GetCount()});
        ++materialGroups[g].triangleCount;
        groupOf[t] = g;
    }
    uint32_t first = 0;
    for (uint32_t g = 0; g < materialGroups.GetCount(); ++g) {
        materialGroups[g].firstTriangle = first;
        first += materialGroups[g].triangleCount;
        materialGroups[g].triangleCount = 0;
    }
    std::vector<uint32_t> sorted(indices.GetData(), indices.GetData() + indices.GetCount());
    if (newPositions)
        newPositions->Resize(triangleCount);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        OmMaterialGroup& group = materialGroups[groupOf[t]];
        const uint32_t to = group.firstTriangle + group.triangleCount++;
        for (int k = 0; k < 3; ++k)
            sorted[to * 3 + k] = indices[t * 3 + k];
        if (newPositions)
            (*newPositions)[t] = to;
    }
    for (uint32_t i = 0; i < triangleCount * 3; ++i)
        indices[i] = sorted[i];
    for (uint32_t g = 0; g < materialGroups.GetCount(); ++g) {
        OmMaterialGroup& group = materialGroups[g];
        uint32_t lowest = UINT32_MAX, highest = 0;
        for (uint32_t t = group.firstTriangle; t < group.firstTriangle + group.triangleCount; ++t) {
            triangleMaterials[t] = group.materialId;
            for (int k = 0; k < 3; ++k) {
                lowest = std::min(lowest, indices[t * 3 + k]);
                highest = std::max(highest, indices[t * 3 + k]);
            }
        }
        group.lowestVertex = lowest;
        group.vertexSpan = highest - lowest + 1;
    }
}

bool OmMesh::FitsRenderIndices(const char* who, uint32_t vertexCount)
{
    // Render meshes keep 16-bit indices.
    if (vertexCount <= kMaxRenderVertices)
        return true;
    ReportError("%s::ConvertForRenderer: %u vertices, more than a render mesh can index (%u)", who,
                vertexCount, kMaxRenderVertices);
    return false;
}

uint32_t OmMesh::AlphaRenderFlags(OmRenderer& renderer, const OmArray<OmMaterialGroup>& groups,
                                  uint32_t renderFlags)
{
    for (uint32_t g = 0; g < groups.GetCount(); ++g) {
        OmMaterial* material = renderer.GetMaterial(int32_t(groups[g].materialId));
        if (!material || !material->IsAlpha())
            continue;
        if (renderFlags & OM_MESH_NO_ALPHA_PASS) {
            if (material->blendMode == 0x20)
                material->blendMode = 0x42;
            return renderFlags & ~OM_MESH_HAS_ALPHA;
        }
        return renderFlags | OM_MESH_HAS_ALPHA;
    }
    return renderFlags;
}

bool OmMesh::ConvertForRenderer(OmRenderer& renderer, uint32_t renderFlags, OmBaseMesh& renderMesh)
{
    if (!FitsRenderIndices("OmMesh", vertices.GetCount()))
        return false;
    renderFlags = AlphaRenderFlags(renderer, materialGroups, renderFlags);
    if (!renderMesh.Create(renderer, renderFlags, indices.GetCount(), vertices.GetCount(), layout))
        return false;
    return renderMesh.ConvertFrom(*this);
}
