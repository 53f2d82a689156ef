#include "game/objects/TsProjectile.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmMath.h"
#include "engine/OmMatrix4.h"
#include "engine/OmMesh.h"
#include "engine/OmNode.h"
#include "engine/OmParticleEffect.h"
#include "engine/OmVector4.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldHit.h"
#include "render/OmD3D.h"

OM_IMPLEMENT_CLASS(TsProjectile, TsObject)

using namespace plat;

int32_t TsProjectile::s_vertexBuffer = -1;
OmArray<TsProjectile*> TsProjectile::s_streaks{64};
uint32_t TsProjectile::s_lastDraws = 0;
uint32_t TsProjectile::s_stateSetups = 0;

namespace {

constexpr float kCruiseProbe = 500.0f;
constexpr float kLaunchAge = 0.001f;

// The states the streaks change, saved before and restored after them in
// this order.
constexpr uint32_t kStreakRenderStates[] = {
    GfxRs::ZEnable,          GfxRs::ZFunc,           GfxRs::ZWriteEnable, GfxRs::CullMode, GfxRs::Lighting,
    GfxRs::AlphaBlendEnable, GfxRs::AlphaTestEnable, GfxRs::SrcBlend,     GfxRs::DestBlend,
};
constexpr uint32_t kStreakStageStates[] = {
    GfxTss::ColorOp, GfxTss::ColorArg1, GfxTss::ColorArg2, GfxTss::AlphaOp, GfxTss::AlphaArg1, GfxTss::AlphaArg2,
};

// Where an entity is hit as a whole: the middle of its height, and how far
// from there it reaches.
OmVector3 CentreOf(const TsEntity& entity, float& reach)
{
    const float half = entity.GetHeight() * 0.5f;
    reach = std::max(half, entity.GetRadius());
    const OmVector3& p = entity.GetPosition();
    return OmVector3(p.x, p.y + half, p.z);
}

void StartEffect(OmParticleEmitter& emitter, int32_t effect, const OmVector3& at, const OmVector3& velocity,
                 float time)
{
    emitter.Stop();
    emitter.effect = GetParticleEffect(effect);
    emitter.position = at;
    emitter.velocity = velocity;
    emitter.node = nullptr;
    if (emitter.effect) {
        emitter.Start(time);
    }
}

TsEntityDB* EntityDBOrNull()
{
    return TsAccess::EntityDB();
}

} // namespace

TsProjectile::~TsProjectile() = default;

const TsProjectileAttributes* TsProjectile::Attributes() const
{
    return TsProjectileAttributes::_Attributes(m_type);
}

void TsProjectile::SetOrigin(const OmVector3& origin)
{
    m_launchPoint = origin;
    m_position = origin;
    m_previousPosition = origin;
    m_renderPosition = origin;
}

// ---- archive ----------------------------------------------------------------

bool TsProjectile::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive)) {
        return false;
    }
    if (m_target) {
        m_target->Register(archive);
    }
    if (m_owner) {
        m_owner->Register(archive);
    }
    return true;
}

// The launch time is written relative to the game time at saving, as the
// age with its sign turned, and read back as it stands: the game time of
// the loaded level starts again from 0.
void TsProjectile::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteI32(m_type);
    archive.WriteVector(m_launchPoint).WriteVector(m_position).WriteVector(m_previousPosition);
    archive.WriteVector(m_velocity);
    archive.WriteObjectRef(m_target).WriteObjectRef(m_owner);
    archive.WriteFloat(m_launchTime - TsAccess::GameTime());
    archive.WriteFloat(m_timeToImpact).WriteFloat(m_lifetime);
    archive.WriteVector(m_renderPosition).WriteVector(m_heading);
    archive.WriteI32(m_impactSound).WriteI32(m_matterType);
    archive.WriteFloat(m_damage).WriteFloat(m_stun).WriteFloat(m_spare);
    archive.WriteBool(m_finished);
    archive.WriteFloat(m_laserLength).WriteFloat(m_travelledLength);
}

