// A member action called on its own, outside any squad behaviour: a
// fleeing member drops its targets once the threat comes close.
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
