// The base of every creature in a level: the player's characters and all
// others. It adds to the model health and vitality, defences, an inventory
// and an innate attack, a life state, sound slots, the list of nearby
// entities, a path follower and a squad, and the action machinery that
// turns commands (follow a path, go and use, attack at range or close)
// into movement and animation each tick. Squads steer their members
// through the member actions; the player's control issues the same orders.
//
// Entity references (targets, the last attacker, the use target) are not
// counted: entities stay on the entity database's lists, or its garbage
// list, until the level goes, so a reference never outlives its entity
// while the level plays. Validity is judged by the entity's flags.
#pragma once

#include <cstdint>
#include <string>

#include "engine/OmArray.h"
#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "engine/OmVector3.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLink.h"
#include "game/objects/TsActionState.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterCounters.h"
#include "game/objects/TsCharacterTargets.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsModel.h"
#include "game/objects/TsNeighbourList.h"
#include "game/objects/TsPathTrack.h"
#include "game/objects/TsRouteFollower.h"
#include "game/objects/TsTimedAttachment.h"
#include "game/objects/TsVitals.h"
#include "game/objects/TsWaist.h"
#include "game/objects/TsWeaponAttributes.h"
#include "game/objects/TsWeaponObject.h"

class TsAttack;
class TsCollectibleObject;
class TsSquadObject;
class TsPathfinder;
class TsWaypointObject;

enum TsCharSound : int32_t {
    TS_CHARSOUND_PAIN1 = 0,
    TS_CHARSOUND_PAIN2 = 1,
    TS_CHARSOUND_DEATH = 2,
    TS_CHARSOUND_ALERT = 3,
    TS_CHARSOUND_DAMAGE50 = 4,
    TS_CHARSOUND_DAMAGE10 = 5,
    TS_CHARSOUND_WEAPONEMPTY = 6,
    TS_CHARSOUND_CANNOTPICKUP = 7,
    TS_CHARSOUND_HEALED = 8,
    TS_CHARSOUND_GIVE = 9,
    TS_CHARSOUND_TAMSAHEAL = 10,
    TS_NUM_CHARACTER_SOUNDS = 11,
};

enum TsSkill : int32_t {
    TS_SKILL_NONE = 0,
    TS_SKILL_STEALTH = 1,
    TS_SKILL_TECH = 2,
    TS_SKILL_COMBAT = 4,
    TS_SKILL_NEGOTIATION = 8,
    TS_SKILL_HEALING = 16,
};

class TsCharacterObject : public TsModel, public TsNeighbourListOwner {
    OM_DECLARE_ABSTRACT_CLASS(TsCharacterObject)

    // Life states; below kStunned counts as mobile.
    enum LifeState : int32_t {
        kImmune = 0,
        kAlive = 1,
        kStunned = 2,
        kDead = 3,
        kFading = 4,
    };
    // The action states and pending commands (see TsActionState).
    using enum TsActionState::State;
    using enum TsActionState::Command;
    static constexpr int32_t kNoAction = TsActionState::kNoAction;
    static constexpr float kMeleeReach = 4.0f;
    static constexpr int32_t kCrouchableBit = 4;
    static constexpr int32_t kMaxSoundId = 239;
    // Stealth gear whose value is below this hides a crouching character
    // from alerted listeners.
    static constexpr float kStealthThreshold = 1.4f;
    // The configured squad behaviour under which a character holds its ground.
    static constexpr int32_t kPatrolBehaviour = 15;
    // Timer kind that starts the fade-out after death.
    static constexpr int32_t kFadeTimerKind = 2;
    // Timer kind that only holds a creature that burst to the next tick.
    static constexpr int32_t kLastTickTimerKind = 3;

    using Neighbour = TsNeighbourList::Neighbour;
    struct Ignored {
        TsLink<TsEntity> entity;
        int32_t ticksLeft = 0;
    };

    TsCharacterObject();
    explicit TsCharacterObject(OmArchive& archive);
    ~TsCharacterObject() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // The squad's reference to its member: the saved count leaves it out
    // and Read takes it again, so the squad's list adopts it.
    uint32_t RetakenReferences() const override;
    // A character linked to a squad is listed in it.
    bool LinksAreSound() const override;
    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    // Draws the model once in each look a fight gives it (a hit's flash, a
    // fallen character's fade), for a frame that is never shown: the device
    // builds those drawing states before the first fight needs them.
    void DrawFightLooks(float renderTime);
    bool OnTimer(TsTimerEntry& entry) override;
    void OnTouch(TsEntity* other, float separation) override;
    void OnHit(TsAttack& attack) override;
    void Use(TsCharacterObject* user) override;
    void Die() override;
    bool DrawModel(float time, float fraction) override;
    bool LoadModel(const char* directory) override;

