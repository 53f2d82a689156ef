#include "game/framework/TsCutScene.h"

#include <algorithm>
#include <cmath>

#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"

OM_IMPLEMENT_CLASS(TsCutScene, TsObject)

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kDegrees = kPi / 180.0f;

// Conversation framing.
constexpr float kConversationZoom = 7.0f;
constexpr float kOverviewZoom = 8.0f;
constexpr int kCandidateCount = 8;
constexpr float kCandidateReach = 1.5f;
constexpr float kShortestTurnSeconds = 2.0f;
constexpr float kLongestTurnSeconds = 3.0f;

// v turned by a about the vertical axis (x towards z).
OmVector3 TurnedFlat(const OmVector3& v, float a)
{
    const float c = std::cos(a), s = std::sin(a);
    return OmVector3(c * v.x - s * v.z, 0.0f, s * v.x + c * v.z);
}

} // namespace

TsCutScene::TsCutScene() = default;

TsCutScene::TsCutScene(OmArchive& archive) : TsObject(archive)
{
}

TsCutScene::~TsCutScene() { TsScriptHandles::Forget(this, "TsCutScene"); }

void TsCutScene::SetSceneFraming(float fieldOfView, float pitch)
{
    sceneFieldOfView_ = fieldOfView;
    scenePitch_ = pitch;
}

float TsCutScene::Wrap(float a)
{
    return a - std::floor(a / kTwoPi) * kTwoPi;
}

// The turn from a to b the short way round, in (-pi, pi]: a turn of more
// than half a circle goes round the other way.
float TsCutScene::ShortestDifference(float a, float b)
{
    float d = Wrap(b - a);
    if (d > kPi) {
        d -= kTwoPi;
    }
    return d;
}

void TsCutScene::SetFollowTarget(TsEntity* target)
{
    followTarget_.Reset(target);
}

void TsCutScene::Reset()
{
    active_ = 0;
    activeLocked_ = 0;
    SetFollowTarget(nullptr);
    playerLockedOut_ = 0;
    moveKind_ = rotateKind_ = zoomKind_ = 0;
    blendRunning_ = 0;
}

void TsCutScene::SetCutSceneActive(bool on)
{
    if (on == (active_ != 0)) {
        return;
    }
    if (on) {
        if (camera_) {
            savedDistance_ = camera_->Distance().next;
        }
        if (TsLevelState* level = TsAccess::LevelState()) {
            level->ClearScreenForScene();
        }
    } else {
        if (camera_) {
            camera_->Distance().SetNext(savedDistance_);
        }
        Reset();
    }
    active_ = on ? 1 : 0;
}

float TsCutScene::Activate(float seconds)
{
    const float speed = TsAccess::TickDuration() / seconds;
    if (!active_ && camera_) {
        fovStart_ = fovCurrent_ = camera_->GetFieldOfView();
        fovTarget_ = sceneFieldOfView_;
        pitchStart_ = pitchCurrent_ = camera_->Pitch().next;
        pitchTarget_ = scenePitch_;
        fovProgress_ = pitchProgress_ = 0.0f;
        fovSpeed_ = pitchSpeed_ = speed;
        blendRunning_ = 1;
    }
    SetCutSceneActive(true);
    return speed;
}

void TsCutScene::MoveCamera(float x, float y, float z, float seconds, int32_t kind)
{
    if (!camera_) {
        return;
    }
    const OmVector3 end(x, y, z);
    if (!(seconds > 0.0f)) {
        camera_->Focus().SetNext(end);
        camera_->Focus().Advance();
        return;
    }
    moveSpeed_ = Activate(seconds);
    moveStart_ = moveCurrent_ = camera_->Focus().current;
    moveEnd_ = end;
    moveProgress_ = 0.0f;
    moveKind_ = kind;
}