void TsProjectile::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    archive.ReadI32(m_type);
    archive.ReadVector(m_launchPoint).ReadVector(m_position).ReadVector(m_previousPosition);
    archive.ReadVector(m_velocity);
    ReadLink(archive, m_target);
    ReadLink(archive, m_owner);
    archive.ReadFloat(m_launchTime);
    archive.ReadFloat(m_timeToImpact).ReadFloat(m_lifetime);
    archive.ReadVector(m_renderPosition).ReadVector(m_heading);
    archive.ReadI32(m_impactSound).ReadEnum(m_matterType);
    archive.ReadFloat(m_damage).ReadFloat(m_stun).ReadFloat(m_spare);
    uint32_t finished = 0;
    archive.ReadU32(finished);
    m_finished = finished != 0;
    archive.ReadFloat(m_laserLength).ReadFloat(m_travelledLength);
}

// ---- flight -------------------------------------------------------------------

void TsProjectile::Launch()
{
    const TsProjectileAttributes* rec = Attributes();
    if (!rec) {
        // Not one of the 32 types: the shot ends on its next tick and goes
        // back to the pool.
        LogErrorF("TsProjectile: projectile type %d is not one of the %d types; the shot is dropped", m_type,
                  TsProjectileAttributes::kCount);
        m_type = -1;
        m_finished = true;
        return;
    }
    m_finished = false;
    m_firstFramePending = true;
    const float now = TsAccess::GameTime();
    OmVector3 direction;
    NormaliseInto(m_velocity, direction);
    if (rec->exhaust1 >= 0) {
        StartEffect(m_emitters[kExhaust1], rec->exhaust1, m_position, m_velocity, now);
        m_emitters[kExhaust1].inheritVelocity = rec->m_bExhaustRelative;
    }
    if (rec->exhaust2 >= 0) {
        StartEffect(m_emitters[kExhaust2], rec->exhaust2, m_position, m_velocity, now);
        m_emitters[kExhaust2].inheritVelocity = rec->m_bExhaustRelative;
    }
    if (rec->muzzle >= 0) {
        StartEffect(m_emitters[kMuzzle], rec->muzzle, m_position, direction, now);
    }
    m_timeToImpact = std::min(rec->m_lifetime, m_timeToImpact);
    m_travelledLength = FLT_MAX;
    Step(true);
}

void TsProjectile::Tick(uint32_t)
{
    Step(false);
}

void TsProjectile::Step(bool launchTick)
{
    if (m_finished) {
        TickFinishing();
        return;
    }
    if (m_type == -1) {
        return;
    }
    const TsProjectileAttributes* rec = Attributes();
    if (!rec) {
        LogErrorF("TsProjectile: projectile type %d is not one of the %d types; the shot ends", m_type,
                  TsProjectileAttributes::kCount);
        m_finished = true;
        return;
    }
    const float age = TsAccess::GameTime() - m_launchTime;
    // The launch step has moved the shot already in the tick it was fired.
    if (!launchTick && age < kLaunchAge) {
        return;
    }
    if (age > m_lifetime) {
        if (rec->m_lifetime < 0.1f && rec->m_bExplode) {
            Explode(*rec, m_position);
        }
        m_finished = true;
        return;
    }
    const float dt = TsAccess::TickDuration();
    m_previousPosition = m_position;
    m_position += m_velocity * dt;
    // A shot standing still keeps the heading it had.
    OmVector3 heading;
    if (NormaliseInto(m_velocity, heading) > 0.0f) {
        m_heading = heading;
    }
    if (rec->m_bRay) {
        if (age + dt * 0.5f > m_timeToImpact) {
            const OmVector3 impact = m_launchPoint + m_velocity * m_timeToImpact;
            StartImpact(*rec, impact);
            if (rec->m_bExplode) {
                Explode(*rec, impact);
            }
            PlayImpactSound();
            m_finished = true;
            return;
        }
    } else {
        MoveAndSteer(*rec, age);
        if (TestWorld(*rec)) {
            return;
        }
    }
    TestCharacters(*rec);
}

