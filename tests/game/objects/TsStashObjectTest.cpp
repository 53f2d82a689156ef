// Stashes: who opens one, the payload and the saved form (a chest on a
// level: ItemsLevel.AHealthPackFromAChestHealsOnce).
#include <gtest/gtest.h>

#include "engine/OmGroup.h"
#include "engine/OmRef.h"
#include "game/framework/TsScriptHandles.h"
#include "game/objects/TsStashObject.h"
#include "testing/ScratchDir.h"
#include "tests/engine/SceneTestSupport.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/objects/ArchiveRoundTrip.h"
#include "tests/game/objects/ItemTestSupport.h"

namespace {

OmGroup* Named(const char* name)
{
    auto* group = new OmGroup;
    group->SetName(name);
    return group;
}

// A stash, and the templates its payloads are made from.
class StashTest : public ::testing::Test {
protected:
    GameScript lua{"function Medkit(item) item:SetHealth(5) end function Broken(item) error('x') end\n"
                   "function Fill(item) end"};
    OmRef<TsStashObject> stash = OmMakeRef<TsStashObject>();
};

TEST_F(StashTest, PayloadsAreMadeOnceFromGoodTemplatesOnly)
{
    LogCapture log;
    stash->SetPayloadType("TsNoSuchObject");
    EXPECT_FALSE(stash->Import());
    EXPECT_TRUE(log.Contains("TsNoSuchObject"));
    stash->SetPayloadType("TsLockObject"); // a real class, but nothing one can pick up
    EXPECT_FALSE(stash->Import());
    EXPECT_EQ(stash->GetPayload(), nullptr);

    stash->SetPayloadType("TsItemObject");
    stash->SetPayloadTemplate("Broken");
    EXPECT_FALSE(stash->Import());

    auto good = OmMakeRef<TsStashObject>();
    good->SetName("chest2");
    good->SetPosition(2, 0, 3);
    good->SetPayloadType("TsItemObject");
    good->SetPayloadTemplate("Medkit");
    EXPECT_TRUE(good->Import());
    auto* payload = TsItemObject::Cast(good->GetPayload());
    ASSERT_NE(payload, nullptr);
    EXPECT_STREQ(payload->GetName(), "payloadchest2");
    EXPECT_FLOAT_EQ(payload->GetHealth(), 5.0f);
    EXPECT_FLOAT_EQ(payload->GetPosition().x, 2.0f);
    EXPECT_TRUE(good->Import()); // again: the same payload, no second one
    EXPECT_EQ(good->GetPayload(), payload);
    EXPECT_EQ(TsScriptHandles::GameReferences(*payload), 1u)
        << "the stash's, and the handle's of the template's global";
}

TEST_F(StashTest, OnlyAPlayerCharacterOpensAStash)
{
    auto npc = OmMakeRef<TestWielder>();
    stash->OnTouch(npc, 0.0f);
    EXPECT_FALSE(stash->IsOpened());
    EXPECT_FALSE(stash->HasFlag(TS_ENTITY_PENDING_DELETE));
}

TEST_F(StashTest, AStashWithoutALidGoesAsItOpens)
{
    stash->SetPayloadType("TsItemObject");
    stash->SetPayloadTemplate("Fill");
    ASSERT_TRUE(stash->Import());
    const OmRef<TsCollectibleObject> inside(stash->GetPayload()); // as the level would hold it
    stash->Open(nullptr);
    EXPECT_TRUE(stash->HasFlag(TS_ENTITY_PENDING_DELETE));
}

TEST_F(StashTest, AStashSavedWhileOpeningIsSavedAsGone)
{
    ScratchDir dir;
    const auto model = OmRef<OmGroup>::Adopt(Named("chest"));
    AddNode<OmGroup>(*model, "Lid");
    stash->SetModel(model);
    stash->SetPayloadType("TsItemObject");
    stash->SetPayloadTemplate("Fill");
    ASSERT_TRUE(stash->Import());
    ASSERT_TRUE(stash->Initialise());
    const OmRef<TsCollectibleObject> inside(stash->GetPayload()); // as the level would when the stash lets it out
    stash->Open(nullptr);
    stash->AdvanceOpening(3.0f);
    const OmRef<TsStashObject> back = Reloaded<TsStashObject>(stash, "stash.sav");
    ASSERT_NE(back.Get(), nullptr);
    EXPECT_TRUE(back->HasFlag(TS_ENTITY_PENDING_DELETE));
    EXPECT_FALSE(back->IsOpened());
    EXPECT_EQ(back->GetPayload(), nullptr);
    EXPECT_STREQ(back->GetPayloadType(), "TsItemObject");
}

} // namespace
