// Squads on the demo level in the real application: sight and attack, the
// behaviours, the player's squad, stealth and blows.
#include "tests/app/SquadLevelFixture.h"

#include "engine/OmSkinShape.h"
#include "platform/KeyCodes.h"
#include "ui/TsRadar.h"

namespace apptest {
namespace {

// Whether the figure shows what hangs from its bone 1 (Brusk's tongue).
bool TongueShown(const OmSkinShape& figure)
{
    const OmGroup* bone = figure.FindBoneNode(1);
    uint32_t cursor = 0;
    return bone && bone->GetNextChild(cursor) != nullptr;
}

TEST_F(SquadLevel, AHostileSquadThatSeesThePlayersSquadAttacksButNotThroughAWall)
{
    // In room A in plain view; in room B behind the wall; in room B seen
    // through the door down the corridor.
    struct Case {
        const char* what;
        OmVector3 watcher, target;
        bool seen;
    } cases[] = {
        {"across the room", OmVector3(1.5f, 0, 2.0f), OmVector3(6.5f, 0, 2.0f), true},
        {"behind the wall", OmVector3(4.0f, 0, 1.5f), OmVector3(16.0f, 0, 1.5f), false},
        {"through the door", OmVector3(4.0f, 0, 4.0f), OmVector3(16.0f, 0, 4.0f), true},
    };
    std::vector<TsPCObject*> party = MakeParty({cases[0].target});
    TsPCObject* pc = party[0];
    int32_t index = 10;
    for (const Case& c : cases) {
        pc->SetOrigin(c.target.x, 0.0f, c.target.z);
        TsNPCObject* npc = AddNPC(c.what, c.watcher.x, c.watcher.z, index);
        npc->SetAttentionRange(20.0f);
        npc->SetDirection(1.0f, 0.0f);
        TsSquadObject* squad = MakeSquad(index++, kEnemyTeam, TS_BEHAVIOUR_ATTACK);
        squad->SetRange(0.0f); // standing idle until it sees someone
        squad->ChooseIdleBehaviour();
        Ticks(3);
        EXPECT_EQ(squad->GetThreatCount() > 0, c.seen) << c.what;
        if (c.seen) {
            EXPECT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_ATTACK) << c.what;
            Ticks(40);
            EXPECT_EQ(npc->GetAssignedTarget(), pc) << c.what;
            EXPECT_EQ(npc->GetLockedTarget(), pc) << c.what << ": the attack order was given";
            EXPECT_LT(GroundDistance(npc->GetPosition(), pc->GetPosition()),
                      GroundDistance(c.watcher, c.target)) << c.what << ": it closed in";
        } else {
            Ticks(40);
            EXPECT_EQ(squad->GetThreatCount(), 0) << c.what;
            EXPECT_EQ(npc->GetAssignedTarget(), nullptr) << c.what;
            EXPECT_LT(GroundDistance(npc->GetPosition(), c.watcher), 4.0f) << c.what << ": it stayed on guard";
        }
        npc->SetFlag(TS_ENTITY_DORMANT); // out of the next case
        squad->SetIndex(-100 - index);
    }
}

// The music follows the fighting: a hostile within ten units of the current
// character turns the combat layer on; one farther off or a friendly one
// leaves it off, and five quiet seconds after the hostile went away end it.
TEST_F(SquadLevel, AHostileNearTheCurrentCharacterBringsTheCombatMusicUntilAQuietSpell)
{
    TsAudio* audio = TsAccess::Audio();
    ASSERT_NE(audio, nullptr);
    // The hostile stands stunned in room B, out of range.
    std::vector<TsPCObject*> party = MakeParty({OmVector3(4.0f, 0, 1.5f), OmVector3(3.0f, 0, 1.5f)});
    TsNPCObject* far = AddNPC("far", 16.0f, 1.5f, 30);
    MakeSquad(30, kEnemyTeam, TS_BEHAVIOUR_IDLE);
    far->Stun(60.0f);
    TsNPCObject* friendly = AddNPC("friend", 5.0f, 2.0f, 31);
    MakeSquad(31, kPlayerTeam, TS_BEHAVIOUR_IDLE);
    Ticks(20);
    EXPECT_GT(GroundDistance(far->GetPosition(), party[0]->GetPosition()), 10.0f);
    EXPECT_LT(GroundDistance(friendly->GetPosition(), party[0]->GetPosition()), 10.0f);
    EXPECT_FALSE(audio->IsInCombat()) << "nobody hostile is near";

    far->SetOrigin(7.0f, 0.0f, 1.5f);
    Ticks(3);
    EXPECT_TRUE(audio->IsInCombat()) << "a hostile came near";

    far->SetOrigin(16.0f, 0.0f, 1.5f);
    Frames(70, 100); // the game's clock, which the quiet spell is timed by
    EXPECT_FALSE(audio->IsInCombat()) << "five quiet seconds end it";
}

// Brusk strikes with his tongue: it hangs from his bone 1 for the ten ticks
// after each strike and is taken off again, the character keeping it.
TEST_F(SquadLevel, BrusksTongueShowsOnHisBoneForTenTicksAfterAStrike)
{
    std::vector<TsPCObject*> party = MakeParty({OmVector3(4.5f, 0, 4.0f)});
    TsNPCObject* brusk = Place(new TsNPCObject, "brusk", 3.5f, 4.0f, 20, "brusk.pbf");
    brusk->InnateAttack()->Attributes(false).SetEquipType(TS_EQUIP_TONGUE);
    brusk->SetDirection(1.0f, 0.0f);
    MakeSquad(20, kEnemyTeam, TS_BEHAVIOUR_ATTACK)->SetRange(0.0f);
    auto* shape = OmSkinShape::Cast(brusk->GetModel());
    ASSERT_NE(shape, nullptr);
    EXPECT_FALSE(TongueShown(*shape));
    ASSERT_TRUE(TickUntil([&] { return TongueShown(*shape); }, 200)) << "brusk struck";
    // Pulled back from the fight, he shows it for the rest of its ten ticks.
    brusk->Stun(60.0f);
    Ticks(10);
    EXPECT_FALSE(TongueShown(*shape)) << "taken off after ten ticks";
}

// The second brusk borrows the first one's figure.
TEST_F(SquadLevel, ASecondBruskStrikesWithHisOwnTongue)
{
    MakeParty({OmVector3(4.5f, 0, 4.0f)});
    Place(new TsNPCObject, "brusk", 12.0f, 12.0f, 21, "brusk.pbf");
    TsNPCObject* second = Place(new TsNPCObject, "brusk2", 3.5f, 4.0f, 20, "brusk.pbf");
    second->InnateAttack()->Attributes(false).SetEquipType(TS_EQUIP_TONGUE);
    second->SetDirection(1.0f, 0.0f);
    MakeSquad(20, kEnemyTeam, TS_BEHAVIOUR_ATTACK)->SetRange(0.0f);
    MakeSquad(21, kEnemyTeam, TS_BEHAVIOUR_IDLE);
    auto* shape = OmSkinShape::Cast(second->GetModel());
    ASSERT_NE(shape, nullptr);
    EXPECT_TRUE(TickUntil([&] { return TongueShown(*shape); }, 200));
}

// The player's friends are kept off the radar; one who dies stays off it as
// his squad lets go of him in his fall, and in a game saved then.
TEST_F(SquadLevel, AFriendWhoDiesStaysOffTheRadar)
{
    MakeParty({OmVector3(4.0f, 0, 4.0f)});
    MakeTeam(2, kPlayerTeam, TS_ALLIANCE_FRIENDLY);
    TsNPCObject* ally = AddNPC("ally", 6.0f, 5.0f, 21);
    MakeSquad(21, 2, TS_BEHAVIOUR_IDLE);
    const TsRadar* radar = Level()->GetRadar();
    Frames(2, 100);
    ASSERT_EQ(radar->GetDrawnBlips(TsRadar::kPCBlip), 1) << "the radar is drawn";
    ASSERT_EQ(radar->GetDrawnBlips(TsRadar::kNPCBlip), 0) << "alive";
    ally->Die();
    Frames(2, 100);
    EXPECT_EQ(radar->GetDrawnBlips(TsRadar::kNPCBlip), 0) << "fallen";
    ASSERT_TRUE(app->SaveGame());
    ASSERT_NO_FATAL_FAILURE(LoadFromTitle(TsAccess::LocalPlayer()->GetSaveName()));
    Key(plat::kKeySpace, true);
    Frames(2, 100);
    EXPECT_EQ(Level()->GetRadar()->GetDrawnBlips(TsRadar::kNPCBlip), 0) << "fallen, in the game loaded";
}

TEST_F(SquadLevel, ACoweringSquadRunsToACowerPointOutOfTheThreatsLine)
{
    std::vector<TsPCObject*> party = MakeParty({OmVector3(5.0f, 0, 4.0f)});
    TsNPCObject* coward = AddNPC("coward", 3.5f, 4.0f, 21);
    coward->SetDirection(1.0f, 0.0f);
    TsSquadObject* squad = MakeSquad(21, kEnemyTeam, TS_BEHAVIOUR_COWER);
    Ticks(3);
    ASSERT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_COWER);
    Ticks(120);
    const OmVector3 base = coward->GetBasePoint();
    EXPECT_FALSE(coward->CanWalkStraight(party[0]->GetPosition(), base, true))
        << "the cower point " << base.x << "," << base.z << " is out of the threat's line";
    EXPECT_LT(GroundDistance(coward->GetPosition(), base), std::max(1.0f, GroundDistance(OmVector3(3.5f, 0, 4.0f), base)))
        << "it heads for the cower point";
}

