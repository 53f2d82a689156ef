// How a character takes a hit, judges targets, orders an attack and
// carries the attack commands out, and where it stands to attack or to
// cower.
#include <algorithm>
#include <cmath>

#include "engine/OmMath.h"
#include "engine/OmRand.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsWeaponObject.h"
#include "game/world/TsWorld.h"

namespace {

// The innate attack's attributes: what a character fights with while it
// has nothing equipped.
constexpr TsEquipType kInnateEquip = TS_EQUIP_BAREHANDED;
constexpr TsWeaponType kInnateWeapon = TS_WEAPON_MELEE;
constexpr float kInnateRange = 2.0f;
constexpr int32_t kAttackBaseTries = 3;
constexpr int32_t kTongueBone = 1;
constexpr int32_t kTongueTicks = 10;

// One axis of a point between min and max from the centre, on a random side.
float RingOffset(float minDistance, float maxDistance)
{
    const float r = 2.0f * (OmRand01() - 0.5f);
    return (maxDistance - minDistance) * r + (r >= 0.0f ? minDistance : -minDistance);
}

} // namespace

// ---- what the character fights with ----------------------------------------------

TsEquipType TsCharacterObject::CurrentEquipType() const
{
    const TsWeaponObject* attack = GetCurrentAttack();
    return attack ? attack->Current().equipType : kInnateEquip;
}

TsWeaponType TsCharacterObject::CurrentWeaponType() const
{
    const TsWeaponObject* attack = GetCurrentAttack();
    return attack ? attack->Current().weaponType : kInnateWeapon;
}

float TsCharacterObject::CurrentRange() const
{
    const TsWeaponObject* attack = GetCurrentAttack();
    return attack ? attack->Current().range : kInnateRange;
}

bool TsCharacterObject::FireWeapon(TsWeaponObject* weapon, const OmVector3& from, const OmVector3& direction,
                                   TsEntity* target)
{
    if (!weapon)
        return false;
    switch (weapon->GetCurrentWeaponType()) {
    case TS_WEAPON_RANGED_MANUAL:
    case TS_WEAPON_RANGED_AUTO:
    case TS_WEAPON_MINE:
        return weapon->FireRanged(from, direction);
    case TS_WEAPON_ROCKET:
        return weapon->FireAt(from, direction, target);
    default:
        return weapon->FireMelee(from, direction);
    }
}

bool TsCharacterObject::FireCurrentAttack(const OmVector3& from, const OmVector3& direction, TsEntity* target)
{
    return FireWeapon(GetCurrentAttack(), from, direction, target);
}

bool TsCharacterObject::IsCloseAttack() const
{
    return TsActionState::IsClose(CurrentWeaponType());
}

// ---- hits ----------------------------------------------------------------------------

void TsCharacterObject::OnHit(TsAttack& attack)
{
    if (HasFlag(TS_ENTITY_DEAD) || IsWorldFrozen())
        return;
    if (TsAudio* audio = attack.GetImpactSound() >= 0 ? TsAccess::Audio() : nullptr) {
        const OmVector3& at = attack.GetPosition();
        audio->PlaySound(SoundId(attack.GetImpactSound()), at.x, at.y, at.z, false);
    }
    const float damage = attack.GetDamage();
    if (!std::isfinite(damage))
        return; // a broken attack does nothing rather than poison the health
    if (damage < 0.0f) {
        IncrementHealth(-damage);
        m_lifeState = kAlive;
        return;
    }
    TsCharacterObject* attacker = attack.GetAttacker();
    if (attacker && !IsHostileTo(attacker))
        return;
    m_counters.Flash(TsAccess::TicksPerSecond() >> 2);
    if (attack.GetStun() > 0.0f)
        Stun(attack.GetStun());
    if (m_lifeState == kStunned || IsImmune())
        return;
    m_targets.RecordHit(attacker, TsAccess::TickCount());
    const float factor = std::max(0.0f, 1.0f - GetDefence(attack.GetMatterType()) * 0.01f);
    const float dealt = factor * damage;
    IncrementVitality(-dealt);
    if (HasFlag(TS_ENTITY_DEAD))
        return;
    StopMoving();
    // A character without a squad (hit by a mine or a blast) is knocked
    // back like any other.
    if (SquadConfiguredBehaviour() != kPatrolBehaviour)
        KnockBack(attack.GetDirection(), dealt);
    if (damage > 0.1f && m_lifeState == kAlive) {
        PlayDamageSound(dealt);
        m_action.PlayOnce(kHitReaction);
    }
}

