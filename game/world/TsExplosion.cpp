#include "game/world/TsExplosion.h"

#include <algorithm>
#include <cmath>

#include "engine/OmRand.h"
#include "engine/OmRenderer.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"

OmList* TsInitialExplosions::s_active = nullptr;
OmList* TsInitialExplosions::s_free = nullptr;
float TsInitialExplosions::s_lastTime = 0.0f;
bool TsInitialExplosions::s_timeStarted = false;
float TsInitialExplosions::s_lastStep = 0.0f;
TsSegmentCaster TsInitialExplosions::s_caster = nullptr;

namespace {

constexpr float kTerminalFall = -100.0f;
constexpr int kMaxBounces = 2;

} // namespace

OmVector3 TsArmLaunchVelocity(const TsExplosionParams& type, const OmVector3& direction)
{
    // Three draws in this order: the first goes to Z.
    const float r1 = OmRand01();
    const float r2 = OmRand01();
    const float r3 = OmRand01();
    OmVector3 v(direction.x + type.m_spread * (2.0f * r3 - 1.0f), direction.y + type.m_spread * (2.0f * r2 - 1.0f),
                direction.z + type.m_spread * (2.0f * r1 - 1.0f));
    if (NormaliseInPlace(v) == 0.0f)
        v = OmVector3(0.0f, 1.0f, 0.0f);
    return v * type.m_speed;
}

void TsAdvanceArm(const TsExplosionParams& type, float dt, TsSegmentCaster caster, OmVector3& position,
                  OmVector3& velocity)
{
    velocity.y = std::max(velocity.y + dt * type.m_gravity, kTerminalFall);
    OmVector3 from = position;
    OmVector3 to = from + velocity * dt;
    for (int bounce = 0; caster && bounce < kMaxBounces; ++bounce) {
        TsSegmentHit hit;
        if (!caster(from, to, hit))
            break;
        const OmVector3& n = hit.normal;
        from = hit.point + n * 0.01f;
        const float speed = velocity.Length();
        velocity = n * (speed * type.m_restitution) + (velocity - n * velocity.Dot(n)) * type.m_friction;
        to = from + velocity * dt;
    }
    position = to;
}

void TsExplosion::Begin(const TsExplosionParams& type, const OmVector3& position, const OmVector3& direction,
                        float time)
{
    m_type = &type;
    for (int i = 0; i < type.ArmCount(); ++i) {
        OmParticleEmitter& arm = m_arms[i];
        arm.effect = GetParticleEffect(type.effectId);
        arm.position = position;
        arm.Start(time);
        m_velocity[i] = TsArmLaunchVelocity(type, direction);
        arm.fadeOverDuration = type.m_fade;
    }
    if (type.m_shockwave)
        m_shockwave.Start(type, position);
}

bool TsExplosion::Advance(float time, float dt, TsSegmentCaster caster)
{
    const int arms = m_type ? m_type->ArmCount() : 0;
    if (arms == 0)
        return m_type && m_type->m_shockwave ? m_shockwave.Advance(dt) : false;
    bool alive = false;
    for (int i = 0; i < arms; ++i) {
        OmParticleEmitter& arm = m_arms[i];
        TsAdvanceArm(*m_type, dt, caster, arm.position, m_velocity[i]);
        arm.Update(time);
        alive = alive || arm.IsEnabled();
    }
    if (m_type->m_shockwave)
        alive = m_shockwave.Advance(dt) || alive;
    return alive;
}

bool TsInitialExplosions::Init(const char* scriptFunction)
{
    if (!s_active) {
        s_active = new OmList;
        s_free = new OmList;
        for (uint32_t i = 0; i < kPoolSize; ++i)
            s_free->AddTail(new TsExplosion);
    }
    s_timeStarted = false;
    s_lastStep = 0.0f;
    lua_State* L = TsAccess::LuaState();
    if (!L) {
        LogErrorF("Explosions: no script state to run %s", scriptFunction ? scriptFunction : "(null)");
        return false;
    }
    if (!scriptFunction || !TsScriptHost::IsFunctionDefined(L, scriptFunction)) {
        LogErrorF("Explosions: the script function %s is not defined; no explosion types were loaded",
                  scriptFunction ? scriptFunction : "(null)");
        return false;
    }
    TsScriptHost::CallFunction(L, scriptFunction);
    ResolveTypes();
    return true;
}