    // The character's own operations, overridden by the subclasses.
    virtual void ResetState();
    virtual void BeginFadeOut();
    virtual bool AttackTarget(TsEntity* target, const OmVector3& aimPoint, bool force);
    virtual bool IsRadarVisible() const { return true; }

    // Die with its answer: 3 when already dead, the squad's answer when the
    // character has one, else -1.
    int32_t DieAndReport();

    // Script-visible setters and queries.
    void SetSquadIndex(int32_t index) { m_squadIndex = index; }
    int32_t GetSquadIndex() const { return m_squadIndex; }
    void SetAnimationClass(int32_t animationClass) { m_animationClass = animationClass; }
    int32_t GetAnimationClass() const { return m_animationClass; }
    void SetWalkSpeed(float speed) { m_walkSpeed = speed; }
    float GetWalkSpeed() const { return m_walkSpeed; }
    void SetRunSpeed(float speed);
    float GetRunSpeed() const { return m_runSpeed; }
    void SetMaxHealth(float maximum) { m_vitals.SetMaxHealth(maximum); }
    void SetMaxVitality(float maximum) { m_vitals.SetMaxVitality(maximum); }
    void SetHealth(float value) { m_vitals.SetHealth(value); }
    void SetVitality(float value) { m_vitals.SetVitality(value); }
    void SetHealthRecovery(float rate) { m_vitals.SetHealthRecovery(rate); }
    void SetVitalityRecovery(float rate) { m_vitals.SetVitalityRecovery(rate); }
    float GetVitalityRecovery() const { return m_vitals.GetVitalityRecovery(); }
    void SetPhysicalDefence(float value) { m_defences[0] = value; }
    void SetChemicalDefence(float value) { m_defences[1] = value; }
    void SetEnergyDefence(float value) { m_defences[2] = value; }
    void SetOffenceSkill(float value) { m_offenceSkill = value; }
    float GetOffenceSkill() const { return m_offenceSkill; }
    // Adds the skill bits; none is ever taken away.
    void SetSkill(int32_t skill) { m_skill |= skill; }
    int32_t GetSkill() const { return m_skill; }
    void SetWaistBone(int32_t bone) { m_waist.SetBone(bone); }
    void SetAttackBone(int32_t bone) { m_attackBone = bone; }
    void SetMaxTurnRate(float rate) { m_maxTurnRate = rate; }
    float GetMaxTurnRate() const { return m_maxTurnRate; }
    bool IsMobile() const { return m_lifeState < kStunned && m_action.GetState() != kHitReaction; }
    void Stun(float seconds);
    bool IsStunned() const { return m_lifeState == kStunned; }
    void SetAttentionRange(float range) { m_attentionRange = range; }
    float GetAttentionRange() const { return m_attentionRange; }
    float GetMaxHealth() const { return m_vitals.GetMaxHealth(); }
    float GetHealth() const { return m_vitals.GetHealth(); }
    float GetMaxVitality() const { return m_vitals.GetMaxVitality(); }
    float GetVitality() const { return m_vitals.GetVitality(); }
    // Both die when health runs out.
    float IncrementVitality(float delta);
    float IncrementHealth(float delta);
    // The giver's article count at the end.
    int32_t GiveEntireInventory(TsCharacterObject* other);
    bool GiveArticle(TsCharacterObject* other, TsObject* article);
    TsSquadObject* GetSquad() const { return m_squad; }
    // Set and cleared by the squad alone, as it takes and gives back its
    // reference to the member.
    void SetSquad(TsSquadObject* squad) { m_squad = squad; }
    TsInventory* GetInventory() const { return m_inventory; }
    TsWeaponObject* InnateAttack() const { return m_innateAttack; }
    // The inventory's equipped article when there is one, else the innate
    // attack (null until weapons exist).
    TsWeaponObject* GetCurrentAttack() const;
    void SetCrouchable() { m_options |= kCrouchableBit; }
    bool IsCrouchable() const { return (m_options & kCrouchableBit) != 0; }
    void SetDisplayRaceID(int32_t id) { m_displayRaceId = id; }
    int32_t GetDisplayRaceID() const { return m_displayRaceId; }
    void GivePathKeyA() { m_route.GivePathKeyA(); }
    bool HasPathKeyA() const { return m_route.HasPathKeyA(); }
    void SetMayCrossOccupied(bool may) { m_route.SetMayCrossOccupied(may); }
    void SetInitialArticleName(const char* name) { m_initialArticle.Set(name); }
    // The article the inventory equips is shown in the character's hand
    // (on the attack bone) and taken away again when unequipped.
    void AttachArticle(TsCollectibleObject* article);
    void DetachArticle(TsCollectibleObject* article);

