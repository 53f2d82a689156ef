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
        ASSERT_TRUE(segment.Load(device_, wav, error)) << error;
    }
    // The sound in tone_, and a path of the kind in path_ to play it on.
    void Prepare(const plat::WavData& sound, plat::SoundPathKind kind, int channels = 1)
    {
        Load(tone_, sound);
        path_ = MakePath(kind, channels);
    }
    // Ends the sound, closes the device and returns what it wrote.
    Output Finish()
    {
        path_.Destroy();
        tone_.Unload();
        device_.Close();
        return Output::Read();
    }
    void OpenDevice()
    {
        std::string error;
        ASSERT_TRUE(device_.Open(error)) << error;
    }
    plat::SoundPath MakePath(plat::SoundPathKind kind, int channels = 1)
    {
        plat::SoundPath path;
        std::string error;
        EXPECT_TRUE(path.Create(device_, kind, channels, error)) << error;
        return path;
    }
    // Plays a sound (a short tone unless given) once at `where` before the
    // listener and returns what came out; the device is opened again for the
    // next sound.
    Output PlayAt(plat::SoundVector where, const plat::WavData& sound = Tone(0.15))
    {
        Prepare(sound, plat::SoundPathKind::Positional);
        device_.SetListener({}, {0, 0, 1}, {0, 1, 0});
        path_.SetPosition(where);
        EXPECT_NE(path_.Play(tone_, false), 0u);
        MixWhile([&] { return path_.IsPlaying(); });
        plat::MixSound(0.05);
        const Output out = Finish();
        OpenDevice();
        return out;
    }

    plat::SoundDevice device_;
    plat::SoundSegment tone_;
    plat::SoundPath path_;
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

// A stereo sound whose right channel is silent: on a positional voice it
// is one point, as loud left as right even at the listener (where the
// game puts a voice that comes too close); played flat it keeps its
// channels apart.
TEST_F(SoundTest, AStereoSoundIsOnePointWhenPlacedAndKeepsItsChannelsWhenFlat)
{
    plat::WavData leftOnly = Tone(0.15, 2);
    for (std::size_t i = 2; i + 1 < leftOnly.samples.size(); i += 4)
        leftOnly.samples[i] = leftOnly.samples[i + 1] = 0;
    const Output placed = PlayAt({0, 0, 0}, leftOnly);
    ASSERT_GT(placed.Both(), 1.0);
    EXPECT_NEAR(placed.Left() / placed.Right(), 1.0, 0.1);

    Prepare(leftOnly, plat::SoundPathKind::Direct);
    ASSERT_NE(path_.Play(tone_, false), 0u);
    MixWhile([&] { return path_.IsPlaying(); });
    const Output out = Finish();
    EXPECT_GT(out.Left(), 4 * out.Right());
}

// A deferred move is not heard while the sound plays; a commit applies the
// listener's turn and the voice's move together. Facing -z the listener
// has -x on its right, so only both changes at once keep the sound right.
TEST_F(SoundTest, DeferredPlacesApplyOnlyTogetherOnACommit)
{
    Prepare(Tone(0.3), plat::SoundPathKind::Positional);
    path_.SetPosition({20, 0, 0});
    ASSERT_NE(path_.Play(tone_, false), 0u);
    path_.SetPosition({-20, 0, 0}, plat::SoundApply::Deferred);
    MixWhile([&] { return path_.IsPlaying(); });
    const Output waited = Finish();
    ASSERT_GT(waited.Both(), 1.0);
    EXPECT_GT(waited.Right(), 4 * waited.Left());

    OpenDevice();
    Prepare(Tone(0.3), plat::SoundPathKind::Positional);
    path_.SetPosition({-20, 0, 0}, plat::SoundApply::Deferred);
    device_.SetListener({}, {0, 0, -1}, {0, 1, 0}, plat::SoundApply::Deferred);
    device_.CommitDeferredSettings();
    ASSERT_NE(path_.Play(tone_, false), 0u);
    MixWhile([&] { return path_.IsPlaying(); });
    const Output committed = Finish();
    ASSERT_GT(committed.Both(), 1.0);
    EXPECT_GT(committed.Right(), 4 * committed.Left());
}

TEST_F(SoundTest, APathVolumeSetWhileASoundPlaysChangesIt)
{
    Prepare(Tone(0.4), plat::SoundPathKind::Direct);
    ASSERT_NE(path_.Play(tone_, true), 0u);
    path_.SetVolume(plat::kSilentVolume);
    plat::MixSound(0.2);
    EXPECT_LT(Finish().AudibleSeconds(), 0.06);
}

TEST_F(SoundTest, AFullPathGivesWayWithItsOldestSound)
{
    Prepare(Tone(0.5), plat::SoundPathKind::Direct, 2);
    const std::uint32_t a = path_.Play(tone_, false);
    plat::MixSound(0.01);
    const std::uint32_t b = path_.Play(tone_, false);
    plat::MixSound(0.01);
    const std::uint32_t c = path_.Play(tone_, false);
    EXPECT_TRUE(a > 1 && b > 1 && c > 1 && a != b && b != c);
    EXPECT_FALSE(path_.IsPlaying(a));
    EXPECT_TRUE(path_.IsPlaying(b) && path_.IsPlaying(c));
    EXPECT_EQ(path_.StartTimeMs(a), -1);
    EXPECT_LE(path_.StartTimeMs(b), path_.StartTimeMs(c));
    EXPECT_LE(path_.StartTimeMs(c), device_.TimeMs());
    device_.StopAll();
    EXPECT_FALSE(path_.IsPlaying());
}

