#include <gtest/gtest.h>

#include <string>

#include "engine/OmReport.h"
#include "tests/platform/DebugOutputCapture.h"

TEST(OmReport, OverlongTextIsCutButStillEndsTheLine)
{
    DebugOutputCapture capture;
    std::string huge(5000, 'x');
    ReportError("%s", huge.c_str());
    const std::string prefix = "** ERROR ** : ";
    ASSERT_EQ(capture.Text().size(), prefix.size() + OM_REPORT_BUFFER_SIZE - 1);
    EXPECT_EQ(capture.Text().substr(capture.Text().size() - 2), "\r\n");
    EXPECT_EQ(capture.Text().find_first_not_of('x', prefix.size()), capture.Text().size() - 2);
}
