// The demo's own texts and media: the dialogue table shipped with the game
// and what the demo-data tool writes under data/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "game/framework/TsAudioSoundTable.h"
#include "game/framework/TsDialogStrings.h"
#include "platform/VideoFile.h"
#include "platform/WavFile.h"
#include "tests/game/framework/LogCapture.h"

namespace {

std::string SourcePath(const std::string& gamePath)
{
    const char* root = std::getenv("OM_SOURCE_DIR");
    return std::string(root ? root : ".") + "/" + gamePath;
}

TEST(DemoMediaTest, TheDialogueTableHasEveryTextTheFrontEndAndHudAskFor)
{
    LogCapture log;
    TsDialogStrings strings;
    ASSERT_TRUE(strings.Load(SourcePath("scripts\\script").c_str()));
    EXPECT_EQ(log.All(), ""); // every row well formed
    for (DialogStringId id = 30544; id <= 30750; ++id) {
        const char* text = strings.GetString(id);
        ASSERT_NE(text, nullptr) << id;
        EXPECT_NE(text[0], '\0') << id;
    }
    // The remarks after a conversation are spoken too.
    for (DialogStringId id : {5970, 5980}) {
        ASSERT_NE(strings.GetString(id), nullptr) << id;
        ASSERT_NE(strings.GetAudioFile(id), nullptr) << id;
    }
    EXPECT_STREQ(strings.GetString(30739), "Low");
    EXPECT_STREQ(strings.GetString(30718), "Left button");
}

// Only where the tool has run (tools/test runs it before the tests).
TEST(DemoMediaTest, TheGeneratedSoundsAndVideosAreReadable)
{
    if (!std::filesystem::exists(SourcePath("data/.generated")))
        GTEST_SKIP() << "the demo data has not been generated";
    std::string error;
    for (const TsAudioSoundRecord& record : TsAudioSoundTable) {
        if (record.path[0] == '\0')
            continue;
        plat::WavData wav;
        ASSERT_TRUE(plat::ReadWavFile(SourcePath(record.path), wav, error)) << error;
        EXPECT_GT(wav.FrameCount(), 1000u) << record.path;
    }
    for (const char* music : {"data\\audio\\music\\desertbed.wav", "data\\audio\\music\\desertpassive.wav",
                              "data\\audio\\music\\desertaction.wav", "data\\audio\\dialogue\\orrick_remark1.wav",
                              "data\\audio\\dialogue\\orrick_remark2.wav"}) {
        plat::WavData wav;
        EXPECT_TRUE(plat::ReadWavFile(SourcePath(music), wav, error)) << error;
    }
    for (const char* clip : {"data\\FMV\\TitleCards.mpg", "data\\FMV\\intro.mpg"}) {
        plat::VideoFile video;
        ASSERT_TRUE(video.Open(SourcePath(clip), error)) << error;
        EXPECT_NEAR(video.Duration(), 2.0, 0.15) << clip;
        EXPECT_TRUE(video.HasAudio()) << clip;
    }
}

} // namespace
