// The squad's update: import, threat ageing, target assignment, the
// behaviours and the formations.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/OmMath.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsBanterObject.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsSquadMembers.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsWaypointObject.h"
#include "game/objects/TsWeaponAttributes.h"
#include "game/world/TsWorld.h"

using TsSquadMembers::CharacterAt;
using TsSquadMembers::IsLiving;

namespace {

// Member actions given no centre compare the target with a point that no
// target is ever near.
const OmVector3 kNoCentre(1.0e18f, 0.0f, 1.0e18f);
constexpr float kStartScore = 1000000.0f;
constexpr float kSlotTolerance = 0.5f;
constexpr int32_t kCowerPlanTries = 3;

// The scratch of the target assignment, shared by every squad: the game
// ticks on one thread, and one squad assigns at a time. The live threat
// records, a field to an array, as every member reads them: the record's
// place in the squad's list, its object and ground place, its cost when
// unseen (to a ranged member) and the cost of those already on it.
struct ThreatTable {
    OmArray<uint32_t> record{64, 64}; // room for a grow step of threats from the start
    OmArray<const TsEntity*> entity{64, 64};
    OmArray<float> x{64, 64};
    OmArray<float> z{64, 64};
    OmArray<float> unseen{64, 64};
    OmArray<float> crowding{64, 64};

    void Clear()
    {
        record.RemoveAll();
        entity.RemoveAll();
        x.RemoveAll();
        z.RemoveAll();
        unseen.RemoveAll();
        crowding.RemoveAll();
    }

    // The live records of the squad's threats.
    void Fill(const OmArray<TsSquadObject::Threat>& threats)
    {
        Clear();
        for (uint32_t i = 0; i < threats.GetCount(); ++i) {
            const TsSquadObject::Threat& threat = threats[i];
            if (threat.entity) {
                record.Add(i);
                entity.Add(threat.entity);
                x.Add(threat.entity->GetPosition().x);
                z.Add(threat.entity->GetPosition().z);
                unseen.Add(threat.seen ? 0.0f : 20.0f);
                crowding.Add(20.0f * float(threat.attackers));
            }
        }
    }
};
ThreatTable g_threatTable;

// Whether an entity is still worth fearing.
bool IsLiveTarget(const TsEntity* entity)
{
    if (!entity || entity->HasFlag(TS_ENTITY_DEAD) || !entity->HasFlag(TS_ENTITY_TARGETABLE)) {
        return false;
    }
    const TsCharacterObject* character = TsCharacterObject::Cast(entity);
    return !character || !character->IsStunned();
}

bool IsRanged(const TsCharacterObject& member)
{
    return member.CurrentWeaponType() != TS_WEAPON_MELEE;
}

// The place in the table of the threat that costs the member least; the
// table's count when none is cheaper than the start score, or when the
// member ignores everyone. Once a member a tick: the inner loop is the
// assignment's cost, kept to the table's arrays.
uint32_t BestThreat(const ThreatTable& table, const TsCharacterObject& member, bool ranged, int32_t now,
                    int32_t recent)
{
    const uint32_t count = table.record.GetCount();
    if (member.HasIgnoredEntities()) {
        return count;
    }
    const float range = member.CurrentRange();
    const float mx = member.GetPosition().x, mz = member.GetPosition().z;
    const TsEntity* lastAttacker = member.GetLastAttacker();
    const bool hitRecently = member.GetLastHitTick() >= 0 && now - member.GetLastHitTick() < recent;
    const TsEntity* assigned = member.GetAssignedTarget();
    uint32_t best = count;
    float bestScore = kStartScore;
    for (uint32_t k = 0; k < count; ++k) {
        const float dx = mx - table.x[k];
        const float dz = mz - table.z[k];
        const float distance = std::sqrt(dx * dx + dz * dz);
        float score = 0.0f;
        if (ranged) {
            score = table.unseen[k] + (distance > range ? 10.0f : 0.0f);
        } else {
            score = std::trunc(distance * 3.0f);
        }
        if (table.entity[k] == lastAttacker && hitRecently) {
            score -= 35.0f;
        }
        if (table.entity[k] == assigned) {
            score -= 25.0f;
        }
        score += table.crowding[k];
        if (score < bestScore) {
            bestScore = score;
            best = k;
        }
    }
    return best;
}

void AttackAtRange(TsCharacterObject& member, const OmVector3& centre, bool stay)
{
    const float range = member.CurrentRange();
    member.AttackRanged(centre, stay, std::min(2.0f, range), std::min(7.0f, range));
}

void AttackAssigned(TsCharacterObject& member)
{
    if (TsEntity* target = member.GetAssignedTarget()) {
        member.AttackTarget(target, target->GetPosition(), true);
    }
}

} // namespace

