// The squad's data: members, threats, the leader's trail, its archive form
// and import. Behaviours, target assignment and formations are in
// TsSquadBehaviours.cpp.
#include "game/objects/TsSquadObject.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsSquadMembers.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsWaypointObject.h"

OM_IMPLEMENT_CLASS(TsSquadObject, TsObject)

using TsSquadMembers::CharacterAt;
using TsSquadMembers::IsLiving;

TsSquadObject::TsSquadObject() = default;

TsSquadObject::TsSquadObject(OmArchive& archive) : TsObject(archive) {}

bool TsSquadObject::Initialise()
{
    ReserveThreats();
    return TsObject::Initialise();
}

void TsSquadObject::ReserveThreats()
{
    m_threats.Reserve(m_threats.GetGrowStep());
    m_threatSlots.Reserve(m_threats.GetGrowStep());
}

TsSquadObject::~TsSquadObject()
{
    // A failed load takes the members down itself, whatever their counts.
    if (OmArchive::IsBeingTakenDown(*this)) {
        m_members.Abandon();
        return;
    }
    // Members keep no dangling link back to a squad that has gone.
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        if (TsCharacterObject* member = CharacterAt(n); member && member->GetSquad() == this) {
            member->SetSquad(nullptr);
        }
    }
    // The references go here, while the threat records are still whole: a
    // member held by nothing else dies now, and its death may reach back
    // into this squad, whatever the order its lists are destroyed in.
    m_members.RemoveAll();
}

void TsSquadObject::Reset()
{
    m_index = -1;
    m_teamId = -1;
    m_origin = OmVector3();
    m_range = 10.0f;
    m_team = nullptr;
    m_patrolPath = nullptr;
    m_patrolPathName.Set(nullptr);
    RemoveAllMembers();
    m_behaviour = TS_BEHAVIOUR_ATTACK;
    m_effectiveBehaviour = TS_BEHAVIOUR_SENTRY;
    m_formation = FORMATION_NONE;
    m_leaderHealthThreshold = 0.0f;
    m_threatMemory = 10 * TsAccess::TicksPerSecond();
    ResetTransientState();
    m_trailSpacing = kTrailSpacing;
    m_trailLength = 0;
    m_trailHead = 0;
}

void TsSquadObject::ResetTransientState()
{
    m_patrolPath = nullptr;
    m_patrolWaypoint = nullptr;
    m_otherReference = nullptr;
    // Records past the count keep no link.
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        m_threats[i].entity = nullptr;
    }
    m_threats.RemoveAll();
    m_threatCount = 0;
    m_threatSlots.Clear();
    m_threatSlotsStale = m_threatListedTwice = false;
}

// ---- archive ----------------------------------------------------------------

bool TsSquadObject::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive)) {
        return false;
    }
    if (m_team) {
        m_team->Register(archive);
    }
    if (m_patrolPath) {
        m_patrolPath->Register(archive);
    }
    m_members.RegisterAll(archive);
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        if (m_threats[i].entity) {
            m_threats[i].entity->Register(archive);
        }
    }
    if (m_patrolWaypoint) {
        m_patrolWaypoint->Register(archive);
    }
    if (m_otherReference) {
        m_otherReference->Register(archive);
    }
    return true;
}

void TsSquadObject::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteI32(m_index).WriteI32(m_teamId).WriteVector(m_origin).WriteFloat(m_range);
    archive.WriteObjectRef(m_team).WriteObjectRef(m_patrolPath);
    m_patrolPathName.Write(archive);
    m_members.WriteRefs(archive);
    archive.WriteI32(m_behaviour).WriteI32(m_effectiveBehaviour).WriteI32(m_formation);
    archive.WriteFloat(m_leaderHealthThreshold).WriteI32(m_threatMemory);
    // The count written is the number of records that follow.
    int32_t live = 0;
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        live += m_threats[i].entity ? 1 : 0;
    }
    archive.WriteI32(live);
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        const Threat& threat = m_threats[i];
        if (threat.entity) {
            archive.WriteObjectRef(threat.entity).WriteI32(threat.attackers).WriteI32(threat.seen);
            threat.ticksLeft.Write(archive);
        }
    }
    archive.WriteObjectRef(m_patrolWaypoint).WriteObjectRef(m_otherReference);
    archive.WriteFloat(m_trailSpacing).WriteI32(m_trailLength).WriteI32(m_trailHead);
    for (const float* point : m_trail) {
        archive.WriteFloat(point[0]).WriteFloat(point[1]);
    }
}

