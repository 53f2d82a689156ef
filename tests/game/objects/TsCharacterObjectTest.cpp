// Characters without a level: health, stuns, death, hits, touches, turning,
// patrols, attack orders, senses and the archive.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/OmClass.h"
#include "engine/OmMath.h"
#include "engine/OmRand.h"
#include "engine/OmRef.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsTimerTable.h"
#include "game/objects/TsTriggerObject.h"
#include "game/objects/TsWeaponObject.h"
#include "testing/ScratchDir.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/objects/ArchiveRoundTrip.h"
#include "tests/game/objects/WaypointChain.h"

namespace {

// The least concrete character.
class TestWalker : public TsCharacterObject {
    OM_DECLARE_TEST_CLASS(TestWalker, TsCharacterObject)
    void OnTouch(TsEntity* other, float) override { touchedBy.push_back(other); }
    std::vector<TsEntity*> touchedBy;
};
OM_IMPLEMENT_CLASS(TestWalker, TsCharacterObject)

class TouchBox : public TsEntity {
    OM_DECLARE_TEST_CLASS(TouchBox, TsEntity)
    void OnTouch(TsEntity*, float) override { ++touches; }
    int touches = 0;
};
OM_IMPLEMENT_CLASS(TouchBox, TsEntity)

class CharacterTest : public ::testing::Test {
protected:
    void TearDown() override { TsTimerTable::Instance().Clear(); } // death timers hold their characters
    template <class T>
    T* Make(float x = 0.0f, float z = 0.0f)
    {
        T* entity = new T;
        entity->SetPosition(x, 0.0f, z);
        entity->SetRadius(0.5f);
        entity->SetHeight(2.0f);
        made.push_back(OmRef<TsEntity>::Adopt(entity));
        return entity;
    }
    // A blow along +x delivered to target; whether it was.
    static bool Strike(TsEntity* target, float damage, float stun = 0.0f)
    {
        auto attack = OmMakeRef<TsAttack>();
        attack->SetTarget(target);
        attack->SetDamage(damage);
        attack->SetStun(stun);
        attack->SetDirection(OmVector3(1, 0, 0));
        return attack->Deliver();
    }
    std::vector<OmRef<TsEntity>> made;
};

} // namespace

// A second death answers 3 and changes nothing; the fade starts 2 s later
// and the character goes once it is clear.
TEST_F(CharacterTest, DeathIsFinalAndTheBodyFadesAfterTwoSeconds)
{
    TestWalker* w = Make<TestWalker>();
    TsTimerTable::Instance().Clear();
    w->SetHealth(1.0f);
    w->IncrementHealth(-5.0f);
    EXPECT_EQ(w->GetLifeState(), TsCharacterObject::kDead);
    EXPECT_FLOAT_EQ(w->GetHeight(), 0.1f);
    EXPECT_EQ(w->GetActionState(), TsCharacterObject::kFalling);
    EXPECT_EQ(w->DieAndReport(), 3);
    EXPECT_EQ(TsTimerTable::Instance().GetActiveCount(), 1u) << "one fade timer, not two";
    for (int i = 0; i < 20; ++i)
        TsTimerTable::Instance().Tick();
    EXPECT_EQ(w->GetLifeState(), TsCharacterObject::kFading);
    int ticks = 0;
    while (!w->HasFlag(TS_ENTITY_PENDING_DELETE) && ticks < 100)
        w->Tick(uint32_t(++ticks));
    EXPECT_EQ(ticks, 11); // 1.0 / (0.99 x 0.1) ticks
}