void TsCutScene::RotateCamera(float turns, float seconds, int32_t kind)
{
    if (!camera_) {
        return;
    }
    const float angle = turns * kTwoPi;
    if (!(seconds > 0.0f)) {
        // From where the last timed rotation started, not from the heading
        // now: a script that turns in steps of its own lands on the angles it
        // counted.
        camera_->Heading().SetAll(rotateStart_ + angle);
        return;
    }
    rotateSpeed_ = Activate(seconds);
    rotateStart_ = rotateCurrent_ = Wrap(camera_->Heading().next);
    rotateTarget_ = rotateStart_ + angle;
    rotateDelta_ = angle;
    rotateProgress_ = 0.0f;
    rotateKind_ = kind;
}

void TsCutScene::RotateCameraTo(float degrees, float seconds, int32_t kind)
{
    if (!camera_) {
        return;
    }
    const float angle = degrees * kDegrees;
    if (!(seconds > 0.0f)) {
        camera_->Heading().SetAll(angle);
        return;
    }
    rotateSpeed_ = Activate(seconds);
    rotateStart_ = rotateCurrent_ = Wrap(camera_->Heading().next);
    rotateTarget_ = angle;
    rotateDelta_ = ShortestDifference(rotateStart_, angle);
    rotateProgress_ = 0.0f;
    rotateKind_ = kind;
    camera_->Heading().SetAll(rotateStart_);
}

void TsCutScene::ZoomCamera(float distance, float seconds, int32_t kind)
{
    if (!camera_) {
        return;
    }
    if (!(seconds > 0.0f)) {
        camera_->Distance().SetAll(distance);
        return;
    }
    zoomSpeed_ = Activate(seconds);
    zoomStart_ = zoomCurrent_ = camera_->Distance().next;
    zoomTarget_ = distance;
    zoomProgress_ = 0.0f;
    zoomKind_ = kind;
}

void TsCutScene::FadeCamera(int32_t kind, float seconds, bool out)
{
    SetCutSceneActive(true);
    fader_.Start(static_cast<TsFadeKind>(kind), seconds, out, OmColour(0.0f, 0.0f, 0.0f, 1.0f));
}

void TsCutScene::Step(float& progress, float speed, int32_t& kind)
{
    progress += speed;
    if (progress >= 1.0f) {
        progress = 1.0f;
        kind = 0;
    }
}

void TsCutScene::UpdateTracks()
{
    if (camera_) {
        // Whether a move ran this tick: the blend keeps pace with a move of
        // the same length, so it takes its last step with the move's.
        const bool moving = moveKind_ != 0;
        if (moveKind_) {
            Step(moveProgress_, moveSpeed_, moveKind_);
            moveCurrent_ = moveStart_ + (moveEnd_ - moveStart_) * moveProgress_;
            camera_->Focus().SetNext(moveCurrent_);
        } else if (followTarget_) {
            camera_->Focus().SetNext(followTarget_->GetPosition());
        }
        if (rotateKind_) {
            Step(rotateProgress_, rotateSpeed_, rotateKind_);
            rotateCurrent_ = rotateStart_ + rotateDelta_ * rotateProgress_;
            camera_->Heading().SetNext(rotateCurrent_);
        }
        if (zoomKind_) {
            Step(zoomProgress_, zoomSpeed_, zoomKind_);
            zoomCurrent_ = zoomStart_ + (zoomTarget_ - zoomStart_) * zoomProgress_;
            camera_->Distance().SetNext(zoomCurrent_);
        }
        if (blendRunning_ && moving) {
            fovProgress_ += fovSpeed_;
            pitchProgress_ += pitchSpeed_;
            if (fovProgress_ >= 1.0f || pitchProgress_ > 1.0f) {
                blendRunning_ = 0;
                fovProgress_ = std::min(fovProgress_, 1.0f);
                pitchProgress_ = std::min(pitchProgress_, 1.0f);
            }
            fovCurrent_ = fovStart_ + (fovTarget_ - fovStart_) * fovProgress_;
            camera_->SetFieldOfView(fovCurrent_);
            pitchCurrent_ = pitchStart_ + (pitchTarget_ - pitchStart_) * pitchProgress_;
            camera_->Pitch().SetNext(pitchCurrent_);
        }
    }
    if (!moveKind_ && !rotateKind_ && !zoomKind_ && fader_.IsComplete() && !activeLocked_) {
        SetCutSceneActive(false);
    }
}