// Members must be characters and threats entities: a reference to anything
// else is a damaged file.
void TsSquadObject::ReadMembers(OmArchive& archive)
{
    uint32_t count = 0;
    archive.ReadU32(count);
    if (!archive.HasFailed() && !archive.CanRead(uint64_t(count) * 4)) {
        archive.Fail("a squad's member list is longer than the file");
    }
    // Classes are checked against the file's class table: a member may not
    // be constructed yet when its reference is read.
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        OmRef<TsCharacterObject> member;
        archive.ReadRef(member); // the member's Read takes the squad's reference
        if (member) {
            m_members.AddTail(std::move(member));
        }
    }
}

bool TsSquadObject::LinksAreSound() const
{
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        const TsCharacterObject* member = CharacterAt(n);
        if (!member || member->GetSquad() != this || m_members.Find(member) != n) {
            return false;
        }
    }
    return true;
}

void TsSquadObject::ReadThreats(OmArchive& archive)
{
    m_threatSlotsStale = true;
    archive.ReadI32(m_threatCount);
    if (archive.HasFailed()) {
        m_threatCount = 0;
        return;
    }
    if (m_threatCount < 0 || !archive.CanRead(uint64_t(m_threatCount) * 16)) {
        m_threatCount = 0;
        archive.Fail("a squad's threat count is out of range");
        return;
    }
    for (int32_t i = 0; i < m_threatCount && !archive.HasFailed(); ++i) {
        Threat threat;
        int32_t seen = 0;
        ReadLink(archive, threat.entity);
        archive.ReadI32(threat.attackers).ReadI32(seen);
        threat.ticksLeft.Read(archive, "a squad's memory of a threat");
        threat.seen = seen != 0 ? 1 : 0;
        m_threats.Add(threat);
    }
    if (archive.HasFailed()) {
        m_threats.RemoveAll();
        m_threatCount = 0;
    } else {
        m_threatCount = 0;
        for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
            m_threatCount += m_threats[i].entity ? 1 : 0;
        }
    }
}

void TsSquadObject::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    archive.ReadI32(m_index).ReadI32(m_teamId).ReadVector(m_origin).ReadFloat(m_range);
    ReadLink(archive, m_team);
    ReadLink(archive, m_patrolPath);
    m_patrolPathName.Read(archive);
    ReadMembers(archive);
    archive.ReadI32(m_behaviour).ReadI32(m_effectiveBehaviour).ReadI32(m_formation);
    archive.ReadFloat(m_leaderHealthThreshold).ReadI32(m_threatMemory);
    ReadThreats(archive);
    ReadLink(archive, m_patrolWaypoint);
    ReadLink(archive, m_otherReference);
    archive.ReadFloat(m_trailSpacing).ReadI32(m_trailLength).ReadI32(m_trailHead);
    for (float* point : m_trail) {
        archive.ReadFloat(point[0]).ReadFloat(point[1]);
    }
    // The trail is a ring of eight: a head or length outside it would index
    // past the ring.
    if (m_trailLength < 0 || m_trailLength > kTrailSize || m_trailHead < 0 || m_trailHead >= kTrailSize) {
        if (!archive.HasFailed()) {
            LogErrorF("TsSquadObject: squad %s has a trail of %d points at head %d; the trail restarts",
                      NameOrEmpty(), m_trailLength, m_trailHead);
        }
        m_trailLength = 0;
        m_trailHead = 0;
    }
}

// ---- members ------------------------------------------------------------------

TsCharacterObject* TsSquadObject::GetMember(int32_t i) const
{
    const OmList::Node* n = m_members.GetFirst();
    for (; n && i > 0; --i) {
        n = n->next;
    }
    return i == 0 ? CharacterAt(n) : nullptr;
}

