#include <gtest/gtest.h>

#include <string>

#include "engine/OmReport.h"
#include "platform/MessageBox.h"
#include "tests/engine/ArchiveTestSupport.h"

using DebugCapture = archive_test::ErrorCapture;

TEST(OmReport, ErrorAndDebugTextsAreFormattedWithTheirPrefixAndLineEnd)
{
    DebugCapture capture;
    ReportError("missing %s (%d)", "door", 7);
    EXPECT_EQ(capture.Text(), "** ERROR ** : missing door (7)\r\n");
    capture.Clear();
    DebugPrint("tick %05.1f", 2.5);
    EXPECT_EQ(capture.Text(), "tick 002.5\r\n");
}

TEST(OmReport, OverlongTextIsCutButStillEndsTheLine)
{
    DebugCapture capture;
    std::string huge(5000, 'x');
    ReportError("%s", huge.c_str());
    const std::string prefix = "** ERROR ** : ";
    ASSERT_EQ(capture.Text().size(), prefix.size() + OM_REPORT_BUFFER_SIZE - 1);
    EXPECT_EQ(capture.Text().substr(capture.Text().size() - 2), "\r\n");
    EXPECT_EQ(capture.Text().find_first_not_of('x', prefix.size()), capture.Text().size() - 2);
}

TEST(OmReportDeathTest, FatalErrorShowsTheBoxAndExitsWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto boxToStderr = [](std::string_view caption, std::string_view text) {
        fprintf(stderr, "[%.*s|%.*s]", int(caption.size()), caption.data(), int(text.size()),
                text.data());
    };
    auto previous = plat::SetMessageBoxHook(boxToStderr);
    EXPECT_EXIT(FatalError("out of %s", "memory"), ::testing::ExitedWithCode(255),
                "\\[Fatal Error\\|out of memory\r\n\\]");
    plat::SetMessageBoxHook(std::move(previous));
}
