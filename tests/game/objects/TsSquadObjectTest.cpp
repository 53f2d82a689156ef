// Teams and squads without a level: alliances, formation slots, the trail,
// threats, target scores and the archive, damaged input included.
#include <gtest/gtest.h>

#include <vector>

#include "engine/OmRef.h"
#include "game/framework/TsLink.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsTimerTable.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

TEST(TsTeam, AlliancesGrowWithInvalidEntriesAndAreReadOneWayAtATime)
{
    LogCapture log;
    auto red = OmMakeRef<TsTeam>(), blue = OmMakeRef<TsTeam>();
    red->SetTeamID(1);
    blue->SetTeamID(2);
    EXPECT_TRUE(red->SetAlliance(5, TS_ALLIANCE_HOSTILE));
    EXPECT_EQ(red->GetAllianceCount(), 6);
    EXPECT_EQ(red->GetAlliance(4), TS_ALLIANCE_INVALID) << "the entries it grew by";

    // Refused ids: the table stays as it was.
    EXPECT_FALSE(red->SetAlliance(-1, TS_ALLIANCE_HOSTILE));
    EXPECT_FALSE(red->SetAlliance(TsTeam::kMaxTeamId + 1, TS_ALLIANCE_HOSTILE));
    EXPECT_EQ(red->GetAllianceCount(), 6);
    EXPECT_TRUE(log.Contains("out of range"));
    // Reads outside the table are INVALID, never a stray word.
    EXPECT_EQ(red->GetAlliance(-3), TS_ALLIANCE_INVALID);
    EXPECT_EQ(red->GetAlliance(1 << 30), TS_ALLIANCE_INVALID);
    EXPECT_EQ(red->GetAlliance(static_cast<const TsTeam*>(nullptr)), TS_ALLIANCE_INVALID);

    red->SetAlliance(2, TS_ALLIANCE_HOSTILE);
    blue->SetAlliance(1, TS_ALLIANCE_FRIENDLY);
    EXPECT_EQ(red->GetAlliance(blue.Get()), TS_ALLIANCE_HOSTILE);
    EXPECT_EQ(blue->GetAlliance(red.Get()), TS_ALLIANCE_FRIENDLY);
}

struct SlotCase {
    int32_t formation, i, count;
    float forward, lateral;
};

TEST(TsSquadObject, FormationSlotsLieAtTheirOffsetsAboutTheLeadersHeading)
{
    auto squad = OmMakeRef<TsSquadObject>();
    const SlotCase cases[] = {
        // V: rows widen by one member each; a square's side is round(sqrt(count)).
        {FORMATION_VEE, 1, 4, -2.0f, 0.0f},    {FORMATION_VEE, 2, 4, -2.0f, 2.0f},
        {FORMATION_VEE, 3, 4, -4.0f, -1.0f},   {FORMATION_VEE, 5, 6, -4.0f, 3.0f},
        {FORMATION_SQUARE, 1, 4, 0.0f, 1.0f},  {FORMATION_SQUARE, 2, 4, -2.0f, -1.0f},
        {FORMATION_SQUARE, 4, 9, -2.0f, 1.0f}, {FORMATION_SQUARE, 1, 2, -2.0f, 0.0f}, // sqrt(2): one file
    };
    const OmVector3 leader(10.0f, 1.0f, 20.0f);
    for (const OmVector3& heading : {OmVector3(0, 0, 1), OmVector3(1, 0, 0), OmVector3(0.6f, 0, -0.8f)}) {
        for (const SlotCase& c : cases) {
            OmVector3 slot;
            ASSERT_TRUE(squad->FormationSlot(c.formation, c.i, c.count, leader, heading, slot));
            EXPECT_NEAR(slot.x, leader.x + c.forward * heading.x - c.lateral * heading.z, 1e-5f)
                << c.formation << " member " << c.i;
            EXPECT_NEAR(slot.z, leader.z + c.forward * heading.z + c.lateral * heading.x, 1e-5f)
                << c.formation << " member " << c.i;
        }
    }
    OmVector3 slot;
    EXPECT_FALSE(squad->FormationSlot(FORMATION_SWARM, 1, 3, leader, OmVector3(0, 0, 1), slot)) << "no slots";
    EXPECT_FALSE(squad->FormationSlot(7, 1, 3, leader, OmVector3(0, 0, 1), slot)) << "unknown formation";
}