int32_t TsSquadObject::AliveMemberCount() const
{
    int32_t count = 0;
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        count += IsLiving(CharacterAt(n)) ? 1 : 0;
    }
    return count;
}

const TsObject* TsSquadObject::GetCensusTeam() const
{
    return m_team;
}

TsCharacterObject* TsSquadObject::GetLeader() const
{
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        if (IsLiving(CharacterAt(n))) {
            return CharacterAt(n);
        }
    }
    return nullptr;
}

void TsSquadObject::AddMember(TsCharacterObject* character)
{
    if (!character || character->GetSquad() == this) {
        return;
    }
    OmRef<TsCharacterObject> joining(character); // held while it leaves its old squad
    if (TsSquadObject* old = character->GetSquad()) {
        old->RemoveMember(character);
    }
    character->SetSquad(this);
    m_members.AddTail(std::move(joining));
}

bool TsSquadObject::RemoveMember(TsCharacterObject* character)
{
    OmRef<TsCharacterObject> leaving = m_members.Remove(character);
    if (!leaving) {
        return false;
    }
    if (character->GetSquad() == this) {
        character->SetSquad(nullptr);
    }
    return true; // the squad's reference goes last
}

void TsSquadObject::RemoveAllMembers()
{
    while (TsCharacterObject* member = GetMember(0)) {
        RemoveMember(member);
    }
}

// The dead member's link goes too: the squad may go before the body does,
// and a dead character is nobody's enemy any more.
bool TsSquadObject::OnMemberDied(TsCharacterObject* character)
{
    return RemoveMember(character);
}

void TsSquadObject::SetLeader(TsCharacterObject* character)
{
    OmRef<TsCharacterObject> leader = m_members.Remove(character);
    if (!leader) {
        return;
    }
    m_members.AddHead(std::move(leader));
    ComputeLeaderHealthThreshold();
    RestartTrail(character->GetPosition());
}

void TsSquadObject::ComputeLeaderHealthThreshold()
{
    const TsCharacterObject* leader = GetLeader();
    if (!leader) {
        m_leaderHealthThreshold = 0.0f;
        return;
    }
    const float health = leader->GetHealth();
    const float keep = std::max(0.0f, std::max(0.5f * health, 0.25f * leader->GetMaxHealth()));
    m_leaderHealthThreshold = std::max(0.0f, health - keep);
}

void TsSquadObject::ForceActive(bool giveKeyA)
{
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        TsCharacterObject* member = CharacterAt(n);
        member->ForceActive();
        if (giveKeyA) {
            member->GivePathKeyA();
        }
    }
}

bool TsSquadObject::HasActiveMember() const
{
    for (const OmList::Node* n = m_members.GetFirst(); n; n = n->next) {
        if (CharacterAt(n)->HasFlag(TS_ENTITY_ACTIVE)) {
            return true;
        }
    }
    return false;
}

// ---- threats ------------------------------------------------------------------

void TsSquadObject::AddThreat(TsEntity* entity)
{
    if (!entity || RenewThreat(entity)) {
        return;
    }
    ++m_threatCount;
    uint32_t slot = 0;
    while (slot < m_threats.GetCount() && m_threats[slot].entity) {
        ++slot;
    }
    if (slot == m_threats.GetCount()) {
        m_threats.Add(Threat{});
    }
    m_threats[slot] = Threat{entity, 0, 1, TsCountdown<0>(m_threatMemory)};
    m_threatSlots.Set(entity, slot);
}

bool TsSquadObject::RenewThreat(const TsEntity* entity)
{
    Threat* known = FindThreat(entity);
    if (!known) {
        return false;
    }
    known->ticksLeft.Set(m_threatMemory);
    known->seen = 1;
    return true;
}

TsSquadObject::Threat* TsSquadObject::FindThreat(const TsEntity* entity)
{
    if (m_threatSlotsStale) {
        IndexThreats();
    }
    const uint32_t slot = m_threatSlots.Find(entity);
    return slot == OmPointerIndex::kNone ? nullptr : &m_threats[slot];
}

