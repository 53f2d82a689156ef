#include <gtest/gtest.h>

#include <cstring>

#include "platform/ErrorText.h"
#include "platform/GfxTypes.h"

namespace {

using namespace plat;
using namespace plat::GfxFvf;

TEST(VertexFormat, SizesOfPositionsColoursNormalsBlendWeightsAndCoordinateSets)
{
    // Set 0 of 1 float, set 1 of 3, set 2 of 4, set 3 of the default 2.
    const uint32_t sets = Xyz | TexCount(4) | TexSizeBits(TexSize1, 0) | TexSizeBits(TexSize3, 1)
        | TexSizeBits(TexSize4, 2);
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0x42, 16}, {0x44, 20}, {0x112, 32}, {0x142, 24}, {0x144, 28}, {0x152, 36}, {0x244, 36}, // the renderer's
        {XyzB1, 16}, {XyzB3 | Normal, 36}, {XyzB5 | LastBetaUByte4, 32}, {Xyz | PSize | Specular, 20}, {0, 0},
        {sets, 12 + 4 * (1 + 3 + 4 + 2)}, {Xyz | TexCount(8), 12 + 64},
        {Xyz | TexCount(9), 0}}; // no such format
    for (const auto& [fvf, size] : cases)
        EXPECT_EQ(GfxFvfVertexSize(fvf), size) << std::hex << "format 0x" << fvf;
    EXPECT_EQ(GfxFvfTexSetCount(sets), 4u);
    EXPECT_EQ(GfxFvfTexSetSize(sets, 3), 2u);
}

TEST(ErrorText, NamesUnknownCodesAndSmallBuffers)
{
    EXPECT_EQ(plat::ErrorName(plat::hr::DeviceLost), "D3DERR_DEVICELOST");
    EXPECT_TRUE(plat::ErrorName(0x1234).empty());
    EXPECT_EQ(plat::ErrorString(0x88761234), "Unknown error 0x88761234");

    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    plat::FormatErrorString(plat::hr::InvalidCall, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "D3DERR_INVALIDCALL");
    char tiny[7];
    std::memset(tiny, 'x', sizeof tiny);
    plat::FormatErrorString(plat::hr::InvalidCall, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "D3DERR");
    plat::FormatErrorString(plat::hr::InvalidCall, tiny, 0); // nothing written, nothing broken
    EXPECT_STREQ(tiny, "D3DERR");
}

} // namespace