TEST_F(SquadLevel, AFleeingSquadRunsFarFromItsThreat)
{
    std::vector<TsPCObject*> party = MakeParty({OmVector3(3.0f, 0, 4.0f)});
    TsNPCObject* runner = AddNPC("runner", 5.0f, 4.0f, 22);
    runner->SetDirection(-1.0f, 0.0f);
    TsSquadObject* squad = MakeSquad(22, kEnemyTeam, TS_BEHAVIOUR_FLEE);
    Ticks(3);
    ASSERT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_FLEE);
    Ticks(150);
    EXPECT_GT(GroundDistance(runner->GetPosition(), party[0]->GetPosition()), 6.0f);
}

TEST_F(SquadLevel, APatrollingSquadFightsWhatComesNearButDoesNotGiveChase)
{
    std::vector<TsPCObject*> party = MakeParty({OmVector3(4.0f, 0, 4.0f)});
    TsNPCObject* near = AddNPC("near", 5.2f, 4.0f, 23);
    near->SetDirection(-1.0f, 0.0f);
    TsNPCObject* far = AddNPC("far", 4.0f, 7.5f, 23);
    far->SetDirection(0.0f, -1.0f);
    TsSquadObject* squad = MakeSquad(23, kEnemyTeam, TS_BEHAVIOUR_PATROL);
    Ticks(3);
    ASSERT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_PATROL);
    Ticks(60);
    EXPECT_EQ(near->GetLockedTarget(), party[0]) << "within reach: it strikes";
    EXPECT_LT(GroundDistance(far->GetPosition(), OmVector3(4.0f, 0, 7.5f)), 0.5f) << "out of reach: it holds";
}

