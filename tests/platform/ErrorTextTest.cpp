#include <gtest/gtest.h>

#include <cstring>

#include "platform/ErrorText.h"

namespace {

TEST(ErrorText, UnknownCodesHaveNoNameAndSayUnknownWithTheirNumber)
{
    EXPECT_TRUE(plat::ErrorName(0x1234).empty());
    EXPECT_EQ(plat::ErrorString(0x88761234), "Unknown error 0x88761234");
}

// A buffer of no size is left untouched.
TEST(ErrorText, TheNameWrittenIntoABufferIsCutToFitAndAlwaysTerminated)
{
    const struct {
        size_t size;
        const char* written;
    } cases[] = {{256, "D3DERR_INVALIDCALL"}, {7, "D3DERR"}, {0, "kept"}};
    for (const auto& c : cases) {
        char buffer[256] = "kept";
        std::memset(buffer + 5, 'x', sizeof buffer - 5);
        plat::FormatErrorString(plat::hr::InvalidCall, buffer, c.size);
        EXPECT_STREQ(buffer, c.written) << c.size;
    }
}

} // namespace
