// A shot in flight. A weapon or a mine takes one from the pool, sets its
// fields and launches it; the level ticks it until it has hit something or
// expired and its particle effects have died out, then it returns itself to
// the pool. Its type (one of the 32 projectile-attribute records) decides how
// it flies and what it shows. Laser streaks of the shots in flight are
// gathered by Render and drawn together by RenderAll through one shared
// six-vertex buffer, with the device states saved and restored once a frame.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmNode.h"
#include "engine/OmParticleSystem.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/framework/TsLink.h"
#include "game/framework/TsObject.h"
#include "game/objects/TsAttack.h"

class TsCharacterObject;
class TsEntity;
struct TsProjectileAttributes;

// One corner of a laser streak (position, diffuse colour, one texture pair).
struct TsStreakVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(TsStreakVertex) == 24);

class TsProjectile : public TsObject {
    OM_DECLARE_CLASS(TsProjectile)

    static constexpr uint32_t kStreakVertexFormat = 0x142;
    static constexpr uint32_t kStreakVertices = 6;
    static constexpr int32_t kLargeExplosionSound = 160;
    enum Emitter { kExhaust1 = 0, kExhaust2 = 1, kMuzzle = 2, kImpact = 3, kEmitterCount = 4 };

    TsProjectile() = default;
    explicit TsProjectile(OmArchive& archive) : TsObject(archive) {}
    ~TsProjectile() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool Import() override { return true; }
    bool Initialise() override { return true; }
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;

    // Starts the flight once the fields are set: the effects start and the
    // first step runs at once. A shot of no valid type is not launched.
    void Launch();

    // The fields a launcher sets.
    void SetType(int32_t type) { m_type = type; }
    int32_t GetType() const { return m_type; }
    // Launch point, position and previous position all at the origin.
    void SetOrigin(const OmVector3& origin);
    void SetVelocity(const OmVector3& velocity) { m_velocity = velocity; }
    const OmVector3& GetVelocity() const { return m_velocity; }
    void SetHeading(const OmVector3& heading) { m_heading = heading; }
    const OmVector3& GetHeading() const { return m_heading; }
    void SetTarget(TsEntity* target) { m_target = target; }
    TsEntity* GetTarget() const { return m_target; }
    void SetOwner(TsCharacterObject* owner) { m_owner = owner; }
    TsCharacterObject* GetOwner() const { return m_owner; }
    void SetLaunchTime(float time) { m_launchTime = time; }
    float GetLaunchTime() const { return m_launchTime; }
    void SetTimeToImpact(float seconds) { m_timeToImpact = seconds; }
    float GetTimeToImpact() const { return m_timeToImpact; }
    void SetLifetime(float seconds) { m_lifetime = seconds; }
    float GetLifetime() const { return m_lifetime; }
    void SetImpactSound(int32_t id) { m_impactSound = id; }
    int32_t GetImpactSound() const { return m_impactSound; }
    void SetMatterType(int32_t type) { m_matterType = static_cast<TsMatterType>(type); }
    TsMatterType GetMatterType() const { return m_matterType; }
    void SetDamage(float damage) { m_damage = damage; }
    float GetDamage() const { return m_damage; }
    void SetStun(float stun) { m_stun = stun; }
    float GetStun() const { return m_stun; }

    const OmVector3& GetPosition() const { return m_position; }
    const OmVector3& GetPreviousPosition() const { return m_previousPosition; }
    const OmVector3& GetLaunchPoint() const { return m_launchPoint; }
    const OmVector3& GetRenderPosition() const { return m_renderPosition; }
    bool IsFinished() const { return m_finished; }
    float GetLaserLength() const { return m_laserLength; }
    float GetTravelledLength() const { return m_travelledLength; }
    OmParticleEmitter& GetEmitter(int index) { return m_emitters[index]; }

    // The type's record; null for a type outside 0..31.
    const TsProjectileAttributes* Attributes() const;

