#include <gtest/gtest.h>

#include "platform/SoundDevice.h"
#include "platform/SoundPath.h"
#include "platform/SoundSegment.h"
#include "platform/SoundStream.h"
#include "tests/platform/MixedOutput.h"

using namespace soundtest;

namespace {

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MixOnDemand();
        OpenDevice();
    }

    void Load(plat::SoundSegment& segment, const plat::WavData& wav)
    {
        std::string error;
        ASSERT_TRUE(segment.Load(m_device, wav, error)) << error;
    }
    // The sound in m_tone, and a path of the kind in m_path to play it on.
    void Prepare(const plat::WavData& sound, plat::SoundPathKind kind, int channels = 1)
    {
        Load(m_tone, sound);
        m_path = MakePath(kind, channels);
    }
    // Ends the sound, closes the device and returns what it wrote.
    Output Finish()
    {
        m_path.Destroy();
        m_tone.Unload();
        m_device.Close();
        return Output::Read();
    }
    void OpenDevice()
    {
        std::string error;
        ASSERT_TRUE(m_device.Open(error)) << error;
    }
    plat::SoundPath MakePath(plat::SoundPathKind kind, int channels = 1)
    {
        plat::SoundPath path;
        std::string error;
        EXPECT_TRUE(path.Create(m_device, kind, channels, error)) << error;
        return path;
    }
    // Plays a sound (a short tone unless given) once at `where` before the
    // listener and returns what came out; the device is opened again for the
    // next sound.
    Output PlayAt(plat::SoundVector where, const plat::WavData& sound = Tone(0.15))
    {
        Prepare(sound, plat::SoundPathKind::Positional);
        m_device.SetListener({}, {0, 0, 1}, {0, 1, 0});
        m_path.SetPosition(where);
        EXPECT_NE(m_path.Play(m_tone, false), 0u);
        MixWhile([&] { return m_path.IsPlaying(); });
        plat::MixSound(0.05);
        const Output out = Finish();
        OpenDevice();
        return out;
    }

    plat::SoundDevice m_device;
    plat::SoundSegment m_tone;
    plat::SoundPath m_path;
};

TEST_F(SoundTest, LoudnessFallsWithDistanceBetweenTheMinimumAndMaximum)
{
    // Straight ahead so only the distance changes: full level up to 10
    // units, 10 / distance from there, and no quieter beyond 100.
    const double distances[] = {5, 10, 20, 100, 200};
    const double expected[] = {1, 1, 0.5, 0.1, 0.1};
    double levels[5];
    for (int i = 0; i < 5; ++i)
        levels[i] = PlayAt({0, 0, static_cast<float>(distances[i])}).Both();
    ASSERT_GT(levels[1], 1.0);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(levels[i] / levels[1], expected[i], 0.1 * expected[i]) << "at distance " << distances[i];
}

// Its right channel is silent: placed, it is as loud left as right even at
// the listener (where the game puts a voice that comes too close).
TEST_F(SoundTest, AStereoSoundIsOnePointWhenPlacedAndKeepsItsChannelsWhenFlat)
{
    plat::WavData leftOnly = Tone(0.15, 2);
    for (std::size_t i = 2; i + 1 < leftOnly.samples.size(); i += 4)
        leftOnly.samples[i] = leftOnly.samples[i + 1] = 0;
    const Output placed = PlayAt({0, 0, 0}, leftOnly);
    ASSERT_GT(placed.Both(), 1.0);
    EXPECT_NEAR(placed.Left() / placed.Right(), 1.0, 0.1);

    Prepare(leftOnly, plat::SoundPathKind::Direct);
    ASSERT_NE(m_path.Play(m_tone, false), 0u);
    MixWhile([&] { return m_path.IsPlaying(); });
    const Output out = Finish();
    EXPECT_GT(out.Left(), 4 * out.Right());
}

// Facing -z the listener has -x on its right, so only its turn and the
// voice's move applied at once keep the sound right.
TEST_F(SoundTest, DeferredPlacesApplyOnlyTogetherOnACommit)
{
    Prepare(Tone(0.3), plat::SoundPathKind::Positional);
    m_path.SetPosition({20, 0, 0});
    ASSERT_NE(m_path.Play(m_tone, false), 0u);
    m_path.SetPosition({-20, 0, 0}, plat::SoundApply::Deferred);
    MixWhile([&] { return m_path.IsPlaying(); });
    const Output waited = Finish();
    ASSERT_GT(waited.Both(), 1.0);
    EXPECT_GT(waited.Right(), 4 * waited.Left());

    OpenDevice();
    Prepare(Tone(0.3), plat::SoundPathKind::Positional);
    m_path.SetPosition({-20, 0, 0}, plat::SoundApply::Deferred);
    m_device.SetListener({}, {0, 0, -1}, {0, 1, 0}, plat::SoundApply::Deferred);
    m_device.CommitDeferredSettings();
    ASSERT_NE(m_path.Play(m_tone, false), 0u);
    MixWhile([&] { return m_path.IsPlaying(); });
    const Output committed = Finish();
    ASSERT_GT(committed.Both(), 1.0);
    EXPECT_GT(committed.Right(), 4 * committed.Left());
}

