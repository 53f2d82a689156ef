#include "engine/OmSkinMesh.h"

#include <algorithm>
#include <cmath>

#include "engine/OmBaseMesh.h"
#include "engine/OmBaseSkinMesh.h"
#include "engine/OmMaterial.h"
#include "engine/OmReport.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(OmSkinMesh, OmGeometry)
OM_IMPLEMENT_ABSTRACT_CLASS(OmBaseSkinMesh, OmGeometry)

void OmSkinMesh::ComputeBounds()
{
    // The sphere about the middle of the box of the positions, reaching the
    // farthest one (the same fit as plain meshes, over the wider vertex).
    const uint32_t count = vertices.GetCount();
    if (count == 0) {
        m_bounds.SetEmpty();
        BoundsChanged();
        return;
    }
    OmVector3 lo = vertices[0].vertex.position, hi = lo;
    for (uint32_t i = 1; i < count; ++i) {
        const OmVector3& p = vertices[i].vertex.position;
        lo.Set(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi.Set(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    const OmVector3 centre = (lo + hi) * 0.5f;
    float farthest = 0.0f;
    for (uint32_t i = 0; i < count; ++i)
        farthest = std::max(farthest, DistanceSquared(centre, vertices[i].vertex.position));
    m_bounds = OmSphere(centre, std::sqrt(farthest));
    BoundsChanged();
}

bool OmSkinMesh::ConvertForRenderer(OmRenderer& renderer, uint32_t renderFlags, OmBaseSkinMesh& renderMesh)
{
    if (!OmMesh::FitsRenderIndices("OmSkinMesh", vertices.GetCount()))
        return false;
    renderFlags = OmMesh::AlphaRenderFlags(renderer, materialGroups, renderFlags);
    if (!renderMesh.Create(renderer, renderFlags, indices.GetCount(), vertices.GetCount(), layout))
        return false;
    return renderMesh.ConvertFrom(*this);
}
