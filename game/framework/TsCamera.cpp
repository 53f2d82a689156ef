#include "game/framework/TsCamera.h"

#include <cmath>

#include "engine/OmArchive.h"
#include "engine/OmCamera.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsScriptHandles.h"

OM_IMPLEMENT_CLASS(TsCamera, TsObject)

TsCamera::TsCamera()
{
    Snap();
}

TsCamera::TsCamera(OmArchive& archive) : TsObject(archive)
{
}

TsCamera::~TsCamera()
{
    TsScriptHandles::Forget(this, "TsCamera");
    SetSceneCamera(nullptr);
}

void TsCamera::SetSceneCamera(OmCamera* camera)
{
    m_sceneCamera.Reset(camera);
}

bool TsCamera::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive)) {
        return false;
    }
    if (m_sceneCamera) {
        m_sceneCamera->Register(archive);
    }
    return true;
}

void TsCamera::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteVector(m_position.next);
    archive.WriteFloat(m_heading.next).WriteFloat(m_pitch.next).WriteFloat(m_roll.next);
    archive.WriteVector(m_focus.next).WriteFloat(m_distance.next);
    archive.WriteObjectRef(m_sceneCamera);
    archive.WriteI32(m_mode).WriteU32(m_active);
    archive.WriteFloat(m_fieldOfView.next).WriteFloat(m_aspect);
}

void TsCamera::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    archive.ReadVector(m_position.next);
    archive.ReadFloat(m_heading.next).ReadFloat(m_pitch.next).ReadFloat(m_roll.next);
    archive.ReadVector(m_focus.next).ReadFloat(m_distance.next);
    OmCamera* sceneCamera = nullptr;
    archive.ReadRef(sceneCamera);
    // The renderer's camera is never stored; a camera read back without one
    // keeps the one its owner gave it.
    if (sceneCamera) {
        SetSceneCamera(sceneCamera);
    }
    int32_t mode = 0;
    uint32_t active = 0;
    archive.ReadI32(mode).ReadU32(active);
    m_mode = mode >= TS_CAMERA_FREE && mode <= TS_CAMERA_OWNER ? static_cast<TsCameraMode>(mode) : TS_CAMERA_FREE;
    archive.ReadFloat(m_fieldOfView.next).ReadFloat(m_aspect);
    Snap();
    m_active = active != 0 ? 1 : 0;
}

void TsCamera::Tick(uint32_t)
{
    if (!m_active) {
        return;
    }
    --m_projectionRefresh;
    m_position.Advance();
    m_heading.Advance();
    m_pitch.Advance();
    m_focus.Advance();
    m_distance.Advance();
    m_roll.Advance();
    m_fieldOfView.Advance();
}

void TsCamera::Render(float, float fraction)
{
    if (!m_active) {
        return;
    }
    Update(fraction);
    OmRenderer* renderer = OmRenderer::Current();
    if (renderer && m_sceneCamera) {
        m_sceneCamera->Apply(*renderer);
    }
}

void TsCamera::Snap()
{
    m_active = 1;
    Tick(0);
    Tick(0);
    m_projectionRefresh = 3;
}

void TsCamera::SetFieldOfView(float radians)
{
    m_fieldOfView.SetNext(radians);
    m_projectionRefresh = 2;
}

void TsCamera::SetNearPlane(float distance)
{
    if (!m_sceneCamera) {
        return;
    }
    OmProjection projection = m_sceneCamera->GetProjection();
    projection.nearDistance = distance;
    m_sceneCamera->SetProjection(projection);
}

void TsCamera::SetFarPlane(float distance)
{
    if (!m_sceneCamera) {
        return;
    }
    OmProjection projection = m_sceneCamera->GetProjection();
    projection.farDistance = distance;
    m_sceneCamera->SetProjection(projection);
}

OmMatrix3 TsCamera::Orientation(float heading, float pitch, float roll)
{
    OmMatrix3 m;
    m.SetEuler(-pitch, heading, roll);
    return m;
}

void TsCamera::Update(float t)
{
    m_fieldOfView.Interpolate(t);
    const float roll = m_roll.Interpolate(t);
    if (m_sceneCamera) {
        switch (m_mode) {
        case TS_CAMERA_FREE:
            m_sceneCamera->SetFromMatrix(m_position.Interpolate(t),
                                         Orientation(m_heading.Interpolate(t), m_pitch.Interpolate(t), roll));
            break;
        case TS_CAMERA_ORBIT: {
            const OmMatrix3 m = Orientation(m_heading.Interpolate(t), m_pitch.Interpolate(t), roll);
            const OmVector3& focus = m_focus.Interpolate(t);
            const float distance = m_distance.Interpolate(t);
            const OmVector3 back = m.GetColumn(2);
            m_sceneCamera->SetFromMatrix(
                OmVector3(focus.x - back.x * distance, focus.y - back.y * distance, focus.z - back.z * distance), m);
            break;
        }
        case TS_CAMERA_LOOK_AT: {
            // A frame that looks along d with Y kept up, then rolled about
            // d: a bare rotation about d would leave the camera looking
            // wherever its axes happened to point.
            const OmVector3& position = m_position.Interpolate(t);
            const OmVector3& focus = m_focus.Interpolate(t);
            OmVector3 d;
            if (NormaliseInto(focus - position, d) == 0.0f) {
                break; // focus on the camera: no direction to look in
            }
            OmVector3 right;
            CrossProduct(OmVector3(0.0f, 1.0f, 0.0f), d, right);
            if (NormaliseInPlace(right) == 0.0f) {
                right.Set(1.0f, 0.0f, 0.0f); // looking straight up or down
            }
            OmVector3 up;
            CrossProduct(d, right, up);
            OmMatrix3 frame;
            frame.Set(right.x, up.x, d.x, right.y, up.y, d.y, right.z, up.z, d.z);
            OmMatrix3 rolled;
            rolled.SetAxisRotation(roll, d.x, d.y, d.z);
            OmMatrix3 m;
            OmMatrix3::Multiply(rolled, frame, m);
            m_sceneCamera->SetFromMatrix(position, m);
            break;
        }
        default:
            break; // the owner sets the frame
        }
    }
    if (m_projectionRefresh > 0) {
        ApplyProjection();
    }
}

void TsCamera::ApplyProjection()
{
    if (!m_sceneCamera) {
        return;
    }
    OmProjection projection = m_sceneCamera->GetProjection();
    projection.halfWidth = std::tan(m_fieldOfView.interpolated * 0.5f) * projection.nearDistance;
    projection.halfHeight = projection.halfWidth * m_aspect;
    m_sceneCamera->SetProjection(projection);
}
