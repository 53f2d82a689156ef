// How a character notices hostile characters and judges a line of sight,
// and the member actions through which its squad steers it each tick.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/OmGroup.h"
#include "engine/OmRand.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsProfilerDisplay.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsWeaponObject.h"
#include "game/world/TsWorld.h"

namespace {

constexpr float kApproachDistance = 7.0f;
constexpr uint32_t kSenseAhead = 4;

} // namespace

// ---- senses ------------------------------------------------------------------------------

namespace {

// A walk's answers about the teams it met, the last two of them: a crowd's
// neighbours alternate between a few teams. Each answer keeps its place; a
// new team takes the older one's.
class AllianceMemo {
public:
    explicit AllianceMemo(const TsTeam& own) : m_own(own) {}

    // A squad without a team is nobody's enemy.
    // The two known teams are told apart without a branch: which of them
    // comes next is a coin's toss in a crowd.
    bool IsHostile(const TsTeam* other)
    {
        if ((other != m_teams[0]) & (other != m_teams[1])) {
            const uint32_t place = m_older;
            m_older ^= 1u;
            m_teams[place] = other;
            m_hostile[place] = other && m_own.GetAlliance(other) == TS_ALLIANCE_HOSTILE;
        }
        return other == m_teams[0] ? m_hostile[0] : m_hostile[1];
    }

private:
    const TsTeam& m_own;
    const TsTeam* m_teams[2] = {nullptr, nullptr};
    bool m_hostile[2] = {false, false};
    uint32_t m_older = 0;
};

// The square of the farthest the senses' sight test could let a character
// see with this range and heading, a little over: the sight reaches range
// times the heading's ground length at most (the direction to the other is
// a unit one), and the rounding of that product is far within the margin.
// Worked out in double and rounded up to a float; no number when the range
// or the heading is none.
float SquaredSightLimit(float range, const OmVector3& heading)
{
    const double ground = std::sqrt(double(heading.x) * heading.x + double(heading.z) * heading.z);
    const double limit = std::fabs(double(range)) * ground * (1.0 + 1e-4);
    const double squared = limit * limit * (1.0 + 1e-4);
    const float rounded = float(squared);
    return double(rounded) < squared ? std::nextafter(rounded, std::numeric_limits<float>::infinity()) : rounded;
}

// Most of a crowd stands clearly nearer than its hearing, or clearly beyond
// both it and the sight limit: the squared distance settles those without
// the root, the direction and the line of sight, with the answer Notices
// gives. The margins (two in ten thousand of the square) are far wider than
// the rounding of the squares here and of a root there; a hearing is a
// whole number of ticks and one, so its square is a float with room to
// spare. A distance that is no number, or a limit that is none, is neither.
bool IsClearlyWithin(float squared, float hearing)
{
    return squared < hearing * hearing * 0.9998f;
}

bool IsClearlyBeyond(float squared, float hearing, float squaredSightLimit)
{
    return (squared > hearing * hearing * 1.0002f) & (squared > squaredSightLimit);
}

} // namespace