TEST(TsSquadObject, TheTrailGainsAPointOnceASecondAfterTheLeaderMovedMoreThanTwo)
{
    auto trailing = OmMakeRef<TsSquadObject>();
    auto head = OmMakeRef<TsNPCObject>();
    head->SetPosition(0, 0, 0);
    trailing->AddMember(head.Get());
    trailing->SetLeader(head.Get());
    EXPECT_EQ(trailing->GetTrailLength(), 1);

    head->SetPosition(3, 0, 0);
    trailing->UpdateTrail(5); // not a whole second
    EXPECT_EQ(trailing->GetTrailLength(), 1);
    trailing->UpdateTrail(10);
    EXPECT_EQ(trailing->GetTrailLength(), 2);
    head->SetPosition(4.9f, 0, 0); // 1.9 from the newest point
    trailing->UpdateTrail(20);
    EXPECT_EQ(trailing->GetTrailLength(), 2);
    // Eight points at most; the ring wraps and keeps the newest.
    for (int i = 0; i < 12; ++i) {
        head->SetPosition(3.0f * float(i + 3), 0, 0);
        trailing->UpdateTrail(uint32_t(30 + 10 * i));
    }
    EXPECT_EQ(trailing->GetTrailLength(), TsSquadObject::kTrailSize);
    EXPECT_EQ(trailing->GetTrailPoint(0).x, 42.0f);
    EXPECT_EQ(trailing->GetTrailPoint(1).x, 39.0f);
    EXPECT_EQ(trailing->GetTrailPoint(7).x, 21.0f);
    trailing->RemoveMember(head.Get());
    trailing->UpdateTrail(1000); // no leader: nothing
}

TEST(TsSquadObject, TheLeaderIsTheFirstLivingMemberAndDeathLeavesTheSquad)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto a = OmMakeRef<TsNPCObject>(), b = OmMakeRef<TsNPCObject>(), c = OmMakeRef<TsNPCObject>();
    for (TsNPCObject* m : {a.Get(), b.Get(), c.Get()})
        squad->AddMember(m);
    EXPECT_EQ(squad->GetLeader(), a.Get());
    a->SetFlag(TS_ENTITY_DORMANT);
    EXPECT_EQ(squad->GetLeader(), b.Get());
    EXPECT_EQ(squad->AliveMemberCount(), 2);
    b->SetMaxHealth(20.0f);
    b->SetHealth(20.0f);
    squad->SetLeader(b.Get());
    EXPECT_EQ(squad->GetMember(0), b.Get());
    EXPECT_FLOAT_EQ(squad->GetLeaderHealthThreshold(), 10.0f); // 20 - max(10, 5)

    EXPECT_TRUE(squad->OnMemberDied(c.Get()));
    EXPECT_FALSE(squad->OnMemberDied(c.Get())) << "already gone";
    EXPECT_EQ(c->GetSquad(), nullptr);
    EXPECT_EQ(squad->GetMemberCount(), 2);
    squad->Reset();
    EXPECT_EQ(squad->GetMemberCount(), 0);
    EXPECT_EQ(a->GetSquad(), nullptr);
}

TEST(TsSquadObject, AThreatIsRecordedOnceAndFreedRecordsAreReused)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto x = OmMakeRef<TsNPCObject>(), y = OmMakeRef<TsNPCObject>(), z = OmMakeRef<TsNPCObject>();
    squad->AddThreat(x.Get());
    squad->AddThreat(y.Get());
    squad->AddThreat(x.Get());
    EXPECT_EQ(squad->GetThreatCount(), 2);
    EXPECT_EQ(squad->GetThreats().GetCount(), 2u);
    EXPECT_EQ(squad->GetThreats()[0].ticksLeft.Get(), 100);
    x->SetFlag(TS_ENTITY_DEAD);
    EXPECT_TRUE(squad->AgeThreats()) << "y is still there";
    EXPECT_EQ(squad->GetThreatCount(), 1);
    EXPECT_EQ(squad->GetThreats()[0].entity, nullptr);
    squad->AddThreat(z.Get());
    EXPECT_EQ(squad->GetThreats()[0].entity, z.Get()) << "the free record is taken";
    EXPECT_EQ(squad->GetThreats().GetCount(), 2u);
    squad->AddThreat(nullptr);
    EXPECT_EQ(squad->GetThreatCount(), 2);
}

