// The far-to-near alpha queue drawn through the alpha sorter, and device
// mesh creation.
#include "render/OmD3D.h"
#include "render/OmD3DMesh.h"
#include "render/OmD3DMorphMesh.h"
#include "render/OmD3DSkinMesh.h"

namespace {

// The camera position in world space: row 3 of the view matrix taken back
// through its rotation rows.
OmVector3 CameraPosition(const OmMatrix4& view)
{
    const float* m = view.Data();
    float p[3];
    for (int k = 0; k < 3; ++k)
        p[k] = -(m[12] * m[4 * k] + m[13] * m[4 * k + 1] + m[14] * m[4 * k + 2]);
    return OmVector3(p[0], p[1], p[2]);
}

} // namespace

void OmD3D::QueueAlphaItem(OmGeometry* object, const OmSphere& bounds) { InsertAlphaItem(object, bounds); }

void OmD3D::QueueAlphaPose(OmGeometry* object, const OmSphere& bounds, const OmArray<OmMeshVertex>& vertices)
{
    OmRenderItem& item = InsertAlphaItem(object, bounds);
    item.poseFirst = uint32_t(m_alphaPoses.size());
    item.poseCount = vertices.GetCount();
    m_alphaPoses.insert(m_alphaPoses.end(), vertices.GetData(), vertices.GetData() + vertices.GetCount());
}

const OmMeshVertex* OmD3D::GetAlphaPose(const OmRenderItem& item) const
{
    const bool held = item.poseCount && size_t(item.poseFirst) + item.poseCount <= m_alphaPoses.size();
    return held ? m_alphaPoses.data() + item.poseFirst : nullptr;
}

OmRenderItem& OmD3D::InsertAlphaItem(OmGeometry* object, const OmSphere& bounds)
{
    OmRenderItem item;
    item.object = object;
    item.world = m_world;
    item.view = m_view;
    item.bounds = bounds;
    item.bounds.Transform(m_world);
    const OmVector3 eye = CameraPosition(m_view);
    item.depthKey = (item.bounds.centre - eye).Length() + item.bounds.radius;
    // Before the first item whose key is not larger: equal keys draw newest first.
    auto at = m_alphaQueue.begin();
    while (at != m_alphaQueue.end() && at->depthKey > item.depthKey)
        ++at;
    return *m_alphaQueue.insert(at, item);
}

uint32_t OmD3D::GetAlphaQueueLength() const { return static_cast<uint32_t>(m_alphaQueue.size()); }

void OmD3D::EmptyAlphaQueue()
{
    m_alphaQueue.clear();
    m_alphaPoses.clear();
}

void OmD3D::FlushAlphaQueue()
{
    if (!m_sorter) {
        // No device yet: there is nothing to draw the items with.
        EmptyAlphaQueue();
        return;
    }
    m_renderPass = 2;
    m_sorter->ResetCounts();
    const OmMatrix4 savedView = m_view;
    const OmMatrix4 savedWorld = m_world;
    const uint32_t savedLighting = GetRenderState(plat::GfxRs::Lighting);
    SetViewMatrix(&OmMatrix4::Identity());
    SetWorldMatrix(&OmMatrix4::Identity());
    for (const OmRenderItem& item : m_alphaQueue) {
        // Only geometry that takes part in the sorted pass has triangles for it.
        if (item.object && (item.object->GetPassMask() & OmGeometry::kSortedPass))
            m_sorter->AddItem(item);
    }
    m_sorter->Flush();
    EmptyAlphaQueue();
    SetViewMatrix(&savedView);
    SetWorldMatrix(&savedWorld);
    SetLighting(savedLighting == 1);
    m_renderPass = 1;
}

OmBaseMesh* OmD3D::CreateMesh() { return new OmD3DMesh(); }

OmBaseMorphMesh* OmD3D::CreateMorphMesh() { return new OmD3DMorphMesh(); }

OmBaseSkinMesh* OmD3D::CreateSkinMesh() { return new OmD3DSkinMesh(); }
