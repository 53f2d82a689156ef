// The player as saved games use it: script state, kitty, save naming and
// the save counter taken from the saves already on disk.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsLevelInfo.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"

namespace {

// The slots a script reads and writes are the bindings' test.
TEST(TsPlayer, ScriptStateSlotsOutsideTheTableAreIgnored)
{
    const auto player = std::make_unique<TsPlayer>();
    player->SetScriptState(16, 9);
    player->SetScriptState(-1, 9);
    EXPECT_EQ(player->GetScriptState(16), -1);
    EXPECT_EQ(player->GetScriptState(-1), -1);
}

TEST(TsPlayerParty, HiddenModesAreStaticSwitchesAndMakeTheKittyRich)
{
    const auto player = std::make_unique<TsPlayer>();
    EXPECT_EQ(player->AddToKitty(-20), -20) << "the kitty goes below nothing";
    TsPlayer::_EnableEasterEgg(TsPlayer::EGG_RICH, true);
    EXPECT_EQ(player->GetKitty(), 99999);
    EXPECT_EQ(player->AddToKitty(5), 99999);
    TsPlayer::_EnableEasterEgg(TsPlayer::EGG_RICH, false);
    EXPECT_EQ(player->GetKitty(), -20) << "nothing was added while rich";
    TsPlayer::_EnableEasterEgg(6, true); // outside the table: ignored
    TsPlayer::_EnableEasterEgg(-1, true);
    EXPECT_FALSE(TsPlayer::_IsEasterEggEnabled(6));
    EXPECT_FALSE(TsPlayer::_IsEasterEggEnabled(-1));
}

TEST(TsPlayer, EachSaveNameCountsOnFromTheHighestOnDiskAndNamesTheLevel)
{
    ScratchDir dir;
    dir.Write("Save Games/Ann [4] - Demo", "x");
    dir.Write("Save Games/Ann [11] - Demo", "x");
    dir.Write("Save Games/Bob [20] - Demo", "x");
    const auto ann = std::make_unique<TsPlayer>();
    ann->SetName("Ann");
    EXPECT_TRUE(ann->InitialiseForLevel(-1));
    EXPECT_EQ(ann->GetSaveNumber(), 11);
    ann->GetLevelInfo().missionName = "demo";
    ann->MakeSaveName();
    EXPECT_STREQ(ann->GetSaveName(), "Ann [12] - demo"); // no level name: the mission's
    ann->GetLevelInfo().levelName = "Demo/Level";
    ann->MakeSaveName();
    EXPECT_STREQ(ann->GetSaveName(), "Ann [13] - Demo_Level");
    EXPECT_NE(std::string(ann->GetSaveDate()).find(", "), std::string::npos);
}

TsPCObject* MakePC(const char* name, int32_t type)
{
    auto* pc = new TsPCObject;
    pc->SetName(name);
    pc->SetPCType(type);
    return pc;
}

// The current character leads the squad.
TEST(TsPlayerParty, TheSeventhCharacterIsTheLastAndTheSquadHoldsThree)
{
    LogCapture log;
    const auto player = std::make_unique<TsPlayer>();
    std::vector<TsPCObject*> pcs;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "pc" + std::to_string(i);
        pcs.push_back(MakePC(name.c_str(), i % 7));
    }
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(player->AddCharacter(OmRef<TsPCObject>::Adopt(pcs[size_t(i)])));
    EXPECT_FALSE(player->AddCharacter(OmRef<TsPCObject>::Adopt(pcs[7]))) << "an eighth";
    EXPECT_FALSE(player->AddCharacter(OmRef<TsPCObject>(pcs[0]))) << "twice";
    EXPECT_EQ(player->GetCharacterCount(), 7);
    EXPECT_TRUE(log.Contains("the party is full"));

    EXPECT_EQ(player->GetCharacter("pc3"), pcs[3]);
    EXPECT_EQ(player->GetCharacter("PC3"), nullptr) << "case counts";
    EXPECT_TRUE(log.Contains("TsPlayer::GetCharacter - Couldn't find character named 'PC3'"));