void TsInitialExplosions::ResolveTypes()
{
    OmRenderer* renderer = OmRenderer::Current();
    for (int32_t i = 0; i < TsExplosionTable::Count(); ++i) {
        TsExplosionParams& type = *TsExplosionTable::At(i);
        if (!type.m_szParticleType.IsEmpty()) {
            type.effectId = FindParticleEffect(type.m_szParticleType.Get());
            if (type.effectId < 0)
                LogErrorF("Explosion type %d: particle effect \"%s\" not found", i, type.m_szParticleType.Get());
        }
        if (type.m_shockwave && !type.m_szShockTexture.IsEmpty() && renderer && type.textureId < 0) {
            OmTextureResource texture(type.m_szShockTexture.Get(), -1, 1);
            type.textureId = renderer->RegisterTexture(&texture);
        }
    }
}

void TsInitialExplosions::DestroyAll(OmList* list)
{
    if (!list)
        return;
    for (OmList::Node* n = list->GetFirst(); n; n = n->next)
        delete OmList::ValueAt<TsExplosion>(n);
    delete list;
}

void TsInitialExplosions::Shutdown()
{
    DestroyAll(s_active);
    DestroyAll(s_free);
    s_active = s_free = nullptr;
    OmRenderer* renderer = OmRenderer::Current();
    for (int32_t i = 0; i < TsExplosionTable::Held(); ++i) {
        TsExplosionParams& type = *TsExplosionTable::HeldAt(i);
        if (type.textureId != -1 && renderer)
            renderer->ReleaseTexture(type.textureId);
        type.textureId = -1;
    }
    for (int32_t texture : TsExplosionTable::RetiredTextures()) {
        if (renderer)
            renderer->ReleaseTexture(texture);
    }
    TsExplosionTable::Clear();
}

bool TsInitialExplosions::Spawn(int32_t type, const OmVector3& position, const OmVector3& direction, float time)
{
    const TsExplosionParams* params = TsExplosionTable::At(type);
    if (!params || !s_free)
        return false;
    TsExplosion* explosion = nullptr;
    if (OmList::Node* head = s_free->GetFirst()) {
        explosion = OmList::ValueAt<TsExplosion>(head);
        s_free->RemoveAt(head);
    } else {
        explosion = new TsExplosion;
    }
    explosion->Begin(*params, position, direction, time);
    s_active->AddTail(explosion);
    if (!s_timeStarted) {
        s_lastTime = time;
        s_timeStarted = true;
    }
    return true;
}

void TsInitialExplosions::Update(float time)
{
    // The first step counts from the first spawn or update, and a clock that
    // went back makes no step backwards.
    const float dt = s_timeStarted ? std::max(0.0f, time - s_lastTime) : 0.0f;
    s_lastTime = time;
    s_timeStarted = true;
    s_lastStep = dt;
    if (!s_active)
        return;
    for (OmList::Node* n = s_active->GetFirst(); n;) {
        OmList::Node* next = n->next;
        auto* explosion = OmList::ValueAt<TsExplosion>(n);
        if (!explosion->Advance(time, dt, s_caster)) {
            s_active->RemoveAt(n);
            s_free->AddTail(explosion);
        }
        n = next;
    }
}

TsExplosion* TsInitialExplosions::Active(uint32_t i)
{
    if (!s_active)
        return nullptr;
    OmList::Node* n = s_active->GetFirst();
    while (n && i--)
        n = n->next;
    return OmList::ValueAt<TsExplosion>(n);
}
