#include "game/framework/TsCutScene.h"

#include <algorithm>
#include <cmath>

#include "engine/OmMath.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"

OM_IMPLEMENT_CLASS(TsCutScene, TsObject)

namespace {

constexpr float kDegrees = OM_PI / 180.0f;

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
    m_sceneFieldOfView = fieldOfView;
    m_scenePitch = pitch;
}

float TsCutScene::Wrap(float a)
{
    return a - std::floor(a / OM_TWO_PI) * OM_TWO_PI;
}

// The turn from a to b the short way round, in (-pi, pi]: a turn of more
// than half a circle goes round the other way.
float TsCutScene::ShortestDifference(float a, float b)
{
    float d = Wrap(b - a);
    if (d > OM_PI) {
        d -= OM_TWO_PI;
    }
    return d;
}

void TsCutScene::SetFollowTarget(TsEntity* target)
{
    m_followTarget.Reset(target);
}

void TsCutScene::Reset()
{
    m_active = 0;
    m_activeLocked = 0;
    SetFollowTarget(nullptr);
    m_playerLockedOut = 0;
    m_moveKind = m_rotateKind = m_zoomKind = 0;
    m_blendRunning = 0;
}

void TsCutScene::SetCutSceneActive(bool on)
{
    if (on == (m_active != 0)) {
        return;
    }
    if (on) {
        if (m_camera) {
            m_savedDistance = m_camera->Distance().next;
        }
        if (TsLevelState* level = TsAccess::LevelState()) {
            level->ClearScreenForScene();
        }
    } else {
        if (m_camera) {
            m_camera->Distance().SetNext(m_savedDistance);
        }
        Reset();
    }
    m_active = on ? 1 : 0;
}

float TsCutScene::Activate(float seconds)
{
    const float speed = TsAccess::TickDuration() / seconds;
    if (!m_active && m_camera) {
        m_fovStart = m_fovCurrent = m_camera->GetFieldOfView();
        m_fovTarget = m_sceneFieldOfView;
        m_pitchStart = m_pitchCurrent = m_camera->Pitch().next;
        m_pitchTarget = m_scenePitch;
        m_fovProgress = m_pitchProgress = 0.0f;
        m_fovSpeed = m_pitchSpeed = speed;
        m_blendRunning = 1;
    }
    SetCutSceneActive(true);
    return speed;
}

void TsCutScene::MoveCamera(float x, float y, float z, float seconds, int32_t kind)
{
    if (!m_camera) {
        return;
    }
    const OmVector3 end(x, y, z);
    if (!(seconds > 0.0f)) {
        m_camera->Focus().SetNext(end);
        m_camera->Focus().Advance();
        return;
    }
    m_moveSpeed = Activate(seconds);
    m_moveStart = m_moveCurrent = m_camera->Focus().current;
    m_moveEnd = end;
    m_moveProgress = 0.0f;
    m_moveKind = kind;
}

void TsCutScene::RotateCamera(float turns, float seconds, int32_t kind)
{
    if (!m_camera) {
        return;
    }
    const float angle = turns * OM_TWO_PI;
    if (!(seconds > 0.0f)) {
        // From where the last timed rotation started, not from the heading
        // now: a script that turns in steps of its own lands on the angles it
        // counted.
        m_camera->Heading().SetAll(m_rotateStart + angle);
        return;
    }
    m_rotateSpeed = Activate(seconds);
    m_rotateStart = m_rotateCurrent = Wrap(m_camera->Heading().next);
    m_rotateTarget = m_rotateStart + angle;
    m_rotateDelta = angle;
    m_rotateProgress = 0.0f;
    m_rotateKind = kind;
}

void TsCutScene::RotateCameraTo(float degrees, float seconds, int32_t kind)
{
    if (!m_camera) {
        return;
    }
    const float angle = degrees * kDegrees;
    if (!(seconds > 0.0f)) {
        m_camera->Heading().SetAll(angle);
        return;
    }
    m_rotateSpeed = Activate(seconds);
    m_rotateStart = m_rotateCurrent = Wrap(m_camera->Heading().next);
    m_rotateTarget = angle;
    m_rotateDelta = ShortestDifference(m_rotateStart, angle);
    m_rotateProgress = 0.0f;
    m_rotateKind = kind;
    m_camera->Heading().SetAll(m_rotateStart);
}

