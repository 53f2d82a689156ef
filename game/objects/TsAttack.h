// One blow or one projectile impact: who caused it, what it strikes, where
// it lands and in which direction, and how much damage and stun it carries.
// Weapons, projectiles, mines and explosions fill one and hand it to the
// victim's OnHit. Negative damage heals.
#pragma once

#include <cstdint>

#include "engine/OmObject.h"
#include "engine/OmVector3.h"
#include "game/framework/TsLink.h"

class TsEntity;
class TsCharacterObject;

enum TsMatterType : int32_t {
    TS_MATTER_NONE = -1, // armour against every matter
    TS_MATTER_PHYSICAL = 0,
    TS_MATTER_CHEMICAL = 1,
    TS_MATTER_ENERGY = 2,
    TS_NUM_MATTER_TYPES = 3,
};

class TsAttack : public OmObject {
    OM_DECLARE_CLASS(TsAttack)

    TsAttack() = default;
    explicit TsAttack(OmArchive& archive) : OmObject(archive) {}

    // The target and attacker are not counted: a blow still to land keeps
    // them across ticks, in which a script may delete either or a creature
    // burst, so each is cut from the attack as it goes.
    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    TsEntity* GetTarget() const { return m_target; }
    void SetTarget(TsEntity* target) { m_target = target; }
    TsCharacterObject* GetAttacker() const { return m_attacker; }
    void SetAttacker(TsCharacterObject* attacker) { m_attacker = attacker; }
    const OmVector3& GetPosition() const { return m_position; }
    void SetPosition(const OmVector3& position) { m_position = position; }
    const OmVector3& GetDirection() const { return m_direction; }
    void SetDirection(const OmVector3& direction) { m_direction = direction; }
    TsMatterType GetMatterType() const { return m_matterType; }
    void SetMatterType(int32_t type) { m_matterType = static_cast<TsMatterType>(type); }
    float GetDamage() const { return m_damage; }
    void SetDamage(float damage) { m_damage = damage; }
    float GetStun() const { return m_stun; }
    void SetStun(float seconds) { m_stun = seconds; }
    int32_t GetSecondId() const { return m_secondId; }
    void SetSecondId(int32_t id) { m_secondId = id; }
    int32_t GetImpactSound() const { return m_impactSound; }
    void SetImpactSound(int32_t id) { m_impactSound = id; }

    // The attack hits its target: the target's OnHit with this attack.
    // False when there is no target.
    bool Deliver();

private:
    TsLink<TsEntity> m_target;
    TsLink<TsCharacterObject> m_attacker;
    OmVector3 m_position;
    OmVector3 m_direction;
    TsMatterType m_matterType = TS_MATTER_PHYSICAL;
    float m_damage = 0.0f;
    float m_stun = 0.0f;
    int32_t m_secondId = -1;
    int32_t m_impactSound = -1;
};
