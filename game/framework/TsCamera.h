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
    float GetFieldOfView() const { return m_fieldOfView.next; }
    void SetNearPlane(float distance);
    void SetFarPlane(float distance);
    void SetAspect(float aspect) { m_aspect = aspect; }
    float GetAspect() const { return m_aspect; }

    // Holds a reference on the node; null lets go of the old one.
    void SetSceneCamera(OmCamera* camera);
    OmCamera* GetSceneCamera() const { return m_sceneCamera; }

    TsCameraMode GetMode() const { return m_mode; }
    void SetMode(TsCameraMode mode) { m_mode = mode; }
    bool IsActive() const { return m_active != 0; }
    void SetActive(bool active) { m_active = active ? 1 : 0; }

    // The tick values, for the code that steers the camera: write next, and
    // Tick moves it on.
    TsLerpVector& Position() { return m_position; }
    TsLerpFloat& Heading() { return m_heading; }
    TsLerpFloat& Pitch() { return m_pitch; }
    TsLerpFloat& Roll() { return m_roll; }
    TsLerpVector& Focus() { return m_focus; }
    TsLerpFloat& Distance() { return m_distance; }
    const TsLerpVector& Position() const { return m_position; }
    const TsLerpFloat& Heading() const { return m_heading; }
    const TsLerpFloat& Pitch() const { return m_pitch; }
    const TsLerpFloat& Roll() const { return m_roll; }
    const TsLerpVector& Focus() const { return m_focus; }
    const TsLerpFloat& Distance() const { return m_distance; }
    const TsLerpFloat& FieldOfView() const { return m_fieldOfView; }
    int32_t GetProjectionRefresh() const { return m_projectionRefresh; }

    // The orientation of the free and orbit modes: heading about Y, then
    // minus pitch about X, then roll about Z; its third column is the view
    // direction.
    static OmMatrix3 Orientation(float heading, float pitch, float roll);

private:
    void ApplyProjection();

    TsLerpVector m_position;
    TsLerpFloat m_heading;
    TsLerpFloat m_pitch;
    TsLerpFloat m_roll;
    TsLerpVector m_focus;
    TsLerpFloat m_distance;
    OmRef<OmCamera> m_sceneCamera;
    TsCameraMode m_mode = TS_CAMERA_FREE;
    uint8_t m_active = 0;
    TsLerpFloat m_fieldOfView;
    int32_t m_projectionRefresh = 0;
    float m_aspect = kDefaultAspect;
};