// A record's entity is gone: the index forgets it, unless another record
// lists it too, which only a saved game can do; then it is rebuilt.
void TsSquadObject::FreeThreat(Threat& threat)
{
    if (m_threatListedTwice) {
        m_threatSlotsStale = true;
    } else if (!m_threatSlotsStale) {
        m_threatSlots.Erase(threat.entity);
    }
    threat.entity = nullptr;
    --m_threatCount;
}

void TsSquadObject::IndexThreats()
{
    m_threatSlots.Clear();
    m_threatListedTwice = false;
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        const TsEntity* entity = m_threats[i].entity;
        if (!entity) {
            continue;
        }
        if (m_threatSlots.Find(entity) == OmPointerIndex::kNone) {
            m_threatSlots.Set(entity, i);
        } else {
            m_threatListedTwice = true;
        }
    }
    m_threatSlotsStale = false;
}

// ---- the trail ------------------------------------------------------------------

OmVector3 TsSquadObject::GetTrailPoint(int32_t stepsBack) const
{
    const int32_t slot = ((m_trailHead - stepsBack) % kTrailSize + kTrailSize) % kTrailSize;
    return OmVector3(m_trail[slot][0], 0.0f, m_trail[slot][1]);
}

void TsSquadObject::RestartTrail(const OmVector3& at)
{
    m_trailHead = 0;
    m_trailLength = 1;
    m_trail[0][0] = at.x;
    m_trail[0][1] = at.z;
}

void TsSquadObject::UpdateTrail(uint32_t tickCount)
{
    const int32_t perSecond = TsAccess::TicksPerSecond();
    const TsCharacterObject* leader = GetLeader();
    if (!leader || perSecond <= 0 || tickCount % uint32_t(perSecond) != 0) {
        return;
    }
    const OmVector3& at = leader->GetPosition();
    if (m_trailLength > 0) {
        const float dx = at.x - m_trail[m_trailHead][0];
        const float dz = at.z - m_trail[m_trailHead][1];
        if (dx * dx + dz * dz <= m_trailSpacing) {
            return;
        }
    }
    m_trailHead = (m_trailHead + 1) % kTrailSize;
    m_trail[m_trailHead][0] = at.x;
    m_trail[m_trailHead][1] = at.z;
    m_trailLength = std::min(m_trailLength + 1, kTrailSize);
}

// ---- names ------------------------------------------------------------------------

const char* TsSquadObject::BehaviourName(int32_t behaviour)
{
    switch (behaviour) {
    case TS_BEHAVIOUR_PLAYER: return "Player";
    case TS_BEHAVIOUR_ATTACK: return "Attack";
    case TS_BEHAVIOUR_DEFEND_BASE: return "Defend Base";
    case TS_BEHAVIOUR_DEFEND_LEADER: return "Defend Leader";
    case TS_BEHAVIOUR_COWER: return "Cower";
    case TS_BEHAVIOUR_FLEE: return "Flee";
    case TS_BEHAVIOUR_PATROL: return "Patrol";
    case TS_BEHAVIOUR_WANDER: return "Wander";
    case TS_BEHAVIOUR_SENTRY: return "Sentry";
    case TS_BEHAVIOUR_IDLE: return "";
    default: return "Unknown";
    }
}

const char* TsSquadObject::FormationName(int32_t formation)
{
    switch (formation) {
    case FORMATION_NONE: return "None";
    case FORMATION_SWARM: return "Swarm";
    case FORMATION_LINE: return "Line";
    case FORMATION_VEE: return "V";
    case FORMATION_SQUARE: return "Square";
    default: return "Unknown";
    }
}

namespace {
const bool g_forgetsOthers = TsObject::ForgetsOthers(&TsSquadObject::s_class);
}

// Threats are not counted: one that goes gives its record back, so the
// count and the index of records stay true. A member is held, so it goes
// only after leaving; should a miscount end one early, its entry goes
// without a release.
void TsSquadObject::ForgetObject(const TsObject* gone)
{
    m_members.Forget(gone);
    for (uint32_t i = 0; i < m_threats.GetCount(); ++i) {
        if (m_threats[i].entity.Get() == gone)
            FreeThreat(m_threats[i]);
    }
}
