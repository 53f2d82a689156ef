// Mines without a level: the delay in ticks, hits, checked projectile ids and
// model names, and the saved form.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/OmRef.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsMineObject.h"
#include "game/objects/TsProjectileAttributes.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

bool Gone(const TsMineObject& mine) { return mine.HasFlag(TS_ENTITY_PENDING_DELETE); }

// Ticks until the mine goes off; -1 when it has not after `limit` ticks.
int TicksToBlast(TsMineObject& mine, int limit)
{
    for (int tick = 1; tick <= limit; ++tick) {
        mine.Tick(uint32_t(tick));
        if (Gone(mine))
            return tick;
    }
    return -1;
}

class MineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TsProjectileAttributes::ResetAll();
        mine->SetProjectileID(2);
    }
    void TearDown() override { TsProjectileAttributes::ResetAll(); }
    OmRef<TsMineObject> mine = OmMakeRef<TsMineObject>();
    LogCapture log;
};

TEST_F(MineTest, TheDelayCountsWholeTicksFromTheFirstTouch)
{
    const struct {
        float seconds;
        int32_t ticks;
        int blastsOn; // 0: not waited for
    } cases[] = {
        {1.5f, 15, 15}, {0.1f, 1, 1}, {0.0f, 0, 1}, {-3.0f, -30, 1}, {1e30f, INT32_MAX, 0},
    };
    for (const auto& c : cases) {
        auto m = OmMakeRef<TsMineObject>();
        m->SetProjectileID(2);
        m->SetDetonationDelay(c.seconds);
        EXPECT_EQ(m->GetCountdownTicks(), c.ticks) << c.seconds;
        if (!c.blastsOn)
            continue;
        EXPECT_EQ(TicksToBlast(*m, 5), -1) << "untouched mines wait: " << c.seconds;
        m->OnTouch(nullptr, 0.0f);
        EXPECT_TRUE(m->IsTriggered());
        EXPECT_EQ(TicksToBlast(*m, 40), c.blastsOn) << c.seconds;
    }
}

TEST_F(MineTest, ASecondTouchDoesNotRestartTheCount)
{
    mine->SetDetonationDelay(1.0f);
    mine->OnTouch(nullptr, 0.0f);
    EXPECT_EQ(TicksToBlast(*mine, 6), -1);
    mine->OnTouch(nullptr, 0.0f);
    EXPECT_EQ(TicksToBlast(*mine, 10), 4);
}

TEST_F(MineTest, AHitSetsItOffAtOnceButOnlyWhenNotArmed)
{
    TsAttack attack;
    mine->OnHit(attack);
    EXPECT_TRUE(mine->IsTriggered());
    EXPECT_TRUE(Gone(*mine));

    auto armed = OmMakeRef<TsMineObject>();
    armed->OnTouch(nullptr, 0.0f);
    armed->OnHit(attack);
    EXPECT_FALSE(Gone(*armed)) << "an armed mine keeps counting";
}

TEST_F(MineTest, OneOfNoProjectileTypeGoesOffWithoutABlast)
{
    for (int32_t id : {-1, 32}) {
        auto m = OmMakeRef<TsMineObject>();
        m->SetProjectileID(id);
        m->Detonate();
        EXPECT_TRUE(Gone(*m)) << id;
    }
    EXPECT_TRUE(log.Contains("projectile id 32 is not one of the 32 projectile types"));
}

TEST_F(MineTest, ModelNamesTooShortToNameAFolderAreRefused)
{
    for (const char* name : {"a", "ab.p", "mine"}) {
        auto m = OmMakeRef<TsMineObject>();
        m->SetMdl(name);
        EXPECT_FALSE(m->Initialise()) << name;
    }
    EXPECT_TRUE(log.Contains("\"ab.p\" is too short to name a model folder"));
    auto none = OmMakeRef<TsMineObject>();
    EXPECT_TRUE(none->Initialise()) << "a mine without a model has nothing to load";
}

TEST_F(MineTest, AnArmedMineComesBackFromASavedGame)
{
    ScratchDir dir;
    mine->SetAnimationClass(4);
    mine->SetDetonationDelay(3.0f);
    mine->SetDamage(22.5f);
    mine->SetMatterType(1);
    mine->OnTouch(nullptr, 0.0f);
    TicksToBlast(*mine, 5);
    const OmRef<TsMineObject> back = Reloaded<TsMineObject>(mine, "mine.sav");
    ASSERT_NE(back.Get(), nullptr);
    EXPECT_EQ(back->GetAnimationClass(), 4);
    EXPECT_EQ(back->GetProjectileID(), 2);
    EXPECT_FLOAT_EQ(back->GetDamage(), 22.5f);
    EXPECT_EQ(back->GetMatterType(), 1);
    EXPECT_EQ(TicksToBlast(*back, 30), 25);
}

} // namespace
