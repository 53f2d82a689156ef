// A weapon: the collectible that characters carry and fire. It holds two
// attribute blocks, primary and secondary, of which its mode picks one, and
// three fire paths: a melee sweep that strikes the characters in a cone in
// front of the wielder after a short delay, an aimed ranged shot stopped by
// the world, and a shot at a target that launches without a world test. The
// ranged paths spend the wielder's ammunition and launch projectiles. The
// wielder is the collectible's owner (a character); the character decides
// when to fire, the weapon whether it can and what it sends out.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/framework/TsCountdown.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsWeaponAttributes.h"

class TsCharacterObject;
class TsProjectile;

enum TsWeaponSound : int32_t {
    TS_WEAPON_SOUND_PRIMARY = 0,
    TS_WEAPON_SOUND_SECONDARY = 1,
    TS_WEAPON_SOUND_STARTLOOP = 2,
    TS_WEAPON_SOUND_LOOP = 3,
    TS_WEAPON_SOUND_ENDLOOP = 4,
    TS_WEAPON_SOUND_NOAMMO = 5,
    TS_WEAPON_SOUND_DROPPING = 6,
    TS_WEAPON_SOUND_PRIMARY_IMPACT = 7,
    TS_WEAPON_SOUND_SECONDARY_IMPACT = 8,
    TS_NUM_WEAPON_SOUNDS = 9,
};

class TsWeaponObject : public TsCollectibleObject {
    OM_DECLARE_CLASS(TsWeaponObject)

    static constexpr int32_t kMaxSoundId = 239;
    static constexpr float kReachFactor = 5.0f;
    static constexpr float kMeleeDelaySeconds = 0.4f;
    static constexpr int32_t kFlameSound = 195;
    static constexpr int32_t kNoAmmoRepeat = 10;
    // The hidden mode in which ranged weapons need no ammunition.
    static constexpr int32_t kFreeAmmoMode = 4;

    TsWeaponObject();
    explicit TsWeaponObject(OmArchive& archive);
    ~TsWeaponObject() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void AutoUse() override {}

    // The fire paths, from an origin along a unit direction.
    bool FireMelee(const OmVector3& origin, const OmVector3& direction);
    bool FireRanged(const OmVector3& origin, const OmVector3& direction);
    bool FireAt(const OmVector3& origin, const OmVector3& direction, TsEntity* target);
    // The ammunition a shot spends (0: it cannot fire now); starts the
    // reload countdown.
    int32_t ConsumeAmmo();

    void SetBimodal(bool bimodal) { m_bimodal = bimodal; }
    bool IsBimodal() const { return m_bimodal; }
    void SetMode(bool secondary) { m_secondary = secondary; }
    bool ToggleMode() { m_secondary = !m_secondary; return m_secondary; }
    bool IsSecondary() const { return m_secondary; }
    TsWeaponAttributes& Attributes(bool secondary) { return secondary ? m_secondaryAttributes : m_primaryAttributes; }
    const TsWeaponAttributes& Attributes(bool secondary) const
    {
        return secondary ? m_secondaryAttributes : m_primaryAttributes;
    }
    TsWeaponAttributes& Current() { return Attributes(m_secondary); }
    const TsWeaponAttributes& Current() const { return Attributes(m_secondary); }
    TsWeaponType GetCurrentWeaponType() const { return Current().weaponType; }
    void SetMuzzleOffset(float x, float y, float z) { m_muzzleOffset.Set(x, y, z); }
    const OmVector3& GetMuzzleOffset() const { return m_muzzleOffset; }
    // Stores a sound id 0..239 (-1 clears) in a slot 0..8; anything else is
    // refused with a logged error. False when refused.
    bool FlagSoundForLoading(int32_t slot, int32_t soundId);
    int32_t GetSound(int32_t slot) const;

    int32_t GetReloadCountdown() const { return m_reloadCountdown.Get(); }
    void SetReloadCountdown(int32_t ticks) { m_reloadCountdown.Set(ticks); }
    int32_t GetHitCountdown() const { return m_hitCountdown.Get(); }
    bool HasFired() const { return m_fired; }
    const TsAttack* GetPendingAttack() const { return m_pendingAttack; }
    bool HasLoopVoice() const { return m_loopVoice != 0; }
    // The reload of the current block in whole ticks.
    int32_t ReloadTicks() const;

    // The shared out-of-ammunition counter (the first empty click speaks).
    static int32_t GetNoAmmoCounter() { return s_noAmmoCounter; }
    static void ResetNoAmmoCounter() { s_noAmmoCounter = 0; }
    // Forgets a shot or blow under way: ready to fire, nothing pending,
    // its loop silent (a character's state reset between levels).
    void ResetAttack();
    // Silences the loop of continuous fire. A weapon put away is no longer
    // ticked, so its own "not fired this tick" rule cannot do it then.
    void StopLoop();

private:
    TsCharacterObject* Wielder() const;
    int32_t ImpactSound() const;
    // A projectile of the current block's type set up at origin; null when
    // the type is not one of the 32 or the pool is exhausted.
    TsProjectile* MakeProjectile(const OmVector3& origin, const OmVector3& direction, int32_t spent);
    void OutOfAmmo();
    void PlaySlot(int32_t slot, const OmVector3& at) const;

    bool m_fired = false;
    bool m_bimodal = false;
    bool m_secondary = false;
    // It may fall below 0, but not past what the count holds: a reload a
    // script set hugely negative must not wrap it.
    TsCountdown<INT32_MIN> m_reloadCountdown;
    OmVector3 m_muzzleOffset;
    TsWeaponAttributes m_primaryAttributes;
    TsWeaponAttributes m_secondaryAttributes;
    OmRef<TsAttack> m_pendingAttack;
    TsCountdown<-1> m_hitCountdown{-1}; // rests at -1 once its blow has landed
    uint32_t m_loopVoice = 0;            // not saved
    int32_t m_sounds[TS_NUM_WEAPON_SOUNDS] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};

    static int32_t s_noAmmoCounter;
};
