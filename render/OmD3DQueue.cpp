// The far-to-near alpha queue, and the operations whose drawing code
// (meshes, the alpha sorter) is not written yet: those say so once and draw
// nothing.
#include "platform/GfxSprite.h"
#include "render/OmD3D.h"
#include "render/OmD3DMesh.h"

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
    for (const OmRenderItem& item : m_alphaQueue)
        m_sorter->AddItem(item);
    m_sorter->Flush();
    EmptyAlphaQueue();
    SetViewMatrix(&savedView);
    SetWorldMatrix(&savedWorld);
    SetLighting(savedLighting == 1);
    m_renderPass = 1;
}

void OmD3D::DrawDebugLines()
{
    if (m_debugLineCount > 0)
        OmReportMissing("debug line drawing is not built yet; debug lines are dropped undrawn");
    m_debugLineCount = 0;
}

// ---- not built yet -------------------------------------------------------------

void OmD3D::DrawWirePrimitive(const OmVector3*, float, float, int32_t, const float*)
{
    OmReportMissing("wire primitives are not built yet; nothing is drawn");
}

void OmD3D::DrawLines(int32_t, const OmVector3*, uint32_t)
{
    OmReportMissing("line drawing is not built yet; nothing is drawn");
}

OmBaseMesh* OmD3D::CreateMesh() { return new OmD3DMesh(); }

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

OmBaseSprite* OmD3D::CreateSprite(uint32_t)
{
    OmReportMissing("device sprites are not built yet");
    return nullptr;
}

void OmD3D::DrawText(float, float, const char*, const float*, float)
{
    OmReportMissing("the bitmap font is not built yet; texts are not drawn");
}

float OmD3D::GetTextExtent(const char*, float* width, float* height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    return 0;
}

bool OmD3D::SaveScreenshot(const char*) { return false; }
void OmD3D::CreateFont() {}
void OmD3D::DeleteFont() {}
void OmD3D::CreateSpriteObject()
{
    if (!m_sprite && m_device && plat::GfxFailed(plat::GfxSprite::Create(m_device, &m_sprite)))
        m_sprite = nullptr;
}