// A sneak level puts its guards on the alert: they notice from three times
// as far, but a character creeping with good stealth gear slips past them.
// The walk makes the valid-target test (heal targets not allowed) with what
// is the same for every neighbour worked out once: a character without a
// team is nobody's enemy, neighbours of one team are hostile or not alike,
// and of one class characters or not.
//
// New threats take the squad's free records nearest first; known ones are
// only renewed, in any order. A list not yet sorted is walked as gathered,
// and only the new threats are put in order.
bool TsCharacterObject::Sense()
{
    const TsTeam* team = m_squad ? m_squad->GetTeam() : nullptr;
    if (!team)
        return false;
    const TsLevelInfo* info = TsAccess::LevelInfo();
    const bool alert = info && info->bIsSneakLevel != 0;
    const float range = m_attentionRange * (alert ? 3.0f : 1.0f);
    const OmVector3 heading = GetDirection();
    const float sightSquared = SquaredSightLimit(range, heading);
    AllianceMemo alliances(*team);
    const OmClass* lastClass = nullptr;
    bool lastIsCharacter = false;
    static OmArray<Neighbour> fresh{64};
    fresh.RemoveAll();
    bool sensed = false;
    const bool gathered = m_neighbours.WalksGathered();
    const OmArray<Neighbour>& neighbours = gathered ? m_neighbours.Gathered() : m_neighbours.Sorted();
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
        if (!(neighbours[i].separation <= 2.0f * range)) {
            if (gathered)
                continue;
            break;
        }
        // A neighbour a few places on is fetched toward the cache while
        // this one is judged: each is an object of its own, out of cache.
        if (i + kSenseAhead < neighbours.GetCount())
            if (const TsEntity* ahead = neighbours[i + kSenseAhead].entity) {
                __builtin_prefetch(ahead);
                __builtin_prefetch(&ahead->GetPosition());
            }
        TsEntity* entity = neighbours[i].entity;
        if (!entity || entity == this || !entity->HasFlag(TS_ENTITY_TARGETABLE) || entity->HasFlag(TS_ENTITY_DEAD))
            continue;
        if (const OmClass* cls = entity->GetClass(); cls != lastClass) {
            lastClass = cls;
            lastIsCharacter = OmClass::IsDerivedFrom(cls, &TsCharacterObject::s_class);
        }
        if (!lastIsCharacter)
            continue;
        const auto* other = static_cast<const TsCharacterObject*>(entity);
        const TsSquadObject* squad = other->m_squad;
        if (!squad)
            continue;
        // Whether it is an enemy, and whether it stands clearly beyond its
        // hearing and any sight, are each a coin's toss in a crowd: both
        // are worked out, and one branch takes what is left.
        const bool hostile = (other->m_lifeState != kStunned) & alliances.IsHostile(squad->GetTeam());
        const float hearing = float(other->m_counters.GetCooldown()) + 1.0f;
        const float squared = GroundDistanceSquared(m_position, other->m_position);
        if (!hostile | IsClearlyBeyond(squared, hearing, sightSquared))
            continue;
        if (alert && other->IsCreepingUnnoticed())
            continue;
        if (!IsClearlyWithin(squared, hearing) && !Notices(other, squared, hearing, range, heading))
            continue;
        sensed = true;
        if (!gathered)
            m_squad->AddThreat(entity);
        else if (!m_squad->RenewThreat(entity))
            fresh.Add(neighbours[i]);
    }
    TsNeighbourList::SortNearestFirst(fresh);
    for (uint32_t i = 0; i < fresh.GetCount(); ++i)
        m_squad->AddThreat(fresh[i].entity);
    return sensed;
}

// Heard when nearer than its hearing, seen when nearer than the sight the
// heading gives toward it and in the line of sight.
bool TsCharacterObject::Notices(const TsCharacterObject* other, float squared, float hearing, float range,
                                const OmVector3& heading) const
{
    OmVector3 toward;
    const float distance = std::sqrt(squared);
    const float sight = GroundDirection(m_position, other->m_position, toward) ? range * heading.Dot(toward) : 0.0f;
    return distance < hearing || (distance < sight && HasLineOfSight(other));
}

// Crouching is creeping with the stealth gear in hand, which only a
// character that can crouch does; the gear's stealth value is its
// efficiency, and the lower it is the better it hides.
bool TsCharacterObject::IsCreepingUnnoticed() const
{
    const TsWeaponObject* gear = m_inventory ? m_inventory->GetEquipped() : nullptr;
    return IsCrouchable() && gear && gear->Current().equipType == TS_EQUIP_STEALTH &&
           gear->Current().efficiency < kStealthThreshold;
}

bool TsCharacterObject::IsEnemyNear(float radius, float& reach) const
{
    reach = 0.0f;
    bool any = false;
    const OmArray<Neighbour>& neighbours = m_neighbours.Gathered();
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
        const TsEntity* entity = neighbours[i].entity;
        if (!(neighbours[i].separation <= radius) ||
            GroundDistanceSquared(m_position, entity->GetPosition()) > radius * radius || !IsValidTarget(entity, false))
            continue;
        const auto* other = static_cast<const TsCharacterObject*>(entity);
        const float threat = std::max(other->CurrentRange() * 1.5f, 2.0f * other->m_runSpeed);
        if (threat >= neighbours[i].separation) {
            any = true;
            reach = std::max(reach, threat);
        }
    }
    return any;
}

