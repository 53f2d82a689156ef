// The game camera. Its values change once per game tick and are blended by
// the frame's fraction when drawn, so motion stays smooth at any frame rate.
// Render writes the blend into the engine camera node and applies it to the
// renderer. Each game mode owns one (named "main_camera"); the level's cut
// scene and the player's controls drive it.
#pragma once

#include <cstdint>

#include "engine/OmCamera.h"
#include "engine/OmMatrix3.h"
#include "engine/OmRef.h"
#include "game/framework/TsLerp.h"
#include "game/framework/TsObject.h"


enum TsCameraMode : int32_t {
    TS_CAMERA_FREE = 0,    // at the position, turned by heading, pitch and roll
    TS_CAMERA_ORBIT = 1,   // distance back from the focus along the view axis
    TS_CAMERA_LOOK_AT = 2, // at the position, looking at the focus
    TS_CAMERA_OWNER = 3,   // the owner sets the engine camera's frame itself
};

class TsCamera : public TsObject {
    OM_DECLARE_CLASS(TsCamera)

    static constexpr float kDefaultAspect = 0.75f;

    TsCamera();
    explicit TsCamera(OmArchive& archive);
    ~TsCamera() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // When active: every value moves on by one tick.
    void Tick(uint32_t tickCount) override;
    // When active: Update with the fraction, then the renderer takes the
    // engine camera.
    void Render(float renderTime, float fraction) override;

    // Blends the values by t and writes them into the engine camera.
    void Update(float t);
    // Active, with every value at its next value (nothing left to blend).
    void Snap();

    void SetFieldOfView(float radians);
    float GetFieldOfView() const { return fieldOfView_.next; }
    void SetNearPlane(float distance);
    void SetFarPlane(float distance);
    void SetAspect(float aspect) { aspect_ = aspect; }
    float GetAspect() const { return aspect_; }

    // Holds a reference on the node; null lets go of the old one.
    void SetSceneCamera(OmCamera* camera);
    OmCamera* GetSceneCamera() const { return sceneCamera_; }

    TsCameraMode GetMode() const { return mode_; }
    void SetMode(TsCameraMode mode) { mode_ = mode; }
    bool IsActive() const { return active_ != 0; }
    void SetActive(bool active) { active_ = active ? 1 : 0; }

    // The tick values, for the code that steers the camera: write next, and
    // Tick moves it on.
    TsLerpVector& Position() { return position_; }
    TsLerpFloat& Heading() { return heading_; }
    TsLerpFloat& Pitch() { return pitch_; }
    TsLerpFloat& Roll() { return roll_; }
    TsLerpVector& Focus() { return focus_; }
    TsLerpFloat& Distance() { return distance_; }
    const TsLerpVector& Position() const { return position_; }
    const TsLerpFloat& Heading() const { return heading_; }
    const TsLerpFloat& Pitch() const { return pitch_; }
    const TsLerpFloat& Roll() const { return roll_; }
    const TsLerpVector& Focus() const { return focus_; }
    const TsLerpFloat& Distance() const { return distance_; }
    const TsLerpFloat& FieldOfView() const { return fieldOfView_; }
    int32_t GetProjectionRefresh() const { return projectionRefresh_; }

    // The orientation of the free and orbit modes: heading about Y, then
    // minus pitch about X, then roll about Z; its third column is the view
    // direction.
    static OmMatrix3 Orientation(float heading, float pitch, float roll);

private:
    void ApplyProjection();

    TsLerpVector position_;
    TsLerpFloat heading_;
    TsLerpFloat pitch_;
    TsLerpFloat roll_;
    TsLerpVector focus_;
    TsLerpFloat distance_;
    OmRef<OmCamera> sceneCamera_;
    TsCameraMode mode_ = TS_CAMERA_FREE;
    uint8_t active_ = 0;
    TsLerpFloat fieldOfView_;
    int32_t projectionRefresh_ = 0;
    float aspect_ = kDefaultAspect;
};