bool TsCharacterObject::IsImmune() const
{
    if (m_lifeState == kImmune)
        return true;
    return TsPCObject::Cast(this) && TsPlayer::_IsEasterEggEnabled(TsPlayer::EGG_NO_DAMAGE);
}

void TsCharacterObject::KnockBack(const OmVector3& direction, float dealt)
{
    const float distance = std::min(dealt * 0.04f, 0.6f);
    OmVector3 push;
    if (!(distance > 0.0f) || !GroundDirection(OmVector3(), direction, push))
        return;
    const OmVector3 to = m_position + push * distance;
    // The square the character stands on is its own, not in its way.
    MarkOwnCell(false);
    if (CanWalkStraight(m_position, to, m_route.MayCrossOccupied()))
        SetPositionOnGround(to);
    MarkOwnCell(true);
}

void TsCharacterObject::PlayDamageSound(float dealt)
{
    for (int32_t slot : {TS_CHARSOUND_DAMAGE50, TS_CHARSOUND_DAMAGE10, TS_CHARSOUND_PAIN1, TS_CHARSOUND_PAIN2})
        if (IsSoundSlotPlaying(slot))
            return;
    PlaySoundSlot(ChooseDamageSound(dealt, (OmRand() & 1) == 0), m_position);
}

int32_t TsCharacterObject::ChooseDamageSound(float dealt, bool coinIsZero) const
{
    // The health thresholds need a maximum to measure against.
    const float maximum = m_vitals.GetMaxHealth();
    if (TsPCObject::Cast(this) && maximum > 0.0f) {
        const float h = std::clamp(m_vitals.GetHealth(), 0.0f, maximum);
        const float ratio = h / maximum;
        if (m_sounds[TS_CHARSOUND_DAMAGE50] >= 0 && ratio <= 0.9f && h + dealt > 0.9f * maximum)
            return TS_CHARSOUND_DAMAGE50;
        if (m_sounds[TS_CHARSOUND_DAMAGE10] >= 0 && ratio <= 0.5f && h + dealt > 0.5f * maximum)
            return TS_CHARSOUND_DAMAGE10;
    }
    return coinIsZero && m_sounds[TS_CHARSOUND_PAIN2] >= 0 ? TS_CHARSOUND_PAIN2 : TS_CHARSOUND_PAIN1;
}

// ---- targets -------------------------------------------------------------------------------

bool TsCharacterObject::IsValidTarget(const TsEntity* target, bool allowHealTarget) const
{
    if (!target || target == this || target->HasFlag(TS_ENTITY_DEAD) || !target->HasFlag(TS_ENTITY_TARGETABLE))
        return false;
    if (!target->IsKindOf(&TsCharacterObject::s_class))
        return false;
    const auto* other = static_cast<const TsCharacterObject*>(target);
    if (other->IsStunned())
        return false;
    if (IsHostileTo(other))
        return true;
    return allowHealTarget && CurrentEquipType() == TS_EQUIP_HEAL;
}

TsEntity* TsCharacterObject::GetFirstValidTarget() const
{
    const OmArray<Neighbour>& neighbours = GetNeighbours();
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i)
        if (IsValidTarget(neighbours[i].entity, true))
            return neighbours[i].entity;
    return nullptr;
}

bool TsCharacterObject::AttackTarget(TsEntity* target, const OmVector3& aimPoint, bool force)
{
    if (!IsMobile())
        return false;
    if (!force && CurrentWeaponType() != TS_WEAPON_RANGED_AUTO)
        return false;
    m_targets.ChooseLock(
        target, [this](const TsEntity* entity) { return IsValidTarget(entity, true); },
        [this]() -> const OmArray<Neighbour>& { return GetNeighbours(); }, kMeleeReach);
    m_attackRequested = 1;
    m_action.OrderAttack(CurrentWeaponType());
    m_targets.AimAt(aimPoint);
    return true;
}

// ---- the attack commands ------------------------------------------------------------------

