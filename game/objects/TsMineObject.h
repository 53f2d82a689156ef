// A placed, animated mine. A touch arms it and it counts down; a shot or a
// blow sets it off at once. It then hits every other entity within its
// projectile type's explosion range, harder the closer they stand, spawns
// that type's explosion and plays the blast, and is removed.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "engine/OmSkinShape.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsModel.h"

struct TsProjectileAttributes;

class TsMineObject : public TsModel {
    OM_DECLARE_CLASS(TsMineObject)

    static constexpr int32_t kArmingSound = 226;    // AID_TRIGGER_BODYSLIDER
    static constexpr int32_t kExplosionSound = 160; // AID_WEAPON_LARGEEXPLOSION
    static constexpr int32_t kAnimStand = 1;
    static constexpr int32_t kAnimDie = 34;
    // Defaults for a mine that its script does not set up fully.
    static constexpr float kDefaultDelaySeconds = 2.5f;
    static constexpr float kDefaultDamage = 10.0f;

    TsMineObject();
    explicit TsMineObject(OmArchive& archive) : TsModel(archive) {}
    ~TsMineObject() override;

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool Import() override { return true; }
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    bool OnTimer(TsTimerEntry&) override { return true; }
    void OnTouch(TsEntity* other, float separation) override;
    void OnHit(TsAttack& attack) override;
    bool LoadModel(const char* directory) override;

    void SetAnimationClass(int32_t animationClass) { m_animationClass = animationClass; }
    int32_t GetAnimationClass() const { return m_animationClass; }
    void SetDetonationDelay(float seconds);
    void SetProjectileID(int32_t id) { m_projectileId = id; }
    int32_t GetProjectileID() const { return m_projectileId; }
    void SetDamage(float damage) { m_damage = damage; }
    float GetDamage() const { return m_damage; }
    void SetMatterType(int32_t type) { m_matterType = static_cast<TsMatterType>(type); }
    TsMatterType GetMatterType() const { return m_matterType; }

    bool IsTriggered() const { return m_triggered; }
    int32_t GetCountdownTicks() const { return m_countdownTicks; }
    OmSkinShape* GetShape() const { return m_shape; }

    // Hits every entity in range, spawns the explosion and marks the mine
    // for deletion.
    void Detonate();

private:
    void UpdateAnimation();

    int32_t m_animationClass = 0;
    OmRef<OmSkinShape> m_shape;
    bool m_triggered = false;
    int32_t m_countdownTicks = 0;
    int32_t m_projectileId = -1;
    float m_damage = kDefaultDamage;
    TsMatterType m_matterType = TS_MATTER_PHYSICAL;
    bool m_detonated = false; // not saved: a saved mine is never mid-blast
};
