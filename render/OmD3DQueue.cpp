// The far-to-near alpha queue, and the operations whose drawing code
// (meshes, the alpha sorter) is not written yet: those say so once and draw
// nothing.
#include "platform/GfxSprite.h"
#include "render/OmD3D.h"
#include "render/OmD3DSprite.h"

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

void OmD3D::QueueAlphaItem(OmGeometry* object, const OmSphere& bounds)
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
    m_alphaQueue.insert(at, item);
}

uint32_t OmD3D::GetAlphaQueueLength() const { return static_cast<uint32_t>(m_alphaQueue.size()); }

void OmD3D::EmptyAlphaQueue() { m_alphaQueue.clear(); }

void OmD3D::FlushAlphaQueue()
{
    m_renderPass = 2;
    const OmMatrix4 savedView = m_view;
    const OmMatrix4 savedWorld = m_world;
    SetViewMatrix(&OmMatrix4::Identity());
    SetWorldMatrix(&OmMatrix4::Identity());
    if (!m_alphaQueue.empty())
        OmReportMissing("the alpha sorter is not built yet; queued alpha items are dropped undrawn");
    EmptyAlphaQueue();
    SetViewMatrix(&savedView);
    SetWorldMatrix(&savedWorld);
    m_renderPass = 1;
}

// ---- not built yet -------------------------------------------------------------

OmBaseMesh* OmD3D::CreateMesh()
{
    OmReportMissing("device meshes are not built yet");
    return nullptr;
}

OmBaseMorphMesh* OmD3D::CreateMorphMesh()
{
    OmReportMissing("device morph meshes are not built yet");
    return nullptr;
}

OmBaseSkinMesh* OmD3D::CreateSkinMesh()
{
    OmReportMissing("device skinned meshes are not built yet");
    return nullptr;
}

OmBaseSprite* OmD3D::CreateSprite(uint32_t argument)
{
    auto* sprite = new OmD3DSprite();
    sprite->Initialise(argument);
    return sprite;
}

void OmD3D::CreateSpriteObject()
{
    if (!m_sprite && m_device && plat::GfxFailed(plat::GfxSprite::Create(m_device, &m_sprite)))
        m_sprite = nullptr;
}