TEST_F(CharacterTest, HitsDependOnDefenceStunHealingAndDeath)
{
    const struct {
        const char* what;
        float damage, stun, defence;
        bool stunnedBefore, deadBefore;
        float vitalityAfter;
        int32_t lifeAfter, actionAfter;
    } hits[] = {
        {"plain blow", 4, 0, 0, false, false, 6, 1, TsCharacterObject::kHitReaction},
        {"half defended", 4, 0, 50, false, false, 8, 1, TsCharacterObject::kHitReaction},
        {"fully defended still recoils", 4, 0, 100, false, false, 10, 1, TsCharacterObject::kHitReaction},
        {"over-defended does not heal", 4, 0, 150, false, false, 10, 1, TsCharacterObject::kHitReaction},
        {"stun and no damage", 4, 2, 0, false, false, 10, 2, TsCharacterObject::kFalling},
        {"tiny blow: no recoil", 0.05f, 0, 0, false, false, 9.95f, 1, TsCharacterObject::kStand},
        {"heals a stunned one", -3, 0, 0, true, false, 10, 1, TsCharacterObject::kFalling},
        {"dead: nothing", 4, 0, 0, false, true, 10, 3, TsCharacterObject::kFalling},
        {"a broken damage is dropped", NAN, 0, 0, false, false, 10, 1, TsCharacterObject::kStand},
    };
    for (const auto& c : hits) {
        TestWalker* struck = Make<TestWalker>();
        struck->SetMaxHealth(20.0f);
        struck->SetHealth(10.0f);
        struck->SetPhysicalDefence(c.defence);
        if (c.stunnedBefore)
            struck->Stun(1.0f);
        if (c.deadBefore) {
            struck->IncrementHealth(-100.0f);
            struck->SetVitality(10.0f);
        }
        EXPECT_TRUE(Strike(struck, c.damage, c.stun));
        EXPECT_NEAR(struck->GetVitality(), c.vitalityAfter, 1e-5f) << c.what;
        EXPECT_EQ(struck->GetLifeState(), c.lifeAfter) << c.what;
        EXPECT_EQ(struck->GetActionState(), c.actionAfter) << c.what;
        if (c.damage > 0 && !c.deadBefore) {
            EXPECT_EQ(struck->GetHitFlashTicks(), 2) << c.what; // a quarter second
        }
    }
}

TEST_F(CharacterTest, AStunHoldsForItsLongestTimeAndClearsTheCommandEachTick)
{
    TestWalker* w = Make<TestWalker>();
    w->Stun(3.0f);
    EXPECT_EQ(w->GetStunTicks(), 30);
    w->Stun(1.0f);
    EXPECT_EQ(w->GetStunTicks(), 30) << "a shorter stun never shortens a longer one";
    EXPECT_TRUE(w->IsStunned());
    EXPECT_FALSE(w->IsMobile());
    EXPECT_FALSE(w->AttackTarget(nullptr, OmVector3(), true));
    int ticks = 0;
    while (w->IsStunned() && ticks < 100) {
        w->Tick(uint32_t(++ticks));
        EXPECT_EQ(w->GetPendingCommand(), 0);
    }
    EXPECT_EQ(ticks, 30);
    EXPECT_EQ(w->GetLifeState(), TsCharacterObject::kAlive);
    EXPECT_EQ(w->GetActionState(), TsCharacterObject::kStand);
}

TEST_F(CharacterTest, TheInnateAttackIsACloseOneOrderedOnlyByForce)
{
    TestWalker* w = Make<TestWalker>();
    EXPECT_FALSE(w->AttackTarget(nullptr, OmVector3(3, 0, 0), false)) << "only automatic weapons attack unforced";
    EXPECT_TRUE(w->AttackTarget(nullptr, OmVector3(3, 0, 0), true));
    EXPECT_EQ(w->GetPendingCommand(), TsCharacterObject::kCloseAttack) << "the innate attack is a close one";
}

TEST_F(CharacterTest, TheDeadAndBrokenDurationsAreStunnedForNoTime)
{
    TestWalker* dead = Make<TestWalker>();
    dead->IncrementHealth(-100.0f);
    dead->Stun(5.0f);
    EXPECT_EQ(dead->GetStunTicks(), 0);
    TestWalker* odd = Make<TestWalker>();
    odd->Stun(std::nanf(""));
    EXPECT_EQ(odd->GetStunTicks(), 0);
}

