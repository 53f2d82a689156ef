// Dynamic geometry that opens and closes: four sliding kinds and one that
// pivots, lockable, optionally paired with a buddy door that moves with it,
// opened by characters coming near and closed again when they have gone.
// Switch actions and scripts open and close doors with force.
#pragma once

#include <cstdint>

#include "engine/OmMath.h"
#include "engine/OmString.h"
#include "game/framework/TsLink.h"
#include "game/objects/TsDynGeometry.h"

class TsSwitchObject;

enum eDoorType : int32_t {
    eDoorType_LeftSlider = 0,
    eDoorType_RightSlider = 1,
    eDoorType_UpSlider = 2,
    eDoorType_DownSlider = 3,
    eDoorType_Pivoting = 4,
    eDoorTypes = 5,
};

class TsDoorObject : public TsDynGeometry {
    OM_DECLARE_CLASS(TsDoorObject)

    enum Transition : int32_t { kStill = 0, kClosing = 1, kOpening = 2 };
    static constexpr int32_t kMaxDependentSwitches = 8;
    // Touching characters nearer than this want the door open; farther
    // than the far reach they let it close.
    static constexpr float kOpenReach = 8.0f;
    static constexpr float kCloseReach = 15.0f;
    static constexpr float kPivotAngle = OM_HALF_PI;
    // Below this a door speed would never finish (or run backwards).
    static constexpr float kMinimumSpeed = 0.01f;
    // Party members are told to re-plan this many ticks after a door shuts.
    static constexpr int32_t kReplanTicks = 10;

    struct DependentSwitch {
        TsLink<TsSwitchObject> switchObject;
        uint8_t on = 0;
    };

    TsDoorObject();
    explicit TsDoorObject(OmArchive& archive);
    ~TsDoorObject() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // The base's, then the buddy is found by name.
    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    void OnTouch(TsEntity* other, float separation) override;
    // A character that uses a door wants it open, as one standing at it.
    void Use(TsCharacterObject* user) override;
    // An open door never blocks.
    bool TestSegment(const OmVector3& start, const OmVector3& end, TsWorldHit& hit) override;
    int32_t CurrentOverlayIndex() const override;

    // ---- script operations ----
    void SetDoorType(int32_t type) { m_doorType = type; }
    int32_t GetDoorType() const { return m_doorType; }
    void SetLock(bool locked) { m_locked = locked ? 1 : 0; }
    bool IsLocked() const { return m_locked != 0; }
    void SetBuddy(const char* name) { m_buddyName.Set(name); }
    bool OpenDoor(bool force = false);
    bool CloseDoor(bool force = false, bool buddyForce = false);
    bool IsOpen() const { return m_open != 0; }
    void SetDoorSpeed(float speed) { m_doorSpeed = speed; }
    float GetDoorSpeed() const { return m_doorSpeed; }
    int32_t GetTransitionState() const { return m_transition; }

    // Pairs "switch-name 0|1" separated by blanks, read at Initialise.
    void SetDependentSwitchText(const char* text) { m_dependentSwitchText.Set(text); }
    int32_t GetDependentSwitchCount() const { return m_dependentSwitchCount; }
    const DependentSwitch& GetDependentSwitch(int32_t i) const { return m_dependentSwitches[i]; }

    bool WantsOpen() const { return m_wantOpen != 0; }
    TsDoorObject* GetBuddy() const { return m_buddy; }
    float GetProgress() const { return m_progress; }
    float GetStep() const { return m_step; }
    const OmVector3& GetTravel() const { return m_travel; }
    float GetPivotAngle() const { return m_pivotAngle; }

    // Level start: every closed door's overlay goes onto the AI map at once.
    static void ApplyClosedOverlays();
    // The sound a door type plays on opening; -1 for a type out of range.
    static int32_t OpenSoundOf(int32_t doorType);

protected:
    void FillOverlay(uint32_t index, TsTileOverlay& overlay) override;

private:
    void BeginTransition(int32_t transition);
    void ParseDependentSwitches();
    void SetTravelByType();
    void UpdateMovement();
    // The nearest active character's separation, passed to OnTouch.
    void SenseCharacters();
    void StopPartyForClosing();

    int32_t m_doorType = eDoorType_UpSlider;
    uint8_t m_locked = 0;
    uint8_t m_open = 0;
    int32_t m_transition = kStill;
    float m_progress = 0.0f;
    float m_step = 1.0f;
    float m_doorSpeed = 0.25f;
    OmVector3 m_startPosition;
    OmVector3 m_travel;
    float m_pivotAngle = 0.0f;
    TsLink<TsDoorObject> m_buddy;
    uint8_t m_wantOpen = 0;
    DependentSwitch m_dependentSwitches[kMaxDependentSwitches];
    int32_t m_dependentSwitchCount = 0;
    OmString m_buddyName;
    OmString m_dependentSwitchText;

    // Not saved: a door that nearby characters opened closes when they
    // leave; one opened by force stays until closed. Rebuilt after loading.
    uint8_t m_openedByApproach = 0;
    // The heading of the closed door, which a pivoting door swings from.
    float m_closedHeading = 0.0f;
};
