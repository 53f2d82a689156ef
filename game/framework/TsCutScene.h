// The level's cut-scene director: scripted and conversation camera work on
// the mode's TsCamera. Timed tracks move the focus, turn the heading and
// change the distance one step per tick; entering a scene also blends the
// field of view and pitch to the scene's framing; a followed entity keeps
// the focus on itself; the fader covers the screen. The scene ends itself
// once nothing runs and nothing holds it open.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/framework/TsFader.h"
#include "game/framework/TsObject.h"

class TsCamera;
class TsEntity;

// Motion profiles of the tracks (every non-zero profile moves linearly).
enum TsCameraMoveKind : int32_t {
    TS_CAMERAMOVE_NONE = 0,
    TS_CAMERAMOVE_INTERP = 1,
    TS_CAMERAMOVE_ACCEL = 2,
    TS_CAMERAMOVE_SINE = 3,
};

class TsCutScene : public TsObject {
    OM_DECLARE_CLASS(TsCutScene)

    // The framing a scene blends to when it starts: the level's widest
    // field of view and the elevation of its lowest zoom step.
    static constexpr float kSceneFieldOfView = 35.0f * 3.14159265f / 180.0f;
    static constexpr float kScenePitch = 30.0f * 3.14159265f / 180.0f;

    TsCutScene();
    explicit TsCutScene(OmArchive& archive);
    ~TsCutScene() override;

    // The fader moves on; the tracks run while the scene is active.
    void Tick(uint32_t tickCount) override;
    // The fader draws.
    void Render(float renderTime, float fraction) override;

    // The camera the scene drives (the mode's); null drives nothing. Not
    // saved: the owner sets it again after loading.
    void SetCamera(TsCamera* camera) { m_camera = camera; }
    TsCamera* GetCamera() const { return m_camera; }
    // The framing the blend aims at (the level's values by default).
    void SetSceneFraming(float fieldOfView, float pitch);

    void SetCutSceneActive(bool on);
    bool IsCutSceneActive() const { return m_active != 0; }
    // Holds a reference on the target while it is followed; null stops.
    void SetFollowTarget(TsEntity* target);
    TsEntity* GetFollowTarget() const { return m_followTarget; }

    // Timed tracks: seconds of 0 or less apply the value at once.
    void MoveCamera(float x, float y, float z, float seconds, int32_t kind);
    // turns is a fraction of a full turn, relative.
    void RotateCamera(float turns, float seconds, int32_t kind);
    // degrees is an absolute heading, reached the short way round.
    void RotateCameraTo(float degrees, float seconds, int32_t kind);
    void ZoomCamera(float distance, float seconds, int32_t kind);
    // out = true fades to opaque black, false from it.
    void FadeCamera(int32_t kind, float seconds, bool out);

    void SetPlayerLockedOut(bool locked) { m_playerLockedOut = locked ? 1 : 0; }
    bool IsPlayerLockedOut() const { return m_playerLockedOut != 0; }
    void LockActive(bool locked) { m_activeLocked = locked ? 1 : 0; }
    bool IsActiveLocked() const { return m_activeLocked != 0; }
    bool IsCameraMoving() const { return m_moveKind != 0; }
    bool IsCameraRotating() const { return m_rotateKind != 0; }
    bool IsCameraZooming() const { return m_zoomKind != 0; }
    bool IsBlending() const { return m_blendRunning != 0; }
    bool IsFadeComplete() const { return m_fader.IsComplete(); }
    void StopRenderingFader() { m_fader.StopRendering(); }
    TsFader& GetFader() { return m_fader; }

    // Frames a conversation between the speaker at p and the point q: the
    // mode picks the side (0, 2), centres on p (1) or, with 3, searches
    // eight directions for an unobstructed view.
    void SetupConversationCamera(const OmVector3& p, const OmVector3& q, int32_t mode);
    void FrameConversation(const OmVector3& p, const OmVector3& v, int32_t mode);

    // Clears active, the lock, the follow target, the lockout, the tracks
    // and the blend.
    void Reset();
    // One tick of the tracks and the blend; turns the scene off when
    // nothing runs.
    void UpdateTracks();

    // Angles: wrap into [0, 2 pi); the signed turn from a to b the short
    // way round.
    static float Wrap(float a);
    static float ShortestDifference(float a, float b);

private:
    // Turns the scene on for a track of the given length and starts the
    // framing blend when it was off; the speed of a track of that length.
    float Activate(float seconds);
    static void Step(float& progress, float speed, int32_t& kind);

    uint8_t m_active = 0;
    uint8_t m_activeLocked = 0;
    OmRef<TsEntity> m_followTarget;
    uint8_t m_playerLockedOut = 0;

    OmVector3 m_moveStart, m_moveEnd, m_moveCurrent;
    float m_moveProgress = 0.0f;
    float m_moveSpeed = 0.0f;
    int32_t m_moveKind = 0;

    float m_rotateStart = 0.0f;
    float m_rotateTarget = 0.0f;
    float m_rotateCurrent = 0.0f;
    float m_rotateDelta = 0.0f;
    float m_rotateProgress = 0.0f;
    float m_rotateSpeed = 0.0f;
    int32_t m_rotateKind = 0;

    float m_savedDistance = 0.0f;

    float m_zoomStart = 0.0f;
    float m_zoomTarget = 0.0f;
    float m_zoomCurrent = 0.0f;
    float m_zoomProgress = 0.0f;
    float m_zoomSpeed = 0.0f;
    int32_t m_zoomKind = 0;

    float m_fovStart = 0.0f, m_fovTarget = 0.0f, m_fovCurrent = 0.0f, m_fovProgress = 0.0f, m_fovSpeed = 0.0f;
    float m_pitchStart = 0.0f, m_pitchTarget = 0.0f, m_pitchCurrent = 0.0f, m_pitchProgress = 0.0f,
          m_pitchSpeed = 0.0f;
    uint8_t m_blendRunning = 0;

    TsFader m_fader;

    TsCamera* m_camera = nullptr;
    float m_sceneFieldOfView = kSceneFieldOfView;
    float m_scenePitch = kScenePitch;
};
