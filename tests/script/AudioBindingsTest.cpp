// TsAudio from scripts: the three functions the sound scripts use, their
// argument checks, the id range, and the level-start script that loads
// sounds through them.

#include "tests/script/LuaTestState.h"

#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"
#include "tests/platform/WaveOutput.h"

namespace {

// A short tone as a WAV file image.
std::string ToneFile()
{
    plat::WavData wav = soundtest::Tone(0.3);
    auto word = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto half = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const std::string pcm(wav.samples.begin(), wav.samples.end());
    return "RIFF" + word(36 + uint32_t(pcm.size())) + "WAVEfmt " + word(16) + half(1) + half(1) +
           word(uint32_t(wav.sampleRate)) + word(uint32_t(wav.sampleRate) * 2) + half(2) + half(16) + "data" +
           word(uint32_t(pcm.size())) + pcm;
}

class AudioBindingsTest : public LuaTest {
protected:
    void SetUp() override
    {
        soundtest::UseWaveOutput();
        LuaTest::SetUp();
        OpenPackage();
        scratch_.Write("data/audio/soundfx/pain etc/vessa_pain1.wav", ToneFile());
        scratch_.Write("data/audio/soundfx/pain etc/vessa_pain2.wav", ToneFile());
        ASSERT_TRUE(audio_.Initialise());
        tolua_pushusertype(L, &audio_, "TsAudio");
        lua_setglobal(L, "audio");
    }
    void TearDown() override
    {
        TsAccess::SetLuaState(nullptr);
        LuaTest::TearDown();
    }

    ScratchDir scratch_;
    LogCapture log_;
    TsAudio audio_;
};

} // namespace

TEST_F(AudioBindingsTest, ScriptsLoadAndPlaySoundsById)
{
    EXPECT_EQ(Number("audio:LoadWavFromFile(AID_VESSA_PAIN1)"), 1);
    EXPECT_EQ(Type("audio:LoadWavFromFile(AID_VESSA_PAIN1)"), "nil"); // already loaded
    EXPECT_EQ(Run("audio:LuaPlaySoundNow(AID_VESSA_PAIN1, 0, 0, 0)"), "");
    EXPECT_TRUE(audio_.IsSoundPlaying(4));
    EXPECT_EQ(audio_.GetVoiceCount(), 0);
    EXPECT_EQ(Run("audio:LuaPlaySoundNow(4, 0, 0, 25.5)"), "");
    EXPECT_EQ(audio_.GetVoiceCount(), 1);
}

TEST_F(AudioBindingsTest, IdsOutsideTheTableAndWrongArgumentsAreRefused)
{
    EXPECT_EQ(Type("audio:LoadWavFromFile(NUM_OF_SOUNDS)"), "nil");
    EXPECT_EQ(Type("audio:LoadWavFromFile(AID_NOSOUND)"), "nil");
    EXPECT_EQ(Run("audio:FlagSoundForLoading(-7)"), "");
    EXPECT_EQ(Run("audio:LuaPlaySoundNow(240, 0, 0, 1)"), "");
    EXPECT_EQ(audio_.GetVoiceCount(), 0);
    EXPECT_TRUE(log_.Contains("TsAudio:LoadWavFromFile: sound id 240 is not 0-239"));
    EXPECT_TRUE(log_.Contains("TsAudio:LoadWavFromFile: sound id -1 is not 0-239"));
    EXPECT_TRUE(log_.Contains("TsAudio:FlagSoundForLoading: sound id -7 is not 0-239"));
    ExpectTypeErrors({"audio:LoadWavFromFile('4')", "audio:LoadWavFromFile(4, 5)", "audio:LuaPlaySoundNow(4, 0, 0)",
                      "audio:FlagSoundForLoading()", "TsAudio.LoadWavFromFile(TsAccess.Options(), 4)"});
    ExpectSelfErrors({"TsAudio.FlagSoundForLoading(nil, 4)"});
}

TEST_F(AudioBindingsTest, LevelStartRunsTheScriptThatLoadsTheLevelsSounds)
{
    TsAccess::SetLuaState(L);
    ASSERT_EQ(Run("function LoadInGameSounds() audio:LoadWavFromFile(AID_VESSA_PAIN2) end"), "");
    ASSERT_EQ(Run("audio:FlagSoundForLoading(AID_VESSA_PAIN1)"), "");
    ASSERT_TRUE(audio_.ReloadInGameSounds("Desert"));
    EXPECT_TRUE(audio_.IsSoundLoaded(4)); // flagged before
    EXPECT_TRUE(audio_.IsSoundLoaded(5)); // loaded by the script
    EXPECT_FALSE(audio_.IsSoundLoaded(6));
}