TEST_F(CharacterTest, TheIgnoreListForgetsAfterTwentyToFortyTicks)
{
    TestWalker* v = Make<TestWalker>();
    TouchBox* crate = Make<TouchBox>();
    v->AddIgnore(crate);
    v->AddIgnore(nullptr);
    EXPECT_TRUE(v->IsIgnored(crate));
    int aged = 0;
    while (v->IsIgnored(crate) && aged < 100) {
        v->AgeIgnoreList();
        ++aged;
    }
    EXPECT_GE(aged, 20);
    EXPECT_LE(aged, 39);
    v->AddIgnore(crate);
    v->RemoveIgnore(crate);
    EXPECT_FALSE(v->IsIgnored(crate));
}

TEST_F(CharacterTest, TouchesReachNearEntitiesOfOverlappingHeightAndTriggersAtAnyHeight)
{
    const GameScript lua("gate = 'gate' ann = 'ann' fired = 0 function Crossed(t, who) fired = fired + 1 end");
    TestWalker* w = Make<TestWalker>();
    w->SetName("ann");
    TouchBox* far = Make<TouchBox>(5.0f, 0.0f);
    TouchBox* high = Make<TouchBox>(0.5f, 0.0f);
    high->SetPosition(0.5f, 3.0f, 0.0f); // above the walker's head
    TouchBox* near = Make<TouchBox>(0.8f, 0.0f);
    TsTriggerObject* gate = Make<TsTriggerObject>(0.0f, 0.0f);
    gate->SetPosition(0.0f, 2.5f, 0.0f); // above the head: triggers touch at any height
    gate->SetRadius(2.0f);
    gate->SetName("gate");
    gate->SetTriggerScript("Crossed");
    OmArray<TsEntity*> active;
    for (TsEntity* entity : made)
        active.Add(entity);
    w->BuildNeighbourList(active);
    w->Tick(1);
    EXPECT_EQ(near->touches, 1);
    EXPECT_EQ(high->touches, 0) << "no height overlap";
    EXPECT_EQ(far->touches, 0);
    EXPECT_EQ(lua.Number("fired"), 1.0) << "the trigger's script runs once a touch";
    EXPECT_EQ(w->touchedBy.size(), 2u) << "the character hears of both touches too";
}

// A -> B -> C -> B: the walk ends where the chain turns back.
TEST_F(CharacterTest, AWalkAlongAChainThatTurnsBackEndsWhereItTurns)
{
    const WaypointChain points({{0, 0}, {4, 0}, {4, 4}});
    points[2]->SetNext(points[1]);
    TestWalker* v = Make<TestWalker>();
    v->FollowWaypoints(points[0]);
    int ticks = 0;
    while (v->GetPendingCommand() != 0 && ticks < 1000)
        v->Tick(uint32_t(++ticks));
    EXPECT_LT(ticks, 1000);
    EXPECT_NEAR(v->GetPosition().x, 4.0f, 1e-3f);
    EXPECT_NEAR(v->GetPosition().z, 0.0f, 1e-3f);
    EXPECT_EQ(v->GetActionState(), TsCharacterObject::kStand);
}

TEST_F(CharacterTest, TurningKeepsToTheTurnRateAndTheShortWay)
{
    struct Case {
        float rate, heading;
        OmVector3 toward;
        bool done;
        float headingAfter;
    };
    const Case cases[] = {
        {OM_PI, 0.0f, {-1, 0, 0}, true, -OM_PI / 2},          // pi or more turns at once
        {1.0f, 0.0f, {1, 0, 0}, false, 0.1f},             // a tenth of the rate a tick, toward +x
        {1.0f, 0.0f, {-1, 0, 0}, false, -0.1f},           // and toward -x the other way
        {1.0f, 0.0f, {std::sin(0.05f), 0, std::cos(0.05f)}, true, 0.05f}, // the rest fits
    };
    for (const Case& c : cases) {
        TestWalker* w = Make<TestWalker>();
        w->SetMaxTurnRate(c.rate);
        w->SetHeading(c.heading);
        EXPECT_EQ(w->TurnToward(c.toward), c.done) << c.rate;
        EXPECT_NEAR(w->GetHeading(), c.headingAfter, 1e-4f) << c.rate;
    }
    TestWalker* w = Make<TestWalker>();
    EXPECT_TRUE(w->TurnToward(OmVector3())) << "a zero direction needs no turn";
    EXPECT_FALSE(std::isnan(w->GetHeading()));
}