    float GetPhysicalDefence() const;
    float GetChemicalDefence() const;
    float GetEnergyDefence() const;
    // Own defence of a matter type plus the inventory's bonus for it.
    float GetDefence(int32_t matterType) const;
    bool IsHostileTo(const TsCharacterObject* other) const;
    // Stores a sound id (0..239) in a slot (0..10); anything else is ignored.
    void FlagSoundForLoading(int32_t slot, int32_t soundId);
    int32_t GetSoundSlot(int32_t slot) const;
    // Plays a slot's sound at the character's position; false when the
    // slot is empty or there is no audio.
    bool PlaySoundSlot(int32_t slot, const OmVector3& at) const;
    bool IsSoundSlotPlaying(int32_t slot) const;

    // Neighbours: the active entities but this one, with their ground
    // separation (distance minus both radii). From the level's grid only
    // those within the character's reach are gathered; from a plain array
    // every entity is.
    void BuildNeighbourList(const TsEntityGrid& activeEntities) override;
    void BuildNeighbourList(const OmArray<TsEntity*>& activeEntities) { m_neighbours.Build(*this, activeEntities); }
    // The farthest separation anything the character does looks for its
    // neighbours at: its senses (alerted or not), its weapon's reach, and
    // the squads' and the player's own checks.
    float NeighbourReach() const;
    static constexpr float kLeastNeighbourReach = 20.0f;
    // Nearest first (see TsNeighbourList).
    const OmArray<Neighbour>& GetNeighbours() const { return m_neighbours.Sorted(); }
    const OmArray<Neighbour>& GetGatheredNeighbours() const { return m_neighbours.Gathered(); }
    void NeighboursWithin(float limit, OmArray<Neighbour>& out) const { m_neighbours.Within(limit, out); }

    // Entities the AI skips for a short while.
    void AddIgnore(TsEntity* entity);
    void RemoveIgnore(TsEntity* entity);
    bool IsIgnored(const TsEntity* entity) const;
    bool HasIgnoredEntities() const { return m_ignoreList.GetCount() > 0; }
    void AgeIgnoreList();

    // State read by the AI, the HUD and rendering.
    int32_t GetLifeState() const { return m_lifeState; }
    void SetLifeState(int32_t state) { m_lifeState = state; }
    int32_t GetActionState() const { return m_action.GetState(); }
    int32_t GetPendingCommand() const { return m_action.GetCommand(); }
    bool IsRunning() const { return m_action.IsRunning(); }
    bool IsAiming() const { return m_aiming != 0; }
    float GetFade() const { return m_fade; }
    int32_t GetBusyTicks() const { return m_counters.GetBusyTicks(); }
    void SetBusyTicks(int32_t ticks) { m_counters.SetBusyTicks(ticks); }
    int32_t GetStunTicks() const { return m_counters.GetStunTicks(); }
    int32_t GetHitFlashTicks() const { return m_counters.GetHitFlash(); }
    int32_t GetCooldown() const { return m_counters.GetCooldown(); }
    void SetCooldown(int32_t ticks) { m_counters.SetCooldown(ticks); }
    int32_t GetTickCounter() const { return m_counters.GetTickCounter(); }
    void SetTickCounter(int32_t counter) { m_counters.SetTickCounter(counter); }
    const OmVector3& GetBasePoint() const { return m_targets.GetBasePoint(); }
    void SetBasePoint(const OmVector3& point) { m_targets.SetBasePoint(point); }
    const OmVector3& GetAimPoint() const { return m_targets.GetAimPoint(); }
    TsCharacterObject* GetLastAttacker() const { return m_targets.GetLastAttacker(); }
    int32_t GetLastHitTick() const { return m_targets.GetLastHitTick(); }
    int32_t GetBeaconIndex() const { return m_route.GetBeaconIndex(); }
    void SetBeaconIndex(int32_t index) { m_route.SetBeaconIndex(index); }
    int32_t GetCurrentAnimation() const { return m_action.GetCurrentAnimation(); }

