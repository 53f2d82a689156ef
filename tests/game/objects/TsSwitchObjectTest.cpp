// Switches and their action lists without a level: kind words, key
// switches, waits, motions, disabled switches, keys and the archive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/OmRef.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsSwitchObject.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

class SwitchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lever = Make<TsSwitchObject>("lever");
        door = Make<TsDoorObject>("gate");
    }
    template <class T>
    T* Make(const char* name)
    {
        T* object = new T;
        object->SetName(name);
        made.push_back(OmRef<TsEntity>::Adopt(object));
        return object;
    }
    // Ticks until the switch is idle again; the ticks it took.
    int RunUntilIdle(TsSwitchObject& s, int limit = 200)
    {
        int ticks = 0;
        while (s.GetState() != TsSwitchObject::kIdle && ticks < limit) {
            s.Tick(0);
            door->Tick(0);
            ++ticks;
        }
        return ticks;
    }
    TsSwitchObject* lever = nullptr;
    TsDoorObject* door = nullptr;
    std::vector<OmRef<TsEntity>> made;
};

} // namespace

TEST_F(SwitchTest, KindWordsPickTheKindsAndThreeKindsAddNothing)
{
    const struct {
        const char* line;
        int32_t kind; // -1: the line adds nothing
        const char* text;
    } cases[] = {
        {"wait 2", kSwitchWait, "2"},
        {"UNLOCKDOOR gate", kSwitchUnlockDoor, "gate"},
        {"OpenDoor gate lever 0", kSwitchOpenDoor, "gate lever 0"},
        {" leading blank", kSwitchUnnamed6, "leading blank"},
        {"EnableSwitch lever", -1, nullptr},
        {"RunHack anything", -1, nullptr},
        {"CallScript Opened()", kSwitchCallScript, "Opened()"},
        {"ChangeParticleColour smoke red", kSwitchChangeParticleColour, "smoke red"},
        {"Animate_RotateZ 90", kSwitchRotateZ, "90"},
        {"Dance now", kSwitchOther, "now"},
        {"OpenDoorX gate", kSwitchOther, "gate"},
    };
    for (const auto& c : cases) {
        TsSwitchActionList list;
        EXPECT_EQ(list.AddLine(c.line), c.kind >= 0) << c.line;
        if (c.kind < 0) {
            EXPECT_EQ(list.GetCount(), 0u) << c.line;
            continue;
        }
        ASSERT_EQ(list.GetCount(), 1u) << c.line;
        EXPECT_EQ(list.GetAction(0)->GetKind(), c.kind) << c.line;
        EXPECT_STREQ(list.GetAction(0)->GetText(), c.text) << c.line;
        const bool barrier = c.kind == kSwitchWait || c.kind == kSwitchCap || c.kind == kSwitchUnnamed6 ||
                             c.kind == kSwitchOther;
        EXPECT_EQ(list.GetAction(0)->IsBarrier(), barrier) << c.line;
    }
    // A word of 63 characters can still name a kind; a longer one never
    // does, and nothing is read past it.
    const std::string word63 = "Wait" + std::string(59, 'x');
    const std::string word200 = "OpenDoor" + std::string(192, 'y');
    EXPECT_EQ(TsSwitchAction::KindOf(word63.c_str(), uint32_t(word63.size())), kSwitchOther);
    EXPECT_EQ(TsSwitchAction::KindOf("Wait", 4), kSwitchWait);
    TsSwitchActionList list;
    list.AddLine((word200 + " gate").c_str());
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAction(0)->GetKind(), kSwitchOther);
    EXPECT_STREQ(list.GetAction(0)->GetText(), "gate");
}

TEST_F(SwitchTest, ScriptsAreCallsOfPlainNames)
{
    LogCapture log;
    lever->SetActivateScript("Pulled");
    EXPECT_STREQ(lever->GetActivateScript(), "Pulled()");
    EXPECT_STREQ(lever->GetDeactivateScript(), "Pulled()");
    lever->SetDeactivateScript("Pushed");
    EXPECT_STREQ(lever->GetActivateScript(), "Pulled()");
    EXPECT_STREQ(lever->GetDeactivateScript(), "Pushed()");
    lever->SetDeactivateScript("os.exit() Pushed");
    EXPECT_STREQ(lever->GetDeactivateScript(), "Pushed()") << "refused, the old one kept";
    EXPECT_TRUE(log.Contains("is not a script name"));
}

TEST_F(SwitchTest, KeysStopAtFour)
{
    LogCapture log;
    lever->SetKeyText("  red   blue green  white black");
    ASSERT_TRUE(lever->Initialise());
    EXPECT_EQ(lever->GetKeyCount(), TsSwitchObject::kMaxKeys);
    EXPECT_STREQ(lever->GetKeyName(0), "red");
    EXPECT_STREQ(lever->GetKeyName(3), "white");
    EXPECT_EQ(lever->GetKeyName(4), nullptr);
    EXPECT_TRUE(log.Contains("Too many keys"));
}