void TsCutScene::Tick(uint32_t)
{
    fader_.Update();
    if (active_) {
        UpdateTracks();
    }
}

void TsCutScene::Render(float, float fraction)
{
    fader_.Render(fraction);
}

void TsCutScene::FrameConversation(const OmVector3& p, const OmVector3& v, int32_t mode)
{
    SetupConversationCamera(p, p + v, mode);
}

void TsCutScene::SetupConversationCamera(const OmVector3& p, const OmVector3& q, int32_t mode)
{
    if (!camera_) {
        return;
    }
    OmVector3 d;
    if (NormaliseInto(q - p, d) == 0.0f) {
        d.Set(0.0f, 0.0f, 1.0f); // both at one point: any side will do
    }
    float baseHeading = std::acos(std::clamp(-d.z, -1.0f, 1.0f));
    if (d.x <= 0.0f) {
        baseHeading = -baseHeading;
    }
    OmVector3 focus = p;
    float zoom = kConversationZoom;
    float targetHeading = baseHeading;
    if (mode == 0) {
        focus.Set(p.x - d.z - d.x, p.y, p.z + d.x - d.z);
    } else if (mode == 2) {
        focus.Set(p.x + d.z - d.x, p.y, p.z - d.x - d.z);
    } else if (mode == 3) {
        zoom = kOverviewZoom;
        const float pitch = scenePitch_;
        const float distance = camera_->Distance().next;
        TsGroundProbe* world = TsEntity::GetGroundProbe();
        int chosen = -1;
        OmVector3 chosenFocus;
        float chosenHeading = 0.0f;
        for (int i = 0; i < kCandidateCount; ++i) {
            const float turn = (30.0f + 45.0f * float(i)) * kDegrees;
            const OmVector3 candidate = p - TurnedFlat(d, turn) * kCandidateReach;
            const float heading = Wrap(turn + baseHeading);
            const OmVector3 back = TsCamera::Orientation(heading, pitch, 0.0f).GetColumn(2);
            const OmVector3 eye = candidate - back * distance;
            float hit = 0.0f;
            const bool clear =
                !world || !world->CastSegmentStatic(eye, candidate + OmVector3(0.0f, 0.5f, 0.0f), hit);
            if (clear) {
                chosen = i;
                chosenFocus = candidate;
                chosenHeading = heading;
                if (i == 0) {
                    break;
                }
            }
        }
        if (chosen >= 0) {
            focus = chosenFocus;
            targetHeading = chosenHeading;
        } else {
            focus = p - OmVector3(d.x, 0.0f, d.z);
            targetHeading = camera_->Heading().next;
        }
    }
    // Between two and three seconds, longer the further the camera turns.
    const float turn = std::fabs(ShortestDifference(Wrap(camera_->Heading().next), targetHeading));
    const float seconds = kShortestTurnSeconds + (kLongestTurnSeconds - kShortestTurnSeconds) * (turn / kPi);
    LockActive(true);
    SetPlayerLockedOut(true);
    MoveCamera(focus.x, focus.y, focus.z, seconds, TS_CAMERAMOVE_INTERP);
    RotateCameraTo(targetHeading / kDegrees, seconds, TS_CAMERAMOVE_INTERP);
    ZoomCamera(zoom, seconds, TS_CAMERAMOVE_INTERP);
    if (TsLevelState* level = TsAccess::LevelState()) {
        level->HoldSquad();
    }
}
