#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>

#include "game/framework/FileIO.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"

namespace {

// What a started program wrote into a file of the folder, waited for: it
// runs detached, so it finishes in its own time.
std::string WaitForText(const ScratchDir& dir, const std::string& file)
{
    std::string text;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         text.empty() && std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        text = dir.Read(file);
    }
    return text;
}

// Each test works in its own scratch folder with the console captured.
class FileIOTest : public ::testing::Test {
protected:
    ScratchDir dir;
    LogCapture log;
    FileIO file;
};

TEST_F(FileIOTest, AClosedFileReadsNothingAndBadOpenArgumentsAreRefused)
{
    EXPECT_EQ(file.ReadLine(), nullptr);
    EXPECT_FALSE(file.WriteLine("x"));
    EXPECT_TRUE(file.Eof()); // a read loop on a closed file ends
    file.Close();
    EXPECT_FALSE(file.Open(nullptr, "r"));
    EXPECT_FALSE(file.Open("a.txt", "q"));
    EXPECT_FALSE(file.Open("a.txt", nullptr));
}

TEST_F(FileIOTest, LinesReadBackAsWrittenSkippingBlankRunsAndSplittingLongOnes)
{
    ASSERT_TRUE(file.Open("Notes.txt", "w"));
    EXPECT_TRUE(file.WriteLine("first"));
    EXPECT_TRUE(file.WriteLine(""));
    EXPECT_TRUE(file.WriteLine("third"));
    // Opening again closes the writer first, so everything is on disk.
    ASSERT_TRUE(file.Open("NOTES.TXT", "r"));
    EXPECT_STREQ(file.ReadLine(), "first");
    EXPECT_STREQ(file.ReadLine(), "third");
    EXPECT_TRUE(file.Eof());
    EXPECT_STREQ(file.ReadLine(), "");

    // Long lines come in pieces.
    dir.Write("long.txt", std::string(300, 'x') + "\r\n" + "next");
    ASSERT_TRUE(file.Open("long.txt", "rb"));
    EXPECT_EQ(std::string(file.ReadLine()), std::string(255, 'x'));
    EXPECT_EQ(std::string(file.ReadLine()), std::string(45, 'x'));
    EXPECT_FALSE(file.Eof());
    EXPECT_STREQ(file.ReadLine(), "next");
    EXPECT_TRUE(file.Eof());
}

TEST_F(FileIOTest, ALineThatNeverReachesAFullDiskIsToldWhenTheFileCloses)
{
    ASSERT_TRUE(file.Open("/dev/full", "w"));
    EXPECT_TRUE(file.WriteLine("lost"));
    file.Close();
    EXPECT_TRUE(log.Contains("could not all be saved")) << log.All();
}

TEST_F(FileIOTest, ScreenshotNumbersSkipTheImagesAlreadyThere)
{
    for (int n = 0; n < 3; ++n)
        dir.Write("shots/shot" + std::to_string(n) + ".bmp", "x");
    EXPECT_EQ(FileIO::FirstFreeScreenshotNumber("shots/shot"), 3);
    EXPECT_EQ(file.Screenshot("shots/shot"), nullptr); // no renderer here: nothing could be saved
    EXPECT_TRUE(log.Contains("shots/shot3.bmp was not saved"));
}

// Execute hands the document, made absolute, to the desktop's opener, run in
// the named folder; with no opener on the path it says so and answers false.
TEST_F(FileIOTest, ExecuteOpensTheDocumentWithTheDesktopsOpener)
{
    dir.Write("Docs/Manual.txt", "read me");
    ::chmod(dir.Write("bin/xdg-open", "#!/bin/sh\necho \"$PWD $1\" > \"$0.called\"\n").c_str(), 0755);
    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir.Path() + "/bin").c_str(), 1);
    EXPECT_TRUE(file.Execute("docs\\manual.txt", "", "Docs")) << log.All();
    EXPECT_EQ(WaitForText(dir, "bin/xdg-open.called"), dir.Path() + "/Docs " + dir.Path() + "/Docs/Manual.txt\n");

    ::setenv("PATH", (dir.Path() + "/nowhere").c_str(), 1);
    EXPECT_FALSE(file.Execute("Docs/Manual.txt", "", "."));
    EXPECT_TRUE(log.Contains("no desktop opener (xdg-open) is installed")) << log.All();
    EXPECT_FALSE(file.Execute(nullptr, "", "."));
    ::setenv("PATH", saved.c_str(), 1);
}

// A program is started itself, in the named folder, with each parameter as
// one argument: blanks split them, double quotes keep a stretch together.
TEST_F(FileIOTest, AProgramStartsInItsFolderWithEachQuotedStretchOneParameter)
{
    dir.Write("Work/keep", "");
    const std::string program =
        dir.Write("bin/stand-in", "#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.called\"\n");
    ::chmod(program.c_str(), 0755);
    EXPECT_TRUE(file.Execute("bin/stand-in", " one  \"two words\"\tthree ", "Work")) << log.All();
    EXPECT_EQ(WaitForText(dir, "bin/stand-in.called"), dir.Path() + "/Work\none\ntwo words\nthree\n");
    EXPECT_FALSE(log.Contains("takes no parameters")) << log.All();
}

} // namespace