// A script deletes the threat while the squad remembers it; an entity that
// takes its cell afterwards is a new threat, not the old one renewed.
TEST(TsSquadObject, ADestroyedThreatIsUncountedAndItsCellIsANewThreat)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto doomed = OmMakeRef<TsNPCObject>(), y = OmMakeRef<TsNPCObject>();
    squad->AddThreat(doomed.Get());
    squad->AddThreat(y.Get());
    doomed = nullptr;
    EXPECT_EQ(squad->GetThreatCount(), 1);
    EXPECT_EQ(squad->GetThreats()[0].entity, nullptr);
    auto next = OmMakeRef<TsNPCObject>(); // most likely in the freed cell
    squad->AddThreat(next.Get());
    EXPECT_EQ(squad->GetThreatCount(), 2);
    EXPECT_EQ(squad->GetThreats()[0].entity, next.Get());
}

// It is forgotten while the squad's threat records are still there to look at.
TEST(TsSquadObject, AMemberOnlyItHoldsDiesWithTheSquadThatRemembersThreats)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto threat = OmMakeRef<TsNPCObject>();
    squad->AddThreat(threat.Get());
    auto held = OmMakeRef<TsNPCObject>();
    squad->AddMember(held.Get());
    const TsLink<TsNPCObject> member(held.Get());
    held = nullptr;
    squad = nullptr;
    EXPECT_EQ(member.Get(), nullptr);
}

// The member goes on the next tick.
TEST(TsSquadObject, AMemberOnlyItHoldsOutlivesItsOwnBurstingDeath)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto creature = OmMakeRef<TsNPCObject>();
    squad->AddMember(creature.Get());
    ASSERT_TRUE(creature->InnateAttack());
    creature->InnateAttack()->SetBimodal(true);
    creature->SetHealth(1.0f);
    TsNPCObject* held = creature.Detach();
    held->Release(); // the squad's reference is the only one
    EXPECT_LE(held->IncrementHealth(-5.0f), 0.0f);
    EXPECT_TRUE(held->HasFlag(TS_ENTITY_PENDING_DELETE));
    EXPECT_EQ(squad->GetMemberCount(), 0);
    const TsLink<TsNPCObject> watch(held);
    TsTimerTable::Instance().Tick();
    EXPECT_EQ(watch.Get(), nullptr);
}

// Index 0 is the player's squad: its first member is never assigned; a
// member with anything on its ignore list gets nothing; ties keep the
// earlier record.
TEST(TsSquadObject, TargetsGoByScoreAndTheFirstRecordKeepsATie)
{
    auto red = OmMakeRef<TsTeam>(), blue = OmMakeRef<TsTeam>();
    red->SetTeamID(1);
    blue->SetTeamID(2);
    red->SetAlliance(2, TS_ALLIANCE_HOSTILE);
    auto squad = OmMakeRef<TsSquadObject>(), enemies = OmMakeRef<TsSquadObject>();
    squad->SetTeamObject(red.Get());
    enemies->SetTeamObject(blue.Get());
    auto first = OmMakeRef<TsNPCObject>(), second = OmMakeRef<TsNPCObject>(), third = OmMakeRef<TsNPCObject>();
    auto near = OmMakeRef<TsNPCObject>(), far = OmMakeRef<TsNPCObject>(), twin = OmMakeRef<TsNPCObject>();
    for (TsNPCObject* m : {first.Get(), second.Get(), third.Get()})
        squad->AddMember(m);
    for (TsNPCObject* e : {near.Get(), far.Get(), twin.Get()})
        enemies->AddMember(e);
    near->SetPosition(3, 0, 0);
    twin->SetPosition(0, 0, 3);
    far->SetPosition(30, 0, 0);
    squad->AddThreat(far.Get());
    squad->AddThreat(near.Get());
    squad->AddThreat(twin.Get());
    third->AddIgnore(far.Get());
    const auto assign = [&] { squad->AgeThreats(); squad->AssignTargets(); };

    squad->SetIndex(0);
    assign();
    EXPECT_EQ(first->GetAssignedTarget(), nullptr) << "the player's own character";
    EXPECT_EQ(second->GetAssignedTarget(), near.Get()) << "near and twin tie at 9: the earlier record";
    EXPECT_EQ(third->GetAssignedTarget(), nullptr) << "ignoring something: no target";

    squad->SetIndex(5);
    assign();
    EXPECT_EQ(first->GetAssignedTarget(), near.Get());
    EXPECT_EQ(second->GetAssignedTarget(), near.Get()) << "its own target (-25) outweighs one more attacker (+20)";
    second->ClearAssignedTarget();
    assign();
    EXPECT_EQ(second->GetAssignedTarget(), twin.Get()) << "near already has an attacker (+20)";
    for (TsNPCObject* m : {first.Get(), second.Get(), third.Get()})
        squad->RemoveMember(m);
    for (TsNPCObject* e : {near.Get(), far.Get(), twin.Get()})
        enemies->RemoveMember(e);
}

