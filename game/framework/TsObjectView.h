// The developer's object viewer: imported models, characters and their
// animations in an empty scene under one light, seen through a camera the
// mouse orbits and pans, with an overlay of viewing figures.
#pragma once

#include <cstdint>

#include "engine/OmLight.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/framework/TsGameMode.h"


class TsObjectView : public TsGameMode {
    OM_DECLARE_CLASS(TsObjectView)

    TsObjectView();
    explicit TsObjectView(OmArchive& archive);
    ~TsObjectView() override;

    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    TsModeType GetModeType() const override { return TS_MODE_OBJECT_VIEW; }

    // The mode factory the application builds it with.
    static TsGameMode* Create();

    // The camera's frame as the mouse left it.
    const OmVector3& GetCameraPosition() const { return m_position; }
    const OmVector3& GetCameraTarget() const { return m_target; }
    const OmVector3& GetUp() const { return m_up; }
    bool IsOrbitingOrigin() const { return m_orbitOrigin != 0; }
    OmLight* GetLight() const { return m_light; }

private:
    void Construct();
    void ResetView();
    void Orbit(float dx, float dy);
    void Pan(float dx, float dy);
    void ApplyView();

    OmVector3 m_position;
    OmVector3 m_target;
    OmVector3 m_up;
    int32_t m_lastCursorX = 0;
    int32_t m_lastCursorY = 0;
    uint8_t m_orbitOrigin = 1;
    uint8_t m_secondView = 0;
    uint8_t m_gWasDown = 0;
    OmRef<OmLight> m_light;
};
