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
    const OmVector3& GetCameraPosition() const { return position_; }
    const OmVector3& GetCameraTarget() const { return target_; }
    const OmVector3& GetUp() const { return up_; }
    bool IsOrbitingOrigin() const { return orbitOrigin_ != 0; }
    OmLight* GetLight() const { return light_; }

private:
    void Construct();
    void ResetView();
    void Orbit(float dx, float dy);
    void Pan(float dx, float dy);
    void ApplyView();

    OmVector3 position_;
    OmVector3 target_;
    OmVector3 up_;
    int32_t lastCursorX_ = 0;
    int32_t lastCursorY_ = 0;
    uint8_t orbitOrigin_ = 1;
    uint8_t secondView_ = 0;
    uint8_t gWasDown_ = 0;
    OmRef<OmLight> light_;
};