// With nothing to do, the player's squad (index 0) is led by the player, a
// squad with a range stands sentry and one without stays idle.
TEST(TsSquadObject, IdleBehaviourFollowsIndexAndRange)
{
    auto squad = OmMakeRef<TsSquadObject>();
    squad->SetIndex(0);
    squad->ChooseIdleBehaviour();
    EXPECT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_PLAYER);
    squad->SetIndex(3);
    squad->ChooseIdleBehaviour();
    EXPECT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_SENTRY);
    squad->SetRange(0.0f);
    squad->ChooseIdleBehaviour();
    EXPECT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_IDLE);
}

TEST(TsSquadObject, ASquadWithoutALeaderDoesNothing)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto dead = OmMakeRef<TsNPCObject>();
    squad->AddMember(dead.Get());
    dead->SetFlag(TS_ENTITY_DEAD | TS_ENTITY_ACTIVE);
    for (int32_t behaviour : {10, 12, 16}) {
        squad->SetBehaviour(behaviour);
        squad->SetEffectiveBehaviour(behaviour);
        squad->SetFormation(FORMATION_VEE);
        squad->Update(10);
        EXPECT_EQ(squad->GetLeader(), nullptr);
    }
    squad->RemoveMember(dead.Get());
}

class SquadArchive : public ::testing::Test {
protected:
    // A loaded squad's members and threats came back with the counts of the
    // handles the test holds on the originals: those references are the test's.
    static std::vector<OmRef<OmObject>> AdoptHandles(const TsSquadObject* squad)
    {
        std::vector<OmRef<OmObject>> handles;
        for (int32_t i = 0; squad && i < squad->GetMemberCount(); ++i)
            handles.push_back(OmRef<OmObject>::Adopt(squad->GetMember(i)));
        for (uint32_t i = 0; squad && i < squad->GetThreats().GetCount(); ++i)
            if (squad->GetThreats()[i].entity)
                handles.push_back(OmRef<OmObject>::Adopt(squad->GetThreats()[i].entity));
        return handles;
    }
    ScratchDir dir;
};

// Squads find a threat's record through an index of their own: a loaded
// squad must find the records it came back with, not list a threat twice.
TEST_F(SquadArchive, ALoadedSquadRefreshesItsThreatRecordsAndFailsOnesBelow0Ticks)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto first = OmMakeRef<TsNPCObject>(), second = OmMakeRef<TsNPCObject>();
    squad->AddThreat(first.Get());
    squad->AddThreat(second.Get());
    const auto loaded = Reloaded<TsSquadObject>(squad.Get(), "squad");
    const std::vector<OmRef<OmObject>> handles = AdoptHandles(loaded);
    ASSERT_NE(loaded.Get(), nullptr);
    ASSERT_EQ(loaded->GetThreats().GetCount(), 2u);
    TsEntity* seen = loaded->GetThreats()[1].entity;
    ASSERT_NE(seen, nullptr);
    EXPECT_TRUE(loaded->AgeThreats());
    loaded->AddThreat(seen);
    EXPECT_EQ(loaded->GetThreatCount(), 2);
    EXPECT_EQ(loaded->GetThreats().GetCount(), 2u);
    EXPECT_EQ(loaded->GetThreats()[1].ticksLeft.Get(), 100) << "refreshed";
    EXPECT_EQ(loaded->GetThreats()[0].ticksLeft.Get(), 99) << "aged";
    const std::vector<unsigned char> bytes = archive_test::ReadFile("squad");
    const size_t at = archive_test::FindWords(bytes, {0, 1, 100}, true); // attackers, seen, ticks left
    ASSERT_LT(at, bytes.size());
    EXPECT_FALSE(LoadsAs(archive_test::Patched(bytes, at + 8, 0x80000000u), "bad"));
}