TEST_F(SwitchTest, AKeySwitchInTheWrongStateFailsTheActionAndLeavesOnAlone)
{
    TsSwitchObject* key = Make<TsSwitchObject>("key");
    lever->AddActivateActionText("OpenDoor gate key");
    lever->AddActivateActionText("Cap");
    ASSERT_TRUE(lever->Initialise());
    ASSERT_TRUE(key->Initialise());
    lever->ActivateSwitch();
    lever->Tick(0);
    EXPECT_EQ(lever->GetState(), TsSwitchObject::kIdle) << "the failing action ends the activation at once";
    for (int i = 0; i < 5; ++i)
        lever->Tick(0);
    EXPECT_FALSE(lever->IsOn());
    EXPECT_FALSE(door->IsOpen());

    // With the key on (and idle) the same switch opens the door; a key
    // required off ("0") then refuses.
    key->ActivateSwitch();
    RunUntilIdle(*key);
    ASSERT_TRUE(key->IsOn());
    lever->ActivateSwitch();
    RunUntilIdle(*lever);
    EXPECT_TRUE(door->IsOpen());
    EXPECT_TRUE(lever->IsOn());

    TsSwitchObject* other = Make<TsSwitchObject>("other");
    other->AddActivateActionText("LockDoor gate key 0");
    ASSERT_TRUE(other->Initialise());
    other->ActivateSwitch();
    RunUntilIdle(*other);
    EXPECT_FALSE(door->IsLocked());
    EXPECT_FALSE(other->IsOn());
}

TEST_F(SwitchTest, MissingDoorsAndSwitchesAreReported)
{
    LogCapture log;
    TsSwitchObject* broken = Make<TsSwitchObject>("broken");
    broken->AddActivateActionText("OpenDoor nowhere");
    broken->AddActivateActionText("CloseDoor gate ghost 1");
    broken->AddActivateActionText("Wait 0");
    ASSERT_TRUE(broken->Initialise());
    EXPECT_TRUE(log.Contains("Cannot find door 'nowhere' for OpenDoor action in switch 'broken'"));
    EXPECT_TRUE(log.Contains("Cannot find switch 'ghost' for door action in switch 'broken'"));
    EXPECT_TRUE(log.Contains("Switch 'broken' has a zero wait time action"));
    broken->ActivateSwitch();
    RunUntilIdle(*broken);
    EXPECT_FALSE(broken->IsOn());
}