TEST_F(SoundTest, APathVolumeSetWhileASoundPlaysChangesIt)
{
    Prepare(Tone(0.4), plat::SoundPathKind::Direct);
    ASSERT_NE(m_path.Play(m_tone, true), 0u);
    m_path.SetVolume(plat::kSilentVolume);
    plat::MixSound(0.2);
    EXPECT_LT(Finish().AudibleSeconds(), 0.06);
}

TEST_F(SoundTest, AFullPathGivesWayWithItsOldestSound)
{
    Prepare(Tone(0.5), plat::SoundPathKind::Direct, 2);
    const std::uint32_t a = m_path.Play(m_tone, false);
    plat::MixSound(0.01);
    const std::uint32_t b = m_path.Play(m_tone, false);
    plat::MixSound(0.01);
    const std::uint32_t c = m_path.Play(m_tone, false);
    EXPECT_TRUE(a > 1 && b > 1 && c > 1 && a != b && b != c);
    EXPECT_FALSE(m_path.IsPlaying(a));
    EXPECT_TRUE(m_path.IsPlaying(b) && m_path.IsPlaying(c));
    EXPECT_EQ(m_path.StartTimeMs(a), -1);
    EXPECT_LE(m_path.StartTimeMs(b), m_path.StartTimeMs(c));
    EXPECT_LE(m_path.StartTimeMs(c), m_device.TimeMs());
    m_device.StopAll();
    EXPECT_FALSE(m_path.IsPlaying());
}

TEST_F(SoundTest, OneShotsEndAndLoopsRepeatUntilStopped)
{
    Prepare(Tone(0.05), plat::SoundPathKind::Direct, 3);
    const std::uint32_t once = m_path.Play(m_tone, false);
    const std::uint32_t looped = m_path.Play(m_tone, true);
    ASSERT_NE(once, 0u);
    ASSERT_NE(looped, 0u);
    EXPECT_TRUE(m_device.IsPlaying(m_tone));
    // A second one-shot started as the first ends lets the loop play a second length.
    const auto waitToEnd = [&](std::uint32_t play) {
        MixWhile([&] { return m_path.IsPlaying(play); });
        return !m_path.IsPlaying(play);
    };
    EXPECT_TRUE(waitToEnd(once));
    EXPECT_TRUE(m_path.IsPlaying(looped));
    EXPECT_TRUE(waitToEnd(m_path.Play(m_tone, false)));
    EXPECT_TRUE(m_path.IsPlaying(looped));
    EXPECT_TRUE(m_path.Stop(looped));
    const double playing = MixedSeconds();
    EXPECT_FALSE(m_path.IsPlaying(looped));
    EXPECT_FALSE(m_path.IsPlaying());
    EXPECT_FALSE(m_device.IsPlaying(m_tone));
    bool loops = false;
    EXPECT_FALSE(m_path.GetLooping(looped, loops)); // stopped plays are forgotten
    EXPECT_FALSE(m_path.Stop(looped));
    plat::MixSound(0.05);
    // The loop sounded again (at least twice the tone's length) and no
    // longer than it played.
    const double heard = Finish().AudibleSeconds();
    EXPECT_TRUE(heard > 0.09 && heard < playing + 0.15) << heard << " s heard, " << playing << " s playing";
}

