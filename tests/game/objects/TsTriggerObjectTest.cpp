// Triggers firing their script function when the right entity touches
// them, and the small placed objects beside them.
#include <gtest/gtest.h>

#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/objects/TsPCStartObject.h"
#include "game/objects/TsTargetObject.h"
#include "game/objects/TsTriggerObject.h"
#include "testing/ScratchDir.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

// An entity that is neither kind of character.
OM_TEST_CLASS(Barrel, TsEntity);
OM_IMPLEMENT_CLASS(Barrel, TsEntity)

class TriggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        trigger->SetName("gate");
        trigger->SetPosition(0, 0, 0);
        trigger->SetRadius(2.0f);
        trigger->SetTriggerScript("Fired");
        crate->SetName("crate");
        crate->SetRadius(0.5f);
    }
    // Touches the trigger with the crate at x; how many times it fired.
    int TouchAt(float x)
    {
        const int before = int(lua.Number("fired"));
        crate->SetPosition(x, 0, 0);
        trigger->OnTouch(crate, 0.0f);
        return int(lua.Number("fired")) - before;
    }

    GameScript lua{"fired = 0 gate = 'gate' crate = 'crate'\n"
                   "function Fired(t, who) fired = fired + 1 last = t .. '<' .. who end"};
    OmRef<TsTriggerObject> trigger = OmMakeRef<TsTriggerObject>();
    OmRef<Barrel> crate = OmMakeRef<Barrel>();
};

} // namespace

TEST_F(TriggerTest, FiresByTypeButNeverWhenInactiveOrWithoutAScript)
{
    const struct {
        uint32_t activation, accept;
        float x; // crate centre; reach is x - 0.5 against radius 2
        int fired;
    } cases[] = {
        {0, 0, 2.5f, 1}, {0, 0, 2.6f, 0},  // inside: reach at most the radius
        {1, 0, 2.5f, 0}, {1, 0, 2.6f, 1},  // outside only
        {7, 0, 9.0f, 1},                   // any other type: every touch
        {0, 1, 1.0f, 0}, {0, 2, 1.0f, 0},  // only non-player / player characters
        {0, 3, 1.0f, 0},                   // only the current character (none)
        {0, 9, 1.0f, 1},                   // an unknown accept type takes anyone
    };
    for (const auto& c : cases) {
        trigger->SetActivationType(c.activation);
        trigger->SetAcceptType(c.accept);
        EXPECT_EQ(TouchAt(c.x), c.fired) << "activation " << c.activation << " accept " << c.accept << " at " << c.x;
    }
    EXPECT_EQ(lua.String("last"), "gate<crate");

    trigger->SetActive(false);
    EXPECT_EQ(TouchAt(0.0f), 0);
    trigger->SetActive(true);
    trigger->OnTouch(nullptr, 0.0f);
    trigger->SetTriggerScript("");
    EXPECT_EQ(TouchAt(0.0f), 0);
}

// Names go into script text: anything but a plain name is refused.
TEST_F(TriggerTest, OnlyPlainNamesAreCalled)
{
    LogCapture log;
    trigger->SetTriggerScript("Fired");
    crate->SetName("crate) os.exit(1) --");
    EXPECT_EQ(TouchAt(0.0f), 0);
    trigger->SetTriggerScript("Fired(gate,crate) Fired");
    crate->SetName("crate");
    EXPECT_EQ(TouchAt(0.0f), 0);
    EXPECT_TRUE(log.Contains("is not a script name"));
    trigger->SetTriggerScript("Fired");
    EXPECT_EQ(TouchAt(0.0f), 1);
}

TEST_F(TriggerTest, AnExitTriggerReachesBelowItsPlace)
{
    trigger->SetPosition(1, 5, 2);
    trigger->SetHeight(3.0f);
    trigger->SetExitTrigger(false);
    EXPECT_FLOAT_EQ(trigger->GetPosition().y, 5.0f);
    trigger->SetExitTrigger(true);
    EXPECT_FLOAT_EQ(trigger->GetPosition().y, 2.0f);
    EXPECT_FLOAT_EQ(trigger->GetHeight(), 6.0f);
}

TEST_F(TriggerTest, ATriggerIsNoOrdinaryEntity)
{
    EXPECT_FALSE(trigger->HasFlag(TS_ENTITY_ORDINARY));
}

TEST_F(TriggerTest, TriggersTargetsAndStartsSurviveTheArchive)
{
    trigger->SetHeight(3.0f);
    trigger->SetExitTrigger(true);
    trigger->SetActivationType(1);
    trigger->SetAcceptType(2);
    trigger->SetActive(false);
    const auto target = OmMakeRef<TsTargetObject>();
    target->SetOrigin(4, 5, 6);
    const auto start = OmMakeRef<TsPCStartObject>();
    start->SetUsed(true);
    EXPECT_EQ(start->GetFlags(), 0u);

    ScratchDir dir;
    ASSERT_TRUE(SaveRoots({trigger, target, start}, "placed.sav"));
    const std::vector<OmRef<OmObject>> roots = LoadRoots("placed.sav");
    const TsTriggerObject* t = RootAs<TsTriggerObject>(roots, 0);
    const TsTargetObject* o = RootAs<TsTargetObject>(roots, 1);
    const TsPCStartObject* s = RootAs<TsPCStartObject>(roots, 2);
    ASSERT_TRUE(t && o && s);
    EXPECT_STREQ(t->GetTriggerScript(), "Fired");
    EXPECT_FALSE(t->IsActive());
    EXPECT_EQ(t->GetActivationType(), 1u);
    EXPECT_EQ(t->GetAcceptType(), 2u);
    EXPECT_FLOAT_EQ(t->GetHeight(), 6.0f);
    EXPECT_FLOAT_EQ(o->GetOrigin().z, 6.0f);
    EXPECT_FALSE(s->IsUsed()) << "which markers were taken is not saved";
}