// A script may delete it after the actions found it: a lost door fails the
// action, a lost key no longer guards the door.
TEST_F(SwitchTest, AnActionForgetsADoorOrKeySwitchThatIsDestroyed)
{
    const struct {
        const char* line;
        bool doorGoes;
        bool opens;
    } cases[] = {{"OpenDoor doomed", true, false}, {"OpenDoor gate doomed 0", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TsEntity* fresh = c.doorGoes ? static_cast<TsEntity*>(new TsDoorObject) : new TsSwitchObject;
        auto doomed = OmRef<TsEntity>::Adopt(fresh);
        doomed->SetName("doomed");
        TsSwitchObject* s = Make<TsSwitchObject>("puller");
        s->AddActivateActionText(c.line);
        ASSERT_TRUE(s->Initialise());
        doomed = nullptr;
        s->ActivateSwitch();
        RunUntilIdle(*s);
        EXPECT_EQ(s->IsOn(), c.opens);
        EXPECT_EQ(door->IsOpen(), c.opens);
    }
}

TEST_F(SwitchTest, ADisabledSwitchRunsItsDeactivateListAndStaysAsItWas)
{
    lever->AddActivateActionText("OpenDoor gate");
    lever->AddDeactivateActionText("LockDoor gate");
    lever->SetDisabled(true);
    ASSERT_TRUE(lever->Initialise());
    lever->Use(nullptr);
    EXPECT_EQ(lever->GetState(), TsSwitchObject::kRefused);
    RunUntilIdle(*lever);
    EXPECT_FALSE(lever->IsOn());
    EXPECT_TRUE(door->IsLocked());
    EXPECT_FALSE(door->IsOpen());
    lever->ActivateSwitch();
    lever->ActivateSwitch(); // ignored: not idle
    EXPECT_EQ(lever->GetState(), TsSwitchObject::kRefused);
}

TEST_F(SwitchTest, MotionsTakeTwoSecondsAndAMovingSwitchIgnoresItsTranslations)
{
    const struct {
        int32_t motion;
        float rise;
    } cases[] = {{TsSwitchObject::kMotionUp, 1.0f}, {TsSwitchObject::kMotionDown, -1.0f},
                 {TsSwitchObject::kMotionSpin, 0.0f}, {9, 0.0f}, {TsSwitchObject::kNoMotion, 0.0f}};
    for (const auto& c : cases) {
        auto* s = Make<TsSwitchObject>("mover");
        s->SetActivateAnim(c.motion);
        s->AddActivateActionText("Animate_XTrans 5 1");
        ASSERT_TRUE(s->Initialise());
        s->ActivateSwitch();
        const int ticks = RunUntilIdle(*s);
        // Any motion kind but none holds the translation off; only the
        // three known kinds take time.
        const bool moves = c.motion >= 1 && c.motion <= 3;
        const bool translates = c.motion == TsSwitchObject::kNoMotion;
        EXPECT_EQ(ticks, moves ? 20 : translates ? 11 : 1) << c.motion;
        EXPECT_NEAR(s->GetPosition().y, c.rise, 1e-4f) << c.motion;
        EXPECT_NEAR(s->GetPosition().x, translates ? 5.0f : 0.0f, 1e-4f) << c.motion;
        EXPECT_TRUE(s->IsOn());
    }
}

TEST_F(SwitchTest, AHalfRunListComesBackFromTheArchiveWhereItStood)
{
    lever->AddActivateActionText("OpenDoor gate");
    lever->AddActivateActionText("Wait 1");
    lever->AddActivateActionText("CloseDoor gate");
    lever->AddActivateActionText("EnableSwitch lever"); // dropped
    ASSERT_TRUE(lever->Initialise());
    lever->ActivateSwitch();
    for (int i = 0; i < 3; ++i) {
        lever->Tick(0);
        door->Tick(0);
    }
    ASSERT_EQ(lever->GetActivateActions().GetCursor(), 1) << "waiting";
    // The saved form keeps the byte sizes of old saves: 40 + 24 + 40 used.
    EXPECT_EQ(lever->GetActivateActions().GetUsedBytes(), 104u);
    EXPECT_GE(lever->GetActivateActions().GetCapacityBytes(), 104u);

    ScratchDir dir;
    ASSERT_TRUE(SaveRoots({lever, door}, "switch.sav"));
    const std::vector<OmRef<OmObject>> roots = LoadRoots("switch.sav");
    TsSwitchObject* loaded = RootAs<TsSwitchObject>(roots, 0);
    ASSERT_TRUE(loaded && RootAs<TsDoorObject>(roots, 1));
    EXPECT_EQ(loaded->GetState(), TsSwitchObject::kActivating);
    ASSERT_EQ(loaded->GetActivateActions().GetCount(), 3u);
    EXPECT_EQ(loaded->GetActivateActions().GetCursor(), 1);
}

// A switch with two waits saved alone; what loads once the bytes are
// damaged by hand.
class DamagedSwitch : public SwitchTest {
protected:
    void SetUp() override
    {
        SwitchTest::SetUp();
        TsSwitchObject* fresh = Make<TsSwitchObject>("fresh");
        fresh->AddActivateActionText("Wait 1");
        fresh->AddActivateActionText("Wait 1");
        ASSERT_TRUE(SaveRoots({fresh}, "switch.sav"));
        bytes = archive_test::ReadFile("switch.sav");
    }
    TsSwitchObject* Loaded()
    {
        archive_test::WriteFile("switch.sav", bytes);
        roots = LoadRoots("switch.sav");
        return RootAs<TsSwitchObject>(roots, 0);
    }
    ScratchDir dir;
    LogCapture log;
    std::vector<unsigned char> bytes;
    std::vector<OmRef<OmObject>> roots;
};

// The activate list's cursor word is the only 0xFFFFFFFF followed by the
// first kind (1) and its text "1"; pointed at byte 8, inside a record.
TEST_F(DamagedSwitch, ASavedCursorOnNoRecordIsDropped)
{
    const size_t at = archive_test::FindWords(bytes, {0xFFFFFFFFu, 1});
    ASSERT_NE(at, std::string::npos);
    archive_test::SetWord(bytes, at, 8);
    TsSwitchObject* caught = Loaded();
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(caught->GetActivateActions().GetCursor(), TsSwitchActionList::kNoCursor);
    EXPECT_TRUE(log.Contains("saved action cursor (8) on no action"));
}

// The key count is the last word (no keys were saved): five, with names.
TEST_F(DamagedSwitch, SavedKeysPastFourAreDropped)
{
    archive_test::SetWord(bytes, bytes.size() - 4, 5);
    for (char name : {'a', 'b', 'c', 'd', 'e'})
        bytes.insert(bytes.end(), {1, 0, 0, 0, uint8_t(name)});
    TsSwitchObject* caught = Loaded();
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(caught->GetKeyCount(), TsSwitchObject::kMaxKeys);
    EXPECT_STREQ(caught->GetKeyName(3), "d");
    EXPECT_TRUE(log.Contains("5 saved key names"));
}