void TsCutScene::ZoomCamera(float distance, float seconds, int32_t kind)
{
    if (!m_camera) {
        return;
    }
    if (!(seconds > 0.0f)) {
        m_camera->Distance().SetAll(distance);
        return;
    }
    m_zoomSpeed = Activate(seconds);
    m_zoomStart = m_zoomCurrent = m_camera->Distance().next;
    m_zoomTarget = distance;
    m_zoomProgress = 0.0f;
    m_zoomKind = kind;
}

void TsCutScene::FadeCamera(int32_t kind, float seconds, bool out)
{
    SetCutSceneActive(true);
    m_fader.Start(static_cast<TsFadeKind>(kind), seconds, out, OmColour(0.0f, 0.0f, 0.0f, 1.0f));
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
    if (m_camera) {
        // Whether a move ran this tick: the blend keeps pace with a move of
        // the same length, so it takes its last step with the move's.
        const bool moving = m_moveKind != 0;
        if (m_moveKind) {
            Step(m_moveProgress, m_moveSpeed, m_moveKind);
            m_moveCurrent = m_moveStart + (m_moveEnd - m_moveStart) * m_moveProgress;
            m_camera->Focus().SetNext(m_moveCurrent);
        } else if (m_followTarget) {
            m_camera->Focus().SetNext(m_followTarget->GetPosition());
        }
        if (m_rotateKind) {
            Step(m_rotateProgress, m_rotateSpeed, m_rotateKind);
            m_rotateCurrent = m_rotateStart + m_rotateDelta * m_rotateProgress;
            m_camera->Heading().SetNext(m_rotateCurrent);
        }
        if (m_zoomKind) {
            Step(m_zoomProgress, m_zoomSpeed, m_zoomKind);
            m_zoomCurrent = m_zoomStart + (m_zoomTarget - m_zoomStart) * m_zoomProgress;
            m_camera->Distance().SetNext(m_zoomCurrent);
        }
        if (m_blendRunning && moving) {
            m_fovProgress += m_fovSpeed;
            m_pitchProgress += m_pitchSpeed;
            if (m_fovProgress >= 1.0f || m_pitchProgress > 1.0f) {
                m_blendRunning = 0;
                m_fovProgress = std::min(m_fovProgress, 1.0f);
                m_pitchProgress = std::min(m_pitchProgress, 1.0f);
            }
            m_fovCurrent = m_fovStart + (m_fovTarget - m_fovStart) * m_fovProgress;
            m_camera->SetFieldOfView(m_fovCurrent);
            m_pitchCurrent = m_pitchStart + (m_pitchTarget - m_pitchStart) * m_pitchProgress;
            m_camera->Pitch().SetNext(m_pitchCurrent);
        }
    }
    if (!m_moveKind && !m_rotateKind && !m_zoomKind && m_fader.IsComplete() && !m_activeLocked) {
        SetCutSceneActive(false);
    }
}

void TsCutScene::Tick(uint32_t)
{
    m_fader.Update();
    if (m_active) {
        UpdateTracks();
    }
}

void TsCutScene::Render(float, float fraction)
{
    m_fader.Render(fraction);
}

void TsCutScene::FrameConversation(const OmVector3& p, const OmVector3& v, int32_t mode)
{
    SetupConversationCamera(p, p + v, mode);
}

void TsCutScene::SetupConversationCamera(const OmVector3& p, const OmVector3& q, int32_t mode)
{
    if (!m_camera) {
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
        const float pitch = m_scenePitch;
        const float distance = m_camera->Distance().next;
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
            targetHeading = m_camera->Heading().next;
        }
    }
    // Between two and three seconds, longer the further the camera turns.
    const float turn = std::fabs(ShortestDifference(Wrap(m_camera->Heading().next), targetHeading));
    const float seconds = kShortestTurnSeconds + (kLongestTurnSeconds - kShortestTurnSeconds) * (turn / OM_PI);
    LockActive(true);
    SetPlayerLockedOut(true);
    MoveCamera(focus.x, focus.y, focus.z, seconds, TS_CAMERAMOVE_INTERP);
    RotateCameraTo(targetHeading / kDegrees, seconds, TS_CAMERAMOVE_INTERP);
    ZoomCamera(zoom, seconds, TS_CAMERAMOVE_INTERP);
    if (TsLevelState* level = TsAccess::LevelState()) {
        level->HoldSquad();
    }
}