    TsEntity* GetFirstTarget() const { return m_targets.GetFirst(); }
    void SetFirstTarget(TsEntity* target) { m_targets.SetFirst(target); }
    TsEntity* GetLockedTarget() const { return m_targets.GetLocked(); }
    // Stores the target only when it is a valid one (heal targets allowed).
    void SetLockedTarget(TsEntity* target);
    TsEntity* GetAssignedTarget() const { return m_targets.GetAssigned(); }
    void SetAssignedTarget(TsEntity* target);
    void ClearAssignedTarget() { m_targets.Assign(nullptr); }
    void ClearLockedTarget() { m_targets.Lock(nullptr); }
    void ClearTargets();

    // Actions and movement.
    void StopMoving();
    void DropLockedTarget();
    void MoveTo(const OmVector3& point) { PlanMoveTo(point, true, nullptr); }
    void PlanMoveTo(const OmVector3& point, bool adjust, TsEntity* ignore);
    bool PlanPath(const OmVector3& point, int32_t iterationLimit, bool adjust, TsEntity* ignore);
    bool UseEntity(TsEntity* target);
    // Walks a waypoint chain: round and round for a closed chain.
    void FollowWaypoints(TsWaypointObject* first);
    bool IsPathDone() const { return m_route.IsDone(m_position); }
    bool GetMoveTarget(OmVector3& point) const { return m_route.GetEnd(point); }
    const TsPathTrack& GetTrack() const { return m_route.GetTrack(); }
    // Turns toward a unit ground direction by at most this tick's turn;
    // true when facing it.
    bool TurnToward(const OmVector3& direction);
    // Whether the straight walk between two points suits this character.
    bool CanWalkStraight(const OmVector3& from, const OmVector3& to, bool occupiedOK) const;
    // The pathfinder cell the character stands on and its clearance class.
    int32_t GetPathCell() const;
    int32_t GetClearanceClass() const;

    // Attacks.
    bool IsValidTarget(const TsEntity* target, bool allowHealTarget) const;
    bool GenerateAttackBase(const OmVector3& targetPosition, float minDistance, float maxDistance);
    bool GenerateCowerBase(const TsEntity* threat, float minDistance, float maxDistance);
    // A random point whose x and then z each lie between min and max from
    // the centre, each on a random side; y stays the centre's.
    static OmVector3 RingPoint(const OmVector3& centre, float minDistance, float maxDistance);
    TsEntity* GetFirstValidTarget() const;
    // The sound slot a hit plays: the health thresholds for player
    // characters, else one of the pains by the coin.
    int32_t ChooseDamageSound(float dealt, bool coinIsZero) const;

    // Senses.
    bool Sense();
    bool IsEnemyNear(float radius, float& reach) const;
    bool HasLineOfSight(const TsEntity* other) const;
    // Whether this character hears or sees the other (the senses' test),
    // at a squared ground distance.
    bool Notices(const TsCharacterObject* other, float squared, float hearing, float range,
                 const OmVector3& heading) const;
    // Crouching with stealth gear good enough to pass alerted listeners.
    bool IsCreepingUnnoticed() const;
    OmVector3 GetMuzzlePoint() const;

    // Member actions, called once a tick by the squad.
    void FightNearestThreat();
    void AttackRanged(const OmVector3& centre, bool stayInFormation, float minDistance, float maxDistance);
    void AttackMelee(const OmVector3& centre, float minDistance, float maxDistance);
    void Sentry(const OmVector3& origin, float range);
    void Cower(float minDistance, float maxDistance);
    void Flee(float minDistance, float maxDistance);

    // Whether the game is frozen: a locked-out conversation or cut scene.
    static bool IsWorldFrozen();
    // The squad's configured behaviour, -1 without a squad.
    int32_t SquadConfiguredBehaviour() const;
    // The current attack's equip type, weapon type and range (squads choose
    // member actions by them).
    TsEquipType CurrentEquipType() const;
    TsWeaponType CurrentWeaponType() const;
    float CurrentRange() const;

protected:
    // The steps of a tick, in order.
    bool TickLife();
    void TickRecovery();
    void TickCounters();
    void TickStun();
    void TouchScan();
    void RunCommand();
    void UpdateAnimation();
    // Starts (or queues after the current one) an animation of the
    // character's animation class on its skinned shape.
    void PlayAnimation(int32_t id, int32_t mode, bool queue) { m_action.Play(GetFigure(), id, mode, queue); }
    TsActionState::Figure GetFigure() const;