    for (int i = 0; i < 3; ++i)
        player->AddCharacterToSquad(pcs[size_t(i)], nullptr);
    player->AddCharacterToSquad(pcs[3], nullptr);
    EXPECT_TRUE(log.Contains("Player squad full, cannot add character pc3"));
    EXPECT_EQ(player->GetTeamCount(), 3);
    EXPECT_EQ(pcs[3]->GetSquad(), nullptr);
    // With a member to remove, the removal comes first.
    player->AddCharacterToSquad(pcs[3], pcs[1]);
    EXPECT_EQ(player->GetTeamCount(), 3);
    EXPECT_EQ(player->GetSquadMember(2), pcs[3]);
    EXPECT_EQ(pcs[1]->GetSquad(), nullptr);
    EXPECT_EQ(pcs[1]->GetPlayer(), nullptr);
    EXPECT_EQ(pcs[3]->GetPlayer(), player.get());

    player->SetCurrentCharacter(2);
    EXPECT_EQ(player->GetCurrentCharacter(), pcs[3]);
    EXPECT_EQ(player->GetSquad()->GetLeader(), pcs[3]);
    player->SetCurrentCharacter(3); // outside the squad: ignored
    EXPECT_EQ(player->GetCurrentIndex(), 2);

    player->RemoveSquadMember(pcs[0]);
    EXPECT_EQ(player->GetTeamCount(), 2);
    player->RemoveAllSquadMembers();
    EXPECT_EQ(player->GetTeamCount(), 0);
    player->Clear();
    EXPECT_EQ(player->GetCharacterCount(), 0);
    EXPECT_EQ(player->GetCurrentCharacter(), nullptr);
}

TEST(TsPlayerParty, AfterALoadTheHighestTypeGoesLastAndTheGivenTypeIsCurrent)
{
    const auto loaded = std::make_unique<TsPlayer>();
    TsPCObject* tamsa = MakePC("tamsa", TS_PC_TAMSA);
    TsPCObject* vessa = MakePC("vessa", TS_PC_VESSA);
    TsPCObject* hadley = MakePC("hadley", TS_PC_HADLEY);
    for (TsPCObject* pc : {tamsa, vessa, hadley}) {
        loaded->AddCharacter(OmRef<TsPCObject>::Adopt(pc));
        loaded->AddCharacterToSquad(pc, nullptr);
    }
    EXPECT_TRUE(loaded->InitialiseForLevel(TS_PC_TAMSA));
    EXPECT_EQ(loaded->GetSquadMember(0), tamsa);
    EXPECT_EQ(loaded->GetSquadMember(1), hadley);
    EXPECT_EQ(loaded->GetSquadMember(2), vessa);
    EXPECT_EQ(loaded->GetCurrentCharacter(), tamsa);
    EXPECT_EQ(loaded->GetSquad()->GetEffectiveBehaviour(), TS_BEHAVIOUR_PLAYER);
}

