// Animates one of the world's lights: a flicker or a slow or fast pulse
// scales the light's colour each tick, blended between ticks as it is
// drawn. The effect may name a bound volume it belongs to.
#pragma once

#include <cstdint>

#include "engine/OmMaxLight.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "game/framework/TsLerp.h"
#include "game/framework/TsObject.h"
#include "game/objects/TsBoundObject.h"
#include "game/objects/TsWaveTrack.h"


class TsLightEffectObject : public TsObject {
    OM_DECLARE_CLASS(TsLightEffectObject)

    enum Effect : uint32_t {
        CONSTANT = 0,
        FLICKER1 = 1,
        SLOW_PULSE = 2,
        FAST_PULSE = 3,
    };

    TsLightEffectObject() = default;
    explicit TsLightEffectObject(OmArchive& archive) : TsObject(archive) {}
    ~TsLightEffectObject() override;

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // Finds the light (and the bound volume, when named); a missing one is
    // logged and the effect runs without it.
    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;

    void SetLight(const char* name) { m_lightName.Set(name); }
    const char* GetLightName() const { return m_lightName.Get(); }
    void SetBound(const char* name) { m_boundObjectName.Set(name); }
    const char* GetBoundName() const { return m_boundObjectName.Get(); }
    // Loads the effect's wave and shows its first value.
    void SetEffect(uint32_t effect);
    uint32_t GetEffect() const { return m_effect; }
    void TriggerEffect() { m_track.Restart(); }
    void SetSwitch(bool on);
    // Flips the light's switch; the new state, false without a light.
    bool ToggleSwitch();

    OmMaxLight* GetLightObject() const { return m_light; }
    TsBoundObject* GetBoundObject() const { return m_boundObject; }
    const TsWaveTrack& GetTrack() const { return m_track; }
    float GetIntensity() const { return m_intensity.current; }
    // The wave's value at time t for the current effect.
    float Evaluate(float t);

private:
    void SetLightObject(OmMaxLight* light);
    void SetBoundObject(TsBoundObject* bound);

    uint32_t m_effect = CONSTANT;
    OmString m_lightName;
    OmString m_boundObjectName;
    OmRef<TsBoundObject> m_boundObject;
    OmRef<OmMaxLight> m_light;
    TsWaveTrack m_track;
    TsLerpFloat m_intensity;
};