TEST_F(SoundTest, LoopPointsRepeatOnlyTheirRegionAndCannotChangeUnderAPlayingSound)
{
    // 0.1 s of silence then 0.05 s of tone: looping the tone alone leaves no gaps.
    Prepare(Tone(0.05, 1, 0.1), plat::SoundPathKind::Direct);
    const std::uint32_t frames = m_tone.FrameCount();
    const std::uint32_t toneStart = static_cast<std::uint32_t>(0.1 * kOutputRate);
    EXPECT_FALSE(m_tone.SetLoopPoints(10, 5));
    EXPECT_FALSE(m_tone.SetLoopPoints(0, frames + 1));
    EXPECT_TRUE(m_tone.SetLoopPoints(0, 0));
    // Not while the sound plays; once stopped, they can.
    const std::uint32_t play = m_path.Play(m_tone, true);
    ASSERT_NE(play, 0u);
    EXPECT_FALSE(m_tone.SetLoopPoints(toneStart, frames));
    m_path.Stop(play);
    ASSERT_TRUE(m_tone.SetLoopPoints(toneStart, frames));
    ASSERT_NE(m_path.Play(m_tone, true), 0u);
    plat::MixSound(0.5);
    const Output out = Finish();
    EXPECT_GT(out.AudibleSeconds(), 0.3);
    EXPECT_LT(out.LongestGap(), 0.03);
}

TEST_F(SoundTest, UnloadingStopsASoundAndNothingPlaysWithoutALoadedSegment)
{
    Prepare(Tone(0.5), plat::SoundPathKind::Positional);
    const std::uint32_t play = m_path.Play(m_tone, true);
    ASSERT_NE(play, 0u);
    m_tone.Unload();
    EXPECT_FALSE(m_path.IsPlaying(play));
    EXPECT_EQ(m_path.Play(m_tone, false), 0u);
    plat::WavData wide = Tone(0.05);
    wide.bitsPerSample = 24;
    std::string error;
    EXPECT_FALSE(m_tone.Load(m_device, wide, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(m_tone.IsLoaded());
    plat::SoundPath never;
    Load(m_tone, Tone(0.05));
    EXPECT_EQ(never.Play(m_tone, false), 0u);
    EXPECT_NE(m_path.Play(m_tone, false), 0u);
}

TEST_F(SoundTest, SegmentsAndSwappedPathsMayOutliveTheDeviceObject)
{
    auto segment = std::make_unique<plat::SoundSegment>();
    Load(*segment, Tone(0.05));
    auto held = std::make_unique<plat::SoundPath>(MakePath(plat::SoundPathKind::Positional, 4));
    // Swapping paths keeps what each one plays and where it stands.
    plat::SoundPath other = MakePath(plat::SoundPathKind::Positional);
    other.SetPosition({1, 2, 3});
    std::swap(*held, other);
    EXPECT_FLOAT_EQ(held->Position().z, 3.0f);
    m_device.Close();
    EXPECT_NE(held->Play(*segment, false), 0u);
    segment.reset();
    held.reset();
}

TEST_F(SoundTest, ADeviceMixedOnDemandCountsTimeInMixedFrames)
{
    Prepare(Tone(0.1), plat::SoundPathKind::Direct);
    ASSERT_NE(m_path.Play(m_tone, false), 0u);
    EXPECT_EQ(m_device.TimeMs(), 0);
    plat::MixSound(0.2);
    EXPECT_EQ(m_device.TimeMs(), 200);
    EXPECT_FALSE(m_path.IsPlaying());
    EXPECT_EQ(plat::MixedSound().size(), 2u * kOutputRate / 5);
}

TEST_F(SoundTest, WithTheDeviceClosedTheStartUpCheckOpensTheDefaultDevice)
{
    m_device.Close();
    std::string error;
    EXPECT_TRUE(plat::CheckSoundDevice(error)) << error;
}

TEST_F(SoundTest, AStreamPlaysItsBlocksInOrderAndCountsWhatWasHeard)
{
    std::string error;
    plat::SoundStream stream;
    ASSERT_TRUE(stream.Create(m_device, error)) << error;
    const plat::WavData block = Tone(0.05, 2);
    const auto* samples = reinterpret_cast<const std::int16_t*>(block.samples.data());
    EXPECT_FALSE(stream.Queue(samples, block.FrameCount(), 3, kOutputRate));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(stream.Queue(samples, block.FrameCount(), 2, kOutputRate));
    EXPECT_TRUE(stream.IsPlaying());
    plat::MixSound(0.35);
    EXPECT_FALSE(stream.IsPlaying());
    EXPECT_NEAR(stream.PlayedSeconds(), 0.2, 0.01);
    // Running dry and being fed again restarts it.
    ASSERT_TRUE(stream.Queue(samples, block.FrameCount(), 2, kOutputRate));
    EXPECT_TRUE(stream.IsPlaying());
    plat::MixSound(0.15);
    stream.Destroy();
    m_device.Close();
    EXPECT_NEAR(Output::Read().AudibleSeconds(), 0.25, 0.05);
}

} // namespace