bool TsCharacterObject::HasLineOfSight(const TsEntity* other) const
{
    if (!other)
        return false;
    const TsProfileScope scope(TsAccess::LevelProfiler(), TS_PROFILE_LINE_OF_SIGHT);
    TsWorld* world = TsAccess::World();
    if (!world)
        return true; // no walls to look through
    const OmVector3 eye = m_position + OmVector3(0.0f, 0.9f * m_height, 0.0f);
    const OmVector3 body = other->GetPosition() + OmVector3(0.0f, 0.5f * m_height, 0.0f);
    TsWorldHit hit;
    return !world->CastSegment(eye, body, hit, false);
}

OmVector3 TsCharacterObject::GetMuzzlePoint() const
{
    auto* shape = static_cast<const OmSkinShape*>(m_modelInstance);
    const OmGroup* node = shape && m_attackBone >= 0 ? shape->FindBoneNode(m_attackBone) : nullptr;
    if (node) {
        const TsWeaponObject* attack = GetCurrentAttack();
        const OmVector3 offset = attack ? node->GetWorldRotation().Transform(attack->GetMuzzleOffset()) : OmVector3();
        return node->GetWorldPosition() + offset;
    }
    return m_position + OmVector3(0.0f, 0.5f * m_height, 0.0f);
}

// ---- member actions --------------------------------------------------------------------------

void TsCharacterObject::RandomiseCounter()
{
    m_counters.SetTickCounter(OmRand());
}

void TsCharacterObject::AttackOrder(TsEntity* target)
{
    if (target)
        AttackTarget(target, target->GetPosition(), true);
}

bool TsCharacterObject::WithinRange(const TsEntity* target) const
{
    const float gap = std::sqrt(GroundDistanceSquared(m_position, target->GetPosition())) - target->GetRadius();
    return gap <= CurrentRange();
}

void TsCharacterObject::WalkToBase()
{
    if (m_action.GetCommand() == kNoCommand && !IsPathDone())
        return;
    if (m_action.GetCommand() == kNoCommand)
        m_targets.SetBasePoint(m_position);
    MoveTo(m_targets.GetBasePoint());
}

void TsCharacterObject::FightNearestThreat()
{
    const int32_t c = m_counters.GetTickCounter();
    if (c % 57 == 0)
        RandomiseCounter();
    TsEntity* target = m_targets.GetAssigned();
    if (!target || c % 19 >= 4)
        return;
    if (IsCloseAttack() ? WithinRange(target) : HasLineOfSight(target))
        AttackOrder(target);
}

void TsCharacterObject::AttackRanged(const OmVector3& centre, bool stayInFormation, float minDistance,
                                     float maxDistance)
{
    TsEntity* target = m_targets.GetAssigned();
    if (!target)
        return;
    if (CurrentEquipType() == TS_EQUIP_RANGED_HEADMOUNTED) {
        m_targets.Lock(target);
        CloseApproach();
        return;
    }
    const int32_t c = m_counters.GetTickCounter();
    const float reach = maxDistance * maxDistance;
    if (m_targets.GetLocked() == target && c % 57 != 0) {
        if (!stayInFormation)
            WalkToBase();
        if (c % 19 >= 4)
            return;
        if (HasLineOfSight(target) && GroundDistanceSquared(m_position, target->GetPosition()) <= reach)
            AttackOrder(target);
        return;
    }
    if (!stayInFormation) {
        const bool nearCentre = GroundDistanceSquared(centre, target->GetPosition()) <= reach;
        if (!GenerateAttackBase(nearCentre ? centre : target->GetPosition(), minDistance, maxDistance)) {
            const bool route = PlanPath(target->GetPosition(), TsRouteFollower::kApproachLimit, true, target);
            StopMoving();
            if (route)
                m_targets.SetBasePoint(m_position);
            else
                AddIgnore(target);
        }
    }
    if (HasLineOfSight(target) && GroundDistanceSquared(m_position, target->GetPosition()) <= reach)
        AttackOrder(target);
    else
        m_targets.Lock(target);
    RandomiseCounter();
}