// A file reads its objects class by class in the order of its class table,
// so the player and its squad may be read before their characters are
// built: the party, the squad's members and its threats come back either way.
TEST(TsPlayerParty, APartyComesBackWhicheverClassTheFileReadsFirst)
{
    OmClassRegistry& registry = OmClassRegistry::Instance();
    OmClassRegistry reversed;
    for (int32_t i = int32_t(registry.GetCount()) - 1; i >= 0; --i)
        reversed.AddClass(registry.GetClass(i), registry.GetFactory(i), registry.GetPool(i));
    for (OmClassRegistry* order : {&registry, &reversed}) {
        ScratchDir dir;
        order->AssignClassIds();
        const auto player = std::make_unique<TsPlayer>();
        TsPCObject* ann = MakePC("ann", TS_PC_ORRICK);
        ann->SetStay(true);
        player->AddCharacter(OmRef<TsPCObject>::Adopt(ann));
        player->AddCharacterToSquad(ann, nullptr);
        const auto guard = OmMakeRef<TsNPCObject>();
        guard->SetName("guard");
        ASSERT_NE(player->GetSquad(), nullptr);
        player->GetSquad()->AddThreat(guard);
        {
            OmArchive out(*order);
            out.AddRoot(player.get());
            ASSERT_TRUE(out.Save("party"));
        }
        OmRef<TsEntity> guardRead; // let go after the player that names it
        OmArchive in(*order);
        ASSERT_TRUE(in.Load("party")) << (order == &registry ? "registry order" : "reversed order");
        const auto loaded = OmRef<TsPlayer>::Adopt(TsPlayer::Cast(in.GetRoot(0)));
        ASSERT_NE(loaded.Get(), nullptr);
        ASSERT_EQ(loaded->GetCharacterCount(), 1);
        TsSquadObject* squad = loaded->GetSquad();
        ASSERT_NE(squad, nullptr);
        TsPCObject* pc = loaded->GetCharacterAt(0);
        EXPECT_EQ(pc->GetPCType(), TS_PC_ORRICK);
        EXPECT_TRUE(pc->GetStay());
        EXPECT_EQ(pc->GetPlayer(), loaded);
        EXPECT_EQ(squad->GetMember(0), pc);
        EXPECT_EQ(pc->GetSquad(), squad);
        ASSERT_EQ(squad->GetThreatCount(), 1);
        ASSERT_NE(squad->GetThreats()[0].entity, nullptr);
        guardRead.AdoptNew(squad->GetThreats()[0].entity);
        EXPECT_STREQ(guardRead->GetName(), "guard");
    }
    registry.AssignClassIds();
}

TEST(TsNPCObject, ACrittersPayloadIsDrawnFromTheFirstEntriesTheNumberAllows)
{
    struct Case {
        int32_t size, number, random, entry;
    } cases[] = {
        {10, 1, 0, 1}, {10, 1, 3, 4}, {10, 1, 7, 4}, {10, 1, 4, 1}, // the first 4 of 10
        {3, 5, 5, 3},                                              // the table's size bounds it
        {0, 1, 5, 0},  {-2, 1, 5, 0},                              // nothing to draw
        {10, -1, 5, 0},                                            // a negative number draws nothing
        {10, 0, -7, 2},                                            // a negative draw stays in range
        {10, 0x7fffffff, 123, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TsNPCObject::PayloadEntry(c.size, c.number, c.random), c.entry)
            << c.size << " " << c.number << " " << c.random;
}

// Something to point a healer at that is not a character.
OM_TEST_CLASS(NotAPatient, TsEntity);
OM_IMPLEMENT_CLASS(NotAPatient, TsEntity)

// A healer that leads its squad is not sent to heal what is not a
// character, nobody, someone unhurt, or when it cannot spare the life.
TEST(TsPCObject, ALeadingHealerRefusesOrdersWithNothingToHeal)
{
    const auto healer = OmRef<TsPCObject>::Adopt(MakePC("healer", TS_PC_TAMSA));
    const auto patient = OmRef<TsPCObject>::Adopt(MakePC("patient", TS_PC_HADLEY));
    const auto barrel = OmMakeRef<NotAPatient>();
    const auto squad = OmMakeRef<TsSquadObject>(); // let go first
    squad->AddMember(healer);
    squad->AddMember(patient);
    ASSERT_NE(healer->InnateAttack(), nullptr);
    healer->InnateAttack()->Current().efficiency = -4.0f;
    const OmVector3 at(1, 0, 0);
    EXPECT_FALSE(healer->AttackTarget(barrel, at, true)) << "not a character";
    EXPECT_FALSE(healer->AttackTarget(nullptr, at, true)) << "nobody";
    EXPECT_FALSE(healer->AttackTarget(patient, at, true)) << "unhurt";
    patient->SetHealth(2.0f);
    healer->SetHealth(1.0f);
    healer->SetVitality(2.0f);
    EXPECT_FALSE(healer->AttackTarget(patient, at, true)) << "3 of life cannot spare 4";
    squad->RemoveMember(healer);
    squad->RemoveMember(patient);
}

} // namespace