TEST_F(SquadLevel, MembersTakeTheirFormationSlotsAboutTheLeader)
{
    MakeParty({OmVector3(18.0f, 0, 7.0f)});
    // A one-point round: the leader wanders to it and the others form up.
    auto* post = new TsWaypointObject;
    post->SetName("post");
    post->SetTarget("post");
    post->SetPosition(4.0f, 0.0f, 6.0f);
    DB()->AddEntity(OmRef<TsEntity>::Adopt(post));
    ASSERT_TRUE(post->Import());
    TsNPCObject* leader = AddNPC("leader", 4.0f, 6.0f, 26);
    std::vector<TsNPCObject*> members = {AddNPC("m1", 2.0f, 2.0f, 26), AddNPC("m2", 4.0f, 1.5f, 26),
                                         AddNPC("m3", 6.0f, 2.0f, 26)};
    TsSquadObject* squad = MakeSquad(26, kEnemyTeam, TS_BEHAVIOUR_ATTACK, "post");
    squad->SetFormation(FORMATION_VEE);
    leader->SetDirection(0.0f, 1.0f);
    Ticks(150);
    ASSERT_EQ(squad->GetLeader(), leader);
    for (size_t i = 0; i < members.size(); ++i) {
        OmVector3 slot;
        ASSERT_TRUE(squad->FormationSlot(FORMATION_VEE, int32_t(i + 1), squad->GetMemberCount(),
                                         leader->GetPosition(), leader->GetDirection(), slot));
        EXPECT_LT(GroundDistance(members[i]->GetPosition(), slot), 0.75f) << "member " << i + 1;
    }
}