TEST_F(SquadArchive, ASquadComesBackWithItsMembersThreatsAndTrail)
{
    auto squad = OmMakeRef<TsSquadObject>();
    auto team = OmMakeRef<TsTeam>();
    auto leader = OmMakeRef<TsNPCObject>(), other = OmMakeRef<TsNPCObject>(), enemy = OmMakeRef<TsNPCObject>();
    squad->SetIndex(4);
    squad->SetTeam(2);
    team->SetTeamID(2);
    team->SetAlliance(3, TS_ALLIANCE_NEUTRAL);
    squad->SetTeamObject(team.Get());
    squad->SetOrigin(1, 2, 3);
    squad->SetFormation(FORMATION_SQUARE);
    squad->SetPatrolPath("route");
    squad->AddMember(leader.Get());
    squad->AddMember(other.Get());
    leader->SetPosition(5, 0, 6);
    squad->SetLeader(leader.Get());
    squad->AddThreat(enemy.Get());
    const auto loaded = Reloaded<TsSquadObject>(squad.Get(), "squad");
    const std::vector<OmRef<OmObject>> handles = AdoptHandles(loaded);
    const auto backTeam = OmRef<TsTeam>::Adopt(loaded ? loaded->GetTeam() : nullptr); // the test handle's
    ASSERT_NE(loaded.Get(), nullptr);
    EXPECT_EQ(loaded->GetIndex(), 4);
    EXPECT_EQ(loaded->GetTeamId(), 2);
    ASSERT_NE(backTeam.Get(), nullptr);
    EXPECT_EQ(backTeam->GetAllianceCount(), 4);
    EXPECT_EQ(backTeam->GetAlliance(3), TS_ALLIANCE_NEUTRAL);
    EXPECT_EQ(loaded->GetOrigin().z, 3.0f);
    EXPECT_EQ(loaded->GetFormation(), FORMATION_SQUARE);
    EXPECT_STREQ(loaded->GetPatrolPathName(), "route");
    ASSERT_EQ(loaded->GetMemberCount(), 2);
    EXPECT_EQ(loaded->GetMember(1)->GetRefCount(), 2u) << "the test's and the squad's";
    EXPECT_EQ(loaded->GetThreatCount(), 1);
    EXPECT_EQ(loaded->GetTrailLength(), 1);
    EXPECT_EQ(loaded->GetTrailPoint(0).x, 5.0f);
    EXPECT_EQ(loaded->GetTrailPoint(0).z, 6.0f);
    ASSERT_EQ(handles.size(), 3u);
}

// The trail is a ring of eight: a head outside it would index past the ring.
TEST_F(SquadArchive, ADamagedTrailIsRestartedNotFollowed)
{
    LogCapture log;
    auto lone = OmMakeRef<TsSquadObject>();
    lone->RestartTrail(OmVector3(1, 0, 2)); // the squad alone: its words end the file
    ASSERT_TRUE(SaveRoots({lone.Get()}, "squad"));

    // The trail's length and head are the two words just before the
    // eight points (16 words) at the end of the file.
    const std::vector<unsigned char> bytes = archive_test::ReadFile("squad");
    ASSERT_GT(bytes.size(), 80u);
    for (int32_t head : {8, -1, 1 << 30}) {
        archive_test::WriteFile("bad", archive_test::Patched(bytes, bytes.size() - 16 * 4 - 4, uint32_t(head)));
        const std::vector<OmRef<OmObject>> roots = LoadRoots("bad");
        TsSquadObject* loaded = RootAs<TsSquadObject>(roots, 0);
        ASSERT_NE(loaded, nullptr) << head;
        EXPECT_EQ(loaded->GetTrailHead(), 0) << head;
        EXPECT_EQ(loaded->GetTrailLength(), 0) << head;
        loaded->UpdateTrail(10); // safe to use
    }
    EXPECT_TRUE(log.Contains("the trail restarts"));
}

} // namespace