void TsCharacterObject::AttackMelee(const OmVector3& centre, float minDistance, float maxDistance)
{
    TsEntity* target = m_targets.GetAssigned();
    if (!target)
        return;
    const int32_t c = m_counters.GetTickCounter();
    if (m_targets.GetLocked() == target && c % 285 != 0) {
        if (c % 95 >= 80)
            WalkToBase();
        else
            AttackOrder(target);
        return;
    }
    const bool nearCentre = GroundDistanceSquared(centre, target->GetPosition()) <= maxDistance * maxDistance;
    GenerateAttackBase(nearCentre ? centre : target->GetPosition(), minDistance, maxDistance);
    AttackOrder(target);
    RandomiseCounter();
}

void TsCharacterObject::Sentry(const OmVector3& origin, float range)
{
    if (!IsPathDone())
        return;
    MoveTo(RingPoint(origin, 0.0f, range));
}

void TsCharacterObject::Cower(float minDistance, float maxDistance)
{
    const int32_t c = m_counters.GetTickCounter();
    if (c % 150 == 0)
        RandomiseCounter();
    TsEntity* threat = m_targets.GetAssigned();
    if (threat && c % 50 < 20) {
        if (IsCloseAttack()) {
            if (WithinRange(threat)) {
                AttackOrder(threat);
                return;
            }
        } else if (HasLineOfSight(threat)) {
            AttackOrder(threat);
        }
    }
    if (!threat)
        return;
    const OmVector3& base = m_targets.GetBasePoint();
    const bool inLine = CanWalkStraight(base, threat->GetPosition(), true);
    bool reachable = true;
    if (!inLine) {
        TsPathfinder* pathfinder = TsAccess::Pathfinder();
        reachable = pathfinder && m_route.CanReach(*pathfinder, m_position, base, pathfinder->ClassForRadius(m_radius));
    }
    if (inLine || !reachable)
        GenerateCowerBase(threat, minDistance, maxDistance);
    MoveTo(m_targets.GetBasePoint());
}

void TsCharacterObject::Flee(float minDistance, float maxDistance)
{
    TsEntity* threat = m_targets.GetAssigned();
    if (threat && GroundDistanceSquared(m_position, threat->GetPosition()) < minDistance * minDistance) {
        m_targets.Lock(nullptr);
        m_targets.Assign(nullptr);
    }
    OmVector3 end;
    const OmVector3& base = m_targets.GetBasePoint();
    if (!IsPathDone() && GetMoveTarget(end) && std::fabs(end.x - base.x) + std::fabs(end.z - base.z) <= 0.1f)
        return;
    if (m_squad)
        m_squad->FindCowerPoint(this, minDistance, maxDistance);
}

void TsCharacterObject::CloseApproach()
{
    TsEntity* target = m_targets.GetLocked();
    if (!target || !IsMobile())
        return;
    const OmVector3& at = target->GetPosition();
    if (GroundDistanceSquared(m_position, at) < kApproachDistance * kApproachDistance) {
        m_route.Clear();
        OmVector3 d;
        if (GroundDirection(m_position, at, d) && !TurnToward(d)) {
            m_action.Turn();
            return;
        }
        const TsWeaponObject* attack = GetCurrentAttack();
        if (!attack || attack->GetReloadCountdown() <= 0)
            AttackOrder(target);
        return;
    }
    OmVector3 point = m_targets.GetBasePoint();
    OmVector3 away;
    if (GroundDistanceSquared(at, m_targets.GetBasePoint()) > kApproachDistance * kApproachDistance &&
        GroundDirection(at, m_targets.GetBasePoint(), away))
        point = at + away * kApproachDistance;
    if (PlanPath(point, TsRouteFollower::kApproachLimit, true, nullptr)) {
        m_targets.SetBasePoint(point);
        RemoveIgnore(target);
    } else {
        AddIgnore(target);
    }
    MoveTo(m_targets.GetBasePoint());
}