TEST_F(SquadLevel, ThePlayersSquadFollowsTheSelectedCharacter)
{
    std::vector<TsPCObject*> party =
        MakeParty({OmVector3(2.0f, 0, 4.0f), OmVector3(1.5f, 0, 3.0f), OmVector3(1.5f, 0, 5.0f)});
    ASSERT_EQ(TsAccess::LocalPlayer()->GetTeamCount(), 3);
    ASSERT_EQ(TsAccess::CurrentCharacter(), party[0]);
    party[0]->MoveTo(OmVector3(16.0f, 0.0f, 4.0f));
    Frames(140, 100);
    EXPECT_GT(party[0]->GetPosition().x, 10.0f) << "the leader went down the corridor";
    for (int i = 1; i < 3; ++i)
        EXPECT_LT(GroundDistance(party[size_t(i)]->GetPosition(), party[0]->GetPosition()), 4.5f)
            << "follower " << i << " kept up";
}

TEST_F(SquadLevel, TheFunctionKeysSwitchControlAndTheLead)
{
    std::vector<TsPCObject*> party =
        MakeParty({OmVector3(2.0f, 0, 4.0f), OmVector3(1.5f, 0, 3.0f), OmVector3(1.5f, 0, 5.0f)});
    TsPlayer* player = TsAccess::LocalPlayer();
    ASSERT_EQ(TsAccess::CurrentCharacter(), party[0]);
    Tap(plat::kKeyF2, 2);
    EXPECT_EQ(player->GetCurrentIndex(), 1);
    EXPECT_EQ(TsAccess::CurrentCharacter(), party[1]);
    EXPECT_EQ(player->GetSquad()->GetLeader(), party[1]) << "the selected character leads";
    Tap(plat::kKeyF1, 2);
    EXPECT_EQ(player->GetCurrentIndex(), 0);
}

// F6 saves, and a quick load goes back to that save; a save that could not
// be written says so and leaves the quick load where it was.
TEST_F(SquadLevel, AQuickSaveRecordsItsNameOnlyWhenTheGameWasSaved)
{
    MakeParty({OmVector3(4.0f, 0, 4.0f)});
    TsPlayer* player = TsAccess::LocalPlayer();
    const std::string loaded = player->GetLoadedSaveName();
    Tap(plat::kKeyF6, 2);
    const std::string saved = player->GetSaveName();
    EXPECT_NE(saved, loaded);
    EXPECT_EQ(std::string(player->GetLoadedSaveName()), saved);
    EXPECT_TRUE(fs::exists(fs::path("Save Games") / saved));
    // The in-game menu shows that the game was saved; Return answers it.
    ASSERT_NE(TsAccess::GameFrontEnd(), nullptr);
    EXPECT_TRUE(TsAccess::GameFrontEnd()->IsActive());
    Tap(plat::kKeyReturn, 2);
    EXPECT_FALSE(TsAccess::GameFrontEnd()->IsActive());

    fs::rename("Save Games", "Saves elsewhere");
    std::ofstream("Save Games") << "not a folder";
    log.Clear();
    Tap(plat::kKeyF6, 2);
    EXPECT_TRUE(log.Contains("Quick save failed"));
    EXPECT_EQ(std::string(player->GetLoadedSaveName()), saved) << "the last good save stays the quick load";
}