    void ChooseGait();
    void StartFollowing();
    void FollowPath();
    void AdvanceAlongPath(float speedFactor);
    void AimedMovement();
    void UseStep();
    void RangedAttackStep();
    void ShootAt(const OmVector3& aimPoint, bool rocket);
    void TakeFiringPose(const OmVector3& d, bool rocket);
    OmVector3 LeadOn(const TsEntity* target) const;
    void CloseAttackStep();
    void Strike(const OmVector3& direction);
    void LoadTongue();
    bool LoadMorphFigure(const std::string& folder, const std::string& path);
    bool BorrowSkinMesh();
    bool LoadSkinnedFigure(const std::string& folder, const std::string& path, const std::string& bones);
    void CloseApproach();
    // The ground under the path's end, measured from the height of the point
    // the move was ordered to (the HUD's destination marker stands there).
    void StoreGoalHeight(float goalY);
    float GroundUnder(const OmVector3& goal, float goalY) const;
    void AttackOrder(TsEntity* target);
    bool WithinRange(const TsEntity* target) const;
    void WalkToBase();
    void RandomiseCounter();
    bool HasClearSight(const TsEntity* target) const { return HasLineOfSight(target); }

    void PlayDamageSound(float dealt);
    bool IsImmune() const;
    bool IsCloseAttack() const;
    // Fires the current attack from a point in a direction; false when it
    // could not fire.
    bool FireCurrentAttack(const OmVector3& from, const OmVector3& direction, TsEntity* target);
    // Fires a weapon by the path its current block's kind takes.
    static bool FireWeapon(TsWeaponObject* weapon, const OmVector3& from, const OmVector3& direction,
                           TsEntity* target);
    bool AddInitialArticle();
    void KnockBack(const OmVector3& direction, float dealt);
    void MarkOwnCell(bool occupied);
    // The owned and referenced objects as the archive sees them.
    OmObject* InventoryObject() const;
    OmObject* InnateAttackObject() const;
    OmObject* SquadObject() const;

    // Members, after the model's. Every neighbour's senses read these three
    // each tick (is it stunned, how loud is it, whose side is it on): they
    // share a cache line.
    int32_t m_lifeState = kAlive;
    TsCharacterCounters m_counters;
    TsSquadObject* m_squad = nullptr; // borrowed: the squad lists its members
    OmArray<Ignored> m_ignoreList{16};
    OmRef<TsInventory> m_inventory;
    int32_t m_displayRaceId = -1;
    float m_walkSpeed = 2.5f;
    float m_runSpeed = 2.5f;
    uint8_t m_runToAttack = 0;
    float m_floatWord = 0.0f; // kept for the saved format: saved and read, never used
    float m_attentionRange = 10.0f;
    TsVitals m_vitals;
    float m_defences[TS_NUM_MATTER_TYPES] = {0.0f, 0.0f, 0.0f};
    float m_offenceSkill = 100.0f;
    int32_t m_skill = TS_SKILL_NONE;
    OmRef<TsWeaponObject> m_innateAttack;
    uint8_t m_actionByte = 0; // kept for the saved format: saved and read, never used
    uint8_t m_aiming = 0;
    int32_t m_options = 1;
    float m_fade = 1.0f;
    TsCharacterTargets m_targets;
    TsWaist m_waist;
    float m_maxTurnRate = OM_TWO_PI;
    int32_t m_attackRequested = 0;
    TsActionState m_action;
    uint8_t m_spareByte = 0; // kept for the saved format: saved and read, never used
    TsNeighbourList m_neighbours;
    OmNode* m_modelInstance = nullptr;
    int32_t m_attackBone = -1;
    int32_t m_limits[2] = {8388607, 8388607};
    int32_t m_animationClass = -1;
    TsRouteFollower m_route;
    int32_t m_squadIndex = -1;
    int32_t m_sounds[TS_NUM_CHARACTER_SOUNDS] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    OmString m_initialArticle;

    // Not saved: rebuilt as play goes on.
    TsLink<TsEntity> m_useTarget;
    TsTimedAttachment m_tongue; // loaded with the figure
};
