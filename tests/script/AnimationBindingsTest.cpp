// TsAnimationDB from scripts: the conversion script road (text animations
// into the database, then the binary file), argument checks, failures
// reported to the script.

#include "tests/script/LuaTestState.h"

#include <string>

#include "engine/OmBoneAnimation.h"
#include "game/framework/TsAnimationDB.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"

namespace {

// Two frames of a one-bone relative animation.
const char* kWalk = "1\n0\n2\nheader\nRelative\n1\n2\n3\n4\n5\n6\n"
                    "// Frame # 0\n0 0 0\nx\nx\nx\nx\n1 0 0\n0 1 0\n0 0 1\n0 0 0\n"
                    "// Frame # 1\n0 0 0\nx\nx\nx\nx\n0 1 0\n-1 0 0\n0 0 1\n20 0 0\n";

class AnimationBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        OpenPackage();
        tolua_pushusertype(L, &db_, "TsAnimationDB");
        lua_setglobal(L, "animdb");
        scratch_.Write("anims/walk.txt", kWalk);
        scratch_.Write("data/keep", "");
    }

    ScratchDir scratch_;
    LogCapture log_;
    TsAnimationDB db_;
};

} // namespace

TEST_F(AnimationBindingsTest, ScriptsConvertTextAnimationsAndWriteTheDatabase)
{
    EXPECT_EQ(Run("animdb:LoadAnimationTextFile(1, TSANIM_WALK, 'anims\\\\walk.txt')"), "");
    ASSERT_EQ(db_.GetEntryCount(), 2u);
    ASSERT_NE(db_.GetAnimation(1, TSANIM_WALK), nullptr);
    EXPECT_FLOAT_EQ(db_.GetAnimation(1, TSANIM_WALK)->rootPositions[1].x, 2.0f);
    EXPECT_TRUE(log_.Contains("Animation anims\\walk.txt converted OK"));

    EXPECT_EQ(Number("animdb:WriteBinary('data\\\\animdb.tsa')"), 1);
    TsAnimationDB loaded;
    ASSERT_TRUE(loaded.Open("data\\animdb.tsa"));
    EXPECT_EQ(loaded.GetEntryCount(), 2u);

    // A failed write reaches the script as nil.
    EXPECT_EQ(Type("animdb:WriteBinary('nowhere\\\\animdb.tsa')"), "nil");
    EXPECT_TRUE(log_.Contains("Cannot save anim file"));
    // A slot outside the animation ids is logged, not stored.
    EXPECT_EQ(Run("animdb:LoadAnimationTextFile(0, TSANIM_INVALIDANIM, 'anims\\\\walk.txt')"), "");
    EXPECT_EQ(db_.GetAnimation(0, TSANIM_INVALIDANIM), nullptr);
    EXPECT_TRUE(log_.Contains("Error converting animation"));
}

TEST_F(AnimationBindingsTest, WrongArgumentsRaiseTheFunctionsOwnMessages)
{
    ExpectTypeErrors({"animdb:WriteBinary()", "animdb:WriteBinary(nil)", "animdb:WriteBinary('a', 'b')",
                      "animdb:LoadAnimationTextFile(0, 1)", "animdb:LoadAnimationTextFile('0', 1, 'x')",
                      "TsAnimationDB.WriteBinary(TsAccess, 'x')"});
    EXPECT_EQ(db_.GetEntryCount(), 0u);
}