// ---- import ---------------------------------------------------------------------------

bool TsSquadObject::Import()
{
    const TsEntityDB* db = TsAccess::EntityDB();
    if (!db) {
        LogErrorF("Squad %s cannot be imported without a level", NameOrEmpty());
        return false;
    }
    for (const OmList::Node* n = db->GetSquads().GetFirst(); n; n = n->next) {
        const auto* other = static_cast<const TsSquadObject*>(OmList::ValueAt<TsObject>(n));
        if (other && other != this && other->m_index == m_index) {
            LogErrorF("Error - squad %s has same index (%d) as squad %s", NameOrEmpty(), m_index, other->NameOrEmpty());
            return false;
        }
    }
    m_team = nullptr;
    for (const OmList::Node* n = db->GetTeams().GetFirst(); n && !m_team; n = n->next) {
        TsTeam* team = TsTeam::Cast(OmList::ValueAt<TsObject>(n));
        if (team && team->GetTeamId() == m_teamId) {
            m_team = team;
        }
    }
    if (!m_team) {
        LogErrorF("Could not find team with id %d for squad %s", m_teamId, NameOrEmpty());
        return false;
    }
    m_patrolPath = nullptr;
    if (!m_patrolPathName.IsEmpty()) {
        for (const OmList::Node* n = db->GetWaypoints().GetFirst(); n && !m_patrolPath; n = n->next) {
            TsWaypointObject* waypoint = TsWaypointObject::Cast(OmList::ValueAt<TsObject>(n));
            if (waypoint && waypoint->GetName() && std::strcmp(waypoint->GetName(), m_patrolPathName.Get()) == 0) {
                m_patrolPath = waypoint;
            }
        }
        if (!m_patrolPath) {
            LogErrorF("Could not find patrol path %s for squad %s", m_patrolPathName.Get(), NameOrEmpty());
            return false;
        }
    }
    FindMembers();
    ComputeLeaderHealthThreshold();
    if (m_behaviour < 0 || m_behaviour > TS_BEHAVIOUR_PATROL) {
        LogErrorF("Behaviour out of range for squad %s", NameOrEmpty());
    } else if (m_behaviour >= 1 && m_behaviour <= 9) {
        LogErrorF("Behaviour for squad %s has legacy value, forcing to TS_BEHAVIOUR_ATTACK", NameOrEmpty());
        m_behaviour = TS_BEHAVIOUR_ATTACK;
    }
    ChooseIdleBehaviour();
    return true;
}

void TsSquadObject::FindMembers()
{
    if (!m_members.IsEmpty()) {
        LogInfoF("Squad %s already has %d members - not searching for other members on Import", NameOrEmpty(),
                 GetMemberCount());
        return;
    }
    const TsEntityDB* db = TsAccess::EntityDB();
    for (const OmList::Node* n = db ? db->GetCharacters().GetFirst() : nullptr; n; n = n->next) {
        TsCharacterObject* character = TsCharacterObject::Cast(OmList::ValueAt<TsObject>(n));
        if (character && character->GetSquadIndex() == m_index) {
            AddMember(character);
        }
    }
}