void TsCharacterObject::RangedAttackStep()
{
    if (!m_targets.GetLocked())
        m_aiming = 0;
    const bool holding = SquadConfiguredBehaviour() == kPatrolBehaviour;
    if (holding && m_targets.GetLocked()) {
        const TsEntity* locked = m_targets.GetLocked();
        m_targets.AimAt(locked->GetPosition() + OmVector3(0.0f, 0.5f * locked->GetHeight(), 0.0f) + LeadOn(locked));
        OmVector3 toAim;
        if (GroundDirection(m_position, m_targets.GetAimPoint(), toAim)) {
            m_waist.FaceToward(toAim);
        }
        m_aiming = 1;
    }
    if (m_attackRequested) {
        if (!holding) {
            if (const TsEntity* locked = m_targets.GetLocked())
                m_targets.AimAt(locked->GetPosition() + OmVector3(0.0f, 0.7f * locked->GetHeight(), 0.0f));
        }
        const TsWeaponType type = CurrentWeaponType();
        if (type == TS_WEAPON_RANGED_MANUAL || type == TS_WEAPON_RANGED_AUTO)
            ShootAt(m_targets.GetAimPoint(), false);
        else if (type == TS_WEAPON_ROCKET)
            ShootAt(m_targets.GetAimPoint(), true);
    }
    if (IsPathDone()) {
        m_route.Stop();
        m_action.SetRunning(false);
        return;
    }
    AdvanceAlongPath(1.0f);
    OmVector3 direction;
    if (!m_aiming) {
        if (m_route.Direction(direction))
            SetDirection(direction);
    } else {
        AimedMovement();
    }
}

// Where a moving target will have got to by the time the shot arrives:
// the shot's flight time over the ground distance, at the target's own
// walking or running speed along its heading.
OmVector3 TsCharacterObject::LeadOn(const TsEntity* target) const
{
    if (!target->IsKindOf(&TsCharacterObject::s_class))
        return OmVector3();
    const auto* mover = static_cast<const TsCharacterObject*>(target);
    const TsWeaponObject* attack = GetCurrentAttack();
    const TsProjectileAttributes* shot = attack ? TsProjectileAttributes::_Attributes(attack->Current().projectileId)
                                                : nullptr;
    if (!shot || mover->IsPathDone())
        return OmVector3();
    const OmVector3& at = target->GetPosition();
    const float dx = at.x - m_position.x, dz = at.z - m_position.z;
    const float seconds = shot->LeadSeconds(std::sqrt(dx * dx + dz * dz));
    const float speed = mover->IsRunning() ? mover->GetRunSpeed() : mover->GetWalkSpeed();
    const float heading = mover->GetHeading();
    return OmVector3(std::sin(heading), 0.0f, std::cos(heading)) * (seconds * speed);
}

// Turns the character into its firing pose toward d (a rocket's launcher
// held where its mouth will be): apart from the shot, which reads only the
// muzzle the pose leaves.
void TsCharacterObject::TakeFiringPose(const OmVector3& d, bool rocket)
{
    const bool holding = SquadConfiguredBehaviour() == kPatrolBehaviour;
    const OmVector3 previous = m_previousPosition;
    if (rocket)
        m_previousHeading = m_heading;
    if (!holding) {
        if (m_aiming) {
            AimedMovement();
            if (m_route.GetTrack().GetCount() == 0) {
                m_previousHeading = m_heading;
                if (!rocket) {
                    m_action.PlayOnce(kAttacking);
                }
            }
        } else if (rocket) {
            TurnToward(d);
        } else {
            if (m_targets.GetLocked())
                m_aiming = 1;
            const float before = m_heading;
            SetDirection(d);
            m_waist.Straighten();
            m_route.Stop();
            m_action.FireStanding(CurrentWeaponType());
            if (std::fabs(m_heading - before) > 0.2f * OM_PI)
                m_previousHeading = m_heading;
            m_position = previous;
        }
    }
    if (rocket) {
        m_route.Stop();
        m_action.FireStanding(CurrentWeaponType());
        m_position = previous;
        // The launcher's mouth is where the firing pose holds it now.
        UpdateAnimation();
        DrawModel(-1.0f, 0.0f);
    }
}

void TsCharacterObject::ShootAt(const OmVector3& aimPoint, bool rocket)
{
    OmVector3 d;
    if (!GroundDirection(m_position, aimPoint, d))
        d = GetDirection();
    TakeFiringPose(d, rocket);
    const OmVector3 muzzle = GetMuzzlePoint();
    // A muzzle inside a wall does not shoot through it.
    if (TsWorld* world = TsAccess::World()) {
        TsWorldHit hit;
        const OmVector3 body(m_position.x, muzzle.y, m_position.z);
        if (world->CastSegment(body, muzzle, hit, false))
            return;
    }
    OmVector3 direction = aimPoint - muzzle;
    const float gx = aimPoint.x - muzzle.x, gz = aimPoint.z - muzzle.z;
    if (!m_targets.GetLocked() && gx * gx + gz * gz < 25.0f)
        direction = d;
    if (direction.Normalise() <= 0.0f)
        direction = d;
    if (!FireCurrentAttack(muzzle, direction, m_targets.GetLocked())) {
        m_action.HoldFire();
    }
    // Continuous fire is heard from farther than single shots.
    const TsWeaponObject* attack = GetCurrentAttack();
    const bool continuous = attack && attack->Current().reload <= 0.0f;
    m_counters.SoundFor(rocket ? 50 : continuous ? 40 : 30);
}

