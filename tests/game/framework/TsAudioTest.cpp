// The game's audio measured at the output: OpenAL Soft's wave driver writes
// what was mixed to a file that each test reads back once its audio object
// (and with it the device) is gone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "game/framework/TsAudio.h"
#include "game/framework/TsRandom.h"
#include "platform/WavFile.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/platform/MixedOutput.h"

using namespace soundtest;

namespace {

// A sine tone at a frequency (none: silence), as a WAV file image.
std::string ToneFile(double seconds, double hertz)
{
    return WavFileImage(Tone(seconds, 1, 0, kOutputRate, hertz));
}

// Energy of one frequency in part of a channel (Goertzel).
double ToneLevel(const std::vector<float>& s, std::size_t from, std::size_t to, double hertz)
{
    const double k = 2 * std::cos(2 * M_PI * hertz / kOutputRate);
    double a = 0, b = 0;
    to = std::min(to, s.size());
    for (std::size_t i = from; i < to; ++i) {
        const double c = s[i] + k * a - b;
        b = a;
        a = c;
    }
    const double n = to > from ? double(to - from) : 1.0;
    return std::sqrt(std::max(0.0, a * a + b * b - k * a * b)) / n;
}

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MixOnDemand();
        SeedRandom(1);
    }

    void WriteSound(SoundId id, double seconds, double hertz = 441)
    {
        std::string path = TsAudioSoundTable[id].path;
        std::replace(path.begin(), path.end(), '\\', '/');
        m_scratch.Write(path, ToneFile(seconds, hertz));
    }
    // An initialised audio object with the sounds written before loaded.
    std::unique_ptr<TsAudio> Open(std::initializer_list<SoundId> loaded = {})
    {
        auto audio = std::make_unique<TsAudio>();
        EXPECT_TRUE(audio->Initialise());
        for (SoundId id : loaded)
            EXPECT_TRUE(audio->LoadWavFromFile(id)) << id;
        return audio;
    }
    // Closes the device and answers what it played.
    static Output Finish(std::unique_ptr<TsAudio>& audio)
    {
        audio.reset();
        return Output::Read();
    }

    ScratchDir m_scratch;
    LogCapture m_log;
};

// What the combat music and barks see: a current character, a squad and a
// count of hostiles, set by each test.
class FakeLevel : public TsAudioLevelView {
public:
    float GameTime() const override { return time; }
    bool IsInNormalState() const override { return normal; }
    bool GetCurrentCharacter(TsAudioCharacter& out) const override { return GetSquadMember(current, out); }
    int CountHostilesNear(float range) const override { return range == 10.0f ? hostiles : -1; }
    int SquadSize() const override { return squadSize; }
    bool GetSquadMember(int index, TsAudioCharacter& out) const override
    {
        if (index < 0 || index >= squadSize)
            return false;
        out = squad[index];
        return true;
    }

    float time = 0;
    bool normal = true;
    int current = 0;
    int hostiles = 0;
    int squadSize = 1;
    TsAudioCharacter squad[2];
};

} // namespace

TEST_F(AudioTest, OnlyIdsOfTheTableAreAcceptedAndMusicIsNoEffect)
{
    WriteSound(4, 0.1);
    auto audio = Open();
    for (SoundId bad : {-1, -240, 240, 1000}) {
        EXPECT_FALSE(audio->LoadWavFromFile(bad)) << bad;
        EXPECT_FALSE(audio->IsSoundPlaying(bad)) << bad;
        EXPECT_EQ(audio->PlaySound(bad, 1, 2, 3, false), 0u) << bad;
        audio->FlagSoundForLoading(bad);
    }
    EXPECT_TRUE(m_log.Contains("sound id 240 is not 0-239"));
    EXPECT_TRUE(m_log.Contains("sound id -1 is not 0-239"));
    EXPECT_FALSE(audio->LoadWavFromFile(5)); // no such file
    ASSERT_TRUE(audio->LoadWavFromFile(4));
    EXPECT_FALSE(audio->LoadWavFromFile(4)); // already loaded
    EXPECT_EQ(audio->PlaySound(5, 1, 0, 0, false), 0u); // not loaded
    EXPECT_EQ(audio->PlaySound(3, 1, 0, 0, false), 0u); // music is not an effect
}

