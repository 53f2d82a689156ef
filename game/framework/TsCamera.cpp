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
    sceneCamera_.Reset(camera);
}

bool TsCamera::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive)) {
        return false;
    }
    if (sceneCamera_) {
        sceneCamera_->Register(archive);
    }
    return true;
}

void TsCamera::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteVector(position_.next);
    archive.WriteFloat(heading_.next).WriteFloat(pitch_.next).WriteFloat(roll_.next);
    archive.WriteVector(focus_.next).WriteFloat(distance_.next);
    archive.WriteObjectRef(sceneCamera_);
    archive.WriteI32(mode_).WriteU32(active_);
    archive.WriteFloat(fieldOfView_.next).WriteFloat(aspect_);
}

void TsCamera::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    archive.ReadVector(position_.next);
    archive.ReadFloat(heading_.next).ReadFloat(pitch_.next).ReadFloat(roll_.next);
    archive.ReadVector(focus_.next).ReadFloat(distance_.next);
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
    mode_ = mode >= TS_CAMERA_FREE && mode <= TS_CAMERA_OWNER ? static_cast<TsCameraMode>(mode) : TS_CAMERA_FREE;
    archive.ReadFloat(fieldOfView_.next).ReadFloat(aspect_);
    Snap();
    active_ = active != 0 ? 1 : 0;
}

void TsCamera::Tick(uint32_t)
{
    if (!active_) {
        return;
    }
    --projectionRefresh_;
    position_.Advance();
    heading_.Advance();
    pitch_.Advance();
    focus_.Advance();
    distance_.Advance();
    roll_.Advance();
    fieldOfView_.Advance();
}

void TsCamera::Render(float, float fraction)
{
    if (!active_) {
        return;
    }
    Update(fraction);
    OmRenderer* renderer = OmRenderer::Current();
    if (renderer && sceneCamera_) {
        sceneCamera_->Apply(*renderer);
    }
}

void TsCamera::Snap()
{
    active_ = 1;
    Tick(0);
    Tick(0);
    projectionRefresh_ = 3;
}

void TsCamera::SetFieldOfView(float radians)
{
    fieldOfView_.SetNext(radians);
    projectionRefresh_ = 2;
}

void TsCamera::SetNearPlane(float distance)
{
    if (!sceneCamera_) {
        return;
    }
    OmProjection projection = sceneCamera_->GetProjection();
    projection.nearDistance = distance;
    sceneCamera_->SetProjection(projection);
}

void TsCamera::SetFarPlane(float distance)
{
    if (!sceneCamera_) {
        return;
    }
    OmProjection projection = sceneCamera_->GetProjection();
    projection.farDistance = distance;
    sceneCamera_->SetProjection(projection);
}

OmMatrix3 TsCamera::Orientation(float heading, float pitch, float roll)
{
    OmMatrix3 m;
    m.SetEuler(-pitch, heading, roll);
    return m;
}

void TsCamera::Update(float t)
{
    fieldOfView_.Interpolate(t);
    const float roll = roll_.Interpolate(t);
    if (sceneCamera_) {
        switch (mode_) {
        case TS_CAMERA_FREE:
            sceneCamera_->SetFromMatrix(position_.Interpolate(t),
                                         Orientation(heading_.Interpolate(t), pitch_.Interpolate(t), roll));
            break;
        case TS_CAMERA_ORBIT: {
            const OmMatrix3 m = Orientation(heading_.Interpolate(t), pitch_.Interpolate(t), roll);
            const OmVector3& focus = focus_.Interpolate(t);
            const float distance = distance_.Interpolate(t);
            const OmVector3 back = m.GetColumn(2);
            sceneCamera_->SetFromMatrix(
                OmVector3(focus.x - back.x * distance, focus.y - back.y * distance, focus.z - back.z * distance), m);
            break;
        }
        case TS_CAMERA_LOOK_AT: {
            // A frame that looks along d with Y kept up, then rolled about
            // d: a bare rotation about d would leave the camera looking
            // wherever its axes happened to point.
            const OmVector3& position = position_.Interpolate(t);
            const OmVector3& focus = focus_.Interpolate(t);
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
            sceneCamera_->SetFromMatrix(position, m);
            break;
        }
        default:
            break; // the owner sets the frame
        }
    }
    if (projectionRefresh_ > 0) {
        ApplyProjection();
    }
}

void TsCamera::ApplyProjection()
{
    if (!sceneCamera_) {
        return;
    }
    OmProjection projection = sceneCamera_->GetProjection();
    projection.halfWidth = std::tan(fieldOfView_.interpolated * 0.5f) * projection.nearDistance;
    projection.halfHeight = projection.halfWidth * aspect_;
    sceneCamera_->SetProjection(projection);
}