void TsProjectile::MoveAndSteer(const TsProjectileAttributes& rec, float age)
{
    const float dt = TsAccess::TickDuration();
    OmVector3 a(0.0f, -rec.m_gravity, 0.0f);
    if (age >= rec.m_thrustDelay && age < rec.m_thrustDelay + rec.m_thrustDuration) {
        a += m_heading * rec.m_thrust;
    }
    if (m_target) {
        const OmVector3& tp = m_target->GetPosition();
        OmVector3 d = OmVector3(tp.x, tp.y + 0.75f * m_target->GetHeight(), tp.z) - m_position;
        const float dist = d.Normalise();
        // A shot already at its target's aim point has no direction to steer.
        if (dist > 0.0f) {
            const float hx = m_heading.x;
            const float hz = m_heading.z;
            const OmVector3 side(hz, 0.0f, -hx);
            float k = d.x * hz - d.z * hx;
            if (d.x * hx + d.z * hz < 0.0f) {
                k = k < 0.0f ? -1.0f : 1.0f;
            }
            a += side * (k * rec.m_steerForce);
            a += d * (dist * rec.m_targetAttractLinear + rec.m_targetAttractConstant);
            a.y += (d.y - 0.5f * m_velocity.y) * rec.m_altitudeAdjust;
        }
    }
    a -= m_velocity * rec.m_drag;
    m_velocity += a * dt;
    TsWorld* world = TsAccess::World();
    if (rec.m_cruiseAltitude > 0.0f && world) {
        TsWorldHit hit;
        const OmVector3 below(m_position.x, m_position.y - kCruiseProbe, m_position.z);
        const float ground = world->CastSegment(m_position, below, hit, false) ? hit.point.y : m_position.y;
        if (ground + rec.m_cruiseAltitude > m_position.y) {
            m_position.y = ground + rec.m_cruiseAltitude;
            if (m_velocity.y < 0.0f) {
                m_velocity.y = 0.0f;
            }
        }
    }
}

bool TsProjectile::TestWorld(const TsProjectileAttributes& rec)
{
    TsWorld* world = TsAccess::World();
    if (!world) {
        return false;
    }
    OmVector3 end = m_position;
    if (rec.m_bExhaustRelative) {
        const OmParticleEmitter& exhaust = m_emitters[kExhaust1];
        float k = 0.0f;
        if (const OmParticleEffect* effect = GetParticleEffect(rec.exhaust1)) {
            const float m = std::min(effect->lifeBase, exhaust.lastTime - exhaust.startTime) + 0.1f;
            k = (1.0f - m) * rec.m_initialSpeed * m;
        }
        end = m_position + m_heading * k;
    }
    TsWorldHit hit;
    if (!world->CastSegment(m_previousPosition, end, hit, true)) {
        return false;
    }
    if (rec.m_bExplode) {
        Explode(rec, hit.point);
    }
    StartImpact(rec, hit.point);
    PlayImpactSound();
    m_finished = true;
    return true;
}