void TsSquadObject::ChooseIdleBehaviour()
{
    if (m_index == 0) {
        m_effectiveBehaviour = TS_BEHAVIOUR_PLAYER;
    } else if (m_patrolPath) {
        m_effectiveBehaviour = TS_BEHAVIOUR_WANDER;
    } else if (m_range > 0.0f) {
        m_effectiveBehaviour = TS_BEHAVIOUR_SENTRY;
    } else {
        m_effectiveBehaviour = TS_BEHAVIOUR_IDLE;
    }
}

// ---- the update ----------------------------------------------------------------------

void TsSquadObject::Update(uint32_t tickCount)
{
    if (!HasActiveMember()) {
        return;
    }
    if (TsBanterObject::Cast(GetLeader())) {
        return;
    }
    RunBehaviour(tickCount);
    UpdateTrail(tickCount);
}

void TsSquadObject::RunBehaviour(uint32_t)
{
    if (m_effectiveBehaviour == TS_BEHAVIOUR_PLAYER) {
        RunPlayer();
        return;
    }
    const bool threats = AgeThreats();
    const bool combat = m_effectiveBehaviour >= TS_BEHAVIOUR_ATTACK && m_effectiveBehaviour <= TS_BEHAVIOUR_PATROL;
    if (combat && !threats) {
        ChooseIdleBehaviour();
        return;
    }
    if (!combat && threats) {
        m_effectiveBehaviour = m_behaviour;
        return;
    }
    switch (m_effectiveBehaviour) {
    case TS_BEHAVIOUR_ATTACK:
        if (m_formation == FORMATION_NONE) {
            RunAttack();
        } else {
            RunAttackInFormation();
        }
        break;
    case TS_BEHAVIOUR_DEFEND_BASE: RunDefendBase(); break;
    case TS_BEHAVIOUR_DEFEND_LEADER: RunDefendLeader(); break;
    case TS_BEHAVIOUR_COWER:
        AssignTargets();
        RunEachMember([](TsSquadObject&, TsCharacterObject& m) { m.Cower(3.0f, 15.0f); });
        break;
    case TS_BEHAVIOUR_FLEE:
        AssignTargets();
        RunEachMember([](TsSquadObject&, TsCharacterObject& m) { m.Flee(10.0f, 30.0f); });
        break;
    case TS_BEHAVIOUR_PATROL:
        AssignTargets();
        RunEachMember([](TsSquadObject&, TsCharacterObject& m) { m.FightNearestThreat(); });
        break;
    case TS_BEHAVIOUR_WANDER: RunWander(); break;
    case TS_BEHAVIOUR_SENTRY: RunSentry(); break;
    default: break; // idle, or a number no behaviour answers to
    }
}

// Every member but the player's own character, which the player drives.
void TsSquadObject::RunEachMember(void (*action)(TsSquadObject&, TsCharacterObject&))
{
    const OmList::Node* n = m_members.GetFirst();
    if (FirstMemberIsPlayers() && n) {
        n = n->next;
    }
    for (; n; n = n->next) {
        TsCharacterObject* member = CharacterAt(n);
        if (IsLiving(member)) {
            action(*this, *member);
        }
    }
}

// ---- threats and targets -------------------------------------------------------------

bool TsSquadObject::AgeThreats()
{
    // Every member's senses look up the threats' index, which the rest of
    // the tick has pushed out of the cache: it comes back while the records
    // age.
    m_threatSlots.Prefetch();
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        Threat& threat = m_threats[i];
        if (threat.entity) {
            threat.ticksLeft.Tick();
            if (!IsLiveTarget(threat.entity) || threat.ticksLeft.Get() < 1) {
                FreeThreat(threat);
            }
        }
        threat.attackers = 0;
        threat.seen = 0;
    }
    // Only active members have this tick's neighbours to sense from.
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        TsCharacterObject* member = CharacterAt(n);
        if (IsLiving(member) && member->HasFlag(TS_ENTITY_ACTIVE)) {
            member->Sense();
        }
    }
    return m_threatCount > 0;
}