TEST_F(CharacterTest, EverythingSurvivesTheArchive)
{
    TestWalker* w = Make<TestWalker>();
    TestWalker* foe = Make<TestWalker>(2, 2);
    w->SetWalkSpeed(1.5f);
    w->SetRunSpeed(4.0f);
    w->SetMaxHealth(30.0f);
    w->SetHealth(25.0f);
    w->SetEnergyDefence(12.0f);
    w->SetSkill(TS_SKILL_COMBAT);
    w->SetSquadIndex(2);
    w->SetCrouchable();
    w->GivePathKeyA();
    w->SetBasePoint(OmVector3(7, 0, 8));
    w->SetFirstTarget(foe);
    w->Stun(2.0f);
    ScratchDir dir;
    const OmRef<TestWalker> r = Reloaded<TestWalker>(w, "walker.sav");
    ASSERT_NE(r.Get(), nullptr);
    EXPECT_FLOAT_EQ(r->GetWalkSpeed(), 1.5f);
    EXPECT_FLOAT_EQ(r->GetRunSpeed(), 4.0f);
    EXPECT_FLOAT_EQ(r->GetHealth(), 25.0f);
    EXPECT_FLOAT_EQ(r->GetEnergyDefence(), 12.0f);
    EXPECT_EQ(r->GetSkill(), TS_SKILL_COMBAT);
    EXPECT_EQ(r->GetSquadIndex(), 2);
    EXPECT_TRUE(r->IsCrouchable());
    EXPECT_TRUE(r->HasPathKeyA());
    EXPECT_TRUE(r->IsStunned());
    EXPECT_EQ(r->GetStunTicks(), 20);
    EXPECT_FLOAT_EQ(r->GetBasePoint().z, 8.0f);
    const auto target = OmRef<TsEntity>::Adopt(r->GetFirstTarget()); // the loaded foe's own reference
    ASSERT_NE(target.Get(), nullptr);
    EXPECT_FLOAT_EQ(target->GetPosition().x, 2.0f);
}

TEST_F(CharacterTest, ABrokenLifeStateFailsTheLoad)
{
    TestWalker* w = Make<TestWalker>();
    ScratchDir dir;
    w->SetLifeState(9);
    ASSERT_TRUE(SaveRoots({w}, "broken.sav"));
    EXPECT_TRUE(LoadRoots("broken.sav").empty());
}

TEST_F(CharacterTest, ASavedCounterPastItsRangeFailsTheLoadAndNoneWraps)
{
    using Read = int32_t (TsCharacterObject::*)() const;
    const Read stun = &TsCharacterObject::GetStunTicks, busy = &TsCharacterObject::GetBusyTicks;
    const Read counter = &TsCharacterObject::GetTickCounter;
    const struct {
        uint32_t marker; // the value the game saved, and how far on the counter lies
        int32_t shift, value;
        Read read; // after a tick, when it loads
        int32_t afterTick;
    } cases[] = {
        {3210, -4, INT32_MIN, nullptr, 0}, // the hit flash
        {3210, 0, INT32_MIN, nullptr, 0},  {3210, 0, INT32_MAX, stun, INT32_MAX - 1},
        {4321, 0, -2, nullptr, 0},         {4321, 0, -1, busy, -1},
        {8765, 0, INT32_MIN, nullptr, 0}, // the cooldown
        {5678, 0, -1, nullptr, 0},         {5678, 0, INT32_MAX, counter, 0}, // the rhythm starts over
        {2468, 16, -2, nullptr, 0}, // the innate attack's blow
    };
    TestWalker* w = Make<TestWalker>();
    w->Stun(321.0f);
    w->SetBusyTicks(4321);
    w->SetTickCounter(5678);
    w->SetCooldown(8765);
    w->InnateAttack()->SetReloadCountdown(2468);
    ScratchDir dir;
    ASSERT_TRUE(SaveRoots({w}, "counters.sav"));
    const std::vector<unsigned char> saved = archive_test::ReadFile("counters.sav");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.marker << " " << c.shift << " set to " << c.value);
        const size_t at = archive_test::FindWords(saved, {c.marker});
        ASSERT_NE(at, std::string::npos);
        archive_test::WriteFile("counters.sav", archive_test::Patched(saved, at + c.shift, uint32_t(c.value)));
        const std::vector<OmRef<OmObject>> roots = LoadRoots("counters.sav");
        TestWalker* back = RootAs<TestWalker>(roots, 0);
        EXPECT_EQ(back != nullptr, c.read != nullptr);
        if (back)
            back->Tick(1);
        if (back && c.read) {
            EXPECT_EQ((back->*c.read)(), c.afterTick);
        }
    }
}

