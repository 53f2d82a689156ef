// The player's own squad: the first member is the character the player
// controls; the others follow it, heal, and fight what the squad has seen.
#include <algorithm>
#include <cmath>

#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsSquadMembers.h"
#include "game/objects/TsWeaponObject.h"

using TsSquadMembers::CharacterAt;
using TsSquadMembers::IsLiving;

namespace {

const OmVector3 kNoCentre(1.0e18f, 0.0f, 1.0e18f);
constexpr float kFollowNear = 2.0f;
constexpr float kFollowFar = 3.0f;

bool IsHealer(const TsCharacterObject& c)
{
    const TsWeaponObject* attack = c.GetCurrentAttack();
    return attack && attack->Current().efficiency < 0.0f;
}

bool IsWounded(const TsCharacterObject& c)
{
    return c.GetHealth() < 0.5f * c.GetMaxHealth() || c.GetHealth() + c.GetVitality() < 0.25f * c.GetMaxHealth();
}

} // namespace

void TsSquadObject::RunPlayer()
{
    const OmList::Node* first = m_members.GetFirst();
    TsCharacterObject* leader = CharacterAt(first);
    const bool threats = AgeThreats();
    float reach = 0.0f;
    const bool enemyNear = leader && leader->IsEnemyNear(kEnemyNearRange, reach);
    if (threats) {
        AssignTargets();
    }
    int32_t n = 0;
    for (const OmList::Node* node = first ? first->next : nullptr; node; node = node->next) {
        TsCharacterObject* follower = CharacterAt(node);
        if (IsLiving(follower)) {
            PlayerFollower(*follower, n, threats, enemyNear);
        }
        ++n;
    }
}

void TsSquadObject::PlayerFollower(TsCharacterObject& follower, int32_t n, bool threats, bool enemyNear)
{
    if (HealStep(follower)) {
        return;
    }
    const TsPCObject* pc = TsPCObject::Cast(&follower);
    const bool stay = pc && pc->GetStay();
    const bool shootOn = !pc || pc->IsShootOn();
    if (!threats) {
        if (!shootOn && !stay && enemyNear) {
            follower.Flee(10.0f, 30.0f);
        } else {
            FollowLeader(follower, n);
        }
        return;
    }
    if (stay) {
        follower.StopMoving();
        return;
    }
    if (!shootOn) {
        if (enemyNear) {
            follower.Flee(10.0f, 30.0f);
        } else {
            FollowLeader(follower, n);
        }
        return;
    }
    TsEntity* assigned = follower.GetAssignedTarget();
    if ((!follower.GetLockedTarget() && !assigned) || (assigned && follower.IsIgnored(assigned))) {
        FollowLeader(follower, n);
        return;
    }
    if (follower.CurrentWeaponType() != TS_WEAPON_MELEE) {
        const float range = follower.CurrentRange();
        follower.AttackRanged(kNoCentre, false, std::min(2.0f, range), std::min(7.0f, range));
    } else if (assigned) {
        follower.AttackTarget(assigned, assigned->GetPosition(), true);
    }
}

// A wounded follower takes a healing item; a healer that can spare it
// heals the first member below half health.
bool TsSquadObject::HealStep(TsCharacterObject& follower)
{
    if (IsWounded(follower) && follower.GetInventory()) {
        const bool byHealth = follower.GetHealth() < follower.GetMaxHealth();
        if (TsItemObject* item = follower.GetInventory()->FindHealingItem(byHealth, true)) {
            follower.StopMoving();
            item->AutoUse();
            return true;
        }
    }
    if (!IsHealer(follower)
        || follower.GetHealth() + follower.GetVitality() < 0.25f * follower.GetMaxHealth()) {
        return false;
    }
    for (const OmList::Node* node = m_members.GetFirst(); node; node = node->next) {
        TsCharacterObject* other = CharacterAt(node);
        if (other != &follower && other && !other->HasFlag(TS_ENTITY_DEAD)
            && other->GetHealth() < 0.5f * other->GetMaxHealth()) {
            follower.AttackTarget(other, other->GetPosition(), true);
            return true;
        }
    }
    return false;
}

// Followers trail the leader two by two, a step behind and to either side.
void TsSquadObject::FollowLeader(TsCharacterObject& follower, int32_t n)
{
    follower.ClearAssignedTarget();
    if (follower.GetBusyTicks() > 0) {
        return;
    }
    const OmList::Node* first = m_members.GetFirst();
    TsCharacterObject* leader = CharacterAt(first);
    const TsPCObject* pc = TsPCObject::Cast(&follower);
    if (!leader || leader == &follower || (pc && pc->GetStay()) || follower.IsIgnored(leader)) {
        follower.StopMoving();
        return;
    }
    const OmVector3& at = leader->GetPosition();
    const float distance = std::sqrt(GroundDistanceSquared(follower.GetPosition(), at));
    if (distance <= kFollowNear) {
        follower.StopMoving();
        return;
    }
    if (distance <= kFollowFar) {
        if (follower.IsPathDone()) {
            follower.StopMoving();
        }
        return;
    }
    OmVector3 goal;
    if (follower.GetMoveTarget(goal) && !follower.IsPathDone() && GroundDistanceSquared(goal, at) <= kFollowFar * kFollowFar) {
        return;
    }
    const OmVector3 h = leader->GetDirection();
    const OmVector3 s(-h.z, 0.0f, h.x);
    const float side = (n % 2 == 0) ? 0.7f : -0.7f;
    const OmVector3 behind = at - (h * 1.0f + s * side);
    follower.PlanMoveTo(behind, true, nullptr);
    if (follower.GetTrack().GetCount() == 0) {
        follower.PlanMoveTo(at, true, leader);
    }
    if (follower.GetTrack().GetCount() == 0) {
        follower.AddIgnore(leader);
    }
}