// Lower is better: unseen or out-of-range targets cost a ranged member, a
// close fighter prefers what is near, and everyone prefers whoever just
// hit it, what it already fights, and what few others fight.
void TsSquadObject::AssignTargets()
{
    const OmList::Node* n = m_members.GetFirst();
    if (FirstMemberIsPlayers() && n) {
        const TsEntity* own = CharacterAt(n)->GetLockedTarget();
        for (uint32_t i = 0; own && i < m_threats.GetCount(); ++i) {
            if (m_threats[i].entity == own) {
                ++m_threats[i].attackers;
            }
        }
        n = n->next;
    }
    const int32_t now = TsAccess::TickCount();
    const int32_t recent = 5 * TsAccess::TicksPerSecond();
    // Every member measures itself against every threat: the threats are
    // read from their records and objects once, not once a member.
    ThreatTable& table = g_threatTable;
    table.Fill(m_threats);
    const uint32_t count = table.record.GetCount();
    for (; n; n = n->next) {
        TsCharacterObject* member = CharacterAt(n);
        if (!IsLiving(member)) {
            continue;
        }
        const bool ranged = IsRanged(*member);
        const uint32_t best = BestThreat(table, *member, ranged, now, recent);
        if (best < count) {
            Threat& chosen = m_threats[table.record[best]];
            member->SetAssignedTarget(chosen.entity);
            ++chosen.attackers;
            table.crowding[best] = 20.0f * float(chosen.attackers);
        } else {
            member->ClearAssignedTarget();
            member->Sentry(m_origin, m_range);
        }
        if (m_effectiveBehaviour == TS_BEHAVIOUR_ATTACK && m_formation != FORMATION_NONE && !ranged) {
            break;
        }
    }
}

// ---- combat behaviours ----------------------------------------------------------------

void TsSquadObject::RunAttack()
{
    AssignTargets();
    RunEachMember([](TsSquadObject&, TsCharacterObject& m) {
        if (IsRanged(m)) {
            AttackAtRange(m, kNoCentre, false);
        } else {
            m.AttackMelee(kNoCentre, 2.0f, 3.5f);
        }
    });
}

// A wounded leader hands over to the next member; a ranged leader's squad
// shoots from its slots, a close one charges alone while the rest keep
// formation.
void TsSquadObject::RunAttackInFormation()
{
    AssignTargets();
    TsCharacterObject* leader = GetLeader();
    if (!leader) {
        return;
    }
    if (leader->GetHealth() < m_leaderHealthThreshold && m_members.GetCount() > 1) {
        m_members.AddTail(m_members.Remove(leader));
        if (TsCharacterObject* next = GetLeader()) {
            SetLeader(next);
        }
        AssignTargets();
        leader = GetLeader();
        if (!leader) {
            return;
        }
    }
    if (IsRanged(*leader)) {
        for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
            TsCharacterObject* member = CharacterAt(n);
            if (IsLiving(member) && IsRanged(*member)) {
                AttackAtRange(*member, kNoCentre, member != leader);
            }
        }
    } else {
        AttackAssigned(*leader);
    }
    ArrangeFormation(m_formation);
}

void TsSquadObject::RunDefendBase()
{
    AssignTargets();
    if (m_range <= 0.0f) {
        RunEachMember([](TsSquadObject&, TsCharacterObject& m) { m.FightNearestThreat(); });
        return;
    }
    RunEachMember([](TsSquadObject& squad, TsCharacterObject& m) {
        const float range = squad.GetRange();
        if (IsRanged(m)) {
            m.AttackRanged(squad.GetOrigin(), false, 0.0f, std::clamp(range, 0.0f, 7.0f));
        } else {
            m.AttackMelee(squad.GetOrigin(), 0.0f, std::clamp(range, 0.0f, 3.5f));
        }
    });
}

