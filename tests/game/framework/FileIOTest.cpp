#include <gtest/gtest.h>

#include <string>

#include "game/framework/FileIO.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"

namespace {

TEST(FileIO, ClosedObjectsAnswerNothing)
{
    LogCapture log;
    FileIO file;
    EXPECT_EQ(file.ReadLine(), nullptr);
    EXPECT_FALSE(file.WriteLine("x"));
    EXPECT_TRUE(file.Eof()); // a read loop on a closed file ends
    file.Close();
    EXPECT_FALSE(file.Open(nullptr, "r"));
    EXPECT_FALSE(file.Open("a.txt", "q"));
    EXPECT_FALSE(file.Open("a.txt", nullptr));
    EXPECT_FALSE(file.Execute("readme.txt", "", "."));
    EXPECT_TRUE(log.Contains("not available"));
}

TEST(FileIO, LinesReadBackAsWritten)
{
    ScratchDir dir;
    FileIO file;
    ASSERT_TRUE(file.Open("Notes.txt", "w"));
    EXPECT_TRUE(file.WriteLine("first"));
    EXPECT_TRUE(file.WriteLine(""));
    EXPECT_TRUE(file.WriteLine("third"));
    // Opening again closes the writer first, so everything is on disk.
    ASSERT_TRUE(file.Open("NOTES.TXT", "r"));
    EXPECT_STREQ(file.ReadLine(), "first");
    EXPECT_STREQ(file.ReadLine(), "third"); // runs of line breaks are skipped
    EXPECT_TRUE(file.Eof());
    EXPECT_STREQ(file.ReadLine(), "");
}

TEST(FileIO, LongLinesComeInPieces)
{
    ScratchDir dir;
    dir.Write("long.txt", std::string(300, 'x') + "\r\n" + "next");
    FileIO file;
    ASSERT_TRUE(file.Open("long.txt", "rb"));
    EXPECT_EQ(std::string(file.ReadLine()), std::string(255, 'x'));
    EXPECT_EQ(std::string(file.ReadLine()), std::string(45, 'x'));
    EXPECT_FALSE(file.Eof());
    EXPECT_STREQ(file.ReadLine(), "next");
    EXPECT_TRUE(file.Eof());
}

TEST(FileIO, ScreenshotNumbersSkipExistingImages)
{
    LogCapture log;
    ScratchDir dir;
    for (int n = 0; n < 3; ++n) {
        dir.Write("shots/shot" + std::to_string(n) + ".bmp", "x");
    }
    EXPECT_EQ(FileIO::FirstFreeScreenshotNumber("shots/shot"), 3);
    FileIO file;
    EXPECT_EQ(file.Screenshot("shots/shot"), nullptr); // no renderer here: nothing could be saved
    EXPECT_TRUE(log.Contains("shots/shot3.bmp was not saved"));
}

} // namespace
