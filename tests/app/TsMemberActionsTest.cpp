// Member actions called on their own, outside any squad behaviour, on the
// demo level: a close fighter strikes its target only within its weapon's
// range and in its rhythm's striking ticks; a fleeing member drops its
// targets once the threat comes close.
#include "tests/app/SquadLevelFixture.h"

namespace apptest {
namespace {

class MemberActions : public SquadLevel {
protected:
    void SetUp() override
    {
        SquadLevel::SetUp();
        victim = MakeParty({OmVector3(2.0f, 0, 4.0f)})[0];
        member = AddNPC("member", 6.0f, 4.0f, 27);
        MakeSquad(27, kEnemyTeam, TS_BEHAVIOUR_IDLE)->SetRange(0.0f);
    }

    // The member and its target, apart along the room; the member stands
    // with nothing ordered.
    void Apart(float distance)
    {
        victim->SetOrigin(2.0f, 0.0f, 4.0f);
        member->SetOrigin(2.0f + distance, 0.0f, 4.0f);
        member->StopMoving();
        member->SetAssignedTarget(victim);
        ASSERT_EQ(member->GetAssignedTarget(), victim);
    }

    TsPCObject* victim = nullptr;
    TsNPCObject* member = nullptr;
};

TEST_F(MemberActions, AClubStrikesOnlyWithinItsRangeAndInItsStrikingTicks)
{
    auto* club = new TsWeaponObject;
    club->SetName("club");
    club->SetCanEquip(true);
    club->Current().SetWeaponType(TS_WEAPON_MELEE);
    club->Current().SetRange(2.0f);
    ASSERT_GT(member->GetInventory()->AddArticle(club), 0);
    ASSERT_TRUE(member->GetInventory()->EquipArticle(club));
    struct Case {
        float distance; // centre to centre: the target's radius 0.3 is not counted
        int32_t counter;
        bool strikes;
    };
    const Case cases[] = {
        {2.2f, 1, true},   // within reach, a striking tick
        {2.2f, 20, true},  // the rhythm repeats every 19
        {2.2f, 4, false},  // within reach, a resting tick
        {2.2f, 18, false},
        {2.4f, 1, false},  // just beyond reach
        {8.0f, 3, false},  // far beyond
    };
    for (const Case& c : cases) {
        Apart(c.distance);
        member->SetTickCounter(c.counter);
        member->FightNearestThreat();
        EXPECT_EQ(member->GetPendingCommand() == TsCharacterObject::kCloseAttack, c.strikes)
            << c.distance << " at tick " << c.counter;
        EXPECT_EQ(member->GetPosition().x, 2.0f + c.distance) << "the action itself never walks";
    }
}

TEST_F(MemberActions, AFleeingMemberDropsItsTargetsWhenTheThreatComesClose)
{
    struct Case {
        float distance;
        bool dropped;
    };
    for (const Case& c : {Case{5.0f, true}, Case{9.9f, true}, Case{10.5f, false}, Case{20.0f, false}}) {
        Apart(c.distance);
        member->SetLockedTarget(victim);
        member->Flee(10.0f, 30.0f);
        EXPECT_EQ(member->GetAssignedTarget() == nullptr, c.dropped) << c.distance;
        EXPECT_EQ(member->GetLockedTarget() == nullptr, c.dropped) << c.distance;
    }
}

} // namespace
} // namespace apptest
