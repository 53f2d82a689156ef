// Explosions in flight: up to eight particle emitters (the arms) thrown out
// from a point, falling and bouncing off the world, with an optional ring on
// the ground. Instances come from a pool made at start-up that only grows;
// finished ones wait on the free list for the next spawn.
#pragma once

#include <cstdint>

#include "engine/OmList.h"
#include "engine/OmParticleSystem.h"
#include "engine/OmVector3.h"
#include "game/world/TsExplosionParams.h"
#include "game/world/TsShockwave.h"

// The nearest surface a segment meets: what the arms bounce off.
struct TsSegmentHit {
    OmVector3 point;
    OmVector3 normal;
};
using TsSegmentCaster = bool (*)(const OmVector3& from, const OmVector3& to, TsSegmentHit& hit);

// One arm's flight over one step: gravity (falling no faster than 100 units
// per second), then the move, bouncing at most twice. position and velocity
// are updated in place.
void TsAdvanceArm(const TsExplosionParams& type, float dt, TsSegmentCaster caster, OmVector3& position,
                  OmVector3& velocity);

// The launch velocity of one arm: the direction with the type's random
// spread, scaled to the type's speed (straight up when that leaves nothing).
OmVector3 TsArmLaunchVelocity(const TsExplosionParams& type, const OmVector3& direction);

class TsExplosion {
public:
    void Begin(const TsExplosionParams& type, const OmVector3& position, const OmVector3& direction,
               float time);
    // False once the explosion is over.
    bool Advance(float time, float dt, TsSegmentCaster caster);

    const TsExplosionParams* Type() const { return m_type; }
    OmParticleEmitter& Arm(int i) { return m_arms[i]; }
    const OmVector3& ArmVelocity(int i) const { return m_velocity[i]; }
    TsShockwave& Shockwave() { return m_shockwave; }

private:
    const TsExplosionParams* m_type = nullptr;
    OmParticleEmitter m_arms[TS_MAX_EXPLOSION_ARMS];
    OmVector3 m_velocity[TS_MAX_EXPLOSION_ARMS];
    TsShockwave m_shockwave;
};

class TsInitialExplosions {
public:
    static constexpr uint32_t kPoolSize = 32;

    // Makes the pool, runs the named script function that fills the types,
    // then resolves each type's effect and ring texture.
    static bool Init(const char* scriptFunction);
    static void Shutdown();
    // False for a type index outside the table.
    static bool Spawn(int32_t type, const OmVector3& position, const OmVector3& direction, float time);
    static void Update(float time);

    // The world the arms bounce off; null: they fly through everything.
    static void SetSegmentCaster(TsSegmentCaster caster) { s_caster = caster; }
    static uint32_t ActiveCount() { return s_active ? s_active->GetCount() : 0; }
    static uint32_t FreeCount() { return s_free ? s_free->GetCount() : 0; }
    static TsExplosion* Active(uint32_t i);
    static float LastStep() { return s_lastStep; }

private:
    static void ResolveTypes();
    static void DestroyAll(OmList* list);

    static OmList* s_active;
    static OmList* s_free;
    static float s_lastTime;
    static bool s_timeStarted;
    static float s_lastStep;
    static TsSegmentCaster s_caster;
};