namespace {

// Two characters in squads of two teams, each the other's neighbour.
struct Sides {
    OmRef<TsTeam> teams[2] = {OmMakeRef<TsTeam>(), OmMakeRef<TsTeam>()};
    OmRef<TsSquadObject> squads[2] = {OmMakeRef<TsSquadObject>(), OmMakeRef<TsSquadObject>()};
    Sides(TestWalker* a, TestWalker* b, int32_t aToB, int32_t bToA)
    {
        for (int i = 0; i < 2; ++i) {
            teams[i]->SetTeamID(i + 1);
            squads[i]->SetTeamObject(teams[i]);
        }
        teams[0]->SetAlliance(2, aToB);
        teams[1]->SetAlliance(1, bToA);
        squads[0]->AddMember(a);
        squads[1]->AddMember(b);
        OmArray<TsEntity*> both; // each gets the other (and itself) as its neighbours
        both.Add(a);
        both.Add(b);
        a->BuildNeighbourList(both);
        b->BuildNeighbourList(both);
    }
};

} // namespace

TEST_F(CharacterTest, HostilityDecidesEachWayAndTheInnateBlowLandsOnlyOnAnEnemy)
{
    struct Case {
        int32_t aToB, bToA;
        bool aHostile, bHostile;
        float bVitalityAfter;
    };
    const Case cases[] = {
        {TS_ALLIANCE_HOSTILE, TS_ALLIANCE_HOSTILE, true, true, 0.0f},
        {TS_ALLIANCE_HOSTILE, TS_ALLIANCE_FRIENDLY, true, false, 10.0f}, // b bears a no grudge: no damage
        // a swings at nothing in particular, and its blow counts for b, who
        // is hostile to a
        {TS_ALLIANCE_NEUTRAL, TS_ALLIANCE_HOSTILE, false, true, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.aToB << "/" << c.bToA);
        TestWalker* a = Make<TestWalker>(0.0f, 0.0f);
        TestWalker* b = Make<TestWalker>(1.2f, 0.0f);
        a->SetDirection(1.0f, 0.0f);
        Sides sides(a, b, c.aToB, c.bToA);
        EXPECT_EQ(a->IsHostileTo(b), c.aHostile);
        EXPECT_EQ(b->IsHostileTo(a), c.bHostile);
        EXPECT_EQ(a->AttackTarget(b, b->GetPosition(), true), true);
        EXPECT_EQ(a->GetLockedTarget(), c.aHostile ? b : nullptr);
        for (int t = 1; t <= 8; ++t)
            a->Tick(uint32_t(t)); // the blow lands after its delay
        EXPECT_FLOAT_EQ(b->GetVitality(), c.bVitalityAfter);
        EXPECT_EQ(b->GetLastAttacker(), c.bVitalityAfter < 10.0f ? a : nullptr);
        EXPECT_EQ(a->GetCurrentAttack(), a->InnateAttack()) << "nothing equipped";
    }
}