// The options screen plays its sample at the origin, flat, on no voice, and
// stops it when it is left, once.
TEST_F(AudioTest, TheOptionsScreensSamplePlaysFlatAndStopsOnce)
{
    WriteSound(4, 0.1);
    auto audio = Open({4});
    EXPECT_EQ(audio->PlaySound(4, 0, 0, 0, false), 1u);
    EXPECT_EQ(audio->GetVoiceCount(), 0);
    EXPECT_TRUE(audio->IsSoundPlaying(4));
    EXPECT_TRUE(audio->StopMusicSegment());
    EXPECT_FALSE(audio->IsSoundPlaying(4));
    EXPECT_FALSE(audio->StopMusicSegment());
}

TEST_F(AudioTest, TheListenerFollowsTheTickSoVoicesSoundFromTheirSide)
{
    WriteSound(4, 0.2);
    auto earsFor = [&](const OmVector3& front) {
        auto audio = Open({4});
        // As in a level tick: the sound starts, then the listener moves.
        EXPECT_NE(audio->PlaySound(4, 25, 0, 5, false), 0u); // 20 units along +x
        audio->Tick(OmVector3(5, 0, 5), front, OmVector3(0, 1, 0), nullptr);
        plat::MixSound(0.35);
        return Finish(audio);
    };
    const Output facingZ = earsFor(OmVector3(0, 0, 1));
    EXPECT_GT(facingZ.Right(), 1.5 * facingZ.Left());
    const Output turned = earsFor(OmVector3(0, 0, -1));
    EXPECT_GT(turned.Left(), 1.5 * turned.Right());
}

TEST_F(AudioTest, TheSeventeenthSoundStealsTheFarthestOneShotVoiceButNeverALoop)
{
    WriteSound(4, 2.0);
    WriteSound(5, 2.0, 882);
    auto audio = Open({4, 5});
    uint32_t handles[16];
    for (int i = 0; i < 16; ++i) {
        // Voice 7 is the farthest (distance 60); the others stand at 20-35.
        const float z = i == 7 ? 60.0f : 20.0f + i;
        handles[i] = audio->PlaySound(4, 0, 0, z, false);
        ASSERT_NE(handles[i], 0u) << i;
    }
    EXPECT_EQ(audio->GetVoiceCount(), 16);
    // Farther than every voice: not played.
    EXPECT_EQ(audio->PlaySound(5, 0, 0, 80, false), 0u);
    // Nearer: takes the farthest voice's place.
    uint32_t near = audio->PlaySound(5, 0, 0, 5, false);
    ASSERT_NE(near, 0u);
    EXPECT_EQ(audio->GetVoiceCount(), 16);
    EXPECT_FALSE(audio->StopSound(&handles[7]));
    EXPECT_EQ(handles[7], 0u); // cleared even when not found
    // Every other voice still plays, under its own handle.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(audio->StopSound(&handles[i]), i != 7) << i;
    EXPECT_EQ(audio->GetVoiceCount(), 1);
    EXPECT_TRUE(audio->StopSound(&near));
    EXPECT_EQ(audio->GetVoiceCount(), 0);

    // A looping farthest voice keeps its place.
    for (int i = 0; i < 16; ++i)
        ASSERT_NE(audio->PlaySound(4, 0, 0, 20.0f + i, i == 15), 0u);
    EXPECT_EQ(audio->PlaySound(4, 0, 0, 1, false), 0u);
    audio->StopAllVoices();
    EXPECT_EQ(audio->GetVoiceCount(), 0);
    EXPECT_NE(audio->PlaySound(4, 0, 0, 1, false), 0u);
}

