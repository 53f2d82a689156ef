// A vertical cylinder placed by a level's scripts that runs a script
// function when a suitable entity touches it: the function gets the
// trigger's name and the toucher's name.
#pragma once

#include <cstdint>

#include "engine/OmString.h"
#include "game/framework/TsEntity.h"

class TsTriggerObject : public TsEntity {
    OM_DECLARE_CLASS(TsTriggerObject)

    // When a touch fires, by activation type.
    enum Activation : uint32_t {
        kFireInside = 0,  // the toucher is inside the radius
        kFireOutside = 1, // it touches but is not inside
    };
    // Who may fire it, by accept type; other values accept every toucher.
    enum Accept : uint32_t {
        kAcceptAny = 0,
        kAcceptNpc = 1,
        kAcceptPc = 2,
        kAcceptCurrentCharacter = 3,
    };

    TsTriggerObject();
    explicit TsTriggerObject(OmArchive& archive) : TsEntity(archive) {}

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    void Render(float renderTime, float fraction) override;
    void OnTouch(TsEntity* other, float separation) override;

    // Whether other may fire the trigger now, and whether the touch fires
    // it by the activation type; OnTouch runs the script when both hold.
    bool Accepts(const TsEntity* other) const;
    bool Fires(const TsEntity& other) const;

    void SetTriggerScript(const char* name) { m_triggerScript.Set(name); }
    const char* GetTriggerScript() const { return m_triggerScript.Get(); }
    bool IsActive() const { return m_active != 0; }
    void SetActive(bool active) { m_active = active ? 1 : 0; }
    uint32_t GetActivationType() const { return m_activationType; }
    void SetActivationType(uint32_t type) { m_activationType = type; }
    uint32_t GetAcceptType() const { return m_acceptType; }
    void SetAcceptType(uint32_t type) { m_acceptType = type; }
    // An exit trigger reaches as far below its placed point as above.
    void SetExitTrigger(bool exit);

    // The level's debug switch that shows every trigger as a wire cylinder.
    static void SetShown(bool shown) { s_shown = shown; }
    static bool IsShown() { return s_shown; }

private:
    static bool s_shown;

    uint8_t m_active = 1;
    uint32_t m_activationType = kFireInside;
    uint32_t m_acceptType = kAcceptAny;
    OmString m_triggerScript;
};