// The right button sends the current character to strike the nearest enemy;
// with a gun in hand it orders a shot at the cursor's point instead, which
// needs no target within reach.
TEST_F(SquadLevel, TheRightButtonStrikesTheNearestEnemyOrFiresAtTheCursor)
{
    std::vector<TsPCObject*> party = MakeParty({OmVector3(4.0f, 0, 4.0f)});
    TsNPCObject* foe = AddNPC("foe", 6.5f, 4.0f, 27);
    foe->SetDirection(0.0f, 1.0f);
    TsSquadObject* squad = MakeSquad(27, kEnemyTeam, TS_BEHAVIOUR_IDLE);
    squad->SetRange(0.0f);
    squad->ChooseIdleBehaviour();
    Frames(2, 100);
    MouseToCentre();
    auto rightButton = [&](bool down, int frames = 2) {
        Button(down, 1);
        Frames(frames, 100);
    };
    rightButton(true);
    rightButton(false);
    EXPECT_EQ(party[0]->GetLockedTarget(), foe) << "the nearest enemy within reach";
    Frames(30, 100);
    EXPECT_EQ(foe->GetLastAttacker(), party[0]) << "it closed in and struck";
    EXPECT_LT(GroundDistance(party[0]->GetPosition(), foe->GetPosition()), 3.0f) << "and followed it up";

    foe->SetFlag(TS_ENTITY_DORMANT);
    auto* gun = new TsWeaponObject;
    gun->SetName("gun");
    gun->SetCanEquip(true);
    gun->Current().SetWeaponType(TS_WEAPON_RANGED_MANUAL);
    gun->Current().SetEquipType(3); // a one-handed gun
    gun->Current().SetAmmoPerShot(0);
    gun->Current().SetRange(12.0f);
    ASSERT_GT(party[0]->GetInventory()->AddArticle(gun), 0);
    ASSERT_TRUE(party[0]->GetInventory()->EquipArticle(gun));
    party[0]->ClearLockedTarget();
    party[0]->StopMoving();
    Frames(2, 100);
    rightButton(true, 1);
    EXPECT_EQ(party[0]->GetPendingCommand(), TsCharacterObject::kRangedAttack) << "a shot was ordered";
    EXPECT_EQ(party[0]->GetAimPoint().x, TsAccess::LevelCursor()->GetPickedPoint().x) << "at the cursor's point";
    EXPECT_EQ(party[0]->GetAimPoint().z, TsAccess::LevelCursor()->GetPickedPoint().z);
    rightButton(false);
}

// On a sneak level the guards are alert: a character crouching behind one
// with good stealth gear is not noticed, though it has just struck and an
// unalerted guard would hear it; poor gear, or no crouching, gives it away.
TEST_F(SquadLevel, AnAlertGuardMissesACrouchingStealthyCharacterThatAnUnalertedOneHears)
{
    struct Case {
        const char* what;
        bool alert, crouchable;
        float stealth;
        bool sensed;
    } cases[] = {
        {"alert, standing with the gear", true, false, 1.0f, true},
        {"unalerted, crouching with the gear", false, true, 1.0f, true},
        {"alert, crouching with the gear", true, true, 1.0f, false},
        {"alert, crouching with poor gear", true, true, 2.0f, true},
    };
    std::vector<TsPCObject*> party = MakeParty({OmVector3(2.5f, 0, 2.0f)});
    TsPCObject* pc = party[0];
    auto* gear = new TsWeaponObject;
    gear->SetName("cloak");
    gear->SetCanEquip(true);
    gear->Attributes(false).SetEquipType(TS_EQUIP_STEALTH);
    ASSERT_EQ(pc->GetInventory()->AddArticle(gear), 1);
    ASSERT_TRUE(pc->GetInventory()->EquipArticle(gear));
    TsLevelInfo* info = TsAccess::LevelInfo();
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(info->bIsSneakLevel, 0) << "no level is on the alert unless it says so";
    int32_t index = 10;
    for (const Case& c : cases) {
        info->bIsSneakLevel = c.alert ? 1 : 0;
        if (c.crouchable)
            pc->SetCrouchable();
        gear->Attributes(false).SetEfficiency(c.stealth);
        TsNPCObject* guard = AddNPC(c.what, 5.0f, 2.0f, index);
        guard->SetDirection(1.0f, 0.0f); // its back to the character
        TsSquadObject* squad = MakeSquad(index++, kEnemyTeam, TS_BEHAVIOUR_ATTACK);
        squad->SetRange(0.0f);
        squad->ChooseIdleBehaviour();
        pc->SetCooldown(15); // it has just struck
        Ticks(2);
        EXPECT_EQ(squad->GetThreatCount() > 0, c.sensed) << c.what;
        guard->SetFlag(TS_ENTITY_DORMANT); // out of the next case
        squad->SetIndex(-100 - index);
    }
    info->bIsSneakLevel = 0;
}