void TsProjectile::TestCharacters(const TsProjectileAttributes& rec)
{
    if (rec.m_leachRate > 0.0f) {
        Leach(rec);
        return;
    }
    TsEntityDB* db = EntityDBOrNull();
    if (!db) {
        return;
    }
    const OmArray<TsEntity*>& entities = db->GetActiveEntities();
    const OmVector3 step = m_position - m_previousPosition;
    for (uint32_t i = 0; i < entities.GetCount(); ++i) {
        TsEntity* entity = entities[i];
        if (!entity || entity == m_owner || !entity->HasFlag(TS_ENTITY_ORDINARY)) {
            continue;
        }
        float t = 0.0f;
        if (!IntersectSegmentCylinder(m_previousPosition, m_position, entity->GetPosition(), entity->GetRadius(),
                                      entity->GetHeight(), t)
            || t <= 0.0f || t > 1.0f) {
            continue;
        }
        const OmVector3 point = m_previousPosition + step * t;
        if (rec.HasLaser()) {
            m_travelledLength = Distance(m_launchPoint, m_previousPosition) + t * step.Length();
            if (rec.m_initialSpeed > 0.0f) {
                m_timeToImpact = m_travelledLength / rec.m_initialSpeed;
            }
        }
        TsAttack attack;
        attack.SetDamage(m_damage);
        attack.SetStun(m_stun);
        attack.SetMatterType(m_matterType);
        attack.SetImpactSound(m_impactSound);
        attack.SetAttacker(m_owner);
        attack.SetDirection(m_heading);
        attack.SetPosition(point);
        attack.SetTarget(entity);
        attack.Deliver();
        StartImpact(rec, point);
        if (rec.m_bExplode) {
            Explode(rec, point);
        }
        m_finished = true;
        return;
    }
}

void TsProjectile::Leach(const TsProjectileAttributes& rec)
{
    TsEntityDB* db = EntityDBOrNull();
    if (!db) {
        return;
    }
    const OmArray<TsEntity*>& characters = db->GetActiveCharacters();
    const float amount = TsAccess::TickDuration() * rec.m_leachRate;
    for (uint32_t i = 0; i < characters.GetCount(); ++i) {
        TsEntity* character = characters[i];
        if (!character || character == m_owner) {
            continue;
        }
        float reach = 0.0f;
        const OmVector3 centre = CentreOf(*character, reach);
        const float limit = reach + rec.m_leachRadius;
        if (DistanceSquared(m_position, centre) >= limit * limit) {
            continue;
        }
        OmVector3 direction;
        NormaliseInto(centre - m_position, direction);
        TsAttack attack;
        attack.SetDamage(amount);
        attack.SetMatterType(m_matterType);
        attack.SetImpactSound(m_impactSound);
        attack.SetAttacker(m_owner);
        attack.SetTarget(character);
        attack.SetDirection(direction);
        attack.SetPosition(m_position);
        attack.Deliver();
        m_damage -= amount;
        if (m_damage < 0.0f) {
            m_finished = true;
            return;
        }
    }
}

void TsProjectile::StartImpact(const TsProjectileAttributes& rec, const OmVector3& point)
{
    m_emitters[kExhaust1].Stop();
    m_emitters[kExhaust2].Stop();
    if (rec.impact >= 0) {
        StartEffect(m_emitters[kImpact], rec.impact, point, OmVector3(0.0f, 1.0f, 0.0f), TsAccess::GameTime());
    }
}

