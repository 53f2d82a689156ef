#include "engine/OmCamera.h"

#include "engine/OmArchive.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(OmCamera, OmObject)

bool OmCamera::Register(OmArchive&)
{
    return true;
}

void OmCamera::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteFloat(m_projection.halfWidth).WriteFloat(m_projection.halfHeight);
    archive.WriteFloat(m_projection.nearDistance).WriteFloat(m_projection.farDistance);
    archive.WriteU32(m_projection.orthographic);
    archive.WriteVector(m_position).WriteVector(m_right).WriteVector(m_up).WriteVector(m_forward);
    for (const OmPlane& plane : m_planes)
        archive.WriteVector(plane.normal).WriteFloat(plane.d);
}

void OmCamera::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    uint32_t orthographic = 0;
    archive.ReadFloat(m_projection.halfWidth).ReadFloat(m_projection.halfHeight);
    archive.ReadFloat(m_projection.nearDistance).ReadFloat(m_projection.farDistance);
    archive.ReadU32(orthographic);
    m_projection.orthographic = orthographic ? 1 : 0;
    archive.ReadVector(m_position).ReadVector(m_right).ReadVector(m_up).ReadVector(m_forward);
    for (OmPlane& plane : m_planes)
        archive.ReadVector(plane.normal).ReadFloat(plane.d);
}

void OmCamera::SetFrame(const OmVector3& position, const OmVector3& right, const OmVector3& up,
                        const OmVector3& forward)
{
    m_position = position;
    m_right = right;
    m_up = up;
    m_forward = forward;
    m_viewDirty = 1;
}

void OmCamera::SetFromMatrix(const OmVector3& position, const OmMatrix3& rotation)
{
    SetFrame(position, rotation.GetColumn(0), rotation.GetColumn(1), rotation.GetColumn(2));
}

void OmCamera::SetProjection(const OmProjection& projection)
{
    m_projection = projection;
    m_projectionDirty = 1;
}

void OmCamera::Apply(OmRenderer& renderer)
{
    if (m_projectionDirty)
        ComputeFrustumSideNormals(m_projection, m_sideNormals);
    if (m_projectionDirty || m_viewDirty)
        BuildFrustumPlanes(m_projection, m_sideNormals, m_position, m_right, m_up, m_forward, m_planes);
    if (m_projectionDirty) {
        OmProjectionParams params;
        params.halfWidth = m_projection.halfWidth;
        params.halfHeight = m_projection.halfHeight;
        params.nearDistance = m_projection.nearDistance;
        params.farDistance = m_projection.farDistance;
        params.orthographic = m_projection.orthographic;
        renderer.SetProjection(&params);
    }
    if (m_viewDirty)
        renderer.SetViewAxes(&m_position, &m_right, &m_up, &m_forward);
    m_projectionDirty = 0;
    m_viewDirty = 0;
}

bool OmCamera::IsSphereCulled(const OmSphere& sphere)
{
    for (int i = 0; i < OM_FRUSTUM_PLANES; ++i) {
        const uint32_t bit = 1u << i;
        if (!(m_planeMask & bit))
            continue;
        const int side = sphere.ClassifyPlane(m_planes[i]);
        if (side == 2)
            return true;
        if (side == 1)
            m_planeMask &= ~bit;
    }
    return false;
}

bool OmCamera::IsBoxCulled(const OmVector3& min, const OmVector3& max) const
{
    for (const OmPlane& plane : m_planes) {
        const OmVector3 corner(plane.normal.x >= 0.0f ? max.x : min.x, plane.normal.y >= 0.0f ? max.y : min.y,
                               plane.normal.z >= 0.0f ? max.z : min.z);
        if (plane.normal.Dot(corner) < plane.d)
            return true;
    }
    return false;
}

void OmCamera::GetPickRay(float x, float y, OmVector3& origin, OmVector3& direction) const
{
    const float px = x * m_projection.halfWidth;
    const float py = -(y * m_projection.halfHeight);
    if (!m_projection.orthographic) {
        const float n = m_projection.nearDistance;
        direction = m_right * (px / n) + m_up * (py / n) + m_forward;
        origin = m_position;
        return;
    }
    direction = m_forward;
    origin = m_right * px + m_up * py + m_position;
}