// A blow pushes the struck character along it by 0.04 of the damage dealt,
// at most 0.6, out of the square it stood on; not a patrol that holds its
// ground, and not into a wall.
TEST_F(SquadLevel, AStruckCharacterIsPushedBackAlongTheBlow)
{
    struct Case {
        const char* what;
        float x, damage;
        int32_t behaviour;
        float pushed;
    } cases[] = {
        {"a blow of 10", 3.0f, 10.0f, TS_BEHAVIOUR_ATTACK, 0.4f},
        {"a blow of 20", 3.0f, 20.0f, TS_BEHAVIOUR_ATTACK, 0.6f},
        {"a patrol holds its ground", 3.0f, 20.0f, TS_BEHAVIOUR_PATROL, 0.0f},
        {"against the wall", 7.6f, 20.0f, TS_BEHAVIOUR_ATTACK, 0.0f},
    };
    int32_t index = 10;
    for (const Case& c : cases) {
        TsNPCObject* npc = AddNPC(c.what, c.x, 1.5f, index);
        npc->SetMaxHealth(100.0f);
        npc->SetHealth(100.0f);
        TsSquadObject* squad = MakeSquad(index++, kEnemyTeam, c.behaviour);
        squad->SetRange(0.0f);
        Ticks(1);
        const OmVector3 before = npc->GetPosition();
        auto* attack = new TsAttack;
        attack->SetTarget(npc);
        attack->SetDamage(c.damage);
        attack->SetDirection(OmVector3(1.0f, 0.0f, 0.0f));
        EXPECT_TRUE(attack->Deliver());
        attack->Release();
        EXPECT_NEAR(npc->GetPosition().x - before.x, c.pushed, 1e-4f) << c.what;
        EXPECT_NEAR(npc->GetPosition().z, before.z, 1e-4f) << c.what;
        npc->SetFlag(TS_ENTITY_DORMANT);
        squad->SetIndex(-100 - index);
    }
}

// The idle behaviours a level designer gives a squad: a defender keeps about
// its point, a sentry paces within its range, a wanderer walks its waypoints.
TEST_F(SquadLevel, ADefendingSquadHoldsItsPoint)
{
    MakeParty({OmVector3(4.5f, 0, 4.0f)});
    TsNPCObject* guard = AddNPC("guard", 3.0f, 4.0f, 20);
    guard->SetDirection(1.0f, 0.0f);
    TsSquadObject* squad = MakeSquad(20, kEnemyTeam, TS_BEHAVIOUR_DEFEND_BASE);
    squad->SetOrigin(3.0f, 0.0f, 4.0f);
    squad->SetRange(2.0f);
    float farthest = 0.0f;
    for (int i = 0; i < 120; ++i) {
        Ticks(1);
        farthest = std::max(farthest, GroundDistance(guard->GetBasePoint(), squad->GetOrigin()));
    }
    EXPECT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_DEFEND_BASE);
    EXPECT_LE(farthest, 2.0f * std::sqrt(2.0f) + 0.01f) << "its base stays about its point";
    EXPECT_LT(GroundDistance(guard->GetPosition(), squad->GetOrigin()), 3.5f);
}