void TsCharacterObject::CloseAttackStep()
{
    TsEntity* target = m_targets.GetLocked();
    if (!target) {
        OmVector3 d;
        if (!GroundDirection(m_position, m_targets.GetAimPoint(), d))
            d = GetDirection();
        Strike(d);
        return;
    }
    m_waist.Straighten();
    const OmVector3& at = target->GetPosition();
    const float dx = at.x - m_position.x, dz = at.z - m_position.z;
    const float gap = std::sqrt(dx * dx + dz * dz) - target->GetRadius();
    if (gap > CurrentRange()) {
        if (SquadConfiguredBehaviour() == kPatrolBehaviour)
            return;
        m_action.SetRunning(m_runToAttack != 0);
        if (PlanPath(at, TsRouteFollower::kApproachLimit, true, target)) {
            AdvanceAlongPath(1.0f);
            OmVector3 direction;
            if (m_route.Direction(direction))
                SetDirection(direction);
            m_action.Chase(); // unless stopped by a door
            RemoveIgnore(target);
        } else {
            AddIgnore(target);
            StopMoving();
        }
        return;
    }
    OmVector3 d;
    if (!GroundDirection(m_position, at, d))
        d = GetDirection();
    Strike(d);
}

void TsCharacterObject::Strike(const OmVector3& direction)
{
    if (SquadConfiguredBehaviour() != kPatrolBehaviour)
        SetDirection(direction);
    StopMoving();
    FireCurrentAttack(m_position, direction, m_targets.GetLocked());
    m_counters.SoundFor(15);
    m_action.PlayOnce(kAttacking);
    if (m_tongue.IsLoaded() && CurrentEquipType() == TS_EQUIP_TONGUE)
        m_tongue.Show(GetFigure().shape, kTongueBone, kTongueTicks);
}

// ---- where to stand ------------------------------------------------------------------------

OmVector3 TsCharacterObject::RingPoint(const OmVector3& centre, float minDistance, float maxDistance)
{
    // x draws first: arguments of one call have no order of their own.
    const float x = centre.x + RingOffset(minDistance, maxDistance);
    const float z = centre.z + RingOffset(minDistance, maxDistance);
    return OmVector3(x, centre.y, z);
}

bool TsCharacterObject::GenerateAttackBase(const OmVector3& p, float minDistance, float maxDistance)
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    if (pathfinder) {
        const int32_t cls = pathfinder->ClassForRadius(m_radius);
        for (int32_t attempt = 0; attempt < kAttackBaseTries; ++attempt) {
            const OmVector3 candidate = RingPoint(p, minDistance, maxDistance);
            float x = candidate.x, z = candidate.z;
            bool accept = pathfinder->IsStraightWalkable(p.x, p.z, x, z, cls, m_route.HasPathKeyA(), true);
            if (!accept) {
                // Where the walk stopped, when that still keeps the distance.
                const int32_t cell = pathfinder->GetLastCell();
                if (cell >= 0) {
                    pathfinder->CellCentre(cell, x, z);
                    accept = pathfinder->IsPassableAt(x, z, cls, m_route.HasPathKeyA(), true) &&
                             (std::fabs(x - p.x) >= minDistance || std::fabs(z - p.z) >= minDistance);
                }
            }
            if (accept) {
                m_targets.SetBasePoint(OmVector3(x, 0.0f, z));
                return true;
            }
        }
    }
    LogInfoF("info - generate attack base failed for %s", NameOrEmpty());
    m_targets.SetBasePoint(p);
    return false;
}

bool TsCharacterObject::GenerateCowerBase(const TsEntity* threat, float minDistance, float maxDistance)
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    if (pathfinder && threat) {
        const int32_t cls = pathfinder->ClassForRadius(m_radius);
        const OmVector3& t = threat->GetPosition();
        const OmVector3 candidate = RingPoint(t, minDistance, maxDistance);
        const float x = candidate.x, z = candidate.z;
        if (!pathfinder->IsStraightWalkable(t.x, t.z, x, z, cls, m_route.HasPathKeyA(), true)) {
            // The route itself is not kept: only whether there is one.
            if (m_route.CanReach(*pathfinder, m_position, candidate, cls)) {
                m_targets.SetBasePoint(OmVector3(x, 0.0f, z));
                return true;
            }
        }
    }
    LogInfoF("info - generate cower base failed for %s", NameOrEmpty());
    return m_squad && m_squad->FindCowerPoint(this, minDistance, maxDistance);
}
