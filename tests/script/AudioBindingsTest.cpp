// TsAudio and TsAnimationDB from scripts: the level-start script that loads
// sounds; the conversion script road (text animations into the database,
// then the binary file).

#include "tests/script/LuaTestState.h"

#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/platform/MixedOutput.h"

namespace {

// The level-start script runs in the game's state.
class AudioBindingsTest : public GameStateTest {
protected:
    void SetUp() override
    {
        soundtest::MixOnDemand();
        GameStateTest::SetUp();
        const std::string tone = soundtest::WavFileImage(soundtest::Tone(0.3));
        m_scratch.Write("data/audio/soundfx/pain etc/vessa_pain1.wav", tone);
        m_scratch.Write("data/audio/soundfx/pain etc/vessa_pain2.wav", tone);
        ASSERT_TRUE(m_audio.Initialise());
        Publish("audio", &m_audio, "TsAudio");
    }

    ScratchDir m_scratch;
    LogCapture m_log;
    TsAudio m_audio;
};

// Two frames of a one-bone relative animation.
const char* kWalk = "1\n0\n2\nheader\nRelative\n1\n2\n3\n4\n5\n6\n"
                    "// Frame # 0\n0 0 0\nx\nx\nx\nx\n1 0 0\n0 1 0\n0 0 1\n0 0 0\n"
                    "// Frame # 1\n0 0 0\nx\nx\nx\nx\n0 1 0\n-1 0 0\n0 0 1\n20 0 0\n";

} // namespace

TEST_F(AudioBindingsTest, LevelStartRunsTheScriptThatLoadsTheLevelsSounds)
{
    ASSERT_EQ(Run("function LoadInGameSounds() audio:LoadWavFromFile(AID_VESSA_PAIN2) end"), "");
    ASSERT_EQ(Run("audio:FlagSoundForLoading(AID_VESSA_PAIN1)"), "");
    ASSERT_TRUE(m_audio.ReloadInGameSounds("Desert"));
    EXPECT_TRUE(m_audio.IsSoundLoaded(4)); // flagged before
    EXPECT_TRUE(m_audio.IsSoundLoaded(5)); // loaded by the script
    EXPECT_FALSE(m_audio.IsSoundLoaded(6));
}

TEST_F(PackageTest, ScriptsConvertTextAnimationsAndWriteTheDatabase)
{
    ScratchDir scratch;
    LogCapture m_log;
    TsAnimationDB m_db;
    Publish("animdb", &m_db, "TsAnimationDB");
    scratch.Write("anims/walk.txt", kWalk);
    scratch.Write("data/keep", "");
    ExpectTypeErrors({"animdb:WriteBinary(nil)", "animdb:LoadAnimationTextFile('0', 1, 'x')",
                      "animdb:LoadAnimationTextFile(0, 1, 'x', 5)"});
    EXPECT_EQ(m_db.GetEntryCount(), 0u);
    EXPECT_EQ(Run("animdb:LoadAnimationTextFile(1, TSANIM_WALK, 'anims\\\\walk.txt')"), "");
    ASSERT_EQ(m_db.GetEntryCount(), 2u);
    EXPECT_NE(m_db.GetAnimation(1, TSANIM_WALK), nullptr);

    EXPECT_EQ(Number("animdb:WriteBinary('data\\\\animdb.tsa')"), 1);

    // A failed write reaches the script as nil.
    EXPECT_EQ(Type("animdb:WriteBinary('nowhere\\\\animdb.tsa')"), "nil");
    // The figure's bone file is the optional fourth argument.
    EXPECT_EQ(Run("animdb:LoadAnimationTextFile(2, TSANIM_WALK, 'anims\\\\walk.txt', 'no\\\\bones.txt')"), "");
    EXPECT_TRUE(m_log.Contains("The skeleton could not be read from no\\bones.txt"));
}
