// The far-to-near alpha queue, texture binding by id, and the operations
// whose drawing code (resources, lights, meshes, sprites, debug drawing) is
// not written yet: those say so once and draw nothing.
#include "render/OmD3D.h"

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

void OmD3D::DrawDebugLines()
{
    if (m_debugLineCount > 0)
        OmReportMissing("debug line drawing is not built yet; debug lines are dropped undrawn");
    m_debugLineCount = 0;
}

// ---- textures ----------------------------------------------------------------

void OmD3D::SetTexture(uint32_t stage, int32_t id)
{
    if (id < 0 || !m_texturesEnabled) {
        SetD3DTexture(stage, nullptr);
        return;
    }
    OmReportMissing("device textures are not built yet; the stage keeps its texture");
}

bool OmD3D::SetAnimatedLayers(bool animate)
{
    m_animatedLayers = animate ? 1 : 0;
    return animate;
}

bool OmD3D::EnableTextures(bool enable)
{
    m_texturesEnabled = enable ? 1 : 0;
    return enable;
}

bool OmD3D::LoadTexture(int32_t)
{
    OmReportMissing("device textures are not built yet; no texture is loaded");
    return false;
}

bool OmD3D::LoadAllTextures()
{
    OmReportMissing("device textures are not built yet; no texture is loaded");
    return false;
}

void OmD3D::ApplyMaterial(int32_t)
{
    OmReportMissing("applying materials is not built yet; the device material is unchanged");
}

// ---- not built yet -------------------------------------------------------------

void OmD3D::SetCulling(bool) { OmReportMissing("culling control is not built yet"); }

int32_t OmD3D::AddLight(OmLight*)
{
    OmReportMissing("lights are not built yet");
    return -1;
}

void OmD3D::RemoveLight(OmLight*) { OmReportMissing("lights are not built yet"); }
void OmD3D::UpdateLight(OmLight*) { OmReportMissing("lights are not built yet"); }
void OmD3D::EnableLight(OmLight*, bool) { OmReportMissing("lights are not built yet"); }
void OmD3D::SetLighting(bool) { OmReportMissing("lighting control is not built yet"); }

void OmD3D::DrawWirePrimitive(const OmVector3*, float, float, int32_t, const float*)
{
    OmReportMissing("wire primitives are not built yet; nothing is drawn");
}

void OmD3D::DrawLines(int32_t, const OmVector3*, uint32_t)
{
    OmReportMissing("line drawing is not built yet; nothing is drawn");
}

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

OmBaseSprite* OmD3D::CreateSprite(uint32_t)
{
    OmReportMissing("device sprites are not built yet");
    return nullptr;
}