TEST_F(SoundTest, OneShotsEndAndLoopsRepeatUntilStopped)
{
    Prepare(Tone(0.05), plat::SoundPathKind::Direct, 3);
    const std::uint32_t once = path_.Play(tone_, false);
    const std::uint32_t looped = path_.Play(tone_, true);
    ASSERT_NE(once, 0u);
    ASSERT_NE(looped, 0u);
    EXPECT_TRUE(device_.IsPlaying(tone_));
    // A second one-shot started as the first ends lets the loop play a second length.
    const auto waitToEnd = [&](std::uint32_t play) {
        MixWhile([&] { return path_.IsPlaying(play); });
        return !path_.IsPlaying(play);
    };
    EXPECT_TRUE(waitToEnd(once));
    EXPECT_TRUE(path_.IsPlaying(looped));
    EXPECT_TRUE(waitToEnd(path_.Play(tone_, false)));
    EXPECT_TRUE(path_.IsPlaying(looped));
    EXPECT_TRUE(path_.Stop(looped));
    const double playing = MixedSeconds();
    EXPECT_FALSE(path_.IsPlaying(looped));
    EXPECT_FALSE(path_.IsPlaying());
    EXPECT_FALSE(device_.IsPlaying(tone_));
    bool loops = false;
    EXPECT_FALSE(path_.GetLooping(looped, loops)); // stopped plays are forgotten
    EXPECT_FALSE(path_.Stop(looped));
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
    const std::uint32_t frames = tone_.FrameCount();
    const std::uint32_t toneStart = static_cast<std::uint32_t>(0.1 * kOutputRate);
    EXPECT_FALSE(tone_.SetLoopPoints(10, 5));
    EXPECT_FALSE(tone_.SetLoopPoints(0, frames + 1));
    EXPECT_TRUE(tone_.SetLoopPoints(0, 0));
    // Once stopped it can.
    const std::uint32_t play = path_.Play(tone_, true);
    ASSERT_NE(play, 0u);
    EXPECT_FALSE(tone_.SetLoopPoints(toneStart, frames));
    path_.Stop(play);
    ASSERT_TRUE(tone_.SetLoopPoints(toneStart, frames));
    ASSERT_NE(path_.Play(tone_, true), 0u);
    plat::MixSound(0.5);
    const Output out = Finish();
    EXPECT_GT(out.AudibleSeconds(), 0.3);
    EXPECT_LT(out.LongestGap(), 0.03);
}

TEST_F(SoundTest, UnloadingStopsASoundAndNothingPlaysWithoutALoadedSegment)
{
    Prepare(Tone(0.5), plat::SoundPathKind::Positional);
    const std::uint32_t play = path_.Play(tone_, true);
    ASSERT_NE(play, 0u);
    tone_.Unload();
    EXPECT_FALSE(path_.IsPlaying(play));
    EXPECT_EQ(path_.Play(tone_, false), 0u);
    plat::WavData wide = Tone(0.05);
    wide.bitsPerSample = 24;
    std::string error;
    EXPECT_FALSE(tone_.Load(device_, wide, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(tone_.IsLoaded());
    plat::SoundPath never;
    Load(tone_, Tone(0.05));
    EXPECT_EQ(never.Play(tone_, false), 0u);
    EXPECT_NE(path_.Play(tone_, false), 0u);
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
    device_.Close();
    EXPECT_NE(held->Play(*segment, false), 0u);
    segment.reset();
    held.reset();
}

TEST_F(SoundTest, ADeviceMixedOnDemandCountsTimeInMixedFrames)
{
    Prepare(Tone(0.1), plat::SoundPathKind::Direct);
    ASSERT_NE(path_.Play(tone_, false), 0u);
    EXPECT_EQ(device_.TimeMs(), 0);
    plat::MixSound(0.2);
    EXPECT_EQ(device_.TimeMs(), 200);
    EXPECT_FALSE(path_.IsPlaying());
    EXPECT_EQ(plat::MixedSound().size(), 2u * kOutputRate / 5);
}

TEST_F(SoundTest, WithTheDeviceClosedTheStartUpCheckOpensTheDefaultDevice)
{
    device_.Close();
    std::string error;
    EXPECT_TRUE(plat::CheckSoundDevice(error)) << error;
}

TEST_F(SoundTest, AStreamPlaysItsBlocksInOrderAndCountsWhatWasHeard)
{
    std::string error;
    plat::SoundStream stream;
    ASSERT_TRUE(stream.Create(device_, error)) << error;
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
    device_.Close();
    EXPECT_NEAR(Output::Read().AudibleSeconds(), 0.25, 0.05);
}

} // namespace
