// A lever, button or panel that characters use: dynamic geometry that
// toggles between off and on. Each change runs a script and a list of
// switch actions (open, close, lock or unlock doors, wait, play a sound,
// call a script, move the switch); a disabled switch runs its deactivate
// list instead and stays as it was. Characters stand on its hotspot, a
// walkable point in front of it, to use it.
#pragma once

#include <cfloat>
#include <cstdint>

#include "engine/OmString.h"
#include "game/objects/TsDynGeometry.h"
#include "game/objects/TsSwitchAction.h"

class TsSwitchObject : public TsDynGeometry {
    OM_DECLARE_CLASS(TsSwitchObject)

    enum State : int32_t { kIdle = 0, kActivating = 1, kDeactivating = 2, kRefused = 3 };
    enum Motion : int32_t { kNoMotion = 0, kMotionUp = 1, kMotionDown = 2, kMotionSpin = 3 };
    static constexpr int32_t kMaxKeys = 4;
    // A motion lasts two seconds.
    static constexpr float kMotionSeconds = 2.0f;
    static constexpr float kHotspotReach = 2.0f;
    static constexpr float kHotspotRadius = 1.0f;

    TsSwitchObject();
    explicit TsSwitchObject(OmArchive& archive);
    ~TsSwitchObject() override;

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    void OnTouch(TsEntity* other, float separation) override;
    // On and idle: deactivates; off and idle: activates.
    void Use(TsCharacterObject* user) override;
    int32_t CurrentOverlayIndex() const override { return kClosedOverlay; }

    // ---- script operations ----
    void SetActivateAnim(int32_t kind) { m_activateMotion = kind; }
    void SetDeactivateAnim(int32_t kind) { m_deactivateMotion = kind; }
    void ActivateSwitch();
    void DeactivateSwitch();
    // "%s()" of the name as the activate script and the deactivate script;
    // a name that is not an identifier is refused (logged).
    void SetActivateScript(const char* name);
    void SetDeactivateScript(const char* name);
    void SetDisabled(bool disabled) { m_disabled = disabled ? 1 : 0; }
    bool IsDisabled() const { return m_disabled != 0; }
    const OmVector3& GetHotspot();
    void AddActivateActionText(const char* line) { m_activateActions.AddLine(line); }
    void AddDeactivateActionText(const char* line) { m_deactivateActions.AddLine(line); }
    static void _DebugSwitches(bool on) { s_debug = on; }

    // Blank-separated key names, read at Initialise (four at most).
    void SetKeyText(const char* text) { m_keyText.Set(text); }
    int32_t GetKeyCount() const { return m_keyCount; }
    const char* GetKeyName(int32_t i) const
    {
        return i >= 0 && i < m_keyCount && i < kMaxKeys ? m_keyNames[i].Get() : nullptr;
    }

    int32_t GetState() const { return m_state; }
    // Actions that fail put the switch back to idle at once.
    void SetState(int32_t state) { m_state = state; }
    bool IsOn() const { return m_on != 0; }
    int32_t GetMotionFor(int32_t state) const;
    // The motion of the present state (0 when idle).
    int32_t GetCurrentMotion() const { return GetMotionFor(m_state); }
    float GetMotionProgress() const { return m_motionProgress; }
    const char* GetActivateScript() const { return m_activateScript.Get(); }
    const char* GetDeactivateScript() const { return m_deactivateScript.Get(); }
    TsSwitchActionList& GetActivateActions() { return m_activateActions; }
    TsSwitchActionList& GetDeactivateActions() { return m_deactivateActions; }
    // Moves the switch itself (translation actions).
    void MoveBy(const OmVector3& delta) { m_position += delta; }

    // Level import: every switch's hotspot, with the pathfinder centred on it.
    static void CalculateHotspots();
    void CalculateHotspot();

private:
    void StartMotion(int32_t kind);
    // An idle switch starts the way asked, or refuses while disabled.
    void Throw(int32_t motion, int32_t state, const OmString& script);
    // True when the motion of the present state has finished.
    bool AdvanceMotion();
    void RunScript(const OmString& script);
    void ParseKeys();
    // Runs a list and finishes the state when it and the motion are done.
    void TickList(TsSwitchActionList& list, int32_t runningState, int32_t onWhenDone);

    static bool s_debug;

    int32_t m_state = kIdle;
    uint8_t m_on = 0;
    uint8_t m_disabled = 0;
    OmString m_activateScript;
    OmString m_deactivateScript;
    OmVector3 m_hotspot{FLT_MAX, FLT_MAX, FLT_MAX};
    int32_t m_activateMotion = kNoMotion;
    int32_t m_deactivateMotion = kNoMotion;
    TsSwitchActionList m_activateActions;
    TsSwitchActionList m_deactivateActions;
    OmString m_keyNames[kMaxKeys];
    int32_t m_keyCount = 0;
    OmString m_keyText;
    OmVector3 m_motionDirection;
    OmVector3 m_motionSpin;
    float m_motionProgress = 0.0f;
    float m_motionStep = 1.0f;
    uint32_t m_spareWords[2] = {0, 0}; // kept in saved games; nothing reads them
};