// The members fight close to the leader; the leader holds the squad's
// origin. A leader left alone attacks.
void TsSquadObject::RunDefendLeader()
{
    TsCharacterObject* leader = GetLeader();
    if (!leader) {
        return;
    }
    AssignTargets();
    if (!FirstMemberIsPlayers() && AliveMemberCount() == 1) {
        m_effectiveBehaviour = TS_BEHAVIOUR_ATTACK;
        return;
    }
    const OmList::Node* n = m_members.GetFirst();
    if (FirstMemberIsPlayers() && n) {
        n = n->next;
    }
    for (; n; n = n->next) {
        TsCharacterObject* member = CharacterAt(n);
        if (!IsLiving(member)) {
            continue;
        }
        if (member == leader) {
            if (member->IsPathDone() && GroundDistanceSquared(member->GetPosition(), m_origin) > 1.0f) {
                member->MoveTo(m_origin);
            }
            continue;
        }
        OmVector3 centre = leader->GetPosition();
        if (const TsEntity* target = member->GetAssignedTarget()) {
            centre = centre + (target->GetPosition() - centre) * 0.3f;
        }
        if (IsRanged(*member)) {
            member->AttackRanged(centre, false, 0.6f, 2.1f);
        } else {
            member->AttackMelee(centre, 0.6f, 1.05f);
        }
    }
}

// ---- idle behaviours ------------------------------------------------------------------

void TsSquadObject::RunSentry()
{
    RunEachMember([](TsSquadObject& squad, TsCharacterObject& m) { m.Sentry(squad.GetOrigin(), squad.GetRange()); });
}

TsWaypointObject* TsSquadObject::NearestPatrolWaypoint(const OmVector3& from) const
{
    TsWaypointObject* nearest = nullptr;
    float best = 0.0f;
    // A chain may loop back onto any node: no chain is longer than the
    // level's waypoints, so the walk is bounded by their number.
    const TsEntityDB* db = TsAccess::EntityDB();
    const uint32_t bound = db ? db->GetWaypoints().GetCount() + 1 : 4096;
    uint32_t steps = 0;
    for (TsWaypointObject* w = m_patrolPath; w && steps < bound; w = w->GetNext(), ++steps) {
        const float d = GroundDistanceSquared(from, w->GetPosition());
        if (!nearest || d < best) {
            nearest = w;
            best = d;
        }
        if (w->GetNext() == m_patrolPath) {
            break;
        }
    }
    return nearest;
}

void TsSquadObject::RunWander()
{
    TsCharacterObject* leader = GetLeader();
    if (!leader || !m_patrolPath) {
        return;
    }
    if (!m_patrolWaypoint) {
        m_patrolWaypoint = NearestPatrolWaypoint(leader->GetPosition());
    }
    if (!m_patrolWaypoint) {
        return;
    }
    const float separation = std::sqrt(GroundDistanceSquared(leader->GetPosition(), m_patrolWaypoint->GetPosition()))
                             - leader->GetRadius() - m_patrolWaypoint->GetRadius();
    if (separation < 0.0f) {
        m_patrolWaypoint = m_patrolWaypoint->GetNext();
    }
    if (m_patrolWaypoint && leader->IsPathDone()) {
        leader->MoveTo(m_patrolWaypoint->GetPosition());
    }
    ArrangeFormation(IsRanged(*leader) ? int32_t(FORMATION_LINE) : m_formation);
}

// ---- formations ---------------------------------------------------------------------------