void TsProjectile::Explode(const TsProjectileAttributes& rec, const OmVector3& point)
{
    m_finished = true;
    const float inner = rec.m_fExplosionRangeInner;
    const float outer = rec.m_fExplosionRangeOuter;
    if (TsEntityDB* db = EntityDBOrNull()) {
        const OmArray<TsEntity*>& entities = db->GetActiveEntities();
        for (uint32_t i = 0; i < entities.GetCount(); ++i) {
            TsEntity* entity = entities[i];
            if (!entity || entity == m_owner) {
                continue;
            }
            float reach = 0.0f;
            const OmVector3 d = CentreOf(*entity, reach) - point;
            const float limit = reach + outer;
            if (d.LengthSquared() >= limit * limit) {
                continue;
            }
            const float dist = d.Length();
            float damage = 0.0f;
            if (dist < inner) {
                damage = m_damage;
            } else if (dist < outer) {
                // outer > inner here; equal ranges took the branch above.
                damage = std::clamp((outer - dist) / (outer - inner), 0.0f, 1.0f) * m_damage;
            }
            // An entity centred on the blast is pushed straight up.
            const OmVector3 direction = dist > 0.0f ? d * (1.0f / dist) : OmVector3(0.0f, 1.0f, 0.0f);
            TsAttack attack;
            attack.SetDamage(damage);
            attack.SetStun(m_stun);
            attack.SetMatterType(m_matterType);
            attack.SetAttacker(m_owner);
            attack.SetSecondId(-1);
            attack.SetTarget(entity);
            attack.SetDirection(direction);
            attack.SetPosition(point + direction * (dist - entity->GetRadius()));
            attack.Deliver();
        }
    }
    if (rec.m_iExposionID >= 0) {
        if (!TsInitialExplosions::Spawn(rec.m_iExposionID, point, OmVector3(0.0f, 1.0f, 0.0f),
                                        TsAccess::GameTime())) {
            LogErrorF("TsProjectile: projectile type %d names explosion type %d, which is not loaded", m_type,
                      rec.m_iExposionID);
        }
        TsPlaySoundAt(kLargeExplosionSound, point);
    }
}

void TsProjectile::PlayImpactSound() const
{
    TsPlaySoundAt(m_impactSound, m_position);
}

void TsProjectile::TickFinishing()
{
    m_node = nullptr;
    for (int i : {kExhaust1, kExhaust2}) {
        if (m_emitters[i].inheritVelocity) {
            m_emitters[i].ResetParticleVelocities();
        }
    }
    if (m_emitters[kMuzzle].IsAlive() || m_emitters[kImpact].IsAlive()) {
        return;
    }
    m_emitters[kExhaust1].Stop();
    m_emitters[kExhaust2].Stop();
    if (m_emitters[kExhaust1].IsAlive() || m_emitters[kExhaust2].IsAlive()) {
        return;
    }
    m_type = -1;
    m_impactSound = -1;
    Release();
}

// ---- drawing ------------------------------------------------------------------

OmVector3 TsProjectile::SpiralOffset(const OmVector3& velocity, float radius, float turnsPerSecond, float elapsed)
{
    if (radius <= 0.0f) {
        return OmVector3();
    }
    OmVector3 u;
    if (NormaliseInto(velocity, u) <= 0.0f) {
        return OmVector3();
    }
    OmVector3 a;
    CrossProduct(u, OmVector3::UnitY(), a);
    if (a.Normalise() <= 0.0f) {
        // A shot flying straight up or down: the spiral turns about x.
        CrossProduct(u, OmVector3::UnitX(), a);
        a.Normalise();
    }
    OmVector3 b;
    CrossProduct(a, u, b);
    const float angle = elapsed * turnsPerSecond * OM_TWO_PI;
    return a * (std::sin(angle) * radius) + b * (std::cos(angle) * radius);
}

void TsProjectile::Render(float renderTime, float fraction)
{
    const TsProjectileAttributes* rec = Attributes();
    if (!rec) {
        return;
    }
    if (m_firstFramePending) {
        m_launchTime = renderTime;
        fraction = 0.0f;
        m_firstFramePending = false;
    }
    OmVector3::Lerp(m_previousPosition, m_position, fraction, m_renderPosition);
    const OmVector3 offset = SpiralOffset(m_velocity, rec->m_spiralRadius, rec->m_spiralRate, renderTime - m_launchTime);
    const OmVector3 base = rec->m_bExhaustRelative ? m_position : m_renderPosition;
    for (int i = 0; i < kEmitterCount; ++i) {
        OmParticleEmitter& emitter = m_emitters[i];
        if (!emitter.IsAlive()) {
            continue;
        }
        if (i == kExhaust1 || i == kExhaust2) {
            emitter.position = i == kExhaust1 ? base + offset : base - offset;
            emitter.velocity = m_velocity;
        }
        emitter.Update(renderTime);
    }
    if (rec->HasLaser()) {
        m_laserLength = std::min(m_travelledLength, (renderTime - m_launchTime) * rec->m_initialSpeed);
        if (renderTime - m_launchTime < m_timeToImpact) {
            s_streaks.Add(this);
        }
    }
}