TEST_F(AudioTest, FinishedOneShotsAreReclaimedAndMovedSoundsFollow)
{
    WriteSound(4, 0.1);
    auto audio = Open({4});
    uint32_t once = audio->PlaySound(4, 0, 0, 30, false);
    uint32_t loop = audio->PlaySound(4, 0, 0, 40, true);
    ASSERT_NE(once, 0u);
    ASSERT_NE(loop, 0u);
    uint32_t none = 0;
    EXPECT_FALSE(audio->UpdateSoundPosition(&none, 1, 1, 1));
    EXPECT_FALSE(audio->UpdateSoundPosition(&loop, 0, 0, 40)); // already there
    EXPECT_TRUE(audio->UpdateSoundPosition(&loop, 0, 0, 50));
    plat::MixSound(0.3);
    audio->Update();
    EXPECT_EQ(audio->GetVoiceCount(), 1); // the loop stays, and is now voice 0
    EXPECT_FALSE(audio->StopSound(&once));
    EXPECT_TRUE(audio->UpdateSoundPosition(&loop, 1, 1, 1)); // next to the listener
    EXPECT_TRUE(audio->StopSound(&loop));
}

TEST_F(AudioTest, VolumesInHundredthsOfADecibelScaleEffectsAndFrontEndMusic)
{
    WriteSound(4, 0.2);
    WriteSound(0, 0.3);
    auto levelOf = [&](SoundId id, int effects, int music) {
        auto audio = Open({id});
        audio->SetVolumes(effects, music, 0);
        if (id == 0)
            EXPECT_TRUE(audio->StartFrontEndAudio()); // no script state: logged, the music still starts
        else
            EXPECT_EQ(audio->PlaySound(id, 0, 0, 0, false), 1u);
        plat::MixSound(0.35);
        return Finish(audio).Both();
    };
    const double full = levelOf(4, 0, 0);      // -360 after the effects headroom
    const double less = levelOf(4, -600, 0);   // -960
    const double quiet = levelOf(4, -2700, 0); // -3060: below the audible floor
    ASSERT_GT(full, 1.0);
    EXPECT_NEAR(less / full, std::pow(10.0, -600 / 2000.0), 0.03);
    EXPECT_LT(quiet / full, 0.001);
    const double loud = levelOf(0, 0, 0);
    const double silenced = levelOf(0, 0, -3000); // -3500 is silence
    ASSERT_GT(loud, 1.0);
    EXPECT_LT(silenced / loud, 0.001);
    EXPECT_TRUE(m_log.Contains("LoadFrontEndSounds()"));
}

TEST_F(AudioTest, OutOfRangeVolumesChangeNothingAtAll)
{
    TsAudio audio;
    audio.SetVolumes(-100, -200, -300);
    audio.SetVolumes(0, 1, 0);
    audio.SetVolumes(-10001, 0, 0);
    int e = 0, m = 0, d = 0;
    audio.GetVolumes(e, m, d);
    EXPECT_TRUE(e == -100 && m == -200 && d == -300) << e << " " << m << " " << d;
}

