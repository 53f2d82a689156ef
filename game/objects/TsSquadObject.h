// A squad decides what its members do. Once a tick it ages its shared list
// of threats, lets each member sense new ones, assigns each member a target
// by a score, and drives the members through one member action each by its
// behaviour: attack, defend its base or its leader, cower, flee, patrol,
// wander or stand sentry. Squads in a formation keep their members at
// slots about the leader. The player's own squad (index 0) runs the Player
// behaviour: the followers of the character the player controls stay close,
// heal, and fight what the squad has seen.
//
// Each member is held by a counted reference of the squad's own, taken as
// it joins and given back as it leaves or the squad goes, so a member lives
// at least as long as it is listed. A member's link back to its squad is
// borrowed: the squad clears it whenever it lets the member go. A character
// is a member of one squad at a time.
//
// The saved form predates the squad's reference: a member's saved count
// leaves it out, and the member takes it again as it is read back (see
// TsCharacterObject::RetakenReferences).
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmList.h"
#include "engine/OmPointerIndex.h"
#include "engine/OmRefList.h"
#include "engine/OmString.h"
#include "engine/OmVector3.h"
#include "game/framework/TsCountdown.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLink.h"
#include "game/framework/TsObject.h"

class TsCharacterObject;
class TsEntity;
class TsTeam;
class TsWaypointObject;

enum TsSquadBehaviour : int32_t {
    TS_BEHAVIOUR_PLAYER = 0,
    TS_BEHAVIOUR_ATTACK = 10,
    TS_BEHAVIOUR_DEFEND_BASE = 11,
    TS_BEHAVIOUR_DEFEND_LEADER = 12,
    TS_BEHAVIOUR_COWER = 13,
    TS_BEHAVIOUR_FLEE = 14,
    TS_BEHAVIOUR_PATROL = 15,
    TS_BEHAVIOUR_WANDER = 16,
    TS_BEHAVIOUR_SENTRY = 17,
    TS_BEHAVIOUR_IDLE = 18,
};

enum TsSquadFormation : int32_t {
    FORMATION_NONE = 0,
    FORMATION_SWARM = 1,
    FORMATION_LINE = 2,
    FORMATION_VEE = 3,
    FORMATION_SQUARE = 4,
};

class TsSquadObject : public TsObject, public TsSquadCensus {
    OM_DECLARE_CLASS(TsSquadObject)

    static constexpr int32_t kTrailSize = 8;
    static constexpr float kTrailSpacing = 4.0f; // squared: a point every 2.0
    static constexpr float kEnemyNearRange = 15.0f;

    // One hostile entity the squad knows of.
    struct Threat {
        TsLink<TsEntity> entity; // none: a free record
        int32_t attackers = 0;
        uint8_t seen = 0;
        TsCountdown<0> ticksLeft;
    };

    TsSquadObject();
    explicit TsSquadObject(OmArchive& archive);
    ~TsSquadObject() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // Finds the team, the patrol path and the members; false (logged) for a
    // duplicate index, a missing team or a missing patrol path.
    bool Import() override;
    // Every member links back to this squad and is listed once: each
    // member's reference rests on that.
    bool LinksAreSound() const override;
    bool Initialise() override;
    // The squad's update.
    void Tick(uint32_t tickCount) override { Update(tickCount); }
    void ForgetObject(const TsObject* gone) override;
    void Update(uint32_t tickCount);

    // Script-visible settings.
    void SetTeam(int32_t teamId) { m_teamId = teamId; }
    int32_t GetTeamId() const { return m_teamId; }
    TsTeam* GetTeam() const { return m_team; }
    void SetTeamObject(TsTeam* team) { m_team = team; }
    void SetIndex(int32_t index) { m_index = index; }
    int32_t GetIndex() const { return m_index; }
    void SetBehaviour(int32_t behaviour) { m_behaviour = behaviour; }
    int32_t GetBehaviour() const { return m_behaviour; }
    int32_t GetEffectiveBehaviour() const { return m_effectiveBehaviour; }
    void SetEffectiveBehaviour(int32_t behaviour) { m_effectiveBehaviour = behaviour; }
    void SetPatrolPath(const char* name) { m_patrolPathName.Set(name); }
    const char* GetPatrolPathName() const { return m_patrolPathName.Get(); }
    TsWaypointObject* GetPatrolPath() const { return m_patrolPath; }
    TsWaypointObject* GetPatrolWaypoint() const { return m_patrolWaypoint; }
    void SetFormation(int32_t formation) { m_formation = formation; }
    int32_t GetFormation() const { return m_formation; }
    void SetRange(float range) { m_range = range; }
    float GetRange() const { return m_range; }
    void SetOrigin(float x, float y, float z) { m_origin = OmVector3(x, y, z); }
    const OmVector3& GetOrigin() const { return m_origin; }
    // Every member becomes active; with the flag each gets path key A.
    void ForceActive(bool giveKeyA);