bool TsProjectile::BuildStreak(const OmVector3& forward, TsStreakVertex out[kStreakVertices])
{
    const TsProjectileAttributes* rec = Attributes();
    if (!rec) {
        return false;
    }
    const OmVector3 tip = m_launchPoint + m_heading * m_laserLength;
    m_renderPosition = tip;
    OmVector3 c;
    CrossProduct(forward, m_heading, c);
    const float s = c.Length();
    // Seen exactly end-on a streak has no width direction: nothing to draw.
    if (s <= OM_NORMALISE_EPSILON) {
        return false;
    }
    const OmVector3 w = c * (rec->m_laserScale / s);
    OmVector3 e;
    if (s * rec->m_laserLength < rec->m_laserScale) {
        CrossProduct(w, forward, e);
    }
    const float q = std::min(rec->m_laserLength, m_laserLength);
    const OmVector3 tail = tip - m_heading * q + e;
    const float fade = (m_lifetime * rec->m_initialSpeed - m_laserLength) * 51.0f;
    const uint32_t colour = OmLevelByte(fade) << 24 | (rec->m_laserARGB & 0x00FFFFFFu);
    const OmVector3 corners[kStreakVertices] = {tip + w, tail + w, tail - w, tail - w, tip - w, tip + w};
    const float us[kStreakVertices] = {0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    const float vs[kStreakVertices] = {0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f};
    for (uint32_t i = 0; i < kStreakVertices; ++i) {
        out[i] = {corners[i].x, corners[i].y, corners[i].z, colour, us[i], vs[i]};
    }
    return true;
}

bool TsProjectile::DrawStreak(const OmVector3& forward)
{
    TsStreakVertex vertices[kStreakVertices];
    const bool drawable = BuildStreak(forward, vertices);
    OmD3D* d3d = OmD3D::Instance();
    OmD3DVertexBuffer* vb = d3d->GetVertexBuffer(s_vertexBuffer);
    void* out = vb ? vb->Lock(0, kStreakVertices, false) : nullptr;
    if (!out) {
        return false;
    }
    if (drawable) {
        std::memcpy(out, vertices, sizeof vertices);
    }
    vb->Unlock();
    if (!drawable) {
        return false;
    }
    d3d->SetTexture(0, Attributes()->laserTexture);
    d3d->DrawPrimitive(GfxPrimitive::TriangleList, 0, 2);
    return true;
}

bool TsProjectile::CreateVertexBuffer()
{
    OmD3D* d3d = OmD3D::Instance();
    if (s_vertexBuffer < 0 && d3d) {
        s_vertexBuffer = d3d->CreateVertexBuffer(kStreakVertexFormat, kStreakVertices, false, false, true);
        if (s_vertexBuffer < 0) {
            LogError("TsProjectile: the streak buffer could not be made; laser streaks are not drawn");
        }
    }
    return s_vertexBuffer >= 0;
}

void TsProjectile::ReleaseVertexBuffer()
{
    if (s_vertexBuffer >= 0) {
        if (OmD3D* d3d = OmD3D::Instance()) {
            d3d->ReleaseVertexBuffer(s_vertexBuffer);
        }
    }
    s_vertexBuffer = -1;
    s_streaks.RemoveAll();
}

void TsProjectile::RenderAll()
{
    if (s_streaks.GetCount() == 0) {
        return;
    }
    OmD3D* d3d = OmD3D::Instance();
    if (!d3d || !d3d->GetVertexBuffer(s_vertexBuffer)) {
        static bool reported = false;
        LogErrorOnce(reported, "TsProjectile: no streak buffer; laser streaks are not drawn");
        s_streaks.RemoveAll();
        return;
    }
    ++s_stateSetups;
    d3d->SetWorldMatrix(&OmMatrix4::Identity());
    uint32_t savedRender[std::size(kStreakRenderStates)];
    uint32_t savedStage[std::size(kStreakStageStates)];
    for (size_t i = 0; i < std::size(kStreakRenderStates); ++i) {
        savedRender[i] = d3d->GetRenderState(kStreakRenderStates[i]);
    }
    for (size_t i = 0; i < std::size(kStreakStageStates); ++i) {
        savedStage[i] = d3d->GetTextureStageState(0, kStreakStageStates[i]);
    }
    d3d->SetStreamSource(0, s_vertexBuffer);
    const uint32_t renderValues[] = {1, GfxCmp::LessEqual, 0, GfxCull::None, 0, 1, 0, GfxBlend::SrcAlpha, GfxBlend::One};
    for (size_t i = 0; i < std::size(kStreakRenderStates); ++i) {
        d3d->DispatchRenderState(kStreakRenderStates[i], renderValues[i]);
    }
    const uint32_t stageValues[] = {GfxTop::Modulate, GfxTa::Texture, GfxTa::Diffuse,
                                    GfxTop::Modulate, GfxTa::Texture, GfxTa::Diffuse};
    for (size_t i = 0; i < std::size(kStreakStageStates); ++i) {
        d3d->SetTextureStageState(0, kStreakStageStates[i], stageValues[i]);
    }
    d3d->SetVertexShader(kStreakVertexFormat);
    const float* view = d3d->GetViewMatrix()->m;
    const OmVector3 forward(view[2], view[6], view[10]);
    s_lastDraws = 0;
    for (uint32_t i = 0; i < s_streaks.GetCount(); ++i) {
        s_lastDraws += s_streaks[i]->DrawStreak(forward) ? 1 : 0;
    }
    for (size_t i = 0; i < std::size(kStreakRenderStates); ++i) {
        d3d->DispatchRenderState(kStreakRenderStates[i], savedRender[i]);
    }
    for (size_t i = 0; i < std::size(kStreakStageStates); ++i) {
        d3d->SetTextureStageState(0, kStreakStageStates[i], savedStage[i]);
    }
    d3d->ApplyMaterial(0);
    s_streaks.RemoveAll();
}

// ---- the level's walks over the live shots -----------------------------------

uint32_t TsProjectile::LiveCount()
{
    return s_pool.GetLiveCount();
}

void TsProjectile::ReleaseAllLive()
{
    std::vector<TsProjectile*> live;
    live.reserve(LiveCount());
    ForEachLive([&live](TsProjectile& shot) { live.push_back(&shot); });
    s_streaks.RemoveAll();
    for (TsProjectile* shot : live)
        shot->Release();
}

bool TsProjectile::ImportAll()
{
    bool ok = true;
    ForEachLive([&ok](TsProjectile& p) { ok = p.Import() && ok; });
    return ok;
}

bool TsProjectile::InitialiseAll()
{
    bool ok = true;
    ForEachLive([&ok](TsProjectile& p) { ok = p.Initialise() && ok; });
    return ok;
}

// The shots are gathered first: a hit can kill a character whose dying
// blast launches a new shot, which must neither disturb the walk over the
// pool nor be moved twice in its first tick. The list keeps its storage.
void TsProjectile::TickAll(uint32_t tickCount)
{
    static OmArray<TsProjectile*> ticking{64};
    ticking.RemoveAll();
    ForEachLive([](TsProjectile& p) { ticking.Add(&p); });
    for (uint32_t i = 0; i < ticking.GetCount(); ++i) {
        ticking[i]->Tick(tickCount);
    }
    ticking.RemoveAll();
}

void TsProjectile::RenderAllLive(float renderTime, float fraction)
{
    ForEachLive([renderTime, fraction](TsProjectile& p) { p.Render(renderTime, fraction); });
}
