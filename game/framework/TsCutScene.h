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
    void SetCamera(TsCamera* camera) { camera_ = camera; }
    TsCamera* GetCamera() const { return camera_; }
    // The framing the blend aims at (the level's values by default).
    void SetSceneFraming(float fieldOfView, float pitch);

    void SetCutSceneActive(bool on);
    bool IsCutSceneActive() const { return active_ != 0; }
    // Holds a reference on the target while it is followed; null stops.
    void SetFollowTarget(TsEntity* target);
    TsEntity* GetFollowTarget() const { return followTarget_; }

    // Timed tracks: seconds of 0 or less apply the value at once.
    void MoveCamera(float x, float y, float z, float seconds, int32_t kind);
    // turns is a fraction of a full turn, relative.
    void RotateCamera(float turns, float seconds, int32_t kind);
    // degrees is an absolute heading, reached the short way round.
    void RotateCameraTo(float degrees, float seconds, int32_t kind);
    void ZoomCamera(float distance, float seconds, int32_t kind);
    // out = true fades to opaque black, false from it.
    void FadeCamera(int32_t kind, float seconds, bool out);

    void SetPlayerLockedOut(bool locked) { playerLockedOut_ = locked ? 1 : 0; }
    bool IsPlayerLockedOut() const { return playerLockedOut_ != 0; }
    void LockActive(bool locked) { activeLocked_ = locked ? 1 : 0; }
    bool IsActiveLocked() const { return activeLocked_ != 0; }
    bool IsCameraMoving() const { return moveKind_ != 0; }
    bool IsCameraRotating() const { return rotateKind_ != 0; }
    bool IsCameraZooming() const { return zoomKind_ != 0; }
    bool IsBlending() const { return blendRunning_ != 0; }
    bool IsFadeComplete() const { return fader_.IsComplete(); }
    void StopRenderingFader() { fader_.StopRendering(); }
    TsFader& GetFader() { return fader_; }

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

    uint8_t active_ = 0;
    uint8_t activeLocked_ = 0;
    OmRef<TsEntity> followTarget_;
    uint8_t playerLockedOut_ = 0;

    OmVector3 moveStart_, moveEnd_, moveCurrent_;
    float moveProgress_ = 0.0f;
    float moveSpeed_ = 0.0f;
    int32_t moveKind_ = 0;

    float rotateStart_ = 0.0f;
    float rotateTarget_ = 0.0f;
    float rotateCurrent_ = 0.0f;
    float rotateDelta_ = 0.0f;
    float rotateProgress_ = 0.0f;
    float rotateSpeed_ = 0.0f;
    int32_t rotateKind_ = 0;

    float savedDistance_ = 0.0f;

    float zoomStart_ = 0.0f;
    float zoomTarget_ = 0.0f;
    float zoomCurrent_ = 0.0f;
    float zoomProgress_ = 0.0f;
    float zoomSpeed_ = 0.0f;
    int32_t zoomKind_ = 0;

    float fovStart_ = 0.0f, fovTarget_ = 0.0f, fovCurrent_ = 0.0f, fovProgress_ = 0.0f, fovSpeed_ = 0.0f;
    float pitchStart_ = 0.0f, pitchTarget_ = 0.0f, pitchCurrent_ = 0.0f, pitchProgress_ = 0.0f,
          pitchSpeed_ = 0.0f;
    uint8_t blendRunning_ = 0;

    TsFader fader_;

    TsCamera* camera_ = nullptr;
    float sceneFieldOfView_ = kSceneFieldOfView;
    float scenePitch_ = kScenePitch;
};