TEST_F(SquadLevel, ASentrySquadPacesWithinItsRangeOfItsOrigin)
{
    MakeParty({OmVector3(18.0f, 0, 7.0f)});
    TsNPCObject* sentry = AddNPC("sentry", 4.0f, 4.0f, 25);
    TsSquadObject* squad = MakeSquad(25, kEnemyTeam, TS_BEHAVIOUR_ATTACK);
    squad->SetOrigin(4.0f, 0.0f, 4.0f);
    squad->SetRange(2.0f);
    ASSERT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_SENTRY);
    float farthest = 0.0f, travelled = 0.0f;
    OmVector3 last = sentry->GetPosition();
    for (int i = 0; i < 200; ++i) {
        Ticks(1);
        const OmVector3 at = sentry->GetPosition();
        farthest = std::max({farthest, std::fabs(at.x - 4.0f), std::fabs(at.z - 4.0f)});
        travelled += GroundDistance(at, last);
        last = at;
    }
    EXPECT_GT(travelled, 2.0f) << "it paces";
    EXPECT_LE(farthest, 2.0f + 0.35f) << "within the range on each axis";
}

TEST_F(SquadLevel, AWanderingSquadWalksItsWaypointsInTurn)
{
    MakeParty({OmVector3(18.0f, 0, 7.0f)}); // far off in room B, unseen
    const OmVector3 points[] = {OmVector3(1.5f, 0, 1.5f), OmVector3(6.5f, 0, 6.5f)};
    TsWaypointObject* waypoints[2];
    for (int i = 0; i < 2; ++i) {
        waypoints[i] = new TsWaypointObject;
        waypoints[i]->SetName(i == 0 ? "w1" : "w2");
        waypoints[i]->SetTarget(i == 0 ? "w2" : "w1");
        waypoints[i]->SetPosition(points[i].x, 0.0f, points[i].z);
        waypoints[i]->SetRadius(0.5f);
        DB()->AddEntity(OmRef<TsEntity>::Adopt(waypoints[i]));
    }
    for (TsWaypointObject* w : waypoints)
        ASSERT_TRUE(w->Import());
    TsNPCObject* walker = AddNPC("wanderer", 2.0f, 2.0f, 24);
    walker->SetDirection(-1.0f, 0.0f);
    TsSquadObject* squad = MakeSquad(24, kEnemyTeam, TS_BEHAVIOUR_ATTACK, "w1");
    EXPECT_EQ(squad->GetEffectiveBehaviour(), TS_BEHAVIOUR_WANDER);
    Ticks(2);
    EXPECT_EQ(squad->GetPatrolWaypoint(), waypoints[1]) << "w1 was touched at once: on to w2";
    EXPECT_TRUE(TickUntil([&] { return GroundDistance(walker->GetPosition(), points[1]) < 1.0f; }, 200));
    Ticks(3);
    EXPECT_EQ(squad->GetPatrolWaypoint(), waypoints[0]) << "then back to w1";
}

// A member action called on its own, outside any squad behaviour.
TEST_F(SquadLevel, AFleeingMemberDropsItsTargetsWhenTheThreatComesClose)
{
    TsPCObject* victim = MakeParty({OmVector3(2.0f, 0, 4.0f)})[0];
    TsNPCObject* member = AddNPC("member", 6.0f, 4.0f, 27);
    MakeSquad(27, kEnemyTeam, TS_BEHAVIOUR_IDLE)->SetRange(0.0f);
    const std::pair<float, bool> cases[] = {{5.0f, true}, {9.9f, true}, {10.5f, false}, {20.0f, false}};
    for (const auto& [distance, dropped] : cases) {
        victim->SetOrigin(2.0f, 0.0f, 4.0f);
        member->SetOrigin(2.0f + distance, 0.0f, 4.0f);
        member->StopMoving();
        member->SetAssignedTarget(victim);
        member->SetLockedTarget(victim);
        member->Flee(10.0f, 30.0f);
        EXPECT_EQ(member->GetAssignedTarget() == nullptr, dropped) << distance;
        EXPECT_EQ(member->GetLockedTarget() == nullptr, dropped) << distance;
    }
}

} // namespace
} // namespace apptest
