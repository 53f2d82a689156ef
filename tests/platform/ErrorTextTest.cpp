#include <gtest/gtest.h>

#include <cstring>

#include "platform/ErrorText.h"

namespace {

TEST(ErrorText, UnknownCodesHaveNoNameAndSayUnknownWithTheirNumber)
{
    EXPECT_TRUE(plat::ErrorName(0x1234).empty());
    EXPECT_EQ(plat::ErrorString(0x88761234), "Unknown error 0x88761234");
}

TEST(ErrorText, TheNameWrittenIntoABufferIsCutToFitAndAlwaysTerminated)
{
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    plat::FormatErrorString(plat::hr::InvalidCall, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "D3DERR_INVALIDCALL");
    char tiny[7];
    std::memset(tiny, 'x', sizeof tiny);
    plat::FormatErrorString(plat::hr::InvalidCall, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "D3DERR");
}

TEST(ErrorText, ABufferOfNoSizeIsLeftUntouched)
{
    char tiny[7] = "kept";
    plat::FormatErrorString(plat::hr::InvalidCall, tiny, 0);
    EXPECT_STREQ(tiny, "kept");
}

} // namespace