    // The shared streak buffer: made at game-system start, given up at stop.
    static bool CreateVertexBuffer();
    static void ReleaseVertexBuffer();
    static int32_t GetVertexBufferId() { return s_vertexBuffer; }
    // Draws every gathered streak and empties the list.
    static void RenderAll();
    static uint32_t GetStreakCount() { return s_streaks.GetCount(); }
    // What the last RenderAll that had streaks did: its draw calls, and how
    // many times in all the device states were saved and set for streaks.
    static uint32_t LastStreakDraws() { return s_lastDraws; }
    static uint32_t StreakStateSetups() { return s_stateSetups; }
    // The six corners of a streak for a camera forward axis; false when the
    // projectile has no laser type.
    bool BuildStreak(const OmVector3& forward, TsStreakVertex out[kStreakVertices]);

    // Where the exhaust swings about a shot flying with a velocity: a circle
    // of the radius across the flight, turns per second times elapsed
    // seconds round. Zero without a radius or a velocity.
    static OmVector3 SpiralOffset(const OmVector3& velocity, float radius, float turnsPerSecond, float elapsed);

    // Every live projectile of the pool, for the level.
    static uint32_t LiveCount();
    // Ends every shot still in flight (the level closes): each lets go of
    // its own reference and is destroyed unless something else holds it.
    static void ReleaseAllLive();
    template <typename Fn>
    static void ForEachLive(Fn&& fn);
    static bool ImportAll();
    static bool InitialiseAll();
    static void TickAll(uint32_t tickCount);
    static void RenderAllLive(float renderTime, float fraction);

private:
    // One step of flight; launchTick is set for the step Launch runs.
    void Step(bool launchTick);
    void TickFinishing();
    void MoveAndSteer(const TsProjectileAttributes& rec, float age);
    bool TestWorld(const TsProjectileAttributes& rec);
    void TestCharacters(const TsProjectileAttributes& rec);
    void Leach(const TsProjectileAttributes& rec);
    void StartImpact(const TsProjectileAttributes& rec, const OmVector3& point);
    void Explode(const TsProjectileAttributes& rec, const OmVector3& point);
    void PlayImpactSound() const;
    // True when the streak was drawn.
    bool DrawStreak(const OmVector3& forward);

    int32_t m_type = -1;
    OmVector3 m_position;
    OmVector3 m_previousPosition;
    OmVector3 m_launchPoint;
    OmVector3 m_velocity;
    // Not counted: a shot outlives a creature that burst as it fired, or a
    // target a script deleted; either is cut from the shot as it goes.
    TsLink<TsEntity> m_target;
    TsLink<TsCharacterObject> m_owner;
    float m_launchTime = 0.0f;
    float m_timeToImpact = 0.0f;
    float m_lifetime = 0.0f;
    OmVector3 m_renderPosition;
    OmVector3 m_heading;
    int32_t m_impactSound = -1;
    TsMatterType m_matterType = TS_MATTER_NONE;
    float m_damage = 0.0f;
    float m_stun = 0.0f;
    float m_spare = 0.0f;
    OmParticleEmitter m_emitters[kEmitterCount];
    OmRef<OmNode> m_node; // let go of when the flight finishes
    bool m_finished = false;
    bool m_firstFramePending = false;
    float m_laserLength = 0.0f;
    float m_travelledLength = 0.0f;

    static int32_t s_vertexBuffer;
    static OmArray<TsProjectile*> s_streaks;
    static uint32_t s_lastDraws;
    static uint32_t s_stateSetups;
};

template <typename Fn>
void TsProjectile::ForEachLive(Fn&& fn)
{
    OmFastAllocIterator it;
    s_pool.BeginIteration(it);
    while (void* cell = s_pool.NextLiveObject(it)) {
        fn(*static_cast<TsProjectile*>(static_cast<OmObject*>(cell)));
    }
}