TEST_F(AudioTest, LevelMusicCrossFadesToTheCombatLayerAndBack)
{
    // Whole seconds, so the loops join without a click.
    m_scratch.Write("data/audio/music/desertbed.wav", ToneFile(1.0, 0));
    m_scratch.Write("data/audio/music/desertpassive.wav", ToneFile(1.0, 441));
    m_scratch.Write("data/audio/music/desertaction.wav", ToneFile(1.0, 1323));
    auto audio = Open();
    ASSERT_TRUE(audio->ReloadInGameSounds("Desert"));
    audio->SetVolumes(0, 0, 0);
    ASSERT_TRUE(audio->StartLevelMusic());
    FakeLevel level;
    const OmVector3 origin, front(0, 0, 1), up(0, 1, 0);
    auto tick = [&](float time, int hostiles) {
        level.time = time;
        level.hostiles = hostiles;
        audio->Tick(origin, front, up, &level);
        for (int i = 0; i < 100; ++i)
            audio->Update();
    };
    double marks[4];
    tick(0.5f, 0);
    marks[0] = MixedSeconds();
    plat::MixSound(0.4);
    tick(1.0f, 1); // a hostile comes near
    marks[1] = MixedSeconds();
    plat::MixSound(0.4);
    tick(3.0f, 0); // gone, but combat holds for 5 s
    EXPECT_TRUE(audio->IsInCombat());
    tick(6.5f, 0);
    EXPECT_FALSE(audio->IsInCombat());
    marks[2] = MixedSeconds();
    plat::MixSound(0.4);
    marks[3] = MixedSeconds();
    const Output out = Finish(audio);
    auto ratio = [&](int phase) {
        // The middle of each phase, clear of the change-overs.
        const auto from = static_cast<std::size_t>((marks[phase] + 0.1) * kOutputRate);
        const auto to = static_cast<std::size_t>((marks[phase + 1] - 0.1) * kOutputRate);
        return ToneLevel(out.left, from, to, 1323) / (ToneLevel(out.left, from, to, 441) + 1e-9);
    };
    EXPECT_LT(ratio(0), 0.05) << "passive layer alone before combat";
    EXPECT_GT(ratio(1), 20.0) << "combat layer alone in combat";
    EXPECT_LT(ratio(2), 0.05) << "passive layer alone after combat";
}

TEST_F(AudioTest, QuietLevelsHaveNoCombatLayerAndMissingMusicIsReported)
{
    m_scratch.Write("data/audio/music/desertbed.wav", ToneFile(0.2, 441));
    m_scratch.Write("data/audio/music/desertpassive.wav", ToneFile(0.2, 441));
    m_scratch.Write("data/audio/music/desertaction.wav", ToneFile(0.2, 1323));
    auto audio = Open();
    ASSERT_TRUE(audio->ReloadInGameSounds("Town"));
    EXPECT_FALSE(audio->IsLayering());
    EXPECT_FALSE(audio->IsSoundLoaded(AID_ACT_MUSIC));
    EXPECT_TRUE(audio->StartLevelMusic());
    EXPECT_FALSE(audio->IsSoundPlaying(AID_ACT_MUSIC));
    EXPECT_TRUE(audio->IsSoundPlaying(AID_AMB_MUSIC));
    EXPECT_TRUE(m_log.Contains("LoadInGameSounds()"));

    std::filesystem::remove(m_scratch.Path() + "/data/audio/music/desertbed.wav");
    plat::ClearPathCache();
    ASSERT_TRUE(audio->ReloadInGameSounds("Desert"));
    EXPECT_TRUE(audio->IsLayering());
    EXPECT_FALSE(audio->StartLevelMusic());
    EXPECT_TRUE(m_log.Contains("level music 1"));
}

TEST_F(AudioTest, HostilesNearMakeTheSquadBarkOnce)
{
    WriteSound(7, 1.0);  // the current character's bark
    WriteSound(18, 1.0); // the other member's
    auto audio = Open({7, 18});
    FakeLevel level;
    level.squadSize = 2;
    int who = 0;
    level.squad[0] = {&who, OmVector3(0, 0, 2), false, 7};
    level.squad[1] = {&level, OmVector3(0, 0, 30), false, 18};
    const OmVector3 origin, front(0, 0, 1), up(0, 1, 0);

    // No current character, or a level busy elsewhere: nothing happens.
    level.hostiles = 1;
    level.current = -1;
    audio->Tick(origin, front, up, &level);
    level.current = 0;
    level.normal = false;
    audio->Tick(origin, front, up, &level);
    EXPECT_FALSE(audio->IsInCombat());

    // The first draw from seed 1 picks member 1, who is too far away to
    // have seen the enemy: the current character calls instead, once.
    level.normal = true;
    level.time = 1.0f;
    audio->Tick(origin, front, up, &level);
    EXPECT_TRUE(audio->IsInCombat());
    EXPECT_TRUE(audio->IsSoundPlaying(7));
    EXPECT_FALSE(audio->IsSoundPlaying(18));
    level.time = 2.0f;
    audio->Tick(origin, front, up, &level);
    EXPECT_EQ(audio->GetVoiceCount(), 1);

    // After a quiet spell a nearby member is drawn (the next draw is 1 too)
    // and calls; a stunned one stays silent.
    audio->StopAllVoices();
    level.squad[1].position = OmVector3(0, 0, 5);
    level.time = 8.0f;
    audio->Tick(origin, front, up, &level);
    EXPECT_TRUE(audio->IsSoundPlaying(18));
    audio->StopAllVoices();
    level.squad[1].stunned = true;
    level.time = 14.0f;
    audio->Tick(origin, front, up, &level);
    EXPECT_EQ(audio->GetVoiceCount(), 0);
    EXPECT_TRUE(audio->IsInCombat());
}