    // Members: the first living one leads.
    const OmList& GetMembers() const { return m_members.Entries(); }
    int32_t GetMemberCount() const { return static_cast<int32_t>(m_members.GetCount()); }
    TsCharacterObject* GetMember(int32_t i) const;
    int32_t AliveMemberCount() const override;
    const TsObject* GetCensusTeam() const override;
    TsCharacterObject* GetLeader() const;
    // Moves the character to the front, recomputes the leader's health
    // threshold and restarts the trail where it stands.
    void SetLeader(TsCharacterObject* character);
    // The squad takes a reference of its own. A member of another squad
    // leaves that one first; one of this squad stays where it is.
    void AddMember(TsCharacterObject* character);
    // Whether the character is listed, as its squad's reference requires.
    bool HasMember(const TsCharacterObject* character) const { return m_members.Contains(character); }
    // Takes the member out (its squad link is cleared) and gives back the
    // squad's reference, which may be its last; false when it was not a
    // member.
    bool RemoveMember(TsCharacterObject* character);
    void RemoveAllMembers();
    // Die's report: the member leaves; whether it was one.
    bool OnMemberDied(TsCharacterObject* character);
    float GetLeaderHealthThreshold() const { return m_leaderHealthThreshold; }

    // Threats. A new one takes the first free record.
    void AddThreat(TsEntity* entity);
    // A known threat seen again: its memory starts over. False when the
    // entity is no known threat (nothing is added).
    bool RenewThreat(const TsEntity* entity);
    // Room for a grow step of threats: the first enemies seen in a fight
    // add nothing to the heap.
    void ReserveThreats();
    int32_t GetThreatCount() const { return m_threatCount; }
    const OmArray<Threat>& GetThreats() const { return m_threats; }
    // Ages the threats and lets every member sense; whether any remain.
    bool AgeThreats();
    // Picks each member's target (see the source for the score).
    void AssignTargets();

    // The cower point search for a member: the oldest trail point, else the
    // level's pathfinder beacons; whether a move to one started.
    bool FindCowerPoint(TsCharacterObject* character, float minDistance, float maxDistance);
    // The idle behaviour: Player for the player's squad, else Wander with a
    // patrol path, Sentry with a range, else nothing.
    void ChooseIdleBehaviour();
    // Clears the patrol progress, the spare reference and the threats.
    void ResetTransientState();
    // Back to the state after construction.
    void Reset();

    // The formation slot of member i (1 after the leader) about the leader
    // standing at `leader` facing `heading`; false when the formation gives
    // that member no slot of its own.
    bool FormationSlot(int32_t formation, int32_t i, int32_t memberCount, const OmVector3& leader,
                       const OmVector3& heading, OmVector3& slot) const;
    // Sends the members to their slots of the formation.
    void ArrangeFormation(int32_t formation);

    // The trail of where the leader was.
    int32_t GetTrailLength() const { return m_trailLength; }
    int32_t GetTrailHead() const { return m_trailHead; }
    // Trail point i steps back from the newest.
    OmVector3 GetTrailPoint(int32_t stepsBack) const;
    void UpdateTrail(uint32_t tickCount);
    void RestartTrail(const OmVector3& at);

    // The name of a behaviour and of a formation, for the debug display.
    static const char* BehaviourName(int32_t behaviour);
    static const char* FormationName(int32_t formation);

private:
    void RunBehaviour(uint32_t tickCount);
    void RunPlayer();
    void RunAttack();
    void RunAttackInFormation();
    void RunDefendBase();
    void RunDefendLeader();
    void RunEachMember(void (*action)(TsSquadObject&, TsCharacterObject&));
    void RunWander();
    void RunSentry();
    void PlayerFollower(TsCharacterObject& follower, int32_t n, bool threats, bool enemyNear);
    bool HealStep(TsCharacterObject& follower);
    void FollowLeader(TsCharacterObject& follower, int32_t n);
    bool HasActiveMember() const;
    TsWaypointObject* NearestPatrolWaypoint(const OmVector3& from) const;
    bool IsNearAnyThreat(const OmVector3& point, float distance) const;
    // Plans the character's move there; when it starts, the point becomes
    // its base point.
    static bool StartMoveTo(TsCharacterObject& character, const OmVector3& point);
    // The record holding the entity (the first, should a saved game list
    // one twice), or none.
    Threat* FindThreat(const TsEntity* entity);
    void FreeThreat(Threat& threat);
    void IndexThreats();
    void ComputeLeaderHealthThreshold();
    void FindMembers();
    void ReadMembers(OmArchive& archive);
    void ReadThreats(OmArchive& archive);
    bool FirstMemberIsPlayers() const { return m_index == 0; }

    int32_t m_index = -1;
    int32_t m_teamId = -1;
    OmVector3 m_origin;
    float m_range = 10.0f;
    // The team, the patrol path and the threats are not held (TsLink).
    TsLink<TsTeam> m_team;
    TsLink<TsWaypointObject> m_patrolPath;
    OmString m_patrolPathName;
    OmRefList<TsCharacterObject> m_members;
    int32_t m_behaviour = TS_BEHAVIOUR_ATTACK;
    int32_t m_effectiveBehaviour = TS_BEHAVIOUR_SENTRY;
    int32_t m_formation = FORMATION_NONE;
    float m_leaderHealthThreshold = 0.0f;
    int32_t m_threatMemory = 100;
    int32_t m_threatCount = 0;
    OmArray<Threat> m_threats{64};
    // Each threatening entity's record: members sense twenty-odd entities a
    // tick each, nearly all of them threats already. Rebuilt from the
    // records after a load, or after a record listed twice is freed.
    OmPointerIndex m_threatSlots;
    bool m_threatSlotsStale = true;
    bool m_threatListedTwice = false;
    TsLink<TsWaypointObject> m_patrolWaypoint;
    TsLink<TsObject> m_otherReference;
    float m_trailSpacing = kTrailSpacing;
    int32_t m_trailLength = 0;
    int32_t m_trailHead = 0;
    float m_trail[kTrailSize][2] = {};
};