// A state reset (before the party is carried to the next level) also
// forgets the blow under way: it never lands, and the weapon is ready.
TEST_F(CharacterTest, AResetForgetsTheBlowUnderWay)
{
    TestWalker* a = Make<TestWalker>(0.0f, 0.0f);
    TestWalker* b = Make<TestWalker>(1.2f, 0.0f);
    a->SetDirection(1.0f, 0.0f);
    Sides sides(a, b, TS_ALLIANCE_HOSTILE, TS_ALLIANCE_HOSTILE);
    EXPECT_TRUE(a->AttackTarget(b, b->GetPosition(), true));
    a->Tick(1);
    TsWeaponObject* blow = a->GetCurrentAttack();
    ASSERT_GT(blow->GetHitCountdown(), 0) << "swung, not yet landed";
    a->ResetState();
    EXPECT_EQ(blow->GetHitCountdown(), -1);
    EXPECT_LE(blow->GetReloadCountdown(), 0);
    EXPECT_EQ(a->GetLockedTarget(), nullptr);
    for (int t = 2; t <= 8; ++t)
        a->Tick(uint32_t(t));
    EXPECT_FLOAT_EQ(b->GetVitality(), 10.0f);
    EXPECT_EQ(b->GetLastAttacker(), nullptr);
}

// Hearing reaches one unit past the listened-to character's cooldown, so a
// fresh strike (15) carries to 16 and a step (5) to 6; sight reaches the
// attention range ahead and nothing behind. Without a level's walls sight
// is always clear.
TEST_F(CharacterTest, ACharacterIsHeardByItsCooldownAndSeenOnlyAhead)
{
    const struct {
        const char* what;
        float distance;
        int32_t cooldown;
        float facing; // the listener's heading along x
        bool sensed;
    } heard[] = {
        {"a strike, just inside", 15.9f, 15, -1.0f, true},
        {"a strike, just beyond", 16.1f, 15, -1.0f, false},
        {"a step, just inside", 5.9f, 5, -1.0f, true},
        {"a step, just beyond", 6.1f, 5, -1.0f, false},
        {"silent, behind and close", 0.9f, 0, -1.0f, true},
        {"silent, behind", 1.1f, 0, -1.0f, false},
        {"silent, ahead within the range", 9.9f, 0, 1.0f, true},
        {"silent, ahead beyond the range", 10.1f, 0, 1.0f, false},
    };
    for (const auto& c : heard) {
        TestWalker* listener = Make<TestWalker>(0.0f, 0.0f);
        TestWalker* other = Make<TestWalker>(c.distance, 0.0f);
        listener->SetDirection(c.facing, 0.0f);
        other->SetCooldown(c.cooldown);
        Sides sides(listener, other, TS_ALLIANCE_HOSTILE, TS_ALLIANCE_HOSTILE);
        EXPECT_EQ(listener->Sense(), c.sensed) << c.what;
        EXPECT_EQ(sides.squads[0]->GetThreatCount(), c.sensed ? 1 : 0) << c.what;
    }
}

// For a sentry's next point and a place to attack or cower from, whatever the compiler.
TEST(CharacterRingPoint, XTakesTheFirstRandomNumberAndZTheSecond)
{
    const OmVector3 centre(10.0f, 2.0f, -4.0f);
    const auto offset = [](float minDistance, float maxDistance) {
        const float r = 2.0f * (float(OmRand()) / 32767.0f - 0.5f);
        return (maxDistance - minDistance) * r + (r >= 0.0f ? minDistance : -minDistance);
    };
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        OmSRand(seed);
        const float x = offset(1.0f, 6.0f);
        const float z = offset(1.0f, 6.0f);
        OmSRand(seed);
        const OmVector3 point = TsCharacterObject::RingPoint(centre, 1.0f, 6.0f);
        EXPECT_FLOAT_EQ(point.x, centre.x + x);
        EXPECT_FLOAT_EQ(point.y, centre.y);
        EXPECT_FLOAT_EQ(point.z, centre.z + z);
    }
}