bool TsSquadObject::FormationSlot(int32_t formation, int32_t i, int32_t memberCount, const OmVector3& leader,
                                  const OmVector3& heading, OmVector3& slot) const
{
    float forward = 0.0f;
    float lateral = 0.0f;
    switch (formation) {
    case FORMATION_NONE:
    case FORMATION_LINE:
        if (i >= m_trailLength) {
            return false;
        }
        slot = GetTrailPoint(i);
        slot.y = leader.y;
        return true;
    case FORMATION_VEE: {
        const int32_t m = int32_t(std::sqrt(float(8 * i + 1)) - 1.0f) / 2;
        const int32_t p = i - m * (m + 1) / 2;
        lateral = float(2 * p - m / 2);
        forward = float(-2 * m);
        break;
    }
    case FORMATION_SQUARE: {
        const int32_t side = std::max(1, int32_t(std::floor(std::sqrt(float(std::max(memberCount, 1))) + 0.5f)));
        lateral = float(2 * (i % side) - side / 2);
        forward = float(-2 * (i / side));
        break;
    }
    default:
        return false; // Swarm and unknown formations give no slots
    }
    slot.Set(leader.x + forward * heading.x - lateral * heading.z, leader.y,
             leader.z + forward * heading.z + lateral * heading.x);
    return true;
}

void TsSquadObject::ArrangeFormation(int32_t formation)
{
    TsCharacterObject* leader = GetLeader();
    if (!leader) {
        return;
    }
    const OmVector3 heading = leader->GetDirection();
    const int32_t count = GetMemberCount();
    int32_t i = 0;
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        TsCharacterObject* member = CharacterAt(n);
        if (member == leader || !IsLiving(member)) {
            continue;
        }
        ++i;
        OmVector3 slot;
        if (!FormationSlot(formation, i, count, leader->GetPosition(), heading, slot) || !member->IsPathDone()) {
            continue;
        }
        if (GroundDistanceSquared(member->GetPosition(), slot) > kSlotTolerance * kSlotTolerance) {
            member->MoveTo(slot);
        }
    }
}

// ---- cower points ---------------------------------------------------------------------------

bool TsSquadObject::IsNearAnyThreat(const OmVector3& point, float distance) const
{
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        const TsEntity* entity = m_threats[i].entity;
        if (entity && GroundDistanceSquared(point, entity->GetPosition()) <= distance * distance) {
            return true;
        }
    }
    return false;
}

bool TsSquadObject::StartMoveTo(TsCharacterObject& character, const OmVector3& point)
{
    character.PlanMoveTo(point, true, nullptr);
    if (character.GetTrack().GetCount() == 0) {
        return false;
    }
    character.SetBasePoint(point);
    return true;
}

bool TsSquadObject::FindCowerPoint(TsCharacterObject* character, float minDistance, float maxDistance)
{
    if (!character) {
        return false;
    }
    if (m_trailLength > 0) {
        const int32_t oldest = m_trailLength == kTrailSize ? (m_trailHead + 1) % kTrailSize : 0;
        const OmVector3 point(m_trail[oldest][0], character->GetPosition().y, m_trail[oldest][1]);
        if (!IsNearAnyThreat(point, minDistance) && StartMoveTo(*character, point)) {
            return true;
        }
    }
    const TsWorld* world = TsAccess::World();
    if (!world) {
        return false;
    }
    const OmArray<TsBeacon>& beacons = world->GetBeacons();
    int32_t index = character->GetBeaconIndex();
    if (index < 0 || uint32_t(index) >= beacons.GetCount()) {
        index = 0;
    }
    int32_t failures = 0;
    for (; uint32_t(index) < beacons.GetCount(); ++index) {
        const OmVector3 point(beacons[uint32_t(index)].x, character->GetPosition().y, beacons[uint32_t(index)].z);
        if (GroundDistanceSquared(point, character->GetPosition()) > maxDistance * maxDistance
            || IsNearAnyThreat(point, minDistance)) {
            continue;
        }
        if (StartMoveTo(*character, point)) {
            character->SetBeaconIndex(index + 1);
            return true;
        }
        if (++failures > kCowerPlanTries) {
            character->SetBeaconIndex(index + 1);
            return false;
        }
    }
    character->SetBeaconIndex(0);
    return false;
}
