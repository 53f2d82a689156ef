#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/SoundDevice.h"
#include "platform/SoundStream.h"
#include "platform/VideoFile.h"
#include "tests/platform/DebugOutputCapture.h"
#include "tests/platform/ImageTestFiles.h"
#include "testing/ScratchDir.h"
#include "tests/platform/MixedOutput.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kRed = 0xFFE02020;
constexpr std::uint32_t kBlue = 0xFF2040D0;

void ExpectColourNear(std::uint32_t got, std::uint32_t want, const std::string& where)
{
    EXPECT_TRUE(imgtest::Near(got, want, 12)) << where << ": " << std::hex << got;
}

class VideoFileTest : public ::testing::Test {
protected:
    // A two-second clip with a 441 Hz tone: red over blue for the first
    // second, blue over red for the second (so a picture upside down shows).
    std::string MakeIntro(double toneHz = 441, int frames = 50)
    {
        return imgtest::MakeClip((m_dir / "FMV" / "Intro.mpg").string(), frames, toneHz,
                                 [](int frame, std::uint32_t* pixels, int width, int height) {
                                     for (int i = 0; i < width * height; ++i)
                                         pixels[i] = (i / width >= height / 2) == (frame < 25) ? kBlue : kRed;
                                 });
    }

    ScratchDir m_root{ScratchDir::kStayOutside};
    const fs::path& m_dir = m_root.Root();
    plat::VideoFile video;
    std::string error;
};

TEST_F(VideoFileTest, AnEncodedClipDecodesFrameForFrameWithItsColoursAndTimes)
{
    MakeIntro();
    // Found by a game path in another case with backslashes.
    ASSERT_TRUE(video.Open(m_dir.string() + "\\fmv\\INTRO.MPG", error)) << error;
    EXPECT_EQ(std::pair(video.Width(), video.Height()), std::pair(160, 120));
    EXPECT_NEAR(video.Duration(), 2.0, 0.15);
    ASSERT_TRUE(video.HasAudio());
    plat::VideoFrame frame;
    int count = 0;
    while (video.ReadFrame(frame)) {
        ASSERT_EQ(frame.pixels.size(), 160u * 120u);
        EXPECT_EQ(frame.index, count);
        EXPECT_NEAR(frame.time, count * 0.04, 0.005) << "frame " << count;
        // Away from the cut the picture is the colours it was painted, the right way up.
        if (count == 10 || count == 40) {
            ExpectColourNear(frame.pixels[20 * 160 + 80], count == 10 ? kRed : kBlue, "top " + std::to_string(count));
            ExpectColourNear(frame.pixels[100 * 160 + 80], count == 10 ? kBlue : kRed, "bottom");
        }
        ++count;
    }
    EXPECT_EQ(count, 50);
    EXPECT_TRUE(video.AtEnd());
}

// Two seconds of the tone (441 Hz: 882 zero crossings a second).
TEST_F(VideoFileTest, TheSoundtrackDecodesAsTheToneTheClipWasMadeWith)
{
    ASSERT_TRUE(video.Open(MakeIntro(), error)) << error;
    plat::VideoFrame frame;
    while (video.ReadFrame(frame)) {
    }
    std::vector<std::int16_t> pcm;
    video.TakeAudio(pcm);
    const int channels = video.AudioChannels();
    ASSERT_GE(channels, 1);
    const double seconds = static_cast<double>(pcm.size()) / channels / video.AudioRate();
    EXPECT_NEAR(seconds, 2.0, 0.1);
    int crossings = 0;
    for (std::size_t i = channels; i < pcm.size(); i += channels)
        crossings += (pcm[i - channels] < 0) != (pcm[i] < 0);
    EXPECT_NEAR(crossings / seconds, 882, 30);
}

TEST_F(VideoFileTest, FrameDueGivesTheLatestPictureWhoseTimeHasCome)
{
    ASSERT_TRUE(video.Open(MakeIntro(0), error)) << error; // silent
    EXPECT_FALSE(video.HasAudio());
    const plat::VideoFrame* first = video.FrameDue(0.0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->index, 0);
    EXPECT_EQ(video.FrameDue(0.01), nullptr);  // frame 1 is due at 0.04
    // Late: pictures in between are skipped, the newest due one is shown.
    const plat::VideoFrame* late = video.FrameDue(1.5);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->index, 37);
    ExpectColourNear(late->pixels[20 * 160 + 80], kBlue, "late frame");
    EXPECT_FALSE(video.AtEnd());
    const plat::VideoFrame* last = video.FrameDue(10.0);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->index, 49);
    EXPECT_TRUE(video.AtEnd());
    EXPECT_EQ(video.FrameDue(11.0), nullptr);
}

TEST_F(VideoFileTest, AMissingFileFailsNamingItAndHasNoFrames)
{
    EXPECT_FALSE(video.Open(m_dir.string() + "/FMV/none.mpg", error));
    EXPECT_NE(error.find("none.mpg"), std::string::npos);
    EXPECT_EQ(video.FrameDue(1.0), nullptr);
    EXPECT_TRUE(video.AtEnd());
}

// Scribbled bytes change the clip's sound format midway; neither clip may crash or hang.
TEST_F(VideoFileTest, ACutOrScribbledClipDecodesWhatItCanAndEnds)
{
    plat::VideoFrame frame;
    std::vector<std::int16_t> pcm;
    MakeIntro();
    std::string bytes = m_root.Read("FMV/Intro.mpg");
    ASSERT_GT(bytes.size(), 10000u);
    m_root.Write("FMV/cut.mpg", bytes.substr(0, bytes.size() / 3));
    std::srand(7);
    for (std::size_t i = 2048; i < bytes.size(); i += 97)
        bytes[i] = static_cast<char>(std::rand());
    m_root.Write("FMV/scribbled.mpg", bytes);
    // The decoder's complaints go to the developer's channel, not the console.
    DebugOutputCapture complaints;
    for (const char* name : {"cut.mpg", "scribbled.mpg"}) {
        if (!video.Open((m_dir / "FMV" / name).string(), error))
            continue; // refusing is fine too
        int count = 0;
        while (video.ReadFrame(frame) && count < 1000)
            ++count;
        EXPECT_LT(count, 1000) << name;
        EXPECT_TRUE(video.AtEnd()) << name;
        video.TakeAudio(pcm);
    }
    EXPECT_FALSE(complaints.Text().empty());
}

TEST_F(VideoFileTest, TheSoundtrackPlaysThroughASoundStream)
{
    soundtest::MixOnDemand();
    plat::SoundDevice device;
    plat::SoundStream stream;
    ASSERT_TRUE(device.Open(error)) << error;
    ASSERT_TRUE(stream.Create(device, error)) << error;
    ASSERT_TRUE(video.Open(MakeIntro(441, 10), error)) << error; // 0.4 s
    while (!video.AtEnd()) {
        video.FrameDue(100.0);
        video.QueueAudio(stream);
    }
    soundtest::MixWhile([&] { return stream.IsPlaying(); });
    EXPECT_NEAR(stream.PlayedSeconds(), 0.4, 0.05);
    stream.Destroy();
    device.Close();
    EXPECT_NEAR(soundtest::Output::Read().AudibleSeconds(), 0.4, 0.08);
}

} // namespace