TEST_F(AudioTest, DialoguePlaysOneLineAtATime)
{
    m_scratch.Write("data/audio/dialogue/first.wav", ToneFile(0.6, 441));
    m_scratch.Write("data/audio/dialogue/second.wav", ToneFile(0.2, 882));
    auto audio = Open();
    EXPECT_FALSE(audio->IsDialoguePlaying()); // nothing held is nothing playing
    EXPECT_FALSE(audio->StopDialogue());
    ASSERT_TRUE(audio->PlayDialogue("first.wav", true));
    EXPECT_TRUE(audio->IsDialoguePlaying());
    plat::MixSound(0.1);
    ASSERT_TRUE(audio->StartDialogue("second.wav", true)); // the first line stops
    plat::MixSound(0.4);
    EXPECT_FALSE(audio->IsDialoguePlaying());
    EXPECT_TRUE(audio->PlayDialogue("first.wav", false)); // loaded, not played
    EXPECT_FALSE(audio->IsDialoguePlaying());
    EXPECT_TRUE(audio->StopDialogue());
    EXPECT_FALSE(audio->PlayDialogue("missing.wav", true));
    EXPECT_TRUE(m_log.Contains("TsAudio: Couldn't load dialogue file data\\audio\\dialogue\\missing.wav"));
    const double heard = Finish(audio).AudibleSeconds();
    EXPECT_GT(heard, 0.22);
    EXPECT_LT(heard, 0.4);
}

TEST_F(AudioTest, AnAudioObjectWithoutADeviceIsSilentButSafe)
{
    WriteSound(4, 0.1);
    m_scratch.Write("data/audio/dialogue/line.wav", ToneFile(0.1, 441));
    TsAudio silent; // never initialised: the state a failed Initialise leaves
    EXPECT_FALSE(silent.IsInitialised());
    EXPECT_FALSE(silent.LoadWavFromFile(4));
    silent.FlagSoundForLoading(4);
    EXPECT_EQ(silent.PlaySound(4, 1, 2, 3, true), 0u);
    EXPECT_EQ(silent.LuaPlaySoundNow(4, 0, 0, 0), 0u);
    EXPECT_FALSE(silent.PlayDialogue("line.wav", true));
    EXPECT_FALSE(silent.IsDialoguePlaying());
    silent.SetVolumes(-100, -100, -100);
    silent.Tick(OmVector3(1, 2, 3), OmVector3(0, 0, 1), OmVector3(0, 1, 0), nullptr);
    EXPECT_TRUE(silent.Update());
    EXPECT_TRUE(silent.ReloadInGameSounds("Desert"));
    EXPECT_FALSE(silent.StartLevelMusic());
    EXPECT_FALSE(silent.StartFrontEndAudio());
    EXPECT_FALSE(silent.StopAll());
    EXPECT_TRUE(silent.StopDialogueAndUnload());
    EXPECT_FALSE(silent.StopMusicSegment());
}
